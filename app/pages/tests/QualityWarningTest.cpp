// The data-quality warning line and the guard's limits in the user settings.
#include "QualityProfile.h"
#include "QualityWarning.h"

#include <gtest/gtest.h>

#include "Kr70TextIds.h"
#include "LmCmAnlz.h"

namespace kr70 {
namespace {

// One second at 8000 Hz: a sawtooth of 0 to 60 mV with a held value over
// samples 2000..2399 (a dropout of 50 ms at 0.250 s) and one full-scale run
// at 6000..6099 (clipping at 0.750 s).
QualityReport FaultyRecording(const QualityLimits& limits = {}) {
  std::vector<double> volts(8000);
  for (size_t i = 0; i < volts.size(); ++i) volts[i] = (i % 7) * 0.01;
  std::fill(volts.begin() + 2000, volts.begin() + 2400, 0.02);
  std::fill(volts.begin() + 6000, volts.begin() + 6100, 5.0);
  WAData recording;
  EXPECT_EQ(recording.SetData(volts.data(), 8000, 8000), 0);
  return CheckQuality(recording, limits);
}

TEST(QualityWarning, NamesEveryCheckThatFiredWithItsTime) {
  const Message warning = QualityWarning(FaultyRecording());
  ASSERT_EQ(warning.parts.size(), 3u);
  EXPECT_EQ(warning.parts[0].textId, text::kQualityRetest);
  EXPECT_EQ(warning.parts[1].textId, text::kQualityClipping);
  EXPECT_EQ(warning.parts[1].formatArguments, std::vector<std::string>{"0.750"});
  EXPECT_EQ(warning.parts[1].appended, ", ");
  EXPECT_EQ(warning.parts[2].textId, text::kQualityDropout);
  EXPECT_EQ(warning.parts[2].formatArguments, std::vector<std::string>{"0.250"});
  EXPECT_EQ(warning.parts[2].appended, "");
  // A recording that passed every check shows no line.
  EXPECT_TRUE(QualityWarning(QualityReport{}).parts.empty());
}

TEST(QualityWarning, LimitsComeFromTheUserSettingsKeyByKey) {
  MemoryProfile profile;
  profile.setString("Quality", "dropout_ms", "100");
  profile.setString("Quality", "clip_fraction", "lots");  // refused: the default stays
  std::vector<std::string> refused;
  const QualityLimits limits = loadQualityLimits(profile, &refused);
  EXPECT_EQ(limits.dropoutMs, 100.0);
  EXPECT_EQ(limits.clipFraction, QualityLimits{}.clipFraction);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0], "Quality/bad value 'lots' for clip_fraction: not a number");
  EXPECT_EQ(profile.values.size(), 2u);  // nothing was written back
  // With those limits the held value of 50 ms is no longer a dropout.
  const Message warning = QualityWarning(FaultyRecording(limits));
  ASSERT_EQ(warning.parts.size(), 2u);
  EXPECT_EQ(warning.parts[1].textId, text::kQualityClipping);
}

}  // namespace
}  // namespace kr70
