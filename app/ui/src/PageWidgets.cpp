#include "PageWidgets.h"

#include "AnalysisState.h"
#include "LanguageText.h"
#include "PagePicture.h"
#include "PageText.h"
#include "PlotCore.h"
#include "QtPainter.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>

namespace kr70::ui {

PlotWidget::PlotWidget(PaintFunction paint, QWidget* parent) : QWidget(parent), paint_(std::move(paint)) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(100, 40);
}

void PlotWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QtPainter adapter(painter);
  paint_(adapter, width(), height());
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit mouse(0, mapToParent(event->position().toPoint()));
}
void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit mouse(1, mapToParent(event->position().toPoint()));
}
void PlotWidget::mouseMoveEvent(QMouseEvent* event) { emit mouse(2, mapToParent(event->position().toPoint())); }
void PlotWidget::wheelEvent(QWheelEvent* event) {
  if (!isSignalConnected(QMetaMethod::fromSignal(&PlotWidget::wheel))) {
    event->ignore();
    return;
  }
  event->accept();
  wheelAngle_ += event->angleDelta().y();
  const int notches = wheelAngle_ / QWheelEvent::DefaultDeltasPerStep;
  if (notches == 0) return;
  wheelAngle_ -= notches * QWheelEvent::DefaultDeltasPerStep;
  emit wheel(notches, event->modifiers().testFlag(Qt::ControlModifier), mapToParent(event->position().toPoint()));
}

// ---- PageBase ---------------------------------------------------------------

void PageBase::setText(int32_t id, const std::string& text) {
  QWidget* widget = control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(QString::fromStdString(text));
  else if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(QString::fromStdString(text));
}

void PageBase::enable(int32_t id, bool enabled) {
  if (QWidget* widget = control(id)) widget->setEnabled(enabled);
}

void PageBase::setSliderPosition(int32_t id, int position) {
  if (auto* slider = qobject_cast<QSlider*>(control(id))) {
    updating_ = true;
    slider->setValue(position);
    updating_ = false;
  }
}

void PageBase::setScrollBar(int32_t id, int pageSize, int position) {
  if (auto* bar = qobject_cast<QScrollBar*>(control(id))) {
    updating_ = true;
    bar->setRange(0, pageSize == 0 ? 999 : 1000 - pageSize);
    bar->setPageStep(std::max(pageSize, 1));
    bar->setSingleStep(std::max(pageSize / 10, 1));
    bar->setValue(position);
    updating_ = false;
  }
}

void PageBase::focusAndSelectAll(int32_t id) {
  if (auto* edit = qobject_cast<QLineEdit*>(control(id))) {
    edit->setFocus();
    edit->selectAll();
  }
}

void PageBase::setListEntries(int32_t id, const std::vector<std::string>& entries, int selected) {
  if (auto* combo = qobject_cast<QComboBox*>(control(id))) {
    updating_ = true;
    combo->clear();
    for (const std::string& entry : entries) combo->addItem(QString::fromStdString(entry));
    combo->setCurrentIndex(selected);
    updating_ = false;
  }
}

void PageBase::setListSelection(int32_t id, int selected) {
  if (auto* combo = qobject_cast<QComboBox*>(control(id))) {
    updating_ = true;
    combo->setCurrentIndex(selected);
    updating_ = false;
  }
}

void PageBase::redraw(int plot) {
  if (plot >= 0 && plot < 3 && plots_[plot]) {
    plots_[plot]->update();
    return;
  }
  for (PlotWidget* widget : plots_)
    if (widget) widget->update();
}

double PageBase::fractionAt(QPoint position) const {
  auto frame = [](const PlotWidget* widget) {
    if (widget == nullptr || !widget->isVisible()) return plot::PlotFrame{};
    const QRect r = widget->geometry();
    return plot::PlotFrame{r.left(), r.top(), r.width(), r.height()};
  };
  return plot::plotFraction(position.x(), position.y(), frame(plots_[0]), frame(plots_[1]));
}

namespace {

QLabel* caption(const char* japanese, const char* english, QWidget* parent) {
  return new QLabel(templateText(japanese, english), parent);
}

QLineEdit* numberEdit(QWidget* parent, int width = 70) {
  auto* edit = new QLineEdit(parent);
  edit->setFixedWidth(width);
  return edit;
}

QLabel* valueStatic(QWidget* parent, int width = 64) {
  auto* label = new QLabel(parent);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  label->setFixedWidth(width);
  return label;
}

ScrollAction scrollActionOf(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return ScrollAction::LineLeft;
    case QAbstractSlider::SliderSingleStepAdd: return ScrollAction::LineRight;
    case QAbstractSlider::SliderPageStepSub: return ScrollAction::PageLeft;
    case QAbstractSlider::SliderPageStepAdd: return ScrollAction::PageRight;
    case QAbstractSlider::SliderToMinimum: return ScrollAction::LeftEnd;
    case QAbstractSlider::SliderToMaximum: return ScrollAction::RightEnd;
    case QAbstractSlider::SliderMove: return ScrollAction::Track;
    default: return ScrollAction::EndScroll;
  }
}

}  // namespace

