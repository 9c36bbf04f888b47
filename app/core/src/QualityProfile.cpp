#include "QualityProfile.h"

namespace kr70 {

QualityLimits loadQualityLimits(Profile& profile, std::vector<std::string>* refused) {
  QualityLimits limits;
  for (const std::string& key : QualityLimitKeys()) {
    const std::string value = profile.getString(kQualityProfileSection, key, "");
    if (value.empty()) continue;
    const std::string refusal = SetQualityLimit(limits, key, value);
    if (!refusal.empty() && refused) refused->push_back(std::string(kQualityProfileSection) + "/" + refusal);
  }
  return limits;
}

}  // namespace kr70
