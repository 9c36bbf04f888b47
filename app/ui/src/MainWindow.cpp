#include "MainWindow.h"
#include "Icons.h"

#include "FileDialogWindows.h"
#include "KeyboardLocks.h"
#include "FileDialogs.h"
#include "Kr70TextIds.h"
#include "ParameterFileCommands.h"
#include "LanguageText.h"
#include "LmFFTDlg.h"
#include "LmPlatform.h"
#include "PageText.h"
#include "PageWidgets.h"
#include "Printing.h"
#include "ResultRecording.h"
#include "AcquisitionSettingsWindow.h"
#include "DataSaveDialog.h"
#include "FileSaveWindows.h"
#include "AcquisitionRunWindows.h"
#include "AcquisitionDialog.h"
#include "WaveFile.h"
#include "SettingsDialogWindow.h"
#include "SettingsPages.h"
#include "WavGetRecorder.h"
#include "WaveCutDialog.h"

#include <exception>
#include <thread>

#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QScreen>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QProgressBar>
#include <QThread>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QLocalSocket>
#include <QScrollArea>
#include <QTimer>
#include <QStatusBar>
#include <QToolBar>

#include <filesystem>

namespace kr70::ui {
namespace {

namespace ids = kr70::text;

struct CommandText {
  int32_t command;
  int textId;    // menu text
  int promptId;  // status-bar prompt (0: none)
};
constexpr CommandText kCommands[] = {
    {57601, ids::kMenuFileOpen, ids::kPromptFileOpen},
    {57603, ids::kMenuFileSaveData, ids::kPromptFileSaveData},
    {32784, ids::kMenuFileDefaultDirectory, ids::kPromptDefaultDirectory},
    {32804, ids::kMenuFileEnvironmentOpen, ids::kPromptEnvironmentOpen},
    {32805, ids::kMenuFileEnvironmentSave, ids::kPromptEnvironmentSave},
    {32789, ids::kMenuFileParametersOpen, ids::kPromptParametersOpen},
    {32788, ids::kMenuFileParametersSave, ids::kPromptParametersSave},
    {32793, ids::kMenuFilePrinterSetup, ids::kPromptPrinterSetup},
    {32792, ids::kMenuFilePrint, ids::kPromptPrint},
    {57665, ids::kMenuFileExit, ids::kPromptAppExit},
    {32795, ids::kMenuEditCutOut, ids::kPromptCutOut},
    {kCommandCopyPicture, ids::kMenuEditCopyPicture, ids::kPromptCopyPicture},
    {kCommandSavePicture, ids::kMenuEditSavePicture, ids::kPromptSavePicture},
    {32778, ids::kMenuSettingsSamplingPitch, ids::kPromptSamplingPitch},
    {32772, ids::kMenuSettingsYuragiFilter, ids::kPromptYuragiFilter},
    {32773, ids::kMenuSettingsFreqFilter, ids::kPromptFreqFilter},
    {32779, ids::kMenuSettingsAbnormalSound, ids::kPromptAbnormalSettings},
    {32774, ids::kMenuSettingsAcquisition, ids::kPromptAcquisitionSettings},
    {32810, ids::kMenuSettingsFftDisplay, ids::kPromptFftDisplay},
    {32806, ids::kMenuCollect, 0},
    {kCommandNoiseLevel, ids::kNoiseSettingsCaption, 0},
    {32775, ids::kMenuViewWaveform, ids::kPromptViewWaveform},
    {32776, ids::kMenuViewSpectrum, ids::kPromptViewSpectrum},
    {32780, ids::kMenuViewAbnormalSound, ids::kPromptViewAbnormalSound},
    {32785, ids::kMenuViewComparison, ids::kPromptComparisonViewer},
    {57664, ids::kMenuHelpVersion, ids::kPromptAppAbout},
};

// Toolbar: command, tooltip text, icon (:/icons/<name>.svg); 0 separates groups.
struct ToolButton {
  int32_t command;
  int tipId;
  const char* icon;
};
constexpr ToolButton kToolBar[] = {
    {57601, ids::kTipOpen, "open"},          {57603, ids::kTipSaveData, "save"},  {0, 0, nullptr},
    {32804, ids::kTipEnvironmentOpen, "environment-open"}, {32805, ids::kTipEnvironmentSave, "environment-save"},
    {0, 0, nullptr},
    {32789, ids::kTipParametersOpen, "parameters-open"}, {32788, ids::kTipParametersSave, "parameters-save"},
    {0, 0, nullptr},
    {32792, ids::kTipPrint, "print"},        {0, 0, nullptr},
    {32795, ids::kTipCutOut, "cut-out"},     {0, 0, nullptr},
    {32775, ids::kTipViewWaveform, "view-waveform"}, {32776, ids::kTipViewSpectrum, "view-spectrum"},
    {32780, ids::kTipViewAbnormalSound, "view-abnormal"}, {0, 0, nullptr},
    {32786, ids::kTipComparisonViewer, "comparison"}, {0, 0, nullptr},
    {57664, ids::kTipVersion, "about"},
};

constexpr int32_t kFormRadios[] = {1000, 1001, 1002, 1003, 1062};
int pageIndexOfRadio(int32_t id) {
  switch (id) {
    case 1000: return 0;
    case 1001: return 1;
    case 1002: return 2;
    case 1003: return 3;
    default: return 4;
  }
}

}  // namespace

MainWindow::MainWindow(Profile& profile, const Options& options)
    : profile_(profile), showBoxes_(options.showMessageBoxes), state_(*this), form_(state_, *this, profile) {
  registerFontSubstitutes();
  setFont(languageFont());
  setWindowTitle(languageText(ids::kTitleMain) + (options.viewer ? languageText(ids::kTitleViewerSuffix) : QString()));
  setObjectName(options.viewer ? instance::kViewClass : instance::kMainClass);
  setWindowIcon(kr70Icon(QStringLiteral("kr70")));
  setMaximumSize(800, 600);
  resize(800, 600);
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  decibelIndex_ = options.startup.decibelIndex;
  setAcceptDrops(true);
  buildMenus();
  buildToolBar();
  buildStatusBar();
  if (!options.viewer)
    results_ = std::make_unique<ResultRecording>(profile_, state_, settingsMenu_, statusBar(), nullptr);
  buildForm();
  addPictureCommands();
  state_.InitializeParameters(options.parameterFile);

  waveformPage_->logic().setSelectionCommit([this](uint32_t start, uint32_t length) {
    state_.Settings().fftStart = start;
    state_.Settings().fftLength = length;
    state_.ComputeSpectra();
    spectrumPage_->takeData();
    difSpectrumPage_->takeData();
  });
  // Start-up state of the form: page 0, spectra off until enabled.
  form_.viewCommand(form::kCommandViewWaveform);
  EnableControl(form::kRadioSpectrum, state_.Settings().spectraEnabled != 0);
  EnableMenuItem(form::kCommandViewSpectrum, state_.Settings().spectraEnabled != 0);
  detectBoard(options.viewer);
  instance::LinkHooks hooks;
  hooks.send = [send = options.sendToInstances](const char* className, const instance::InstanceMessage& message) {
    if (send) send(className, message);
  };
  hooks.placeFrame = [this](const instance::Rect& frame) {
    move(frame.x, frame.y);
    resize(frame.width, frame.height);
  };
  hooks.desktop = [] {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    return instance::Rect{desktop.x(), desktop.y(), desktop.width(), desktop.height()};
  };
  hooks.bringToFront = [this] {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
  };
  hooks.closeFrame = [this] { close(); };
  hooks.viewBusy = [this] { return acquisition_->Recording(); };
  hooks.isExistingFile = [](const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
  };
  link_ = std::make_unique<instance::InstanceLink>(options.viewer, state_, acquisition_->Board(), *this, hooks);
  link_->UpdateComparisonCommand();
  if (!options.viewer && options.sendToInstances) {
    // Watches for a viewer of ours that ends without its end message.
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [this] {
      if (state_.Settings().comparisonViewerStarted == 0) return;
      QLocalSocket probe;
      probe.connectToServer(QString::fromStdString(instance::SocketPath(instance::kViewClass)));
      const bool answers = probe.waitForConnected(200);
      probe.abort();
      link_->WatchViewer(answers);
    });
    watch->start(1000);
  }
  printing_ = std::make_unique<Printing>();
  ShowControl(1002, false);
  ShowControl(1003, options.startup.differenceWaveform);
  // The difference pages can only be reached through that button.
  state_.SetDifferenceDataEnabled(options.startup.differenceWaveform);
  EnableMenuItem(kCommandParameterSave, !options.viewer);
  lamp_->setDisplay(state_.Settings().displaySetting);
  NotifyPage(PageId::Spectrum, {});
}

