#include "ResultRecording.h"

#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "ResultCapture.h"
#include "ResultWriter.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>

namespace kr70::ui {

namespace ids = kr70::text;

namespace {
constexpr const char* kSection = "Results";
}

ResultRecording::ResultRecording(Profile& profile, AnalysisState& state, QMenu* menu, QStatusBar* bar,
                                 QObject* parent)
    : QObject(parent), profile_(profile), state_(state) {
  action_ = new QAction(languageText(ids::kMenuSettingsRecordResults), this);
  action_->setObjectName(QStringLiteral("recordResults"));
  action_->setStatusTip(languageText(ids::kPromptRecordResults));
  action_->setCheckable(true);
  settingsAction_ = new QAction(languageText(ids::kMenuSettingsResultsStore), this);
  settingsAction_->setObjectName(QStringLiteral("resultsStoreSettings"));
  settingsAction_->setStatusTip(languageText(ids::kPromptResultsStore));
  connect(settingsAction_, &QAction::triggered, this, [this] { openSettings(); });
  if (menu) {
    menu->addSeparator();
    menu->addAction(action_);
    menu->addAction(settingsAction_);
  }
  if (bar) window_ = bar->window();
  pane_ = new QLabel(bar);
  pane_->setObjectName(QStringLiteral("resultsPane"));
  pane_->hide();
  if (bar) bar->addPermanentWidget(pane_);
  connect(action_, &QAction::toggled, this, [this](bool on) {
    profile_.setInt(kSection, "Record", on ? 1 : 0);
    setRecording(on);
  });
  state_.SetWaveformLoadedHook([this](const std::string& path) { loaded(path); });
  action_->setChecked(profile_.getInt(kSection, "Record", 0) != 0);
}

ResultRecording::~ResultRecording() {
  state_.SetWaveformLoadedHook({});
  writer_.reset();
  retired_.clear();
}

bool ResultRecording::recording() const { return writer_ != nullptr; }

void ResultRecording::drain() {
  if (writer_) writer_->Drain();
  for (const auto& writer : retired_) writer->Drain();
}

void ResultRecording::setRecording(bool on) {
  if (!on) {
    if (writer_) retired_.push_back(std::move(writer_));
    pane_->hide();
    return;
  }
  if (writer_) return;
  station_ = profile_.getString(kSection, "Station", "");
  if (station_.empty()) station_ = DefaultStationName();
  QPointer<ResultRecording> self(this);
  writer_ = std::make_unique<ResultWriter>(profile_.getString(kSection, "Store", ""),
                                           [self](const WriterReport& report) {
                                             // On the worker: the pane is updated on the window's thread.
                                             QMetaObject::invokeMethod(
                                                 self, [self, report] {
                                                   if (self) self->showReport(report);
                                                 },
                                                 Qt::QueuedConnection);
                                           });
}

QDialog* ResultRecording::openSettings() {
  auto* dialog = new QDialog(window_);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setObjectName(QStringLiteral("resultsStoreDialog"));
  dialog->setWindowTitle(languageText(ids::kTitleResultsStore));
  dialog->setFont(languageFont());
  auto* record = new QCheckBox(languageText(ids::kMenuSettingsRecordResults), dialog);
  record->setObjectName(QStringLiteral("record"));
  record->setChecked(action_->isChecked());
  const auto edit = [&](const char* name, const char* key, const std::string& fallback) {
    auto* line = new QLineEdit(QString::fromStdString(profile_.getString(kSection, key, "")), dialog);
    line->setObjectName(QString::fromLatin1(name));
    Message hint;
    hint.parts.push_back({ids::kHintResultsDefault, {fallback}, ""});
    line->setPlaceholderText(messageText(hint));
    line->setMinimumWidth(line->fontMetrics().averageCharWidth() * 48);
    return line;
  };
  QLineEdit* store = edit("store", "Store", DefaultStorePath());
  QLineEdit* station = edit("station", "Station", DefaultStationName());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(languageText(ids::kButtonOk));
  buttons->button(QDialogButtonBox::Cancel)->setText(languageText(ids::kButtonCancel));
  auto* form = new QFormLayout(dialog);
  form->addRow(record);
  form->addRow(languageText(ids::kLabelResultsStore), store);
  form->addRow(languageText(ids::kLabelResultsStation), station);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  connect(dialog, &QDialog::accepted, this, [this, record, store, station] {
    applySettings(record->isChecked(), store->text().trimmed().toStdString(),
                  station->text().trimmed().toStdString());
  });
  dialog->open();
  return dialog;
}

void ResultRecording::applySettings(bool record, const std::string& store, const std::string& station) {
  const bool changed = store != profile_.getString(kSection, "Store", "") ||
                       station != profile_.getString(kSection, "Station", "");
  profile_.setString(kSection, "Store", store);
  profile_.setString(kSection, "Station", station);
  // A running writer keeps its store and station: it is retired and a new one
  // started with the new settings.
  if (changed && writer_) setRecording(false);
  action_->setChecked(record);  // writes Record and starts or stops the writer
  if (record && !writer_) setRecording(true);
}

void ResultRecording::loaded(const std::string& path) {
  if (!writer_) return;
  writer_->Submit(CaptureResult(state_, path, station_));
}

void ResultRecording::showReport(const WriterReport& report) {
  Message message;
  const std::string& error = report.error;
  if (report.held > 0) {
    message.parts.push_back({ids::kResultsHeld, {std::to_string(report.held), error}, ""});
  } else if (report.status < 0) {
    message.parts.push_back({ids::kResultsNotStored, {error}, ""});
  } else if (report.pending > 0) {
    message.parts.push_back({ids::kResultsQueued, {std::to_string(report.pending)}, ""});
  }
  if (message.parts.empty()) {
    pane_->hide();
    return;
  }
  pane_->setText(messageText(message));
  pane_->setToolTip(QString::fromStdString(error));
  pane_->show();
}

}  // namespace kr70::ui
