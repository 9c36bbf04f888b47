#include "AcquisitionSettingsWindow.h"

#include "AcquisitionDialog.h"
#include "Kr70TextIds.h"
#include "LanguageText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdlib>

namespace kr70::ui {
namespace {

namespace dlg = kr70::acquisitiondialog;

constexpr int32_t kEditStem = 1031, kEditNumber = 1032, kButtonBrowse = 1033, kEditTime = 1035;
constexpr int32_t kCheckRawData = 1158, kRadioSoundCard = 1153, kRadioAdBoard = 1152;
constexpr int32_t kFirstSoundRadio = 1063, kFirstBoardRadio = 1069;
constexpr int32_t kCheckTrigger = 1175, kEditTriggerWait = 1177, kListChannel = 1178;
constexpr int32_t kCaptionFile = 2170, kCaptionTriggerWait = 2089;

template <typename Widget>
Widget* named(int32_t id, Widget* widget) {
  widget->setObjectName(QString::number(id));
  return widget;
}

}  // namespace

AcquisitionSettingsWindow::AcquisitionSettingsWindow(AcquisitionSettingsValues& values, WarningSink warn,
                                                     QWidget* parent)
    : QDialog(parent), values_(values), warn_(std::move(warn)) {
  setWindowTitle(languageText(text::kFormAcquisitionSettings));
  setFont(languageFont());
  auto* grid = new QGridLayout(this);
  int row = 0;
  const auto label = [&](const char* japanese, const char* english) {
    grid->addWidget(new QLabel(templateText(japanese, english), this), row, 0);
  };

  label("保存ﾌｧｲﾙ名", "Save file name");
  auto* stem = named(kEditStem, new QLineEdit(QString::fromStdString(values.fileStem), this));
  grid->addWidget(stem, row, 1, 1, 3);
  auto* browseButton = named(kButtonBrowse, new QPushButton(templateText("参照...", "Browse..."), this));
  grid->addWidget(browseButton, row++, 4);
  connect(browseButton, &QPushButton::clicked, this, [this] { browse(); });
  label("ﾌｧｲﾙ番号", "File number");
  grid->addWidget(named(kEditNumber, new QLineEdit(QString::number(values.fileNumber), this)), row++, 1);
  auto* rawData = named(kCheckRawData,
                        new QCheckBox(templateText("原波形ﾌｧｲﾙ（RDT）を作成する", "Create raw waveform file (RDT)"), this));
  rawData->setChecked(values.rawDataFlag);
  grid->addWidget(rawData, row++, 0, 1, 4);

  label("使用ボード", "Board");
  boardRadios_ = new QButtonGroup(this);
  auto* soundRadio = named(kRadioSoundCard, new QRadioButton(templateText("ｻｳﾝﾄﾞﾌﾞﾗｽﾀ", "Sound card"), this));
  auto* adRadio = named(kRadioAdBoard, new QRadioButton(templateText("ADﾎﾞｰﾄﾞ", "A/D board"), this));
  boardRadios_->addButton(soundRadio, 1);
  boardRadios_->addButton(adRadio, 2);
  grid->addWidget(soundRadio, row, 1);
  grid->addWidget(adRadio, row++, 2);
  (values.boardKind == 2 ? adRadio : soundRadio)->setChecked(true);

  const bool exact = values.choiceState == 3;
  soundRadios_ = new QButtonGroup(this);
  auto* soundRow = new QHBoxLayout();
  for (int i = 0; i < 5; ++i) {
    auto* radio = named(kFirstSoundRadio + i,
                        new QRadioButton(QString("%1 Hz").arg(dlg::kSoundCardFrequencies[i]), this));
    soundRadios_->addButton(radio, i);
    soundRow->addWidget(radio);
  }
  soundRadios_->button(dlg::FrequencyRadio(1, values.samplingFrequency, exact && values.boardKind == 1))
      ->setChecked(true);
  label("ｻｳﾝﾄﾞﾌﾞﾗｽﾀ周波数", "Sound card frequency");
  grid->addLayout(soundRow, row++, 1, 1, 4);
  auto* boardGroup = boardFrequencyRadios_ = new QButtonGroup(this);
  auto* boardRow = new QHBoxLayout();
  for (int i = 0; i < 5; ++i) {
    auto* radio = named(kFirstBoardRadio + i,
                        new QRadioButton(QString("%1 Hz").arg(dlg::kAdBoardFrequencies[i]), this));
    boardGroup->addButton(radio, i);
    boardRow->addWidget(radio);
  }
  boardGroup->button(dlg::FrequencyRadio(2, values.samplingFrequency, exact && values.boardKind == 2))
      ->setChecked(true);
  label("ADﾎﾞｰﾄﾞ周波数", "A/D board frequency");
  grid->addLayout(boardRow, row++, 1, 1, 4);

  label("ﾃﾞｰﾀ取得時間", "Acquisition time");
  auto* time = named(kEditTime, new QLineEdit(QString::number(values.acquisitionTimeMs, 'g', 10), this));
  grid->addWidget(time, row, 1);
  grid->addWidget(new QLabel("msec", this), row++, 2);
  connect(time, &QLineEdit::returnPressed, this, [this] {
    uint32_t count = 0;
    checkTime(&count);
  });

  label("取得CH", "Acquisition channel");
  auto* channel = named(kListChannel, new QComboBox(this));
  channel->addItems({"1", "2", "3", "4"});
  channel->setCurrentIndex(std::clamp(values.channel - 1, 0, 3));
  grid->addWidget(channel, row++, 1);

  auto* trigger = named(kCheckTrigger, new QCheckBox(templateText("外部ﾄﾘｶﾞを使用する", "Use the external trigger"), this));
  trigger->setChecked(values.triggerFlag);
  grid->addWidget(trigger, row++, 0, 1, 3);
  label("ﾄﾘｶﾞ後待受け時間", "Wait after trigger");
  grid->addWidget(named(kEditTriggerWait, new QLineEdit(QString::number(values.triggerWaitTimeMs), this)),
                  row, 1);
  grid->addWidget(new QLabel("msec", this), row++, 2);

  auto* ok = named(1, new QPushButton(languageText(text::kButtonOk), this));
  auto* cancel = named(2, new QPushButton(languageText(text::kButtonCancel), this));
  ok->setDefault(false);
  ok->setAutoDefault(false);
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  grid->addWidget(ok, row, 3);
  grid->addWidget(cancel, row, 4);

  connect(boardRadios_, &QButtonGroup::idClicked, this, [this] { updateEnabling(); });
  connect(trigger, &QCheckBox::toggled, this, [this] { updateEnabling(); });
  updateEnabling();
}

QWidget* AcquisitionSettingsWindow::control(int32_t controlId) const {
  return findChild<QWidget*>(QString::number(controlId));
}

int32_t AcquisitionSettingsWindow::boardKind() const { return boardRadios_->checkedId() == 2 ? 2 : 1; }

int AcquisitionSettingsWindow::frequencyIndex() const {
  return boardKind() == 2 ? boardFrequencyRadios_->checkedId() : soundRadios_->checkedId();
}

void AcquisitionSettingsWindow::updateEnabling() {
  const bool adBoard = dlg::AdBoardControlsEnabled(values_.viewer, values_.adBoardPresent, boardKind() == 2,
                                                   values_.boardKind);
  for (int i = 0; i < 5; ++i) {
    control(kFirstBoardRadio + i)->setEnabled(adBoard);
    control(kFirstSoundRadio + i)->setEnabled(!adBoard);
  }
  control(kListChannel)->setEnabled(adBoard);
  control(kCheckTrigger)->setEnabled(adBoard);
  // The board radios: the sound card only when it can be chosen.
  control(kRadioAdBoard)->setEnabled(!values_.viewer && values_.adBoardPresent);
  control(kRadioSoundCard)->setEnabled(values_.choiceState != 2);
  const bool triggered = adBoard && static_cast<QCheckBox*>(control(kCheckTrigger))->isChecked();
  control(kEditTriggerWait)->setEnabled(triggered);
  control(kCheckRawData)->setEnabled(!triggered);
}

void AcquisitionSettingsWindow::warn(int32_t textId, int32_t captionId) {
  Message message;
  message.parts.push_back(MessagePart{textId, {}, {}});
  message.captionId = captionId;
  message.icon = captionId == kCaptionTriggerWait ? MessageIcon::None : MessageIcon::Warning;
  if (warn_) warn_(message);
}

bool AcquisitionSettingsWindow::checkTime(uint32_t* count) {
  auto* edit = static_cast<QLineEdit*>(control(kEditTime));
  bool parsed = false;
  const double time = QLocale::c().toDouble(edit->text().trimmed(), &parsed);
  const int32_t kind = boardKind();
  const uint32_t frequency = dlg::SamplingFrequency(kind, frequencyIndex(), values_.samplingFrequency);
  const int32_t problem = dlg::CheckTime(parsed ? time : 0.0, frequency, count);
  if (problem != 0) {
    warn(problem, kCaptionFile);
    edit->setFocus();
    edit->selectAll();
    return false;
  }
  return true;
}

void AcquisitionSettingsWindow::accept() {
  uint32_t count = 0;
  if (!checkTime(&count)) return;
  const int32_t wait = static_cast<QLineEdit*>(control(kEditTriggerWait))->text().trimmed().toInt();
  if (dlg::CheckTriggerWait(wait) != 0) {
    warn(dlg::CheckTriggerWait(wait), kCaptionTriggerWait);
    return;
  }
  const int32_t kind = boardKind();
  values_.boardKind = kind;
  values_.samplingFrequency = dlg::SamplingFrequency(kind, frequencyIndex(), values_.samplingFrequency);
  values_.dataPoints = count;
  values_.acquisitionTimeMs = QLocale::c().toDouble(static_cast<QLineEdit*>(control(kEditTime))->text().trimmed());
  values_.channel = static_cast<QComboBox*>(control(kListChannel))->currentIndex() + 1;
  values_.gain = kind == 2 ? dlg::kGains[dlg::GainListIndex(values_.gain)] : 1;
  values_.fileStem = static_cast<QLineEdit*>(control(kEditStem))->text().toStdString();
  values_.fileNumber = std::max(0, static_cast<QLineEdit*>(control(kEditNumber))->text().trimmed().toInt());
  values_.rawDataFlag = static_cast<QCheckBox*>(control(kCheckRawData))->isChecked();
  values_.triggerFlag = static_cast<QCheckBox*>(control(kCheckTrigger))->isChecked();
  values_.triggerWaitTimeMs = wait;
  QDialog::accept();
}

void AcquisitionSettingsWindow::browse() {
  auto* stem = static_cast<QLineEdit*>(control(kEditStem));
  const QString start = QFileInfo(stem->text()).path();
  QFileDialog dialog(this, QString(), start, languageText(2090).split('|').value(1).prepend("(").append(")"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  stem->setText(QString::fromStdString(dlg::BaseNameFromPath(dialog.selectedFiles().front().toStdString())));
}

}  // namespace kr70::ui
