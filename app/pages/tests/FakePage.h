#pragma once
// Fakes for page-logic tests: a UI port that logs every message box (and can
// run a hook while the box is "open"), and page controls that keep what the
// logic showed.
#include "PageControls.h"
#include "UiPort.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kr70::testing {

class FakeUiPort : public NullUiPort {
 public:
  struct Shown {
    int32_t textId;
    int32_t captionId;
  };
  void ShowMessage(const Message& message) override {
    shown.push_back({message.parts.empty() ? 0 : message.parts[0].textId, message.captionId});
    if (whileShown) whileShown();
  }
  std::vector<Shown> shown;
  std::function<void()> whileShown;
};

class FakeControls : public PageControls {
 public:
  void setText(int32_t id, const std::string& text) override { texts[id] = text; }
  void enable(int32_t id, bool enabled) override { enabled_[id] = enabled; }
  void setSliderPosition(int32_t id, int position) override { sliders[id] = position; }
  void setScrollBar(int32_t id, int page, int position) override {
    scrollPages[id] = page;
    scrollPositions[id] = position;
  }
  void focusAndSelectAll(int32_t id) override { focused.push_back(id); }
  void setListEntries(int32_t id, const std::vector<std::string>& entries, int selected) override {
    lists[id] = entries;
    selections[id] = selected;
  }
  void setListSelection(int32_t id, int selected) override { selections[id] = selected; }
  void captureMouse(bool captured) override { capture = captured; }
  void redraw(int plot) override { redraws.push_back(plot); }

  bool isEnabled(int32_t id) const {
    auto it = enabled_.find(id);
    return it != enabled_.end() && it->second;
  }

  std::map<int32_t, std::string> texts;
  std::map<int32_t, bool> enabled_;
  std::map<int32_t, int> sliders, scrollPages, scrollPositions, selections;
  std::map<int32_t, std::vector<std::string>> lists;
  std::vector<int32_t> focused;
  std::vector<int> redraws;
  bool capture = false;
};

}  // namespace kr70::testing
