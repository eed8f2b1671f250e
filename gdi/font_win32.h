// The shared font objects on GDI: the LOGFONT a stored font describes at a
// DPI.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "persist/std_objects.h"

namespace kavrel::gdi {

// The font a StdFont describes, sized for the DC's vertical resolution:
// its size in points (ten-thousandths in the object) converted to pixels.
LOGFONTW LogFontOf(const persist::StdFont& font, int dpi);

}  // namespace kavrel::gdi
