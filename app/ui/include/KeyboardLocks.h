// The keyboard's lock indicators (Kana, Caps, Num, Scroll) as the display
// server reports them. Only X11 tells them (the XKB indicator state); on any
// other platform (Wayland, offscreen) the state is unknown.
#ifndef KR70_APP_UI_KEYBOARDLOCKS_H
#define KR70_APP_UI_KEYBOARDLOCKS_H

#include <array>
#include <optional>

namespace kr70::ui {

// In the order of the status bar's panes: Kana, Caps, Num, Scroll.
using KeyboardLocks = std::array<bool, 4>;

// The indicators now, or nothing where the platform cannot tell. An
// indicator the keyboard does not have counts as off.
std::optional<KeyboardLocks> readKeyboardLocks();

}  // namespace kr70::ui

#endif
