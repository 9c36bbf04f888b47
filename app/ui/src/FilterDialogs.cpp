#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "SettingsDialogWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kr70::ui {
namespace {

namespace ids = kr70::text;
using namespace kr70::dialog;

// A second, decorative label of a control (the unit beside the sampling
// frequency of dialog 132); the logic never addresses it.
constexpr int32_t kSecondLabelOf = 2 * kLabelOf;

void buildSamplingPitch(QDialog& dialog) {
  addControl<QLabel>(dialog, kLabelOf + kEditSamplingPitch);
  addControl<QLineEdit>(dialog, kEditSamplingPitch);
  addControl<QLabel>(dialog, kStaticSamplingFrequency);
  addControl<QLabel>(dialog, kLabelOf + kStaticSamplingFrequency);
  addControl<QLabel>(dialog, kStaticDataPoints);
  addControl<QLabel>(dialog, kLabelOf + kStaticDataPoints);
  addOkCancel(dialog);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kFormSamplingPitch},
      {2, 10, 10, 60, 10, kLabelOf + kEditSamplingPitch, ids::kPitchLabel},
      {3, 72, 8, 50, 12, kEditSamplingPitch, 0},
      {3, 10, 26, 50, 10, kStaticSamplingFrequency, 0},
      {2, 62, 26, 16, 10, kLabelOf + kStaticSamplingFrequency, ids::kPitchHertz},
      {3, 80, 26, 50, 10, kStaticDataPoints, 0},
      {2, 132, 26, 20, 10, kLabelOf + kStaticDataPoints, ids::kPitchPoints},
      {2, 30, 42, 45, 14, kOk, ids::kButtonSet},
      {2, 80, 42, 45, 14, kCancel, ids::kButtonAbort},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(dialog, kTable, 160, 64);
}

void buildYuragiFilter(QDialog& dialog) {
  for (int32_t id : {kEditYuragi1, kEditYuragi2, kEditYuragi3, kEditYuragi4}) {
    addControl<QLabel>(dialog, kLabelOf + id);
    addControl<QLineEdit>(dialog, id);
  }
  addOkCancel(dialog);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kFormYuragiFilter},
      {2, 10, 10, 90, 10, kLabelOf + kEditYuragi1, ids::kYuragiParameter1},
      {3, 102, 8, 40, 12, kEditYuragi1, 0},
      {2, 10, 26, 90, 10, kLabelOf + kEditYuragi2, ids::kYuragiParameter2},
      {3, 102, 24, 40, 12, kEditYuragi2, 0},
      {2, 10, 42, 90, 10, kLabelOf + kEditYuragi3, ids::kYuragiParameter3},
      {3, 102, 40, 40, 12, kEditYuragi3, 0},
      {2, 10, 58, 90, 10, kLabelOf + kEditYuragi4, ids::kYuragiParameter4},
      {3, 102, 56, 40, 12, kEditYuragi4, 0},
      {2, 30, 76, 45, 14, kOk, ids::kButtonSet},
      {2, 80, 76, 45, 14, kCancel, ids::kButtonAbort},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(dialog, kTable, 160, 98);
}

