// The stored record of the verdict an analysis state holds: what was
// analysed, every setting that entered the chain, and the figures. Used by
// the workstation and kr70-analyse alike, so both store the same fields.
#ifndef KR70_APP_CORE_RESULTCAPTURE_H
#define KR70_APP_CORE_RESULTCAPTURE_H

#include <string>

#include "ResultRecord.h"

namespace kr70 {

class AnalysisState;

// The record of state's current verdict for the recording at recordingPath
// (made absolute; empty for an acquisition not saved to a file). No file is
// read: the digests stay empty for FillDigests (ResultRecord.h), which may run
// on a worker thread.
ResultRecord CaptureResult(const AnalysisState& state, const std::string& recordingPath,
                           const std::string& station);

// The host name, the default station name.
std::string DefaultStationName();

// The program version stored with each verdict.
const char* ProgramVersion();

}  // namespace kr70

#endif
