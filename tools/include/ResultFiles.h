// Writing the result files of one analysed file, as the data-file save dialog
// does with every data kind checked except the difference spectrum.
#ifndef KR70_TOOLS_RESULTFILES_H
#define KR70_TOOLS_RESULTFILES_H

#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

class AnalysisState;
class UiPort;

struct SavedFile {
    std::string path;
    int32_t status = 0;   // the writer's result (0 written)
    bool skipped = false;  // the raw-data target is the loaded file itself
};

// Writes directory/base + ".rdt", ".adt", ".ydt", ".spd", ".ysp" and ".sdt" in
// this order. rawDataName goes into the headers; the raw-data file is not
// written onto the loaded file itself. Each writer replaces its target in one
// step, so a kind that fails keeps its older file.
// A failing writer shows its message (2149 … 2155, caption 2170) and the
// remaining kinds are still written. Returns one entry per kind.
std::vector<SavedFile> SaveResultFiles(const AnalysisState& state, const std::string& directory,
                                       const std::string& base, const std::string& rawDataName,
                                       UiPort& port);

}  // namespace kr70

#endif
