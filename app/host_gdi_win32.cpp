#include "app/host_gdi_win32.h"

#include <ole2.h>
#include <olectl.h>

#include <cmath>
#include <cstring>

namespace kavrel::app {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

UINT DpiOfWindow(HWND hwnd) {
    // GetDpiForWindow exists from Windows 10 on; before, the system DPI.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && hwnd) {
        const UINT dpi = getDpi(hwnd);
        if (dpi) return dpi;
    }
    WindowDc dc(nullptr);
    const int dpi = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

RECT ToPixels(const TwipsRect& t, UINT dpi) {
    const int left = TwipsToPixels(t.left, dpi);
    const int top = TwipsToPixels(t.top, dpi);
    return RECT{left, top, left + TwipsToPixels(t.width, dpi), top + TwipsToPixels(t.height, dpi)};
}

UniqueFont CreateFontFor(const progressbar::StdFont& font, UINT dpi) {
    LOGFONTW lf{};
    // Sizes are in ten-thousandths of a point; a negative height asks for
    // the character height, as point sizes mean.
    lf.lfHeight = -static_cast<LONG>(std::lround(static_cast<double>(font.size) * dpi / (72.0 * 10000.0)));
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic;
    lf.lfUnderline = font.underline;
    lf.lfStrikeOut = font.strikethrough;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = Widen(font.name);
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    return UniqueFont(CreateFontIndirectW(&lf));
}

std::unique_ptr<DecodedPicture> DecodedPicture::Decode(const progressbar::StdPicture& picture) {
    if (picture.bytes.empty()) return nullptr;
    // The picture object of the system decodes BMP and JPEG files from a
    // stream over a global memory block.
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, picture.bytes.size());
    if (!mem) return nullptr;
    if (void* p = GlobalLock(mem)) {
        std::memcpy(p, picture.bytes.data(), picture.bytes.size());
        GlobalUnlock(mem);
    }
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(mem, TRUE, stream.put()))) {  // the stream frees the block
        GlobalFree(mem);
        return nullptr;
    }
    ComPtr<IPicture> pic;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(picture.bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(pic.put())))) {
        return nullptr;
    }
    SHORT type = PICTYPE_UNINITIALIZED;
    pic->get_Type(&type);
    OLE_HANDLE handle = 0;
    if (type != PICTYPE_BITMAP || FAILED(pic->get_Handle(&handle)) || !handle) return nullptr;
    // The picture object owns its bitmap: keep a copy of our own.
    auto out = std::unique_ptr<DecodedPicture>(new DecodedPicture());
    out->bitmap_.reset(static_cast<HBITMAP>(CopyImage(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)),
                                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!out->bitmap_) return nullptr;
    BITMAP bm{};
    GetObjectW(out->bitmap_.get(), sizeof bm, &bm);
    out->size_ = SIZE{bm.bmWidth, bm.bmHeight};
    return out;
}

void DrawOpaque(HDC dst, const RECT& rc, const DecodedPicture& picture) {
    UniqueMemoryDc src(CreateCompatibleDC(dst));
    if (!src) return;
    SelectGuard sel(src.get(), picture.Bitmap());
    const SIZE s = picture.Size();
    SetStretchBltMode(dst, COLORONCOLOR);
    StretchBlt(dst, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, src.get(), 0, 0, s.cx, s.cy, SRCCOPY);
}

void DrawTransparent(HDC dst, const RECT& rc, const DecodedPicture& picture, COLORREF key) {
    const SIZE s = picture.Size();
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    UniqueMemoryDc src(CreateCompatibleDC(dst));
    UniqueMemoryDc maskDc(CreateCompatibleDC(dst));
    UniqueBitmap mask(CreateBitmap(s.cx, s.cy, 1, 1, nullptr));
    if (!src || !maskDc || !mask) return;
    SelectGuard selSrc(src.get(), picture.Bitmap());
    SelectGuard selMask(maskDc.get(), mask.get());
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

UniqueIcon IconFromIcoFile(const std::vector<std::uint8_t>& ico, int size) {
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
    return UniqueIcon(CreateIconFromResourceEx(const_cast<BYTE*>(ico.data() + offset), bytes, TRUE, 0x00030000, size,
                                               size, LR_DEFAULTCOLOR));
}

}  // namespace kavrel::app
