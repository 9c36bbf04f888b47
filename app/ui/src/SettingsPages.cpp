#include "SettingsPages.h"

#include "AnalysisState.h"
#include "Kr70TextIds.h"
#include "LanguageText.h"
#include "PageText.h"
#include "QtPainter.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QMouseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>

namespace kr70::ui {
namespace {

namespace ids = kr70::text;
using namespace kr70::dialog;

// Headings and units without a control id of their own.
constexpr int32_t kSecondLabelOf = 2 * kLabelOf;

QLabel* sunken(QLabel* label) {
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  return label;
}

void buildParameterSave(QDialog& dialog) {
  for (int i = 0; i < 4; ++i) {
    addControl<QLabel>(dialog, kLabelOf + kStaticYuragi1 + i);
    sunken(addControl<QLabel>(dialog, kStaticYuragi1 + i));
  }
  addControl<QLabel>(dialog, kSecondLabelOf + kStaticYuragi1);
  addControl<QLabel>(dialog, kSecondLabelOf + kStaticFilterType);
  addControl<QLabel>(dialog, kLabelOf + kStaticFilterType);
  sunken(addControl<QLabel>(dialog, kStaticFilterType));
  addControl<QLabel>(dialog, kLabelOf + kStaticSamplingFrequency);
  sunken(addControl<QLabel>(dialog, kStaticSamplingFrequency));
  addControl<QLabel>(dialog, kSecondLabelOf + kStaticSamplingFrequency);
  addControl<QLabel>(dialog, kLabelOf + kStaticTaps);
  sunken(addControl<QLabel>(dialog, kStaticTaps));
  addControl<QLabel>(dialog, kStaticEdgeCaption);
  sunken(addControl<QLabel>(dialog, kStaticLowerEdge));
  addControl<QLabel>(dialog, kUnitLowerEdge);
  addControl<QLabel>(dialog, kStaticTilde);
  sunken(addControl<QLabel>(dialog, kStaticUpperEdge));
  addControl<QLabel>(dialog, kUnitUpperEdge);
  addControl<QLabel>(dialog, kLabelOf + kRadioYuragiOnly);
  for (int32_t id : {kRadioYuragiOnly, kRadioFreqOnly, kRadioBoth}) addControl<QRadioButton>(dialog, id);
  addControl<QLabel>(dialog, kLabelOf + kStaticFileName);
  sunken(addControl<QLabel>(dialog, kStaticFileName));
  for (int32_t id : {kButtonBrowse, kButtonSaveParameters, kButtonSaveCsv}) addControl<QPushButton>(dialog, id);
  auto* close = addControl<QPushButton>(dialog, kCancel);
  QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kPrmSaveCaption},
      {2, 10, 6, 120, 10, kSecondLabelOf + kStaticYuragi1, ids::kPrmSaveYuragiGroup},
      {2, 14, 19, 92, 10, kLabelOf + kStaticYuragi1, ids::kYuragiParameter1},
      {3, 108, 18, 30, 11, kStaticYuragi1, 0},
      {2, 14, 31, 92, 10, kLabelOf + kStaticYuragi1 + 1, ids::kYuragiParameter2},
      {3, 108, 30, 30, 11, kStaticYuragi1 + 1, 0},
      {2, 14, 43, 92, 10, kLabelOf + kStaticYuragi1 + 2, ids::kYuragiParameter3},
      {3, 108, 42, 30, 11, kStaticYuragi1 + 2, 0},
      {2, 14, 55, 92, 10, kLabelOf + kStaticYuragi1 + 3, ids::kYuragiParameter4},
      {3, 108, 54, 30, 11, kStaticYuragi1 + 3, 0},
      {2, 150, 6, 160, 10, kSecondLabelOf + kStaticFilterType, ids::kPrmSaveFreqGroup},
      {2, 154, 19, 74, 10, kLabelOf + kStaticFilterType, ids::kPrmSaveFilterType},
      {3, 230, 18, 40, 11, kStaticFilterType, 0},
      {2, 154, 31, 74, 10, kLabelOf + kStaticSamplingFrequency, ids::kFreqSamplingFrequency},
      {3, 230, 30, 40, 11, kStaticSamplingFrequency, 0},
      {2, 272, 31, 14, 10, kSecondLabelOf + kStaticSamplingFrequency, ids::kFreqHertz},
      {2, 154, 43, 74, 10, kLabelOf + kStaticTaps, ids::kFreqLength},
      {3, 230, 42, 40, 11, kStaticTaps, 0},
      {3, 154, 55, 74, 10, kStaticEdgeCaption, 0},
      {3, 230, 54, 34, 11, kStaticLowerEdge, 0},
      {2, 266, 55, 12, 10, kUnitLowerEdge, ids::kFreqHertz},
      {2, 280, 55, 8, 10, kStaticTilde, ids::kFreqTilde},
      {3, 290, 54, 34, 11, kStaticUpperEdge, 0},
      {2, 326, 55, 14, 10, kUnitUpperEdge, ids::kFreqHertz},
      {2, 10, 72, 160, 10, kLabelOf + kRadioYuragiOnly, ids::kPrmSaveUse},
      {2, 14, 84, 100, 10, kRadioYuragiOnly, ids::kPrmSaveYuragiOnly},
      {2, 118, 84, 120, 10, kRadioFreqOnly, ids::kPrmSaveFreqOnly},
      {2, 242, 84, 60, 10, kRadioBoth, ids::kPrmSaveBoth},
      {2, 10, 101, 50, 10, kLabelOf + kStaticFileName, ids::kPrmSaveFileName},
      {3, 62, 100, 224, 11, kStaticFileName, 0},
      {2, 290, 98, 50, 14, kButtonBrowse, ids::kPrmSaveBrowse},
      {2, 164, 120, 60, 14, kButtonSaveParameters, ids::kPrmSaveCaption},
      {2, 228, 120, 58, 14, kButtonSaveCsv, ids::kPrmSaveCsv},
      {2, 290, 120, 50, 14, kCancel, ids::kButtonClose},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(dialog, kTable, 348, 142);
}

void buildNoiseLevel(QDialog& dialog) {
  addControl<QCheckBox>(dialog, kCheckNoiseShow);
  addControl<QLabel>(dialog, kLabelOf + kListNoiseRange);
  addControl<QComboBox>(dialog, kListNoiseRange);
  addOkCancel(dialog);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kNoiseSettingsCaption},
      {2, 10, 10, 150, 10, kCheckNoiseShow, ids::kNoiseShow},
      {2, 10, 28, 80, 10, kLabelOf + kListNoiseRange, ids::kNoiseRangeList},
      {3, 94, 26, 50, 12, kListNoiseRange, 0},
      {2, 50, 48, 45, 14, kOk, ids::kButtonOk},
      {2, 100, 48, 45, 14, kCancel, ids::kButtonCancel},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(dialog, kTable, 160, 70);
}

