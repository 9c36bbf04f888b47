#include "LmFFTDlg.h"

#include "Kr70TextIds.h"
#include "LmCp932.h"
#include "LmLang.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kCheckBoxId = 9000;
constexpr int kGroupBoxId = 9001;
constexpr int kOkId = 1;
constexpr int kCancelId = 2;

QString languageText(int index) {
  return QString::fromStdString(kr70::lang::Cp932ToUtf8(LmLangGetIdxString(index)));
}

// The language font: the face name and point size of LmLangGetFontInfo.
QFont languageFont() {
  char face[LMLANG_FACE_BUFFER] = {};
  int size = 9;
  if (LmLangGetFontInfo(face, &size) != 0) return QApplication::font();
  QFont font(QString::fromStdString(kr70::lang::Cp932ToUtf8(face)));
  font.setPointSize(size > 0 ? size : 9);
  return font;
}

// Localisation entry: kind 0 caption, 5 text and font; position and size in
// dialog units (x: a quarter of the average character width, y: an eighth of
// the character height).
struct Entry {
  int kind;
  int x, y, width, height;
  int controlId;
  int textId;
};
constexpr Entry kEntries[] = {
    {0, 0, 0, 186, 76, 0, kr70::text::kFftCaption},
    {5, 7, 7, 112, 58, kGroupBoxId, kr70::text::kFftGroup},
    {5, 16, 30, 96, 12, kCheckBoxId, kr70::text::kFftEnable},
    {5, 128, 9, 50, 14, kOkId, kr70::text::kButtonOk},
    {5, 128, 28, 50, 14, kCancelId, kr70::text::kButtonCancel},
    {-1, 0, 0, 0, 0, 0, 0},
};

class FftSettingsDialog : public QDialog {
 public:
  explicit FftSettingsDialog(int32_t flag) : flag_(flag != 0 ? 1 : 0) {
    setObjectName("LmFFTDlg9000");
    auto* group = new QGroupBox(this);
    group->setObjectName(QString::number(kGroupBoxId));
    check_ = new QCheckBox(this);
    check_->setObjectName(QString::number(kCheckBoxId));
    auto* ok = new QPushButton(this);
    ok->setObjectName(QString::number(kOkId));
    ok->setDefault(true);
    auto* cancel = new QPushButton(this);
    cancel->setObjectName(QString::number(kCancelId));
    connect(ok, &QPushButton::clicked, this, [this] {
      flag_ = check_->isChecked() ? 1 : 0;
      done(LMFFTDLG_OK);
    });
    connect(cancel, &QPushButton::clicked, this, [this] { done(LMFFTDLG_CANCEL); });
    localise();
    check_->setChecked(flag_ != 0);
  }
  int32_t flag() const { return flag_; }

  void reject() override { done(LMFFTDLG_CANCEL); }

 private:
  void localise() {
    const QFont font = languageFont();
    setFont(font);
    const QFontMetrics metrics(font);
    const double unitX = metrics.averageCharWidth() / 4.0;
    const double unitY = metrics.height() / 8.0;
    for (const Entry* entry = kEntries; entry->kind != -1; ++entry) {
      const QRect box(qRound(entry->x * unitX), qRound(entry->y * unitY),
                      qRound(entry->width * unitX), qRound(entry->height * unitY));
      if (entry->kind == 0) {
        setWindowTitle(languageText(entry->textId));
        setFixedSize(box.size());
        continue;
      }
      QWidget* control = findChild<QWidget*>(QString::number(entry->controlId));
      if (control == nullptr) continue;
      control->setFont(font);
      control->setGeometry(box);
      if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(languageText(entry->textId));
      else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(languageText(entry->textId));
    }
  }

  QCheckBox* check_ = nullptr;
  int32_t flag_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int ShowFFTSetDlg(void* owner, int32_t* flag) {
  (void)owner;
  if (flag == nullptr || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
    return LMFFTDLG_FAILED;
  FftSettingsDialog dialog(*flag);
  const int result = dialog.exec();
  if (result == LMFFTDLG_OK) *flag = dialog.flag();
  return result == LMFFTDLG_OK ? LMFFTDLG_OK : LMFFTDLG_CANCEL;
}
