#include "AbnormalPage.h"
#include "FakePage.h"
#include "PageText.h"
#include "PlotCore.h"
#include "SpectrumPage.h"
#include "WaveformPage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <vector>

namespace kr70 {
namespace {

using namespace waveform_page;
using testing::FakeControls;
using testing::FakeUiPort;

struct WaveformPageFixture : ::testing::Test {
  FakeUiPort port;
  FakeControls controls;
  WaveformPage page{port, controls};
  std::vector<double> samples;
  std::vector<std::pair<uint32_t, uint32_t>> commits;

  void load(uint32_t count, uint32_t fs = 10000) {
    samples.assign(count, 0.0);
    for (uint32_t i = 0; i < count; ++i) samples[i] = i * 0.001;
    page.setSelectionCommit([this](uint32_t s, uint32_t l) { commits.emplace_back(s, l); });
    page.setWaveforms({samples.data(), count, fs}, {samples.data(), count, fs});
    page.setData(count, 0, count);
  }
};

TEST_F(WaveformPageFixture, LimitEditsKeepUpperAboveLower) {
  load(1000);
  page.editFinished(kUpperTop, "-6");
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, kTextAboveRange);
  EXPECT_EQ(port.shown[0].captionId, 2170);
  EXPECT_EQ(controls.texts[kUpperTop], "5");
  EXPECT_EQ(controls.focused.back(), kUpperTop);
  EXPECT_DOUBLE_EQ(page.limit(kUpperTop), 5.0);

  page.editFinished(kLowerBottom, "5");  // lower limit not below the upper one
  ASSERT_EQ(port.shown.size(), 2u);
  EXPECT_EQ(port.shown[1].textId, kTextBelowRange);
  EXPECT_EQ(controls.texts[kLowerBottom], "-5");

  controls.redraws.clear();
  page.editFinished(kUpperBottom, "4.9999995");  // 5 - 4.9999995 < 1e-6
  EXPECT_EQ(port.shown.size(), 3u);
  page.editFinished(kUpperBottom, "-0.25");
  EXPECT_EQ(port.shown.size(), 3u);
  EXPECT_DOUBLE_EQ(page.limit(kUpperBottom), -0.25);
  EXPECT_EQ(controls.redraws, std::vector<int>{0});  // only the plot concerned
  page.editFinished(kUpperBottom, "-0.25");             // unchanged: nothing at all
  EXPECT_EQ(port.shown.size(), 3u);
}

TEST_F(WaveformPageFixture, FocusLostToTheWarningGivesNoSecondMessage) {
  load(1000);
  int nested = 0;
  port.whileShown = [&] {
    ++nested;
    page.editFinished(kUpperTop, "-6");  // the box took the focus from the edit
    page.editFinished(kStart, "5000");
  };
  page.editFinished(kUpperTop, "-6");
  EXPECT_EQ(nested, 2);  // the nested start edit is another edit: its own message
  ASSERT_EQ(port.shown.size(), 2u);
  EXPECT_EQ(port.shown[0].textId, kTextAboveRange);
  EXPECT_EQ(port.shown[1].textId, kTextBelowRange);
  port.whileShown = nullptr;
  page.editFinished(kUpperTop, "-7");  // validation works again afterwards
  EXPECT_EQ(port.shown.size(), 3u);
}

TEST_F(WaveformPageFixture, StartEditRefusesNAndClampsTheLength) {
  load(1000);
  page.editFinished(kStart, "1000");
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, kTextBelowRange);
  EXPECT_EQ(controls.texts[kStart], "0");
  EXPECT_TRUE(commits.empty());

  page.editFinished(kLength, "5");
  page.editFinished(kStart, "999");
  EXPECT_EQ(page.selectionStart(), 999u);
  EXPECT_EQ(page.selectionLength(), 1u);
  EXPECT_EQ(controls.texts[kLength], "1");
  ASSERT_EQ(commits.size(), 2u);
  EXPECT_EQ(commits.back(), std::make_pair(999u, 1u));
  page.editFinished(kStart, "abc");
  EXPECT_EQ(port.shown.size(), 2u);
}

