// The area histogram of ThresholdSuggest.h as a PNG file, drawn with the
// plotting core's painter interface on a QImage.
#ifndef KR70_TOOLS_HISTOGRAMPNG_H
#define KR70_TOOLS_HISTOGRAMPNG_H

#include <string>
#include <vector>

#include "ThresholdSuggest.h"

namespace kr70 {

// Creates a QGuiApplication when the process has none (on the "offscreen"
// platform unless QT_QPA_PLATFORM names another), so it works without a
// display. true when the file was written completely.
bool WriteAreaHistogramPng(const std::string& path, int width, int height, const std::vector<double>& goodAreas,
                           const std::vector<double>& badAreas, const HistogramMarks& marks, int bins);

}  // namespace kr70

#endif
