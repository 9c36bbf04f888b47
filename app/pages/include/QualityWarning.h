#pragma once
// The warning line of the data-quality guard: which checks the loaded
// recording failed, so that the operator tests the part again instead of
// trusting its verdict. The status bar and the abnormal-sound page show it;
// the result lamp keeps its own rule.
#include "DataQuality.h"
#include "UiPort.h"

namespace kr70 {

// Text 3600, then one part per check that fired (3601 clipping and 3603
// dropout with the time of their first position in seconds, "%.3f"; 3602
// dead channel, 3604 DC offset, 3605 too short), separated by ", ". No parts
// for a valid recording.
Message QualityWarning(const QualityReport& report);

}  // namespace kr70
