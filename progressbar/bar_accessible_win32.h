// The bar as assistive technology sees it: a progress bar, named by its host
// (the caption shown beside it), whose value is the level it shows.
#pragma once

#include <cstdint>
#include <string>

#include "win32/accessible.h"

namespace kavrel::progressbar::win32 {

class BarSurface;

// A new object (one reference) for the bar on `surface`; it reads the
// surface while connected and is cut off when the surface's window goes.
kavrel::win32::AccessibleObject* MakeBarAccessible(const BarSurface& surface);

// The value read out for a level in percent: "45 %".
std::wstring LevelText(std::int32_t percent);

}  // namespace kavrel::progressbar::win32
