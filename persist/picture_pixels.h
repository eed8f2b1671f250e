// Decodes the pixels of the picture files the window's description holds:
// uncompressed BMP (1, 4, 8, 24 and 32 bits a pixel) and sequential JPEG
// with Huffman coding (grey or YCbCr, full-resolution colour), with the
// integer arithmetic of the common JPEG decoders, so the colours are the
// ones the system's own loader gives. Every length, offset, table and
// index is checked before it is used.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kavrel::persist {

struct PicturePixels {
    std::int32_t width = 0;
    std::int32_t height = 0;
    // 0x00RRGGBB, rows top-down, width * height of them.
    std::vector<std::uint32_t> pixels;
};

// The largest picture decoded, in pixels (width times height); a bigger
// header is malformed for our purposes.
inline constexpr std::int64_t kMaxPicturePixels = 4 * 1024 * 1024;

// The decoded picture; nullopt for a file of another format or a variant
// this decoder leaves to the system's loader (progressive or arithmetic
// JPEG, sub-sampled colour, compressed BMP). Throws FormatError naming the
// field and its byte offset when the file is malformed.
std::optional<PicturePixels> DecodePicturePixels(std::span<const std::uint8_t> file);

}  // namespace kavrel::persist
