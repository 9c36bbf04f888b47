#include "LmIniTestUtil.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fs.h>
#include <sstream>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lmini_test {

namespace fs = std::filesystem;

ScratchDir::ScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "lmini-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        SetImmutable(it->path().string(), false);
        if (it->is_directory(ec)) chmod(it->path().c_str(), 0755);
    }
    SetImmutable(path_, false);
    chmod(path_.c_str(), 0755);
    fs::remove_all(path_, ec);
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ListDir(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

bool SetImmutable(const std::string& path, bool on)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return ok;
}

bool MakeUnwritable(const std::string& dir)
{
    if (geteuid() == 0) return SetImmutable(dir, true);
    return chmod(dir.c_str(), 0555) == 0;
}

void RestoreWritable(const std::string& dir)
{
    if (geteuid() == 0)
        SetImmutable(dir, false);
    else
        chmod(dir.c_str(), 0755);
}

bool UseCommaLocale()
{
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"};
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (const char* name : names) {
            if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',')
                return true;
        }
#ifdef LMINI_TEST_LOCPATH
        // A locale generated into the build tree when the system has none.
        setenv("LOCPATH", LMINI_TEST_LOCPATH, 1);
#else
        break;
#endif
    }
    RestoreCLocale();
    return false;
}

void RestoreCLocale()
{
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
}

} // namespace lmini_test
