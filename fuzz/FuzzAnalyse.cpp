// kr70-analyse's per-file path on any file: load as the workstation does
// (raw data, else WAV), the whole chain, the report and the result files.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "AnalyseReport.h"
#include "AnalysisState.h"
#include "ConsolePort.h"
#include "FuzzFile.h"
#include "LmCmAnlz.h"
#include "ResultFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const bool started = StartFilterSystem() == 0 || true;
    (void)started;
    static std::FILE* sink = std::fopen("/dev/null", "w");
    const std::string path = kr70fuzz::WriteInput("input", data, size);
    kr70::ConsolePort port("kr70-analyse", sink);
    kr70::AnalysisState state(port);
    state.InitializeParameters("");
    state.Settings().spectraEnabled = 1;
    if (state.LoadWaveform(path) != 1) {
        return 0;
    }
    const kr70::FileReport report = kr70::MakeReport(path, state);
    (void)kr70::ReportJson(report);
    (void)kr70::ReportTableRow(report, 8);
    (void)kr70::SaveResultFiles(state, kr70fuzz::ScratchDirectory(), "result", path, port);
    return 0;
}
