// Hexadecimal digits as the product writes and reads them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::base {

enum class HexCase { Lower, Upper };

// `value` in at least `digits` digits, zero-padded: Hex(0x1f, 4) is "001f".
std::string HexNumber(std::uint32_t value, int digits, HexCase letters = HexCase::Lower);
// Two digits a byte, `separator` between bytes: {0x0a, 0xff} is "0a,ff".
std::string HexBytes(const std::vector<std::uint8_t>& bytes, std::string_view separator,
                     HexCase letters = HexCase::Lower);
// The value of one digit (either case), or -1.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace kavrel::base
