// Record level: defaults, reading, the writer's exact text and order, round
// trips, point tables and limits.
#include <LmIni.h>

#include "LmIniTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace lmini_test;

namespace {

LmIniRecord Defaults()
{
    LmIniRecord record;
    EXPECT_EQ(LmIniInit(&record), LMINI_OK);
    return record;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The value written for key, or "" when the key is missing.
std::string WrittenValue(const std::string& text, const std::string& key)
{
    for (const std::string& line : Lines(text))
        if (line.rfind(key + " = ", 0) == 0) return line.substr(key.size() + 3);
    return "";
}

class RecordLevel : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.file("para.ini");
};

TEST_F(RecordLevel, InitStoresTheDefaults)
{
    LmIniRecord r;
    std::memset(&r, 0x5a, sizeof r);
    ASSERT_EQ(LmIniInit(&r), LMINI_OK);
    EXPECT_EQ(r.lSmpFreq, 22050);
    EXPECT_EQ(r.lFltPara4, 0);
    EXPECT_STREQ(r.cFltCase, "LPF");
    EXPECT_EQ(r.lFltLng, 128);
    EXPECT_EQ(r.lTukaTaiMax, 11024);
    EXPECT_EQ(r.lBosiTaiMax, 11024);
    EXPECT_EQ(r.lHanteiWW, 10);
    EXPECT_STREQ(r.cSaveFile, "LumData");
    EXPECT_EQ(r.fDataGetTime, 100.0);
    EXPECT_EQ(r.lLimitMin, 1000);
    EXPECT_EQ(r.lLimitMax, 2000);
    EXPECT_EQ(r.fGetWaveDspMin, -2.0);
    EXPECT_EQ(r.fYuragiWaveDspMax, 2.0);
    EXPECT_EQ(r.lGetSpectDspMin, -50);
    EXPECT_EQ(r.lDefSpectDspMind, -50);
    EXPECT_EQ(r.lDefSpectDspMax, -10);
    EXPECT_EQ(r.lNgLimitNo, 3);
    EXPECT_EQ(r.lOrJugF, 1);
    EXPECT_EQ(r.lFftRank, 1);
    EXPECT_EQ(r.fGenTPer, 99.0);
    EXPECT_EQ(r.fGenAPerUpp, 100.0);
    EXPECT_EQ(r.lUnaP1, 1.0);
    EXPECT_EQ(r.lFukuflg, 1);
    EXPECT_EQ(r.fFftP2, 1000.0);
    EXPECT_EQ(r.lAdChNo, 1);
    EXPECT_STREQ(r.cMemo, "");
    for (int k = 0; k < LMINI_POINTS; ++k) {
        EXPECT_EQ(r.fPX1[k], 0.0);
        EXPECT_EQ(r.fEPY2[k], 0.0);
    }
}

TEST_F(RecordLevel, IdentificationOnlyFileGivesExactlyTheDefaults)
{
    WriteText(path, "cFileID = LmParaFile\n");
    LmIniRecord read;
    std::memset(&read, 0x77, sizeof read);
    ASSERT_EQ(LmIniRead(path.c_str(), &read), LMINI_OK);
    LmIniRecord defaults = Defaults();
    EXPECT_EQ(std::memcmp(&read, &defaults, sizeof read), 0);
}

TEST_F(RecordLevel, NonParameterFilesLeaveTheRecordUntouched)
{
    LmIniRecord record, before;
    std::memset(&record, 0xab, sizeof record);
    before = record;
    WriteText(path, "cFileID = LmParaIndxFile\nlSmpFreq = 8000\n");
    EXPECT_EQ(LmIniRead(path.c_str(), &record), LMINI_NOT_PARAFILE);
    WriteText(path, "lSmpFreq = 8000\n");
    EXPECT_EQ(LmIniRead(path.c_str(), &record), LMINI_NOT_PARAFILE);
    EXPECT_EQ(LmIniRead(dir.file("missing.ini").c_str(), &record), LMINI_NOT_PARAFILE);
    EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
}

TEST_F(RecordLevel, ReadAppliesEveryOccurrenceAndSkipsMalformedLines)
{
    WriteText(path,
              "cFileID = LmParaFile\r\n"
              "lSmpFreq = 8000\r\n"
              "lSmpFreq=44100\r\n"           // no blanks: not a definition
              "lSmpFreq = 48000\r\n"         // the last occurrence wins
              "lSmpPitch = 4294967296\r\n"   // beyond 32 bits: the default stays
              "lFltLng = 256\r\n"
              "lFltLng = -99999999999\r\n"   // beyond 32 bits: the earlier 256 stays
              "fPeekSikii = 2.5\r\n"
              "fMenSikii = 1e400\r\n"        // overflows a double: the default stays
              "cFltCase = BPF \r\n"
              "unknown = 5\r\n"
              "cFileID = somethingelse\r\n"); // not a field
    LmIniRecord r;
    ASSERT_EQ(LmIniRead(path.c_str(), &r), LMINI_OK);
    EXPECT_EQ(r.lSmpFreq, 48000);
    EXPECT_EQ(r.lSmpPitch, 1);
    EXPECT_EQ(r.lFltLng, 256);
    EXPECT_EQ(r.fPeekSikii, 2.5);
    EXPECT_EQ(r.fMenSikii, 1.0);
    EXPECT_STREQ(r.cFltCase, "BPF ");
}

TEST_F(RecordLevel, TextsAreCutToTheirFields)
{
    const std::string memo(100, 'm');
    const std::string longCase(300, 'c');
    WriteText(path, "cFileID = LmParaFile\ncMemo = " + memo + "\ncFltCase = " + longCase + "\n");
    LmIniRecord r;
    ASSERT_EQ(LmIniRead(path.c_str(), &r), LMINI_OK);
    EXPECT_EQ(std::string(r.cMemo), memo.substr(0, 80));
    EXPECT_EQ(std::string(r.cFltCase), longCase.substr(0, 255));
}

TEST_F(RecordLevel, WriterTextOrderAndFormats)
{
    LmIniRecord r = Defaults();
    r.fPeekSikii = 0.123456789;
    r.lSmpFreq = -5;
    std::strcpy(r.cMemo, "memo text");
    ASSERT_EQ(LmIniWrite(path.c_str(), &r), LMINI_OK);
    const std::string text = ReadText(path);
    const std::vector<std::string> lines = Lines(text);

    // cFileID and the plain fields, no point lines while both counts are 0.
    ASSERT_EQ(lines.size(), 102u);
    EXPECT_EQ(lines[0], "cFileID = LmParaFile");
    EXPECT_EQ(lines[1], "lSmpFreq = -5");
    EXPECT_EQ(lines[2], "lSmpPitch = 1");
    EXPECT_EQ(lines[8], "cFltCase = LPF");
    EXPECT_EQ(lines[17], "fPeekSikii = 0.12345679"); // eight decimals, rounded
    EXPECT_EQ(WrittenValue(text, "fFftP2"), "1000.00000000");
    EXPECT_EQ(WrittenValue(text, "fGetWaveDspMin"), "-2.00000000");
    EXPECT_EQ(WrittenValue(text, "lUnaP1"), "1.00000000");
    EXPECT_EQ(text.find('\r'), std::string::npos);
    // The board fields are written before the last judgement fields.
    const std::vector<std::string> tail(lines.end() - 7, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "fFftA = 0.00000000", "lAdSbFlg = 0", "lAdChNo = 1",
                        "fPSikiiMen = 1.00000000", "lOMOUflg = 0",
                        "fSikiiOverMen = 1.00000000", "cMemo = memo text"}));

    // Every key once.
    std::map<std::string, int> seen;
    for (const std::string& line : lines) ++seen[line.substr(0, line.find(' '))];
    EXPECT_EQ(seen.size(), lines.size());
}