QLabel* caption(const char* japanese, const char* english, QWidget* parent) {
  return new QLabel(templateText(japanese, english), parent);
}

QLabel* valueStatic(QWidget* parent, int width) {
  auto* label = sunken(new QLabel(parent));
  label->setFixedWidth(width);
  return label;
}

// The fractions of the plot's own size at a page position; -1.0 outside.
std::pair<double, double> plotFractions(const QWidget& plot, QPoint pagePosition) {
  const QPoint local = pagePosition - plot.geometry().topLeft();
  if (plot.width() <= 0 || plot.height() <= 0 || !plot.rect().contains(local)) return {-1.0, -1.0};
  return {static_cast<double>(local.x()) / plot.width(), static_cast<double>(local.y()) / plot.height()};
}

}  // namespace

std::unique_ptr<SettingsDialogWindow> createParameterSaveDialog(ParameterSaveValues& values, UiPort& port,
                                                                QWidget* parent) {
  auto logic = std::make_unique<ParameterSaveDialog>(values, port);
  ParameterSaveDialog* saver = logic.get();
  auto window = std::make_unique<SettingsDialogWindow>(std::move(logic), SettingsDialogWindow::WarningSink{}, parent);
  buildParameterSave(*window);
  SettingsDialogWindow* view = window.get();
  for (int32_t id : {kButtonBrowse, kButtonSaveParameters, kButtonSaveCsv}) {
    auto* button = qobject_cast<QPushButton*>(window->control(id));
    QObject::connect(button, &QPushButton::clicked, view, [saver, view, id] { saver->Clicked(*view, id); });
  }
  // The maintenance key that reveals the pattern save.
  auto* reveal = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), view);
  QObject::connect(reveal, &QShortcut::activated, view, [view] { view->Show(kButtonSaveCsv, true); });
  window->bindAndOpen();
  return window;
}

