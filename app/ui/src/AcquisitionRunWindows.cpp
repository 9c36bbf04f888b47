#include "AcquisitionRunWindows.h"

#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "LmPlatform.h"
#include "PlotCore.h"
#include "QtPainter.h"
#include "SettingsDialogWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace kr70::ui {
namespace {

namespace ids = kr70::text;
using kr70::dialog::kLabelOf;
constexpr int32_t kSecondLabelOf = 2 * kLabelOf;
constexpr int kPumpMs = 10;

// The dialog's small graph: the newest recording, full scale ±5 V.
class RecordingGraph : public QWidget {
 public:
  explicit RecordingGraph(QWidget* parent) : QWidget(parent) {}
  void setSamples(const double* samples, int count, uint32_t samplingFrequency) {
    samples_.assign(samples, samples + std::max(count, 0));
    samplingFrequency_ = samplingFrequency;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QtPainter canvas(painter);
    plot::WaveformView view;
    view.samples = samples_.empty() ? nullptr : samples_.data();
    view.count = static_cast<uint32_t>(samples_.size());
    view.samplingFrequency = samplingFrequency_;
    view.showSelection = false;
    const double spanMs = samplingFrequency_ ? samples_.size() * 1000.0 / samplingFrequency_ : 0.0;
    plot::drawWaveformPlot(canvas, width(), height(), view, spanMs > 0 ? spanMs / 10 : 1.0);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, width() - 1, height() - 1);
  }

 private:
  std::vector<double> samples_;
  uint32_t samplingFrequency_ = 0;
};

// The status lamp: a round light (grey idle, yellow armed, red converting)
// stretched over the control, with the lamp text below it.
class StatusLamp : public QWidget {
 public:
  explicit StatusLamp(QWidget* parent) : QWidget(parent) {}
  void setLamp(TriggerLamp lamp) {
    lamp_ = lamp;
    update();
  }
  TriggerLamp lamp() const { return lamp_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    static const QColor kColours[] = {QColor(150, 150, 150), QColor(255, 210, 0), QColor(230, 0, 0)};
    static constexpr int kTexts[] = {ids::kTrgLampIdle, ids::kTrgLampArmed, ids::kTrgLampRecording};
    const int index = static_cast<int>(lamp_);
    const int textHeight = fontMetrics().height();
    const int side = std::max(4, std::min(width(), height() - textHeight) - 2);
    const QRect light((width() - side) / 2, 1, side, side);
    painter.setBrush(kColours[index]);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawEllipse(light);
    painter.drawText(QRect(0, height() - textHeight, width(), textHeight), Qt::AlignCenter,
                     languageText(kTexts[index]));
  }

 private:
  TriggerLamp lamp_ = TriggerLamp::Idle;
};

}  // namespace

// ---- common -----------------------------------------------------------------

RunDialogWindow::RunDialogWindow(QWidget* parent) : QDialog(parent) { setFont(languageFont()); }

QWidget* RunDialogWindow::control(int32_t controlId) const {
  return findChild<QWidget*>(QString::number(controlId));
}

std::string RunDialogWindow::controlText(int32_t controlId) {
  if (auto* label = qobject_cast<QLabel*>(control(controlId))) return label->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(control(controlId))) return button->text().toStdString();
  return {};
}

void RunDialogWindow::setControlText(int32_t controlId, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(control(controlId))) label->setText(text);
  else if (auto* button = qobject_cast<QAbstractButton*>(control(controlId))) button->setText(text);
}

bool RunDialogWindow::controlChecked(int32_t controlId) {
  auto* box = qobject_cast<QAbstractButton*>(control(controlId));
  return box != nullptr && box->isChecked();
}

void RunDialogWindow::setControlChecked(int32_t controlId, bool checked) {
  if (auto* box = qobject_cast<QAbstractButton*>(control(controlId))) box->setChecked(checked);
}

void RunDialogWindow::pumpPlatformWindow(void* window) {
  lmp::MSG message;
  while (lmp::PeekMessage(&message, static_cast<lmp::HWND>(window), true)) lmp::DispatchMessage(&message);
}

// ---- triggered acquisition (155) -----------------------------------------------

