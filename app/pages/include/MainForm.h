#pragma once
// Logic of the main form: page selection by the radio group starting at 1000
// and the View menu, the open command (57601), the display-file combo box
// (1094) and the FFT display settings (32810). The analysis state does the
// loading and the chain; this class decides what to load and what to show.
#include "Profile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kr70 {

class AnalysisState;
class UiPort;

namespace form {
inline constexpr int32_t kRadioWaveform = 1000, kRadioSpectrum = 1001, kRadioAbnormal = 1062;
inline constexpr int32_t kRadioDifSpectrum = 1002, kRadioDifWaveform = 1003;
inline constexpr int32_t kComboDisplayFile = 1094;
inline constexpr int32_t kCommandOpen = 57601, kCommandFftDisplay = 32810;
inline constexpr int32_t kCommandViewWaveform = 32775, kCommandViewSpectrum = 32776,
                         kCommandViewAbnormal = 32780;
inline constexpr int32_t kTextOpenFilter = 2031, kTextNoAcceptedFile = 2021;
}  // namespace form

class MainForm {
 public:
  // The FFT dialog entry point (ShowFFTSetDlg's shape): 1 OK, other values
  // mean nothing was chosen.
  using FftDialog = std::function<int(int32_t* flag)>;

  MainForm(AnalysisState& state, UiPort& port, Profile& profile);

  // Page index 0 waveform, 1 spectrum, 2 difference spectrum, 3 difference
  // waveform, 4 abnormal sound: shows the page of that index (136, 137,
  // 141), hides the other two of these; 2 and 3 hide all three and show the
  // difference spectrum (138) or difference waveform (139) page.
  void selectPage(int index);
  int currentPage() const { return page_; }
  // View menu commands: check the matching radio button, uncheck the other
  // two, select its page and set the menu check marks.
  void viewCommand(int32_t commandId);

  void openFiles();
  // The open command's rules for files chosen elsewhere (dropped on the
  // window): each acceptable file joins the list, the last one is loaded.
  void openPaths(const std::vector<std::string>& paths);
  void comboSelected();
  void fftDisplaySettings(const FftDialog& dialog);

 private:
  AnalysisState& state_;
  UiPort& port_;
  Profile& profile_;
  int page_ = 0;
};

}  // namespace kr70
