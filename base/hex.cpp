#include "base/hex.h"

namespace kavrel::base {

namespace {
const char* Digits(HexCase letters) { return letters == HexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef"; }
}  // namespace

std::string HexNumber(std::uint32_t value, int digits, HexCase letters) {
    const char* d = Digits(letters);
    std::string out;
    do {
        out.insert(out.begin(), d[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<std::size_t>(digits) - out.size(), '0');
    return out;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes, std::string_view separator, HexCase letters) {
    const char* d = Digits(letters);
    std::string out;
    out.reserve(bytes.size() * (2 + separator.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += separator;
        out += d[bytes[i] >> 4];
        out += d[bytes[i] & 0xF];
    }
    return out;
}

}  // namespace kavrel::base
