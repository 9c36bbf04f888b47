#include "Profile.h"

#include <gtest/gtest.h>

namespace kr70 {
namespace {

TEST(StartupSettings, DefaultsAndWriteBacks) {
  MemoryProfile profile;
  const StartupSettings settings = loadStartupSettings(profile, "/opt/kr70/bin/");
  EXPECT_FALSE(settings.differenceWaveform);
  EXPECT_FALSE(settings.fileIo);
  EXPECT_EQ(settings.decibelIndex, 2);
  EXPECT_EQ(settings.defaultDirectory, "/opt/kr70/bin/Data");
  EXPECT_EQ(profile.values["DirPosPlus/DirDefaultPlus"], "/opt/kr70/bin/Data");
  EXPECT_EQ(profile.values["DirPosPlus/DirDefSetPlus"], "0");
}

TEST(StartupSettings, OptionsAndOutOfRangeDecibelIndex) {
  MemoryProfile profile;
  profile.setString("Custom", "DifWave", "ON");
  profile.setString("Custom", "FileIO", "on");  // only "ON" counts
  profile.setInt("Custom", "dB", 7);
  profile.setString("DirPosPlus", "DirDefaultPlus", "/data");
  profile.setInt("DirPosPlus", "DirDefSetPlus", 1);
  StartupSettings settings = loadStartupSettings(profile, "/x");
  EXPECT_TRUE(settings.differenceWaveform);
  EXPECT_FALSE(settings.fileIo);
  EXPECT_EQ(settings.decibelIndex, 2);
  EXPECT_EQ(settings.defaultDirectory, "/data");
  EXPECT_EQ(profile.values["DirPosPlus/DirDefSetPlus"], "1");
  profile.setInt("Custom", "dB", 4);
  EXPECT_EQ(loadStartupSettings(profile, "/x").decibelIndex, 4);
}

TEST(OpenDialogDirectory, LastOpenedUnlessTheDefaultIsAsked) {
  MemoryProfile profile;
  loadStartupSettings(profile, "/p");
  EXPECT_EQ(openDialogDirectory(profile), "/p/Data");
  rememberOpenDirectory(profile, "/home/op/rec/a.wav");
  EXPECT_EQ(openDialogDirectory(profile), "/home/op/rec");
  profile.setInt("DirPosPlus", "DirDefSetPlus", 1);
  EXPECT_EQ(openDialogDirectory(profile), "/p/Data");
}

}  // namespace
}  // namespace kr70