TEST_F(WaveformPageFixture, LengthEditRules) {
  load(1000);
  page.editFinished(kLength, "0");
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, kTextAboveRange);
  EXPECT_EQ(controls.texts[kLength], "1000");
  page.editFinished(kStart, "10");  // length clamps to 990
  page.editFinished(kLength, "991");
  ASSERT_EQ(port.shown.size(), 2u);
  EXPECT_EQ(port.shown[1].textId, kTextBelowRange);
  page.editFinished(kLength, "4294967295");  // start + length overflows 32 bits
  EXPECT_EQ(port.shown.size(), 3u);
  page.editFinished(kLength, "100");
  EXPECT_EQ(commits.back(), std::make_pair(10u, 100u));
  page.selectAll();
  EXPECT_EQ(commits.back(), std::make_pair(0u, 1000u));
  const size_t before = commits.size();
  page.selectAll();  // already the whole record
  EXPECT_EQ(commits.size(), before);
}

TEST_F(WaveformPageFixture, ZoomTwentyAtTheRightEndShowsTheLastTwentieth) {
  load(123457);
  page.sliderMoved(5);
  EXPECT_EQ(page.view().zoom(), 20);
  EXPECT_EQ(controls.texts[kZoomText], "20");
  EXPECT_EQ(controls.scrollPages[kScrollBar], 50);
  EXPECT_TRUE(controls.isEnabled(kScrollBar));
  page.scrolled(ScrollAction::RightEnd);
  EXPECT_EQ(page.view().scrollPosition(), 950);
  EXPECT_EQ(page.view().firstSample(page.count()), static_cast<int64_t>(123457 * 0.95));
  // A drag over the whole width selects exactly the visible twentieth.
  page.mousePressed(0.0);
  page.mouseReleased(0.9999999);
  ASSERT_FALSE(commits.empty());
  EXPECT_EQ(commits.back().first, 117284u);
  EXPECT_EQ(commits.back().second, 6171u);  // trunc(117284 + 6172 · 0.9999999) − 117284
}

TEST_F(WaveformPageFixture, ScrollStepsAndLimits) {
  load(100000);
  page.scrolled(ScrollAction::RightEnd);  // disabled at zoom 1
  EXPECT_EQ(page.view().scrollPosition(), 0);
  page.sliderMoved(4);  // zoom 10, page 100
  page.scrolled(ScrollAction::LineRight);
  EXPECT_EQ(page.view().scrollPosition(), 10);
  page.scrolled(ScrollAction::PageRight);
  EXPECT_EQ(page.view().scrollPosition(), 110);
  page.scrolled(ScrollAction::Track, 990);
  EXPECT_EQ(page.view().scrollPosition(), 900);
  page.scrolled(ScrollAction::EndScroll, 0);
  EXPECT_EQ(page.view().scrollPosition(), 900);
  page.scrolled(ScrollAction::PageLeft);
  page.scrolled(ScrollAction::LeftEnd);
  EXPECT_EQ(page.view().scrollPosition(), 0);
  page.scrolled(ScrollAction::LineLeft);
  EXPECT_EQ(page.view().scrollPosition(), 0);
  page.sliderMoved(1);  // zoom 2, page 500: 900 is beyond 500
  page.scrolled(ScrollAction::Track, 700);
  EXPECT_EQ(page.view().scrollPosition(), 500);
  page.sliderMoved(0);
  EXPECT_EQ(page.view().scrollPosition(), 0);
  EXPECT_FALSE(controls.isEnabled(kScrollBar));
}