MainWindow::~MainWindow() {
  if (!viewer_ && acquisition_) acquisition_->Release();
  lmp::SetWakeHook({});
  if (cardWindow_) lmp::DestroyWindowHandle(static_cast<lmp::HWND>(cardWindow_));
}

void MainWindow::detectBoard(bool viewer) {
  viewer_ = viewer;
  recorder_ = std::make_unique<WavGetRecorder>();
  acquisition_ = std::make_unique<AcquisitionCommands>(state_, *recorder_, [this] {
    return profile_.getString("DirPosPlus", "DirDefaultPlus", "");
  });
  // The card library posts 6078 from its own threads: the platform queue
  // wakes the Qt loop, which dispatches to this handle on the UI thread.
  cardWindow_ = lmp::CreateWindowHandle([this](lmp::HWND, lmp::UINT message, lmp::WPARAM wParam, lmp::LPARAM) {
    if (message == 6078 && acquisition_) acquisition_->OnCardMessage(wParam);
    return lmp::LRESULT{0};
  });
  environment_ = std::make_unique<EnvironmentFileCommands>(state_, *acquisition_, *recorder_, profile_, viewer);
  lmp::SetWakeHook([this] { QMetaObject::invokeMethod(this, [this] { drainPlatformMessages(); }, Qt::QueuedConnection); });
  if (viewer) {
    acquisition_->Board().available = 0;
  } else {
    acquisition_->DetectBoard();
  }
  auto* button = qobject_cast<QPushButton*>(controls_.value(1008, nullptr));
  const BoardState& board = acquisition_->Board();
  button->setEnabled(board.available != 0);
  // A disabled acquire button says why.
  if (board.available == 0 && !viewer)
    button->setToolTip(languageText(board.reasonTextId ? board.reasonTextId : ids::kMsgNoBoard));
}

