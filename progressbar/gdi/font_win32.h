// Fonts and text of the shared font objects on GDI: the LOGFONT a stored
// font describes at a DPI, and UTF-8 text widened for the W functions.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "progressbar/persist/std_objects.h"

namespace kavrel::progressbar::win32 {

// The font a StdFont describes, sized for the DC's vertical resolution:
// its size in points (ten-thousandths in the object) converted to pixels.
LOGFONTW LogFontOf(const StdFont& font, int dpi);

// UTF-8 text as UTF-16 for the wide functions.
std::wstring Widen(std::string_view text);

}  // namespace kavrel::progressbar::win32
