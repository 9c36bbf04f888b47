#pragma once
// The main frame of the workstation: menus, toolbar and status bar around the
// main form (page buttons, display-file combo, settings and acquisition
// buttons, the graph pages and the result lamp). It owns the analysis state
// and implements the UI port with Qt. Every visible text comes from the
// language table. Commands whose dialogs are not part of this program yet say
// so when used.
#include "Acquisition.h"
#include "AnalysisState.h"
#include "EnvironmentFile.h"
#include "Instances.h"
#include "MainForm.h"
#include "PagePicture.h"
#include "PictureRender.h"
#include "Profile.h"
#include "TriggeredAcquisitionDialog.h"
#include "UiPort.h"

#include <QMainWindow>
#include <QMap>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;

namespace kr70 {
class WavGetRecorder;
}

namespace kr70::ui {

class WaveformPageWidget;
class SpectrumPageWidget;
class AbnormalPageWidget;
class ResultLampWidget;
class NoiseLevelPageWidget;
class ResultRecording;
class DifSpectrumPageWidget;
class DifWaveformPageWidget;

class Printing;

// The Edit menu's picture commands (also in each page's context menu).
inline constexpr int32_t kCommandCopyPicture = 32812, kCommandSavePicture = 32813;

class MainWindow : public QMainWindow, public UiPort {
 public:
  struct Options {
    std::string parameterFile;  // command line; empty for the defaults
    StartupSettings startup;
    bool showMessageBoxes = true;  // false: messages only go to the observer
    bool viewer = false;           // viewer instance: no board is detected
    // Sends to the windows of an instance class (none: messages are dropped).
    std::function<void(const char* className, const instance::InstanceMessage&)> sendToInstances;
  };
  MainWindow(Profile& profile, const Options& options);
  ~MainWindow() override;

  // Test and scripting hooks: every message shown, and a stand-in for the
  // file dialog.
  void setMessageObserver(std::function<void(const Message&)> observer) { observer_ = std::move(observer); }
  void setFileChooser(std::function<std::vector<std::string>(const FileDialogRequest&)> chooser) {
    chooser_ = std::move(chooser);
  }
  // Test and scripting hook: answers the Yes/No questions instead of a box.
  void setQuestionAnswerer(std::function<bool(const Message&)> answerer) { answerer_ = std::move(answerer); }

  AnalysisState& state() { return state_; }
  // "Record results" (null in the viewer).
  ResultRecording* results() { return results_.get(); }
  MainForm& form() { return form_; }
  QAction* action(int32_t commandId) const { return actions_.value(commandId, nullptr); }
  QWidget* formControl(int32_t controlId) const { return controls_.value(controlId, nullptr); }
  WaveformPageWidget* waveformPage() const { return waveformPage_; }
  SpectrumPageWidget* spectrumPage() const { return spectrumPage_; }
  AbnormalPageWidget* abnormalPage() const { return abnormalPage_; }
  ResultLampWidget* resultLamp() const { return lamp_; }
  NoiseLevelPageWidget* noiseLevelPage() const { return noisePage_; }
  DifSpectrumPageWidget* difSpectrumPage() const { return difSpectrumPage_; }
  DifWaveformPageWidget* difWaveformPage() const { return difWaveformPage_; }
  AcquisitionCommands& acquisition() { return *acquisition_; }
  EnvironmentFileCommands& environment() { return *environment_; }
  // Test hook: called with the acquisition settings, triggered acquisition,
  // collection, cut-out, data-file save and file-name (1064) dialogs before
  // they run (a test may drive them and close them).
  void setDialogHook(std::function<void(QDialog&)> hook) { dialogHook_ = std::move(hook); }
  // Outcome of the last acquire command (none before the first).
  const std::optional<AcquireOutcome>& lastAcquireOutcome() const { return lastAcquire_; }
  // Runs a command as the menu, toolbar or form would.
  void runCommand(int32_t commandId);

  // The other instance's messages reach the frame here; placement at
  // creation and the first activation of the view.
  instance::InstanceLink& instanceLink() { return *link_; }
  void instanceMessage(const instance::InstanceMessage& message);
  void placeAtCreation() { link_->PlaceAtCreation(); }
  void firstActivation() { link_->OnFirstActivation(); }
  Printing& printing() { return *printing_; }
  // The picture of the current page at the page's size (PagePicture.h; a
  // difference page as it shows on the screen): what the copy command puts on
  // the clipboard (at the screen's pixel ratio) and the save command writes,
  // PNG or SVG by the name. writePagePicture answers false when the file
  // could not be written.
  QImage pagePicture(double ratio) const;
  bool writePagePicture(const QString& path) const;

