#include "gdi/font_win32.h"

#include <algorithm>

#include "base/number.h"
#include "win32/text.h"

namespace kavrel::gdi {

LOGFONTW LogFontOf(const persist::StdFont& font, int dpi) {
    LOGFONTW lf{};
    // Negative: the size is the character height, without internal leading.
    const double pixels = static_cast<double>(font.size) / 10000.0 * dpi / 72.0;
    lf.lfHeight = -static_cast<LONG>(std::clamp(base::RoundHalfEven(pixels), 0.0, 65535.0));
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic ? TRUE : FALSE;
    lf.lfUnderline = font.underline ? TRUE : FALSE;
    lf.lfStrikeOut = font.strikethrough ? TRUE : FALSE;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring name = win32::Widen(font.name);
    const std::size_t n = std::min<std::size_t>(name.size(), LF_FACESIZE - 1);
    std::copy_n(name.begin(), n, lf.lfFaceName);
    lf.lfFaceName[n] = L'\0';
    return lf;
}

}  // namespace kavrel::gdi
