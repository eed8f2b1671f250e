// Bitmaps of the shared picture objects: BMP and sequential JPEG files
// decoded by persist/picture_pixels.h into screen-compatible bitmaps, any other variant
// by the system's picture loader.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "win32/handle.h"
#include "persist/std_objects.h"

namespace kavrel::gdi {

// A bitmap of the picture in a BMP or JPEG file's bytes, owned by the
// caller; empty when the bytes are malformed or not a bitmap picture the
// system can load. Needs no COM for the formats our decoder reads.
win32::UniqueBitmap DecodePicture(const std::vector<std::uint8_t>& bytes);

// The same picture by the system's picture loader alone (COM on the calling
// thread while it loads): what DecodePicture falls back on, and the yardstick
// its own decoding is held to.
win32::UniqueBitmap DecodePictureBySystem(const std::vector<std::uint8_t>& bytes);

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
