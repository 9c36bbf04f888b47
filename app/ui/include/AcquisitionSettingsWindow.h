#pragma once
// The Qt window of the acquisition settings dialog (134): board, frequency
// radios, time, channel, external trigger and its wait, file base name and
// number, raw-data check. Every decision comes from AcquisitionDialog.h; the
// window shows it and sends warnings to the given sink.
#include "Acquisition.h"
#include "UiPort.h"

#include <QDialog>
#include <functional>

class QButtonGroup;

namespace kr70::ui {

class AcquisitionSettingsWindow : public QDialog {
 public:
  using WarningSink = std::function<void(const Message&)>;
  AcquisitionSettingsWindow(AcquisitionSettingsValues& values, WarningSink warn, QWidget* parent);

  // The widget of a control id (its object name), or null.
  QWidget* control(int32_t controlId) const;
  // OK: checks the time and the wait, stores the values and closes.
  void accept() override;

 private:
  void updateEnabling();
  void browse();
  int32_t boardKind() const;
  int frequencyIndex() const;
  bool checkTime(uint32_t* count);
  void warn(int32_t textId, int32_t captionId);

  AcquisitionSettingsValues& values_;
  WarningSink warn_;
  QButtonGroup* soundRadios_ = nullptr;
  QButtonGroup* boardRadios_ = nullptr;
  QButtonGroup* boardFrequencyRadios_ = nullptr;
};

}  // namespace kr70::ui
