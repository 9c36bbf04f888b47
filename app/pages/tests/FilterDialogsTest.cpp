#include "FilterDialogs.h"
#include "FakeDialogView.h"

#include "Kr70TextIds.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace kr70 {
namespace {

using namespace dialog;
using test::FakeView;

int32_t WarningText(const Message& message) { return message.parts.empty() ? 0 : message.parts[0].textId; }

TEST(FilterDialogs, ParseIntegerTakesDecimalIntegersOnly) {
  int64_t value = -7;
  EXPECT_TRUE(ParseInteger(" 42 ", value));
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(ParseInteger("-3", value));
  EXPECT_EQ(value, -3);
  for (const char* bad : {"", "  ", "4x", "1.5", "0x10", "99999999999999999999"}) {
    value = 11;
    EXPECT_FALSE(ParseInteger(bad, value)) << bad;
    EXPECT_EQ(value, 11) << bad;
  }
}

TEST(FilterDialogs, SamplingPitchRefusesZeroAndBeyond65535AndKeepsThePreviousValue) {
  SamplingPitchValues values;
  values.samplingPitch = 4;
  SamplingPitchDialog dialog(values);
  FakeView view;
  dialog.Open(view);
  EXPECT_EQ(view.texts[kEditSamplingPitch], "4");
  EXPECT_FALSE(view.shown[kStaticSamplingFrequency]);
  EXPECT_FALSE(view.shown[kStaticDataPoints]);

  for (const char* refused : {"0", "65536", "abc"}) {
    view.warnings.clear();
    view.selected = 0;
    view.texts[kEditSamplingPitch] = refused;
    EXPECT_FALSE(dialog.Ok(view)) << refused;
    ASSERT_EQ(view.warnings.size(), 1u) << refused;
    EXPECT_EQ(WarningText(view.warnings[0]), text::kMsgIntegerRange);
    EXPECT_EQ(view.warnings[0].parts[0].formatArguments, (std::vector<std::string>{"1", "65535"}));
    EXPECT_EQ(view.texts[kEditSamplingPitch], "4");
    EXPECT_EQ(view.selected, kEditSamplingPitch);
  }
  EXPECT_EQ(values.samplingPitch, 4u);

  view.texts[kEditSamplingPitch] = "65535";
  dialog.Enter(view, kEditSamplingPitch);  // takes the value without closing
  view.texts[kEditSamplingPitch] = "0";
  dialog.EditLeft(view, kEditSamplingPitch);
  EXPECT_EQ(view.texts[kEditSamplingPitch], "65535");
  EXPECT_TRUE(dialog.Ok(view));
  EXPECT_EQ(values.samplingPitch, 65535u);
}

TEST(FilterDialogs, ARefusalWarnsOnceEvenWhenTheWarningTakesTheFocus) {
  YuragiFilterValues values;
  YuragiFilterDialog dialog(values);
  FakeView view;
  dialog.Open(view);
  // The message box takes the focus: the edit reports its focus loss while
  // the warning is up.
  view.onWarning = [&] { dialog.EditLeft(view, kEditYuragi2); };
  view.texts[kEditYuragi2] = "0";
  dialog.EditLeft(view, kEditYuragi2);
  EXPECT_EQ(view.warnings.size(), 1u);
  EXPECT_EQ(view.texts[kEditYuragi2], "1");
}

TEST(FilterDialogs, YuragiRangesAndTheHiddenFourthParameter) {
  YuragiFilterValues values;
  values.parameter1 = 2;
  values.parameter2 = 10;
  values.parameter3 = 20;
  values.parameter4 = 30;
  YuragiFilterDialog dialog(values);
  FakeView view;
  dialog.Open(view);
  EXPECT_FALSE(view.shown[kEditYuragi4]);
  EXPECT_FALSE(view.shown[kLabelOf + kEditYuragi4]);

  view.texts[kEditYuragi1] = "6";
  EXPECT_FALSE(dialog.Ok(view));
  EXPECT_EQ(view.texts[kEditYuragi1], "2");
  EXPECT_EQ(view.selected, kEditYuragi1);
  view.texts[kEditYuragi3] = "256";
  dialog.Enter(view, kEditYuragi3);
  EXPECT_EQ(view.texts[kEditYuragi3], "20");
  ASSERT_EQ(view.warnings.size(), 2u);
  EXPECT_EQ(view.warnings[1].parts[0].formatArguments, (std::vector<std::string>{"1", "255"}));

  view.texts[kEditYuragi1] = "5";
  view.texts[kEditYuragi2] = "255";
  view.texts[kEditYuragi3] = "1";
  view.texts[kEditYuragi4] = "0";
  EXPECT_TRUE(dialog.Ok(view));
  EXPECT_EQ(values.parameter1, 5);
  EXPECT_EQ(values.parameter2, 255);
  EXPECT_EQ(values.parameter3, 1);
  EXPECT_EQ(values.parameter4, 0);
}

TEST(FilterDialogs, LengthListSelectsTheFirstEntryWithTheStoredPrefixElse128) {
  const std::vector<std::string>& entries = FilterLengthEntries();
  EXPECT_EQ(entries[FilterLengthEntryFor(12)], "128");
  EXPECT_EQ(entries[FilterLengthEntryFor(100)], "128");
  EXPECT_EQ(entries[FilterLengthEntryFor(0)], "128");
  EXPECT_EQ(entries[FilterLengthEntryFor(1)], "16");
  EXPECT_EQ(entries[FilterLengthEntryFor(102)], "1024");
  EXPECT_EQ(entries[FilterLengthEntryFor(512)], "512");
  EXPECT_EQ(FilterKindRadio(2), kRadioLpf + 1);
  EXPECT_EQ(FilterKindRadio(4), kRadioBef);
  EXPECT_EQ(FilterKindRadio(0), kRadioLpf);
  EXPECT_EQ(FilterKindRadio(5), kRadioLpf);
}

class FreqFilterDialogTest : public ::testing::Test {
 protected:
  void open(int32_t type, int32_t kind, uint32_t taps) {
    values.filterType = type;
    values.kindSelection = kind;
    values.taps = taps;
    values.lowerFrequency = 1000;
    values.upperFrequency = 3000;
    values.samplingFrequency = 22050;
    dialog.Open(view);
  }
  void choose(int32_t radio) {
    for (int32_t id = kRadioLpf; id <= kRadioBef; ++id) view.checked[id] = id == radio;
    dialog.Clicked(view, radio);
  }
  FreqFilterValues values;
  FreqFilterDialog dialog{values};
  FakeView view;
};

TEST_F(FreqFilterDialogTest, OpeningShowsTheStoredSettings) {
  open(3, 3, 100);
  EXPECT_EQ(view.texts[kStaticSamplingFrequency], "22050");
  EXPECT_TRUE(view.checked[kCheckFilterOn]);
  EXPECT_TRUE(view.checked[kRadioLpf + 2]);
  EXPECT_FALSE(view.checked[kRadioLpf]);
  EXPECT_EQ(view.lists[kListLength][view.listSelection[kListLength]], "128");
  EXPECT_EQ(view.texts[kEditLowerEdge], "1000");
  EXPECT_EQ(view.textIds[kStaticEdgeCaption], text::kFreqEdgePassBand);
  EXPECT_TRUE(view.shown[kEditUpperEdge]);
  EXPECT_TRUE(view.enabled[kListLength]);
}

TEST_F(FreqFilterDialogTest, SwitchedOffItOffersTheRememberedKindAndDisablesTheSettings) {
  open(0, 4, 256);
  EXPECT_FALSE(view.checked[kCheckFilterOn]);
  EXPECT_TRUE(view.checked[kRadioBef]);
  EXPECT_EQ(view.textIds[kStaticEdgeCaption], text::kFreqEdgeStopBand);
  for (int32_t id : {kRadioLpf, kRadioBef, kListLength, kEditLowerEdge, kEditUpperEdge})
    EXPECT_FALSE(view.enabled[id]) << id;
  view.checked[kCheckFilterOn] = true;
  dialog.Clicked(view, kCheckFilterOn);
  for (int32_t id : {kRadioLpf, kRadioBef, kListLength, kEditLowerEdge, kEditUpperEdge})
    EXPECT_TRUE(view.enabled[id]) << id;
  view.checked[kCheckFilterOn] = false;
  dialog.Clicked(view, kCheckFilterOn);
  EXPECT_TRUE(dialog.Ok(view));
  EXPECT_EQ(values.filterType, 0);
  EXPECT_EQ(values.kindSelection, 4);
  EXPECT_EQ(values.taps, 256u);
}

TEST_F(FreqFilterDialogTest, TypeChangeSwitchesTheEdgeCaptionAndTheSecondEdge) {
  open(1, 1, 128);
  EXPECT_EQ(view.textIds[kStaticEdgeCaption], text::kFreqEdgeCutOff);
  EXPECT_FALSE(view.shown[kEditUpperEdge]);
  EXPECT_FALSE(view.shown[kStaticTilde]);
  choose(kRadioLpf + 2);
  EXPECT_EQ(view.textIds[kStaticEdgeCaption], text::kFreqEdgePassBand);
  EXPECT_TRUE(view.shown[kEditUpperEdge]);
  EXPECT_TRUE(view.shown[kUnitUpperEdge]);
  choose(kRadioBef);
  EXPECT_EQ(view.textIds[kStaticEdgeCaption], text::kFreqEdgeStopBand);
  choose(kRadioLpf + 1);
  EXPECT_EQ(view.textIds[kStaticEdgeCaption], text::kFreqEdgeCutOff);
  EXPECT_FALSE(view.shown[kEditUpperEdge]);
}

TEST_F(FreqFilterDialogTest, BandWithEqualEdgesIsRefusedAndTheFocusedEdgeSelected) {
  open(3, 3, 128);
  view.texts[kEditLowerEdge] = "1000";
  view.texts[kEditUpperEdge] = "1000";
  view.focus = kEditUpperEdge;
  EXPECT_FALSE(dialog.Ok(view));
  ASSERT_EQ(view.warnings.size(), 1u);
  EXPECT_EQ(WarningText(view.warnings[0]), text::kMsgBandEdgesReversed);
  EXPECT_EQ(view.warnings[0].captionId, text::kCaptionError);
  EXPECT_EQ(view.selected, kEditUpperEdge);
  EXPECT_EQ(values.filterType, 3);
  EXPECT_EQ(values.upperFrequency, 3000u);

  view.focus = kOk;  // OK clicked: the lower edge is selected
  EXPECT_FALSE(dialog.Ok(view));
  EXPECT_EQ(view.selected, kEditLowerEdge);

  // Enter in an edge warns the same way and keeps the dialog open.
  view.warnings.clear();
  dialog.Enter(view, kEditLowerEdge);
  ASSERT_EQ(view.warnings.size(), 1u);
  EXPECT_EQ(WarningText(view.warnings[0]), text::kMsgBandEdgesReversed);
}

TEST_F(FreqFilterDialogTest, LowPassIgnoresTheUpperEdgeAndTakesTheListLength) {
  open(3, 3, 128);
  choose(kRadioLpf);
  view.texts[kEditLowerEdge] = "5000";
  view.texts[kEditUpperEdge] = "10";
  view.listSelection[kListLength] = 6;
  dialog.Enter(view, kEditLowerEdge);
  EXPECT_TRUE(view.warnings.empty());
  EXPECT_TRUE(dialog.Ok(view));
  EXPECT_EQ(values.filterType, 1);
  EXPECT_EQ(values.kindSelection, 1);
  EXPECT_EQ(values.taps, 1024u);
  EXPECT_EQ(values.lowerFrequency, 5000u);
  EXPECT_EQ(values.upperFrequency, 10u);
}

TEST_F(FreqFilterDialogTest, AnEdgeThatIsNoUnsignedNumberIsRefused) {
  open(2, 2, 64);
  view.texts[kEditLowerEdge] = "-1";
  dialog.EditLeft(view, kEditLowerEdge);
  ASSERT_EQ(view.warnings.size(), 1u);
  EXPECT_EQ(view.warnings[0].parts[0].formatArguments, (std::vector<std::string>{"0", "4294967295"}));
  EXPECT_EQ(view.texts[kEditLowerEdge], "1000");
}

}  // namespace
}  // namespace kr70
