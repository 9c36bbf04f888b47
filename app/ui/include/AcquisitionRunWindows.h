#pragma once
// The Qt windows of the triggered acquisition dialog (155) and the waveform
// collection dialog (153). Each binds its widgets, named by control id, to the
// logic of TriggeredAcquisitionDialog.h or WaveCollectionDialog.h, and pumps
// the platform window that receives the card's or the threads' messages.
#include "TriggeredAcquisitionDialog.h"
#include "WaveCollectionDialog.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace kr70::ui {

using WarningSink = std::function<void(const Message&)>;
using QuestionSink = std::function<bool(const Message&)>;

// Common DialogView over widgets found by object name.
class RunDialogWindow : public QDialog {
 public:
  explicit RunDialogWindow(QWidget* parent);
  QWidget* control(int32_t controlId) const;

 protected:
  std::string controlText(int32_t controlId);
  void setControlText(int32_t controlId, const QString& text);
  bool controlChecked(int32_t controlId);
  void setControlChecked(int32_t controlId, bool checked);
  // Dispatches the queued platform messages of window (also done by the main
  // window's wake hook; this keeps the dialog working on its own).
  void pumpPlatformWindow(void* window);
};

class TriggeredAcquisitionWindow : public RunDialogWindow, public TriggerDialogView {
 public:
  TriggeredAcquisitionWindow(TriggeredAcquisitionValues& values, Recorder& recorder, MainViewOperations operations,
                             WarningSink warn, QuestionSink ask, QWidget* parent);
  ~TriggeredAcquisitionWindow() override;

  TriggeredAcquisitionDialog& logic() { return *logic_; }
  // The window's close button and Escape: the logic disarms and ends.
  void reject() override;

  // DialogView
  std::string Text(int32_t controlId) override { return controlText(controlId); }
  void SetText(int32_t controlId, const std::string& text) override;
  void SetTextId(int32_t controlId, int32_t textId) override;
  void SelectEdit(int32_t) override {}
  int32_t FocusedControl() override { return 0; }
  bool IsChecked(int32_t controlId) override { return controlChecked(controlId); }
  void SetChecked(int32_t controlId, bool checked) override { setControlChecked(controlId, checked); }
  void Enable(int32_t controlId, bool enabled) override;
  void Show(int32_t controlId, bool shown) override;
  void FillList(int32_t, const std::vector<std::string>&) override {}
  void SelectListEntry(int32_t, int) override {}
  int SelectedListEntry(int32_t) override { return -1; }
  void ShowWarning(const Message& message) override;
  // TriggerDialogView
  bool AskYesNo(const Message& message) override;
  void SetStatus(int32_t prefixId, int32_t textId) override;
  void ShowLamp(TriggerLamp lamp) override;
  void DrawSamples(const double* samples, int count, uint32_t samplingFrequency) override;
  void Close(int result) override;

 private:
  WarningSink warn_;
  QuestionSink ask_;
  void* window_ = nullptr;
  std::unique_ptr<TriggeredAcquisitionDialog> logic_;
  QTimer* pump_ = nullptr;
};

class WaveCollectionWindow : public RunDialogWindow, public CollectionDialogView {
 public:
  // chooseBasePath: the base path of a series, empty when cancelled.
  WaveCollectionWindow(Recorder& recorder, MainViewOperations operations, uint16_t channelMask, bool rawData,
                       std::function<std::string()> chooseBasePath, WarningSink warn, QWidget* parent,
                       WaveCollectionDialog::SpaceQuery spaceQuery = WaveCollectionDialog::QueryFreeSpace);
  ~WaveCollectionWindow() override;

  WaveCollectionDialog& logic() { return *logic_; }
  // The window's close button and Escape act as the cancel button.
  void reject() override;

  // DialogView
  std::string Text(int32_t controlId) override { return controlText(controlId); }
  void SetText(int32_t controlId, const std::string& text) override;
  void SetTextId(int32_t controlId, int32_t textId) override;
  void SelectEdit(int32_t) override {}
  int32_t FocusedControl() override { return 0; }
  bool IsChecked(int32_t controlId) override { return controlChecked(controlId); }
  void SetChecked(int32_t controlId, bool checked) override { setControlChecked(controlId, checked); }
  void Enable(int32_t controlId, bool enabled) override;
  void Show(int32_t controlId, bool shown) override;
  void FillList(int32_t, const std::vector<std::string>&) override {}
  void SelectListEntry(int32_t, int) override {}
  int SelectedListEntry(int32_t) override { return -1; }
  void ShowWarning(const Message& message) override;
  // CollectionDialogView
  void SetStatus(int32_t textId, Rgb background) override;
  void SetFormattedText(int32_t controlId, int32_t textId, const std::string& argument) override;
  bool StartTimer(int milliseconds) override;
  void KillTimer() override;
  std::string ChooseBasePath() override { return chooseBasePath_ ? chooseBasePath_() : std::string(); }
  void Close() override { QDialog::reject(); }

 private:
  WarningSink warn_;
  std::function<std::string()> chooseBasePath_;
  std::unique_ptr<WaveCollectionDialog> logic_;
  QTimer* blink_ = nullptr;
  QTimer* pump_ = nullptr;
};

}  // namespace kr70::ui
