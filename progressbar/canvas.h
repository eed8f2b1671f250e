// What the progress bar draws on: a device context with the few GDI-like
// operations the bar's styles are made of. The Windows implementation
// passes each call to the GDI function of the same meaning, so the pixels
// are GDI's own: lines without their end point, rectangles with exclusive
// right and bottom edges, GDI's hatch patterns and edges.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "progressbar/colour.h"
#include "persist/std_objects.h"

namespace kavrel::progressbar {

// Left, top, right, bottom; right and bottom exclusive.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const Rect&) const = default;
};

// Edge kinds and border flags of DrawEdge, with GDI's values.
inline constexpr std::uint32_t kEdgeSunkenOuter = 0x0002;  // BDR_SUNKENOUTER
inline constexpr std::uint32_t kEdgeEtched = 0x0006;       // EDGE_ETCHED
inline constexpr std::uint32_t kEdgeBump = 0x0009;         // EDGE_BUMP
inline constexpr std::uint32_t kBorderRect = 0x000F;       // BF_RECT

// Text formats of DrawText, with GDI's values.
inline constexpr std::uint32_t kTextBottom = 0x0008;      // DT_BOTTOM (with DT_SINGLELINE)
inline constexpr std::uint32_t kTextSingleLine = 0x0020;  // DT_SINGLELINE
inline constexpr std::uint32_t kTextCalcRect = 0x0400;    // DT_CALCRECT

class Canvas {
public:
    // Something selected into the device context; destroying it selects the
    // previous object back (and deletes what the selection made).
    class Selection {
    public:
        virtual ~Selection() = default;
    };

    virtual ~Canvas() = default;

    // The native device context handle (an HDC on Windows).
    virtual std::uintptr_t Handle() const = 0;

    // A solid brush of the RGB colour, made and deleted within the call.
    virtual void FillRect(const Rect& rc, Colour rgb) = 0;
    virtual void FrameRect(const Rect& rc, Colour rgb) = 0;
    // A one-pixel solid pen from (x0, y0) to (x1, y1), end point not painted.
    virtual void Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Colour rgb) = 0;
    virtual void SetPixel(std::int32_t x, std::int32_t y, Colour rgb) = 0;
    virtual void DrawEdge(const Rect& rc, std::uint32_t edge, std::uint32_t borders) = 0;
    // A hatch brush of the style and colour; a style the platform refuses
    // paints nothing. The gaps take the background colour and mode.
    virtual void FillHatched(const Rect& rc, std::int32_t hatchStyle, Colour rgb) = 0;
    // Tiles the picture as a pattern brush over the rectangle at (x, y) of
    // the given width and height (PATCOPY; negative extents go left/up). A
    // picture that cannot be decoded paints nothing.
    virtual void PatternFill(const persist::StdPicture& picture, std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height) = 0;

    virtual void SetBackColour(Colour rgb) = 0;
    virtual void SetTransparentBackground() = 0;  // SetBkMode(TRANSPARENT); stays set
    virtual void SetTextColour(Colour rgb) = 0;
    virtual std::unique_ptr<Selection> SelectFont(const persist::StdFont& font) = 0;
    // DrawText with the selected font: with kTextCalcRect it measures and
    // updates rc instead of drawing. Returns the text height.
    virtual std::int32_t DrawText(std::string_view text, Rect& rc, std::uint32_t format) = 0;

    // Copies width x height pixels of `source` at (xSrc, ySrc) to (xDst, yDst).
    virtual void Blit(std::int32_t xDst, std::int32_t yDst, std::int32_t width, std::int32_t height, Canvas& source,
                      std::int32_t xSrc, std::int32_t ySrc) = 0;
};

}  // namespace kavrel::progressbar
