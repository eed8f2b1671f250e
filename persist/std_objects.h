// The standard font and picture objects that hosted controls share. Both are
// held through std::shared_ptr and never copied by a control: a change made
// through one holder is seen by every other at its next use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kavrel::persist {

class StdFont {
public:
    std::string name = "MS Sans Serif";  // a new font object starts as the default font
    std::int64_t size = 82500;           // ten-thousandths of a point: 8.25 pt
    std::int16_t weight = 400;
    std::int16_t charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    double Points() const { return static_cast<double>(size) / 10000.0; }
    bool SameAs(const StdFont& o) const {
        return name == o.name && size == o.size && weight == o.weight && charset == o.charset &&
               italic == o.italic && underline == o.underline && strikethrough == o.strikethrough;
    }
};

class StdPicture {
public:
    enum class Format { Bitmap, Jpeg, Icon, Unknown };
    Format format = Format::Unknown;
    std::vector<std::uint8_t> bytes;  // the image file as stored (BMP, JPEG or ICO)
    std::int32_t width = 0;           // pixels, when known
    std::int32_t height = 0;
};

using FontRef = std::shared_ptr<StdFont>;
using PictureRef = std::shared_ptr<StdPicture>;

}  // namespace kavrel::persist
