// The dialog view the dialog-logic tests give the logic: control states in
// maps, warnings logged.
#pragma once
#include "FilterDialogs.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kr70::test {

// Control states in maps; a warning moves the focus away as a message box
// does, so a view that sends focus-loss commits can be imitated.
class FakeView : public DialogView {
 public:
  std::string Text(int32_t id) override { return texts[id]; }
  void SetText(int32_t id, const std::string& text) override { texts[id] = text; }
  void SetTextId(int32_t id, int32_t textId) override { textIds[id] = textId; }
  void SelectEdit(int32_t id) override {
    focus = id;
    selected = id;
  }
  int32_t FocusedControl() override { return focus; }
  bool IsChecked(int32_t id) override { return checked[id]; }
  void SetChecked(int32_t id, bool on) override { checked[id] = on; }
  void Enable(int32_t id, bool on) override { enabled[id] = on; }
  void Show(int32_t id, bool on) override { shown[id] = on; }
  void FillList(int32_t id, const std::vector<std::string>& entries) override { lists[id] = entries; }
  void SelectListEntry(int32_t id, int index) override { listSelection[id] = index; }
  int SelectedListEntry(int32_t id) override { return listSelection.count(id) ? listSelection[id] : -1; }
  void ShowWarning(const Message& message) override {
    warnings.push_back(message);
    if (onWarning) onWarning();
  }

  std::map<int32_t, std::string> texts;
  std::map<int32_t, int32_t> textIds;
  std::map<int32_t, bool> checked, enabled, shown;
  std::map<int32_t, std::vector<std::string>> lists;
  std::map<int32_t, int> listSelection;
  std::vector<Message> warnings;
  std::function<void()> onWarning;
  int32_t focus = 0;
  int32_t selected = 0;
};

}  // namespace kr70::test
