// Scratch directory and file helpers for the result-file tests.
#ifndef LMWACORE_TESTS_TESTFILES_H
#define LMWACORE_TESTS_TESTFILES_H

#include <string>

// A fresh directory under the system's temporary directory, removed with its
// contents on destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& contents);

// Switches the process to a locale whose decimal point is a comma when one is
// installed; the previous locale returns on destruction. active() tells
// whether such a locale was found.
class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    bool active() const { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};

#endif
