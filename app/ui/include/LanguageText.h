#pragma once
// Texts of the language table decoded from CP932 for display, the language
// font, and the window localisation table every dialog and page applies when
// it opens.
#include "UiPort.h"

#include <QFont>
#include <QString>
#include <QWidget>

namespace kr70::ui {

// The text of a language-table id as Unicode.
QString languageText(int32_t textId);
// A message box text: each part's text with its "%s"/"%d"-style fields
// filled in order by its arguments (after decoding), then its literal tail.
QString messageText(const Message& message);
// The dialog font of the current language (LmLangGetFontInfo), with the face
// name kept as given; fontconfig-style substitutes are registered once.
QFont languageFont();
void registerFontSubstitutes();
// True when the language table in use is the Japanese one.
bool japanese();
// With the Japanese table, Qt's own texts (file and print dialogs, edit
// context menus, standard buttons) come from Qt's Japanese translation
// ("qtbase" in Qt's translations directory). True when it was installed.
bool installQtTranslations();
// Texts the page templates carry themselves (no language id): the Japanese
// caption for the Japanese table, the English one otherwise.
QString templateText(const char* japaneseUtf8, const char* english);

// One entry of a localisation table; the table ends with kind -1.
// Kinds: 0 caption of the window, 1 move the window, 2 text + font + move,
// 3 font + move, 4 move, 5 text + font, 6 font. Positions and sizes are in
// dialog units of the language font (x: quarter of the average character
// width, y: eighth of the character height). Controls are found by their
// object name, the control id in decimal.
struct LocalisationEntry {
  int kind;
  int x, y, width, height;
  int controlId;
  int textId;
};
void applyLocalisation(QWidget& window, const LocalisationEntry* table);

}  // namespace kr70::ui
