#include "Printing.h"

#include "Kr70TextIds.h"
#include "LanguageText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

namespace kr70::ui {
namespace {

// The print font: the face of language text 250, kFontHeight page units high.
QFont printFont() {
  registerFontSubstitutes();
  QFont font(languageText(text::kPrintFontFace));
  font.setPixelSize(print::kFontHeight);
  return font;
}

// Text lines of the layout in the print font.
class PrintTextPainter final : public Painter {
 public:
  explicit PrintTextPainter(QPainter& painter) : painter_(painter), font_(printFont()) {}
  void setClip(int, int, int, int) override {}
  void fillRect(int, int, int, int, Rgb) override {}
  void setPen(Rgb, int) override {}
  void drawLine(int, int, int, int) override {}
  void drawText(int x, int y, std::string_view utf8, int, Rgb colour) override {
    painter_.setFont(font_);
    painter_.setPen(QColor(colour.red, colour.green, colour.blue));
    painter_.drawText(x, y + QFontMetrics(font_).ascent(),
                      QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  }

 private:
  QPainter& painter_;
  QFont font_;
};

}  // namespace

Printing::Printing() = default;
Printing::~Printing() = default;

bool Printing::setUp(QWidget* parent) {
  // A printer chosen before is offered again; a new one is kept only on OK.
  std::unique_ptr<QPrinter> candidate;
  QPrinter* printer = chosen_.get();
  if (printer == nullptr) {
    candidate = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer = candidate.get();
  }
  QPrintDialog dialog(printer, parent);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  if (accepted && candidate) chosen_ = std::move(candidate);
  return accepted;
}

void Printing::usePdfFile(const QString& path) {
  chosen_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  chosen_->setOutputFormat(QPrinter::PdfFormat);
  chosen_->setOutputFileName(path);
}

Printing::Result Printing::print(const print::PrintValues& values, QWidget* pageWidget) {
  std::unique_ptr<QPrinter> fallback;
  QPrinter* printer = chosen_.get();
  if (printer == nullptr) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return Result::NoPrinter;
    fallback = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer = fallback.get();
  }
  const QString title = languageText(print::PageTitleId(values.pageIndex));
  printer->setDocName(title);
  QPainter painter;
  if (!painter.begin(printer)) return Result::Failed;
  const QRect area = printer->pageLayout().paintRectPixels(printer->resolution());
  const double scale = static_cast<double>(area.width()) / print::kPageWidth;
  painter.scale(scale, scale);

  const QFontMetrics metrics(printFont());
  const auto text = [](int32_t id) { return languageText(id).toStdString(); };
  const auto measure = [&metrics](std::string_view utf8, int) {
    return metrics.horizontalAdvance(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  };
  const int pictureWidth = pageWidget ? pageWidget->width() : 0;
  const int pictureHeight = pageWidget ? pageWidget->height() : 0;
  const print::PrintLayout layout = print::LayoutPrintPage(values, text, measure, static_cast<int>(area.height() / scale),
                                                           pictureWidth, pictureHeight);
  if (pageWidget && layout.pictureWidth > 0) {
    painter.save();
    painter.translate(layout.pictureX, layout.pictureY);
    painter.scale(static_cast<double>(layout.pictureWidth) / pictureWidth,
                  static_cast<double>(layout.pictureHeight) / pictureHeight);
    pageWidget->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.restore();
  }
  PrintTextPainter textPainter(painter);
  print::DrawPrintText(textPainter, layout);
  return painter.end() ? Result::Printed : Result::Failed;
}

}  // namespace kr70::ui