TriggeredAcquisitionWindow::TriggeredAcquisitionWindow(TriggeredAcquisitionValues& values, Recorder& recorder,
                                                       MainViewOperations operations, WarningSink warn,
                                                       QuestionSink ask, QWidget* parent)
    : RunDialogWindow(parent), warn_(std::move(warn)), ask_(std::move(ask)) {
  using namespace trgdialog;
  addControl<RecordingGraph>(*this, kGraph);
  for (int32_t id : {kScaleTop, kScaleBottom, kSamplingFrequency, kAcquisitionTime, kChannel, kFileName, kStatus})
    addControl<QLabel>(*this, id);
  for (int32_t id : {kSamplingFrequency, kAcquisitionTime, kChannel, kFileName, kStatus})
    addControl<QLabel>(*this, kLabelOf + id);
  addControl<QLabel>(*this, kSecondLabelOf + kSamplingFrequency);
  addControl<QLabel>(*this, kSecondLabelOf + kAcquisitionTime);
  addControl<StatusLamp>(*this, kLamp);
  addControl<QCheckBox>(*this, kCheckDrawNewest);
  for (int32_t id : {kButtonStart, kButtonLast, kButtonEnd, 1180, 1181, 1182}) {
    auto* button = addControl<QPushButton>(*this, id);
    button->setAutoDefault(false);
  }
  static_cast<QLabel*>(control(kScaleTop))->setText("+5.0");
  static_cast<QLabel*>(control(kScaleBottom))->setText("-5.0");
  static_cast<QLabel*>(control(kStatus))->setWordWrap(true);
  static_cast<QLabel*>(control(kFileName))->setTextInteractionFlags(Qt::TextSelectableByMouse);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kTrgCaption},
      {4, 10, 10, 180, 100, kGraph, 0},
      {3, 192, 8, 22, 10, kScaleTop, 0},
      {3, 192, 102, 22, 10, kScaleBottom, 0},
      {2, 218, 10, 90, 10, kLabelOf + kSamplingFrequency, ids::kTrgSamplingFrequency},
      {3, 222, 21, 48, 10, kSamplingFrequency, 0},
      {2, 272, 21, 30, 10, kSecondLabelOf + kSamplingFrequency, ids::kTrgHertz},
      {2, 218, 35, 90, 10, kLabelOf + kAcquisitionTime, ids::kTrgAcquisitionTime},
      {3, 222, 46, 48, 10, kAcquisitionTime, 0},
      {2, 272, 46, 30, 10, kSecondLabelOf + kAcquisitionTime, ids::kTrgMilliseconds},
      {2, 218, 60, 90, 10, kLabelOf + kChannel, ids::kTrgChannel},
      {3, 222, 71, 48, 10, kChannel, 0},
      {4, 238, 84, 50, 30, kLamp, 0},
      {2, 10, 118, 45, 10, kLabelOf + kFileName, ids::kTrgFileName},
      {3, 58, 118, 250, 10, kFileName, 0},
      {2, 10, 132, 45, 10, kLabelOf + kStatus, ids::kTrgStatus},
      {3, 58, 132, 250, 20, kStatus, 0},
      {2, 10, 156, 200, 10, kCheckDrawNewest, ids::kTrgDrawNewest},
      {2, 10, 172, 70, 14, kButtonStart, ids::kButtonStartTriggered},
      {2, 86, 172, 70, 14, kButtonLast, ids::kTrgLastWaveform},
      {2, 238, 172, 70, 14, kButtonEnd, ids::kButtonClose},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(*this, kTable, 318, 194);

  window_ = lmp::CreateWindowHandle([this](lmp::HWND, lmp::UINT message, lmp::WPARAM wParam, lmp::LPARAM) {
    if (message == kCardMessage && logic_) logic_->OnCardMessage(wParam);
    return lmp::LRESULT{0};
  });
  logic_ = std::make_unique<TriggeredAcquisitionDialog>(values, recorder, std::move(operations), window_);
  connect(static_cast<QPushButton*>(control(kButtonStart)), &QPushButton::clicked, this,
          [this] { logic_->StartPressed(); });
  connect(static_cast<QPushButton*>(control(kButtonLast)), &QPushButton::clicked, this,
          [this] { logic_->LastPressed(); });
  connect(static_cast<QPushButton*>(control(kButtonEnd)), &QPushButton::clicked, this,
          [this] { logic_->EndPressed(); });
  pump_ = new QTimer(this);
  connect(pump_, &QTimer::timeout, this, [this] { pumpPlatformWindow(window_); });
  pump_->start(kPumpMs);
  logic_->Open(*this);
}

TriggeredAcquisitionWindow::~TriggeredAcquisitionWindow() {
  logic_.reset();  // disarms a card that is still armed
  lmp::DestroyWindowHandle(static_cast<lmp::HWND>(window_));
}

void TriggeredAcquisitionWindow::reject() { logic_->CloseRequested(); }

void TriggeredAcquisitionWindow::SetText(int32_t controlId, const std::string& text) {
  setControlText(controlId, QString::fromStdString(text));
}

void TriggeredAcquisitionWindow::SetTextId(int32_t controlId, int32_t textId) {
  setControlText(controlId, languageText(textId));
}

void TriggeredAcquisitionWindow::Enable(int32_t controlId, bool enabled) {
  if (QWidget* widget = control(controlId)) widget->setEnabled(enabled);
}

void TriggeredAcquisitionWindow::Show(int32_t controlId, bool shown) {
  if (QWidget* widget = control(controlId)) widget->setVisible(shown);
}

void TriggeredAcquisitionWindow::ShowWarning(const Message& message) {
  if (warn_) warn_(message);
}

bool TriggeredAcquisitionWindow::AskYesNo(const Message& message) { return ask_ ? ask_(message) : false; }

