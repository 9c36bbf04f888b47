// Without a card driver (KR70_CARD=none) the card library does not load:
// Initialize reports -99, while ReadWav and GetData still work on files.
#include "AcqTestUtil.h"
#include "LmOsSeam.h"
#include "Lm_AdCard.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>

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

// An installed program's folder is not writable: the temporary file goes to
// the user's cache directory (made on the way). Root may write anywhere, so
// the refusal comes through the OS seam.
TEST(AdCardNoCard, ReadOnlyProgramFolderPutsTheTemporaryFileInTheUsersCache) {
  ScratchFolder dir;
  ::setenv("XDG_CACHE_HOME", dir.File("cache").c_str(), 1);
  {
    lmp::OsCallsOverride os;
    os->access = [](const char* path, int mode) {
      if (lmp::ProgramDirectory() == path) {
        errno = EACCES;
        return -1;
      }
      return ::access(path, mode);
    };
    CLmAdCard ad;
    EXPECT_EQ(ad.TemporaryFilePath(), dir.File("cache") + "/Ostrel/KR70/LM_AD_NIWavDataFileSgl.tmp");
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("cache") + "/Ostrel/KR70"));
  ::unsetenv("XDG_CACHE_HOME");
  CLmAdCard installedHere;
  EXPECT_EQ(installedHere.TemporaryFilePath(), lmp::ProgramDirectory() + "/LM_AD_NIWavDataFileSgl.tmp");
}
