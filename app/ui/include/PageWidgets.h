#pragma once
// The graph pages as Qt widgets: each binds its controls to the page logic
// (app/pages) and paints its plot frames through QtPainter. Controls carry
// their control id as object name.
#include "AbnormalPage.h"
#include "DataQuality.h"
#include "PageControls.h"
#include "SpectrumPage.h"
#include "WaveformPage.h"

#include <QLabel>
#include <QMap>
#include <QWidget>
#include <functional>

class QListWidget;
class QVBoxLayout;
class QScrollBar;
class QSlider;

namespace kr70 {
class AnalysisState;
}

namespace kr70::ui {

// A plain frame that paints through a callback and reports mouse events.
class PlotWidget : public QWidget {
  Q_OBJECT
 public:
  using PaintFunction = std::function<void(Painter&, int width, int height)>;
  explicit PlotWidget(PaintFunction paint, QWidget* parent = nullptr);
 signals:
  void mouse(int kind, QPoint pagePosition);  // 0 press, 1 release, 2 move
  // Whole wheel notches turned (positive away from the user), Ctrl held.
  void wheel(int notches, bool control, QPoint pagePosition);
 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;
 private:
  PaintFunction paint_;
  int wheelAngle_ = 0;  // eighths of a degree not yet a whole notch (touchpads)
};

// PageControls over a map of widgets by id.
class PageBase : public QWidget, public PageControls {
 public:
  explicit PageBase(QWidget* parent) : QWidget(parent) {}
  void setText(int32_t id, const std::string& text) override;
  void enable(int32_t id, bool enabled) override;
  void setSliderPosition(int32_t id, int position) override;
  void setScrollBar(int32_t id, int pageSize, int position) override;
  void focusAndSelectAll(int32_t id) override;
  void setListEntries(int32_t id, const std::vector<std::string>& entries, int selected) override;
  void setListSelection(int32_t id, int selected) override;
  void captureMouse(bool) override {}  // Qt grabs the mouse for a press already
  void redraw(int plot) override;

  QWidget* control(int32_t id) const { return controls_.value(id, nullptr); }
  PlotWidget* plot(int index) const { return plots_[index]; }

 protected:
  template <typename T>
  T* add(T* widget, int32_t id) {
    widget->setObjectName(QString::number(id));
    controls_.insert(id, widget);
    return widget;
  }
  double fractionAt(QPoint pagePosition) const;
  // The horizontal place of a page position as a fraction of the plots'
  // width, wherever it is (below 0 left of them, above 1 right of them).
  double horizontalFraction(QPoint pagePosition) const;
  // The page's layout with its title, and the two plots and the axis strip
  // painted by the logic (defined where the pages are built).
  QVBoxLayout* createLayout(const char* japaneseTitle, const char* englishTitle);
  template <typename Logic>
  void createPlots(Logic& logic);
  template <typename Logic>
  QScrollBar* createScrollBar(Logic& logic, int32_t id);
  template <typename Logic>
  QSlider* createSlider(Logic& logic, int32_t id);
  bool updating_ = false;  // true while the logic writes into the controls
  PlotWidget* plots_[3] = {nullptr, nullptr, nullptr};

 private:
  QMap<int32_t, QWidget*> controls_;
};

class WaveformPageWidget : public PageBase {
 public:
  WaveformPageWidget(AnalysisState& state, UiPort& port, QWidget* parent);
  // Take data: the analysis and yuragi waveforms of the state.
  void takeData(uint32_t count, uint32_t start, uint32_t length);
  WaveformPage& logic() { return logic_; }

 private:
  AnalysisState& state_;
  WaveformPage logic_;
};

class SpectrumPageWidget : public PageBase {
 public:
  SpectrumPageWidget(AnalysisState& state, UiPort& port, int decibelIndex, QWidget* parent);
  void takeData();
  SpectrumPage& logic() { return logic_; }

 private:
  AnalysisState& state_;
  SpectrumPage logic_;
  QListWidget* peaks_ = nullptr;
};

class AbnormalPageWidget : public PageBase {
 public:
  AbnormalPageWidget(AnalysisState& state, UiPort& port, QWidget* parent);
  void takeData(uint32_t count, uint32_t start, uint32_t length);
  AbnormalPage& logic() { return logic_; }
  // The data-quality warning line under the title: hidden while the loaded
  // recording passed every check (QualityWarning).
  QLabel* qualityWarning() const { return qualityWarning_; }

 private:
  AnalysisState& state_;
  AbnormalPage logic_;
  QLabel* qualityWarning_ = nullptr;
};

// Shows the data-quality warning of report on label (red, word-wrapped), or
// hides the label for a valid recording.
void showQualityWarning(QLabel& label, const QualityReport& report);

// The 100 × 38 lamp images: OK white on blue, NG white on red, an unlit lamp
// pale letters on white.
QImage lampImage(bool ok, bool lit);

// The result-indicator page (162): the OK lamp (1217) and the NG lamp (1218).
class ResultLampWidget : public QWidget {
 public:
  explicit ResultLampWidget(QWidget* parent);
  void setJudgement(int state);
  void setDisplay(int flag);
  const ResultLamp& lamp() const { return lamp_; }

 private:
  void show();
  ResultLamp lamp_;
  QLabel* ok_;
  QLabel* ng_;
};

}  // namespace kr70::ui
