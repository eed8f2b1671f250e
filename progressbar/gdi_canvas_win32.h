// The bar's drawing operations on GDI, the off-screen buffer, and the
// platform services (client rectangles, system colours).
#pragma once

#include <windows.h>

#include <memory>

#include "progressbar/canvas.h"
#include "gdi/font_win32.h"
#include "win32/handle.h"
#include "gdi/picture_win32.h"
#include "progressbar/surface.h"

namespace kavrel::progressbar::win32 {

// A Canvas on a device context that someone else owns. Every pen and brush
// is made and deleted within the call that needs it, and every selection is
// undone before the call returns.
class GdiCanvas : public Canvas {
public:
    // `pictures` decodes pattern pictures; without one each fill decodes its
    // picture anew.
    explicit GdiCanvas(HDC dc, gdi::PictureCache* pictures = nullptr) : dc_(dc), pictures_(pictures) {}

    HDC Dc() const { return dc_; }

    std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(dc_); }
    void FillRect(const Rect& rc, Colour rgb) override;
    void FrameRect(const Rect& rc, Colour rgb) override;
    void Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Colour rgb) override;
    void SetPixel(std::int32_t x, std::int32_t y, Colour rgb) override;
    void DrawEdge(const Rect& rc, std::uint32_t edge, std::uint32_t borders) override;
    void FillHatched(const Rect& rc, std::int32_t hatchStyle, Colour rgb) override;
    void PatternFill(const persist::StdPicture& picture, std::int32_t x, std::int32_t y, std::int32_t width,
                     std::int32_t height) override;
    void SetBackColour(Colour rgb) override;
    void SetTransparentBackground() override;
    void SetTextColour(Colour rgb) override;
    std::unique_ptr<Selection> SelectFont(const persist::StdFont& font) override;
    std::int32_t DrawText(std::string_view text, Rect& rc, std::uint32_t format) override;
    void Blit(std::int32_t xDst, std::int32_t yDst, std::int32_t width, std::int32_t height, Canvas& source,
              std::int32_t xSrc, std::int32_t ySrc) override;

private:
    HDC dc_;
    gdi::PictureCache* pictures_;
};

// The off-screen buffer: a memory DC compatible with the screen holding a
// bitmap of the buffer's size. Releasing it selects the DC's first bitmap
// back, deletes the buffer's bitmap, then the DC.
class GdiBuffer final : public GdiCanvas {
public:
    // Made from a screen DC (CreateDCA "DISPLAY"), which is deleted again
    // before the call returns. nullptr when a step fails; what the steps
    // before it made is released.
    static std::unique_ptr<GdiBuffer> Create(std::int32_t width, std::int32_t height, gdi::PictureCache* pictures);

    HBITMAP Bitmap() const { return bitmap_.get(); }

private:
    GdiBuffer(kavrel::win32::UniqueDc dc, kavrel::win32::UniqueBitmap bitmap, kavrel::win32::SelectGuard selection, gdi::PictureCache* pictures);

    kavrel::win32::UniqueDc memDc_;
    kavrel::win32::UniqueBitmap bitmap_;
    kavrel::win32::SelectGuard selection_;  // undone first: the first bitmap goes back in
};

// The GDI and USER services of one bar, with its picture cache.
class GdiGraphics final : public Graphics {
public:
    Rect ClientRect(std::uintptr_t window) const override;
    Colour SystemColour(std::int32_t index) const override;
    std::unique_ptr<Canvas> CreateBuffer(std::int32_t width, std::int32_t height) override;
    bool HighContrast() const override;  // the system's setting, or a test's decision
    gdi::PictureCache& Pictures() { return pictures_; }

private:
    gdi::PictureCache pictures_;
};

}  // namespace kavrel::progressbar::win32
