#include "FileSaveWindows.h"

#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "WaveCutDialog.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kr70::ui {
namespace {

namespace ids = kr70::text;
using namespace kr70::dialog;

// The unit labels beside the time edits.
constexpr int32_t kUnitOf = 2 * kLabelOf;

// Radios of one group, exclusive among themselves only.
void groupRadios(QDialog& dialog, std::initializer_list<int32_t> ids) {
  auto* group = new QButtonGroup(&dialog);
  for (int32_t id : ids) group->addButton(addControl<QRadioButton>(dialog, id), id);
}

void buildWaveCut(QDialog& dialog) {
  for (int32_t id : {kEditCutStart, kEditCutEnd}) {
    addControl<QLabel>(dialog, kLabelOf + id);
    addControl<QLineEdit>(dialog, id);
    addControl<QLabel>(dialog, kUnitOf + id);
  }
  groupRadios(dialog, {kRadioCutRaw, kRadioCutRaw + 1, kRadioCutYuragi});
  groupRadios(dialog, {kRadioCut8Bit, kRadioCut16Bit});
  addControl<QLabel>(dialog, kLabelOf + kEditCutFileName)->hide();
  addControl<QLineEdit>(dialog, kEditCutFileName);
  addControl<QPushButton>(dialog, kButtonCutBrowse)->setAutoDefault(false);
  addOkCancel(dialog);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kCutCaption},
      {2, 10, 10, 56, 10, kLabelOf + kEditCutStart, ids::kCutStartTime},
      {3, 68, 8, 64, 12, kEditCutStart, 0},
      {2, 136, 10, 24, 10, kUnitOf + kEditCutStart, ids::kCutMilliseconds},
      {2, 10, 26, 56, 10, kLabelOf + kEditCutEnd, ids::kCutEndTime},
      {3, 68, 24, 64, 12, kEditCutEnd, 0},
      {2, 136, 26, 24, 10, kUnitOf + kEditCutEnd, ids::kCutMilliseconds},
      {2, 10, 44, 100, 10, kRadioCutRaw, ids::kCutKindRaw},
      {2, 10, 56, 100, 10, kRadioCutRaw + 1, ids::kCutKindAnalysis},
      {2, 10, 68, 100, 10, kRadioCutYuragi, ids::kCutKindYuragi},
      {2, 116, 44, 50, 10, kRadioCut8Bit, ids::kCut8Bit},
      {2, 116, 56, 50, 10, kRadioCut16Bit, ids::kCut16Bit},
      {2, 10, 86, 56, 10, kLabelOf + kEditCutFileName, ids::kCutFileName},
      {3, 68, 84, 64, 12, kEditCutFileName, 0},
      {2, 136, 84, 30, 12, kButtonCutBrowse, ids::kSaveBrowse},
      {2, 36, 86, 50, 14, kOk, ids::kCutSave},
      {2, 92, 86, 50, 14, kCancel, ids::kButtonCancel},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(dialog, kTable, 176, 108);
}

}  // namespace

std::unique_ptr<SettingsDialogWindow> createFileSaveDialog(int32_t dialogId, DialogValues& values, UiPort& port,
                                                           SettingsDialogWindow::WarningSink warn, QWidget* parent) {
  if (auto* cut = dynamic_cast<WaveCutValues*>(&values); cut && dialogId == kDialogWaveCut) {
    auto logic = std::make_unique<CWaveCutDlg>(*cut, port);
    CWaveCutDlg* cutLogic = logic.get();
    auto window = std::make_unique<SettingsDialogWindow>(std::move(logic), std::move(warn), parent);
    buildWaveCut(*window);
    SettingsDialogWindow* view = window.get();
    QObject::connect(qobject_cast<QPushButton*>(window->control(kButtonCutBrowse)), &QPushButton::clicked, view,
                     [cutLogic, view] { cutLogic->Browse(*view); });
    window->bindAndOpen();
    return window;
  }
  return nullptr;
}

}  // namespace kr70::ui
