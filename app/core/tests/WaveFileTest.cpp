#include "WaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "FakeUiPort.h"
#include "LmCmAnlz.h"
#include "LmWACore.h"
#include "TestFiles.h"

namespace kr70 {
namespace {

using test::ScratchDirectory;
using test::WavBuilder;

std::vector<double> Samples(const WAData& data) {
    std::vector<double> values(data.GetSize());
    if (!values.empty()) {
        EXPECT_EQ(data.GetData(values.data()), 0);
    }
    return values;
}

TEST(WaveFile, Reads16BitSamplesAsVolts) {
    ScratchDirectory dir;
    WavBuilder wav;
    wav.sampleRate = 8000;
    wav.Samples16({0, 1000, -32768, 32767});
    wav.Write(dir.File("a.wav"));
    WAData data;
    ASSERT_EQ(ReadWavFile(dir.File("a.wav"), data), WavReadStatus::Ok);
    EXPECT_EQ(data.GetSampFreq(), 8000u);
    const std::vector<double> v = Samples(data);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0], 0.0);
    EXPECT_DOUBLE_EQ(v[1], 1000 * 10.0 / 65534.0);
    // The divisor is 65534, so full scale slightly exceeds ±5 V.
    EXPECT_DOUBLE_EQ(v[2], -32768 * 10.0 / 65534.0);
    EXPECT_LT(v[2], -5.0);
    EXPECT_DOUBLE_EQ(v[3], 32767 * 10.0 / 65534.0);
}

TEST(WaveFile, Reads8BitSamplesAsVolts) {
    ScratchDirectory dir;
    WavBuilder wav;
    wav.Samples8({128, 0, 255});
    wav.Write(dir.File("b.wav"));
    WAData data;
    ASSERT_EQ(ReadWavFile(dir.File("b.wav"), data), WavReadStatus::Ok);
    const std::vector<double> v = Samples(data);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0], 0.0);  // 128 × 0.0390625 = 5 exactly
    EXPECT_EQ(v[1], -5.0);
    EXPECT_EQ(v[2], 4.9609375);
}

TEST(WaveFile, StepsOverOddSizedChunksAndTheirPadByte) {
    ScratchDirectory dir;
    WavBuilder wav;
    wav.chunksBeforeData.push_back(WavBuilder::Chunk("LIST", {'I', 'N', 'F', 'O', 'a', 'b', 'c'}));
    wav.chunksBeforeData.push_back(WavBuilder::Chunk("fact", {1, 0, 0, 0}));
    wav.Samples16({100, 200});
    wav.Write(dir.File("list.wav"));
    WAData data;
    ASSERT_EQ(ReadWavFile(dir.File("list.wav"), data), WavReadStatus::Ok);
    EXPECT_EQ(data.GetSize(), 2u);
    EXPECT_DOUBLE_EQ(Samples(data)[1], 200 * 10.0 / 65534.0);
    EXPECT_EQ(CheckWavHeader(dir.File("list.wav")), 1);
}

TEST(WaveFile, LongerFormatChunksAreSkippedIncludingAnOddOne) {
    ScratchDirectory dir;
    for (uint32_t size : {18u, 17u}) {
        WavBuilder wav;
        wav.formatSize = size;
        wav.Samples16({-1, 7});
        wav.Write(dir.File("fmt.wav"));
        WAData data;
        ASSERT_EQ(ReadWavFile(dir.File("fmt.wav"), data), WavReadStatus::Ok) << size;
        EXPECT_DOUBLE_EQ(Samples(data)[1], 7 * 10.0 / 65534.0) << size;
    }
}

