#include "FuzzFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kr70fuzz {

const std::string& ScratchDirectory() {
    // Never destroyed, so that the exit handler that removes the folder can
    // still read the name (a static string would be destroyed before it runs).
    static const std::string* directory = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kr70-fuzz.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        auto* made = new std::string(pattern);
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(ScratchDirectory(), error);
        });
        return made;
    }();
    return *directory;
}

std::string WriteInput(const std::string& name, const uint8_t* data, std::size_t size) {
    const std::string path = ScratchDirectory() + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::abort();
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(fd, data + done, size - done);
        if (written <= 0) {
            std::abort();
        }
        done += static_cast<std::size_t>(written);
    }
    ::close(fd);
    return path;
}

}  // namespace kr70fuzz
