#pragma once
// A painter that keeps a log of every call and can rasterise that log onto a
// small pixel grid, so that tests can check both what was asked for and which
// pixels end up in which colour. Text is logged but not rasterised.
#include "Painter.h"

#include <string>
#include <vector>

namespace kr70 {

class RecordingPainter final : public Painter {
 public:
  enum class Kind { Clip, Fill, Pen, Line, Text };
  struct Call {
    Kind kind;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Fill/Clip: x, y, width, height
    Rgb colour{};
    int width = 0;                       // pen width or text font height
    std::string text;
  };

  // When logging is off only the counters run (for benchmarks).
  explicit RecordingPainter(bool keepLog = true) : keepLog_(keepLog) {}

  void setClip(int x, int y, int width, int height) override;
  void fillRect(int x, int y, int width, int height, Rgb colour) override;
  void setPen(Rgb colour, int width) override;
  void drawLine(int x1, int y1, int x2, int y2) override;
  void drawText(int x, int y, std::string_view utf8, int fontHeight, Rgb colour) override;

  const std::vector<Call>& calls() const { return calls_; }
  // Fill, line and text calls together (pen and clip changes are free).
  long drawCallCount() const { return drawCalls_; }
  long lineCount() const { return lines_; }
  void clear();

  // Replays the log onto a width × height grid (initially black so that an
  // unpainted pixel is visible), honouring clip rectangles and pen widths.
  struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  };
  Image rasterise(int width, int height) const;

 private:
  bool keepLog_;
  std::vector<Call> calls_;
  long drawCalls_ = 0;
  long lines_ = 0;
};

}  // namespace kr70