void MainWindow::drainPlatformMessages() {
  lmp::MSG message;
  while (lmp::PeekMessage(&message, nullptr, true)) lmp::DispatchMessage(&message);
}

void MainWindow::acquire() {
  lastAcquire_ = acquisition_->Acquire(cardWindow_, [this](bool on) {
    // The frame is disabled while recording but keeps repainting, and the
    // status bar says that it records.
    if (on) statusBar()->showMessage(languageText(ids::kPromptReady));
    else statusBar()->showMessage(languageText(ids::kTrgStatusRecording));
    menuBar()->setEnabled(on);
    if (QWidget* form = centralWidget()) form->setEnabled(on);
    for (QToolBar* bar : findChildren<QToolBar*>()) bar->setEnabled(on);
  });
}

void MainWindow::buildMenus() {
  auto addAction = [this](QMenu* menu, int32_t command) {
    for (const CommandText& entry : kCommands) {
      if (entry.command != command) continue;
      QAction* action = menu->addAction(languageText(entry.textId));
      action->setObjectName(QString::number(command));
      if (entry.promptId) action->setStatusTip(languageText(entry.promptId));
      connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
      actions_.insert(command, action);
      if (command == 57601) action->setShortcut(QKeySequence::Open);
      if (command == 57603) action->setShortcut(QKeySequence::Save);
      return action;
    }
    return static_cast<QAction*>(nullptr);
  };
  QMenu* file = menuBar()->addMenu(languageText(ids::kMenuFile));
  addAction(file, 57601);
  addAction(file, 57603);
  addAction(file, 32784);
  file->addSeparator();
  QMenu* environment = file->addMenu(languageText(ids::kMenuFileEnvironment));
  addAction(environment, 32804);
  addAction(environment, 32805);
  QMenu* parameters = file->addMenu(languageText(ids::kMenuFileParameters));
  addAction(parameters, 32789);
  addAction(parameters, 32788);
  file->addSeparator();
  addAction(file, 32793);
  addAction(file, 32792);
  file->addSeparator();
  addAction(file, 57665);
  QMenu* edit = menuBar()->addMenu(languageText(ids::kMenuEdit));
  addAction(edit, 32795);
  edit->addSeparator();
  addAction(edit, kCommandCopyPicture);
  addAction(edit, kCommandSavePicture);
  QMenu* settings = menuBar()->addMenu(languageText(ids::kMenuSettings));
  for (int32_t command : {32778, 32772, 32773, 32779, 32774, 32810, kCommandNoiseLevel}) addAction(settings, command);
  // The waveform collection (32806) has no place of its own: it sits beside
  // the acquisition settings so that the operator can reach it.
  settings->addSeparator();
  addAction(settings, 32806);
  settingsMenu_ = settings;
  // The preprocessing-parameter save has no menu entry: a key reaches it.
  auto* parameterSave = new QAction(languageText(ids::kPrmSaveCaption), this);
  parameterSave->setObjectName(QString::number(kCommandParameterSave));
  parameterSave->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  connect(parameterSave, &QAction::triggered, this, [this] { runCommand(kCommandParameterSave); });
  QWidget::addAction(parameterSave);
  actions_.insert(kCommandParameterSave, parameterSave);
  QMenu* view = menuBar()->addMenu(languageText(ids::kMenuView));
  for (int32_t command : {32775, 32776, 32780}) addAction(view, command)->setCheckable(true);
  view->addSeparator();
  addAction(view, 32785);
  QMenu* help = menuBar()->addMenu(languageText(ids::kMenuHelp));
  addAction(help, 57664);
  // A closed menu leaves its item's prompt behind: the idle text returns
  // (not while long work shows what it computes).
  for (QMenu* menu : menuBar()->findChildren<QMenu*>())
    connect(menu, &QMenu::aboutToHide, this, [this] {
      QTimer::singleShot(0, this, [this] {
        if (!longWork_) statusBar()->showMessage(languageText(ids::kPromptReady));
      });
    });
}

void MainWindow::buildToolBar() {
  QToolBar* bar = addToolBar(QStringLiteral("toolbar"));
  bar->setObjectName("128");
  bar->setMovable(false);
  bar->setIconSize(QSize(16, 16));
  for (const ToolButton& button : kToolBar) {
    if (button.command == 0) {
      bar->addSeparator();
      continue;
    }
    QAction* action = actions_.value(button.command, nullptr);
    if (action == nullptr) {  // 32786: the toolbar's own comparison command
      action = new QAction(this);
      action->setObjectName(QString::number(button.command));
      action->setStatusTip(languageText(ids::kPromptComparisonViewer));
      connect(action, &QAction::triggered, this, [this, command = button.command] { runCommand(command); });
      actions_.insert(button.command, action);
    }
    action->setIcon(kr70Icon(QString::fromLatin1(button.icon)));
    action->setToolTip(languageText(button.tipId));
    bar->addAction(action);
  }
}

