// A registry text value as the registry holds it: UTF-16 code units, low
// byte first, with exactly the NULs the text carries (a view built with an
// explicit length keeps its embedded and trailing ones).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kavrel::testing {

inline std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

}  // namespace kavrel::testing
