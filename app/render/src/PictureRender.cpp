#include "PictureRender.h"

#include "QtPainter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
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
    if (image.isNull() || !image.save(&file, "PNG")) return false;
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
