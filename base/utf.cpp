#include "base/utf.h"

#include <cstdint>

namespace kavrel::base {

namespace {

void PutUtf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void PutUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsSurrogate(char32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

// The character that starts at text[i] and its length in bytes; a length
// of 0 when no character starts there.
std::size_t DecodeOne(std::string_view text, std::size_t i, char32_t& cp) {
    const auto b = static_cast<unsigned char>(text[i]);
    const std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return 0;
    cp = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || IsSurrogate(cp)) return 0;
    return n;
}

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view text, Invalid invalid, char32_t replacement) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t n = DecodeOne(text, i, cp);
        if (n == 0) {
            if (invalid == Invalid::Refuse) return std::nullopt;
            PutUtf16(out, replacement);
            ++i;
            continue;
        }
        PutUtf16(out, cp);
        i += n;
    }
    return out;
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view text, Invalid invalid, char32_t replacement) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (IsSurrogate(cp)) {
            if (invalid == Invalid::Refuse) return std::nullopt;
            if (invalid == Invalid::Replace) cp = replacement;
        }
        PutUtf8(out, cp);
    }
    return out;
}

std::u16string AsciiToUtf16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

void AppendUtf16Le(std::u16string_view units, std::vector<std::uint8_t>& out) {
    out.reserve(out.size() + units.size() * 2);
    for (char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
}

std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view units) {
    std::vector<std::uint8_t> out;
    AppendUtf16Le(units, out);
    return out;
}

std::u16string Utf16LeUnits(const std::vector<std::uint8_t>& bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return units;
}

}  // namespace kavrel::base
