// XP_ProgressBar: a self-drawn progress bar with ten drawing styles, two
// orientations, optional percentage text and an off-screen buffer.
//
// The component is platform-neutral: it lives on a Surface given by its host
// and draws through Canvas and Graphics, which the Windows build implements
// on GDI (progressbar/gdi_canvas_win32.h, progressbar/bar_surface_win32.h).
//
// Every property setter first stores its field, then sends the surface's
// change notification (where the property has one), then redraws (where it
// redraws). No setter checks or limits its argument. Arithmetic failures
// reach the caller as ArithmeticError (progressbar/arithmetic.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "progressbar/arithmetic.h"
#include "progressbar/canvas.h"
#include "progressbar/colour.h"
#include "persist/property_bag.h"
#include "persist/std_objects.h"
#include "progressbar/surface.h"

namespace kavrel::progressbar {

// Values of Scrolling, the drawing style.
enum Style : std::int32_t {
    kSegmented = 0,
    kSmooth = 1,  // also every value outside 0..9
    kMarquee = 2,
    kFlat = 3,
    kEtched = 4,
    kShaded = 5,
    kDark = 6,
    kHatched = 7,
    kPicture = 8,
    kGlass = 9,
};

// Values of Orientation: 0 horizontal, any other value vertical.
inline constexpr std::int32_t kHorizontal = 0;
inline constexpr std::int32_t kVertical = 1;

class XP_ProgressBar {
public:
    // The bar keeps both references for its whole life.
    XP_ProgressBar(Surface& surface, Graphics& graphics);
    ~XP_ProgressBar();
    XP_ProgressBar(const XP_ProgressBar&) = delete;
    XP_ProgressBar& operator=(const XP_ProgressBar&) = delete;

    // ---- Lifecycle events, raised by the host surface -----------------
    // Initialise: the first call on a new instance. Default font, white
    // background, pixel scale, drawing DC and buffer, range 0..100, colour of
    // the highlight, then one redraw.
    void Initialize();
    // Resize: makes sure the off-screen buffer covers the surface (same as
    // the hdc setter); no redraw.
    void Resize();
    // Paint: one redraw.
    void Paint();
    // Terminate: the last call; releases the off-screen buffer. The bar
    // draws nothing afterwards.
    void Terminate();
    // Load: restores the stored properties, in this order: Font, BrushStyle
    // (absent: 4), Color (absent: the highlight colour), Image, Max, Min,
    // Orientation, Scrolling, ShowText, Value; the setters send their
    // notifications and redraw as when called directly, so a load redraws
    // five times. "Value" is in the units of the restored Max and Min. A
    // value that does not convert throws FormatError (key and offset), the
    // Value step may throw ArithmeticError; the steps done before keep their
    // effect.
    void ReadProperties(const persist::PropertyBag& bag);
    // Save: writes the ten keys in the same order, each only when it differs
    // from its default (Font always). "Value" is written in Value units, so
    // that a save followed by a load keeps the fill level on any range.
    void WriteProperties(persist::PropertyBag& bag) const;

    // ---- Methods -------------------------------------------------------
    // Repaints the whole control: lowers the fill level to 100 when above,
    // background, style, text, then (when buffered) one copy to the surface.
    // In high contrast (Graphics::HighContrast) every style draws the same
    // flat bar in system colours. Ends by telling the surface the level shown.
    void DrawProgressBar();
    // A one-pixel line from (X, Y) to (Width, Height): despite their names
    // the last two are the end point, which is not painted.
    void DrawLine(std::int32_t X, std::int32_t Y, std::int32_t Width, std::int32_t Height, Canvas& cHdc,
                  Colour Color);
    // N + 1 one-pixel lines from lEndColor (line 0) to lStartcolor (line N).
    // bH: vertical lines at columns X .. X + N from row Y down to row Y2 - 1,
    // N = X2; otherwise horizontal lines on rows Y .. Y + N from column X to
    // column X2 - 1, N = Y2. Both colours come back resolved to RGB.
    void DrawGradient(Colour& lEndColor, Colour& lStartcolor, std::int32_t X, std::int32_t Y, std::int32_t X2,
                      std::int32_t Y2, Canvas& hdc, bool bH);
    // Copies a rectangle of the off-screen buffer to `hdc`; a width or height
    // of 0 or less stands for the buffer's. Nothing when there is no buffer.
    void pDraw(Canvas& hdc, std::int32_t xSrc, std::int32_t ySrc, std::int32_t WidthSrc, std::int32_t HeightSrc,
               std::int32_t xDst, std::int32_t yDst);