TEST_F(WaveformPageFixture, DragsInBothDirectionsSelectTheSameAndAClickNothing) {
  load(1000);
  page.mousePressed(0.25);
  EXPECT_TRUE(controls.capture);
  page.mouseReleased(0.5);
  EXPECT_FALSE(controls.capture);
  ASSERT_EQ(commits.size(), 1u);
  EXPECT_EQ(commits[0], std::make_pair(250u, 250u));
  page.mousePressed(0.5);
  page.mouseReleased(0.25);
  ASSERT_EQ(commits.size(), 2u);
  EXPECT_EQ(commits[1], commits[0]);
  EXPECT_EQ(controls.texts[kStart], "250");
  EXPECT_EQ(controls.texts[kLength], "250");
  page.mousePressed(0.4);
  page.mouseReleased(0.4);
  EXPECT_EQ(commits.size(), 2u);
  EXPECT_DOUBLE_EQ(page.pressedFraction(), -1.0);
  // Released beyond the plots' right or left edge: the selection ends there.
  page.mousePressed(0.4);
  page.mouseReleased(1.7);
  ASSERT_EQ(commits.size(), 3u);
  EXPECT_EQ(commits[2], std::make_pair(400u, 600u));
  page.mousePressed(0.4);
  page.mouseReleased(-1.0);
  ASSERT_EQ(commits.size(), 4u);
  EXPECT_EQ(commits[3], std::make_pair(0u, 400u));
  EXPECT_DOUBLE_EQ(page.pressedFraction(), -1.0);
}

TEST_F(WaveformPageFixture, TenSampleRecordCannotZoom) {
  load(10);
  EXPECT_FALSE(controls.isEnabled(kSlider));
  EXPECT_FALSE(controls.isEnabled(kScrollBar));
  EXPECT_EQ(controls.texts[kZoomText], "1");
  page.sliderMoved(3);
  EXPECT_EQ(page.view().zoom(), 1);
  // A long record enables zooming, a short one afterwards resets it.
  load(100000);
  EXPECT_TRUE(controls.isEnabled(kSlider));
  page.sliderMoved(3);
  page.scrolled(ScrollAction::Track, 300);
  load(10);
  EXPECT_EQ(page.view().zoom(), 1);
  EXPECT_EQ(page.view().scrollPosition(), 0);
  EXPECT_EQ(controls.sliders[kSlider], 0);
}

TEST_F(WaveformPageFixture, ReadOutUnderTheMouse) {
  load(10000, 10000);  // one second
  page.mouseMoved(0.5);
  EXPECT_EQ(controls.texts[kTimeText], "500.000");
  EXPECT_EQ(controls.texts[kIndexText], "5000");
  EXPECT_EQ(controls.texts[kUpperValue], "5.000000");
  EXPECT_EQ(controls.texts[kLowerValue], "5.000000");
  load(10, 10000);  // new data: the read-out of the old data goes
  for (int32_t id : {kTimeText, kIndexText, kUpperValue, kLowerValue}) EXPECT_EQ(controls.texts[id], "") << id;
}

TEST(SpectrumRanges, DecadesBetweenResolutionAndNyquist) {
  const std::vector<std::string> wide = {"10", "100", "1000", "10000", "100000"};
  EXPECT_EQ(frequencyRangeEntries(4096, 44100), wide);
  const std::vector<std::string> narrow = {"10", "100", "1000", "10000"};
  EXPECT_EQ(frequencyRangeEntries(1024, 11025), narrow);
  // Resolution 0.09 Hz: starts at 0.01; Nyquist 2 kHz ends at 10000.
  EXPECT_EQ(frequencyRangeEntries(1 << 16, 4000).front(), "0.01");
  EXPECT_EQ(frequencyRangeEntries(1 << 16, 4000).back(), "10000");
  EXPECT_TRUE(frequencyRangeEntries(0, 44100).empty());
}