std::unique_ptr<SettingsDialogWindow> createNoiseLevelDialog(NoiseLevelValues& values, QWidget* parent) {
  auto window = std::make_unique<SettingsDialogWindow>(std::make_unique<NoiseLevelDialog>(values),
                                                       SettingsDialogWindow::WarningSink{}, parent);
  buildNoiseLevel(*window);
  window->bindAndOpen();
  return window;
}

// ---- Noise-level page ------------------------------------------------------------

NoiseLevelPageWidget::NoiseLevelPageWidget(AnalysisState& state, QWidget* parent)
    : QWidget(parent), state_(state) {
  using namespace noise_page;
  setObjectName("169");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(3);
  const struct {
    int32_t caption, value, unit;
    int captionText, unitText;
  } rows[] = {{kVoltageCaption, kVoltage, kVoltageUnit, ids::kNoiseMaxVoltage, ids::kNoiseVolt},
              {kLevelCaption, kLevel, kLevelUnit, ids::kNoiseLevel, ids::kNoiseDecibel},
              {kRangeCaption, kRange, 0, ids::kNoiseRange, 0}};
  for (const auto& row : rows) {
    auto* label = new QLabel(languageText(row.captionText), this);
    label->setObjectName(QString::number(row.caption));
    layout->addWidget(label);
    auto* value = valueStatic(this, 48);
    value->setObjectName(QString::number(row.value));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(value);
    if (row.unit) {
      auto* unit = new QLabel(languageText(row.unitText), this);
      unit->setObjectName(QString::number(row.unit));
      layout->addWidget(unit);
    }
  }
  for (QLabel* label : findChildren<QLabel*>()) label->setFont(languageFont());
  QWidget::setVisible(false);
}

void NoiseLevelPageWidget::setVisible(bool visible) {
  if (visible) QWidget::setVisible(true);  // a hide request is dropped
}

void NoiseLevelPageWidget::apply() {
  const AnalysisSettings& s = state_.Settings();
  reading_ = ReadNoiseLevel(s.noiseLevelShow, s.noiseLevelFullScale, state_.RawSamples(),
                            static_cast<int32_t>(state_.RawSampleCount()));
  for (QLabel* label : findChildren<QLabel*>()) label->setVisible(reading_.shown);
  auto set = [this](int32_t id, const std::string& text) {
    if (auto* label = findChild<QLabel*>(QString::number(id))) label->setText(QString::fromStdString(text));
  };
  set(noise_page::kVoltage, reading_.voltageText);
  set(noise_page::kLevel, reading_.levelText);
  set(noise_page::kRange, reading_.rangeText);
}

// ---- Difference spectrum page ----------------------------------------------------------

