#include "persist/picture_file.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

namespace kavrel::persist {

namespace {

// Bounds-checked header fields; a read past the end gives nullopt.
struct Bytes {
    std::span<const std::uint8_t> d;
    std::optional<std::uint32_t> Le(std::size_t at, int n) const {
        if (at > d.size() || d.size() - at < static_cast<std::size_t>(n)) return std::nullopt;
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | d[at + static_cast<std::size_t>(i)];
        return v;
    }
    std::optional<std::uint32_t> Be(std::size_t at, int n) const {
        if (at > d.size() || d.size() - at < static_cast<std::size_t>(n)) return std::nullopt;
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | d[at + static_cast<std::size_t>(i)];
        return v;
    }
};

void InspectBitmap(const Bytes& b, PictureInfo& info) {
    auto headerSize = b.Le(14, 4);
    if (!headerSize) return;
    if (*headerSize == 12) {  // the old core header: 16-bit sizes
        auto w = b.Le(18, 2), h = b.Le(20, 2), bpp = b.Le(24, 2);
        if (!w || !h || !bpp) return;
        info.width = static_cast<std::int32_t>(*w);
        info.height = static_cast<std::int32_t>(*h);
        info.bitsPerPixel = static_cast<std::int32_t>(*bpp);
        return;
    }
    auto w = b.Le(18, 4), h = b.Le(22, 4), bpp = b.Le(28, 2);
    if (!w || !h || !bpp) return;
    auto width = static_cast<std::int32_t>(*w);
    auto height = static_cast<std::int32_t>(*h);
    if (width < 0 || height == INT32_MIN) return;
    info.width = width;
    info.height = std::abs(height);  // negative: rows stored top-down
    info.bitsPerPixel = static_cast<std::int32_t>(*bpp);
}

void InspectJpeg(const Bytes& b, PictureInfo& info) {
    std::size_t at = 2;
    while (at < b.d.size()) {
        if (b.d[at] != 0xFF) return;
        while (at < b.d.size() && b.d[at] == 0xFF) ++at;  // fill bytes
        if (at >= b.d.size()) return;
        std::uint8_t marker = b.d[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (marker == 0xD9 || marker == 0xDA) return;  // end of image, start of scan: no frame header
        auto length = b.Be(at, 2);
        if (!length || *length < 2) return;
        bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            auto h = b.Be(at + 3, 2), w = b.Be(at + 5, 2), components = b.Be(at + 7, 1);
            if (!h || !w || !components) return;
            info.width = static_cast<std::int32_t>(*w);
            info.height = static_cast<std::int32_t>(*h);
            info.bitsPerPixel = static_cast<std::int32_t>(8 * *components);
            return;
        }
        at += *length;
    }
}

void InspectIcon(const Bytes& b, PictureInfo& info) {
    auto count = b.Le(4, 2);
    if (!count || *count == 0) return;
    auto w = b.Le(6, 1), h = b.Le(7, 1), bpp = b.Le(12, 2);
    if (!w || !h || !bpp) return;
    info.width = *w == 0 ? 256 : static_cast<std::int32_t>(*w);
    info.height = *h == 0 ? 256 : static_cast<std::int32_t>(*h);
    info.bitsPerPixel = static_cast<std::int32_t>(*bpp);
}

}  // namespace

PictureInfo InspectPicture(std::span<const std::uint8_t> file) {
    PictureInfo info;
    Bytes b{file};
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') {
        info.format = StdPicture::Format::Bitmap;
        InspectBitmap(b, info);
    } else if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF) {
        info.format = StdPicture::Format::Jpeg;
        InspectJpeg(b, info);
    } else if (file.size() >= 4 && file[0] == 0 && file[1] == 0 && file[2] == 1 && file[3] == 0) {
        info.format = StdPicture::Format::Icon;
        InspectIcon(b, info);
    }
    return info;
}

StdPicture PictureFromFile(std::vector<std::uint8_t> file) {
    PictureInfo info = InspectPicture(file);
    StdPicture picture;
    picture.format = info.format;
    picture.width = info.width;
    picture.height = info.height;
    picture.bytes = std::move(file);
    return picture;
}

}  // namespace kavrel::persist
