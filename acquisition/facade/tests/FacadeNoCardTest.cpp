// CLmWavGet on a machine without an A/D card driver (KR70_CARD=none):
// detection of the test PCM alone or of nothing, and file-only mode.
#include "AcqTestUtil.h"
#include "AlsaTestPcm.h"
#include "LM_WAVGET.h"

using namespace kr70test;

TEST(FacadeNoCard, DetectionFindsTheSoundCardAlone) {
  AlsaTestPcm pcm;
  ASSERT_TRUE(pcm.UseSamples(std::vector<unsigned char>(1000, 0)));
  CLmWavGet facade;
  EXPECT_EQ(facade.ChangeBoardSet(0, 0), 0);
  EXPECT_EQ(facade.GetBoardKind(), 1);
  EXPECT_EQ(facade.ChangeBoardSet(2, 0), -99);  // no card library
  EXPECT_EQ(facade.GetBoardKind(), 0);
}

TEST(FacadeNoCard, NeitherDeviceLeavesKindZeroAndTheSoundCardsCode) {
  AlsaTestPcm::SelectUndefined();
  CLmWavGet facade;
  EXPECT_EQ(facade.ChangeBoardSet(0, 0), -99);
  EXPECT_EQ(facade.GetBoardKind(), 0);
  EXPECT_EQ(facade.Initialize(16, 1, 1, 100, 11205, 0), -100);
  EXPECT_EQ(facade.ReadWav("/nonexistent.wav"), -102);
}

TEST(FacadeNoCard, FileOnlyModeRefusesRecordingAndReadsFiles) {
  ScratchFolder dir;
  WavImage w;
  w.rate = 50000;
  w.data = Samples16({32767, 0, -16384});
  std::string path = dir.File("saved#01.wav");
  ASSERT_TRUE(WriteFileBytes(path, w.Bytes()));

  CLmWavGet facade;
  ASSERT_EQ(facade.ChangeBoardSet(2, 1), 0);
  EXPECT_EQ(facade.GetBoardKind(), 2);
  EXPECT_EQ(facade.Initialize(16, 1, 1, 5000, 50000, 0), -100);
  EXPECT_EQ(facade.StartRec(nullptr, dir.File("x").c_str()), -100);
  EXPECT_EQ(facade.StopRec(), -100);
  ASSERT_EQ(facade.ReadWav(path.c_str()), 0);
  EXPECT_EQ(facade.GetBoardKind(), 2);
  EXPECT_EQ(facade.GetDevNum(), 16);
  EXPECT_EQ(facade.GetCount(), 3u);
  EXPECT_EQ(facade.GetSampFreq(), 50000u);
  double v[3];
  ASSERT_EQ(facade.GetData(v, 0, 1), 0);
  EXPECT_EQ(v[0], 4.5);

  // Kind 0 in file-only mode reads with the A/D recorder too and becomes 2,
  // even when the file is refused.
  ASSERT_EQ(facade.ChangeBoardSet(0, 1), 0);
  EXPECT_EQ(facade.ReadWav(dir.File("missing.wav").c_str()), -100);
  EXPECT_EQ(facade.GetBoardKind(), 2);

  // Kind 1 reads with the sound-card recorder, which takes 8-bit files.
  WavImage eight;
  eight.bits = 8;
  eight.align = 1;
  eight.data = {0, 128, 255};
  std::string eightPath = dir.File("eight.wav");
  ASSERT_TRUE(WriteFileBytes(eightPath, eight.Bytes()));
  ASSERT_EQ(facade.ChangeBoardSet(1, 1), 0);
  EXPECT_EQ(facade.GetBoardKind(), 1);
  EXPECT_EQ(facade.Initialize(8, 1, 1, 3, 8000, 0), -100);
  ASSERT_EQ(facade.ReadWav(eightPath.c_str()), 0);
  ASSERT_EQ(facade.GetData(v, 0, 1), 0);
  EXPECT_EQ(v[0], -5.0);
  EXPECT_EQ(facade.GetDevNum(), 8);

  // Another kind: nothing is made and the kind stays.
  ASSERT_EQ(facade.ChangeBoardSet(7, 1), 0);
  EXPECT_EQ(facade.GetBoardKind(), 1);
  EXPECT_EQ(facade.ReadWav(eightPath.c_str()), 0);  // a new sound-card recorder reads it
  EXPECT_EQ(facade.Halt(), 0);
  EXPECT_EQ(facade.Halt(), -100);
}
