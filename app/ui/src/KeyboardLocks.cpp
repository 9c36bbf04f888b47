#include "KeyboardLocks.h"

#include <QGuiApplication>

// Xlib comes last: its macros (None, Bool, Status …) collide with Qt's names.
#include <X11/XKBlib.h>

namespace kr70::ui {

std::optional<KeyboardLocks> readKeyboardLocks() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return std::nullopt;
  const auto indicator = [display](const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    return atom != 0 && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) && on;
  };
  return KeyboardLocks{indicator("Kana"), indicator("Caps Lock"), indicator("Num Lock"), indicator("Scroll Lock")};
}

}  // namespace kr70::ui