TEST_F(RecordLevel, WriterUsesTheDecimalPointUnderACommaLocale)
{
    if (!UseCommaLocale())
        GTEST_SKIP() << "no locale with a decimal comma (de_DE.UTF-8) is installed";
    LmIniRecord r = Defaults();
    r.fPeekSikii = 1.5;
    int writeStatus = LmIniWrite(path.c_str(), &r);
    LmIniRecord back;
    int readStatus = LmIniRead(path.c_str(), &back);
    RestoreCLocale();
    ASSERT_EQ(writeStatus, LMINI_OK);
    ASSERT_EQ(readStatus, LMINI_OK);
    EXPECT_EQ(WrittenValue(ReadText(path), "fPeekSikii"), "1.50000000");
    EXPECT_EQ(back.fPeekSikii, 1.5);
}

TEST_F(RecordLevel, PointLinesFollowTheirCounts)
{
    LmIniRecord r = Defaults();
    r.lFftpNo = 2;
    r.fPX1[0] = 1.0;
    r.fPY2[1] = -3.25;
    r.lFftEpNo = 40; // beyond the capacity: all 16 points
    ASSERT_EQ(LmIniWrite(path.c_str(), &r), LMINI_OK);
    std::string text = ReadText(path);
    std::vector<std::string> lines = Lines(text);
    auto at = std::find(lines.begin(), lines.end(), "lFftpNo = 2");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(std::vector<std::string>(at + 1, at + 10),
              (std::vector<std::string>{"fP001-X1 = 1.00000000", "fP001-X2 = 0.00000000",
                                        "fP001-Y1 = 0.00000000", "fP001-Y2 = 0.00000000",
                                        "fP002-X1 = 0.00000000", "fP002-X2 = 0.00000000",
                                        "fP002-Y1 = 0.00000000", "fP002-Y2 = -3.25000000",
                                        "lFPEOUflg = 0"}));
    EXPECT_NE(text.find("fEP016-Y2 = "), std::string::npos);
    EXPECT_EQ(text.find("fEP017-"), std::string::npos);
    EXPECT_EQ(text.find("fP003-"), std::string::npos);
    EXPECT_EQ(WrittenValue(text, "lFftEpNo"), "40"); // the count itself is kept

    r.lFftpNo = -3; // a negative count writes no point
    r.lFftEpNo = 0;
    ASSERT_EQ(LmIniWrite(path.c_str(), &r), LMINI_OK);
    text = ReadText(path);
    EXPECT_EQ(text.find("fP0"), std::string::npos);
    EXPECT_EQ(text.find("fEP0"), std::string::npos);
}

