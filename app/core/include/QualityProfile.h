#pragma once
// The data-quality guard's limits in the per-user settings: section
// "Quality", one key per limit under the names of the limits file
// (QualityLimitKeys: "Quality/clip_run_samples", ...). A key that is absent
// or holds a value the guard refuses keeps its default; nothing is written.
#include "DataQuality.h"
#include "Profile.h"

#include <string>
#include <vector>

namespace kr70 {

inline constexpr const char* kQualityProfileSection = "Quality";

// The limits, and in refused (when given) one message per refused value.
QualityLimits loadQualityLimits(Profile& profile, std::vector<std::string>* refused = nullptr);

}  // namespace kr70
