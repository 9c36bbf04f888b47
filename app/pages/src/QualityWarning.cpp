#include "QualityWarning.h"

#include "Kr70TextIds.h"
#include "NumberText.h"

namespace kr70 {

Message QualityWarning(const QualityReport& report) {
  Message warning;
  if (report.Valid()) return warning;
  warning.parts.push_back({text::kQualityRetest, {}, " "});
  for (const QualityFinding& finding : report.findings) {
    MessagePart part;
    switch (finding.check) {
      case QualityCheck::Clipping: part.textId = text::kQualityClipping; break;
      case QualityCheck::DeadChannel: part.textId = text::kQualityDeadChannel; break;
      case QualityCheck::Dropout: part.textId = text::kQualityDropout; break;
      case QualityCheck::DcOffset: part.textId = text::kQualityDcOffset; break;
      case QualityCheck::TooShort: part.textId = text::kQualityTooShort; break;
    }
    if (finding.check == QualityCheck::Clipping || finding.check == QualityCheck::Dropout)
      part.formatArguments.push_back(FormatC("%.3f", report.Seconds(finding.positions.at(0).first)));
    if (warning.parts.size() > 1) warning.parts.back().appended = ", ";
    warning.parts.push_back(part);
  }
  return warning;
}

}  // namespace kr70