// Offsets of the number fields (point tables apart), for field-by-field work.
#define OFF(name) offsetof(LmIniRecord, name)
const std::vector<size_t> kIntFields = {
    OFF(lSmpFreq), OFF(lSmpPitch), OFF(lFltPara1), OFF(lFltPara2), OFF(lFltPara3),
    OFF(lFltPara4), OFF(lFltGO), OFF(lFltLng), OFF(lSyaDanFreq), OFF(lTukaTaiMin),
    OFF(lTukaTaiMax), OFF(lBosiTaiMin), OFF(lBosiTaiMax), OFF(llnSmpPitch), OFF(lHeikatu),
    OFF(lPeekAnaGo), OFF(lPeekSmpPitch), OFF(lPeekKukanWW), OFF(lHanteiWW), OFF(lExtIntUse),
    OFF(lLimitFlg), OFF(lLimitMin), OFF(lLimitMax), OFF(lSeikiGo), OFF(lWaveRangeMin),
    OFF(lWaveRangeMax), OFF(lGetSpectDspMin), OFF(lYuragiSpectDspMin), OFF(lPowerSpectUse),
    OFF(lSpectDspMin), OFF(lSpectDspMax), OFF(lDefSpectDspMind), OFF(lDefSpectUse),
    OFF(lDefSpectDspMin), OFF(lDefSpectDspMax), OFF(lNgLimitNo), OFF(lFltPara2Low),
    OFF(lAndJugF), OFF(lOrJugF), OFF(lAOJugF), OFF(lAOFlg), OFF(lSOUflg), OFF(lNgOUflg),
    OFF(lOTOUflg), OFF(lFPOUflg), OFF(lFftpNo), OFF(lFPEOUflg), OFF(lFftRank), OFF(lFftEpNo),
    OFF(lGTOUflg), OFF(lGenFlg), OFF(lGAOUflg), OFF(lUMOUflg), OFF(lUnaflg), OFF(lFMOUflg),
    OFF(lFukuflg), OFF(lFAOUflg), OFF(lOMOUflg), OFF(lAdSbFlg), OFF(lAdChNo)};
