// Failures of single file operations, made through the file-operation seam:
// every one leaves the old file as it was and no temporary file behind.
#include <LmIni.h>

#include "LmIniFileOps.h"
#include "LmIniTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

using namespace lmini_test;

namespace {

class Fault : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.file("para.ini");
    const std::string old = "cFileID = LmParaFile\nlSmpFreq = 8000\n";

    void SetUp() override { WriteText(path, old); }
    void TearDown() override { lmini::Os() = lmini::RealOs(); }

    void ExpectOldFileOnly()
    {
        EXPECT_EQ(ReadText(path), old);
        EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"para.ini"});
    }
    int WriteRecord()
    {
        LmIniRecord record;
        LmIniInit(&record);
        return LmIniWrite(path.c_str(), &record);
    }
};

ssize_t FailWrite(int, const void*, size_t)
{
    errno = ENOSPC;
    return -1;
}
int FailSync(int)
{
    errno = EIO;
    return -1;
}
int FailClose(int fd)
{
    lmini::RealOs().close(fd);
    errno = EIO;
    return -1;
}
int FailRename(const char*, const char*)
{
    errno = EXDEV;
    return -1;
}
int FailMakeTemp(char*)
{
    errno = EROFS;
    return -1;
}
int NoUnnamedTemp(const char*)
{
    errno = EOPNOTSUPP;
    return -1;
}

TEST_F(Fault, DiskFullWhileWriting)
{
    lmini::Os().write = FailWrite;
    EXPECT_EQ(LmIniPutS(path.c_str(), "lSmpFreq", "44100"), LMINI_WRITE_ERROR);
    EXPECT_EQ(WriteRecord(), LMINI_WRITE_ERROR);
    ExpectOldFileOnly();
}

TEST_F(Fault, FlushOrCloseFails)
{
    lmini::Os().fsync = FailSync;
    EXPECT_EQ(LmIniPutS(path.c_str(), "lSmpFreq", "44100"), LMINI_WRITE_ERROR);
    ExpectOldFileOnly();
    lmini::Os() = lmini::RealOs();
    lmini::Os().close = FailClose;
    EXPECT_EQ(WriteRecord(), LMINI_WRITE_ERROR);
    ExpectOldFileOnly();
}

TEST_F(Fault, RenameFails)
{
    lmini::Os().rename = FailRename;
    EXPECT_EQ(LmIniPutS(path.c_str(), "lSmpFreq", "44100"), LMINI_RENAME_ERROR);
    EXPECT_EQ(LmIniPutS(dir.file("new.bet").c_str(), "a", "1"), LMINI_RENAME_ERROR);
    EXPECT_EQ(WriteRecord(), LMINI_RENAME_ERROR);
    ExpectOldFileOnly();
}

TEST_F(Fault, TemporaryFileCannotBeCreated)
{
    lmini::Os().makeUnnamedTemp = NoUnnamedTemp;
    lmini::Os().makeTemp = FailMakeTemp;
    EXPECT_EQ(LmIniPutS(path.c_str(), "lSmpFreq", "44100"), LMINI_OPEN_ERROR);
    EXPECT_EQ(WriteRecord(), LMINI_OPEN_ERROR);
    ExpectOldFileOnly();
}

TEST_F(Fault, WithoutUnnamedFilesANamedTemporaryIsUsed)
{
    // A file system without O_TMPFILE: the named fallback, failures included.
    lmini::Os().makeUnnamedTemp = NoUnnamedTemp;
    ASSERT_EQ(LmIniPutS(path.c_str(), "lSmpFreq", "44100"), LMINI_OK);
    EXPECT_EQ(ReadText(path), "cFileID = LmParaFile\nlSmpFreq = 44100\n");
    lmini::Os().write = FailWrite;
    EXPECT_EQ(LmIniPutS(path.c_str(), "lSmpFreq", "8000"), LMINI_WRITE_ERROR);
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"para.ini"});
}

// Accepts at most three bytes per call, as a pipe or a signal might.
ssize_t ShortWrite(int fd, const void* data, size_t size)
{
    return lmini::RealOs().write(fd, data, size < 3 ? size : 3);
}

TEST_F(Fault, ShortWritesStillWriteEverything)
{
    lmini::Os().write = ShortWrite;
    ASSERT_EQ(LmIniPutS(path.c_str(), "lSmpFreq", "44100"), LMINI_OK);
    EXPECT_EQ(ReadText(path), "cFileID = LmParaFile\nlSmpFreq = 44100\n");
}

// A stream whose reads fail after the first line.
ssize_t FailingRead(void* cookie, char* buffer, size_t size)
{
    int& calls = *static_cast<int*>(cookie);
    if (calls++ > 0) {
        errno = EIO;
        return -1;
    }
    const char first[] = "cFileID = LmParaFile\n";
    size_t length = std::min(size, sizeof first - 1);
    std::memcpy(buffer, first, length);
    return ssize_t(length);
}
int CloseCookie(void*) { return 0; }
int gReadCalls = 0;
std::FILE* OpenFailingStream(const char*)
{
    gReadCalls = 0;
    cookie_io_functions_t io = {FailingRead, nullptr, nullptr, CloseCookie};
    return fopencookie(&gReadCalls, "r", io);
}

TEST_F(Fault, ReadErrorIsReportedAndNothingIsReplaced)
{
    lmini::Os().openRead = OpenFailingStream;
    EXPECT_EQ(LmIniPutS(path.c_str(), "lSmpFreq", "44100"), LMINI_READ_ERROR);
    char buffer[32];
    EXPECT_EQ(LmIniGetS(path.c_str(), "lSmpFreq", sizeof buffer, buffer), LMINI_READ_ERROR);
    LmIniRecord record;
    EXPECT_EQ(LmIniRead(path.c_str(), &record), LMINI_READ_ERROR); // cFileID read, then the error
    ExpectOldFileOnly();
}

} // namespace
