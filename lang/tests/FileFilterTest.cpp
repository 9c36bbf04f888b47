// Filter texts of the language table in Qt's form.
#include <gtest/gtest.h>

#include "LmFileFilter.h"

namespace kr70::lang {
namespace {

TEST(FileFilter, PairsBecomeQtEntries) {
  EXPECT_EQ(FileFilterToQt("Waveform files (*.wav;*.rdt)|*.wav;*.rdt|All files (*.*)|*.*||"),
            "Waveform files (*.wav *.rdt);;All files (*.*)");
  EXPECT_EQ(FileFilterToQt("パラメータファイル (*.ini)|*.ini||"), "パラメータファイル (*.ini)");
  // The entry's own pattern wins over the one written in the description.
  EXPECT_EQ(FileFilterToQt("Old (*.txt)|*.bet|"), "Old (*.bet)");
  EXPECT_EQ(FileFilterToQt("No pattern||Plain|*.prf||"), "Plain (*.prf)");
  EXPECT_EQ(FileFilterToQt(""), "");
}

}  // namespace
}  // namespace kr70::lang
