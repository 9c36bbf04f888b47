// Desktop conventions of the main window: Qt's own texts in Japanese.
#include "LanguageText.h"
#include "LmLang.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace kr70::ui {
namespace {

TEST(DesktopTest, JapaneseTableBringsQtsOwnJapaneseTexts) {
  LmLangClose();
  ASSERT_EQ(LmLangInit(LMLANG_MODE_SUFFIX, 1041, KR70_BIN_DIR, "KR70"), 0);
  ASSERT_TRUE(installQtTranslations()) << "qt6-translations-l10n missing?";
  // A standard button of every Qt dialog.
  EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
  LmLangClose();
}

}  // namespace
}  // namespace kr70::ui