DifSpectrumPageWidget::DifSpectrumPageWidget(AnalysisState& state, UiPort& port, int decibelIndex, QWidget* parent)
    : PageBase(parent), state_(state), logic_(port, *this, decibelIndex) {
  using namespace dif_page;
  auto* layout = createLayout("差分ｽﾍﾟｸﾄﾙ", "Difference spectrum");
  auto* body = new QHBoxLayout();
  layout->addLayout(body, 1);
  auto* plotsColumn = new QVBoxLayout();
  body->addLayout(plotsColumn, 1);
  plots_[0] = new PlotWidget([this](Painter& p, int w, int h) { logic_.paintPlot(p, w, h); }, this);
  plots_[0]->setObjectName(QString::number(kPlot));
  plots_[2] = new PlotWidget([this](Painter& p, int w, int h) { logic_.paintAxis(p, w, h); }, this);
  plots_[2]->setObjectName("plot2");
  plots_[2]->setFixedHeight(18);
  connect(plots_[0], &PlotWidget::mouse, this, [this](int kind, QPoint position) { mouse(kind, position); });
  plotsColumn->addWidget(plots_[0], 1);
  plotsColumn->addWidget(plots_[2]);

  auto* side = new QVBoxLayout();
  body->addLayout(side);
  auto* decibel = add(new QComboBox(this), kDecibel);
  for (const std::string& entry : kDecibelEntries) decibel->addItem(QString::fromStdString(entry));
  decibel->setCurrentIndex(logic_.decibelIndex());
  connect(decibel, &QComboBox::activated, this, [this](int index) {
    if (!updating_) logic_.decibelChosen(index);
  });
  side->addWidget(decibel);
  side->addWidget(caption("マーク領域", "Marked regions", this));
  marks_ = add(new QListWidget(this), kMarks);
  marks_->setFixedWidth(110);
  connect(marks_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!updating_) logic_.markChosen(row);
  });
  side->addWidget(marks_, 1);
  auto* remove = add(new QPushButton(templateText("ﾏｰｸを削除", "Delete mark"), this), kDeleteMark);
  connect(remove, &QPushButton::clicked, this, [this] { logic_.deleteMark(); });
  side->addWidget(remove);
  auto* clear = add(new QPushButton(templateText("ﾏｰｸを全ｸﾘｱ", "Clear all marks"), this), kClearMarks);
  connect(clear, &QPushButton::clicked, this, [this] { logic_.clearMarks(); });
  side->addWidget(clear);

  auto* row = new QHBoxLayout();
  layout->addLayout(row);
  auto* power = add(new QRadioButton(templateText("ﾊﾟﾜｰｽﾍﾟｸﾄﾙ", "Power spectrum"), this), kPower);
  auto* amplitude = add(new QRadioButton(templateText("振幅ｽﾍﾟｸﾄﾙ", "Amplitude spectrum"), this), kAmplitude);
  power->setChecked(true);
  connect(power, &QRadioButton::toggled, this, [this](bool on) {
    if (on) logic_.kindChosen(0);
  });
  connect(amplitude, &QRadioButton::toggled, this, [this](bool on) {
    if (on) logic_.kindChosen(1);
  });
  row->addWidget(power);
  row->addWidget(amplitude);
  row->addWidget(caption("表示領域", "Display range", this));
  auto* from = add(new QComboBox(this), kFrom);
  auto* to = add(new QComboBox(this), kTo);
  connect(from, &QComboBox::activated, this, [this](int index) {
    if (!updating_) logic_.fromChosen(index);
  });
  connect(to, &QComboBox::activated, this, [this](int index) {
    if (!updating_) logic_.toChosen(index);
  });
  row->addWidget(from);
  row->addWidget(caption("Ｈｚから", "Hz to", this));
  row->addWidget(to);
  row->addWidget(caption("Ｈｚまで", "Hz", this));
  row->addWidget(caption("FFT処理点数", "FFT points", this));
  auto* count = add(valueStatic(this, 64), kCount);
  count->setText("0");
  row->addWidget(count);
  row->addStretch(1);
}

void DifSpectrumPageWidget::mouse(int kind, QPoint pagePosition) {
  const auto [x, y] = plotFractions(*plots_[0], pagePosition);
  if (kind == 0) logic_.mousePressed(x, y);
  else if (kind == 1) logic_.mouseReleased(x, y);
}

void DifSpectrumPageWidget::setListEntries(int32_t id, const std::vector<std::string>& entries, int selected) {
  if (id != dif_page::kMarks) {
    PageBase::setListEntries(id, entries, selected);
    return;
  }
  updating_ = true;
  marks_->clear();
  for (const std::string& entry : entries) marks_->addItem(QString::fromStdString(entry));
  marks_->setCurrentRow(selected);
  updating_ = false;
}

void DifSpectrumPageWidget::setListSelection(int32_t id, int selected) {
  if (id != dif_page::kMarks) {
    PageBase::setListSelection(id, selected);
    return;
  }
  updating_ = true;
  marks_->setCurrentRow(selected);
  updating_ = false;
}