TEST(WaveFile, RejectsFormatsThatAreNotMonoPcm8Or16) {
    ScratchDirectory dir;
    struct Case {
        const char* name;
        uint16_t tag, channels, align, bits;
        uint32_t rate, formatSize;
    };
    const Case cases[] = {
        {"stereo", 1, 2, 4, 16, 22050, 16},   {"24-bit", 1, 1, 3, 24, 22050, 16},
        {"float tag 3", 3, 1, 4, 32, 22050, 16}, {"16-bit align 1", 1, 1, 1, 16, 22050, 16},
        {"8-bit align 2", 1, 1, 2, 8, 22050, 16}, {"zero rate", 1, 1, 2, 16, 0, 16},
        {"short format chunk", 1, 1, 2, 16, 22050, 14},
    };
    for (const Case& c : cases) {
        WavBuilder wav;
        wav.data = {1, 2, 3, 4};
        wav.formatTag = c.tag;
        wav.channels = c.channels;
        wav.blockAlign = c.align;
        wav.bitsPerSample = c.bits;
        wav.sampleRate = c.rate;
        wav.formatSize = c.formatSize;
        wav.Write(dir.File("bad.wav"));
        WAData data;
        EXPECT_EQ(ReadWavFile(dir.File("bad.wav"), data), WavReadStatus::BadHeader) << c.name;
        EXPECT_EQ(CheckWavHeader(dir.File("bad.wav")), 0) << c.name;
        EXPECT_EQ(data.GetSize(), 0u) << c.name;
    }
}

TEST(WaveFile, RejectsEmptyTruncatedAndOversizedFilesWithoutTouchingTheTarget) {
    ScratchDirectory dir;
    WAData data;
    const double keep[] = {1.5, 2.5};
    ASSERT_EQ(data.SetData(keep, 2, 1000), 0);

    WavBuilder empty;
    empty.Samples16({});
    empty.Write(dir.File("empty.wav"));
    EXPECT_EQ(ReadWavFile(dir.File("empty.wav"), data), WavReadStatus::NoSamples);

    WavBuilder truncated;
    truncated.Samples16({1, 2, 3});
    truncated.dataSizeOverride = 600;
    truncated.Write(dir.File("truncated.wav"));
    EXPECT_EQ(ReadWavFile(dir.File("truncated.wav"), data), WavReadStatus::ShortData);

    WavBuilder huge;
    huge.Samples16({1, 2});
    huge.dataSizeOverride = 0xFFFFFFF0;
    huge.Write(dir.File("huge-data.wav"));
    EXPECT_EQ(ReadWavFile(dir.File("huge-data.wav"), data), WavReadStatus::ShortData);

    std::vector<uint8_t> hugeFormat = WavBuilder{}.Bytes();
    hugeFormat[16] = 0xF0;  // format chunk size 0xFFFFFFF0
    hugeFormat[17] = hugeFormat[18] = hugeFormat[19] = 0xFF;
    test::WriteBytes(dir.File("huge-fmt.wav"), hugeFormat);
    EXPECT_EQ(ReadWavFile(dir.File("huge-fmt.wav"), data), WavReadStatus::BadHeader);

    std::vector<uint8_t> cut = WavBuilder{}.Bytes();
    cut.resize(30);  // ends inside the format chunk
    test::WriteBytes(dir.File("cut.wav"), cut);
    EXPECT_EQ(ReadWavFile(dir.File("cut.wav"), data), WavReadStatus::BadHeader);

    test::WriteText(dir.File("garbage.wav"), "this is no RIFF file at all, just text\n");
    EXPECT_EQ(ReadWavFile(dir.File("garbage.wav"), data), WavReadStatus::BadHeader);

    EXPECT_EQ(ReadWavFile(dir.File("missing.wav"), data), WavReadStatus::OpenFailed);
    EXPECT_EQ(ReadWavFile("   ", data), WavReadStatus::OpenFailed);
    EXPECT_EQ(ReadWavFile(dir.Path().string(), data), WavReadStatus::OpenFailed);

    ASSERT_EQ(data.GetSize(), 2u);
    EXPECT_EQ(data.GetSampFreq(), 1000u);
    EXPECT_EQ(Samples(data)[1], 2.5);
}

TEST(WaveFile, PathsAreTrimmed) {
    ScratchDirectory dir;
    WavBuilder wav;
    wav.Samples16({5});
    wav.Write(dir.File("t.wav"));
    WAData data;
    EXPECT_EQ(ReadWavFile("  " + dir.File("t.wav") + " \t", data), WavReadStatus::Ok);
    EXPECT_EQ(CheckWavHeader(" " + dir.File("t.wav")), 1);
}

