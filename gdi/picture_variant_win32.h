// The images made for 150 % and 200 % of the stored pictures, found among a
// module's resources by the hash of the stored bytes (picture_scale.h), and
// the bitmap a window at a DPI draws a stored picture from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "gdi/picture_scale.h"
#include "persist/std_objects.h"
#include "win32/handle.h"

namespace kavrel::gdi {

// The bytes of the image made for `step` of the stored picture: the
// module's RCDATA resource of that name. Empty for the stored step, or when
// the module carries no such image.
std::vector<std::uint8_t> VariantBytes(HMODULE module, const persist::StdPicture& stored, PictureStep step);

struct ChosenBitmap {
    win32::UniqueBitmap bitmap;                // empty when nothing could be decoded
    PictureStep step = PictureStep::Stored;    // the image it was decoded from
};

// The bitmap to draw the stored picture from at `dpi`: the image made for
// the DPI's step when the module carries one that decodes, otherwise the
// stored picture itself.
ChosenBitmap DecodeForDpi(HMODULE module, const persist::StdPicture& stored, unsigned dpi);

}  // namespace kavrel::gdi
