#include "AbnormalDialog.h"
#include "FakeDialogView.h"

#include "Kr70TextIds.h"

#include <gtest/gtest.h>

#include <map>

namespace kr70 {
namespace {

using namespace dialog;

using test::FakeView;

TEST(AbnormalDialog, ParseDecimalTakesPlainDecimalNumbersOnly) {
  double value = 0.0;
  EXPECT_TRUE(ParseDecimal(" 2.5 ", value));
  EXPECT_EQ(value, 2.5);
  EXPECT_TRUE(ParseDecimal("-.5e1", value));
  EXPECT_EQ(value, -5.0);
  for (const char* bad : {"", "1,5", "2x", "inf", "nan", "1e999", "--1"}) {
    value = 7.0;
    EXPECT_FALSE(ParseDecimal(bad, value)) << bad;
    EXPECT_EQ(value, 7.0) << bad;
  }
}

TEST(AbnormalDialog, OpensWithTheStoredValuesAndHidesThePeakEmphasisControls) {
  AbnormalSettingsValues values;
  values.inputDataCount = 4000;
  values.smoothingLength = 8;
  values.peakThreshold = 0.1;
  values.passThreshold = 12.75;
  values.invertedJudgement = 1;
  values.displaySetting = 0;
  values.peakWidth = 1;  // refused by its rule, and hidden
  AbnormalSettingsDialog dialog(values);
  FakeView view;
  dialog.Open(view);
  EXPECT_EQ(view.texts[kEditInputCount], "4000");
  EXPECT_EQ(view.texts[kEditSmoothing], "8");
  EXPECT_EQ(view.texts[kEditAreaLevel], "0.1");
  EXPECT_EQ(view.texts[kEditPassThreshold], "12.75");
  EXPECT_TRUE(view.checked[kCheckInverted]);
  EXPECT_FALSE(view.checked[kCheckShowResult]);
  for (int32_t id : {kEditSquarePitch, kCheckPeakAnalysis, kEditPeakPitch, kEditPeakWidth, kEditJudgementWidth,
                     kEditJudgementThreshold}) {
    EXPECT_FALSE(view.shown.at(id)) << id;
    EXPECT_FALSE(view.shown.at(kLabelOf + id)) << id;
  }
  EXPECT_EQ(view.shown.count(kEditSmoothing), 0u);
  // The hidden width starts at its rule's minimum, so OK can succeed.
  EXPECT_EQ(view.texts[kEditPeakWidth], "2");
  EXPECT_TRUE(dialog.Ok(view));
  EXPECT_TRUE(view.warnings.empty());
  EXPECT_EQ(values.peakWidth, 2);
  EXPECT_EQ(values.displaySetting, 0);
}

TEST(AbnormalDialog, OkRefusesAValueOutsideItsRuleWithOneWarningAndStaysOpen) {
  struct Case {
    int32_t id;
    const char* text;
  };
  for (const Case& c : {Case{kEditSmoothing, "0"}, Case{kEditPeakWidth, "1"}, Case{kEditAreaLevel, "-0.001"},
                        Case{kEditPassThreshold, "x"}, Case{kEditJudgementWidth, "-1"},
                        Case{kEditSquarePitch, "2147483648"}}) {
    AbnormalSettingsValues values;
    values.smoothingLength = 3;
    AbnormalSettingsDialog dialog(values);
    FakeView view;
    dialog.Open(view);
    const std::string before = view.texts[c.id];
    view.texts[c.id] = c.text;
    view.texts[kEditAreaLevel] = c.id == kEditAreaLevel ? c.text : "0.5";  // a valid edit before it
    EXPECT_FALSE(dialog.Ok(view)) << c.id;
    ASSERT_EQ(view.warnings.size(), 1u) << c.id;
    EXPECT_EQ(view.warnings[0].parts[0].textId, text::kMsgAbnormalValueInvalid);
    EXPECT_EQ(view.warnings[0].captionId, text::kCaptionError);
    EXPECT_EQ(view.texts[c.id], before) << c.id;
    EXPECT_EQ(view.selected, c.id);
    EXPECT_EQ(values.smoothingLength, 3) << "nothing goes back on a refusal";
  }
}

TEST(AbnormalDialog, EnterChecksOnlyItsEditAndOkGivesBackEveryValue) {
  AbnormalSettingsValues values;
  AbnormalSettingsDialog dialog(values);
  FakeView view;
  dialog.Open(view);
  view.texts[kEditSmoothing] = "0";  // wrong, but not the edit Enter is pressed in
  view.texts[kEditPassThreshold] = "3.5";
  dialog.Enter(view, kEditPassThreshold);
  EXPECT_TRUE(view.warnings.empty());
  dialog.Enter(view, kEditSmoothing);
  EXPECT_EQ(view.warnings.size(), 1u);
  EXPECT_EQ(view.texts[kEditSmoothing], "1");

  view.texts[kEditSmoothing] = "16";
  view.texts[kEditAreaLevel] = "0.125";
  view.texts[kEditJudgementThreshold] = "-4";  // any number
  view.checked[kCheckInverted] = true;
  view.checked[kCheckShowResult] = false;
  EXPECT_TRUE(dialog.Ok(view));
  EXPECT_EQ(values.smoothingLength, 16);
  EXPECT_EQ(values.peakThreshold, 0.125);
  EXPECT_EQ(values.passThreshold, 3.5);
  EXPECT_EQ(values.judgementThreshold, -4.0);
  EXPECT_EQ(values.invertedJudgement, 1);
  EXPECT_EQ(values.displaySetting, 0);
  EXPECT_EQ(values.squareMeanPitch, 1);
  EXPECT_EQ(values.peakWidth, 2);
}

}  // namespace
}  // namespace kr70
