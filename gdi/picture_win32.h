// Bitmaps of the shared picture objects, decoded by the system's picture
// loader (BMP and JPEG files).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "win32/handle.h"
#include "persist/std_objects.h"

namespace kavrel::gdi {

// A bitmap of the picture in a BMP or JPEG file's bytes, owned by the
// caller; empty when the bytes are not a bitmap picture the system can load.
win32::UniqueBitmap DecodePicture(const std::vector<std::uint8_t>& bytes);

// The last picture decoded, kept while the bytes asked for stay the same,
// so that a redraw does not decode the file again.
class PictureCache {
public:
    // nullptr when the picture cannot be decoded. The bitmap belongs to the
    // cache and lives until the next different picture is asked for.
    HBITMAP BitmapOf(const persist::StdPicture& picture);

private:
    bool loaded_ = false;
    std::vector<std::uint8_t> bytes_;
    win32::UniqueBitmap bitmap_;
};

}  // namespace kavrel::gdi