void DifSpectrumPageWidget::takeData() {
  const WADifSpectrum& spectrum = state_.DifSpectrum();
  const uint32_t size = spectrum.GetSize();
  SpectrumSpan span;
  if (size != 0) {
    power_.resize(size);
    amplitude_.resize(size);
    if (spectrum.GetDifPowSpectrum(power_.data()) == 0 && spectrum.GetDifAmpSpectrum(amplitude_.data()) == 0)
      span = SpectrumSpan{power_.data(), amplitude_.data(), size, spectrum.GetSampFreq()};
  }
  logic_.setSpectrum(span);
  logic_.setData(span.size, span.samplingFrequency);
}

// ---- Difference waveform page ------------------------------------------------------------

DifWaveformPageWidget::DifWaveformPageWidget(AnalysisState& state, UiPort& port, QWidget* parent)
    : PageBase(parent), state_(state), logic_(port, *this) {
  using namespace dif_page;
  auto* layout = createLayout("差分波形", "Difference waveform");
  plots_[0] = new PlotWidget([this](Painter& p, int w, int h) { logic_.paintPlot(p, w, h); }, this);
  plots_[0]->setObjectName(QString::number(kWavePlot));
  plots_[2] = new PlotWidget([this](Painter& p, int w, int h) { logic_.paintAxis(p, w, h); }, this);
  plots_[2]->setObjectName("plot2");
  plots_[2]->setFixedHeight(18);
  layout->addWidget(plots_[0], 1);
  layout->addWidget(plots_[2]);
  bar_ = add(new QScrollBar(Qt::Horizontal, this), kScrollBar);
  bar_->setRange(0, 0);
  bar_->setEnabled(false);
  connect(bar_, &QScrollBar::actionTriggered, this, [this](int action) {
    if (updating_) return;
    ScrollAction scroll = ScrollAction::EndScroll;
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: scroll = ScrollAction::LineLeft; break;
      case QAbstractSlider::SliderSingleStepAdd: scroll = ScrollAction::LineRight; break;
      case QAbstractSlider::SliderPageStepSub: scroll = ScrollAction::PageLeft; break;
      case QAbstractSlider::SliderPageStepAdd: scroll = ScrollAction::PageRight; break;
      case QAbstractSlider::SliderToMinimum: scroll = ScrollAction::LeftEnd; break;
      case QAbstractSlider::SliderToMaximum: scroll = ScrollAction::RightEnd; break;
      case QAbstractSlider::SliderMove: scroll = ScrollAction::Track; break;
      default: break;
    }
    logic_.scrolled(scroll, bar_->sliderPosition());
    bar_->setSliderPosition(static_cast<int>(logic_.scrollPosition()));
  });
  layout->addWidget(bar_);

  auto* row = new QHBoxLayout();
  layout->addLayout(row);
  const struct {
    int32_t id;
    const char* japanese;
    const char* english;
    const char* value;
  } limits[] = {{kUpper, "上限", "Top", "5"}, {kLower, "下限", "Bottom", "-5"}};
  for (const auto& limit : limits) {
    row->addWidget(caption(limit.japanese, limit.english, this));
    auto* edit = add(new QLineEdit(limit.value, this), limit.id);
    edit->setFixedWidth(60);
    connect(edit, &QLineEdit::editingFinished, this,
            [this, edit, id = limit.id] { logic_.editFinished(id, edit->text().toStdString()); });
    row->addWidget(edit);
  }
  row->addWidget(caption("倍率", "Zoom", this));
  auto* slider = add(new QSlider(Qt::Horizontal, this), kSlider);
  slider->setRange(0, 9);
  slider->setPageStep(1);
  slider->setFixedWidth(120);
  connect(slider, &QSlider::valueChanged, this, [this](int value) { logic_.sliderMoved(value); });
  row->addWidget(slider);
  row->addWidget(caption("全データ点数", "Total points", this));
  auto* count = add(valueStatic(this, 64), kCount);
  count->setText("0");
  row->addWidget(count);
  row->addStretch(1);
}

