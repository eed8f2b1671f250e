// Reading pixels back from a device context.
#pragma once

#include <windows.h>

#include "progressbar/pixel_image.h"

namespace kavrel::progressbar::win32 {

// The pixels of width x height at (x, y) of the DC, copied with BitBlt into
// a 32-bit DIB section. Empty when the copy fails.
PixelImage CapturePixels(HDC dc, int x, int y, int width, int height);

}  // namespace kavrel::progressbar::win32
