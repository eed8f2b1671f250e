// Names compared as the registry and the stored formats compare them: the
// 26 ASCII letters without case, every other byte as it is.
#pragma once

#include <string>
#include <string_view>

namespace kavrel::base {

constexpr char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string FoldCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = FoldAscii(c);
    return out;
}

constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

}  // namespace kavrel::base
