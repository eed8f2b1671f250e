#include "progressbar/pixel_image.h"

#include <stdexcept>

namespace kavrel::progressbar {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp24(const PixelImage& image) {
    if (image.width < 0 || image.height < 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        throw std::invalid_argument("EncodeBmp24: the pixel count does not match width x height");
    }
    const std::uint64_t stride = (static_cast<std::uint64_t>(image.width) * 3 + 3) / 4 * 4;
    const std::uint64_t dataSize = stride * static_cast<std::uint64_t>(image.height);
    constexpr std::uint32_t kHeaders = 14 + 40;
    if (dataSize + kHeaders > 0xFFFFFFFFu) throw std::invalid_argument("EncodeBmp24: image too large for BMP");

    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(dataSize + kHeaders));
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<std::uint32_t>(dataSize + kHeaders));  // file size
    Put32(out, 0);                                                // reserved
    Put32(out, kHeaders);                                         // offset of the pixels
    Put32(out, 40);                                               // BITMAPINFOHEADER
    Put32(out, static_cast<std::uint32_t>(image.width));
    Put32(out, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
    Put16(out, 1);                                          // planes
    Put16(out, 24);                                         // bits a pixel
    Put32(out, 0);                                          // BI_RGB
    Put32(out, static_cast<std::uint32_t>(dataSize));
    Put32(out, 3780);  // 96 dots an inch, in dots a metre
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    for (std::int32_t y = image.height - 1; y >= 0; --y) {
        for (std::int32_t x = 0; x < image.width; ++x) {
            const Colour c = image.At(x, y);
            out.push_back(static_cast<std::uint8_t>(BlueOf(c)));
            out.push_back(static_cast<std::uint8_t>(GreenOf(c)));
            out.push_back(static_cast<std::uint8_t>(RedOf(c)));
        }
        for (std::uint64_t pad = static_cast<std::uint64_t>(image.width) * 3; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

}  // namespace kavrel::progressbar
