#include "FileSaveWindows.h"

#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "DataSaveDialog.h"
#include "WaveCutDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
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

// Data-only mode: the parameter-file and environment-file areas of the
// template are left out.
void buildDataSave(QDialog& dialog) {
  addControl<QCheckBox>(dialog, kCheckDataArea);
  for (int32_t id : {kEditSaveDirectory, kEditSaveName}) {
    addControl<QLabel>(dialog, kLabelOf + id);
    addControl<QLineEdit>(dialog, id);
  }
  addControl<QPushButton>(dialog, kButtonSaveBrowse)->setAutoDefault(false);
  for (int32_t id = kCheckSaveRaw; id <= kCheckSaveSquareMean; ++id) {
    addControl<QCheckBox>(dialog, id);
    auto* name = addControl<QLabel>(dialog, id + kNameDisplayOffset);
    name->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  }
  addOkCancel(dialog);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kSaveCaption},
      {2, 10, 6, 150, 10, kCheckDataArea, ids::kSaveDataArea},
      {2, 20, 22, 56, 10, kLabelOf + kEditSaveDirectory, ids::kSaveDirectory},
      {3, 78, 20, 148, 12, kEditSaveDirectory, 0},
      {2, 230, 20, 40, 12, kButtonSaveBrowse, ids::kSaveBrowse},
      {2, 20, 38, 56, 10, kLabelOf + kEditSaveName, ids::kSaveFileName},
      {3, 78, 36, 148, 12, kEditSaveName, 0},
      // Kinds in the order they are written (captions from the logic); the
      // difference spectrum is hidden.
      {3, 20, 56, 150, 10, kCheckSaveRaw, 0},
      {3, 172, 56, 98, 10, kCheckSaveRaw + kNameDisplayOffset, 0},
      {3, 20, 70, 150, 10, kCheckSaveAnalysis, 0},
      {3, 172, 70, 98, 10, kCheckSaveAnalysis + kNameDisplayOffset, 0},
      {3, 20, 84, 150, 10, kCheckSaveYuragi, 0},
      {3, 172, 84, 98, 10, kCheckSaveYuragi + kNameDisplayOffset, 0},
      {3, 20, 98, 150, 10, kCheckSaveSpectrum, 0},
      {3, 172, 98, 98, 10, kCheckSaveSpectrum + kNameDisplayOffset, 0},
      {3, 20, 112, 150, 10, kCheckSaveYuragiSpectrum, 0},
      {3, 172, 112, 98, 10, kCheckSaveYuragiSpectrum + kNameDisplayOffset, 0},
      {3, 20, 126, 150, 10, kCheckSaveSquareMean, 0},
      {3, 172, 126, 98, 10, kCheckSaveSquareMean + kNameDisplayOffset, 0},
      {3, 20, 140, 150, 10, kCheckSaveDifSpectrum, 0},
      {3, 172, 140, 98, 10, kCheckSaveDifSpectrum + kNameDisplayOffset, 0},
      {2, 164, 146, 50, 14, kOk, ids::kSaveButton},
      {2, 220, 146, 50, 14, kCancel, ids::kButtonCancel},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(dialog, kTable, 280, 168);
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
  if (auto* save = dynamic_cast<DataSaveValues*>(&values); save && dialogId == kDialogDataSave) {
    auto logic = std::make_unique<DataSaveDialog>(*save, port);
    DataSaveDialog* saveLogic = logic.get();
    auto window = std::make_unique<SettingsDialogWindow>(std::move(logic), std::move(warn), parent);
    buildDataSave(*window);
    SettingsDialogWindow* view = window.get();
    QObject::connect(qobject_cast<QPushButton*>(window->control(kButtonSaveBrowse)), &QPushButton::clicked, view,
                     [saveLogic, view] { saveLogic->Browse(*view); });
    QObject::connect(qobject_cast<QLineEdit*>(window->control(kEditSaveName)), &QLineEdit::textEdited, view,
                     [saveLogic, view] { saveLogic->NameEdited(*view); });
    window->bindAndOpen();
    return window;
  }
  return nullptr;
}

}  // namespace kr70::ui
