// The picture commands of the main frame: "Copy picture" and "Save
// picture..." for the current page, from the Edit menu or the page's context
// menu. The three graph pages are drawn by PagePicture (the same drawing as
// kr70-analyse --plot); the difference pages as they show on the screen.
#include "Kr70TextIds.h"
#include "MainWindow.h"
#include "PagePicture.h"
#include "PageWidgets.h"
#include "PictureRender.h"
#include "SettingsPages.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>
#include <filesystem>

namespace kr70::ui {
namespace {

namespace ids = kr70::text;

// The page kind of a form page index; nothing for the difference pages.
std::optional<picture::PageKind> pictureKind(int pageIndex) {
  switch (pageIndex) {
    case 0: return picture::PageKind::Waveform;
    case 1: return picture::PageKind::Spectrum;
    case 4: return picture::PageKind::Abnormal;
    default: return std::nullopt;
  }
}

}  // namespace

void MainWindow::addPictureCommands() {
  for (PageBase* page : {static_cast<PageBase*>(waveformPage_), static_cast<PageBase*>(spectrumPage_),
                         static_cast<PageBase*>(abnormalPage_), static_cast<PageBase*>(difSpectrumPage_),
                         static_cast<PageBase*>(difWaveformPage_)}) {
    page->addAction(action(kCommandCopyPicture));
    page->addAction(action(kCommandSavePicture));
    page->setContextMenuPolicy(Qt::ActionsContextMenu);
  }
}

QImage MainWindow::pagePicture(double ratio) const {
  const int index = form_.currentPage();
  const std::optional<picture::PageKind> kind = pictureKind(index);
  if (!kind) {
    QWidget* page = index == 2 ? static_cast<QWidget*>(difSpectrumPage_) : static_cast<QWidget*>(difWaveformPage_);
    QImage image(page->size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    page->render(&image);
    return image;
  }
  return render::renderImage(currentPictureSize(), ratio, pictureDrawing(*kind));
}

bool MainWindow::writePagePicture(const QString& path) const {
  const int index = form_.currentPage();
  const std::optional<picture::PageKind> kind = pictureKind(index);
  if (kind) return render::writePicture(path, currentPictureSize(), pictureDrawing(*kind));
  if (render::formatOfPath(path) == render::Format::Png) return pagePicture(1.0).save(path, "PNG");
  QWidget* page = index == 2 ? static_cast<QWidget*>(difSpectrumPage_) : static_cast<QWidget*>(difWaveformPage_);
  QSvgGenerator generator;
  generator.setFileName(path);
  generator.setSize(page->size());
  generator.setViewBox(page->rect());
  QPainter painter;
  if (!painter.begin(&generator)) return false;
  page->render(&painter);
  return painter.end();
}

QSize MainWindow::currentPictureSize() const {
  const std::optional<picture::PageKind> kind = pictureKind(form_.currentPage());
  const QWidget* page = !kind                                     ? nullptr
                        : *kind == picture::PageKind::Waveform ? static_cast<const QWidget*>(waveformPage_)
                        : *kind == picture::PageKind::Spectrum ? static_cast<const QWidget*>(spectrumPage_)
                                                               : static_cast<const QWidget*>(abnormalPage_);
  return page != nullptr ? page->size() : QSize();
}

render::DrawFunction MainWindow::pictureDrawing(picture::PageKind kind) const {
  auto text = std::make_shared<picture::PictureText>(picture::pictureText(state_, kind, picture::tableText));
  return [this, kind, text](Painter& painter, int width, int height) {
    switch (kind) {
      case picture::PageKind::Waveform:
        picture::drawPagePicture(painter, width, height, picture::plotsOf(waveformPage_->logic()), *text);
        break;
      case picture::PageKind::Spectrum:
        picture::drawPagePicture(painter, width, height, picture::plotsOf(spectrumPage_->logic()), *text);
        break;
      case picture::PageKind::Abnormal:
        picture::drawPagePicture(painter, width, height, picture::plotsOf(abnormalPage_->logic()), *text);
        break;
    }
  };
}

void MainWindow::copyPicture() {
  const QImage image = pagePicture(devicePixelRatioF());
  if (!image.isNull()) QGuiApplication::clipboard()->setImage(image);
}

void MainWindow::savePicture() {
  const std::optional<picture::PageKind> kind = pictureKind(form_.currentPage());
  FileDialogRequest request;
  request.save = true;
  request.mustExist = false;
  request.confirmOverwrite = true;
  request.defaultExtension = "png";
  request.filters.push_back(FileFilter{ids::kFilterPicture, {}, {}, {}});
  request.titleId = ids::kTitleSavePicture;
  const std::string stem = std::filesystem::path(state_.Settings().currentFile).stem().string();
  const std::string page = kind ? picture::pageFileName(*kind) : form_.currentPage() == 2 ? "difference-spectrum"
                                                                                          : "difference-waveform";
  request.initialName = (stem.empty() ? page : stem + "." + page) + ".png";
  const std::vector<std::string> paths = ChooseFiles(request);
  if (paths.empty()) return;
  if (writePagePicture(QString::fromStdString(paths.back()))) return;
  Message message;
  message.parts.push_back(MessagePart{ids::kMsgPictureNotWritten, {paths.back()}, {}});
  message.captionId = kCaptionFileDialog;
  message.icon = MessageIcon::Warning;
  ShowMessage(message);
}

}  // namespace kr70::ui
