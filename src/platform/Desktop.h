#pragma once
// What the desktop calls give back, and the map from Windows language ids to keyboard layouts.
// The calls themselves are reached through os() (Os.h).

#include <QString>

#include <cstdint>

namespace platform {

struct WindowLookup {
    uint32_t handle = 0; // 0: no window with that title (or no X display)
    bool failed = false; // the lookup itself failed (an X error)
    int errorNumber = 0;
    QString errorDescription;
};

// The XKB layout name for a Windows language id ("us" for 0x0409, "de" for 0x0407); empty when
// there is none.
QString xkbLayoutForLanguage(uint16_t languageId);

} // namespace platform
