#include "ResultRecording.h"

#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "ResultCapture.h"
#include "ResultWriter.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>
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
  if (menu) {
    menu->addSeparator();
    menu->addAction(action_);
  }
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
