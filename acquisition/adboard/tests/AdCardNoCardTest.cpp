// Without a card driver (KR70_CARD=none) the card library does not load:
// Initialize reports -99, while ReadWav and GetData still work on files.
#include "AcqTestUtil.h"
#include "Lm_AdCard.h"

using namespace kr70test;

TEST(AdCardNoCard, InitializeReportsTheMissingLibraryAndFilesStillRead) {
  CLmAdCard ad;
  EXPECT_EQ(ad.Initialize(16, 1, 1, 5000, 50000, 0, 0), -99);
  EXPECT_EQ(ad.StartRec(nullptr, "/tmp/none"), -99);
  EXPECT_EQ(ad.TrgModeSet(0, nullptr, 0, nullptr), -100);
  int count = 3;
  double* samples = nullptr;
  EXPECT_EQ(ad.TrgModeStop(0, &count, &samples), -105);
  EXPECT_EQ(ad.TrgModeStop(1, &count, &samples), 0);

  ScratchFolder dir;
  WavImage w;
  w.data = Samples16({100, -100});
  std::string path = dir.File("x.wav");
  ASSERT_TRUE(WriteFileBytes(path, w.Bytes()));
  ASSERT_EQ(ad.ReadWav(path.c_str()), 0);
  double v[2];
  ASSERT_EQ(ad.GetData(v, 1, 1), 0);
  EXPECT_EQ(v[0], 1.0);
  EXPECT_EQ(v[1], -1.0);
  EXPECT_EQ(ad.Halt(), 0);
  // A failed load leaves no lock behind.
  lmp::NamedLock probe;
  EXPECT_EQ(probe.Create("CLmAdNiMutex"), lmp::NamedLock::kCreated);
}
