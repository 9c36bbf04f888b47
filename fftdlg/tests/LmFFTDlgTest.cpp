#include "LmFFTDlg.h"
#include "LmLang.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `act` on the dialog once it is shown (from the event loop of exec).
void whenShown(std::function<void(QWidget&)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

QCheckBox* checkBox(QWidget& dialog) { return dialog.findChild<QCheckBox*>("9000"); }
QPushButton* button(QWidget& dialog, const char* id) { return dialog.findChild<QPushButton*>(id); }

class FftDialog : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    LmLangClose();
    ASSERT_EQ(LmLangInit(2, GetParam(), KR70_BIN_DIR, "KR70"), 0);
  }
  void TearDown() override { LmLangClose(); }
};

TEST_P(FftDialog, InitialFiveShowsTickedAndOkGivesOne) {
  int32_t flag = 5;
  bool ticked = false;
  QString caption, checkText, groupText, okText;
  whenShown([&](QWidget& dialog) {
    ticked = checkBox(dialog)->isChecked();
    caption = dialog.windowTitle();
    checkText = checkBox(dialog)->text();
    groupText = dialog.findChild<QGroupBox*>("9001")->title();
    okText = button(dialog, "1")->text();
    button(dialog, "1")->click();
  });
  EXPECT_EQ(ShowFFTSetDlg(nullptr, &flag), LMFFTDLG_OK);
  EXPECT_TRUE(ticked);
  EXPECT_EQ(flag, 1);
  EXPECT_FALSE(caption.isEmpty());
  EXPECT_FALSE(checkText.isEmpty());
  EXPECT_FALSE(groupText.isEmpty());
  EXPECT_FALSE(okText.isEmpty());
  if (GetParam() == 1033) {
    EXPECT_EQ(caption.toStdString(), LmLangGetIdxString(650));
    EXPECT_EQ(okText.toStdString(), LmLangGetIdxString(200));
  }
}

TEST_P(FftDialog, CancelLeavesTheFlagEvenWhenToggled) {
  int32_t flag = 0;
  whenShown([](QWidget& dialog) {
    checkBox(dialog)->click();
    ASSERT_TRUE(checkBox(dialog)->isChecked());
    button(dialog, "2")->click();
  });
  EXPECT_EQ(ShowFFTSetDlg(nullptr, &flag), LMFFTDLG_CANCEL);
  EXPECT_EQ(flag, 0);
}

TEST_P(FftDialog, UntickingAndOkGivesZero) {
  int32_t flag = 1;
  whenShown([](QWidget& dialog) {
    checkBox(dialog)->click();
    button(dialog, "1")->click();
  });
  EXPECT_EQ(ShowFFTSetDlg(nullptr, &flag), LMFFTDLG_OK);
  EXPECT_EQ(flag, 0);
}

TEST_P(FftDialog, EscapeIsCancel) {
  int32_t flag = 3;
  whenShown([](QWidget& dialog) { dialog.close(); });
  EXPECT_EQ(ShowFFTSetDlg(nullptr, &flag), LMFFTDLG_CANCEL);
  EXPECT_EQ(flag, 3);
}

TEST(FftDialogFailure, NullFlagIsRefused) { EXPECT_EQ(ShowFFTSetDlg(nullptr, nullptr), LMFFTDLG_FAILED); }

INSTANTIATE_TEST_SUITE_P(Languages, FftDialog, ::testing::Values(1033, 1041));

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