TEST(WaveFile, RecognisesRawDataFilesByTheirFirstLine) {
    ScratchDirectory dir;
    test::WriteText(dir.File("r.rdt"), "SampFreq=1000\nSize=1\n0.5\n");
    test::WriteText(dir.File("crlf.rdt"), "SampFreq=8\r\nSize=1\r\n0.5\r\n");
    test::WriteText(dir.File("bare.rdt"), "SampFreq=\nSize=1\n");
    test::WriteText(dir.File("other.txt"), "Samplefreq=1000\n");
    WavBuilder{}.Write(dir.File("w.wav"));
    EXPECT_EQ(IsRawDataFile(dir.File("r.rdt")), 1);
    EXPECT_EQ(IsRawDataFile(dir.File("crlf.rdt")), 1);
    EXPECT_EQ(IsRawDataFile(dir.File("bare.rdt")), 0);  // must be longer than 9 characters
    EXPECT_EQ(IsRawDataFile(dir.File("other.txt")), 0);
    EXPECT_EQ(IsRawDataFile(dir.File("w.wav")), 0);
    EXPECT_EQ(IsRawDataFile(dir.File("none.rdt")), 0);
}

TEST(WaveFile, RawDataNames) {
    EXPECT_EQ(RawDataNameFor("a.WAV"), "a.rdt");
    EXPECT_EQ(RawDataNameFor("dir/x.wav"), "dir/x.rdt");
    EXPECT_EQ(RawDataNameFor("a.dat"), "a.dat.rdt");
    EXPECT_EQ(RawDataNameFor(" b.Wav "), "b.rdt");
    EXPECT_EQ(RawDataNameFor("wav"), "wav.rdt");
}

TEST(WaveFile, ConvertsWavToRawDataBesideIt) {
    ScratchDirectory dir;
    WavBuilder wav;
    wav.sampleRate = 1000;
    wav.Samples8({128, 192});
    wav.Write(dir.File("c.WAV"));
    test::FakeUiPort port;
    EXPECT_EQ(ConvertWavToRawData(dir.File("c.WAV"), port), 0);
    EXPECT_EQ(test::ReadText(dir.File("c.rdt")), "SampFreq=1000\nSize=2\n0.0000000000\n2.5000000000\n");
    EXPECT_TRUE(port.messages.empty());

    EXPECT_EQ(ConvertWavToRawData(dir.File("nothing.wav"), port), -1);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2023});

    port.messages.clear();
    std::filesystem::create_directory(dir.File("d.rdt"));  // the target cannot be written
    wav.Write(dir.File("d.wav"));
    EXPECT_NE(ConvertWavToRawData(dir.File("d.wav"), port), 0);
    EXPECT_EQ(port.MessageIds(), std::vector<int32_t>{2010});
    EXPECT_EQ(port.waitDepth, 0);
}

TEST(WaveFile, FileTime) {
    ScratchDirectory dir;
    test::WriteText(dir.File("f.txt"), "x");
    struct stat status {};
    ASSERT_EQ(stat(dir.File("f.txt").c_str(), &status), 0);
    EXPECT_EQ(FileTime(dir.File("f.txt")), static_cast<int64_t>(status.st_mtime));
    EXPECT_GT(FileTime(" " + dir.File("f.txt")), 0);
    EXPECT_EQ(FileTime(""), 0);
    EXPECT_EQ(FileTime(dir.File("missing")), 0);
}

TEST(WaveFile, DecimalPlaces) {
    EXPECT_EQ(DecimalPlaces(100.0), 0);
    EXPECT_EQ(DecimalPlaces(12.5), 1);
    EXPECT_EQ(DecimalPlaces(0.1), 1);  // not the 55 digits of its binary expansion
    EXPECT_EQ(DecimalPlaces(0.125), 3);
    EXPECT_EQ(DecimalPlaces(-2.25), 2);
    EXPECT_EQ(DecimalPlaces(0.0), 0);
    EXPECT_EQ(DecimalPlaces(std::string("12.50")), 1);
    EXPECT_EQ(DecimalPlaces(std::string(" 3.000 ")), 0);
    EXPECT_EQ(DecimalPlaces(std::string("100")), 0);
    EXPECT_EQ(DecimalPlaces(std::string("0.0625")), 4);
    EXPECT_EQ(DecimalPlaces(std::string("")), 0);
}

