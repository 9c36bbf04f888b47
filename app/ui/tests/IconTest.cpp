// The toolbar and window icons: every toolbar command has a drawn SVG icon
// that paints at small and large sizes, and the resources are valid SVG.
#include "LmLang.h"
#include "MainWindow.h"
#include "Profile.h"
#include "WAFilter.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QToolBar>

#include <gtest/gtest.h>

namespace kr70::ui {
namespace {

// Pixels an icon paints (not fully transparent) at size × size.
int paintedPixels(const QIcon& icon, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  icon.paint(&painter, QRect(0, 0, size, size));
  painter.end();
  int count = 0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (qAlpha(image.pixel(x, y)) > 0) ++count;
  return count;
}

TEST(IconTest, EveryToolbarCommandAndTheWindowHaveADrawnIcon) {
  StartFilterSystem();
  LmLangClose();
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1033, KR70_BIN_DIR, "KR70"), 0);
  ::setenv("KR70_CARD", "none", 1);
  ::setenv("KR70_ALSA_PCM", "kr70_no_such_pcm", 1);
  {
    MemoryProfile profile;
    MainWindow::Options options;
    options.showMessageBoxes = false;
    options.startup = loadStartupSettings(profile, "/tmp/kr70-ui-test");
    MainWindow window(profile, options);
    const QToolBar* bar = window.findChild<QToolBar*>("128");
    ASSERT_NE(bar, nullptr);
    int buttons = 0;
    for (QAction* action : bar->actions()) {
      if (action->isSeparator()) continue;
      ++buttons;
      ASSERT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
      for (int size : {16, 48}) {
        const int painted = paintedPixels(action->icon(), size);
        // A line icon covers a fair part of its square, never all of it.
        EXPECT_GT(painted, size * size / 12) << action->objectName().toStdString() << " at " << size;
        EXPECT_LT(painted, size * size) << action->objectName().toStdString() << " at " << size;
      }
    }
    EXPECT_EQ(buttons, 13);
    EXPECT_GT(paintedPixels(window.windowIcon(), 48), 48 * 48 / 2);
  }
  LmLangClose();
  StopFilterSystem();
}

TEST(IconTest, EveryIconResourceIsValidSvgWithASquareViewBox) {
  const QStringList files = QDir(":/icons").entryList({"*.svg"});
  ASSERT_GE(files.size(), 14);
  for (const QString& file : files) {
    QSvgRenderer renderer(":/icons/" + file);
    EXPECT_TRUE(renderer.isValid()) << file.toStdString();
    EXPECT_EQ(renderer.viewBox().width(), renderer.viewBox().height()) << file.toStdString();
  }
}

}  // namespace
}  // namespace kr70::ui