void MainWindow::buildStatusBar() {
  QStatusBar* bar = statusBar();
  // The lock panes show their text while the lock is on; empty while it is
  // off or where the platform cannot tell (every pane keeps its width).
  static constexpr int kPanes[] = {ids::kPaneKana, ids::kPaneCaps, ids::kPaneNum, ids::kPaneScroll};
  QList<QLabel*> panes;
  for (int textId : kPanes) {
    auto* pane = new QLabel(bar);
    pane->setObjectName(QString("pane%1").arg(textId));
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(languageText(textId)) + 8);
    bar->addPermanentWidget(pane);
    panes << pane;
  }
  auto* locks = new QTimer(this);
  connect(locks, &QTimer::timeout, this, [panes] {
    const std::optional<KeyboardLocks> state = readKeyboardLocks();
    for (int i = 0; i < panes.size(); ++i)
      panes[i]->setText(state && (*state)[i] ? languageText(kPanes[i]) : QString());
  });
  locks->start(250);
  bar->showMessage(languageText(ids::kPromptReady));
}

void MainWindow::buildForm() {
  auto* formWidget = new QWidget(this);
  formWidget->setObjectName("101");
  auto* layout = new QVBoxLayout(formWidget);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(3);

  auto* pageRow = new QHBoxLayout();
  layout->addLayout(pageRow);
  auto* group = new QButtonGroup(this);
  const struct {
    int32_t id;
    int textId;
  } radios[] = {{1000, ids::kFormPageWaveform}, {1001, ids::kFormPageSpectrum}, {1062, ids::kFormPageAbnormal},
                {1002, 0}, {1003, 0}};
  for (const auto& radio : radios) {
    // Radios with a language id get their text from the localisation table.
    const QString text = radio.textId ? QString()
                         : radio.id == 1002 ? QString::fromUtf8("差分ｽﾍﾟｸﾄﾙ")
                                            : templateText("差分波形", "Difference waveform");
    auto* button = new QRadioButton(text, formWidget);
    button->setObjectName(QString::number(radio.id));
    group->addButton(button, radio.id);
    controls_.insert(radio.id, button);
    pageRow->addWidget(button);
    connect(button, &QRadioButton::clicked, this, [this, id = radio.id] {
      const int index = pageIndexOfRadio(id);
      if (index == 0) form_.viewCommand(form::kCommandViewWaveform);
      else if (index == 1) form_.viewCommand(form::kCommandViewSpectrum);
      else if (index == 4) form_.viewCommand(form::kCommandViewAbnormal);
      else form_.selectPage(index);
    });
  }
  noisePage_ = new NoiseLevelPageWidget(state_, formWidget);
  pageRow->addWidget(noisePage_);
  pageRow->addSpacing(12);
  auto* fileLabel = new QLabel(formWidget);
  fileLabel->setObjectName("1240");
  pageRow->addWidget(fileLabel);
  fileCombo_ = new QComboBox(formWidget);
  fileCombo_->setObjectName("1094");
  fileCombo_->setMinimumWidth(260);
  fileCombo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  controls_.insert(1094, fileCombo_);
  connect(fileCombo_, &QComboBox::activated, this, [this] { form_.comboSelected(); });
  pageRow->addWidget(fileCombo_, 1);

  auto* buttonRow = new QHBoxLayout();
  layout->addLayout(buttonRow);
  const struct {
    int32_t id;
    int textId;
    int32_t command;
  } buttons[] = {{1004, ids::kFormSamplingPitch, 32778}, {1005, ids::kFormYuragiFilter, 32772},
                 {1006, ids::kFormFreqFilter, 32773},    {1009, ids::kFormAbnormalSettings, 32779},
                 {1007, ids::kFormAcquisitionSettings, 32774}, {1008, ids::kFormAcquire, 1008}};
  for (const auto& entry : buttons) {
    auto* button = new QPushButton(formWidget);
    button->setObjectName(QString::number(entry.id));
    controls_.insert(entry.id, button);
    connect(button, &QPushButton::clicked, this, [this, command = entry.command] { runCommand(command); });
    buttonRow->addWidget(button);
  }
  // Texts and font of the form's controls (dialog 101).
  static constexpr LocalisationEntry kFormTable[] = {
      {5, 0, 0, 0, 0, 1000, ids::kFormPageWaveform},     {5, 0, 0, 0, 0, 1001, ids::kFormPageSpectrum},
      {5, 0, 0, 0, 0, 1062, ids::kFormPageAbnormal},     {5, 0, 0, 0, 0, 1240, ids::kFormDisplayFile},
      {5, 0, 0, 0, 0, 1004, ids::kFormSamplingPitch},    {5, 0, 0, 0, 0, 1005, ids::kFormYuragiFilter},
      {5, 0, 0, 0, 0, 1006, ids::kFormFreqFilter},       {5, 0, 0, 0, 0, 1009, ids::kFormAbnormalSettings},
      {5, 0, 0, 0, 0, 1007, ids::kFormAcquisitionSettings}, {5, 0, 0, 0, 0, 1008, ids::kFormAcquire},
      {6, 0, 0, 0, 0, 1094, 0},                          {-1, 0, 0, 0, 0, 0, 0}};
  applyLocalisation(*formWidget, kFormTable);

  lamp_ = new ResultLampWidget(formWidget);
  buttonRow->addWidget(lamp_);
  buttonRow->addStretch(1);

  const int decibel = decibelIndex_;
  waveformPage_ = new WaveformPageWidget(state_, *this, formWidget);
  waveformPage_->setObjectName("136");
  spectrumPage_ = new SpectrumPageWidget(state_, *this, decibel, formWidget);
  spectrumPage_->setObjectName("137");
  abnormalPage_ = new AbnormalPageWidget(state_, *this, formWidget);
  abnormalPage_->setObjectName("141");
  difSpectrumPage_ = new DifSpectrumPageWidget(state_, *this, decibel, formWidget);
  difSpectrumPage_->setObjectName("138");
  difWaveformPage_ = new DifWaveformPageWidget(state_, *this, formWidget);
  difWaveformPage_->setObjectName("139");
  for (QWidget* page : {static_cast<QWidget*>(waveformPage_), static_cast<QWidget*>(spectrumPage_),
                        static_cast<QWidget*>(abnormalPage_), static_cast<QWidget*>(difSpectrumPage_),
                        static_cast<QWidget*>(difWaveformPage_)})
    layout->addWidget(page, 1);
  // The form scrolls in a frame smaller than itself (the viewer beside the
  // main window on a narrow desktop).
  auto* scroll = new QScrollArea(this);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(formWidget);
  setCentralWidget(scroll);
  difSpectrumPage_->hide();
  difWaveformPage_->hide();
  installAnalyseButton(*abnormalPage_, state_, [this] { return fileCombo_->currentText(); });
}