QVBoxLayout* PageBase::createLayout(const char* japaneseTitle, const char* englishTitle) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  layout->addWidget(caption(japaneseTitle, englishTitle, this));
  return layout;
}

template <typename Logic>
void PageBase::createPlots(Logic& logic) {
  for (int i = 0; i < 3; ++i) {
    plots_[i] = new PlotWidget(
        i == 2 ? PlotWidget::PaintFunction([&logic](Painter& p, int w, int h) { logic.paintAxis(p, w, h); })
               : PlotWidget::PaintFunction([&logic, i](Painter& p, int w, int h) { logic.paintPlot(i, p, w, h); }),
        this);
    plots_[i]->setObjectName(QString("plot%1").arg(i));
  }
  plots_[2]->setFixedHeight(18);
}

template <typename Logic>
QScrollBar* PageBase::createScrollBar(Logic& logic, int32_t id) {
  auto* bar = add(new QScrollBar(Qt::Horizontal, this), id);
  bar->setRange(0, 999);
  bar->setEnabled(false);
  connect(bar, &QScrollBar::actionTriggered, this, [this, bar, &logic](int action) {
    if (updating_) return;
    logic.scrolled(scrollActionOf(action), bar->sliderPosition());
    bar->setSliderPosition(logic.view().scrollPosition());
  });
  return bar;
}

template <typename Logic>
QSlider* PageBase::createSlider(Logic& logic, int32_t id) {
  auto* slider = add(new QSlider(Qt::Horizontal, this), id);
  slider->setRange(0, 5);
  slider->setPageStep(1);
  slider->setEnabled(false);
  slider->setFixedWidth(90);
  connect(slider, &QSlider::valueChanged, this, [this, &logic](int value) {
    if (!updating_) logic.sliderMoved(value);
  });
  return slider;
}

// ---- Waveform page ------------------------------------------------------------

WaveformPageWidget::WaveformPageWidget(AnalysisState& state, UiPort& port, QWidget* parent)
    : PageBase(parent), state_(state), logic_(port, *this) {
  using namespace waveform_page;
  auto* layout = createLayout("取得波形／ゆらぎフィルタ処理波形", "Acquired waveform / yuragi-filtered waveform");
  createPlots(logic_);
  for (int i = 0; i < 3; ++i) {
    connect(plots_[i], &PlotWidget::mouse, this, [this](int kind, QPoint position) {
      const double fraction = fractionAt(position);
      if (kind == 0) logic_.mousePressed(fraction);
      else if (kind == 1) logic_.mouseReleased(fraction);
      else logic_.mouseMoved(fraction);
    });
    connect(plots_[i], &PlotWidget::wheel, this, [this](int notches, bool control, QPoint position) {
      logic_.wheelTurned(notches, control, fractionAt(position));
    });
  }
  layout->addWidget(plots_[0], 1);
  layout->addWidget(plots_[1], 1);
  layout->addWidget(plots_[2]);
  auto* bar = createScrollBar(logic_, kScrollBar);
  layout->addWidget(bar);

  auto* grid = new QGridLayout();
  grid->setHorizontalSpacing(4);
  layout->addLayout(grid);
  const struct {
    int32_t id;
    const char* japanese;
    const char* english;
    double value;
  } limits[] = {{kUpperTop, "上段 上限", "Upper plot top", 5.0},
                {kUpperBottom, "下限", "bottom", -5.0},
                {kLowerTop, "下段 上限", "Lower plot top", 5.0},
                {kLowerBottom, "下限", "bottom", -5.0}};
  int column = 0;
  for (const auto& limit : limits) {
    grid->addWidget(caption(limit.japanese, limit.english, this), 0, column++);
    auto* edit = add(numberEdit(this, 60), limit.id);
    edit->setText(QString::fromStdString(text::formatShortest(limit.value)));
    connect(edit, &QLineEdit::editingFinished, this,
            [this, edit, id = limit.id] { logic_.editFinished(id, edit->text().toStdString()); });
    grid->addWidget(edit, 0, column++);
  }
  column = 0;
  const struct {
    int32_t id;
    const char* japanese;
    const char* english;
  } frame[] = {{kStart, "FFT開始点", "FFT start"}, {kLength, "FFT点数", "FFT length"}};
  for (const auto& item : frame) {
    grid->addWidget(caption(item.japanese, item.english, this), 1, column++);
    auto* edit = add(numberEdit(this), item.id);
    edit->setText("0");
    connect(edit, &QLineEdit::editingFinished, this,
            [this, edit, id = item.id] { logic_.editFinished(id, edit->text().toStdString()); });
    grid->addWidget(edit, 1, column++);
  }
  auto* all = add(new QPushButton(templateText("全範囲選択", "Select all"), this), kSelectAll);
  connect(all, &QPushButton::clicked, this, [this] { logic_.selectAll(); });
  grid->addWidget(all, 1, column++);
  grid->addWidget(caption("全データ点数", "Total points", this), 1, column++);
  grid->addWidget(add(valueStatic(this), kCount), 1, column++);

  column = 0;
  grid->addWidget(caption("倍率", "Zoom", this), 2, column++);
  auto* slider = createSlider(logic_, kSlider);
  grid->addWidget(slider, 2, column++);
  auto* zoom = add(valueStatic(this, 30), kZoomText);
  zoom->setText("1");
  grid->addWidget(zoom, 2, column++);
  const struct {
    int32_t id;
    const char* japanese;
    const char* english;
  } readouts[] = {{kTimeText, "時間(ms)", "Time (ms)"},
                  {kIndexText, "点", "Index"},
                  {kUpperValue, "上段値", "Upper"},
                  {kLowerValue, "下段値", "Lower"}};
  for (const auto& item : readouts) {
    grid->addWidget(caption(item.japanese, item.english, this), 2, column++);
    grid->addWidget(add(valueStatic(this), item.id), 2, column++);
  }
  grid->setColumnStretch(column, 1);
}

