#include "LanguageText.h"

#include "LmCp932.h"
#include "LmLang.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace kr70::ui {

QString languageText(int32_t textId) {
  return QString::fromStdString(lang::Cp932ToUtf8(LmLangGetIdxString(textId)));
}

namespace {
// Replaces the printf conversions of a decoded text by the arguments in order.
QString fillFields(const QString& format, const std::vector<std::string>& arguments) {
  QString result;
  size_t next = 0;
  for (int i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 >= format.size()) {
      result += format[i];
      continue;
    }
    if (format[i + 1] == '%') {
      result += '%';
      ++i;
      continue;
    }
    int end = i + 1;
    while (end < format.size() && QStringLiteral("-+ #0123456789.lhz").contains(format[end])) ++end;
    if (end < format.size() && QStringLiteral("sdiufgeExXc").contains(format[end])) {
      if (next < arguments.size()) result += QString::fromStdString(arguments[next]);
      ++next;
      i = end;
    } else {
      result += format[i];
    }
  }
  return result;
}
}  // namespace

QString messageText(const Message& message) {
  QString text;
  for (const MessagePart& part : message.parts) {
    if (part.textId != 0) text += fillFields(languageText(part.textId), part.formatArguments);
    text += QString::fromStdString(part.appended);
  }
  return text;
}

void registerFontSubstitutes() {
  static bool done = false;
  if (done) return;
  done = true;
  QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"),
                             {"IPAPGothic", QString::fromUtf8("IPA Pゴシック"), "IPAGothic"});
  QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "DejaVu Sans"});
  QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
}

QFont languageFont() {
  registerFontSubstitutes();
  char face[LMLANG_FACE_BUFFER] = {};
  int size = 9;
  if (LmLangGetFontInfo(face, &size) != 0) return QFont();
  QFont font(QString::fromStdString(lang::Cp932ToUtf8(face)));
  font.setPointSize(size > 0 ? size : 9);
  return font;
}

bool japanese() { return LmLangGetLocal(1) == LMLANG_ID_JAPANESE; }

bool installQtTranslations() {
  // Lives as long as the process: the translation serves every later window.
  static QTranslator* translator = nullptr;
  if (!japanese() || translator) return translator != nullptr;
  auto* candidate = new QTranslator;
  if (!candidate->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(candidate)) {
    delete candidate;
    return false;
  }
  translator = candidate;
  return true;
}

QString templateText(const char* japaneseUtf8, const char* english) {
  return japanese() ? QString::fromUtf8(japaneseUtf8) : QString::fromUtf8(english);
}

void applyLocalisation(QWidget& window, const LocalisationEntry* table) {
  const QFont font = languageFont();
  const QFontMetrics metrics(font);
  const double unitX = metrics.averageCharWidth() / 4.0;
  const double unitY = metrics.height() / 8.0;
  for (const LocalisationEntry* entry = table; entry->kind != -1; ++entry) {
    const QRect box(qRound(entry->x * unitX), qRound(entry->y * unitY),
                    qRound(entry->width * unitX), qRound(entry->height * unitY));
    if (entry->kind == 0) {
      window.setWindowTitle(languageText(entry->textId));
      window.setFont(font);
      continue;
    }
    if (entry->kind == 1) {
      window.setGeometry(box);
      continue;
    }
    QWidget* control = window.findChild<QWidget*>(QString::number(entry->controlId));
    if (control == nullptr) continue;
    const bool setsText = entry->kind == 2 || entry->kind == 5;
    const bool setsFont = entry->kind == 2 || entry->kind == 3 || entry->kind == 5 || entry->kind == 6;
    const bool moves = entry->kind >= 2 && entry->kind <= 4;
    if (setsFont) control->setFont(font);
    if (moves) control->setGeometry(box);
    if (!setsText) continue;
    const QString text = languageText(entry->textId);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control)) label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control)) group->setTitle(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->setText(text);
  }
}

}  // namespace kr70::ui