void MainWindow::notYetAvailable(const QString& what) {
  Message message;
  const QString text = japanese()
      ? QString::fromUtf8("「%1」はこの版ではまだ使えません。後の版で追加されます。").arg(what)
      : QString("\"%1\" is not available in this version yet; it comes in a later version.").arg(what);
  message.parts.push_back(MessagePart{0, {}, text.toStdString()});
  message.captionId = kCaptionMainView;
  message.icon = MessageIcon::Information;
  ShowMessage(message);
}

void MainWindow::showVersionDialog() {
  QDialog dialog(this);
  for (int id : {1243, 1241, 1242}) (new QLabel(&dialog))->setObjectName(QString::number(id));
  auto* ok = new QPushButton(&dialog);
  ok->setObjectName("1");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  // Dialog 100, laid out in dialog units of the language font.
  static constexpr LocalisationEntry kTable[] = {
      {0, 0, 0, 0, 0, 0, ids::kVersionTitle},
      {2, 10, 10, 180, 10, 1243, ids::kVersionProgramName},
      {2, 10, 24, 180, 10, 1241, ids::kVersionNumber},
      {2, 10, 38, 180, 10, 1242, ids::kVersionMaker},
      {2, 150, 54, 40, 14, 1, ids::kButtonOk},
      {-1, 0, 0, 0, 0, 0, 0}};
  applyLocalisation(dialog, kTable);
  const QFontMetrics metrics(languageFont());
  dialog.setFixedSize(qRound(200 * metrics.averageCharWidth() / 4.0), qRound(76 * metrics.height() / 8.0));
  dialog.exec();
}

// While long work runs, commands and messages of the other instance wait and
// run right after it (user input waits in the queue anyway; these may come
// from timers or the socket).
constexpr int kLongWorkRetryMs = 100;

void MainWindow::instanceMessage(const instance::InstanceMessage& message) {
  if (longWork_) {
    QTimer::singleShot(kLongWorkRetryMs, this, [this, message] { instanceMessage(message); });
    return;
  }
  link_->OnMessage(message);
}

void MainWindow::runCommand(int32_t commandId) {
  if (longWork_) {
    QTimer::singleShot(kLongWorkRetryMs, this, [this, commandId] { runCommand(commandId); });
    return;
  }
  switch (commandId) {
    case 57664: showVersionDialog(); return;
    case 57601: form_.openFiles(); return;
    case 57665: close(); return;
    case 32810: form_.fftDisplaySettings([](int32_t* flag) { return ShowFFTSetDlg(nullptr, flag); }); return;
    case 32775:
    case 32776:
    case 32780: form_.viewCommand(commandId); return;
    case 32778: state_.ChangeSamplingPitch(); return;
    case 32772: state_.ChangeYuragiFilter(); return;
    case 32773: state_.ChangeFreqFilter(); return;
    case 32779: state_.ChangeAbnormalSettings(); return;
    case 1008: acquire(); return;
    case kCommandParameterSave:
      if (!viewer_) RunParameterSaveCommand(state_);
      return;
    case kCommandNoiseLevel: ChangeNoiseLevelSettings(state_); return;
    case 32774: acquisition_->ChangeSettings(viewer_); return;
    case kCommandSaveData: SaveDataFiles(state_, *this, profile_); return;
    case kCommandWaveCut:
      OpenWaveCutDialog(state_, *this, waveformPage_->logic().selectionStart(),
                        waveformPage_->logic().selectionLength());
      return;
    case 32784: ChangeDefaultDirectory(*this, profile_); return;
    case 32789: OpenParameterFileCommand(state_, profile_); return;
    case 32788: SaveParameterFileCommand(state_, profile_); return;
    case 32804:
      // A board that could not be brought back leaves the acquire button off.
      if (environment_->OpenCommand() == EnvironmentOpenOutcome::BoardReleased)
        if (QWidget* button = controls_.value(1008, nullptr)) button->setEnabled(false);
      return;
    case 32805: environment_->SaveCommand(); return;
    case kCommandCopyPicture: copyPicture(); return;
    case kCommandSavePicture: savePicture(); return;
    case 32785:
    case 32786:
      link_->StartComparisonViewer(lmp::ProgramDirectory(), QCoreApplication::applicationFilePath().toStdString());
      return;
    case 32793: printing_->setUp(this); return;
    case 32792: printPage(); return;
    case 32806: collectWaveforms(); return;
    default: break;
  }
  QString what;
  if (QWidget* button = controls_.value(commandId, nullptr))
    what = qobject_cast<QPushButton*>(button) ? qobject_cast<QPushButton*>(button)->text() : QString();
  if (QAction* action = actions_.value(commandId, nullptr); what.isEmpty() && action)
    what = action->text().isEmpty() ? action->toolTip() : action->text();
  notYetAvailable(QString::fromStdString(text::plainMenuText(what.toStdString())));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (link_->OnCloseRequest()) event->accept();
  else event->ignore();
}

