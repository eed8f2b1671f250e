// Recognises the image files that picture objects carry (BMP, JPEG, ICO)
// and reads their pixel size from the file's header, without decoding the
// image. Every header field is bounds-checked.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "persist/std_objects.h"

namespace kavrel::persist {

struct PictureInfo {
    StdPicture::Format format = StdPicture::Format::Unknown;
    std::int32_t width = 0;   // 0 when the header does not give it
    std::int32_t height = 0;
    std::int32_t bitsPerPixel = 0;  // BMP: the header's value; ICO: first image's; JPEG: 8 x components
};

// Unknown format for bytes that are none of the three; a recognised
// signature with a truncated header gives the format with size 0.
PictureInfo InspectPicture(std::span<const std::uint8_t> file);

// A picture object holding the file, with format and size from its header.
StdPicture PictureFromFile(std::vector<std::uint8_t> file);

}  // namespace kavrel::persist