void DifWaveformPageWidget::redraw(int plot) {
  updating_ = true;
  const int maximum = static_cast<int>(std::min<int64_t>(logic_.scrollMaximum(), INT32_MAX));
  bar_->setRange(0, maximum);
  bar_->setSingleStep(1);
  bar_->setPageStep(10);
  bar_->setValue(static_cast<int>(logic_.scrollPosition()));
  updating_ = false;
  PageBase::redraw(plot);
}

void DifWaveformPageWidget::takeData() {
  const WAData& data = state_.DifWaveform();
  double* samples = nullptr;
  SampleSpan span;
  if (data.GetSize() != 0 && data.GetDataPointer(&samples) == 0) span = {samples, data.GetSize(), data.GetSampFreq()};
  logic_.setWaveform(span);
  logic_.setData(span.count);
}

// ---- Analyse button (1202) and analysis result dialog (161) ------------------------------

namespace {

// Calls reveal on a left click with Ctrl and Shift held.
class MaintenanceClick : public QObject {
 public:
  MaintenanceClick(std::function<void()> reveal, QObject* parent) : QObject(parent), reveal_(std::move(reveal)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::ShiftModifier;
      if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & both) == both) reveal_();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> reveal_;
};

}  // namespace

QDialog* openAnalysisResultDialog(const double* samples, uint32_t count, uint32_t /*samplingFrequency*/,
                                  double level, const QString& displayFile, QWidget* parent) {
  const AnalysisResult result = ComputeAnalysisResult(samples, count, level);
  auto* dialog = new QDialog(parent);
  dialog->setObjectName("161");
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setModal(false);
  sunken(addControl<QLabel>(*dialog, result_dialog::kFileName))->setText(displayFile);
  addControl<QLabel>(*dialog, kLabelOf + result_dialog::kTotalArea);
  sunken(addControl<QLabel>(*dialog, result_dialog::kTotalArea))->setText(QString::fromStdString(result.totalText));
  addControl<QLabel>(*dialog, kLabelOf + result_dialog::kExceedingArea);
  sunken(addControl<QLabel>(*dialog, result_dialog::kExceedingArea))
      ->setText(QString::fromStdString(result.exceedingText));
  auto* close = addControl<QPushButton>(*dialog, kCancel);
  QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::close);
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kResultCaption},
      {3, 10, 8, 200, 11, result_dialog::kFileName, 0},
      {2, 10, 26, 90, 10, kLabelOf + result_dialog::kTotalArea, ids::kResultTotalArea},
      {3, 104, 25, 106, 11, result_dialog::kTotalArea, 0},
      {2, 10, 42, 90, 10, kLabelOf + result_dialog::kExceedingArea, ids::kResultExceedingArea},
      {3, 104, 41, 106, 11, result_dialog::kExceedingArea, 0},
      {2, 165, 60, 45, 14, kCancel, ids::kButtonClose},
      {-1, 0, 0, 0, 0, 0, 0}};
  layOutDialog(*dialog, kTable, 220, 82);
  dialog->show();
  return dialog;
}

QPushButton* installAnalyseButton(AbnormalPageWidget& page, AnalysisState& state,
                                  std::function<QString()> displayFile) {
  auto* button = new QPushButton(templateText("解析", "Analyse"), &page);
  button->setObjectName(QString::number(result_dialog::kAnalyseButton));
  button->hide();
  if (page.layout()) page.layout()->addWidget(button);
  QObject::connect(button, &QPushButton::clicked, &page, [&page, &state, displayFile] {
    const WAData& square = state.SquareMeanWaveform();
    double* samples = nullptr;
    if (square.GetSize() == 0 || square.GetDataPointer(&samples) != 0) return;
    if (!AnalyseButtonOpens(samples, square.GetSize())) return;
    openAnalysisResultDialog(samples, square.GetSize(), square.GetSampFreq(), state.Settings().peakThreshold,
                             displayFile ? displayFile() : QString(), page.window());
  });
  if (QWidget* count = page.control(abnormal_page::kSquareCount))
    count->installEventFilter(new MaintenanceClick([button] { button->show(); }, button));
  return button;
}

}  // namespace kr70::ui