namespace {
std::vector<std::string> droppedFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data)
    for (const QUrl& url : data->urls())
      if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  return paths;
}
}  // namespace

// Files dropped on the window open as the open command opens them, while
// that command is available.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QAction* open = actions_.value(57601, nullptr);
  if (!longWork_ && open && open->isEnabled() && !droppedFiles(event->mimeData()).empty())
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = droppedFiles(event->mimeData());
  const QAction* open = actions_.value(57601, nullptr);
  if (longWork_ || !open || !open->isEnabled() || paths.empty()) return;
  event->acceptProposedAction();
  form_.openPaths(paths);
}

void MainWindow::printPage() {
  const int page = form_.currentPage();
  QWidget* picture = page == 0 ? static_cast<QWidget*>(waveformPage_)
                     : page == 1 ? static_cast<QWidget*>(spectrumPage_)
                     : page == 4 ? static_cast<QWidget*>(abnormalPage_)
                                 : nullptr;
  const print::PrintValues values =
      print::ValuesFromState(state_, page, recorder_->GetSampFreq(), recorder_->GetCount());
  WaitCursor wait(*this);
  if (printing_->print(values, picture) != Printing::Result::Printed) ShowWarning(ids::kMsgNoPrinter);
}

bool MainWindow::RunModalDialog(int32_t dialogId, DialogValues& values) {
  if (auto dialog = createFileSaveDialog(dialogId, values, *this, [this](const Message& m) { ShowMessage(m); }, this)) {
    if (dialogHook_) dialogHook_(*dialog);
    return dialog->exec() == QDialog::Accepted;
  }
  if (auto* fileName = dynamic_cast<FileNameDialogValues*>(&values); fileName && dialogId == kDialogFileName) {
    FileNameDialogWindow dialog(fileName->dialog, this);
    if (dialogHook_) dialogHook_(dialog);
    return dialog.exec() == QDialog::Accepted;
  }
  if (auto* save = dynamic_cast<ParameterSaveValues*>(&values); save && dialogId == kDialogParameterSave) {
    auto dialog = createParameterSaveDialog(*save, *this, this);
    if (dialogHook_) dialogHook_(*dialog);
    return dialog->exec() == QDialog::Accepted;
  }
  if (auto* noise = dynamic_cast<NoiseLevelValues*>(&values); noise && dialogId == kDialogNoiseLevel) {
    auto dialog = createNoiseLevelDialog(*noise, this);
    if (dialogHook_) dialogHook_(*dialog);
    return dialog->exec() == QDialog::Accepted;
  }
  if (dialogId == kDialogAbnormalSettings) {
    if (auto dialog = createAbnormalSettingsDialog(values, [this](const Message& m) { ShowMessage(m); }, this))
      return dialog->exec() == QDialog::Accepted;
  }
  if (auto dialog = createSettingsDialog(dialogId, values, [this](const Message& m) { ShowMessage(m); }, this))
    return dialog->exec() == QDialog::Accepted;
  if (dialogId == kDialogAcquisitionSettings) {
    AcquisitionSettingsWindow dialog(static_cast<AcquisitionSettingsValues&>(values),
                                     [this](const Message& m) { ShowMessage(m); }, this);
    if (dialogHook_) dialogHook_(dialog);
    return dialog.exec() == QDialog::Accepted;
  }
  if (dialogId == kDialogTriggeredAcquisition && recorder_) {
    TriggeredAcquisitionWindow dialog(
        static_cast<TriggeredAcquisitionValues&>(values), *recorder_, mainViewOperations(),
        [this](const Message& m) { ShowMessage(m); }, [this](const Message& m) { return AskYesNo(m); }, this);
    if (dialogHook_) dialogHook_(dialog);
    return dialog.exec() != 0;
  }
  notYetAvailable(QString::number(dialogId));
  return false;
}

MainViewOperations MainWindow::mainViewOperations() {
  MainViewOperations operations;
  operations.rememberDirectory = [this](const std::string& path) { rememberOpenDirectory(profile_, path); };
  operations.openFile = [this](const std::string& path) { state_.LoadWaveform(path); };
  operations.addRecentFile = [this](const std::string& path) {
    state_.RecentFiles().Add(path);
    state_.RebuildFileCombo(state_.Settings().currentFile);
  };
  operations.convertToRawData = [this](const std::string& path) { return ConvertWavToRawData(path, *this); };
  operations.refresh = [this] { RepaintPages(); };
  return operations;
}

