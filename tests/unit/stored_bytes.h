// Byte fixtures shared by the tests of stored bytes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kavrel::testing {

// "93B2 0000" -> {0x93, 0xB2, 0, 0}; spaces are ignored.
inline std::vector<std::uint8_t> FromHex(std::string_view hex) {
    std::vector<std::uint8_t> out;
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    int high = -1;
    for (char c : hex) {
        if (c == ' ') continue;
        if (high < 0) {
            high = digit(c);
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + digit(c)));
            high = -1;
        }
    }
    return out;
}

// Bar1's stored set, assembled by hand from the layout: six records at
// offsets 8, 40, 72, 124, 160 and 188; links 32, 32, 52, 36, 28 and -180.
// Bar2's differs only in the colour's bytes at 182..184 (00 C0 00).
inline const std::vector<std::uint8_t> kBar1Set = FromHex(
    "93B20000 E0000000"
    "03000800 0BF25747 20000000 5F006500 78007400 65006E00 74007800 BC190000"  // _extentx 6588
    "03000800 0AF25747 20000000 5F006500 78007400 65006E00 74007900 EE000000"  // _extenty 238
    "0D000400 75F30DBC 34000000 66006F00 6E007400"                             // font
    "0352E30B 918FCE11 9DE300AA 004BB851 01B20000 90014442 01000541 7269616C"  // Arial 8.25, 178
    "03000A00 B7086147 24000000 62007200 75007300 68007300 74007900 6C006500 00000000"  // brushstyle 0
    "03000500 F3D73DB6 1C000000 63006F00 6C006F00 7200 316AC500 0000"          // color 0x00C56A31
    "03000900 BB05D1BA 4CFFFFFF 73006300 72006F00 6C006C00 69006E00 67000100 00000000");  // scrolling 1

inline std::vector<std::uint8_t> Bar2Set() {
    auto set = kBar1Set;
    set[182] = 0x00;
    set[183] = 0xC0;
    set[184] = 0x00;
    return set;
}

}  // namespace kavrel::testing
