#include "HistogramPng.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <memory>

#include "QtPainter.h"

namespace kr70 {

bool WriteAreaHistogramPng(const std::string& path, int width, int height, const std::vector<double>& goodAreas,
                           const std::vector<double>& badAreas, const HistogramMarks& marks, int bins) {
    std::unique_ptr<QGuiApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "kr70-results";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter qpainter(&image);
        QtPainter painter(qpainter);
        DrawAreaHistogram(painter, width, height, goodAreas, badAreas, marks, bins);
    }
    // Written beside the target and renamed, so a failed write leaves no
    // half picture under the name.
    QSaveFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
}

}  // namespace kr70
