#include "win32/text.h"

#include <windows.h>

#include <algorithm>

namespace kavrel::win32 {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(std::min<std::size_t>(utf8.size(), 0x7FFFFFFF));
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(std::min<std::size_t>(wide.size(), 0x7FFFFFFF));
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(length, 0)), '\0');
    if (length > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

}  // namespace kavrel::win32