    // ---- Properties ----------------------------------------------------
    void SetBrushStyle(std::int32_t Style);  // "BrushStyle"; shows at the next redraw (no getter)
    Colour Color() const { return mColor; }
    void SetColor(Colour lColor);  // resolved once, when set; redraws
    persist::FontRef Font() const { return mFont; }
    void SetFont(persist::FontRef fnt);  // the shared object itself; shows at the next redraw
    std::uintptr_t hwnd() const { return mHwnd; }
    void SetHwnd(std::uintptr_t chWnd);
    std::uintptr_t hdc() const;  // the DC drawn on: the buffer's, else the surface's
    void SetHdc(std::uintptr_t cHdc);  // the argument is not used: rebuilds the drawing DC
    persist::PictureRef Image() const { return mImage; }
    void SetImage(persist::PictureRef handle);  // "Image"; redraws
    std::int32_t Min() const { return mMin; }
    void SetMin(std::int32_t cMin);  // "Min"; no redraw, no rescaling
    std::int32_t Max() const { return mMax; }
    void SetMax(std::int32_t cMax);  // "Max"; no redraw, no rescaling
    std::int32_t Orientation() const { return mOrientation; }
    void SetOrientation(std::int32_t cOrientation);  // "Orientation"; redraws
    std::int32_t Scrolling() const { return mScrolling; }
    void SetScrolling(std::int32_t lScrolling);  // "Scrolling"; redraws
    bool ShowText() const { return mShowText; }
    void SetShowText(bool bShowText);  // "ShowText"; redraws
    std::int32_t Value() const;        // may throw OverflowError
    void SetValue(std::int32_t cValue);  // may throw ArithmeticError; redraws

    // Late-bound access to the integer properties by name, without regard to
    // case, as the window's code uses them: BrushStyle (write only), Color,
    // Min, Max, Orientation, Scrolling, ShowText (True -1, False 0) and
    // Value. Throws std::invalid_argument for any other name.
    std::int32_t GetProperty(std::string_view name) const;
    void SetProperty(std::string_view name, std::int32_t value);

    // ---- Read-only views for tools and tests ---------------------------
    std::int32_t Percent() const { return mPercent; }
    const Canvas* Buffer() const { return mMemDC.get(); }
    std::int32_t BufferWidth() const { return mBufWidth; }
    std::int32_t BufferHeight() const { return mBufHeight; }
    bool Buffered() const { return mBuffered; }
    const Rect& TextRect() const { return rcText; }

private:
    // Colour operations; the arithmetic itself is in progressbar/colour.h.
    Colour ResolveColor(Colour colour) const;
    Colour BlendColors(Colour a, Colour b, std::int32_t weight) const;
    void FillRectColor(const Rect& rc, Colour colour, Canvas& dc);
    void FrameRectColor(const Rect& rc, Colour rgb, Canvas& dc);

    // The off-screen buffer.
    Canvas* EnsureBuffer(std::int32_t width, std::int32_t height);
    void CreateBuffer(std::int32_t width, std::int32_t height);
    void DestroyBuffer();

    // Rendering.
    std::int32_t DrawnPercent() const;
    void DrawStyleFlat();
    void DrawStyleEtched();
    void DrawStyleGradient();
    void DrawStyleDark();
    void DrawStyleHatch();
    void DrawStylePicture();
    void DrawStyleGlass();
    void DrawStyle();  // background, the style of Scrolling, text
    void DrawHighContrast();
    void CalcFillRect();
    void DrawXPFill();
    void DrawBlockGaps();
    void DrawXPFrame();
    void DrawBarText();
    void CenterTextRect(std::string_view text);
    void DrawOverlayText(std::string_view text);
    std::int32_t Width() const { return rcClient.right; }
    std::int32_t Height() const { return rcClient.bottom; }

    Surface& mSurface;
    Graphics& mGraphics;

    Colour mColor = 0;           // always RGB
    Canvas* mDrawDC = nullptr;   // the buffer when there is one, else the surface's DC
    std::uintptr_t mHwnd = 0;    // window whose client rectangle is drawn
    std::int32_t mMax = 0;
    std::int32_t mMin = 0;
    std::int32_t mPercent = 0;   // at most 100 after a redraw; no lower bound
    bool mShowText = false;
    std::int32_t mScrolling = 0;
    std::int32_t mOrientation = 0;
    std::int32_t mBrushStyle = 0;
    persist::PictureRef mImage;
    bool mBuffered = false;      // set the first time a buffer is made, never cleared
    // The off-screen buffer: a memory DC holding its own bitmap, which the
    // buffer selects out again and deletes, with the DC, when it is released.
    std::unique_ptr<Canvas> mMemDC;
    persist::FontRef mTextFont;           // the font of the last text drawn
    persist::FontRef mFont;
    std::int32_t mBufWidth = 0;
    std::int32_t mBufHeight = 0;
    double mFraction = 0.0;
    Rect rcClient;
    Rect rcFill;
    Rect rcBlock;
    Rect rcText;                 // kept from one redraw to the next
    std::int32_t mBlockWidth = 0;
    std::int32_t mBlockGap = 0;
};

}  // namespace kavrel::progressbar