void buildFreqFilter(QDialog& dialog) {
  addControl<QCheckBox>(dialog, kCheckFilterOn);
  for (int32_t id = kRadioLpf; id <= kRadioBef; ++id) addControl<QRadioButton>(dialog, id);
  addControl<QLabel>(dialog, kLabelOf + kListLength);
  addControl<QComboBox>(dialog, kListLength);
  addControl<QLabel>(dialog, kLabelOf + kStaticSamplingFrequency);
  addControl<QLabel>(dialog, kStaticSamplingFrequency);
  addControl<QLabel>(dialog, kSecondLabelOf + kStaticSamplingFrequency);
  addControl<QLabel>(dialog, kStaticEdgeCaption);
  addControl<QLineEdit>(dialog, kEditLowerEdge);
  addControl<QLabel>(dialog, kUnitLowerEdge);
  addControl<QLabel>(dialog, kStaticTilde);
  addControl<QLineEdit>(dialog, kEditUpperEdge);
  addControl<QLabel>(dialog, kUnitUpperEdge);
  addOkCancel(dialog);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kFormFreqFilter},
      {2, 10, 8, 140, 10, kCheckFilterOn, ids::kFreqFilterOn},
      {2, 20, 24, 34, 10, kRadioLpf, ids::kFreqLpf},
      {2, 56, 24, 34, 10, kRadioLpf + 1, ids::kFreqHpf},
      {2, 92, 24, 34, 10, kRadioLpf + 2, ids::kFreqBpf},
      {2, 128, 24, 34, 10, kRadioBef, ids::kFreqBef},
      {2, 10, 42, 60, 10, kLabelOf + kListLength, ids::kFreqLength},
      {3, 72, 40, 50, 12, kListLength, 0},
      {2, 10, 58, 60, 10, kLabelOf + kStaticSamplingFrequency, ids::kFreqSamplingFrequency},
      {3, 72, 58, 40, 10, kStaticSamplingFrequency, 0},
      {2, 114, 58, 16, 10, kSecondLabelOf + kStaticSamplingFrequency, ids::kFreqHertz},
      {3, 10, 76, 100, 10, kStaticEdgeCaption, 0},
      {3, 10, 88, 50, 12, kEditLowerEdge, 0},
      {2, 62, 90, 14, 10, kUnitLowerEdge, ids::kFreqHertz},
      {2, 78, 90, 10, 10, kStaticTilde, ids::kFreqTilde},
      {3, 90, 88, 50, 12, kEditUpperEdge, 0},
      {2, 142, 90, 14, 10, kUnitUpperEdge, ids::kFreqHertz},
      {2, 60, 110, 45, 14, kOk, ids::kButtonSet},
      {2, 110, 110, 45, 14, kCancel, ids::kButtonAbort},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(dialog, kTable, 170, 132);
}

}  // namespace

SettingsDialogWindow::SettingsDialogWindow(std::unique_ptr<SettingsDialog> logic, WarningSink warn,
                                           QWidget* parent)
    : QDialog(parent), logic_(std::move(logic)), warn_(std::move(warn)) {}

SettingsDialogWindow::~SettingsDialogWindow() {
  // No focus-loss commits while the widgets go away.
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->removeEventFilter(this);
}

QWidget* SettingsDialogWindow::control(int32_t controlId) const {
  return findChild<QWidget*>(QString::number(controlId));
}

void SettingsDialogWindow::bindAndOpen() {
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->installEventFilter(this);
  for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
    if (qobject_cast<QPushButton*>(button)) continue;
    const int32_t id = button->objectName().toInt();
    connect(button, &QAbstractButton::clicked, this, [this, id] { logic_->Clicked(*this, id); });
  }
  logic_->Open(*this);
}

bool SettingsDialogWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit == nullptr) return QDialog::eventFilter(watched, event);
  const int32_t id = edit->objectName().toInt();
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      logic_->Enter(*this, id);
      return true;  // Enter takes the values; it does not press OK
    }
  } else if (event->type() == QEvent::FocusOut) {
    // Another window coming to the front (a warning box among them) is no
    // leaving of the edit: the edit has the focus again when it returns.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible())
      logic_->EditLeft(*this, id);
  }
  return QDialog::eventFilter(watched, event);
}

void SettingsDialogWindow::accept() {
  if (logic_->Ok(*this)) QDialog::accept();
}

std::string SettingsDialogWindow::Text(int32_t controlId) {
  QWidget* widget = control(controlId);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
  return {};
}

void SettingsDialogWindow::SetText(int32_t controlId, const std::string& text) {
  QWidget* widget = control(controlId);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(QString::fromStdString(text));
  if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(QString::fromStdString(text));
}

void SettingsDialogWindow::SetTextId(int32_t controlId, int32_t textId) {
  QWidget* widget = control(controlId);
  if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(languageText(textId));
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(languageText(textId));
}

