// Key level: line syntax, LmIniGetS/GetL/GetF, LmIniChkf, LmIniFchk and
// hostile input.
#include <LmIni.h>

#include "LmIniTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

using namespace lmini_test;

namespace {

class KeyLevel : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.file("env.bet");

    int32_t GetL(const std::string& text, const char* key, int32_t start = -1)
    {
        WriteText(path, text);
        int32_t value = start;
        lastStatus = LmIniGetL(path.c_str(), key, &value);
        return value;
    }
    double GetF(const std::string& text, const char* key, double start = -1.0)
    {
        WriteText(path, text);
        double value = start;
        lastStatus = LmIniGetF(path.c_str(), key, &value);
        return value;
    }
    int lastStatus = -1;
};

TEST_F(KeyLevel, KeyAndEqualsSignMustBeTokensOfTheirOwn)
{
    EXPECT_EQ(GetL("lSmpFreq = 44100\n", "lSmpFreq"), 44100);
    EXPECT_EQ(lastStatus, LMINI_OK);
    EXPECT_EQ(GetL("  \t lSmpFreq\t=\t44100\n", "lSmpFreq"), 44100);
    EXPECT_EQ(lastStatus, LMINI_OK);

    for (const char* line : {"lSmpFreq=44100\n", "lSmpFreq =44100\n", "lSmpFreq= 44100\n",
                             "lSmpFreqX = 44100\n", "xlSmpFreq = 44100\n", "lsmpfreq = 44100\n",
                             "# lSmpFreq = 44100\n", "lSmpFreq == 44100\n", "lSmpFreq : 44100\n"}) {
        EXPECT_EQ(GetL(line, "lSmpFreq"), -1) << line;
        EXPECT_EQ(lastStatus, LMINI_NOT_FOUND) << line;
    }
}

TEST_F(KeyLevel, FirstOccurrenceWinsAndOtherLinesAreIgnored)
{
    const std::string text = "; comment\n\nlSmpFreq=1\nChannel = 2\nlSmpFreq = 3\nlSmpFreq = 4\n";
    EXPECT_EQ(GetL(text, "lSmpFreq"), 3);
    EXPECT_EQ(GetL(text, "Channel"), 2);
}

TEST_F(KeyLevel, LastLineWithoutLineEndAndCrLfLines)
{
    EXPECT_EQ(GetL("a = 1\r\nlSmpFreq = 8000", "lSmpFreq"), 8000);
    EXPECT_EQ(lastStatus, LMINI_OK);

    WriteText(path, "FileName = stem \r\nFileID = a\rb\nEmpty =\r\n");
    char buffer[64];
    ASSERT_EQ(LmIniGetS(path.c_str(), "FileName", sizeof buffer, buffer), LMINI_OK);
    EXPECT_STREQ(buffer, "stem "); // trailing blank kept, CR LF dropped
    ASSERT_EQ(LmIniGetS(path.c_str(), "FileID", sizeof buffer, buffer), LMINI_OK);
    EXPECT_STREQ(buffer, "a"); // the value ends at the first CR
    ASSERT_EQ(LmIniGetS(path.c_str(), "Empty", sizeof buffer, buffer), LMINI_OK);
    EXPECT_STREQ(buffer, "");
}

TEST_F(KeyLevel, GetSNeedsRoomForTheTerminatingZero)
{
    WriteText(path, "FileName = 0123456789\n");
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LmIniGetS(path.c_str(), "FileName", 10, buffer), LMINI_BUFFER_SMALL);
    EXPECT_EQ(buffer[0], 'x'); // untouched on failure
    EXPECT_EQ(LmIniGetS(path.c_str(), "FileName", 11, buffer), LMINI_OK);
    EXPECT_STREQ(buffer, "0123456789");
    EXPECT_EQ(LmIniGetS(path.c_str(), "FileName", 0, buffer), LMINI_BUFFER_SMALL);
    EXPECT_EQ(LmIniGetS(path.c_str(), "FileName", -5, buffer), LMINI_BUFFER_SMALL);
    EXPECT_EQ(LmIniGetS(path.c_str(), "FileName", 11, nullptr), LMINI_BUFFER_SMALL);
}

TEST_F(KeyLevel, MissingFileKeyOrDirectory)
{
    char buffer[16];
    int32_t value = 5;
    const std::string missing = dir.file("nothing.bet");
    EXPECT_EQ(LmIniChkf(missing.c_str()), 1);
    EXPECT_EQ(LmIniGetS(missing.c_str(), "a", sizeof buffer, buffer), LMINI_OPEN_ERROR);
    EXPECT_EQ(LmIniGetL(missing.c_str(), "a", &value), LMINI_OPEN_ERROR);
    EXPECT_EQ(value, 5);

    // A directory cannot be opened as a file.
    EXPECT_EQ(LmIniChkf(dir.path().c_str()), 1);
    EXPECT_EQ(LmIniGetL(dir.path().c_str(), "a", &value), LMINI_OPEN_ERROR);

    WriteText(path, "a = 1\n");
    EXPECT_EQ(LmIniChkf(path.c_str()), 0);
    EXPECT_EQ(LmIniGetL(path.c_str(), "b", &value), LMINI_NOT_FOUND);
    EXPECT_EQ(LmIniGetL(path.c_str(), nullptr, &value), LMINI_NOT_FOUND);
    EXPECT_EQ(LmIniGetL(nullptr, "a", &value), LMINI_OPEN_ERROR);
    EXPECT_EQ(LmIniChkf(nullptr), 1);
    EXPECT_EQ(value, 5);
}

