#include "ResultCapture.h"

#include <unistd.h>

#include <filesystem>

#include "AnalysisState.h"

namespace kr70 {

namespace {

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

}  // namespace

ResultRecord CaptureResult(const AnalysisState& state, const std::string& recordingPath,
                           const std::string& station) {
    const AnalysisSettings& s = state.Settings();
    ResultRecord r;
    r.station = station;
    if (!recordingPath.empty()) {
        r.recordingPath = AbsolutePath(recordingPath);
        r.recordingName = std::filesystem::path(recordingPath).filename().string();
    }
    r.samplingFrequency = state.RawWaveform().GetSampFreq();
    r.sampleCount = state.RawWaveform().GetSize();
    r.parameterPath = s.parameterFile.empty() ? std::string() : AbsolutePath(s.parameterFile);
    r.samplingPitch = s.samplingPitch;
    r.effectiveSamplingFrequency = s.effectiveSamplingFrequency;
    for (int i = 0; i < 4; ++i) {
        r.yuragiParameter[i] = s.yuragiParameter[i];
    }
    r.filterType = s.filterType;
    r.filterTaps = s.filterTaps;
    r.lowerFrequency = s.lowerFrequency;
    r.upperFrequency = s.upperFrequency;
    r.fftStart = s.fftStart;
    r.fftLength = s.fftLength;
    r.spectraEnabled = s.spectraEnabled;
    r.squareMeanPitch = s.squareMeanPitch;
    r.smoothingLength = s.smoothingLength;
    r.areaLevel = s.peakThreshold;
    r.passThreshold = s.passThreshold;
    r.inverted = s.invertedJudgement;

    const MeasureResult& measure = state.Measure();
    r.status = state.LastChainStatus() != 0 ? state.LastChainStatus() : measure.status;
    if (measure.valid) {
        r.totalArea = measure.totalArea;
        r.exceedingArea = measure.exceedingArea;
        r.judgement = measure.judgement;
    }
    const SpectrumPeakList& peaks = state.Peaks();
    for (int32_t i = 0; i < SpectrumPeakList::kLines && i < 5; ++i) {
        if (peaks.Filled(i)) {
            r.peaksHz[i] = peaks.FrequencyHz(i);
        }
    }
    r.programVersion = ProgramVersion();
    return r;
}

std::string DefaultStationName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

const char* ProgramVersion() { return KR70_PROGRAM_VERSION; }

}  // namespace kr70
