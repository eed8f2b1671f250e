// A rectangle of pixels read back from a device context, and its form as a
// 24-bit BMP file.
#pragma once

#include <cstdint>
#include <vector>

#include "progressbar/colour.h"

namespace kavrel::progressbar {

struct PixelImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<Colour> pixels;  // RGB 0x00BBGGRR, rows top to bottom

    Colour At(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// A BMP file (BITMAPFILEHEADER, BITMAPINFOHEADER, 24 bits a pixel, rows
// bottom-up, each padded to a multiple of 4 bytes) holding the image.
std::vector<std::uint8_t> EncodeBmp24(const PixelImage& image);

}  // namespace kavrel::progressbar
