// Which image a window draws a stored picture from at its DPI: the stored
// (96-DPI) picture or one made for 150 % or 200 %, and the size it takes.
// Platform-neutral: the resources are looked up in picture_variant_win32.*.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kavrel::gdi {

// The scales pictures are made for, in percent of the stored picture.
enum class PictureStep : unsigned { Stored = 100, Large = 150, Double = 200 };

// The image a window at `dpi` draws from: up to 96 the stored picture, up to
// 144 the 150 % image, above the 200 % one. Between steps the next larger
// image is shrunk, never a smaller one blown up.
PictureStep StepForDpi(unsigned dpi);

// A length of the stored picture (96 DPI) in pixels at `dpi`, halves
// rounded away from zero: how the window lays a picture out.
int ScaledLength(int length, unsigned dpi);

struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};
// The size of the image made for a step, from the stored picture's size.
PixelSize StepSize(PixelSize stored, PictureStep step);

// What names a stored picture's variants: FNV-1a (64 bits) of its bytes.
std::uint64_t PictureHash(std::span<const std::uint8_t> bytes);

// The resource name of the image made for `step` of the picture with hash
// `hash`, "PIC_<16 hex digits>_<percent>"; empty for the stored picture,
// which has no resource of its own.
std::string VariantResourceName(std::uint64_t hash, PictureStep step);

}  // namespace kavrel::gdi
