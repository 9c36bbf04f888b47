#include "AbnormalDialog.h"

#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "SettingsDialogWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kr70::ui {
namespace {

namespace ids = kr70::text;
using namespace kr70::dialog;

void buildAbnormalSettings(QDialog& dialog) {
  for (int32_t id : {kEditInputCount, kEditSquarePitch, kEditSmoothing, kEditAreaLevel, kEditPassThreshold,
                     kEditPeakPitch, kEditPeakWidth, kEditJudgementWidth, kEditJudgementThreshold}) {
    addControl<QLabel>(dialog, kLabelOf + id);
    addControl<QLineEdit>(dialog, id);
  }
  for (int32_t id : {kCheckPeakAnalysis, kCheckInverted, kCheckShowResult}) addControl<QCheckBox>(dialog, id);
  addOkCancel(dialog);
  if (auto* count = dialog.findChild<QLineEdit*>(QString::number(kEditInputCount))) {
    count->setReadOnly(true);
    count->setFocusPolicy(Qt::NoFocus);
  }

  // Hidden controls keep a place below the visible ones.
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kFormAbnormalSettings},
      {2, 10, 10, 130, 10, kLabelOf + kEditInputCount, ids::kAbnInputCount},
      {3, 142, 8, 70, 12, kEditInputCount, 0},
      {2, 10, 26, 130, 10, kLabelOf + kEditSmoothing, ids::kAbnSmoothing},
      {3, 142, 24, 70, 12, kEditSmoothing, 0},
      {2, 10, 42, 130, 10, kLabelOf + kEditAreaLevel, ids::kAbnAreaLevel},
      {3, 142, 40, 70, 12, kEditAreaLevel, 0},
      {2, 10, 58, 130, 10, kLabelOf + kEditPassThreshold, ids::kAbnPassThreshold},
      {3, 142, 56, 70, 12, kEditPassThreshold, 0},
      {2, 10, 74, 200, 10, kCheckInverted, ids::kAbnInverted},
      {2, 10, 88, 200, 10, kCheckShowResult, ids::kAbnShowResult},
      {2, 112, 106, 45, 14, kOk, ids::kButtonOk},
      {2, 162, 106, 45, 14, kCancel, ids::kButtonCancel},
      {2, 10, 130, 130, 10, kLabelOf + kEditSquarePitch, ids::kAbnSquarePitch},
      {3, 142, 128, 70, 12, kEditSquarePitch, 0},
      {2, 10, 144, 200, 10, kCheckPeakAnalysis, ids::kAbnPeakAnalysis},
      {2, 10, 160, 130, 10, kLabelOf + kEditPeakPitch, ids::kAbnPeakPitch},
      {3, 142, 158, 70, 12, kEditPeakPitch, 0},
      {2, 10, 176, 130, 10, kLabelOf + kEditPeakWidth, ids::kAbnPeakWidth},
      {3, 142, 174, 70, 12, kEditPeakWidth, 0},
      {2, 10, 192, 130, 10, kLabelOf + kEditJudgementWidth, ids::kAbnJudgementWidth},
      {3, 142, 190, 70, 12, kEditJudgementWidth, 0},
      {2, 10, 208, 130, 10, kLabelOf + kEditJudgementThreshold, ids::kAbnJudgementThreshold},
      {3, 142, 206, 70, 12, kEditJudgementThreshold, 0},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(dialog, kTable, 222, 128);
}

}  // namespace

std::unique_ptr<SettingsDialogWindow> createAbnormalSettingsDialog(DialogValues& values,
                                                                   SettingsDialogWindow::WarningSink warn,
                                                                   QWidget* parent) {
  auto* abnormal = dynamic_cast<AbnormalSettingsValues*>(&values);
  if (abnormal == nullptr) return nullptr;
  auto window = std::make_unique<SettingsDialogWindow>(std::make_unique<AbnormalSettingsDialog>(*abnormal),
                                                       std::move(warn), parent);
  buildAbnormalSettings(*window);
  window->bindAndOpen();
  return window;
}

}  // namespace kr70::ui
