#pragma once
// The painter interface over QPainter: the screen, printing and pictures
// (PNG images, SVG files; PictureRender.h).
#include "Painter.h"

#include <QPainter>

namespace kr70 {

class QtPainter final : public Painter {
 public:
  explicit QtPainter(QPainter& painter);
  void setClip(int x, int y, int width, int height) override;
  void fillRect(int x, int y, int width, int height, Rgb colour) override;
  void setPen(Rgb colour, int width) override;
  void drawLine(int x1, int y1, int x2, int y2) override;
  void drawText(int x, int y, std::string_view utf8, int fontHeight, Rgb colour) override;

 private:
  QPainter& painter_;
  QPen pen_;
};

}  // namespace kr70
