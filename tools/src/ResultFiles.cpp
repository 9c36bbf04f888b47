#include "ResultFiles.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "AnalysisState.h"
#include "Kr70TextIds.h"
#include "LmWACore.h"
#include "UiPort.h"

namespace kr70 {
namespace {

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

std::vector<SavedFile> SaveResultFiles(const AnalysisState& state, const std::string& directory,
                                       const std::string& base, const std::string& rawDataName,
                                       UiPort& port) {
    const AnalysisSettings& s = state.Settings();
    const std::string stem = (std::filesystem::path(directory) / base).string();
    const char* raw = rawDataName.c_str();
    const uint32_t pitch = s.samplingPitch;
    std::vector<SavedFile> saved;
    auto record = [&](const std::string& path, int32_t status, int32_t messageId) {
        saved.push_back(SavedFile{path, status, false});
        if (status != 0) {
            port.ShowWarning(messageId, kCaptionFileDialog);
        }
    };

    const std::string rdt = stem + ".rdt";
    if (SameFile(rdt, s.currentFile)) {
        saved.push_back(SavedFile{rdt, 0, true});
    } else {
        record(rdt, SaveRawData(rdt.c_str(), state.RawWaveform()), text::kMsgRdtNotSaved);
    }
    const std::string adt = stem + ".adt";
    record(adt,
           SaveAnlzData(adt.c_str(), state.AnalysisWaveform(), raw, pitch, s.fftStart, s.fftLength,
                        state.FreqFilter()),
           text::kMsgAdtNotSaved);
    const std::string ydt = stem + ".ydt";
    record(ydt,
           SaveYuragiFilterData(ydt.c_str(), state.YuragiWaveform(), raw, pitch, s.fftStart,
                                s.fftLength, state.FreqFilter()),
           text::kMsgYdtNotSaved);
    const std::string spd = stem + ".spd";
    record(spd, SaveSpectrumData(spd.c_str(), state.AnalysisSpectrum(), raw, pitch, s.fftStart, s.fftLength),
           text::kMsgSpdNotSaved);
    const std::string ysp = stem + ".ysp";
    record(ysp,
           SaveYuragiSpectrumData(ysp.c_str(), state.YuragiSpectrum(), raw, pitch, s.fftStart,
                                  s.fftLength),
           text::kMsgYspNotSaved);
    const std::string sdt = stem + ".sdt";
    record(sdt,
           SaveSquareData(sdt.c_str(), state.SquareMeanWaveform(), raw, pitch, s.fftStart,
                          static_cast<uint32_t>(s.squareMeanPitch), static_cast<uint32_t>(s.smoothingLength),
                          s.peakThreshold, s.peakAnalysisFlag, static_cast<uint32_t>(s.peakPitch),
                          static_cast<uint32_t>(s.peakWidth), static_cast<uint32_t>(s.judgementWidth),
                          s.judgementThreshold, s.fftLength, state.FreqFilter()),
           text::kMsgSdtNotSaved);
    return saved;
}

}  // namespace kr70
