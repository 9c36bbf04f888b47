#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "LmLang.h"
#include "SettingsDialogWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace kr70::ui {
namespace {

class SettingsDialogWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LmLangClose();
    ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1041, KR70_BIN_DIR, "KR70"), 0);
  }
  void TearDown() override { LmLangClose(); }
  std::unique_ptr<SettingsDialogWindow> open(int32_t dialogId, DialogValues& values) {
    auto dialog = createSettingsDialog(dialogId, values, [this](const Message& m) { warnings.push_back(m); }, nullptr);
    if (dialog) {
      dialog->show();
      EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    return dialog;
  }
  template <typename Widget>
  static Widget* find(QWidget& dialog, int id) {
    auto* widget = dialog.findChild<Widget*>(QString::number(id));
    EXPECT_NE(widget, nullptr) << id;
    return widget;
  }
  std::vector<Message> warnings;
};

TEST_F(SettingsDialogWindowTest, OnlyTheThreeSettingsDialogsWithTheirOwnValues) {
  SamplingPitchValues pitch;
  EXPECT_EQ(createSettingsDialog(kDialogYuragiFilter, pitch, {}, nullptr), nullptr);
  EXPECT_EQ(createSettingsDialog(142, pitch, {}, nullptr), nullptr);
  EXPECT_NE(createSettingsDialog(kDialogSamplingPitch, pitch, {}, nullptr), nullptr);
}

TEST_F(SettingsDialogWindowTest, FrequencyFilterDialogRoundTrip) {
  FreqFilterValues values;
  values.filterType = 0;
  values.kindSelection = 3;
  values.taps = 100;
  values.lowerFrequency = 1000;
  values.upperFrequency = 1000;
  values.samplingFrequency = 11025;
  auto dialog = open(kDialogFreqFilter, values);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), languageText(text::kFormFreqFilter));
  EXPECT_EQ(find<QLabel>(*dialog, 1009)->text(), "11025");
  EXPECT_EQ(find<QComboBox>(*dialog, 1020)->currentText(), "128");
  EXPECT_TRUE(find<QRadioButton>(*dialog, 1018)->isChecked());
  EXPECT_EQ(find<QLabel>(*dialog, 1021)->text(), languageText(text::kFreqEdgePassBand));
  auto* lower = find<QLineEdit>(*dialog, 1023);
  auto* upper = find<QLineEdit>(*dialog, 1026);
  EXPECT_FALSE(lower->isEnabled());

  auto* filterOn = find<QCheckBox>(*dialog, 1015);
  QTest::mouseClick(filterOn, Qt::LeftButton, {}, QPoint(6, filterOn->height() / 2));  // on the box
  EXPECT_TRUE(lower->isEnabled());
  EXPECT_TRUE(upper->isVisible());

  // Equal band edges: OK refuses with the one band warning and stays open.
  auto* ok = find<QPushButton>(*dialog, 1);
  QTest::mouseClick(ok, Qt::LeftButton);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].parts[0].textId, text::kMsgBandEdgesReversed);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(lower->selectedText(), "1000");

  // Enter in an edge takes the value without closing.
  upper->setFocus();
  upper->selectAll();
  QTest::keyClicks(upper, "4000");
  QTest::keyClick(upper, Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(warnings.size(), 1u);

  find<QComboBox>(*dialog, 1020)->setCurrentIndex(4);  // "256"
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(values.filterType, 3);
  EXPECT_EQ(values.kindSelection, 3);
  EXPECT_EQ(values.taps, 256u);
  EXPECT_EQ(values.lowerFrequency, 1000u);
  EXPECT_EQ(values.upperFrequency, 4000u);
}

TEST_F(SettingsDialogWindowTest, LeavingAnEditWithARefusedValueWarnsOnceAndRestoresIt) {
  YuragiFilterValues values;
  values.parameter1 = 4;
  auto dialog = open(kDialogYuragiFilter, values);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(find<QLineEdit>(*dialog, 1074)->isVisible());
  auto* first = find<QLineEdit>(*dialog, 1012);
  first->setFocus();
  first->selectAll();
  QTest::keyClicks(first, "6");
  find<QLineEdit>(*dialog, 1013)->setFocus();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].parts[0].textId, text::kMsgIntegerRange);
  EXPECT_EQ(first->text(), "4");
  EXPECT_TRUE(first->hasFocus());

  // Cancel leaves the values as they were, whatever the edits hold.
  QTest::keyClicks(first, "5");
  QTest::mouseClick(find<QPushButton>(*dialog, 2), Qt::LeftButton);
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(values.parameter1, 4);
  EXPECT_EQ(warnings.size(), 1u);
}

}  // namespace
}  // namespace kr70::ui
