#pragma once
// The desktop calls on Linux: the program's own X connection to $DISPLAY, whatever platform Qt
// draws on. Reached through platform::os().

#include "platform/Desktop.h"

#include <QString>

#include <cstdint>

namespace platform::x11 {

// The first top-level window, in the window manager's client list and then among the root
// window's children, whose _NET_WM_NAME or WM_NAME equals `title`.
WindowLookup findWindowByTitle(const QString& title);

// Activates the keyboard layout a Windows layout handle names: its low word is the language id;
// the first configured XKB group whose layout (without variant) matches is locked. Returns true
// when a group was locked; nothing happens when none matches or there is no X display.
bool activateKeyboardLayout(int32_t layoutHandle);

// The XKB group locked now (remembered at start-up), and its restoration at shut-down: a lock
// acts on the whole display, not only on this program.
int currentKeyboardGroup();
void restoreKeyboardGroup(int group);

} // namespace platform::x11