TEST_F(KeyLevel, IntegersScanLikeLongConversion)
{
    EXPECT_EQ(GetL("k =   -7\n", "k"), -7);
    EXPECT_EQ(GetL("k = +12abc\n", "k"), 12); // stops at the first non-digit
    EXPECT_EQ(GetL("k = 3.9\n", "k"), 3);
    EXPECT_EQ(GetL("k = abc\n", "k", 42), 42); // not a number: unchanged, still 0
    EXPECT_EQ(lastStatus, LMINI_OK);
    EXPECT_EQ(GetL("k =\n", "k", 42), 42);
    EXPECT_EQ(GetL("k = -\n", "k", 42), 42);
}

TEST_F(KeyLevel, IntegersBeyond32BitsLeaveTheTargetUnchanged)
{
    EXPECT_EQ(GetL("k = 2147483647\n", "k"), INT32_MAX);
    EXPECT_EQ(GetL("k = -2147483648\n", "k"), INT32_MIN);
    for (const char* text : {"k = 2147483648\n", "k = -2147483649\n", "k = 4294967296\n",
                             "k = 99999999999999999999999999999999999999\n"}) {
        EXPECT_EQ(GetL(text, "k", 42), 42) << text;
        EXPECT_EQ(lastStatus, LMINI_OK) << text;
    }
}

TEST_F(KeyLevel, RealsScanLikeDoubleConversion)
{
    EXPECT_DOUBLE_EQ(GetF("k = 1.5\n", "k"), 1.5);
    EXPECT_DOUBLE_EQ(GetF("k = -2.5e-3xyz\n", "k"), -2.5e-3);
    EXPECT_DOUBLE_EQ(GetF("k = 7\n", "k"), 7.0);
    EXPECT_DOUBLE_EQ(GetF("k = zero\n", "k", 3.25), 3.25);
    EXPECT_EQ(lastStatus, LMINI_OK);
    // A magnitude beyond a double is not taken as infinity.
    EXPECT_DOUBLE_EQ(GetF("k = 1e999\n", "k", 3.25), 3.25);
    EXPECT_DOUBLE_EQ(GetF("k = -1e999\n", "k", 3.25), 3.25);
}

TEST_F(KeyLevel, RealsUseTheDecimalPointUnderACommaLocale)
{
    if (!UseCommaLocale())
        GTEST_SKIP() << "no locale with a decimal comma (de_DE.UTF-8) is installed";
    double value = GetF("k = 1.5\n", "k");
    double comma = GetF("k = 1,5\n", "k");
    RestoreCLocale();
    EXPECT_DOUBLE_EQ(value, 1.5);
    EXPECT_DOUBLE_EQ(comma, 1.0); // the comma is not a decimal point in the file
}

TEST_F(KeyLevel, IdentificationCheck)
{
    WriteText(path, "cFileID = LmParaFile\n");
    EXPECT_EQ(LmIniFchk(0, path.c_str()), 0);
    EXPECT_EQ(LmIniFchk(1, path.c_str()), 1);
    WriteText(path, "cFileID = LmParaIndxFile\n");
    EXPECT_EQ(LmIniFchk(1, path.c_str()), 0);
    EXPECT_EQ(LmIniFchk(0, path.c_str()), 1);
    WriteText(path, "cFileID = LmParaFile \n"); // trailing blank is part of the value
    EXPECT_EQ(LmIniFchk(0, path.c_str()), 1);
    WriteText(path, "cFileID=LmParaFile\n");
    EXPECT_EQ(LmIniFchk(0, path.c_str()), 1);
    WriteText(path, "cFileID = " + std::string(300, 'L') + "\n"); // longer than 255
    EXPECT_EQ(LmIniFchk(0, path.c_str()), 1);
    EXPECT_EQ(LmIniFchk(0, dir.file("missing.ini").c_str()), 1);
}

TEST_F(KeyLevel, MegabyteLinesAreReadWhole)
{
    const std::string big(1 << 20, 'q');
    WriteText(path, "junk " + big + "\nFileName = " + big + "\nlSmpFreq = 5");
    int32_t value = 0;
    EXPECT_EQ(LmIniGetL(path.c_str(), "lSmpFreq", &value), LMINI_OK);
    EXPECT_EQ(value, 5);

    std::string buffer(big.size() + 1, '\0');
    ASSERT_EQ(LmIniGetS(path.c_str(), "FileName", int(buffer.size()), buffer.data()), LMINI_OK);
    EXPECT_EQ(std::strlen(buffer.c_str()), big.size());
    EXPECT_EQ(LmIniGetS(path.c_str(), "FileName", int(big.size()), buffer.data()),
              LMINI_BUFFER_SMALL);
}

TEST_F(KeyLevel, BinaryContentIsHarmless)
{
    // Random bytes with NULs, CRs and LFs, then one real line.
    std::mt19937 random(1234);
    std::string bytes(256 * 1024, '\0');
    for (char& c : bytes) c = char(random() & 0xff);
    WriteText(path, bytes + "\nlSmpFreq = 7\n");
    int32_t value = 0;
    EXPECT_EQ(LmIniGetL(path.c_str(), "lSmpFreq", &value), LMINI_OK);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(LmIniFchk(0, path.c_str()), 1);

    // A NUL inside a value ends it, as it would end a C string.
    WriteText(path, std::string("FileName = ab\0cd\n", 17));
    char buffer[8];
    EXPECT_EQ(LmIniGetS(path.c_str(), "FileName", 3, buffer), LMINI_OK);
    EXPECT_STREQ(buffer, "ab");
}

} // namespace