void SettingsDialogWindow::SelectEdit(int32_t controlId) {
  if (auto* edit = qobject_cast<QLineEdit*>(control(controlId))) {
    edit->setFocus();
    edit->selectAll();
  }
}

int32_t SettingsDialogWindow::FocusedControl() {
  QWidget* focused = QApplication::focusWidget();
  if (focused == nullptr || !isAncestorOf(focused)) focused = focusWidget();
  return focused ? focused->objectName().toInt() : 0;
}

bool SettingsDialogWindow::IsChecked(int32_t controlId) {
  auto* button = qobject_cast<QAbstractButton*>(control(controlId));
  return button && button->isChecked();
}

void SettingsDialogWindow::SetChecked(int32_t controlId, bool checked) {
  if (auto* button = qobject_cast<QAbstractButton*>(control(controlId))) button->setChecked(checked);
}

void SettingsDialogWindow::Enable(int32_t controlId, bool enabled) {
  if (QWidget* widget = control(controlId)) widget->setEnabled(enabled);
}

void SettingsDialogWindow::Show(int32_t controlId, bool shown) {
  if (QWidget* widget = control(controlId)) widget->setVisible(shown);
}

void SettingsDialogWindow::FillList(int32_t controlId, const std::vector<std::string>& entries) {
  if (auto* list = qobject_cast<QComboBox*>(control(controlId))) {
    list->clear();
    for (const std::string& entry : entries) list->addItem(QString::fromStdString(entry));
  }
}

void SettingsDialogWindow::SelectListEntry(int32_t controlId, int index) {
  if (auto* list = qobject_cast<QComboBox*>(control(controlId))) list->setCurrentIndex(index);
}

int SettingsDialogWindow::SelectedListEntry(int32_t controlId) {
  auto* list = qobject_cast<QComboBox*>(control(controlId));
  return list ? list->currentIndex() : -1;
}

void SettingsDialogWindow::ShowWarning(const Message& message) {
  if (warn_) warn_(message);
}

void addOkCancel(QDialog& dialog) {
  auto* ok = addControl<QPushButton>(dialog, kOk);
  auto* cancel = addControl<QPushButton>(dialog, kCancel);
  ok->setDefault(true);
  ok->setFocusPolicy(Qt::NoFocus);
  cancel->setFocusPolicy(Qt::NoFocus);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
}

void layOutDialog(QDialog& dialog, const LocalisationEntry* table, int width, int height) {
  applyLocalisation(dialog, table);
  const QFontMetrics metrics(languageFont());
  dialog.setFixedSize(qRound(width * metrics.averageCharWidth() / 4.0), qRound(height * metrics.height() / 8.0));
}

std::unique_ptr<SettingsDialogWindow> createSettingsDialog(int32_t dialogId, DialogValues& values,
                                                           SettingsDialogWindow::WarningSink warn,
                                                           QWidget* parent) {
  std::unique_ptr<SettingsDialog> logic;
  void (*build)(QDialog&) = nullptr;
  if (auto* pitch = dynamic_cast<SamplingPitchValues*>(&values); pitch && dialogId == kDialogSamplingPitch) {
    logic = std::make_unique<SamplingPitchDialog>(*pitch);
    build = buildSamplingPitch;
  } else if (auto* yuragi = dynamic_cast<YuragiFilterValues*>(&values); yuragi && dialogId == kDialogYuragiFilter) {
    logic = std::make_unique<YuragiFilterDialog>(*yuragi);
    build = buildYuragiFilter;
  } else if (auto* freq = dynamic_cast<FreqFilterValues*>(&values); freq && dialogId == kDialogFreqFilter) {
    logic = std::make_unique<FreqFilterDialog>(*freq);
    build = buildFreqFilter;
  } else {
    return nullptr;
  }
  auto window = std::make_unique<SettingsDialogWindow>(std::move(logic), std::move(warn), parent);
  build(*window);
  window->bindAndOpen();
  return window;
}

}  // namespace kr70::ui
