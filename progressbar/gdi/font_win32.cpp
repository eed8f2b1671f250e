#include "progressbar/gdi/font_win32.h"

#include <algorithm>

#include "progressbar/arithmetic.h"

namespace kavrel::progressbar::win32 {

std::wstring Widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

LOGFONTW LogFontOf(const StdFont& font, int dpi) {
    LOGFONTW lf{};
    // Negative: the size is the character height, without internal leading.
    const double pixels = static_cast<double>(font.size) / 10000.0 * dpi / 72.0;
    lf.lfHeight = -std::clamp(NearestInt32(pixels, "font size in pixels"), 0, 0xFFFF);
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic ? TRUE : FALSE;
    lf.lfUnderline = font.underline ? TRUE : FALSE;
    lf.lfStrikeOut = font.strikethrough ? TRUE : FALSE;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring name = Widen(font.name);
    const std::size_t n = std::min<std::size_t>(name.size(), LF_FACESIZE - 1);
    std::copy_n(name.begin(), n, lf.lfFaceName);
    lf.lfFaceName[n] = L'\0';
    return lf;
}

}  // namespace kavrel::progressbar::win32
