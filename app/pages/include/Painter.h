#pragma once
// The small drawing interface every graph page paints through. Coordinates are
// pixels of one plot frame, origin top left; a drawing call outside the clip
// rectangle has no visible effect. QPainter implements it for the screen,
// printing and PNG export; RecordingPainter implements it for tests.
#include <cstdint>
#include <string_view>

namespace kr70 {

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

class Painter {
 public:
  virtual ~Painter() = default;
  // Everything drawn afterwards is limited to this rectangle.
  virtual void setClip(int x, int y, int width, int height) = 0;
  // Fills [x, x + width) × [y, y + height) with the colour; no outline.
  virtual void fillRect(int x, int y, int width, int height, Rgb colour) = 0;
  // Pen for the following lines: solid, width 1 or 2 pixels.
  virtual void setPen(Rgb colour, int width) = 0;
  // A line from (x1, y1) to (x2, y2), both end points included.
  virtual void drawLine(int x1, int y1, int x2, int y2) = 0;
  // UTF-8 text whose top-left corner is (x, y), in the "Arial" face with the
  // given character height in pixels.
  virtual void drawText(int x, int y, std::string_view utf8, int fontHeight, Rgb colour) = 0;
};

}  // namespace kr70