TEST(SpectrumPageLogic, RangeListRules) {
  FakeUiPort port;
  FakeControls controls;
  SpectrumPage page(port, controls, 2);
  EXPECT_EQ(page.decibelIndex(0), 2);
  page.setData(4096, 44100);
  EXPECT_EQ(controls.texts[spectrum_page::kCount], "4096");
  EXPECT_EQ(controls.lists[spectrum_page::kFrom].size(), 5u);
  EXPECT_EQ(controls.selections[spectrum_page::kTo], 4);
  EXPECT_DOUBLE_EQ(page.lowestFrequency(), 10.0);
  EXPECT_DOUBLE_EQ(page.highestFrequency(), 100000.0);

  page.fromChosen(4);  // not below "to"
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, 2091);
  EXPECT_EQ(port.shown[0].captionId, 2024);
  EXPECT_EQ(controls.selections[spectrum_page::kFrom], 0);
  page.fromChosen(2);
  EXPECT_EQ(page.fromIndex(), 2);
  page.toChosen(2);  // not above "from"
  ASSERT_EQ(port.shown.size(), 2u);
  EXPECT_EQ(port.shown[1].textId, 2092);
  EXPECT_EQ(controls.selections[spectrum_page::kTo], 4);
  page.toChosen(3);
  EXPECT_DOUBLE_EQ(page.highestFrequency(), 10000.0);

  // N = 0 shows "0" and keeps the lists.
  page.setData(0, 0);
  EXPECT_EQ(controls.texts[spectrum_page::kCount], "0");
  EXPECT_EQ(page.rangeEntries().size(), 5u);
  EXPECT_EQ(page.toIndex(), 3);

  controls.redraws.clear();
  page.decibelChosen(1, 0);
  page.decibelChosen(1, 0);
  EXPECT_EQ(controls.redraws, std::vector<int>{1});
  page.kindChosen(1);
  EXPECT_EQ(page.kind(), 1);
}

// The frequency under the mouse on the logarithmic axis and both spectra's
// levels at the nearest bin, of the kind shown.
TEST(SpectrumPageLogic, ReadOutUnderTheMouse) {
  FakeUiPort port;
  FakeControls controls;
  SpectrumPage page(port, controls);
  std::vector<double> power(1000, 0.01), amplitude(1000, 0.1), silent(1000, 0.0);
  page.setSpectra({power.data(), amplitude.data(), 1000, 1000}, {silent.data(), silent.data(), 1000, 1000});
  page.setData(1000, 1000);  // range 1 .. 1000 Hz
  using namespace spectrum_page;
  page.mouseMoved(0.5);
  EXPECT_EQ(controls.texts[kFrequencyText], "31.62");
  EXPECT_EQ(controls.texts[kUpperLevel], "-40.00");
  EXPECT_EQ(controls.texts[kLowerLevel], "");  // a zero value has no level
  page.kindChosen(1);
  page.mouseMoved(0.5);
  EXPECT_EQ(controls.texts[kUpperLevel], "-20.00");
  page.mouseMoved(1.0);  // 1000 Hz lies beyond the drawn bins
  EXPECT_EQ(controls.texts[kFrequencyText], "1000.00");
  EXPECT_EQ(controls.texts[kUpperLevel], "");
  page.mouseMoved(0.5);
  page.setData(1000, 1000);
  for (int32_t id : {kFrequencyText, kUpperLevel, kLowerLevel}) EXPECT_EQ(controls.texts[id], "") << id;
}