const std::vector<size_t> kRealFields = {
    OFF(fPeekSikii), OFF(fMenSikii), OFF(fDataGetTime), OFF(fGetWaveDspMin),
    OFF(fGetWaveDspMax), OFF(fYuragiWaveDspMin), OFF(fYuragiWaveDspMax), OFF(f2AveDspMax),
    OFF(fPeekDspMax), OFF(fSikiiOverTime), OFF(fMinGifHi), OFF(fMaxGifHi), OFF(fMinGifLow),
    OFF(fMaxGifLow), OFF(fPSikiiUpp), OFF(fPSikiiLow), OFF(fPSikiiNoUpp), OFF(fPSikiiNoLow),
    OFF(fPSikiiTimeUpp), OFF(fPSikiiTimeLow), OFF(fGenTSikii), OFF(fGenTPer), OFF(fGenTime),
    OFF(fGenAPerUpp), OFF(fGenAPerLow), OFF(fGenA), OFF(lUnaP1), OFF(fUnaT1), OFF(fUnaT2),
    OFF(fUnaMen), OFF(fFukuT1), OFF(fFukuT2), OFF(fFukuMen), OFF(fFftP1), OFF(fFftP2),
    OFF(fFftA), OFF(fPSikiiMen), OFF(fSikiiOverMen)};
#undef OFF

int32_t& IntAt(LmIniRecord& r, size_t offset)
{
    return *reinterpret_cast<int32_t*>(reinterpret_cast<char*>(&r) + offset);
}
double& RealAt(LmIniRecord& r, size_t offset)
{
    return *reinterpret_cast<double*>(reinterpret_cast<char*>(&r) + offset);
}
std::vector<double*> PointTables(LmIniRecord& r)
{
    return {r.fPX1, r.fPX2, r.fPY1, r.fPY2, r.fEPX1, r.fEPX2, r.fEPY1, r.fEPY2};
}

// Every field gets a value of its own, so that a field written under the
// wrong key or read into the wrong place shows.
LmIniRecord DistinctRecord()
{
    LmIniRecord r = Defaults();
    int32_t next = INT32_MIN;
    for (size_t offset : kIntFields) {
        IntAt(r, offset) = next;
        next += 70000001;
    }
    double value = -1234.5678901234;
    for (size_t offset : kRealFields) {
        RealAt(r, offset) = value;
        value = value * -1.37 + 0.001;
    }
    std::vector<double*> tables = PointTables(r);
    for (size_t t = 0; t < tables.size(); ++t)
        for (int k = 0; k < LMINI_POINTS; ++k) tables[t][k] = 1000.0 * double(t) + k + 0.5;
    r.lFftpNo = 16;
    r.lFftEpNo = 12;
    r.fPSikiiUpp = 9999999999.0; // as the application writes it
    std::strcpy(r.cFltCase, "BEF");
    std::strcpy(r.cSaveFile, "/data/run/LumData-007");
    std::strcpy(r.cMemo, "first \tmemo = with blanks ");
    return r;
}

TEST_F(RecordLevel, TestListsCoverTheWholeRecord)
{
    // 2161 bytes is the record without padding: the lists above miss nothing.
    EXPECT_EQ(4 * kIntFields.size() + 8 * kRealFields.size() + 8 * 8 * LMINI_POINTS +
                  2 * LMINI_TEXT_SIZE + LMINI_MEMO_SIZE,
              2161u);
}

