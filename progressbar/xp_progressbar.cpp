// The component's model: fields, properties, lifecycle, the off-screen
// buffer and the drawing primitives. The styles are in
// xp_progressbar_render.cpp.
#include "progressbar/xp_progressbar.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "base/text.h"

namespace kavrel::progressbar {

namespace {

std::int32_t Clamp32(std::int64_t n) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

constexpr std::int32_t kTrue = -1;
constexpr std::int32_t kFalse = 0;

}  // namespace

XP_ProgressBar::XP_ProgressBar(Surface& surface, Graphics& graphics) : mSurface(surface), mGraphics(graphics) {}

XP_ProgressBar::~XP_ProgressBar() = default;

// ---- Lifecycle ----------------------------------------------------------

void XP_ProgressBar::Initialize() {
    SetFont(std::make_shared<persist::StdFont>());
    mSurface.SetBackColor(kWhite);
    mSurface.SetScaleMode(kScalePixels);
    SetHdc(mSurface.DeviceContext().Handle());
    SetHwnd(mSurface.WindowHandle());
    mMax = 100;
    mMin = 0;
    mPercent = 0;
    mOrientation = kHorizontal;
    mScrolling = kSegmented;
    mColor = ResolveColor(kHighlightColourRef);
    DrawProgressBar();
}

void XP_ProgressBar::Resize() { SetHdc(mSurface.DeviceContext().Handle()); }

void XP_ProgressBar::Paint() { DrawProgressBar(); }

void XP_ProgressBar::Terminate() {
    DestroyBuffer();
    mDrawDC = nullptr;
}

// ---- Properties ---------------------------------------------------------

void XP_ProgressBar::SetBrushStyle(std::int32_t Style) {
    mBrushStyle = Style;
    mSurface.PropertyChanged("BrushStyle");
}

void XP_ProgressBar::SetColor(Colour lColor) {
    mColor = ResolveColor(lColor);
    DrawProgressBar();
}

void XP_ProgressBar::SetFont(persist::FontRef fnt) { mFont = std::move(fnt); }

void XP_ProgressBar::SetHwnd(std::uintptr_t chWnd) { mHwnd = chWnd; }

std::uintptr_t XP_ProgressBar::hdc() const { return mDrawDC ? mDrawDC->Handle() : 0; }

void XP_ProgressBar::SetHdc(std::uintptr_t /*cHdc*/) {
    const std::int32_t width = NearestInt32(mSurface.ScaleWidth(), "ScaleWidth");
    const std::int32_t height = NearestInt32(mSurface.ScaleHeight(), "ScaleHeight");
    if (Canvas* buffer = EnsureBuffer(width, height)) {
        mDrawDC = buffer;
        mBuffered = true;
    } else {
        mDrawDC = &mSurface.DeviceContext();
    }
}

void XP_ProgressBar::SetImage(persist::PictureRef handle) {
    mImage = std::move(handle);
    mSurface.PropertyChanged("Image");
    DrawProgressBar();
}

void XP_ProgressBar::SetMin(std::int32_t cMin) {
    mMin = cMin;
    mSurface.PropertyChanged("Min");
}

void XP_ProgressBar::SetMax(std::int32_t cMax) {
    mMax = cMax;
    mSurface.PropertyChanged("Max");
}

void XP_ProgressBar::SetOrientation(std::int32_t cOrientation) {
    mOrientation = cOrientation;
    mSurface.PropertyChanged("Orientation");
    DrawProgressBar();
}

void XP_ProgressBar::SetScrolling(std::int32_t lScrolling) {
    mScrolling = lScrolling;
    mSurface.PropertyChanged("Scrolling");
    DrawProgressBar();
}

void XP_ProgressBar::SetShowText(bool bShowText) {
    mShowText = bShowText;
    mSurface.PropertyChanged("ShowText");
    DrawProgressBar();
}

std::int32_t XP_ProgressBar::Value() const { return ValueFromPercent(mPercent, mMin, mMax); }

void XP_ProgressBar::SetValue(std::int32_t cValue) {
    // Computed before anything is stored: a failed conversion leaves the
    // fill level as it was and draws nothing.
    mPercent = PercentFromValue(cValue, mMin, mMax);
    DrawProgressBar();
}

std::int32_t XP_ProgressBar::GetProperty(std::string_view name) const {
    if (base::EqualsNoCase(name, "Color")) return mColor;
    if (base::EqualsNoCase(name, "Min")) return mMin;
    if (base::EqualsNoCase(name, "Max")) return mMax;
    if (base::EqualsNoCase(name, "Orientation")) return mOrientation;
    if (base::EqualsNoCase(name, "Scrolling")) return mScrolling;
    if (base::EqualsNoCase(name, "ShowText")) return mShowText ? kTrue : kFalse;
    if (base::EqualsNoCase(name, "Value")) return Value();
    throw std::invalid_argument("XP_ProgressBar has no readable integer property \"" + std::string(name) + "\"");
}

void XP_ProgressBar::SetProperty(std::string_view name, std::int32_t value) {
    if (base::EqualsNoCase(name, "BrushStyle")) return SetBrushStyle(value);
    if (base::EqualsNoCase(name, "Color")) return SetColor(value);
    if (base::EqualsNoCase(name, "Min")) return SetMin(value);
    if (base::EqualsNoCase(name, "Max")) return SetMax(value);
    if (base::EqualsNoCase(name, "Orientation")) return SetOrientation(value);
    if (base::EqualsNoCase(name, "Scrolling")) return SetScrolling(value);
    if (base::EqualsNoCase(name, "ShowText")) return SetShowText(value != kFalse);
    if (base::EqualsNoCase(name, "Value")) return SetValue(value);
    throw std::invalid_argument("XP_ProgressBar has no writable integer property \"" + std::string(name) + "\"");
}

// ---- Colours and primitives ---------------------------------------------

Colour XP_ProgressBar::ResolveColor(Colour colour) const {
    return IsSystemColour(colour) ? mGraphics.SystemColour(SystemColourIndex(colour)) : colour;
}

Colour XP_ProgressBar::BlendColors(Colour a, Colour b, std::int32_t weight) const {
    return progressbar::BlendColors(ResolveColor(a), ResolveColor(b), weight);
}

void XP_ProgressBar::FillRectColor(const Rect& rc, Colour colour, Canvas& dc) {
    dc.FillRect(rc, ResolveColor(colour));
}

void XP_ProgressBar::FrameRectColor(const Rect& rc, Colour rgb, Canvas& dc) { dc.FrameRect(rc, rgb); }

void XP_ProgressBar::DrawLine(std::int32_t X, std::int32_t Y, std::int32_t Width, std::int32_t Height, Canvas& cHdc,
                              Colour Color) {
    cHdc.Line(X, Y, Width, Height, ResolveColor(Color));
}

void XP_ProgressBar::DrawGradient(Colour& lEndColor, Colour& lStartcolor, std::int32_t X, std::int32_t Y,
                                  std::int32_t X2, std::int32_t Y2, Canvas& hdc, bool bH) {
    lEndColor = ResolveColor(lEndColor);
    lStartcolor = ResolveColor(lStartcolor);
    const std::int32_t steps = bH ? X2 : Y2;
    const ColourRamp ramp(lEndColor, lStartcolor, steps);
    for (std::int64_t i = 0; i <= steps; ++i) {
        const Colour colour = ramp.At(static_cast<std::int32_t>(i));
        if (bH) {
            const std::int32_t x = Clamp32(X + i);
            DrawLine(x, Y, x, Y2, hdc, colour);
        } else {
            const std::int32_t y = Clamp32(Y + i);
            DrawLine(X, y, X2, y, hdc, colour);
        }
    }
}

void XP_ProgressBar::pDraw(Canvas& hdc, std::int32_t xSrc, std::int32_t ySrc, std::int32_t WidthSrc,
                           std::int32_t HeightSrc, std::int32_t xDst, std::int32_t yDst) {
    if (!mMemDC) return;
    if (WidthSrc <= 0) WidthSrc = mBufWidth;
    if (HeightSrc <= 0) HeightSrc = mBufHeight;
    hdc.Blit(xDst, yDst, WidthSrc, HeightSrc, *mMemDC, xSrc, ySrc);
}

// ---- Off-screen buffer --------------------------------------------------

Canvas* XP_ProgressBar::EnsureBuffer(std::int32_t width, std::int32_t height) {
    // A request with no area never makes or replaces a buffer: a bitmap of
    // zero height or width would come back as a 1 x 1 monochrome one.
    if (width > 0 && height > 0 && (!mMemDC || width > mBufWidth || height > mBufHeight)) {
        CreateBuffer(width, height);
    }
    return mMemDC.get();
}

void XP_ProgressBar::CreateBuffer(std::int32_t width, std::int32_t height) {
    DestroyBuffer();
    if (width <= 0 || height <= 0) return;
    if (auto buffer = mGraphics.CreateBuffer(width, height)) {
        mMemDC = std::move(buffer);
        mBufWidth = width;
        mBufHeight = height;
    }
}

void XP_ProgressBar::DestroyBuffer() {
    // Nothing may go on drawing into a released buffer; the hdc setter picks
    // the next drawing DC.
    if (mMemDC && mDrawDC == mMemDC.get()) mDrawDC = nullptr;
    mMemDC.reset();
    mBufWidth = 0;
    mBufHeight = 0;
}

}  // namespace kavrel::progressbar
