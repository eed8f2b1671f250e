#include "progressbar/gdi_canvas_win32.h"

#include <algorithm>
#include <string>

#include "progressbar/arithmetic.h"
#include "win32/contrast.h"
#include "win32/text.h"
#include "gdi/font_win32.h"

namespace kavrel::progressbar::win32 {

namespace {

RECT ToRect(const Rect& rc) { return RECT{rc.left, rc.top, rc.right, rc.bottom}; }

COLORREF ToColorRef(Colour rgb) { return static_cast<COLORREF>(rgb) & 0x00FFFFFF; }

// The font selected into a DC for as long as the selection lives.
class FontSelection final : public Canvas::Selection {
public:
    FontSelection(HDC dc, kavrel::win32::UniqueFont font) : font_(std::move(font)), select_(dc, font_.get()) {}

private:
    kavrel::win32::UniqueFont font_;
    kavrel::win32::SelectGuard select_;  // undone before the font is deleted
};

}  // namespace

void GdiCanvas::FillRect(const Rect& rc, Colour rgb) {
    kavrel::win32::UniqueBrush brush(CreateSolidBrush(ToColorRef(rgb)));
    if (!brush) return;
    const RECT r = ToRect(rc);
    ::FillRect(dc_, &r, brush.get());
}

void GdiCanvas::FrameRect(const Rect& rc, Colour rgb) {
    kavrel::win32::UniqueBrush brush(CreateSolidBrush(ToColorRef(rgb)));
    if (!brush) return;
    const RECT r = ToRect(rc);
    ::FrameRect(dc_, &r, brush.get());
}

void GdiCanvas::Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Colour rgb) {
    kavrel::win32::UniquePen pen(CreatePen(PS_SOLID, 1, ToColorRef(rgb)));
    if (!pen) return;  // a line without its pen paints nothing
    kavrel::win32::SelectGuard select(dc_, pen.get());
    if (!select) return;
    MoveToEx(dc_, x0, y0, nullptr);
    LineTo(dc_, x1, y1);
}

void GdiCanvas::SetPixel(std::int32_t x, std::int32_t y, Colour rgb) { SetPixelV(dc_, x, y, ToColorRef(rgb)); }

void GdiCanvas::DrawEdge(const Rect& rc, std::uint32_t edge, std::uint32_t borders) {
    RECT r = ToRect(rc);
    ::DrawEdge(dc_, &r, edge, borders);
}

void GdiCanvas::FillHatched(const Rect& rc, std::int32_t hatchStyle, Colour rgb) {
    kavrel::win32::UniqueBrush brush(CreateHatchBrush(hatchStyle, ToColorRef(rgb)));
    if (!brush) return;
    const RECT r = ToRect(rc);
    ::FillRect(dc_, &r, brush.get());
}

void GdiCanvas::PatternFill(const persist::StdPicture& picture, std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height) {
    gdi::PictureCache local;
    gdi::PictureCache& cache = pictures_ ? *pictures_ : local;
    const HBITMAP bitmap = cache.BitmapOf(picture);
    if (!bitmap) return;
    kavrel::win32::UniqueBrush brush(CreatePatternBrush(bitmap));
    if (!brush) return;
    kavrel::win32::SelectGuard select(dc_, brush.get());
    if (!select) return;
    PatBlt(dc_, x, y, width, height, PATCOPY);
}

void GdiCanvas::SetBackColour(Colour rgb) { SetBkColor(dc_, ToColorRef(rgb)); }

void GdiCanvas::SetTransparentBackground() { SetBkMode(dc_, TRANSPARENT); }

void GdiCanvas::SetTextColour(Colour rgb) { SetTextColor(dc_, ToColorRef(rgb)); }

std::unique_ptr<Canvas::Selection> GdiCanvas::SelectFont(const persist::StdFont& font) {
    const LOGFONTW lf = gdi::LogFontOf(font, GetDeviceCaps(dc_, LOGPIXELSY));
    kavrel::win32::UniqueFont handle(CreateFontIndirectW(&lf));
    if (!handle) return nullptr;
    return std::make_unique<FontSelection>(dc_, std::move(handle));
}

std::int32_t GdiCanvas::DrawText(std::string_view text, Rect& rc, std::uint32_t format) {
    std::wstring wide = kavrel::win32::Widen(text);
    RECT r = ToRect(rc);
    const int height = ::DrawTextW(dc_, wide.data(), static_cast<int>(wide.size()), &r, format);
    rc = Rect{r.left, r.top, r.right, r.bottom};
    return height;
}

void GdiCanvas::Blit(std::int32_t xDst, std::int32_t yDst, std::int32_t width, std::int32_t height, Canvas& source,
                     std::int32_t xSrc, std::int32_t ySrc) {
    BitBlt(dc_, xDst, yDst, width, height, reinterpret_cast<HDC>(source.Handle()), xSrc, ySrc, SRCCOPY);
}

GdiBuffer::GdiBuffer(kavrel::win32::UniqueDc dc, kavrel::win32::UniqueBitmap bitmap, kavrel::win32::SelectGuard selection, gdi::PictureCache* pictures)
    : GdiCanvas(dc.get(), pictures),
      memDc_(std::move(dc)),
      bitmap_(std::move(bitmap)),
      selection_(std::move(selection)) {}

std::unique_ptr<GdiBuffer> GdiBuffer::Create(std::int32_t width, std::int32_t height, gdi::PictureCache* pictures) {
    if (width <= 0 || height <= 0) return nullptr;
    kavrel::win32::UniqueDc screen(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
    if (!screen) return nullptr;
    kavrel::win32::UniqueDc memDc(CreateCompatibleDC(screen.get()));
    if (!memDc) return nullptr;
    kavrel::win32::UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!bitmap) return nullptr;
    kavrel::win32::SelectGuard selection(memDc.get(), bitmap.get());
    if (!selection) return nullptr;
    return std::unique_ptr<GdiBuffer>(
        new GdiBuffer(std::move(memDc), std::move(bitmap), std::move(selection), pictures));
}

Rect GdiGraphics::ClientRect(std::uintptr_t window) const {
    RECT r{};
    if (!window || !GetClientRect(reinterpret_cast<HWND>(window), &r)) return Rect{};
    return Rect{r.left, r.top, r.right, r.bottom};
}

Colour GdiGraphics::SystemColour(std::int32_t index) const {
    return static_cast<Colour>(GetSysColor(index) & 0x00FFFFFF);
}

std::unique_ptr<Canvas> GdiGraphics::CreateBuffer(std::int32_t width, std::int32_t height) {
    return GdiBuffer::Create(width, height, &pictures_);
}

bool GdiGraphics::HighContrast() const { return kavrel::win32::HighContrast(); }

}  // namespace kavrel::progressbar::win32