void WaveformPageWidget::takeData(uint32_t count, uint32_t start, uint32_t length) {
  picture::feedWaveformPage(logic_, state_, count, start, length);
}

// ---- Spectrum page ------------------------------------------------------------

SpectrumPageWidget::SpectrumPageWidget(AnalysisState& state, UiPort& port, int decibelIndex, QWidget* parent)
    : PageBase(parent), state_(state), logic_(port, *this, decibelIndex) {
  using namespace spectrum_page;
  auto* layout = createLayout("取得波形スペクトル／ゆらぎフィルタ処理波形スペクトル",
                              "Acquired waveform spectrum / yuragi-filtered waveform spectrum");
  auto* body = new QHBoxLayout();
  layout->addLayout(body, 1);
  auto* plotsColumn = new QVBoxLayout();
  body->addLayout(plotsColumn, 1);
  createPlots(logic_);
  plotsColumn->addWidget(plots_[0], 1);
  plotsColumn->addWidget(plots_[1], 1);
  plotsColumn->addWidget(plots_[2]);

  auto* side = new QVBoxLayout();
  body->addLayout(side);
  auto decibelCombo = [this](int32_t id, int plot) {
    auto* combo = add(new QComboBox(this), id);
    for (const std::string& entry : kDecibelEntries) combo->addItem(QString::fromStdString(entry));
    combo->setCurrentIndex(logic_.decibelIndex(plot));
    connect(combo, &QComboBox::activated, this, [this, plot](int index) {
      if (!updating_) logic_.decibelChosen(plot, index);
    });
    return combo;
  };
  side->addWidget(decibelCombo(kUpperDecibel, 0));
  side->addWidget(caption("ｽﾍﾟｸﾄﾙﾋﾟｰｸ", "Spectrum peaks", this));
  peaks_ = add(new QListWidget(this), kPeaks);
  peaks_->setFixedWidth(130);
  QFont mono("Liberation Mono");
  mono.setStyleHint(QFont::Monospace);
  peaks_->setFont(mono);
  side->addWidget(peaks_, 1);
  side->addWidget(decibelCombo(kLowerDecibel, 1));

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
  auto* count = add(valueStatic(this), kCount);
  count->setText("0");
  row->addWidget(count);
  row->addStretch(1);
}

void SpectrumPageWidget::takeData() {
  // The list first: the page's redraw then shows the new peaks with the new spectra.
  peaks_->clear();
  for (int i = 0; i < SpectrumPeakList::kLines; ++i)
    peaks_->addItem(QString::fromStdString(state_.Peaks().Line(i)));
  picture::feedSpectrumPage(logic_, state_);
}

// ---- Abnormal-sound page --------------------------------------------------------

