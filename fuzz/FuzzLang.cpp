// The language-file loader on any file, then every index named in it through
// LmLangCopyIdxStringFormat: results stay within 255 bytes and come quickly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "FuzzFile.h"
#include "LmLang.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const bool made = std::filesystem::create_directories(kr70fuzz::ScratchDirectory() + "/LANG");
    (void)made;
    kr70fuzz::WriteInput("LANG/FUZZ_JP.STR", data, size);
    const std::string directory = kr70fuzz::ScratchDirectory() + "/";
    if (LmLangInit(LMLANG_MODE_SUFFIX, LMLANG_ID_JAPANESE, directory.c_str(), "FUZZ") != 0) {
        return 0;
    }
    // The numbers after "=" of the input's lines, as the indexes to ask for.
    const std::string text(reinterpret_cast<const char*>(data), size);
    int asked = 0;
    for (std::size_t at = text.find('='); at != std::string::npos && asked < 64; at = text.find('=', at + 1)) {
        const int index = std::atoi(text.c_str() + at + 1);
        char out[LMLANG_TEXT_BUFFER + 1];
        out[LMLANG_TEXT_BUFFER] = '#';
        LmLangCopyIdxStringFormat(index, -2147483647 - 1, out);
        if (std::strlen(out) > 255 || out[LMLANG_TEXT_BUFFER] != '#') {
            std::abort();
        }
        (void)LmLangGetIdxString(index);
        ++asked;
    }
    LmLangClose();
    return 0;
}
