#include "gdi/picture_scale.h"

#include <cstdio>

namespace kavrel::gdi {

PictureStep StepForDpi(unsigned dpi) {
    if (dpi <= 96) return PictureStep::Stored;
    if (dpi <= 144) return PictureStep::Large;
    return PictureStep::Double;
}

namespace {
// n * num / den, halves away from zero (as MulDiv rounds), for n >= 0.
int Scale(int n, unsigned num, unsigned den) {
    if (n <= 0) return 0;
    const std::uint64_t v = static_cast<std::uint64_t>(n) * num;
    return static_cast<int>((2 * v + den) / (2 * static_cast<std::uint64_t>(den)));
}
}  // namespace

int ScaledLength(int length, unsigned dpi) { return Scale(length, dpi, 96); }

PixelSize StepSize(PixelSize stored, PictureStep step) {
    const auto percent = static_cast<unsigned>(step);
    return PixelSize{Scale(stored.width, percent, 100), Scale(stored.height, percent, 100)};
}

std::uint64_t PictureHash(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const std::uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001B3ull;
    }
    return h;
}

std::string VariantResourceName(std::uint64_t hash, PictureStep step) {
    if (step == PictureStep::Stored) return {};
    char name[40];
    std::snprintf(name, sizeof name, "PIC_%016llX_%u", static_cast<unsigned long long>(hash),
                  static_cast<unsigned>(step));
    return name;
}

}  // namespace kavrel::gdi
