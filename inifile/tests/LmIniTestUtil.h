// Helpers of the parameter-file tests: a scratch directory, whole-file text,
// directory listings, the immutable flag and a comma-decimal locale.
#pragma once

#include <string>
#include <vector>

namespace lmini_test {

// A fresh directory under the system's temporary directory, removed with
// everything in it (immutable flags cleared first) when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);
// Names in a directory, "." and ".." left out, sorted.
std::vector<std::string> ListDir(const std::string& path);

// Sets or clears the immutable flag. False when the file system or the
// process's privileges do not allow it.
bool SetImmutable(const std::string& path, bool on);

// Makes a directory unwritable for this process: mode 0555 for an ordinary
// user, the immutable flag for root (who ignores modes). False when neither
// is possible; Restore undoes it.
bool MakeUnwritable(const std::string& dir);
void RestoreWritable(const std::string& dir);

// Switches the process to a locale whose decimal point is a comma and
// returns true, or returns false when none is installed. RestoreCLocale
// switches back.
bool UseCommaLocale();
void RestoreCLocale();

} // namespace lmini_test
