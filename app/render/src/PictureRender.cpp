#include "PictureRender.h"

#include "QtPainter.h"

#include <QGuiApplication>
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
    QSvgGenerator generator;
    generator.setOutputDevice(&file);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    QPainter painter;
    if (!painter.begin(&generator)) return false;
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    QtPainter adapter(painter);
    draw(adapter, size.width(), size.height());
    if (!painter.end()) return false;
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