AbnormalPageWidget::AbnormalPageWidget(AnalysisState& state, UiPort& port, QWidget* parent)
    : PageBase(parent), state_(state), logic_(port, *this) {
  using namespace abnormal_page;
  auto* layout = createLayout("２乗平均波形", "Square-mean waveform");
  createPlots(logic_);
  for (int i = 0; i < 3; ++i) {
    connect(plots_[i], &PlotWidget::mouse, this, [this](int kind, QPoint position) {
      if (kind == 2) logic_.mouseMoved(fractionAt(position));
    });
  }
  plots_[1]->hide();  // the peak-emphasis plot: nothing fills it
  layout->addWidget(plots_[0], 1);
  layout->addWidget(plots_[1], 1);
  layout->addWidget(plots_[2]);
  auto* bar = createScrollBar(logic_, kScrollBar);
  layout->addWidget(bar);

  auto* row = new QHBoxLayout();
  layout->addLayout(row);
  row->addWidget(caption("上限", "Top", this));
  auto* top = add(numberEdit(this, 60), kSquareTop);
  top->setText("5");
  connect(top, &QLineEdit::editingFinished, this,
          [this, top] { logic_.editFinished(kSquareTop, top->text().toStdString()); });
  row->addWidget(top);
  auto* peakTop = add(numberEdit(this, 60), kPeakTop);
  peakTop->hide();
  row->addWidget(caption("倍率", "Zoom", this));
  auto* slider = createSlider(logic_, kSlider);
  row->addWidget(slider);
  auto* zoom = add(valueStatic(this, 30), kZoomText);
  zoom->setText("1");
  row->addWidget(zoom);
  row->addWidget(caption("データ数", "Points", this));
  row->addWidget(add(valueStatic(this, 60), kSquareCount));
  add(valueStatic(this, 60), kPeakCount)->hide();
  row->addWidget(caption("総面積", "Total area", this));
  auto* total = add(new QLineEdit(this), kTotalArea);
  total->setReadOnly(true);
  total->setFixedWidth(110);
  row->addWidget(total);
  auto* exceeding = add(new QLineEdit(this), kExceedingArea);
  exceeding->setReadOnly(true);
  exceeding->hide();
  row->addStretch(1);
  auto* readoutRow = new QHBoxLayout();
  layout->addLayout(readoutRow);
  const struct {
    int32_t id;
    const char* japanese;
    const char* english;
  } readouts[] = {{kTimeText, "時間(ms)", "Time (ms)"}, {kIndexText, "点", "Index"}, {kValueText, "値", "Value"}};
  for (const auto& item : readouts) {
    readoutRow->addWidget(caption(item.japanese, item.english, this));
    readoutRow->addWidget(add(valueStatic(this, 80), item.id));
  }
  readoutRow->addStretch(1);
}

void AbnormalPageWidget::takeData(uint32_t count, uint32_t start, uint32_t length) {
  picture::feedAbnormalPage(logic_, state_, count, start, length);
}

// ---- Result lamp ------------------------------------------------------------------

QImage lampImage(bool ok, bool lit) {
  QImage image(100, 38, QImage::Format_RGB32);
  const QColor background = !lit ? QColor(255, 255, 255) : ok ? QColor(0, 0, 224) : QColor(224, 0, 0);
  const QColor letters = lit ? QColor(255, 255, 255) : QColor(210, 210, 210);
  image.fill(background);
  QPainter painter(&image);
  painter.setPen(QColor(160, 160, 160));
  painter.drawRect(0, 0, 99, 37);
  QFont font("Arial");
  font.setPixelSize(28);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(letters);
  painter.drawText(QRect(0, 0, 100, 38), Qt::AlignCenter, ok ? "OK" : "NG");
  painter.end();
  return image.convertToFormat(QImage::Format_Indexed8);
}

ResultLampWidget::ResultLampWidget(QWidget* parent) : QWidget(parent) {
  setObjectName("162");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ok_ = new QLabel(this);
  ok_->setObjectName("1217");
  ng_ = new QLabel(this);
  ng_->setObjectName("1218");
  for (QLabel* label : {ok_, ng_}) {
    label->setScaledContents(true);
    label->setFixedSize(80, 30);
    layout->addWidget(label);
  }
  show();
  setVisible(false);
}

void ResultLampWidget::show() {
  ok_->setPixmap(QPixmap::fromImage(lampImage(true, lamp_.okLit())));
  ng_->setPixmap(QPixmap::fromImage(lampImage(false, lamp_.ngLit())));
}

void ResultLampWidget::setJudgement(int state) {
  lamp_.setJudgement(state);
  show();
  repaint();  // at once, so that the lamp shows during long work
}

void ResultLampWidget::setDisplay(int flag) {
  lamp_.setDisplay(flag);
  setVisible(lamp_.shown());
}

}  // namespace kr70::ui
