#include "PictureRender.h"

#include "QtPainter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <array>
#include <cstdio>

namespace kr70::render {

QImage renderImage(QSize size, double ratio, const DrawFunction& draw) {
  if (size.isEmpty() || !(ratio > 0.0)) return {};
  QImage image(size * ratio, QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  QPainter painter(&image);
  QtPainter adapter(painter);
  draw(adapter, size.width(), size.height());
  painter.end();
  return image;
}

namespace {

// Qt's PNG "quality" picks zlib's level: 80 gives level 1, which packs these
// mostly white pictures nearly as tight as the default level at a fraction
// of the time.
constexpr int kPngQuality = 80;

// The same pixels with a colour table when they have at most 256 colours (a
// plot has a handful plus the grey levels of its text). A palette PNG is
// written without the row filters libpng tries on each RGB row, which
// otherwise take most of the time of a save; a picture with more colours
// stays as it is.
QImage withPalette(const QImage& image) {
  if (image.format() != QImage::Format_RGB32) return image;
  QImage packed(image.size(), QImage::Format_Indexed8);
  QList<QRgb> colours;
  // Open addressing over 1024 slots: colour + 1 (0 = free) and its index.
  std::array<QRgb, 1024> keys{};
  std::array<uchar, 1024> indices{};
  QRgb previous = 0;
  uchar previousIndex = 0;
  bool started = false;
  for (int y = 0; y < image.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uchar* out = packed.scanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      const QRgb colour = in[x] | 0xff000000u;
      if (started && colour == previous) {
        out[x] = previousIndex;
        continue;
      }
      size_t slot = (colour * 2654435761u) >> 22;
      while (keys[slot] != 0 && keys[slot] != colour) slot = (slot + 1) & 1023;
      if (keys[slot] == 0) {
        if (colours.size() == 256) return image;
        keys[slot] = colour;
        indices[slot] = static_cast<uchar>(colours.size());
        colours.append(colour);
      }
      previous = colour;
      previousIndex = out[x] = indices[slot];
      started = true;
    }
  }
  packed.setColorTable(colours);
  packed.setDevicePixelRatio(image.devicePixelRatio());
  return packed;
}

// The generator gives the drawing's size in millimetres at its resolution,
// which viewers turn into different pixel sizes; the picture is meant in
// pixels, so the root element says so.
QByteArray withPixelSize(QByteArray svg, QSize size) {
  static const QRegularExpression millimetres(QStringLiteral("width=\"[0-9.]+mm\" height=\"[0-9.]+mm\""));
  const qsizetype root = svg.indexOf("<svg");
  if (root < 0) return svg;
  const QString head = QString::fromUtf8(svg.mid(root, 512));
  const QRegularExpressionMatch match = millimetres.match(head);
  if (!match.hasMatch()) return svg;
  const QByteArray pixels = QStringLiteral("width=\"%1\" height=\"%2\"").arg(size.width()).arg(size.height()).toUtf8();
  return svg.replace(root + match.capturedStart(), match.capturedLength(), pixels);
}

}  // namespace

Format formatOfPath(const QString& path) {
  return path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) ? Format::Svg : Format::Png;
}

bool writePicture(const QString& path, QSize size, const DrawFunction& draw, Format format) {
  if (size.isEmpty()) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (format == Format::Png) {
    const QImage image = renderImage(size, 1.0, draw);
    if (image.isNull() || !withPalette(image).save(&file, "PNG", kPngQuality)) return false;
  } else {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    QPainter painter;
    if (!painter.begin(&generator)) return false;
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    QtPainter adapter(painter);
    draw(adapter, size.width(), size.height());
    if (!painter.end()) return false;
    if (file.write(withPixelSize(buffer.data(), size)) < 0) return false;
  }
  return file.commit();
}

std::unique_ptr<QGuiApplication> ensureGuiApplication() {
  if (QGuiApplication::instance() != nullptr) return nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt keeps referring to argc and argv for the application's life.
  static int argc = 1;
  static char name[] = "kr70";
  static char* argv[] = {name, nullptr};
  // Starting the platform may note its defaults (a missing runtime
  // directory); a command-line program's standard error is kept for its own
  // messages.
  const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
  });
  auto application = std::make_unique<QGuiApplication>(argc, argv);
  qInstallMessageHandler(previous);
  return application;
}

}  // namespace kr70::render
