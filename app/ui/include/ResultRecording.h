#pragma once
// "Record results": the Settings menu's check item (off by default, kept in
// the profile under Results/Record) and the writer that stores the verdict
// of every acquisition and opened file. Storing runs on a worker thread
// (ResultWriter), so the window never waits for the disk or a server; a
// status-bar pane says when verdicts wait for an unreachable server, or are
// held in memory because the store failed (retried until stored).
//
// Profile keys of section "Results": Record (0/1), Store (an SQLite path or a
// postgresql:// URL; empty: the default results file), Station (default: the
// host name). The Settings menu's "Results Store..." dialog edits all three;
// a new store or station takes effect with the next verdict.
#include "AnalysisState.h"
#include "Profile.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QStatusBar;

namespace kr70 {
class ResultWriter;
struct WriterReport;
}

namespace kr70::ui {

class ResultRecording : public QObject {
 public:
  // Adds the check item to menu and the pane to bar; hooks state's loads.
  ResultRecording(Profile& profile, AnalysisState& state, QMenu* menu, QStatusBar* bar, QObject* parent);
  // Stores what is still queued in memory, then stops the writer.
  ~ResultRecording() override;

  QAction* action() const { return action_; }
  QAction* settingsAction() const { return settingsAction_; }
  // Opens the settings dialog (window-modal, not waiting); OK writes the
  // profile and applies it. Returns the dialog (it deletes itself on close).
  QDialog* openSettings();
  bool recording() const;
  // Waits until every verdict handed over so far has been handled (tests).
  void drain();

 private:
  void setRecording(bool on);
  void applySettings(bool record, const std::string& store, const std::string& station);
  void loaded(const std::string& path);
  void showReport(const WriterReport& report);

  Profile& profile_;
  AnalysisState& state_;
  QAction* action_ = nullptr;
  QAction* settingsAction_ = nullptr;
  QPointer<QWidget> window_;  // parent of the settings dialog
  QLabel* pane_ = nullptr;
  std::unique_ptr<ResultWriter> writer_;
  // Writers switched off: they finish their queue on their own threads and
  // are joined only when the window goes, so switching off never waits.
  std::vector<std::unique_ptr<ResultWriter>> retired_;
  std::string station_;
};

}  // namespace kr70::ui