void MainWindow::collectWaveforms() {
  // The base path of the series comes from dialog 1064 in its stem mode,
  // proposing the acquisition's own stem.
  const auto chooseBasePath = [this] {
    FileNameDialog stem(*this, profile_, FileNameMode::Stem, state_.Settings().fileStem);
    FileNameDialogValues values(stem);
    return RunModalDialog(kDialogFileName, values) ? stem.Result() : std::string();
  };
  WaveCollectionWindow dialog(*recorder_, mainViewOperations(),
                              WaveCollectionDialog::ChannelMask(state_.Settings().channel),
                              acquisition_->RawDataFlag(), chooseBasePath,
                              [this](const Message& m) { ShowMessage(m); }, this);
  if (dialogHook_) dialogHook_(dialog);
  dialog.exec();
}

void MainWindow::ShowMessage(const Message& message) {
  if (observer_) observer_(message);
  if (!showBoxes_) return;
  const MessageIcon shown = BoxIcon(message);
  QMessageBox::Icon icon = QMessageBox::Warning;
  if (shown == MessageIcon::Error) icon = QMessageBox::Critical;
  if (shown == MessageIcon::Information) icon = QMessageBox::Information;
  if (shown == MessageIcon::None) icon = QMessageBox::NoIcon;
  QMessageBox box(icon, languageText(message.captionId), messageText(message), QMessageBox::Ok, this);
  box.exec();
}

bool MainWindow::AskYesNo(const Message& message) {
  if (observer_) observer_(message);
  if (answerer_) return answerer_(message);
  if (!showBoxes_) return false;
  return QMessageBox::question(this, languageText(message.captionId), messageText(message)) == QMessageBox::Yes;
}

std::vector<std::string> MainWindow::ChooseFiles(const FileDialogRequest& request) {
  if (chooser_) return chooser_(request);
  return runFileDialog(this, request, nullptr);
}

std::vector<std::string> MainWindow::ChooseFilesWithDirectoryBox(const FileDialogRequest& request,
                                                                 bool& defaultDirectoryBox) {
  if (chooser_) return chooser_(request);
  return runFileDialog(this, request, &defaultDirectoryBox);
}

std::string MainWindow::ChooseFolder(const std::string& startDirectory, int32_t titleId) {
  return BrowseFolder(startDirectory, MessagePart{titleId, {}, {}});
}

std::string MainWindow::BrowseFolder(const std::string& startDirectory, const MessagePart& title) {
  Message message;
  if (title.textId != 0) message.parts.push_back(title);
  const QString caption = messageText(message).replace('\n', ' ');
  return QFileDialog::getExistingDirectory(this, caption, QString::fromStdString(startDirectory),
                                           QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog)
      .toStdString();
}

std::string MainWindow::ComboText(int32_t controlId) {
  return controlId == 1094 ? fileCombo_->currentText().toStdString() : std::string();
}

void MainWindow::FillCombo(int32_t controlId, const std::vector<std::string>& entries,
                           const std::string& selectedText) {
  if (controlId != 1094) return;
  fileCombo_->clear();
  int selected = -1, widest = 0;
  const QFontMetrics metrics(fileCombo_->font());
  for (const std::string& entry : entries) {
    const QString text = QString::fromStdString(entry);
    if (entry == selectedText) selected = fileCombo_->count();
    fileCombo_->addItem(text);
    widest = std::max(widest, metrics.horizontalAdvance(text));
  }
  fileCombo_->setCurrentIndex(selected);
  fileCombo_->view()->setMinimumWidth(static_cast<int>(widest * 0.8) + 24);
}

void MainWindow::SetControlChecked(int32_t controlId, bool checked) {
  auto* button = qobject_cast<QAbstractButton*>(controls_.value(controlId, nullptr));
  if (button == nullptr) return;
  button->setChecked(checked);
  if (checked && std::find(std::begin(kFormRadios), std::end(kFormRadios), controlId) != std::end(kFormRadios) &&
      form_.currentPage() != pageIndexOfRadio(controlId)) {
    form_.selectPage(pageIndexOfRadio(controlId));
    CheckMenuItem(form::kCommandViewWaveform, controlId == 1000);
    CheckMenuItem(form::kCommandViewSpectrum, controlId == 1001);
    CheckMenuItem(form::kCommandViewAbnormal, controlId == 1062);
  }
}

bool MainWindow::IsControlChecked(int32_t controlId) {
  auto* button = qobject_cast<QAbstractButton*>(controls_.value(controlId, nullptr));
  return button && button->isChecked();
}

void MainWindow::EnableControl(int32_t controlId, bool enabled) {
  if (QWidget* control = controls_.value(controlId, nullptr)) control->setEnabled(enabled);
}

void MainWindow::ShowControl(int32_t controlId, bool shown) {
  QWidget* widget = nullptr;
  if (controlId == static_cast<int32_t>(PageId::Waveform)) widget = waveformPage_;
  else if (controlId == static_cast<int32_t>(PageId::Spectrum)) widget = spectrumPage_;
  else if (controlId == static_cast<int32_t>(PageId::Abnormal)) widget = abnormalPage_;
  else if (controlId == static_cast<int32_t>(PageId::ResultIndicator)) widget = lamp_;
  else if (controlId == static_cast<int32_t>(PageId::DifSpectrum)) widget = difSpectrumPage_;
  else if (controlId == static_cast<int32_t>(PageId::DifWaveform)) widget = difWaveformPage_;
  else if (controlId == static_cast<int32_t>(PageId::NoiseLevel)) {
    if (noisePage_ && shown) noisePage_->showPage();
    return;
  }
  else widget = controls_.value(controlId, nullptr);
  if (widget) widget->setVisible(shown);
}

