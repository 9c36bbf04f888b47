#pragma once
// The Qt windows of the sampling pitch (130), yuragi filter (131),
// frequency-response filter (132) and abnormal-sound settings (140) dialogs.
// Each binds its widgets, named by control id, to the dialog logic of
// FilterDialogs.h or AbnormalDialog.h: focus loss and Enter of an edit, clicks
// of the check boxes and radios, and OK go to the logic, which decides; the
// window only shows. Warnings go to the given sink (the UI
// port's message box).
#include "FilterDialogs.h"
#include "LanguageText.h"
#include "UiPort.h"

#include <QDialog>
#include <functional>
#include <memory>

namespace kr70::ui {

class SettingsDialogWindow : public QDialog, public DialogView {
 public:
  using WarningSink = std::function<void(const Message&)>;
  SettingsDialogWindow(std::unique_ptr<SettingsDialog> logic, WarningSink warn, QWidget* parent);
  ~SettingsDialogWindow() override;

  // The widget of a control id (its object name), or null.
  QWidget* control(int32_t controlId) const;

  // OK: the logic transfers and checks every value and says whether to close.
  void accept() override;

  // DialogView
  std::string Text(int32_t controlId) override;
  void SetText(int32_t controlId, const std::string& text) override;
  void SetTextId(int32_t controlId, int32_t textId) override;
  void SelectEdit(int32_t controlId) override;
  int32_t FocusedControl() override;
  bool IsChecked(int32_t controlId) override;
  void SetChecked(int32_t controlId, bool checked) override;
  void Enable(int32_t controlId, bool enabled) override;
  void Show(int32_t controlId, bool shown) override;
  void FillList(int32_t controlId, const std::vector<std::string>& entries) override;
  void SelectListEntry(int32_t controlId, int index) override;
  int SelectedListEntry(int32_t controlId) override;
  void ShowWarning(const Message& message) override;

  // Called once the widgets exist: connects them and lets the logic fill them.
  void bindAndOpen();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<SettingsDialog> logic_;
  WarningSink warn_;
};

// The dialog of template dialogId (130, 131 or 132) over values of the
// matching type, ready to exec(); null for any other dialog or value type.
// Accepting writes the accepted values into values; cancelling leaves them.
std::unique_ptr<SettingsDialogWindow> createSettingsDialog(int32_t dialogId, DialogValues& values,
                                                           SettingsDialogWindow::WarningSink warn,
                                                           QWidget* parent);

// The abnormal-sound settings dialog (140) over AbnormalSettingsValues, ready
// to exec(); null for another value type.
std::unique_ptr<SettingsDialogWindow> createAbnormalSettingsDialog(DialogValues& values,
                                                                   SettingsDialogWindow::WarningSink warn,
                                                                   QWidget* parent);

// Builders shared by the settings dialogs' windows: a control named by its
// id, the OK and Cancel buttons (which take no focus, so that clicking them
// does not first commit the edit being typed in: OK checks every edit itself,
// and cancelling should not warn about a value that is being thrown away),
// and the localisation table with the fixed size in dialog units.
template <typename Widget>
Widget* addControl(QDialog& dialog, int32_t controlId) {
  auto* widget = new Widget(&dialog);
  widget->setObjectName(QString::number(controlId));
  return widget;
}
void addOkCancel(QDialog& dialog);
void layOutDialog(QDialog& dialog, const LocalisationEntry* table, int width, int height);

}  // namespace kr70::ui
