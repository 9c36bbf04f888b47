#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <climits>
#include <cstdint>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "LmWACore.h"
#include "TestFiles.h"

using namespace std::string_literals;

namespace {

std::vector<double> Samples(const WAData& data)
{
    std::vector<double> values(data.GetSize());
    if (!values.empty()) {
        EXPECT_EQ(data.GetData(values.data()), WA_OK);
    }
    return values;
}

void Fill(WAData& data, std::vector<double> values, uint32_t sampFreq)
{
    ASSERT_EQ(data.SetData(values.data(), static_cast<uint32_t>(values.size()), sampFreq), WA_OK);
}

// Runs body in a child process and returns how far its resident memory rose
// above what it had at the start (a fork starts the high-water mark afresh),
// or SIZE_MAX when body failed.
std::size_t PeakGrowth(const std::function<bool()>& body)
{
    const auto kib = [](const char* key) {
        std::ifstream status("/proc/self/status");
        std::string word;
        std::size_t value = 0;
        while (status >> word) {
            if (word == key && status >> value) {
                return value;
            }
        }
        return std::size_t(0);
    };
    int channel[2];
    if (pipe(channel) != 0) {
        return SIZE_MAX;
    }
    const pid_t child = fork();
    if (child == 0) {
        const std::size_t before = kib("VmHWM:");
        std::size_t growth = body() ? (kib("VmHWM:") - before) * 1024 : SIZE_MAX;
        _exit(write(channel[1], &growth, sizeof growth) == sizeof growth ? 0 : 1);
    }
    std::size_t growth = SIZE_MAX;
    if (child < 0 || read(channel[0], &growth, sizeof growth) != sizeof growth) {
        growth = SIZE_MAX;
    }
    close(channel[0]);
    close(channel[1]);
    int status = 0;
    waitpid(child, &status, 0);
    return growth;
}

std::vector<std::string> Names(const std::string& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RawDataFile : public ::testing::Test {
protected:
    // Loads contents written to a file into a target that already holds
    // [7, 8] at 50 Hz, and expects status and an unchanged target on failure.
    void ExpectRejected(const std::string& contents, int status)
    {
        const std::string path = dir.Path("bad.rdt");
        WriteWholeFile(path, contents);
        WAData target;
        Fill(target, {7.0, 8.0}, 50);
        EXPECT_EQ(LoadRawData(path.c_str(), target), status);
        EXPECT_EQ(target.GetSize(), 2u);
        EXPECT_EQ(target.GetSampFreq(), 50u);
        EXPECT_EQ(Samples(target), (std::vector<double>{7.0, 8.0}));
    }

    // Loads contents and returns the samples (status 0 expected).
    std::vector<double> LoadText(const std::string& contents, uint32_t* sampFreq = nullptr)
    {
        const std::string path = dir.Path("good.rdt");
        WriteWholeFile(path, contents);
        WAData target;
        EXPECT_EQ(LoadRawData(path.c_str(), target), WA_OK);
        if (sampFreq != nullptr) {
            *sampFreq = target.GetSampFreq();
        }
        return Samples(target);
    }

    ScratchDir dir;
};

}  // namespace

TEST_F(RawDataFile, ThreePointsGiveTheExactText)
{
    WAData data;
    Fill(data, {0.5, -0.25, 1.0 / 3.0}, 1000);
    const std::string path = dir.Path("three.rdt");
    ASSERT_EQ(SaveRawData(path.c_str(), data), WA_OK);
    EXPECT_EQ(ReadWholeFile(path),
              "SampFreq=1000\n"
              "Size=3\n"
              "0.5000000000\n"
              "-0.2500000000\n"
              "0.3333333333\n");
}

TEST_F(RawDataFile, ThreePointsReadBack)
{
    WAData data;
    Fill(data, {0.5, -0.25, 1.0 / 3.0}, 1000);
    const std::string path = dir.Path("three.rdt");
    ASSERT_EQ(SaveRawData(path.c_str(), data), WA_OK);
    WAData back;
    ASSERT_EQ(LoadRawData(path.c_str(), back), WA_OK);
    EXPECT_EQ(back.GetSize(), 3u);
    EXPECT_EQ(back.GetSampFreq(), 1000u);
    const std::vector<double> values = Samples(back);
    EXPECT_EQ(values[0], 0.5);
    EXPECT_EQ(values[1], -0.25);
    EXPECT_EQ(values[2], 0.3333333333);
}

TEST_F(RawDataFile, LargeRoundTripKeepsTenDecimals)
{
    std::mt19937 random(3);
    std::normal_distribution<double> volts(0.0, 3.0);
    std::vector<double> values(200000);
    for (double& v : values) {
        v = volts(random);
    }
    values[0] = -0.0;
    values[1] = 1e6 + 0.123456789012;
    WAData data;
    Fill(data, values, 44100);
    const std::string path = dir.Path("large.rdt");
    ASSERT_EQ(SaveRawData(path.c_str(), data), WA_OK);
    WAData back;
    ASSERT_EQ(LoadRawData(path.c_str(), back), WA_OK);
    ASSERT_EQ(back.GetSize(), values.size());
    EXPECT_EQ(back.GetSampFreq(), 44100u);
    const std::vector<double> read = Samples(back);
    for (std::size_t i = 0; i < values.size(); ++i) {
        // Ten decimals: the rounding error is at most half a unit of 1e-10,
        // plus the representation error of the read value.
        ASSERT_NEAR(read[i], values[i], 0.5e-10 + 1e-15 * std::fabs(values[i])) << i;
    }
}

TEST_F(RawDataFile, ReaderAcceptsCrLfNoFinalLineEndAndIgnoresExtraLines)
{
    uint32_t sampFreq = 0;
    EXPECT_EQ(LoadText("SampFreq=8000\r\nSize=3\r\n1.5\r\n-2\r\n3e-1", &sampFreq),
              (std::vector<double>{1.5, -2.0, 0.3}));
    EXPECT_EQ(sampFreq, 8000u);
    EXPECT_EQ(LoadText("SampFreq=10\nSize=2\n1\n2\n3\nSize=99\n"), (std::vector<double>{1.0, 2.0}));
}

TEST_F(RawDataFile, SampleLinesAreReadAsStrtodReadsThem)
{
    EXPECT_EQ(LoadText("SampFreq=10\nSize=8\n"
                       "  +4.5\n"
                       "0x1p-1\n"
                       "-1E2\n"
                       "abc\n"
                       "\n"
                       "7 volts\n"
                       "1,5\n"
                       "-.25\n"),
              (std::vector<double>{4.5, 0.5, -100.0, 0.0, 0.0, 7.0, 1.0, -0.25}));
    const std::vector<double> special = LoadText("SampFreq=10\nSize=2\ninf\nnan\n");
    EXPECT_TRUE(std::isinf(special[0]));
    EXPECT_TRUE(std::isnan(special[1]));
}

TEST_F(RawDataFile, NulBytesEndANumberButNotTheLine)
{
    const std::string text = "SampFreq=10\nSize=3\n2.5\0" "99\n\0\n-1\n"s;
    EXPECT_EQ(LoadText(text), (std::vector<double>{2.5, 0.0, -1.0}));
    ExpectRejected("SampFreq=\0" "10\nSize=1\n1\n"s, WA_ERR_FILE_FORMAT);
}

TEST_F(RawDataFile, HeaderNumbersFollowStrtol)
{
    uint32_t sampFreq = 0;
    EXPECT_EQ(LoadText("SampFreq= +1000.9 Hz\nSize=1 point\n5\n", &sampFreq), (std::vector<double>{5.0}));
    EXPECT_EQ(sampFreq, 1000u);
    EXPECT_EQ(LoadText("SampFreq=2147483647\nSize=1\n5\n", &sampFreq), (std::vector<double>{5.0}));
    EXPECT_EQ(sampFreq, 2147483647u);
}

TEST_F(RawDataFile, MalformedHeadersAreRejected)
{
    ExpectRejected("", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=0\nSize=1\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=\nSize=1\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=-1000\nSize=1\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=2147483648\nSize=1\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=99999999999999999999\nSize=1\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("sampfreq=1000\nSize=1\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=1000\nCount=1\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=1000\nSize=0\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=1000\nSize=-3\n1\n2\n3\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=1000\nSize=abc\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=1000\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("\xEF\xBB\xBFSampFreq=1000\nSize=1\n1\n", WA_ERR_FILE_FORMAT);
}

TEST_F(RawDataFile, FewerSampleLinesThanAnnouncedAreRejected)
{
    ExpectRejected("SampFreq=1000\nSize=5\n1\n2\n3\n4\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=1000\nSize=2\n1\n", WA_ERR_FILE_FORMAT);
}

TEST_F(RawDataFile, HugeSizeIsRejectedWithoutAllocating)
{
    // Sizes the file cannot hold are refused before any allocation, whatever
    // the memory limit; these would otherwise ask for up to 16 GiB.
    ExpectRejected("SampFreq=1000\nSize=2147483647\n1\n2\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=1000\nSize=4294967295\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=1000\nSize=100000000\n" + std::string(1000, '\n'), WA_ERR_FILE_FORMAT);
}

TEST_F(RawDataFile, LongHeaderLinesAreRejected)
{
    ExpectRejected("SampFreq=1000" + std::string(100000, ' ') + "\nSize=1\n1\n", WA_ERR_FILE_FORMAT);
    ExpectRejected("SampFreq=1000\nSize=1" + std::string(100000, '0') + "\n1\n", WA_ERR_FILE_FORMAT);
    // 1022 characters and the line end fit the 1023 a header line may take.
    const std::string longest = "SampFreq=1000" + std::string(1022 - 13, ' ') + "\n";
    EXPECT_EQ(LoadText(longest + "Size=1\n9\n"), (std::vector<double>{9.0}));
    ExpectRejected("SampFreq=1000" + std::string(1023 - 13, ' ') + "\nSize=1\n9\n", WA_ERR_FILE_FORMAT);
}

TEST_F(RawDataFile, LongSampleLinesAreReadWhole)
{
    // A line far longer than the read buffer is one sample, not several.
    const std::string longLine = "1" + std::string(400000, '0') + "e-400000";
    EXPECT_EQ(LoadText("SampFreq=10\nSize=2\n" + longLine + "\n2\n"), (std::vector<double>{1.0, 2.0}));
}

TEST_F(RawDataFile, BinaryGarbageIsRejected)
{
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        std::string garbage(1 + random() % 5000, '\0');
        for (char& c : garbage) {
            c = static_cast<char>(random());
        }
        ExpectRejected(garbage, WA_ERR_FILE_FORMAT);
    }
    ExpectRejected(std::string(300000, '\0'), WA_ERR_FILE_FORMAT);
}

TEST_F(RawDataFile, GarbageAfterAValidHeaderNeverCrashes)
{
    std::mt19937 random(12);
    for (int round = 0; round < 50; ++round) {
        std::string body(1 + random() % 3000, '\0');
        for (char& c : body) {
            c = static_cast<char>(random());
        }
        const std::string path = dir.Path("body.rdt");
        WriteWholeFile(path, "SampFreq=100\nSize=" + std::to_string(1 + random() % 40) + "\n" + body);
        WAData target;
        const int status = LoadRawData(path.c_str(), target);
        EXPECT_TRUE(status == WA_OK || status == WA_ERR_FILE_FORMAT) << status;
        EXPECT_EQ(target.GetSize() != 0, status == WA_OK);
    }
}

TEST_F(RawDataFile, FilesThatCannotBeReadGiveMinus300)
{
    WAData target;
    Fill(target, {1.0}, 10);
    EXPECT_EQ(LoadRawData(dir.Path("missing.rdt").c_str(), target), WA_ERR_FILE_OPEN);
    EXPECT_EQ(LoadRawData(dir.dir().c_str(), target), WA_ERR_FILE_OPEN);
    EXPECT_EQ(LoadRawData("", target), WA_ERR_FILE_OPEN);
    EXPECT_EQ(LoadRawData(nullptr, target), WA_ERR_FILE_OPEN);
    const std::string fifo = dir.Path("fifo.rdt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(LoadRawData(fifo.c_str(), target), WA_ERR_FILE_OPEN);  // must not wait for a writer
    EXPECT_EQ(LoadRawData("/dev/zero", target), WA_ERR_FILE_OPEN);
    EXPECT_EQ(target.GetSize(), 1u);
    EXPECT_EQ(Samples(target), (std::vector<double>{1.0}));
}

TEST_F(RawDataFile, WriterStatusCodes)
{
    WAData empty;
    EXPECT_EQ(SaveRawData(dir.Path("empty.rdt").c_str(), empty), WA_ERR_NO_DATA);
    WAData data;
    Fill(data, {1.0, 2.0}, 10);
    EXPECT_EQ(SaveRawData(dir.Path("no/such/dir.rdt").c_str(), data), WA_ERR_FILE_OPEN);
    EXPECT_EQ(SaveRawData(dir.dir().c_str(), data), WA_ERR_FILE_OPEN);
    EXPECT_EQ(SaveRawData(nullptr, data), WA_ERR_FILE_OPEN);
    EXPECT_EQ(SaveRawData("/dev/full", data), WA_ERR_FILE_WRITE);
    if (geteuid() != 0) {  // root writes into read-only directories anyway
        const std::string locked = dir.Path("locked");
        ASSERT_EQ(mkdir(locked.c_str(), 0500), 0);
        EXPECT_EQ(SaveRawData((locked + "/a.rdt").c_str(), data), WA_ERR_FILE_OPEN);
    }
}

TEST_F(RawDataFile, FullDiskIsReportedForLargeFilesToo)
{
    // Larger than the writer's buffer, so the failure shows during writing.
    WAData data;
    Fill(data, std::vector<double>(100000, -1.25), 10);
    EXPECT_EQ(SaveRawData("/dev/full", data), WA_ERR_FILE_WRITE);
}

TEST_F(RawDataFile, WriterReplacesAnOldFile)
{
    const std::string path = dir.Path("old.rdt");
    WriteWholeFile(path, std::string(5000, 'x'));
    WAData data;
    Fill(data, {2.0}, 5);
    ASSERT_EQ(SaveRawData(path.c_str(), data), WA_OK);
    EXPECT_EQ(ReadWholeFile(path), "SampFreq=5\nSize=1\n2.0000000000\n");
}

TEST_F(RawDataFile, WritingAndReadingIgnoreTheProcessLocale)
{
    CommaLocale comma;
    if (!comma.active()) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    WAData data;
    Fill(data, {-1.5, 0.25}, 100);
    const std::string path = dir.Path("locale.rdt");
    ASSERT_EQ(SaveRawData(path.c_str(), data), WA_OK);
    EXPECT_EQ(ReadWholeFile(path), "SampFreq=100\nSize=2\n-1.5000000000\n0.2500000000\n");
    WAData back;
    ASSERT_EQ(LoadRawData(path.c_str(), back), WA_OK);
    EXPECT_EQ(Samples(back), (std::vector<double>{-1.5, 0.25}));
}

TEST_F(RawDataFile, ReaderHoldsOneCopyOfTheSamples)
{
#ifdef KR70_SANITIZE
    GTEST_SKIP() << "AddressSanitizer's shadow memory and quarantine change the memory peak";
#endif
    // 4,000,000 empty sample lines: 4 MB of file, 32 MB of samples. One copy
    // of the samples plus the file stays below 40 MB; two copies reach 64 MB.
    const std::string path = dir.Path("blank.rdt");
    WriteWholeFile(path, "SampFreq=1000\nSize=4000000\n" + std::string(4000000, '\n'));
    const std::size_t growth = PeakGrowth([&] {
        WAData data;
        return LoadRawData(path.c_str(), data) == WA_OK && data.GetSize() == 4000000u;
    });
    EXPECT_LT(growth, std::size_t(44) << 20);
}

TEST_F(RawDataFile, FailedWriteLeavesTheOldFileAndNoTemporary)
{
    const std::string path = dir.Path("old.rdt");
    const std::string old = "SampFreq=5\nSize=1\n2.0000000000\n";
    WriteWholeFile(path, old);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const std::string link = dir.Path("link.rdt");
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    // A file-size limit makes the write fail half-way, as a full disk would.
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{4096, 4096};
        WAData data;
        std::vector<double> values(100000, 1.5);
        data.SetData(values.data(), 100000, 10);
        _exit(setrlimit(RLIMIT_FSIZE, &rl) == 0 && SaveRawData(path.c_str(), data) == WA_ERR_FILE_WRITE ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadWholeFile(path), old);
    EXPECT_EQ(Names(dir.dir()), (std::vector<std::string>{"link.rdt", "old.rdt"}));

    // A successful write through the link replaces the file, keeps the link
    // and the file's permission bits.
    WAData data;
    Fill(data, {3.0}, 5);
    ASSERT_EQ(SaveRawData(link.c_str(), data), WA_OK);
    EXPECT_EQ(ReadWholeFile(path), "SampFreq=5\nSize=1\n3.0000000000\n");
    struct stat info {};
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(Names(dir.dir()), (std::vector<std::string>{"link.rdt", "old.rdt"}));
}