TEST(AbnormalPageLogic, UpperLimitMustStayAboveZero) {
  FakeUiPort port;
  FakeControls controls;
  AbnormalPage page(port, controls);
  std::vector<double> square(2000, 1.0);
  page.setWaveform({square.data(), 2000, 1000}, 0.5);
  page.setData(2000, 0, 2000);
  EXPECT_EQ(controls.texts[abnormal_page::kSquareCount], "2000");
  EXPECT_TRUE(controls.isEnabled(abnormal_page::kSlider));
  page.editFinished(abnormal_page::kSquareTop, "0");
  ASSERT_EQ(port.shown.size(), 1u);
  EXPECT_EQ(port.shown[0].textId, kTextAboveRange);
  EXPECT_EQ(controls.texts[abnormal_page::kSquareTop], "5");
  page.editFinished(abnormal_page::kSquareTop, "2");
  EXPECT_DOUBLE_EQ(page.upperLimit(0), 2.0);
  page.mouseMoved(0.25);
  EXPECT_EQ(controls.texts[abnormal_page::kIndexText], "500");
  EXPECT_EQ(controls.texts[abnormal_page::kValueText], "1.000000");
  // The wheel zooms and scrolls its time axis as on the waveform page.
  page.wheelTurned(1, true, 0.5);
  EXPECT_EQ(page.view().zoom(), 2);
  EXPECT_EQ(page.view().scrollPosition(), 250);
  page.wheelTurned(-1, false, 0.5);
  EXPECT_EQ(page.view().scrollPosition(), 300);
}

TEST(ResultLampLogic, StatesLightTheLamps) {
  ResultLamp lamp;
  EXPECT_EQ(lamp.okBitmap(), 163);
  EXPECT_EQ(lamp.ngBitmap(), 167);
  lamp.setJudgement(1);
  EXPECT_TRUE(lamp.okLit());
  EXPECT_EQ(lamp.okBitmap(), 166);
  EXPECT_EQ(lamp.ngBitmap(), 167);
  lamp.setJudgement(2);
  EXPECT_EQ(lamp.okBitmap(), 163);
  EXPECT_EQ(lamp.ngBitmap(), 168);
  lamp.setJudgement(7);
  EXPECT_EQ(lamp.state(), 0);
  lamp.setDisplay(1);
  EXPECT_TRUE(lamp.shown());
}

TEST(PageTextMenu, QuotedMenuTextLosesAcceleratorAndEllipsis) {
  EXPECT_EQ(text::plainMenuText("\xE7\x95\xB0\xE9\x9F\xB3(&I)..."), "\xE7\x95\xB0\xE9\x9F\xB3");  // 異音(&I)...
  EXPECT_EQ(text::plainMenuText("Abnormal-Sound &Inspection..."), "Abnormal-Sound Inspection");
  EXPECT_EQ(text::plainMenuText("Version (&A)..."), "Version");
  EXPECT_EQ(text::plainMenuText("Save && Close"), "Save & Close");
}

TEST(BoxIconRule, IconMatchesTheCaption) {
  Message message;
  message.icon = MessageIcon::Information;
  message.captionId = kCaptionMainView;  // "Warning"
  EXPECT_EQ(BoxIcon(message), MessageIcon::Warning);
  message.captionId = kCaptionFileDialog;  // "Error"
  EXPECT_EQ(BoxIcon(message), MessageIcon::Error);
  message.captionId = 3116;  // a caption of its own keeps the icon asked for
  EXPECT_EQ(BoxIcon(message), MessageIcon::Information);
  message.captionId = kCaptionMainView;
  message.icon = MessageIcon::Question;
  EXPECT_EQ(BoxIcon(message), MessageIcon::Question);
}

}  // namespace
}  // namespace kr70

namespace kr70 {
namespace {

TEST(PageTextLocale, NumbersUseTheDecimalPointWhateverTheLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "de_DE.utf8") == nullptr)
    GTEST_SKIP() << "no German locale installed";
  EXPECT_EQ(text::formatFixed(500.0, 3), "500.000");
  EXPECT_EQ(text::formatShortest(-0.25), "-0.25");
  EXPECT_DOUBLE_EQ(text::parseDouble(" 1.5e1x"), 15.0);
  EXPECT_DOUBLE_EQ(text::parseDouble("abc"), 0.0);
  EXPECT_EQ(plot::millisecondLabel(1.25), "1.25");
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace kr70
