// DrawProgressBar and the ten styles. W and H are the client width and
// height (rcClient's right and bottom); p is the fill level in percent after
// the redraw's clamp. "/" is double-precision division, and every double
// that becomes a coordinate is rounded with halves to even.
#include <algorithm>
#include <string>

#include "progressbar/xp_progressbar.h"

namespace kavrel::progressbar {

namespace {

// Frame and corner colours of the XP-like frame.
constexpr Colour kFrameShadow = 0xBEBEBE;
constexpr Colour kFrameLight = 0xEFEFEF;
constexpr Colour kFrameOutline = 0x686868;

struct CornerPixel {
    bool fromRight;   // x counted from the right edge (W - dx) instead of the left
    std::int32_t dx;
    bool fromBottom;  // y counted from the bottom edge (H - dy)
    std::int32_t dy;
    Colour colour;
};

// The four corners are not mirror images of each other.
constexpr CornerPixel kCornerPixels[] = {
    {false, 0, false, 0, 0xFFFFFF}, {false, 0, false, 1, 0xA6ABAC}, {false, 0, false, 2, 0x7D7E7F},
    {false, 1, false, 0, 0xA7ABAC}, {false, 1, false, 1, 0x777777}, {false, 2, false, 0, 0x7D7E7F},
    {false, 2, false, 2, 0xBEBEBE}, {false, 0, true, 1, 0xFFFFFF},  {false, 1, true, 1, 0xA6ABAC},
    {false, 2, true, 1, 0x7D7E7F},  {false, 0, true, 3, 0x7D7E7F},  {false, 0, true, 2, 0xA7ABAC},
    {false, 1, true, 2, 0x777777},  {true, 1, false, 0, 0xFFFFFF},  {true, 1, false, 1, 0xBEBEBE},
    {true, 1, false, 2, 0x7D7E7F},  {true, 2, false, 2, 0xBEBEBE},  {true, 2, false, 1, 0x686868},
    {true, 1, true, 1, 0xFFFFFF},   {true, 1, true, 2, 0xBEBEBE},   {true, 1, true, 3, 0x7D7E7F},
    {true, 2, true, 2, 0x777777},   {true, 2, true, 1, 0xBEBEBE},   {true, 3, true, 1, 0x7D7E7F},
};

constexpr const char* kMarqueeText = "Searching..";

// Below -100 % every fill is empty or lies wholly left of the bar, so the
// geometry is the same as at -100 %; drawing with the real level would only
// push coordinates out of 32 bits and ramps to billions of lines.
constexpr std::int32_t kLowestDrawnPercent = -100;

std::int32_t Nearest(double x) { return NearestInt32(x, "drawing coordinate"); }

}  // namespace

std::int32_t XP_ProgressBar::DrawnPercent() const { return std::max(mPercent, kLowestDrawnPercent); }

void XP_ProgressBar::DrawProgressBar() {
    if (mPercent > 100) mPercent = 100;
    if (!mDrawDC) return;  // not initialised yet, or terminated
    rcClient = mGraphics.ClientRect(mHwnd);
    if (mGraphics.HighContrast()) {
        DrawHighContrast();
    } else {
        DrawStyle();
    }

    if (mBuffered) {
        pDraw(mSurface.DeviceContext(), 0, 0, NearestInt32(mSurface.ScaleWidth(), "ScaleWidth"),
              NearestInt32(mSurface.ScaleHeight(), "ScaleHeight"), NearestInt32(mSurface.ScaleLeft(), "ScaleLeft"),
              NearestInt32(mSurface.ScaleTop(), "ScaleTop"));
    }
    mSurface.LevelShown(mPercent);
}

void XP_ProgressBar::DrawStyle() {
    FillRectColor(rcClient, mScrolling == kDark ? kBlack : kWhite, *mDrawDC);

    switch (mScrolling) {
    case kFlat: DrawStyleFlat(); break;
    case kEtched: DrawStyleEtched(); break;
    case kShaded: DrawStyleGradient(); break;
    case kDark: DrawStyleDark(); break;
    case kHatched: DrawStyleHatch(); break;
    case kPicture: DrawStylePicture(); break;
    case kGlass: DrawStyleGlass(); break;
    default:
        CalcFillRect();
        DrawXPFill();
        if (mScrolling == kSegmented) DrawBlockGaps();
        DrawXPFrame();
        break;
    }
    DrawBarText();
}

// ---- High contrast ------------------------------------------------------

// Nothing of the bar's own colours or shading, whatever the style: the
// window colour behind, a flat fill in the highlight colour, a one-pixel
// frame in the window text colour; the text in the window text colour, and
// where it lies over the fill in the highlight text colour.
void XP_ProgressBar::DrawHighContrast() {
    const Colour window = mGraphics.SystemColour(kSystemWindow);
    const Colour windowText = mGraphics.SystemColour(kSystemWindowText);
    const std::int32_t W = Width(), H = Height();
    FillRectColor(rcClient, window, *mDrawDC);
    const double level = std::clamp(mPercent, 0, 100) / 100.0;
    if (mOrientation == kHorizontal) {
        rcFill = {1, 1, 1 + Nearest(level * (W - 2)), H - 1};
    } else {
        rcFill = {1, H - 1 - Nearest(level * (H - 2)), W - 1, H - 1};
    }
    if (rcFill.right > rcFill.left && rcFill.bottom > rcFill.top) {
        FillRectColor(rcFill, mGraphics.SystemColour(kSystemHighlight), *mDrawDC);
    }
    FrameRectColor(rcClient, windowText, *mDrawDC);
    if (!mShowText) return;

    const std::string text = mScrolling == kMarquee ? kMarqueeText : std::to_string(mPercent) + " %";
    mTextFont = mFont;
    const auto font = mTextFont ? mDrawDC->SelectFont(*mTextFont) : nullptr;
    mDrawDC->SetTransparentBackground();
    mDrawDC->SetTextColour(windowText);
    CenterTextRect(text);
    // Bottom-aligned, so that the clipped second pass puts every glyph where
    // the first one did.
    mDrawDC->DrawText(text, rcText, kTextSingleLine | kTextBottom);
    Rect over = rcText;
    over.right = std::min(over.right, rcFill.right);
    over.top = std::max(over.top, rcFill.top);
    if (over.right <= over.left || over.bottom <= over.top) return;
    mDrawDC->SetTextColour(mGraphics.SystemColour(kSystemHighlightText));
    mDrawDC->DrawText(text, over, kTextSingleLine | kTextBottom);
}

// ---- Styles with their own frame ----------------------------------------

void XP_ProgressBar::DrawStyleFlat() {
    const double p = DrawnPercent();
    FrameRectColor(rcClient, LightenColor(mColor, 100), *mDrawDC);
    rcFill = {1, 1, Nearest(p / 100 * Width()), Height() - 1};
    FillRectColor(rcFill, LightenColor(mColor, 180), *mDrawDC);
}

void XP_ProgressBar::DrawStyleEtched() {
    const double p = DrawnPercent();
    mDrawDC->DrawEdge(rcClient, kEdgeEtched, kBorderRect);
    const std::int32_t n = Nearest(p / 100 * (Width() - 4));
    // The ramp always spans exactly the filled width.
    Colour left = LightenColor(mColor, 140), edge = LightenColor(mColor, 200);
    DrawGradient(left, edge, 2, 2, n, Height() - 3, *mDrawDC, true);
}

void XP_ProgressBar::DrawStyleGradient() {
    const double p = DrawnPercent();
    const std::int32_t W = Width(), H = Height();
    FrameRectColor(rcClient, LightenColor(mColor, 10), *mDrawDC);
    rcFill.right = Nearest(p / 101 * W);
    // The whole track, whatever the value: colour at the top, light below.
    Colour top = mColor, bottom = LightenColor(mColor, 100);
    DrawGradient(top, bottom, 2, 2, W - 2, H - 5, *mDrawDC, false);
    // The fill: near-white at the top, the colour at the bottom.
    Colour fillTop = LightenColor(mColor, 250), fillBottom = mColor;
    DrawGradient(fillTop, fillBottom, 3, 3, rcFill.right, H - 6, *mDrawDC, false);
    DrawLine(rcFill.right, 2, rcFill.right, H - 2, *mDrawDC, LightenColor(mColor, 25));
}

void XP_ProgressBar::DrawStyleDark() {
    const double p = DrawnPercent();
    FrameRectColor(rcClient, BlendColors(mColor, kBlack, 200), *mDrawDC);
    Colour edge = LightenColor(BlendColors(mColor, kBlack, 100), 10);
    const std::int32_t n = Nearest(p / 100 * (Width() - 5));
    Colour left = kBlack;
    DrawGradient(left, edge, 2, 2, n, Height() - 2, *mDrawDC, true);
}

void XP_ProgressBar::DrawStyleHatch() {
    const double p = DrawnPercent();
    mDrawDC->DrawEdge(rcClient, kEdgeBump, kBorderRect);
    rcFill = {2, 2, Nearest(p / 101 * Width()), Height() - 2};
    // Between the hatch lines: this colour while the DC's background mode is
    // opaque; once text has been drawn the mode stays transparent and the
    // white background shows through instead.
    mDrawDC->SetBackColour(LightenColor(mColor, 140));
    // The style is a 16-bit hatch index. One outside 16 bits is an index no
    // platform accepts: like any refused index it fills nothing, and the rest
    // of the redraw goes on.
    if (mBrushStyle >= -32768 && mBrushStyle <= 32767) {
        mDrawDC->FillHatched(rcFill, static_cast<std::int16_t>(mBrushStyle), mColor);
    }
}

void XP_ProgressBar::DrawStylePicture() {
    const double p = DrawnPercent();
    mDrawDC->DrawEdge(rcClient, kEdgeSunkenOuter, kBorderRect);
    if (!mImage) return;
    rcFill.right = Nearest(p / 101 * Width());
    // The width passed is the fill edge itself, so the tiles cover columns
    // 2 .. rcFill.right + 1.
    mDrawDC->PatternFill(*mImage, 2, 2, rcFill.right, Height() - 4);
}

void XP_ProgressBar::DrawStyleGlass() {
    const double p = DrawnPercent();
    const std::int32_t W = Width(), H = Height();
    rcFill.right = Nearest(p / 100 * (W - 4));
    const std::int32_t h = Nearest((H - 3) / 2.0);
    Colour white = kWhite, silver = kSilver;
    DrawGradient(white, silver, 2, 2, W - 3, h, *mDrawDC, false);
    Colour lowerTop = BlendColors(kSilver, kBlack, 255), lowerBottom = kSilver;
    DrawGradient(lowerTop, lowerBottom, 2, h, W - 3, h, *mDrawDC, false);
    Colour upperLight = LightenColor(mColor, 150), upperDark = BlendColors(mColor, kBlack, 180);
    DrawGradient(upperLight, upperDark, 2, 2, rcFill.right, h, *mDrawDC, false);
    Colour lowerDark = BlendColors(mColor, kBlack, 190), lowerColour = mColor;
    DrawGradient(lowerDark, lowerColour, 2, h, rcFill.right, h, *mDrawDC, false);
    rcClient.left += 3;  // DrawXPFrame takes it back off
    DrawXPFrame();
}

// ---- XP-like styles: segmented, smooth, marquee ---------------------------

void XP_ProgressBar::CalcFillRect() {
    mBlockWidth = mScrolling == kSegmented ? 6 : 0;
    mBlockGap = 2;
    const std::int32_t pitch = mBlockWidth + mBlockGap;
    rcClient.left += 3;  // until DrawXPFrame
    rcFill = rcClient;
    // Full from 98 % on.
    mFraction = DrawnPercent() / 98.0;
    if (mFraction < 0) mFraction = 0;
    if (mOrientation == kHorizontal) {
        const std::int32_t left = rcClient.left;
        const std::int32_t x = Nearest(static_cast<double>(Width() - left) * mFraction + left);
        // Snapped down to a whole number of pitches counted from the left.
        rcFill.right = x - (x - rcFill.left) % pitch;
        if (rcFill.right < rcClient.left) rcFill.right = rcClient.left;
    } else {
        mFraction = 1 - mFraction;
        const std::int32_t y = Nearest(Height() * mFraction);
        // The remainder is zero or negative: the top moves down to a whole
        // number of pitches counted from the bottom.
        rcFill.top = y - (y - rcFill.bottom) % pitch;
        if (rcFill.top > Height()) rcFill.top = Height();
    }
}

void XP_ProgressBar::DrawXPFill() {
    const double p = DrawnPercent();
    const std::int32_t W = Width(), H = Height();
    const std::int32_t pitch = mBlockGap + 10;  // between marquee blocks
    if (mOrientation == kHorizontal) {
        if (rcFill.right <= 14) rcFill.right = 12;  // a stub stays visible at 0 %
        const std::int32_t e = rcFill.right + 4 > W ? rcFill.right - 4 : rcFill.right;
        if (mScrolling == kMarquee) {
            for (std::int32_t k = 0; k < 3; ++k) {
                const std::int32_t x = Nearest(rcFill.right + pitch * k - (100 - p) / 100 * 45);
                Colour first = LightenColor(mColor, 220 - 40 * k), last = LightenColor(mColor, 200 - 40 * k);
                DrawGradient(first, last, x, 3, 9, H - 2, *mDrawDC, true);
            }
            return;
        }
        Colour light = LightenColor(mColor, 150), colour = mColor;
        DrawGradient(light, colour, 4, 3, e, 6, *mDrawDC, false);
        FillRectColor({4, 8, e, H - 8}, mColor, *mDrawDC);
        DrawGradient(colour, light, 4, H - 10, e, 6, *mDrawDC, false);
        return;
    }
    if (mScrolling == kMarquee) {
        for (std::int32_t k = 0; k < 3; ++k) {
            const std::int32_t y = rcFill.top + pitch * k;
            Colour first = LightenColor(mColor, 220 - 40 * k), last = LightenColor(mColor, 200 - 40 * k);
            DrawGradient(first, last, W - 2, y, 2, 9, *mDrawDC, false);
        }
        return;
    }
    Colour light = LightenColor(mColor, 150), colour = mColor;
    DrawGradient(light, colour, 4, rcFill.top, 4, H, *mDrawDC, true);
    FillRectColor({9, rcFill.top, W - 8, H}, mColor, *mDrawDC);
    DrawGradient(colour, light, W - 8, rcFill.top, 4, H, *mDrawDC, true);
}

void XP_ProgressBar::DrawBlockGaps() {
    const std::int32_t pitch = mBlockWidth + mBlockGap;
    rcBlock = rcClient;
    if (mOrientation == kHorizontal) {
        for (std::int32_t x = rcFill.left + mBlockWidth; x <= rcFill.right; x += pitch) {
            rcBlock.left = x + 1;
            rcBlock.right = x + 1 + mBlockGap;
            FillRectColor(rcBlock, kWhite, *mDrawDC);
        }
    } else {
        for (std::int32_t y = rcFill.bottom; y >= rcFill.top + mBlockWidth; y -= pitch) {
            rcBlock.top = y - 2;
            rcBlock.bottom = y - 2 + mBlockGap;
            FillRectColor(rcBlock, kWhite, *mDrawDC);
        }
    }
}

void XP_ProgressBar::DrawXPFrame() {
    rcClient.left -= 3;
    const std::int32_t W = Width(), H = Height();
    DrawLine(2, 1, W - 2, 1, *mDrawDC, kFrameShadow);
    DrawLine(2, H - 2, W - 2, H - 2, *mDrawDC, kFrameLight);
    DrawLine(1, 2, 1, H - 2, *mDrawDC, kFrameShadow);
    DrawLine(2, 2, 2, H - 2, *mDrawDC, kFrameLight);
    DrawLine(2, 2, W - 2, 2, *mDrawDC, kFrameLight);
    DrawLine(W - 2, 2, W - 2, H - 2, *mDrawDC, kFrameLight);
    FrameRectColor(rcClient, kFrameOutline, *mDrawDC);
    for (const CornerPixel& c : kCornerPixels) {
        mDrawDC->SetPixel(c.fromRight ? W - c.dx : c.dx, c.fromBottom ? H - c.dy : c.dy, c.colour);
    }
}

// ---- Text -------------------------------------------------------------

void XP_ProgressBar::DrawBarText() {
    const bool twoColour = mScrolling == kDark || mScrolling == kGlass;
    const std::string text = mScrolling == kMarquee ? kMarqueeText : std::to_string(mPercent) + " %";
    if (!mShowText) return;
    mTextFont = mFont;
    {
        const auto font = mTextFont ? mDrawDC->SelectFont(*mTextFont) : nullptr;
        // Left transparent for every later redraw on this DC.
        mDrawDC->SetTransparentBackground();
        mDrawDC->SetTextColour(mScrolling == kDark ? kSilver : kBlack);
        CenterTextRect(text);
        const double fillEdge = DrawnPercent() / 100.0 * Width();
        if (!(twoColour && fillEdge > rcText.right)) mDrawDC->DrawText(text, rcText, kTextSingleLine);
    }
    if (twoColour) DrawOverlayText(text);
}

void XP_ProgressBar::CenterTextRect(std::string_view text) {
    mDrawDC->DrawText(text, rcText, kTextCalcRect);
    const std::int32_t w = rcText.right - rcText.left;
    const std::int32_t h = rcText.bottom - rcText.top;
    rcText.left = Nearest(Width() / 2.0 - w / 2.0);
    rcText.top = Nearest(Height() / 2.0 - h / 2.0);
    rcText.right = rcText.left + w;
    rcText.bottom = rcText.top + h;
}

void XP_ProgressBar::DrawOverlayText(std::string_view text) {
    const auto font = mTextFont ? mDrawDC->SelectFont(*mTextFont) : nullptr;
    mDrawDC->SetTransparentBackground();
    const double fillEdge = DrawnPercent() / 100.0 * Width();
    if (fillEdge < rcText.left) return;
    mDrawDC->SetTextColour(mScrolling == kDark ? LightenColor(mColor, 80) : kWhite);
    // Clipped at the fill edge: only the covered part turns to the contrast
    // colour.
    rcText.right = Nearest(fillEdge);
    mDrawDC->DrawText(text, rcText, kTextSingleLine);
}

}  // namespace kavrel::progressbar