void TriggeredAcquisitionWindow::SetStatus(int32_t prefixId, int32_t textId) {
  QString text = prefixId ? languageText(prefixId) : QString();
  if (textId) text += languageText(textId);
  setControlText(trgdialog::kStatus, text);
}

void TriggeredAcquisitionWindow::ShowLamp(TriggerLamp lamp) {
  static_cast<StatusLamp*>(control(trgdialog::kLamp))->setLamp(lamp);
}

void TriggeredAcquisitionWindow::DrawSamples(const double* samples, int count, uint32_t samplingFrequency) {
  static_cast<RecordingGraph*>(control(trgdialog::kGraph))->setSamples(samples, count, samplingFrequency);
}

void TriggeredAcquisitionWindow::Close(int result) {
  pump_->stop();
  done(result);
}

// ---- waveform collection (153) ---------------------------------------------------

WaveCollectionWindow::WaveCollectionWindow(Recorder& recorder, MainViewOperations operations, uint16_t channelMask,
                                           bool rawData, std::function<std::string()> chooseBasePath,
                                           WarningSink warn, QWidget* parent,
                                           WaveCollectionDialog::SpaceQuery spaceQuery)
    : RunDialogWindow(parent), warn_(std::move(warn)), chooseBasePath_(std::move(chooseBasePath)) {
  using namespace collectdialog;
  auto* status = addControl<QLabel>(*this, kStatus);
  status->setAlignment(Qt::AlignCenter);
  status->setAutoFillBackground(true);
  status->setFrameShape(QFrame::Box);
  addControl<QLabel>(*this, kLabelOf + kCounter);
  addControl<QLabel>(*this, kCounter);
  addControl<QLabel>(*this, kFreeSpace);
  for (int32_t id : {kButtonStart, kButtonCancel}) addControl<QPushButton>(*this, id)->setAutoDefault(false);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kCollectCaption},
      {3, 10, 8, 180, 16, kStatus, 0},
      {2, 10, 30, 80, 10, kLabelOf + kCounter, ids::kCollectCountLabel},
      {3, 92, 30, 60, 10, kCounter, 0},
      {3, 10, 44, 180, 10, kFreeSpace, 0},
      {2, 10, 62, 60, 14, kButtonStart, ids::kCollectStart},
      {2, 130, 62, 60, 14, kButtonCancel, ids::kButtonCancel},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(*this, kTable, 200, 84);

  logic_ = std::make_unique<WaveCollectionDialog>(recorder, std::move(operations), channelMask, rawData,
                                                  std::move(spaceQuery));
  blink_ = new QTimer(this);
  connect(blink_, &QTimer::timeout, this, [this] { logic_->OnTimer(); });
  pump_ = new QTimer(this);
  connect(pump_, &QTimer::timeout, this, [this] { pumpPlatformWindow(logic_->Window()); });
  pump_->start(kPumpMs);
  connect(static_cast<QPushButton*>(control(kButtonStart)), &QPushButton::clicked, this,
          [this] { logic_->StartPressed(); });
  connect(static_cast<QPushButton*>(control(kButtonCancel)), &QPushButton::clicked, this,
          [this] { logic_->CancelPressed(); });
  logic_->Open(*this);
}

WaveCollectionWindow::~WaveCollectionWindow() {
  pump_->stop();
  logic_.reset();
}

void WaveCollectionWindow::reject() { logic_->CancelPressed(); }

void WaveCollectionWindow::SetText(int32_t controlId, const std::string& text) {
  setControlText(controlId, QString::fromStdString(text));
}

void WaveCollectionWindow::SetTextId(int32_t controlId, int32_t textId) {
  setControlText(controlId, languageText(textId));
}

void WaveCollectionWindow::Enable(int32_t controlId, bool enabled) {
  if (QWidget* widget = control(controlId)) widget->setEnabled(enabled);
}

void WaveCollectionWindow::Show(int32_t controlId, bool shown) {
  if (QWidget* widget = control(controlId)) widget->setVisible(shown);
}

void WaveCollectionWindow::ShowWarning(const Message& message) {
  if (warn_) warn_(message);
}

void WaveCollectionWindow::SetStatus(int32_t textId, Rgb background) {
  auto* status = static_cast<QLabel*>(control(collectdialog::kStatus));
  status->setText(languageText(textId));
  QPalette palette = status->palette();
  palette.setColor(QPalette::Window, QColor(background.red, background.green, background.blue));
  palette.setColor(QPalette::WindowText, Qt::black);
  status->setPalette(palette);
  status->update();
}

void WaveCollectionWindow::SetFormattedText(int32_t controlId, int32_t textId, const std::string& argument) {
  Message message;
  message.parts.push_back(MessagePart{textId, {argument}, {}});
  setControlText(controlId, messageText(message));
}

bool WaveCollectionWindow::StartTimer(int milliseconds) {
  blink_->start(milliseconds);
  return blink_->isActive();
}

void WaveCollectionWindow::KillTimer() { blink_->stop(); }

}  // namespace kr70::ui
