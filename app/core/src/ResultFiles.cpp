#include "ResultFiles.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>

#include "AnalysisState.h"
#include "Kr70TextIds.h"
#include "LmWACore.h"
#include "UiPort.h"

namespace kr70 {
namespace {

// True when both paths name the same file: equal text, or the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    if (a == b) return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// One target of a save: its path, its message on failure and its writer.
struct Target {
    std::string path;
    int32_t messageId;
    std::function<int32_t(const char*)> write;
    bool raw = false;
};

std::vector<Target> Targets(const AnalysisState& state, const ResultFileRequest& request) {
    const AnalysisSettings& s = state.Settings();
    const std::string stem = (std::filesystem::path(request.directory) / request.base).string();
    // The writers read the name when they run; the request outlives them.
    const char* raw = request.rawDataName.c_str();
    const uint32_t pitch = s.samplingPitch;
    const uint32_t start = s.fftStart;
    const uint32_t length = s.fftLength;
    const uint32_t kinds = request.kinds;
    const AnalysisState* st = &state;
    std::vector<Target> targets;

    if (kinds & kResultRaw) {
        targets.push_back({stem + ".rdt", text::kMsgRdtNotSaved,
                           [st](const char* path) { return SaveRawData(path, st->RawWaveform()); }, true});
    }
    if (kinds & kResultAnalysis) {
        targets.push_back({stem + ".adt", text::kMsgAdtNotSaved, [=](const char* path) {
                               return SaveAnlzData(path, st->AnalysisWaveform(), raw, pitch, start, length,
                                                   st->FreqFilter());
                           }});
    }
    if (kinds & kResultYuragi) {
        targets.push_back({stem + ".ydt", text::kMsgYdtNotSaved, [=](const char* path) {
                               return SaveYuragiFilterData(path, st->YuragiWaveform(), raw, pitch, start, length,
                                                           st->FreqFilter());
                           }});
        if (request.fileIo) {
            targets.push_back({stem + "Y.adt", text::kMsgYdtNotSaved, [=](const char* path) {
                                   return SaveAnlzData(path, st->YuragiWaveform(), raw, pitch, start, length,
                                                       st->FreqFilter());
                               }});
        }
    }
    if (kinds & kResultSpectrum) {
        targets.push_back({stem + ".spd", text::kMsgSpdNotSaved, [=](const char* path) {
                               return SaveSpectrumData(path, st->AnalysisSpectrum(), raw, pitch, start, length);
                           }});
    }
    if (kinds & kResultYuragiSpectrum) {
        targets.push_back({stem + ".ysp", text::kMsgYspNotSaved, [=](const char* path) {
                               return SaveYuragiSpectrumData(path, st->YuragiSpectrum(), raw, pitch, start, length);
                           }});
        if (request.fileIo) {
            targets.push_back({stem + "Y.spd", text::kMsgYspNotSaved, [=](const char* path) {
                                   return SaveSpectrumData(path, st->YuragiSpectrum(), raw, pitch, start, length);
                               }});
        }
    }
    if (kinds & kResultDifSpectrum) {
        targets.push_back({stem + ".dsd", text::kMsgDsdNotSaved, [=](const char* path) {
                               return SaveDifSpectrumData(path, st->DifSpectrum(), raw, pitch, start, length,
                                                          st->YuragiFilter());
                           }});
    }
    if (kinds & kResultSquareMean) {
        targets.push_back({stem + ".sdt", text::kMsgSdtNotSaved, [=](const char* path) {
                               return SaveSquareData(
                                   path, st->SquareMeanWaveform(), raw, pitch, start,
                                   static_cast<uint32_t>(s.squareMeanPitch), static_cast<uint32_t>(s.smoothingLength),
                                   s.peakThreshold, s.peakAnalysisFlag, static_cast<uint32_t>(s.peakPitch),
                                   static_cast<uint32_t>(s.peakWidth), static_cast<uint32_t>(s.judgementWidth),
                                   s.judgementThreshold, length, st->FreqFilter());
                           }});
    }
    return targets;
}

// The raw-data target is the loaded file itself.
bool OntoLoadedFile(const AnalysisState& state, const ResultFileRequest& request, const Target& target) {
    return target.raw &&
           (SameFile(target.path, request.rawDataName) || SameFile(target.path, state.Settings().currentFile));
}

}  // namespace

std::vector<std::string> ResultFileTargets(const AnalysisState& state, const ResultFileRequest& request) {
    std::vector<std::string> paths;
    for (const Target& target : Targets(state, request)) {
        if (!OntoLoadedFile(state, request, target)) paths.push_back(target.path);
    }
    return paths;
}

std::vector<SavedFile> SaveResultFiles(const AnalysisState& state, const ResultFileRequest& request, UiPort& port) {
    std::vector<SavedFile> saved;
    for (const Target& target : Targets(state, request)) {
        if (OntoLoadedFile(state, request, target)) {
            saved.push_back(SavedFile{target.path, 0, true});
            continue;
        }
        const int32_t status = target.write(target.path.c_str());
        saved.push_back(SavedFile{target.path, status, false});
        if (status != 0) port.ShowWarning(target.messageId, kCaptionFileDialog);
    }
    return saved;
}

std::vector<SavedFile> SaveResultFiles(const AnalysisState& state, const std::string& directory,
                                       const std::string& base, const std::string& rawDataName,
                                       UiPort& port) {
    ResultFileRequest request;
    request.directory = directory;
    request.base = base;
    request.rawDataName = rawDataName;
    return SaveResultFiles(state, request, port);
}

}  // namespace kr70
