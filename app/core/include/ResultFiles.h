// Writing the result files of the analysed waveform: the one writer behind the
// data-file save dialog (150) and `kr70-analyse --save`.
//
// Kinds, in the order they are written, with their writers (LmWACore.h):
//   ".rdt" SaveRawData (raw waveform)          ".adt" SaveAnlzData (analysis waveform)
//   ".ydt" SaveYuragiFilterData (yuragi)        ".spd" SaveSpectrumData (analysis spectrum)
//   ".ysp" SaveYuragiSpectrumData               ".dsd" SaveDifSpectrumData (yuragi filter)
//   ".sdt" SaveSquareData (square-mean waveform and its parameters)
// Every writer except SaveRawData gets the raw-data name, the sampling pitch,
// the FFT start and the FFT length of the state. With the file-I/O option the
// yuragi waveform is also written with SaveAnlzData as base + "Y.adt" (after
// ".ydt"), and the yuragi spectrum with SaveSpectrumData as base + "Y.spd"
// (after ".ysp").
//
// The raw-data file is not written onto the loaded file itself (the raw-data
// name or the state's current file). Each writer replaces its target in one
// step (a temporary beside it, renamed over it), so a kind that fails keeps
// its older file. A failing writer shows its message (2149 … 2155, caption
// 2170) and the remaining kinds are still written; nothing is rolled back.
#ifndef KR70_APP_CORE_RESULTFILES_H
#define KR70_APP_CORE_RESULTFILES_H

#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

class AnalysisState;
class UiPort;

// Data kinds (bits), in write order.
inline constexpr uint32_t kResultRaw = 1u << 0;
inline constexpr uint32_t kResultAnalysis = 1u << 1;
inline constexpr uint32_t kResultYuragi = 1u << 2;
inline constexpr uint32_t kResultSpectrum = 1u << 3;
inline constexpr uint32_t kResultYuragiSpectrum = 1u << 4;
inline constexpr uint32_t kResultDifSpectrum = 1u << 5;
inline constexpr uint32_t kResultSquareMean = 1u << 6;
// What `kr70-analyse --save` writes: every kind but the difference spectrum.
inline constexpr uint32_t kResultHeadlessKinds = kResultRaw | kResultAnalysis | kResultYuragi | kResultSpectrum |
                                                 kResultYuragiSpectrum | kResultSquareMean;

struct ResultFileRequest {
    std::string directory;
    std::string base;         // file name without extension
    std::string rawDataName;  // into the headers; the loaded file's path
    uint32_t kinds = kResultHeadlessKinds;
    bool fileIo = false;  // also base + "Y.adt" and base + "Y.spd"
};

struct SavedFile {
    std::string path;
    int32_t status = 0;   // the writer's result (0 written)
    bool skipped = false;  // the raw-data target is the loaded file itself
};

// Every target the request writes, in write order (the skipped raw-data
// target left out).
std::vector<std::string> ResultFileTargets(const AnalysisState& state, const ResultFileRequest& request);

// Writes the request's kinds. Returns one entry per target, the skipped
// raw-data target included.
std::vector<SavedFile> SaveResultFiles(const AnalysisState& state, const ResultFileRequest& request, UiPort& port);

// The headless kinds (".rdt", ".adt", ".ydt", ".spd", ".ysp", ".sdt") into
// directory/base.
std::vector<SavedFile> SaveResultFiles(const AnalysisState& state, const std::string& directory,
                                       const std::string& base, const std::string& rawDataName,
                                       UiPort& port);

}  // namespace kr70

#endif
