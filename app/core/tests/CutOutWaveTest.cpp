#include "CutOutWave.h"

#include <gtest/gtest.h>

#include <cmath>

#include "LmCmAnlz.h"
#include "TestFiles.h"
#include "WaveFile.h"

namespace kr70 {
namespace {

using test::ScratchDirectory;
using test::WavBuilder;

std::vector<uint8_t> ReadBytes(const std::string& path) {
    const std::string text = test::ReadText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The writer's header is the plain 44-byte layout: the test builder writes
// exactly that for a 16-byte format chunk and no other chunks.
TEST(CutOutWave, EncodesClampsAndWritesBackIntoTheSource) {
    ScratchDirectory dir;
    std::vector<double> samples = {5.3, 0.0, -5.0, -7.0};
    ASSERT_EQ(WriteCutOutWave(dir.File("a16.wav"), samples.data(), 4, 22050, 16), kCutOutWritten);
    EXPECT_EQ(samples, (std::vector<double>{5.0, 0.0, -5.0, -5.0}));
    WavBuilder expected16;
    expected16.Samples16({32767, 0, -32767, -32767});
    EXPECT_EQ(ReadBytes(dir.File("a16.wav")), expected16.Bytes());

    samples = {5.3, 0.0, -5.0, 0.999};
    ASSERT_EQ(WriteCutOutWave(dir.File("a8.wav"), samples.data(), 4, 22050, 8), kCutOutWritten);
    WavBuilder expected8;
    expected8.Samples8({255, 128, 1, 153});  // 128 + trunc(0.999 × 25.5 = 25.47)
    EXPECT_EQ(ReadBytes(dir.File("a8.wav")), expected8.Bytes());
    // A NaN (a raw-data line "nan") is written as 0 V instead of an undefined conversion.
    EXPECT_EQ(EncodeSample16(std::nan("")), 0);
    EXPECT_EQ(EncodeSample8(std::nan("")), 128);
}

TEST(CutOutWave, OneSecondAt22050HzAndAnEmptySlice) {
    ScratchDirectory dir;
    std::vector<double> second(22050, 1.0);
    ASSERT_EQ(WriteCutOutWave(dir.File("s16.wav"), second.data(), 22050, 22050, 16), kCutOutWritten);
    ASSERT_EQ(WriteCutOutWave(dir.File("s8.wav"), second.data(), 22050, 22050, 8), kCutOutWritten);
    EXPECT_EQ(std::filesystem::file_size(dir.File("s16.wav")), 44u + 44100u);
    EXPECT_EQ(std::filesystem::file_size(dir.File("s8.wav")), 44u + 22050u);
    // The workstation reads its own files back: 22050 points at 22050 Hz.
    WAData back;
    ASSERT_EQ(ReadWavFile(dir.File("s8.wav"), back), WavReadStatus::Ok);
    EXPECT_EQ(back.GetSize(), 22050u);
    EXPECT_EQ(back.GetSampFreq(), 22050u);

    ASSERT_EQ(WriteCutOutWave(dir.File("empty.wav"), nullptr, 0, 22050, 16), kCutOutWritten);
    WavBuilder header;
    EXPECT_EQ(ReadBytes(dir.File("empty.wav")), header.Bytes());
    EXPECT_EQ(header.Bytes().size(), 44u);
}

TEST(CutOutWave, AFailedWriteLeavesNothingUnderTheTargetName) {
    ScratchDirectory dir;
    std::vector<double> samples = {1.0, 2.0};
    EXPECT_EQ(WriteCutOutWave(dir.File("missing/a.wav"), samples.data(), 2, 8000, 16), kCutOutNotCreated);
    // A directory in the way: the rename fails and the temporary goes away.
    std::filesystem::create_directory(dir.File("taken.wav"));
    EXPECT_EQ(WriteCutOutWave(dir.File("taken.wav"), samples.data(), 2, 8000, 16), kCutOutNotCreated);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken.wav")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace kr70
