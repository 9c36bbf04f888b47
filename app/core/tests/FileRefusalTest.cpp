// Why a waveform file is refused: one row per kind, each file made here.
#include "FileRefusal.h"

#include <cerrno>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "AnalysisState.h"
#include "FakeUiPort.h"
#include "Kr70TextIds.h"
#include "LmOsSeam.h"
#include "TestFiles.h"
#include "WaveFile.h"

namespace kr70 {
namespace {

using test::ScratchDirectory;
using test::WavBuilder;

WavBuilder Format(uint16_t tag, uint16_t channels, uint16_t align, uint16_t bits, uint32_t formatSize = 16) {
    WavBuilder wav;
    wav.data = {1, 2, 3, 4};
    wav.formatTag = tag;
    wav.channels = channels;
    wav.blockAlign = align;
    wav.bitsPerSample = bits;
    wav.formatSize = formatSize;
    return wav;
}

// The bytes of a literal, NULs included.
template <size_t N>
std::vector<uint8_t> Text(const char (&text)[N]) {
    return {text, text + N - 1};
}

struct Row {
    const char* name;                 // file name
    std::function<std::vector<uint8_t>()> bytes;
    int32_t textId;                   // the reason's text; 0 for an acceptable file
    std::vector<std::string> values;  // its values after the file's name
};

TEST(FileRefusal, EachRefusedKindIsNamedWithItsFileAndWhatWasFound) {
    ScratchDirectory dir;
    WavBuilder truncated;
    truncated.Samples16({1, 2, 3});
    truncated.dataSizeOverride = 600;
    WavBuilder headerOnly;
    headerOnly.Samples16({});
    headerOnly.dataSizeOverride = 2000;
    WavBuilder emptyData;
    emptyData.Samples16({});
    WavBuilder rate = Format(1, 1, 2, 16);
    rate.sampleRate = 0;
    std::vector<uint8_t> cut = WavBuilder{}.Bytes();
    cut.resize(30);  // ends inside the format chunk
    using namespace text;
    const Row rows[] = {
        {"stereo.wav", [] { return Format(1, 2, 4, 16).Bytes(); }, kReasonChannels, {"2"}},
        {"24bit.wav", [] { return Format(1, 1, 3, 24).Bytes(); }, kReasonPcmBits, {"24"}},
        {"float.wav", [] { return Format(3, 1, 4, 32).Bytes(); }, kReasonFloat, {"32"}},
        {"ext.wav", [] { return Format(0xFFFE, 1, 2, 16, 40).Bytes(); }, kReasonExtensible, {"16"}},
        {"adpcm.wav", [] { return Format(2, 1, 2, 16).Bytes(); }, kReasonFormatTag, {"2"}},
        {"align.wav", [] { return Format(1, 1, 2, 8).Bytes(); }, kReasonBlockAlign, {"2", "8"}},
        {"rate.wav", [&] { return rate.Bytes(); }, kReasonSampleRate, {"0"}},
        {"song.mp3", [] { return Text("ID3\x03\x00\x00 not a wave at all"); }, kReasonNotWaveform, {}},
        {"empty.wav", [] { return std::vector<uint8_t>{}; }, kReasonEmpty, {}},
        {"cut.wav", [&] { return cut; }, kReasonWavHeaderCut, {"30"}},
        {"nofmt.wav", [] { return Text("RIFF\x1c\x00\x00\x00WAVEJUNK\x04\x00\x00\x00" "abcd"); }, kReasonWavNoFormat, {}},
        {"nodata.wav", [&] { return emptyData.Bytes(); }, kReasonNoSamples, {}},
        {"truncated.wav", [&] { return truncated.Bytes(); }, kReasonDataCut, {"6", "600"}},
        {"header-only.wav", [&] { return headerOnly.Bytes(); }, kReasonDataCut, {"0", "2000"}},
        {"rate.rdt", [] { return Text("SampFreq=fast\nSize=2\n0.1\n0.2\n"); }, kReasonRawHeader, {"1", "SampFreq="}},
        {"size.rdt", [] { return Text("SampFreq=100\n"); }, kReasonRawHeader, {"2", "Size="}},
        {"short.rdt", [] { return Text("SampFreq=100\nSize=5\n0.1\n0.2"); }, kReasonRawCut, {"2", "5"}},
        {"fine.rdt", [] { return Text("SampFreq=100\nSize=2\n0.1\n0.2"); }, 0, {}},
        {"fine.wav", [] { return Format(1, 1, 2, 16).Bytes(); }, 0, {}},
    };
    for (const Row& row : rows) {
        test::WriteBytes(dir.File(row.name), row.bytes());
        const MessagePart line = RefusalLine(dir.File(row.name), DiagnoseWaveformPath(dir.File(row.name)));
        EXPECT_EQ(line.textId, row.textId) << row.name;
        if (row.textId == 0) continue;
        std::vector<std::string> expected{row.name};
        expected.insert(expected.end(), row.values.begin(), row.values.end());
        EXPECT_EQ(line.formatArguments, expected) << row.name;
    }

    // Kinds that come from the open: no file, a folder, and permission
    // denied, made through the OS seam (the tests run as root, whom a
    // file's mode does not stop).
    EXPECT_EQ(RefusalLine(dir.File("x.wav"), DiagnoseWaveformPath(dir.File("x.wav"))).textId, kReasonNotFound);
    EXPECT_EQ(RefusalLine(dir.File("."), DiagnoseWaveformPath(dir.Path().string())).textId, kReasonNotRegularFile);
    lmp::OsCallsOverride os;
    os->open = [](const char*, int, mode_t) {
        errno = EACCES;
        return -1;
    };
    const MessagePart denied = RefusalLine(dir.File("fine.wav"), DiagnoseWaveformPath(dir.File("fine.wav")));
    EXPECT_EQ(denied.textId, kReasonPermissionDenied);
    EXPECT_EQ(denied.formatArguments, std::vector<std::string>{"fine.wav"});
    os->open = [](const char*, int, mode_t) {
        errno = EIO;
        return -1;
    };
    EXPECT_EQ(DiagnoseWaveformPath(dir.File("fine.wav")).error, EIO);
}

// A file that passes the header check but ends early is named in the load's
// message, with the reason on a line of its own below message 2023.
TEST(FileRefusal, FailedLoadNamesTheFileBelowItsMessage) {
    ScratchDirectory dir;
    WavBuilder truncated;
    truncated.Samples16({1, 2, 3});
    truncated.dataSizeOverride = 600;
    truncated.Write(dir.File("t.wav"));
    test::FakeUiPort port;
    AnalysisState state{port};
    state.InitializeParameters("");
    EXPECT_EQ(state.LoadWaveform(dir.File("t.wav")), 0);
    ASSERT_EQ(port.shown.size(), 1u);
    const Message& message = port.shown[0];
    ASSERT_EQ(message.parts.size(), 2u);
    EXPECT_EQ(message.parts[0].textId, text::kMsgWaveformFileNotRead);
    EXPECT_EQ(message.parts[0].appended, "\n");
    EXPECT_EQ(message.parts[1].textId, text::kReasonDataCut);
    EXPECT_EQ(message.parts[1].formatArguments, (std::vector<std::string>{"t.wav", "6", "600"}));
}

}  // namespace
}  // namespace kr70
