#pragma once
// The Qt side of the parameter save dialog (142), the noise-level settings
// dialog (170) and page (169), and the difference spectrum (138) and
// difference waveform (139) pages. Each binds its widgets, named by control
// id, to the Qt-free logic of ParameterSaveDialog.h, NoiseLevel.h and
// DifferencePages.h, which decides; these classes only show.
#include "AnalysisResult.h"
#include "DifferencePages.h"
#include "NoiseLevel.h"
#include "PageWidgets.h"
#include "ParameterSaveDialog.h"
#include "SettingsDialogWindow.h"

#include <QLabel>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QListWidget;
class QPushButton;
class QScrollBar;

namespace kr70 {
class AnalysisState;
}

namespace kr70::ui {

// Dialog 142 over values; port asks the questions, chooses the file and shows
// the messages of a save. Ctrl+Shift+C reveals the hidden "CSVで保存" button.
std::unique_ptr<SettingsDialogWindow> createParameterSaveDialog(ParameterSaveValues& values, UiPort& port,
                                                                QWidget* parent);
// Dialog 170 over values.
std::unique_ptr<SettingsDialogWindow> createNoiseLevelDialog(NoiseLevelValues& values, QWidget* parent);

// The noise-level page (169): peak voltage, noise level and range of the raw
// waveform. A hide request is dropped: only the show flag hides the values.
class NoiseLevelPageWidget : public QWidget {
 public:
  NoiseLevelPageWidget(AnalysisState& state, QWidget* parent);
  // Message 33078: reads the show flag, range and raw samples of the state.
  void apply();
  const NoiseLevelReading& reading() const { return reading_; }
  void setVisible(bool visible) override;
  // The page is shown after the noise-level settings; only this shows it.
  void showPage() { QWidget::setVisible(true); }

 private:
  AnalysisState& state_;
  NoiseLevelReading reading_;
};

class DifSpectrumPageWidget : public PageBase {
 public:
  DifSpectrumPageWidget(AnalysisState& state, UiPort& port, int decibelIndex, QWidget* parent);
  void takeData();
  DifSpectrumPage& logic() { return logic_; }
  void setListEntries(int32_t id, const std::vector<std::string>& entries, int selected) override;
  void setListSelection(int32_t id, int selected) override;

 private:
  void mouse(int kind, QPoint pagePosition);
  AnalysisState& state_;
  DifSpectrumPage logic_;
  std::vector<double> power_, amplitude_;
  QListWidget* marks_ = nullptr;
};

class DifWaveformPageWidget : public PageBase {
 public:
  DifWaveformPageWidget(AnalysisState& state, UiPort& port, QWidget* parent);
  void takeData();
  DifWaveformPage& logic() { return logic_; }
  // Brings the scroll bar's range and position in line with the logic first.
  void redraw(int plot) override;

 private:
  AnalysisState& state_;
  DifWaveformPage logic_;
  QScrollBar* bar_ = nullptr;
};

// The hidden analyse button (1202) of the abnormal-sound page: a click with
// Ctrl and Shift held on the page's data count (1068) reveals it; it opens the
// modeless analysis result dialog (161) for the square-mean waveform of the
// state and the display file named by displayFile.
QPushButton* installAnalyseButton(AbnormalPageWidget& page, AnalysisState& state,
                                  std::function<QString()> displayFile);
// Dialog 161 over a copy of the figures; deletes itself when closed.
QDialog* openAnalysisResultDialog(const double* samples, uint32_t count, uint32_t samplingFrequency,
                                  double level, const QString& displayFile, QWidget* parent);

}  // namespace kr70::ui
