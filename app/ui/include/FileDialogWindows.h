#pragma once
// The Qt side of the workstation's file dialogs: the open/save dialog with
// the folder line 1189 and the check box 1101 (a non-native QFileDialog with
// two rows added below its own controls), the folder browser, and the window
// of the file-name dialog 1064, which binds two edits and four buttons to the
// FileNameDialog logic.
#include "FileNameDialog.h"
#include "UiPort.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QFileDialog;
class QLineEdit;

namespace kr70::ui {

// Qt name filters of a request's filter entries: "description (pattern)"
// each; a language text holding "description|pattern|...||" gives its pairs.
QStringList qtNameFilters(const std::vector<FileFilter>& filters);

// Runs the file dialog of request. With defaultDirectoryBox the dialog shows
// the folder line and the check box, which starts as *defaultDirectoryBox and
// is stored back when the user accepts. hook (tests) sees the dialog before
// it runs. The chosen paths, empty when cancelled.
std::vector<std::string> runFileDialog(QWidget* parent, const FileDialogRequest& request, bool* defaultDirectoryBox,
                                       const std::function<void(QFileDialog&)>& hook = {});

// Dialog 1064 over its logic. "保存" (object name "1") asks the logic and
// closes when it says so; leaving an edit or Enter in it runs the logic's
// field rule; the window only shows the fields again afterwards.
class FileNameDialogWindow : public QDialog {
 public:
  FileNameDialogWindow(FileNameDialog& logic, QWidget* parent);
  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void pull();
  void push();
  void directoryDone();
  void nameDone(bool enter);

  FileNameDialog& logic_;
  QLineEdit* directory_ = nullptr;
  QLineEdit* name_ = nullptr;
  bool busy_ = false;  // a rule is running (its message boxes take the focus)
};

}  // namespace kr70::ui