void MainWindow::CheckMenuItem(int32_t commandId, bool checked) {
  if (QAction* action = actions_.value(commandId, nullptr)) {
    action->setCheckable(true);
    action->setChecked(checked);
  }
}

void MainWindow::EnableMenuItem(int32_t commandId, bool enabled) {
  if (QAction* action = actions_.value(commandId, nullptr)) action->setEnabled(enabled);
}

void MainWindow::BeginWaitCursor() {
  if (waitDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void MainWindow::EndWaitCursor() {
  if (waitDepth_ > 0 && --waitDepth_ == 0) QApplication::restoreOverrideCursor();
}

// The work runs on a thread of its own while this thread keeps the window
// alive: the frame, the status bar (what is being computed) and a busy
// indicator repaint; the form, whose pages read the analysis data the work
// changes, keeps its last picture; user input waits in the queue and is
// handled once the work is done, and socket messages from the other instance
// wait too. Nested work, or work asked for off the window's thread, runs in
// place.
void MainWindow::RunLongWork(int32_t textId, const std::function<void()>& work) {
  // Inside a modal dialog (a triggered acquisition loading each recording)
  // the dialog's own timers must not run beside the work: in place there.
  if (longWork_ || QThread::currentThread() != thread() || QApplication::activeModalWidget()) {
    work();
    return;
  }
  longWork_ = true;
  QWidget* form = centralWidget();
  const bool formUpdates = form && form->updatesEnabled();
  if (form) {
    form->repaint();  // its last picture, without what a closed dialog covered
    form->setUpdatesEnabled(false);
  }
  const QString previous = statusBar()->currentMessage();
  statusBar()->showMessage(languageText(textId));
  auto* busy = new QProgressBar(statusBar());
  busy->setRange(0, 0);  // no known end: a moving busy bar
  busy->setMaximumWidth(160);
  busy->setMaximumHeight(statusBar()->fontMetrics().height());
  busy->setTextVisible(false);
  statusBar()->addPermanentWidget(busy);
  QTimer observer;
  if (longWorkObserver_) {
    // Once as the first event of the loop below, then every 10 ms.
    QMetaObject::invokeMethod(this, [this] { if (longWorkObserver_) longWorkObserver_(); }, Qt::QueuedConnection);
    connect(&observer, &QTimer::timeout, this, [this] { longWorkObserver_(); });
    observer.start(10);
  }
  QEventLoop loop;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
  worker.join();
  observer.stop();
  statusBar()->removeWidget(busy);
  delete busy;
  statusBar()->showMessage(previous);
  if (form) form->setUpdatesEnabled(formUpdates);
  longWork_ = false;
  if (failure) std::rethrow_exception(failure);
}

// The waveform page takes the new waveforms at once; the form's repaint at
// the start of the next long step (the spectra or the measure) shows them.
void MainWindow::PreviewWaveforms(uint32_t count, uint32_t start, uint32_t length) {
  if (waveformPage_) waveformPage_->takeData(count, start, length);
}

void MainWindow::NotifyPage(PageId page, const PageNotification& notification) {
  const auto value = [&](int i) { return static_cast<uint32_t>(notification.values[i]); };
  switch (page) {
    case PageId::Waveform:
      if (waveformPage_) waveformPage_->takeData(value(0), value(1), value(2));
      break;
    case PageId::Spectrum:
      if (spectrumPage_) spectrumPage_->takeData();
      break;
    case PageId::Abnormal:
      if (abnormalPage_) abnormalPage_->takeData(value(0), value(1), value(2));
      break;
    case PageId::ResultIndicator:
      if (!lamp_) break;
      if (notification.notice == PageNotice::Judgement) lamp_->setJudgement(static_cast<int>(notification.values[0]));
      if (notification.notice == PageNotice::Apply) lamp_->setDisplay(static_cast<int>(notification.values[0]));
      break;
    case PageId::DifSpectrum:
      if (difSpectrumPage_) difSpectrumPage_->takeData();
      break;
    case PageId::DifWaveform:
      if (difWaveformPage_) difWaveformPage_->takeData();
      break;
    case PageId::NoiseLevel:
      if (noisePage_) noisePage_->apply();
      break;
    default: break;
  }
}

void MainWindow::RepaintPages() {
  for (PageBase* page : {static_cast<PageBase*>(waveformPage_), static_cast<PageBase*>(spectrumPage_),
                         static_cast<PageBase*>(abnormalPage_), static_cast<PageBase*>(difSpectrumPage_),
                         static_cast<PageBase*>(difWaveformPage_)})
    if (page) page->redraw(-1);
}

bool MainWindow::StartProcess(const std::string& executable, const std::vector<std::string>& arguments) {
  QStringList list;
  for (const std::string& argument : arguments) list << QString::fromStdString(argument);
  return QProcess::startDetached(QString::fromStdString(executable), list);
}

}  // namespace kr70::ui
