#pragma once
// Pictures of the graph pages: a title strip (page title and file name, the
// settings, the verdict) above the page's plots exactly as the window paints
// them (same page logic, same plotting core), with the spectrum page's peak
// list and the abnormal-sound page's areas and verdict in a column on the
// right. The window's picture commands and kr70-analyse --plot both draw
// through drawPagePicture, so the same page state gives the same picture.
// Everything goes through a Painter (QtPainter for images and SVG files).
#include "AbnormalPage.h"
#include "Painter.h"
#include "PlotCore.h"
#include "Profile.h"
#include "SpectrumPage.h"
#include "UiPort.h"
#include "WaveformPage.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kr70 {
class AnalysisState;
}

namespace kr70::picture {

// A painter onto a frame of another: coordinates are shifted by the frame's
// corner and every clip rectangle is limited to the frame.
class FramePainter final : public Painter {
 public:
  FramePainter(Painter& target, plot::PlotFrame frame) : target_(target), frame_(frame) {}
  void setClip(int x, int y, int width, int height) override;
  void fillRect(int x, int y, int width, int height, Rgb colour) override;
  void setPen(Rgb colour, int width) override { target_.setPen(colour, width); }
  void drawLine(int x1, int y1, int x2, int y2) override;
  void drawText(int x, int y, std::string_view utf8, int fontHeight, Rgb colour) override;

 private:
  Painter& target_;
  plot::PlotFrame frame_;
};

enum class PageKind { Waveform, Spectrum, Abnormal };

inline constexpr int kMargin = 4;
inline constexpr int kLineHeight = 18;  // title strip and side column lines
inline constexpr int kTextHeight = 14;
inline constexpr int kAxisHeight = 18;  // the time or frequency axis strip, as in the window
inline constexpr int kSideWidth = 190;
inline constexpr Rgb kBackground{236, 236, 236};
inline constexpr Rgb kStripBackground{255, 255, 255};
inline constexpr Rgb kFrameColour{96, 96, 96};

// The texts of a picture: title strip lines (top to bottom) and the side
// column's lines (none: no column).
struct PictureText {
  std::vector<std::string> title;
  std::vector<std::string> side;
};

// Where the parts go in a width × height picture: the strip across the top,
// the plots one above the other (a frame of width 0 when the page has only
// one), the axis strip under them, the side column on the right.
struct PictureLayout {
  plot::PlotFrame strip, plots[2], axis, side;
};
PictureLayout layoutPicture(int width, int height, size_t titleLines, int plotCount, bool sideColumn);

// The page's plots: paintPlot(i, …) for each plot and paintAxis.
struct PlotSource {
  std::function<void(int plot, Painter&, int width, int height)> paintPlot;
  std::function<void(Painter&, int width, int height)> paintAxis;
  int plotCount = 2;
};
void drawPagePicture(Painter& painter, int width, int height, const PlotSource& plots,
                     const PictureText& text);
// The three pages: the waveform page's two plots, the spectrum page's two
// spectra, the abnormal-sound page's square-mean plot.
PlotSource plotsOf(const WaveformPage& page);
PlotSource plotsOf(const SpectrumPage& page);
PlotSource plotsOf(const AbnormalPage& page);

// Base name of the picture files of a page ("waveform", "spectrum", "abnormal").
const char* pageFileName(PageKind kind);

// ---- From the analysis state (needs the workstation's core) -------------------

using TextSource = std::function<std::string(int32_t id)>;  // UTF-8 text of a language id
// The loaded language table's text, decoded to UTF-8.
std::string tableText(int32_t id);

// Title strip: the page title and the file name (without its directory) with
// the data's sampling frequency and points; the settings (sampling pitch,
// yuragi filter, frequency filter, smoothing, level, pass threshold); the
// verdict with the total and threshold-exceeding areas.
std::vector<std::string> titleLines(const AnalysisState& state, PageKind kind, const TextSource& text);
// Title lines plus the side column of the page (the five peak lines, or the
// areas and the verdict).
PictureText pictureText(const AnalysisState& state, PageKind kind, const TextSource& text);

// How the window's pages take their data from the state, shared with the
// pages that only draw pictures.
void feedWaveformPage(WaveformPage& page, const AnalysisState& state, uint32_t count, uint32_t start,
                      uint32_t length);
void feedSpectrumPage(SpectrumPage& page, const AnalysisState& state);
void feedAbnormalPage(AbnormalPage& page, const AnalysisState& state, uint32_t count, uint32_t start,
                      uint32_t length);

// The three pages without widgets, fed by the state's page notifications as
// the window's pages are (their views at the window's start values: zoom 1,
// limits ±5 and 5, the whole frequency range, the decibel range given, by
// default the window's default).
class PicturePages {
 public:
  explicit PicturePages(UiPort& port, int decibelIndex = StartupSettings{}.decibelIndex);
  ~PicturePages();
  void notify(PageId page, const PageNotification& notification, const AnalysisState& state);
  void draw(PageKind kind, Painter& painter, int width, int height, const PictureText& text) const;

 private:
  class NoControls;
  std::unique_ptr<NoControls> controls_;
  WaveformPage waveform_;
  SpectrumPage spectrum_;
  AbnormalPage abnormal_;
};

}  // namespace kr70::picture