TEST_F(RecordLevel, WriteReadRoundTripOfAFullRecord)
{
    LmIniRecord written = DistinctRecord();
    ASSERT_EQ(LmIniWrite(path.c_str(), &written), LMINI_OK);
    LmIniRecord read;
    std::memset(&read, 0x33, sizeof read);
    ASSERT_EQ(LmIniRead(path.c_str(), &read), LMINI_OK);

    for (size_t offset : kIntFields)
        EXPECT_EQ(IntAt(read, offset), IntAt(written, offset)) << "offset " << offset;
    // Eight decimals: the text is within 5e-9 of the value, and reading it
    // back adds at most a few units in the last place.
    for (size_t offset : kRealFields) {
        double expected = RealAt(written, offset);
        EXPECT_NEAR(RealAt(read, offset), expected, 5e-9 + 4e-16 * std::fabs(expected))
            << "offset " << offset;
    }
    // Points 1 … 8 come back; 9 … 16 are written (where the count reaches
    // them) but not read, so they keep the default 0.
    std::vector<double*> before = PointTables(written), after = PointTables(read);
    for (size_t t = 0; t < before.size(); ++t) {
        for (int k = 0; k < LMINI_POINTS; ++k) {
            double expected = k < LMINI_POINTS_READ ? before[t][k] : 0.0;
            EXPECT_EQ(after[t][k], expected) << "table " << t << " point " << k + 1;
        }
    }
    const std::string text = ReadText(path);
    EXPECT_NE(text.find("fP016-Y2 = 3015.50000000"), std::string::npos);
    EXPECT_NE(text.find("fEP012-Y2 = 7011.50000000"), std::string::npos);
    EXPECT_EQ(text.find("fEP013-"), std::string::npos);
    EXPECT_EQ(WrittenValue(text, "fPSikiiUpp"), "9999999999.00000000");
    EXPECT_STREQ(read.cFltCase, "BEF");
    EXPECT_STREQ(read.cSaveFile, written.cSaveFile);
    EXPECT_STREQ(read.cMemo, written.cMemo);
}

TEST_F(RecordLevel, MoveCopiesEveryField)
{
    const LmIniRecord source = DistinctRecord();
    LmIniRecord destination = Defaults();
    LmIniMove(&source, &destination);
    EXPECT_EQ(std::memcmp(&source, &destination, sizeof source), 0);
    LmIniMove(&destination, &destination);
    EXPECT_EQ(std::memcmp(&source, &destination, sizeof source), 0);
    LmIniMove(nullptr, &destination);
    LmIniMove(&source, nullptr);
}

TEST_F(RecordLevel, WriteFailuresLeaveTheOldFileAlone)
{
    LmIniRecord r = Defaults();
    EXPECT_EQ(LmIniWrite(dir.file("no/such/dir/x.ini").c_str(), &r), LMINI_OPEN_ERROR);
    EXPECT_EQ(LmIniWrite(nullptr, &r), LMINI_OPEN_ERROR);
    EXPECT_EQ(LmIniWrite(path.c_str(), nullptr), LMINI_NO_MEMORY);

    // A directory in the file's place is not replaced by a file.
    const std::string occupied = dir.file("occupied.ini");
    ASSERT_EQ(mkdir(occupied.c_str(), 0755), 0);
    WriteText(occupied + "/inside", "keep");
    EXPECT_EQ(LmIniWrite(occupied.c_str(), &r), LMINI_OPEN_ERROR);
    EXPECT_EQ(ReadText(occupied + "/inside"), "keep");
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"occupied.ini"});
}

TEST_F(RecordLevel, WriteKeepsPermissionsAndFollowsLinks)
{
    LmIniRecord r = Defaults();
    WriteText(path, "old");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const std::string link = dir.file("link.ini");
    ASSERT_EQ(symlink("para.ini", link.c_str()), 0);
    ASSERT_EQ(LmIniWrite(link.c_str(), &r), LMINI_OK);

    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(LmIniFchk(0, path.c_str()), 0);
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"link.ini", "para.ini"}));
}

} // namespace
