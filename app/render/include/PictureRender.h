#pragma once
// Pictures drawn through the Painter interface (Painter.h, PlotCore.h)
// without a window: into a QImage or into an SVG file. The window's plots,
// its picture commands and kr70-analyse --plot all paint through QtPainter,
// so one drawing function gives the same pixels everywhere.
//
// A draw function gets the painter and the picture's size in logical pixels
// (origin top left) and paints everything; the image starts white. Example, a
// 400 × 300 histogram:
//
//   QImage image = kr70::render::renderImage(QSize(400, 300), 1.0,
//       [&](kr70::Painter& p, int width, int height) {
//         p.setClip(0, 0, width, height);
//         p.fillRect(10, height - 80, 20, 80, kr70::plot::kBlack);
//         p.drawText(4, 4, "counts", 15, kr70::plot::kBlack);
//       });
//   kr70::render::writePicture("histogram.svg", QSize(400, 300), draw);
//
// Qt Gui needs a QGuiApplication (or QApplication) before any of these run;
// a command-line program gets one from ensureGuiApplication().
#include "Painter.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

class QGuiApplication;

namespace kr70::render {

using DrawFunction = std::function<void(Painter& painter, int width, int height)>;

// An RGB32 image of size × ratio device pixels with that device pixel ratio
// (a 1-pixel line stays one logical pixel wide, as on a high-DPI screen).
QImage renderImage(QSize size, double ratio, const DrawFunction& draw);

enum class Format { Png, Svg };
// SVG for a name ending in ".svg" (any case), PNG for any other.
Format formatOfPath(const QString& path);

// Writes the picture to path (PNG at ratio 1, or SVG of the same size in
// pixels). The file is written beside the target and renamed into place, so a
// failure leaves an older file as it was; answers false on failure.
bool writePicture(const QString& path, QSize size, const DrawFunction& draw, Format format);
inline bool writePicture(const QString& path, QSize size, const DrawFunction& draw) {
  return writePicture(path, size, draw, formatOfPath(path));
}

// The QGuiApplication a command-line program needs for drawing: null when one
// exists already, else a new one that the caller keeps alive. Without a
// platform chosen (QT_QPA_PLATFORM unset) it uses the offscreen platform, so
// no display is needed.
std::unique_ptr<QGuiApplication> ensureGuiApplication();

}  // namespace kr70::render
