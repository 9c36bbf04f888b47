#include "RecordingPainter.h"

#include <algorithm>
#include <cstdlib>

namespace kr70 {

void RecordingPainter::setClip(int x, int y, int width, int height) {
  if (keepLog_) calls_.push_back({Kind::Clip, x, y, width, height, {}, 0, {}});
}

void RecordingPainter::fillRect(int x, int y, int width, int height, Rgb colour) {
  ++drawCalls_;
  if (keepLog_) calls_.push_back({Kind::Fill, x, y, width, height, colour, 0, {}});
}

void RecordingPainter::setPen(Rgb colour, int width) {
  if (keepLog_) calls_.push_back({Kind::Pen, 0, 0, 0, 0, colour, width, {}});
}

void RecordingPainter::drawLine(int x1, int y1, int x2, int y2) {
  ++drawCalls_;
  ++lines_;
  if (keepLog_) calls_.push_back({Kind::Line, x1, y1, x2, y2, {}, 0, {}});
}

void RecordingPainter::drawText(int x, int y, std::string_view utf8, int fontHeight,
                                Rgb colour) {
  ++drawCalls_;
  if (keepLog_) calls_.push_back({Kind::Text, x, y, 0, 0, colour, fontHeight, std::string(utf8)});
}

void RecordingPainter::clear() {
  calls_.clear();
  drawCalls_ = 0;
  lines_ = 0;
}

RecordingPainter::Image RecordingPainter::rasterise(int width, int height) const {
  Image image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<size_t>(width) * height, Rgb{0, 0, 0});
  int clipLeft = 0, clipTop = 0, clipRight = width, clipBottom = height;
  Rgb pen{};
  int penWidth = 1;
  auto plot = [&](int x, int y, Rgb colour) {
    if (x < clipLeft || x >= clipRight || y < clipTop || y >= clipBottom) return;
    if (x < 0 || x >= width || y < 0 || y >= height) return;
    image.pixels[static_cast<size_t>(y) * width + x] = colour;
  };
  for (const Call& call : calls_) {
    switch (call.kind) {
      case Kind::Clip:
        clipLeft = call.x1;
        clipTop = call.y1;
        clipRight = call.x1 + call.x2;
        clipBottom = call.y1 + call.y2;
        break;
      case Kind::Fill: {
        const int left = std::max(call.x1, clipLeft), top = std::max(call.y1, clipTop);
        const int right = std::min(call.x1 + call.x2, clipRight);
        const int bottom = std::min(call.y1 + call.y2, clipBottom);
        for (int y = top; y < bottom; ++y)
          for (int x = left; x < right; ++x) plot(x, y, call.colour);
        break;
      }
      case Kind::Pen:
        pen = call.colour;
        penWidth = call.width;
        break;
      case Kind::Line: {  // Bresenham, both ends included
        int x = call.x1, y = call.y1;
        const int dx = std::abs(call.x2 - x), dy = -std::abs(call.y2 - y);
        const int sx = x < call.x2 ? 1 : -1, sy = y < call.y2 ? 1 : -1;
        int error = dx + dy;
        for (;;) {
          plot(x, y, pen);
          if (penWidth > 1) {
            plot(x + 1, y, pen);
            plot(x, y + 1, pen);
            plot(x + 1, y + 1, pen);
          }
          if (x == call.x2 && y == call.y2) break;
          const int twice = 2 * error;
          if (twice >= dy) {
            error += dy;
            x += sx;
          }
          if (twice <= dx) {
            error += dx;
            y += sy;
          }
        }
        break;
      }
      case Kind::Text: break;
    }
  }
  return image;
}

}  // namespace kr70
