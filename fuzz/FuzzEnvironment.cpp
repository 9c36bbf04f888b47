// The environment-file reader on any bytes; an accepted file must be writable
// and read back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "EnvironmentFile.h"
#include "FuzzFile.h"

namespace {

bool Same(const kr70::EnvironmentValues& a, const kr70::EnvironmentValues& b) {
    return a.fileStem == b.fileStem && a.fileNumber == b.fileNumber && a.rawDataFlag == b.rawDataFlag &&
           a.triggerFlag == b.triggerFlag && a.boardKind == b.boardKind && a.channel == b.channel &&
           a.frequency == b.frequency && a.acquisitionTimeMs == b.acquisitionTimeMs &&
           a.waitTimeMs == b.waitTimeMs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string path = kr70fuzz::WriteInput("input.bet", data, size);
    for (int32_t board : {1, 2}) {
        kr70::EnvironmentValues values;
        if (kr70::ReadEnvironmentFile(path, board, values) != kr70::EnvironmentReadStatus::Ok) continue;
        const std::string copy = kr70fuzz::ScratchDirectory() + "/copy.bet";
        kr70::EnvironmentValues back;
        if (!kr70::WriteEnvironmentFile(copy, values) ||
            kr70::ReadEnvironmentFile(copy, board, back) != kr70::EnvironmentReadStatus::Ok || !Same(values, back)) {
            std::abort();
        }
    }
    return 0;
}
