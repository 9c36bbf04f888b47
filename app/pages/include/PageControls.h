#pragma once
// What a graph page's logic needs from its widgets, by control id. The Qt page
// implements it; tests implement it with a log. Warnings go through the UI
// port (UiPort.h) instead, so that every message box passes one place.
#include <cstdint>
#include <string>
#include <vector>

namespace kr70 {

class PageControls {
 public:
  virtual ~PageControls() = default;
  // Text of an edit or static (UTF-8).
  virtual void setText(int32_t controlId, const std::string& text) = 0;
  virtual void enable(int32_t controlId, bool enabled) = 0;
  // Slider position 0..5.
  virtual void setSliderPosition(int32_t controlId, int position) = 0;
  // Horizontal scroll bar with range 0..999, this page size and position.
  virtual void setScrollBar(int32_t controlId, int pageSize, int position) = 0;
  // Gives an edit the focus and selects its whole text.
  virtual void focusAndSelectAll(int32_t controlId) = 0;
  // Drop-down lists: entries with one selected, or only the selection.
  virtual void setListEntries(int32_t controlId, const std::vector<std::string>& entries,
                              int selected) = 0;
  virtual void setListSelection(int32_t controlId, int selected) = 0;
  // Mouse capture for a drag over the plots.
  virtual void captureMouse(bool captured) = 0;
  // Repaints plot frame `plot` (0 upper, 1 lower, 2 axis strip) or, with -1,
  // the whole page.
  virtual void redraw(int plot) = 0;
};

}  // namespace kr70
