#include "app/host/host_gdi_win32.h"

#include <cmath>

#include "gdi/font_win32.h"
#include "gdi/picture_variant_win32.h"
#include "gdi/picture_win32.h"
#include "win32/library.h"

namespace kavrel::app {

UINT DpiOfWindow(HWND hwnd) {
    // GetDpiForWindow exists from Windows 10 on; before, the system DPI.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = win32::ProcAddress<GetDpiForWindowFn>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    if (getDpi && hwnd) {
        const UINT dpi = getDpi(hwnd);
        if (dpi) return dpi;
    }
    win32::WindowDc dc = win32::GetWindowDc(nullptr);
    const int dpi = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

RECT ToPixels(const TwipsRect& t, UINT dpi) {
    const int left = TwipsToPixels(t.left, dpi);
    const int top = TwipsToPixels(t.top, dpi);
    return RECT{left, top, left + TwipsToPixels(t.width, dpi), top + TwipsToPixels(t.height, dpi)};
}

win32::UniqueFont CreateFontFor(const persist::StdFont& font, UINT dpi) {
    const LOGFONTW lf = gdi::LogFontOf(font, static_cast<int>(dpi));
    return win32::UniqueFont(CreateFontIndirectW(&lf));
}

std::unique_ptr<DecodedPicture> DecodedPicture::Decode(const persist::StdPicture& picture) {
    win32::UniqueBitmap decoded = gdi::DecodePicture(picture.bytes);
    if (!decoded) return nullptr;
    auto out = std::unique_ptr<DecodedPicture>(new DecodedPicture());
    BITMAP bm{};
    GetObjectW(decoded.get(), sizeof bm, &bm);
    out->size_ = SIZE{bm.bmWidth, bm.bmHeight};
    out->pixels_ = out->size_;
    out->bitmap_.reset(decoded.release());
    return out;
}

std::unique_ptr<DecodedPicture> DecodedPicture::ForDpi(const persist::StdPicture& picture, UINT dpi, HMODULE module) {
    gdi::ChosenBitmap chosen = gdi::DecodeForDpi(module, picture, dpi);
    if (!chosen.bitmap) return nullptr;
    auto out = std::unique_ptr<DecodedPicture>(new DecodedPicture());
    BITMAP bm{};
    GetObjectW(chosen.bitmap.get(), sizeof bm, &bm);
    out->pixels_ = SIZE{bm.bmWidth, bm.bmHeight};
    out->size_ = out->pixels_;
    if (chosen.step != gdi::PictureStep::Stored) {
        // The layout works from the stored picture's size, known from its
        // header; without one, the scale says it.
        const auto percent = static_cast<LONG>(chosen.step);
        out->size_ = picture.width > 0 && picture.height > 0
                         ? SIZE{picture.width, picture.height}
                         : SIZE{(bm.bmWidth * 100 + percent / 2) / percent, (bm.bmHeight * 100 + percent / 2) / percent};
        out->scaled_ = true;
    }
    out->bitmap_.reset(chosen.bitmap.release());
    return out;
}

void DrawOpaque(HDC dst, const RECT& rc, const DecodedPicture& picture) {
    win32::UniqueDc src(CreateCompatibleDC(dst));
    if (!src) return;
    win32::SelectGuard sel(src.get(), picture.Bitmap());
    const SIZE s = picture.Pixels();
    // An image made for a larger scale than the window's is averaged down;
    // otherwise pixels are copied as they are.
    const bool shrink = picture.Scaled() && (rc.right - rc.left < s.cx || rc.bottom - rc.top < s.cy);
    SetStretchBltMode(dst, shrink ? HALFTONE : COLORONCOLOR);
    if (shrink) SetBrushOrgEx(dst, 0, 0, nullptr);
    StretchBlt(dst, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, src.get(), 0, 0, s.cx, s.cy, SRCCOPY);
}

void DrawTransparent(HDC dst, const RECT& rc, const DecodedPicture& picture, COLORREF key) {
    // Pixels are kept or dropped, never averaged: a mix of the key colour
    // and the picture would be neither see-through nor the picture.
    const SIZE s = picture.Pixels();
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    win32::UniqueDc src(CreateCompatibleDC(dst));
    win32::UniqueDc maskDc(CreateCompatibleDC(dst));
    win32::UniqueBitmap mask(CreateBitmap(s.cx, s.cy, 1, 1, nullptr));
    if (!src || !maskDc || !mask) return;
    win32::SelectGuard selSrc(src.get(), picture.Bitmap());
    win32::SelectGuard selMask(maskDc.get(), mask.get());
    // The mask is white where the picture has the key colour.
    SetBkColor(src.get(), key);
    BitBlt(maskDc.get(), 0, 0, s.cx, s.cy, src.get(), 0, 0, SRCCOPY);
    const COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dst, RGB(255, 255, 255));
    SetStretchBltMode(dst, COLORONCOLOR);
    // dst ^ src, cleared where opaque, ^ src again: the picture where it is
    // opaque, dst untouched where it has the key colour.
    StretchBlt(dst, rc.left, rc.top, w, h, src.get(), 0, 0, s.cx, s.cy, SRCINVERT);
    StretchBlt(dst, rc.left, rc.top, w, h, maskDc.get(), 0, 0, s.cx, s.cy, SRCAND);
    StretchBlt(dst, rc.left, rc.top, w, h, src.get(), 0, 0, s.cx, s.cy, SRCINVERT);
    SetTextColor(dst, oldText);
    SetBkColor(dst, oldBk);
}

win32::UniqueIcon IconFromIcoFile(const std::vector<std::uint8_t>& ico, int size) {
    // An .ico file is an icon directory followed by its images; the
    // resource form of the directory differs, so pick the image by hand.
    if (ico.size() < 6) return {};
    const auto u16 = [&](std::size_t o) { return static_cast<unsigned>(ico[o] | (ico[o + 1] << 8)); };
    const auto u32 = [&](std::size_t o) {
        return static_cast<std::uint32_t>(ico[o] | (ico[o + 1] << 8) | (ico[o + 2] << 16) |
                                          (static_cast<std::uint32_t>(ico[o + 3]) << 24));
    };
    if (u16(0) != 0 || u16(2) != 1) return {};
    const unsigned count = u16(4);
    std::size_t best = 0;
    int bestDiff = 1 << 30;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        if (entry + 16 > ico.size()) return {};
        const int w = ico[entry] ? ico[entry] : 256;
        const int diff = std::abs(w - size);
        if (diff < bestDiff) {
            bestDiff = diff;
            best = entry;
        }
    }
    if (!best) return {};
    const std::uint32_t bytes = u32(best + 8);
    const std::uint32_t offset = u32(best + 12);
    if (offset > ico.size() || bytes > ico.size() - offset) return {};
    return win32::UniqueIcon(CreateIconFromResourceEx(const_cast<BYTE*>(ico.data() + offset), bytes, TRUE, 0x00030000, size,
                                               size, LR_DEFAULTCOLOR));
}

}  // namespace kavrel::app
