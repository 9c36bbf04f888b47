#include "FileDialogWindows.h"

#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "SettingsDialogWindow.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kr70::ui {
namespace ids = kr70::text;

namespace {

QString formatted(int32_t textId, const std::vector<std::string>& arguments) {
  Message message;
  message.parts.push_back(MessagePart{textId, arguments, {}});
  return messageText(message);
}

}  // namespace

QStringList qtNameFilters(const std::vector<FileFilter>& filters) {
  QStringList list;
  for (const FileFilter& entry : filters) {
    const QString pattern = QString::fromStdString(entry.pattern).replace(';', ' ');
    if (entry.descriptionId == 0) {
      list << QString::fromStdString(entry.description) + " (" + pattern + ")";
      continue;
    }
    const QString text = formatted(entry.descriptionId, entry.descriptionArguments);
    if (!text.contains('|')) {
      list << (text.contains('(') ? text : text + " (" + pattern + ")");
      continue;
    }
    const QStringList parts = text.split('|');
    for (int i = 0; i + 1 < parts.size(); i += 2) {
      if (parts[i].isEmpty()) break;
      const QString patterns = QString(parts[i + 1]).replace(';', ' ');
      list << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + patterns + ")");
    }
  }
  return list;
}

std::vector<std::string> runFileDialog(QWidget* parent, const FileDialogRequest& request, bool* defaultDirectoryBox,
                                       const std::function<void(QFileDialog&)>& hook) {
  QFileDialog dialog(parent);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save             ? QFileDialog::AnyFile
                     : request.multiSelect    ? QFileDialog::ExistingFiles
                                              : QFileDialog::ExistingFile);
  // The callers check overwriting themselves (once for a whole save).
  if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = qtNameFilters(request.filters);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  if (!request.initialDirectory.empty()) dialog.setDirectory(QString::fromStdString(request.initialDirectory));
  if (!request.initialName.empty()) dialog.selectFile(QString::fromStdString(request.initialName));
  if (request.titleId != 0) dialog.setWindowTitle(languageText(request.titleId));

  QCheckBox* box = nullptr;
  if (defaultDirectoryBox != nullptr) {
    // The folder being browsed, always shown, and the default-directory box.
    auto* folder = new QLabel(dialog.directory().absolutePath(), &dialog);
    folder->setObjectName(QString::number(1189));
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QObject::connect(&dialog, &QFileDialog::directoryEntered, folder, &QLabel::setText);
    box = new QCheckBox(languageText(ids::kCheckOpenInDefaultDirectory), &dialog);
    box->setObjectName(QString::number(1101));
    box->setChecked(*defaultDirectoryBox);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
      const int row = grid->rowCount();
      grid->addWidget(folder, row, 0, 1, -1);
      grid->addWidget(box, row + 1, 0, 1, -1);
    }
  }
  if (hook) hook(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  if (box != nullptr) *defaultDirectoryBox = box->isChecked();
  std::vector<std::string> paths;
  for (const QString& path : dialog.selectedFiles()) paths.push_back(path.toStdString());
  return paths;
}

FileNameDialogWindow::FileNameDialogWindow(FileNameDialog& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
  using namespace filename;
  constexpr int32_t kLabelOf = 10000;
  addControl<QLabel>(*this, kLabelOf + kEditDirectory);
  directory_ = addControl<QLineEdit>(*this, kEditDirectory);
  auto* browseDirectory = addControl<QPushButton>(*this, kButtonBrowseDirectory);
  addControl<QLabel>(*this, kLabelOf + kEditName);
  name_ = addControl<QLineEdit>(*this, kEditName);
  auto* browseFile = addControl<QPushButton>(*this, kButtonBrowseFile);
  auto* save = addControl<QPushButton>(*this, 1);
  auto* cancel = addControl<QPushButton>(*this, 2);
  // Buttons take no focus, so that clicking one does not first run the rule
  // of the edit being left; Enter belongs to the edits.
  for (QPushButton* button : {browseDirectory, browseFile, save, cancel}) {
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
  }
  connect(browseDirectory, &QPushButton::clicked, this, [this] {
    pull();
    busy_ = true;
    logic_.BrowseDirectory();
    busy_ = false;
    push();
  });
  connect(browseFile, &QPushButton::clicked, this, [this] {
    pull();
    busy_ = true;
    logic_.BrowseFile();
    busy_ = false;
    push();
  });
  connect(save, &QPushButton::clicked, this, &FileNameDialogWindow::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  directory_->installEventFilter(this);
  name_->installEventFilter(this);

  const LocalisationEntry table[] = {
      {0, 0, 0, 0, 0, 0, logic_.TitleId()},
      {2, 8, 10, 60, 10, kLabelOf + kEditDirectory, ids::kFileNameDirectoryLabel},
      {3, 70, 8, 170, 12, kEditDirectory, 0},
      {2, 244, 8, 40, 14, kButtonBrowseDirectory, ids::kFileNameBrowse},
      {2, 8, 30, 60, 10, kLabelOf + kEditName, ids::kFileNameNameLabel},
      {3, 70, 28, 170, 12, kEditName, 0},
      {2, 244, 28, 40, 14, kButtonBrowseFile, ids::kFileNameBrowse},
      {2, 90, 52, 50, 14, 1, ids::kFileNameSave},
      {2, 150, 52, 50, 14, 2, ids::kButtonCancel},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(*this, table, 292, 74);
  push();
}

void FileNameDialogWindow::pull() {
  logic_.directory = directory_->text().toStdString();
  logic_.name = name_->text().toStdString();
}

void FileNameDialogWindow::push() {
  directory_->setText(QString::fromStdString(logic_.directory));
  name_->setText(QString::fromStdString(logic_.name));
}

void FileNameDialogWindow::directoryDone() {
  pull();
  busy_ = true;
  const bool usable = logic_.DirectoryDone();
  busy_ = false;
  push();
  if (!usable) {
    directory_->setFocus();
    directory_->selectAll();
  }
}

void FileNameDialogWindow::nameDone(bool enter) {
  pull();
  busy_ = true;
  bool usable = true;
  if (enter) usable = logic_.NameEnter();
  else logic_.NameDone();
  busy_ = false;
  push();
  if (!usable) name_->setFocus();
}

void FileNameDialogWindow::accept() {
  if (busy_) return;
  pull();
  busy_ = true;
  const bool close = logic_.Save();
  busy_ = false;
  push();
  if (close) {
    QDialog::accept();
    return;
  }
  if (logic_.FocusField() == filename::kEditDirectory) directory_->setFocus();
  else if (logic_.FocusField() == filename::kEditName) name_->setFocus();
}

bool FileNameDialogWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool isDirectory = watched == directory_;
  if ((isDirectory || watched == name_) && !busy_) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (isDirectory) directoryDone();
        else nameDone(true);
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      // A message box or a closing window takes the focus too: only a move to
      // another control of this dialog leaves the field.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason) {
        if (isDirectory) directoryDone();
        else nameDone(false);
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kr70::ui