TEST(WaveFile, AFifoIsRefusedWithoutWaitingForAWriter) {
    ScratchDirectory dir;
    const std::string fifo = dir.File("rec.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto readers = std::async(std::launch::async, [&] {
        WAData data;
        return ReadWavFile(fifo, data) == WavReadStatus::OpenFailed && CheckWavHeader(fifo) == 0 &&
               IsRawDataFile(fifo) == 0 && FileTime(fifo) == 0;
    });
    if (readers.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Release the blocked reader so that the test can end, then fail.
        for (int i = 0; i < 4; ++i) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        readers.wait();
        FAIL() << "a reader blocked on the FIFO";
    }
    EXPECT_TRUE(readers.get());
}

TEST(WaveFile, RefusesASampleRateThatARawDataFileCannotHold) {
    ScratchDirectory dir;
    WavBuilder wav;
    wav.Samples16({1, 2, 3});
    wav.sampleRate = 2147483648u;
    wav.Write(dir.File("fast.wav"));
    WAData data;
    EXPECT_EQ(ReadWavFile(dir.File("fast.wav"), data), WavReadStatus::BadHeader);
    wav.sampleRate = 2147483647u;
    wav.Write(dir.File("fastest.wav"));
    ASSERT_EQ(ReadWavFile(dir.File("fastest.wav"), data), WavReadStatus::Ok);
    // What is accepted can be stored as raw data and read back.
    ASSERT_EQ(SaveRawData(dir.File("fastest.rdt").c_str(), data), 0);
    WAData back;
    EXPECT_EQ(LoadRawData(dir.File("fastest.rdt").c_str(), back), 0);
    EXPECT_EQ(back.GetSampFreq(), 2147483647u);
}

// Resident memory a child process gained while body ran (a fork starts the
// high-water mark afresh), or SIZE_MAX when body failed.
size_t PeakGrowth(const std::function<bool()>& body) {
    const auto kib = [](const char* key) {
        std::ifstream status("/proc/self/status");
        std::string word;
        size_t value = 0;
        while (status >> word) {
            if (word == key && status >> value) return value;
        }
        return size_t(0);
    };
    int channel[2];
    if (pipe(channel) != 0) return SIZE_MAX;
    const pid_t child = fork();
    if (child == 0) {
        const size_t before = kib("VmHWM:");
        size_t growth = body() ? (kib("VmHWM:") - before) * 1024 : SIZE_MAX;
        _exit(write(channel[1], &growth, sizeof growth) == sizeof growth ? 0 : 1);
    }
    size_t growth = SIZE_MAX;
    if (child < 0 || read(channel[0], &growth, sizeof growth) != sizeof growth) growth = SIZE_MAX;
    close(channel[0]);
    close(channel[1]);
    int status = 0;
    waitpid(child, &status, 0);
    return growth;
}

TEST(WaveFile, ReaderHoldsOneCopyOfTheSamples) {
#ifdef KR70_SANITIZE
    GTEST_SKIP() << "AddressSanitizer's shadow memory and quarantine change the memory peak";
#endif
    // 4,000,000 16-bit samples: 8 MB of file, 32 MB of volts. One copy of the
    // volts plus the file's bytes stays below 40 MB; two copies reach 64 MB.
    ScratchDirectory dir;
    WavBuilder wav;
    wav.data.assign(8000000, 0x11);
    wav.Write(dir.File("long.wav"));
    const size_t growth = PeakGrowth([&] {
        WAData data;
        return ReadWavFile(dir.File("long.wav"), data) == WavReadStatus::Ok && data.GetSize() == 4000000u;
    });
    EXPECT_LT(growth, size_t(44) << 20);
}

}  // namespace
}  // namespace kr70
