// LoadRawData on any bytes; what loads must save and load again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzFile.h"
#include "LmCmAnlz.h"
#include "LmWACore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string path = kr70fuzz::WriteInput("input.rdt", data, size);
    WAData waveform;
    if (LoadRawData(path.c_str(), waveform) != WA_OK) {
        return 0;
    }
    if (waveform.GetSize() == 0 || waveform.GetSampFreq() == 0) {
        std::abort();
    }
    const std::string copy = kr70fuzz::ScratchDirectory() + "/copy.rdt";
    if (SaveRawData(copy.c_str(), waveform) != WA_OK) {
        std::abort();
    }
    WAData back;
    if (LoadRawData(copy.c_str(), back) != WA_OK || back.GetSize() != waveform.GetSize() ||
        back.GetSampFreq() != waveform.GetSampFreq()) {
        std::abort();
    }
    return 0;
}