  // UiPort
  bool RunModalDialog(int32_t dialogId, DialogValues& values) override;
  void ShowMessage(const Message& message) override;
  bool AskYesNo(const Message& message) override;
  std::vector<std::string> ChooseFiles(const FileDialogRequest& request) override;
  std::string ChooseFolder(const std::string& startDirectory, int32_t titleId) override;
  std::vector<std::string> ChooseFilesWithDirectoryBox(const FileDialogRequest& request,
                                                       bool& defaultDirectoryBox) override;
  std::string BrowseFolder(const std::string& startDirectory, const MessagePart& title) override;
  std::string ComboText(int32_t controlId) override;
  void FillCombo(int32_t controlId, const std::vector<std::string>& entries,
                 const std::string& selectedText) override;
  void SetControlChecked(int32_t controlId, bool checked) override;
  bool IsControlChecked(int32_t controlId) override;
  void EnableControl(int32_t controlId, bool enabled) override;
  void ShowControl(int32_t controlId, bool shown) override;
  void CheckMenuItem(int32_t commandId, bool checked) override;
  void EnableMenuItem(int32_t commandId, bool enabled) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  void RunLongWork(int32_t textId, const std::function<void()>& work) override;
  void PreviewWaveforms(uint32_t count, uint32_t start, uint32_t length) override;
  // Test hook: called on the window's thread while long work runs.
  void setLongWorkObserver(std::function<void()> observer) { longWorkObserver_ = std::move(observer); }
  void NotifyPage(PageId page, const PageNotification& notification) override;
  void RepaintPages() override;
  bool StartProcess(const std::string& executable, const std::vector<std::string>& arguments) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool longWork_ = false;
  std::function<void()> longWorkObserver_;
  void printPage();
  void addPictureCommands();
  void copyPicture();
  void savePicture();
  QSize currentPictureSize() const;
  render::DrawFunction pictureDrawing(picture::PageKind kind) const;
  void buildMenus();
  void buildToolBar();
  void buildStatusBar();
  void buildForm();
  void notYetAvailable(const QString& what);
  void showVersionDialog();
  void detectBoard(bool viewer);
  void acquire();
  void collectWaveforms();
  MainViewOperations mainViewOperations();
  void drainPlatformMessages();

  Profile& profile_;
  bool showBoxes_;
  AnalysisState state_;
  MainForm form_;
  std::function<void(const Message&)> observer_;
  std::function<std::vector<std::string>(const FileDialogRequest&)> chooser_;
  QMap<int32_t, QAction*> actions_;
  QMap<int32_t, QWidget*> controls_;
  QComboBox* fileCombo_ = nullptr;
  WaveformPageWidget* waveformPage_ = nullptr;
  SpectrumPageWidget* spectrumPage_ = nullptr;
  AbnormalPageWidget* abnormalPage_ = nullptr;
  ResultLampWidget* lamp_ = nullptr;
  NoiseLevelPageWidget* noisePage_ = nullptr;
  DifSpectrumPageWidget* difSpectrumPage_ = nullptr;
  DifWaveformPageWidget* difWaveformPage_ = nullptr;
  int decibelIndex_ = 2;  // the "dB" setting as start-up read it
  int waitDepth_ = 0;
  std::unique_ptr<WavGetRecorder> recorder_;
  std::unique_ptr<AcquisitionCommands> acquisition_;
  std::unique_ptr<EnvironmentFileCommands> environment_;
  void* cardWindow_ = nullptr;  // platform window that receives the card's messages
  bool viewer_ = false;
  std::optional<AcquireOutcome> lastAcquire_;
  std::function<void(QDialog&)> dialogHook_;
  std::unique_ptr<instance::InstanceLink> link_;
  std::unique_ptr<Printing> printing_;
  std::function<bool(const Message&)> answerer_;
  QMenu* settingsMenu_ = nullptr;
  std::unique_ptr<ResultRecording> results_;  // "record results" (Settings menu)
};

}  // namespace kr70::ui
