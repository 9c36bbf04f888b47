// The parameter-file library on any file: the record reader, the key reader
// and the key writer. After LmIniPutS the key must read back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "FuzzFile.h"
#include "LmIni.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string path = kr70fuzz::WriteInput("input.ini", data, size);
    LmIniRecord record;
    (void)LmIniRead(path.c_str(), &record);
    char value[512];
    for (const char* key : {"cFileID", "lSmpFreq", "fFftP2", "cFltCase", "cMemo"}) {
        (void)LmIniGetS(path.c_str(), key, sizeof value, value);
        (void)LmIniGetS(path.c_str(), key, 4, value);  // a buffer that is mostly too small
    }
    if (LmIniPutS(path.c_str(), "lSmpFreq", "44100") == LMINI_OK) {
        if (LmIniGetS(path.c_str(), "lSmpFreq", sizeof value, value) != LMINI_OK ||
            std::strcmp(value, "44100") != 0) {
            std::abort();
        }
    }
    (void)LmIniRead(path.c_str(), &record);
    return 0;
}
