#pragma once
// Calls into the desktop the program runs on: finding a top-level window by its title, and the
// keyboard layout. On Linux both use the program's own X connection to $DISPLAY, whatever
// platform Qt draws on.

#include <QString>

#include <cstdint>

namespace platform {

struct WindowLookup {
    uint32_t handle = 0;  // 0: no window with that title (or no X display)
    bool failed = false;  // the lookup itself failed (an X error)
    int errorNumber = 0;
    QString errorDescription;
};

// The first top-level window, in the window manager's client list and then among the root
// window's children, whose _NET_WM_NAME or WM_NAME equals `title`.
WindowLookup findWindowByTitle(const QString& title);

// The XKB layout name for a Windows language id ("us" for 0x0409, "de" for 0x0407); empty when
// there is none.
QString xkbLayoutForLanguage(uint16_t languageId);

// Activates the keyboard layout a Windows layout handle names: its low word is the language id;
// the first configured XKB group whose layout (without variant) matches is locked. Returns true
// when a group was locked; nothing happens when none matches or there is no X display.
bool activateKeyboardLayout(int32_t layoutHandle);

// The XKB group locked now (remembered at start-up), and its restoration at shut-down: a lock
// acts on the whole display, not only on this program.
int currentKeyboardGroup();
void restoreKeyboardGroup(int group);

} // namespace platform
