// The WAV reader and the raw-data probe on any bytes; an accepted WAV file
// must be storable as raw data and readable back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzFile.h"
#include "LmCmAnlz.h"
#include "LmWACore.h"
#include "WaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string path = kr70fuzz::WriteInput("input.wav", data, size);
    const int32_t headerOk = kr70::CheckWavHeader(path);
    (void)kr70::IsRawDataFile(path);
    WAData waveform;
    const kr70::WavReadStatus status = kr70::ReadWavFile(path, waveform);
    if (status != kr70::WavReadStatus::Ok) {
        return 0;
    }
    if (headerOk != 1) {
        std::abort();  // a file that reads must have an accepted header
    }
    const std::string copy = kr70fuzz::ScratchDirectory() + "/copy.rdt";
    WAData back;
    if (SaveRawData(copy.c_str(), waveform) != WA_OK || LoadRawData(copy.c_str(), back) != WA_OK ||
        back.GetSampFreq() != waveform.GetSampFreq()) {
        std::abort();
    }
    return 0;
}
