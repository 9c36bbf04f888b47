#include "AcquisitionDialog.h"

#include <cctype>
#include <cmath>

namespace kr70::acquisitiondialog {

int FrequencyRadio(int32_t boardKind, uint32_t frequency, bool exactChoice) {
    const uint32_t* table = boardKind == 2 ? kAdBoardFrequencies : kSoundCardFrequencies;
    if (exactChoice) {
        for (int i = 0; i < 5; ++i)
            if (table[i] == frequency) return i;
        return boardKind == 2 ? 4 : 1;
    }
    if (boardKind == 2) {
        if (frequency < 20000) return 0;
        if (frequency < 25000) return 1;
        if (frequency < 40000) return 2;
        if (frequency < 50000) return 3;
        return 4;
    }
    if (frequency <= 22049) return 0;
    if (frequency <= 31999) return 1;
    if (frequency <= 44099) return 2;
    if (frequency <= 47999) return 3;
    return 4;
}

uint32_t SnapFreeFrequency(uint32_t frequency) {
    const double f = frequency;
    if (f < 16537.5) return 11025;
    if (f < 27025) return 22050;
    if (f < 38050) return 32000;
    if (f >= 46050) return 48000;
    return 44100;
}

uint32_t SamplingFrequency(int32_t boardKind, int radioIndex, uint32_t freeFrequency) {
    if (boardKind == 2) {
        if (radioIndex >= 0 && radioIndex < 5 && radioIndex != 3) return kAdBoardFrequencies[radioIndex];
        return 40000;
    }
    if (radioIndex == kFreeFrequencyRadio) return freeFrequency;
    if (radioIndex >= 0 && radioIndex < 5) return kSoundCardFrequencies[radioIndex];
    return 44100;
}

int32_t CheckTime(double timeMs, uint32_t frequency, uint32_t* count) {
    if (!(timeMs > 0.0)) return 2083;
    const double samples = std::trunc(static_cast<double>(frequency) * timeMs / 1000.0);
    if (samples < 1.0) return 2085;
    // A count beyond 32 bits cannot be recorded; it is refused like no sample.
    if (samples > 4294967295.0) return 2085;
    if (count) *count = static_cast<uint32_t>(samples);
    return 0;
}

int32_t CheckTriggerWait(int32_t waitMs) { return waitMs >= 0 && waitMs <= kMaxTriggerWaitMs ? 0 : 2088; }

int GainListIndex(int32_t gain) {
    for (int i = 0; i < 7; ++i)
        if (kGains[i] == gain) return i;
    return 0;
}

bool AdBoardControlsEnabled(bool viewer, bool adBoardPresent, bool adBoardRadio, int32_t boardKindSet) {
    return !viewer && adBoardPresent && adBoardRadio && boardKindSet != 0;
}

std::string BaseNameFromPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = path;
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > nameStart) name.erase(dot);
    const auto digitsBefore = [&](size_t end) {
        size_t start = end;
        while (start > nameStart && std::isdigit(static_cast<unsigned char>(name[start - 1]))) --start;
        return start;
    };
    size_t end = name.size();
    size_t start = digitsBefore(end);
    if (start == end) return name;
    if (start > nameStart && name[start - 1] == '#') {
        end = start - 1;
        start = digitsBefore(end);
        if (start == end) return name;
    }
    if (start > nameStart && name[start - 1] == '-') name.erase(start - 1);
    return name;
}

}  // namespace kr70::acquisitiondialog
