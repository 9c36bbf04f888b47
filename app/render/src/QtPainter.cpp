#include "QtPainter.h"

namespace kr70 {
namespace {
QColor toQColor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

// The plots' "Arial" is the metric-compatible face where Arial itself is not
// installed; the window and the command-line pictures resolve it alike.
void substituteArial() {
  static const bool done = [] {
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    return true;
  }();
  (void)done;
}
}  // namespace

QtPainter::QtPainter(QPainter& painter) : painter_(painter) { substituteArial(); }

void QtPainter::setClip(int x, int y, int width, int height) {
  painter_.setClipRect(x, y, width, height);
}

void QtPainter::fillRect(int x, int y, int width, int height, Rgb colour) {
  painter_.fillRect(x, y, width, height, toQColor(colour));
}

void QtPainter::setPen(Rgb colour, int width) {
  pen_ = QPen(toQColor(colour), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
  // A 1-pixel pen is Qt's cosmetic pen, which covers exactly the pixels a
  // line passes through. On a screen with several device pixels per pixel
  // (high DPI) it is as many device pixels wide, so a curve drawn column by
  // column stays solid instead of leaving every other device column bare.
  if (width <= 1) {
    const qreal ratio = painter_.device() != nullptr ? painter_.device()->devicePixelRatioF() : 1.0;
    pen_.setCosmetic(true);
    pen_.setWidthF(ratio > 1.0 ? ratio : 0.0);
  }
  painter_.setPen(pen_);
}

void QtPainter::drawLine(int x1, int y1, int x2, int y2) {
  painter_.drawLine(x1, y1, x2, y2);
  // Qt's cosmetic lines stop one pixel short of their end; the end point
  // belongs to the line (a column's lowest sample, where a joining line lands).
  if (pen_.isCosmetic() && (x1 != x2 || y1 != y2)) painter_.drawPoint(x2, y2);
}

void QtPainter::drawText(int x, int y, std::string_view utf8, int fontHeight, Rgb colour) {
  QFont font("Arial");
  font.setPixelSize(fontHeight);
  font.setWeight(QFont::Normal);
  painter_.save();
  painter_.setFont(font);
  painter_.setPen(toQColor(colour));
  const QFontMetrics metrics(font);
  painter_.drawText(x, y + metrics.ascent(), QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size())));
  painter_.restore();
}

}  // namespace kr70
