// Whether the user has asked Windows for high contrast, for every control
// that draws itself (the bar and the window host's drawn controls): they then
// paint with the system colours and none of their own.
#pragma once

#include <optional>

namespace kavrel::win32 {

// SPI_GETHIGHCONTRAST, asked at each call, so that a change of the setting
// shows at the next paint: the window repaints on WM_SETTINGCHANGE and
// WM_SYSCOLORCHANGE.
bool HighContrast();

// Replaces the system's answer for the rest of the process (std::nullopt
// gives it back). For tests and the contrast screenshot only: the mode
// cannot be switched on where they run (Wine does not implement
// SPI_SETHIGHCONTRAST). The program itself never calls it.
void DecideHighContrast(std::optional<bool> on);

}  // namespace kavrel::win32
