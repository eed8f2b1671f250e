// Fuzzes the decoder of picture files. Any input is rejected with a
// FormatError, left to the system (nullopt), or decoded into exactly
// width x height pixels of at most 24 bits each.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "persist/binary_io.h"
#include "persist/picture_pixels.h"

using namespace kavrel::persist;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto p = DecodePicturePixels(std::span(data, size));
        if (!p) return 0;
        if (p->width <= 0 || p->height <= 0) std::abort();
        if (p->pixels.size() != static_cast<std::size_t>(p->width) * static_cast<std::size_t>(p->height)) std::abort();
        for (std::uint32_t px : p->pixels) {
            if (px > 0x00FFFFFFu) std::abort();
        }
    } catch (const FormatError&) {
    }
    return 0;
}
