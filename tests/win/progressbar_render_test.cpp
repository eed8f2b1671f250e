// The bar's styles drawn by Wine's GDI and read back from its off-screen
// buffer: the geometry of each style at the levels where it changes, the XP
// frame's lines and corner pixels, hatch and picture fills, and where the
// text goes and how the two-colour text splits.
#include <gtest/gtest.h>

#include "progressbar_support_win32.h"

using namespace kavrel::persist;
using namespace kavrel::progressbar;
using namespace kavrel::progressbar::testing;

namespace {

constexpr Colour kBar = 0x00C56A31;  // red 49, green 106, blue 197
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kFrameLight = 0xEFEFEF;
constexpr Colour kFrameShadow = 0xBEBEBE;
constexpr Colour kOutline = 0x686868;

Colour L(std::int32_t amount) { return LightenColor(kBar, amount); }

class BarPixels : public ::testing::Test {
protected:
    static void SetUpTestSuite() { parent_ = new ParentWindow(); }
    static void TearDownTestSuite() {
        delete parent_;
        parent_ = nullptr;
    }

    // A bar of the size, colour kBar, in the style and orientation, at the
    // Value (Max 100), read back after that redraw.
    PixelImage Draw(int width, int height, std::int32_t style, std::int32_t value, std::int32_t orientation = 0) {
        Make(width, height);
        Bar().SetColor(kBar);
        Bar().SetOrientation(orientation);
        Bar().SetScrolling(style);
        Bar().SetValue(value);
        return BufferPixels(Bar());
    }
    void Make(int width, int height) {
        ASSERT_NE(parent_->Get(), nullptr);
        surface_.reset();
        surface_ = win32::BarSurface::Create(parent_->Get(), RECT{0, 0, width, height});
    }
    XP_ProgressBar& Bar() { return surface_->Bar(); }

    static ParentWindow* parent_;
    std::unique_ptr<win32::BarSurface> surface_;
};

ParentWindow* BarPixels::parent_ = nullptr;

// ---- Segmented and smooth ---------------------------------------------

TEST_F(BarPixels, SegmentedAtHalfHasSixPixelBlocksUpToColumn97) {
    const PixelImage img = Draw(200, 20, kSegmented, 50);
    ASSERT_EQ(img.width, 200);
    // x = nearest(197 x 50/98 + 3) = 104, snapped down to 99: blocks 4..9,
    // 12..17, ..., 92..97 with white strips on 10-11, 18-19, ..., 98-99.
    for (int x = 4; x <= 97; ++x) {
        const bool strip = (x - 4) % 8 >= 6;
        EXPECT_PIXEL(img, x, 9, strip ? kWhite : kBar);
    }
    EXPECT_PIXEL(img, 98, 9, kWhite);
    EXPECT_PIXEL(img, 99, 9, kWhite);
    EXPECT_PIXEL(img, 100, 9, kWhite);
    EXPECT_PIXEL(img, 3, 9, kWhite);
    // The strips run the full height inside the frame.
    EXPECT_PIXEL(img, 10, 3, kWhite);
    EXPECT_PIXEL(img, 11, 17, kWhite);
    // Light ramps above and below the band: row 3 and row 16 are the light
    // ends, rows 8 .. 10 the colour.
    EXPECT_PIXEL(img, 4, 3, L(150));
    EXPECT_PIXEL(img, 97, 3, L(150));
    EXPECT_PIXEL(img, 4, 8, kBar);
    EXPECT_PIXEL(img, 4, 10, kBar);
    EXPECT_PIXEL(img, 4, 16, L(150));
    EXPECT_PIXEL(img, 4, 17, kWhite);
}

TEST_F(BarPixels, SegmentedAtZeroKeepsOneBlockOfTheStub) {
    const PixelImage img = Draw(200, 20, kSegmented, 0);
    for (int x = 4; x <= 9; ++x) EXPECT_PIXEL(img, x, 9, kBar);
    EXPECT_PIXEL(img, 10, 9, kWhite);
    EXPECT_PIXEL(img, 11, 9, kWhite);
    EXPECT_PIXEL(img, 12, 9, kWhite);
    EXPECT_PIXEL(img, 3, 9, kWhite);
}

TEST_F(BarPixels, SegmentedIsFullFrom98Percent) {
    // p = 98: rcFill.Right = 195; the strip on 194-195 ends the last block.
    PixelImage img = Draw(200, 20, kSegmented, 98);
    EXPECT_PIXEL(img, 188, 9, kBar);
    EXPECT_PIXEL(img, 193, 9, kBar);
    EXPECT_PIXEL(img, 194, 9, kWhite);
    EXPECT_PIXEL(img, 196, 9, kWhite);
    EXPECT_PIXEL(img, 197, 9, kWhite);
    // p = 100: rcFill.Right = 203 is past the edge, so the band stops at
    // e = 199: a last block 196..197 before the frame's column 198.
    img = Draw(200, 20, kSegmented, 100);
    EXPECT_PIXEL(img, 193, 9, kBar);
    EXPECT_PIXEL(img, 194, 9, kWhite);
    EXPECT_PIXEL(img, 195, 9, kWhite);
    EXPECT_PIXEL(img, 196, 9, kBar);
    EXPECT_PIXEL(img, 197, 9, kBar);
    EXPECT_PIXEL(img, 198, 9, kFrameLight);
    EXPECT_PIXEL(img, 199, 9, kOutline);
}

TEST_F(BarPixels, SmoothAtZeroShowsTheTwelvePixelStub) {
    const PixelImage img = Draw(200, 20, kSmooth, 0);
    for (int x = 4; x <= 11; ++x) {
        EXPECT_PIXEL(img, x, 3, L(150));
        EXPECT_PIXEL(img, x, 9, kBar);
        EXPECT_PIXEL(img, x, 16, L(150));
    }
    EXPECT_PIXEL(img, 12, 9, kWhite);
    EXPECT_PIXEL(img, 12, 3, kWhite);
    EXPECT_PIXEL(img, 3, 9, kWhite);
}

TEST_F(BarPixels, StylesOutsideZeroToNineDrawSmooth) {
    const PixelImage smooth = Draw(200, 20, kSmooth, 63);
    const PixelImage other = Draw(200, 20, 42, 63);
    EXPECT_EQ(smooth.pixels, other.pixels);
}

TEST_F(BarPixels, XPFrameLinesAndCornerPixels) {
    const PixelImage img = Draw(200, 20, kSmooth, 50);
    const int W = 200, H = 20;
    // Inner lines, end points excluded.
    for (int x : {3, 100, 197}) {
        EXPECT_PIXEL(img, x, 1, kFrameShadow);
        EXPECT_PIXEL(img, x, 2, kFrameLight);
        EXPECT_PIXEL(img, x, H - 2, kFrameLight);
    }
    for (int y : {3, 10, 17}) {
        EXPECT_PIXEL(img, 1, y, kFrameShadow);
        EXPECT_PIXEL(img, 2, y, kFrameLight);
        EXPECT_PIXEL(img, W - 2, y, kFrameLight);
    }
    // The outline.
    EXPECT_PIXEL(img, 100, 0, kOutline);
    EXPECT_PIXEL(img, 100, H - 1, kOutline);
    EXPECT_PIXEL(img, 0, 10, kOutline);
    EXPECT_PIXEL(img, W - 1, 10, kOutline);
    // The corners, as drawn (they are not mirror images).
    const struct {
        int x, y;
        Colour colour;
    } corners[] = {
        {0, 0, 0xFFFFFF},         {0, 1, 0xA6ABAC},         {0, 2, 0x7D7E7F},         {1, 0, 0xA7ABAC},
        {1, 1, 0x777777},         {2, 0, 0x7D7E7F},         {2, 2, 0xBEBEBE},         {0, H - 1, 0xFFFFFF},
        {1, H - 1, 0xA6ABAC},     {2, H - 1, 0x7D7E7F},     {0, H - 3, 0x7D7E7F},     {0, H - 2, 0xA7ABAC},
        {1, H - 2, 0x777777},     {W - 1, 0, 0xFFFFFF},     {W - 1, 1, 0xBEBEBE},     {W - 1, 2, 0x7D7E7F},
        {W - 2, 2, 0xBEBEBE},     {W - 2, 1, 0x686868},     {W - 1, H - 1, 0xFFFFFF}, {W - 1, H - 2, 0xBEBEBE},
        {W - 1, H - 3, 0x7D7E7F}, {W - 2, H - 2, 0x777777}, {W - 2, H - 1, 0xBEBEBE}, {W - 3, H - 1, 0x7D7E7F},
    };
    for (const auto& c : corners) EXPECT_PIXEL(img, c.x, c.y, c.colour);
}

// ---- Vertical -------------------------------------------------------------

TEST_F(BarPixels, VerticalSegmentedGrowsUpwardWithStripsFromTheBottom) {
    PixelImage img = Draw(20, 200, kSegmented, 50, kVertical);
    // y = nearest(200 x (1 - 50/98)) = 98, moved down to 104; strips on rows
    // 198-199 (under the frame), 190-191, ..., 110-111.
    for (int y = 104; y <= 197; ++y) {
        const bool strip = y % 8 >= 6;
        EXPECT_PIXEL(img, 10, y, strip ? kWhite : kBar);
    }
    EXPECT_PIXEL(img, 10, 190, kWhite);
    EXPECT_PIXEL(img, 10, 191, kWhite);
    EXPECT_PIXEL(img, 10, 192, kBar);
    EXPECT_PIXEL(img, 10, 103, kWhite);
    EXPECT_PIXEL(img, 3, 190, kWhite);  // the strips start at column 3
    // Side ramps: columns 4 .. 8 light to colour, 12 .. 16 colour to light.
    EXPECT_PIXEL(img, 4, 148, L(150));
    EXPECT_PIXEL(img, 8, 148, kBar);
    EXPECT_PIXEL(img, 12, 148, kBar);
    EXPECT_PIXEL(img, 16, 148, L(150));

    img = Draw(20, 200, kSegmented, 0, kVertical);  // no stub upright
    for (int y = 3; y <= 197; ++y) EXPECT_PIXEL(img, 10, y, kWhite);
}

// ---- Marquee --------------------------------------------------------------

TEST_F(BarPixels, MarqueeBlocksSlideFartherThanTheFillEdge) {
    struct Case {
        std::int32_t value;
        int firstColumn;  // of the leftmost block; the others follow 12 apart
    };
    // p = 50: fill edge 103, blocks at nearest(103 + 12k - 22.5) = 80, 92, 104.
    // p = 80: fill edge 163, blocks at 163 + 12k - 9 = 154, 166, 178.
    for (const Case c : {Case{50, 80}, Case{80, 154}}) {
        SCOPED_TRACE(c.value);
        const PixelImage img = Draw(200, 20, kMarquee, c.value);
        for (int k = 0; k < 3; ++k) {
            const int x = c.firstColumn + 12 * k;
            EXPECT_PIXEL(img, x - 1, 10, kWhite);
            EXPECT_PIXEL(img, x, 10, L(220 - 40 * k));
            EXPECT_PIXEL(img, x, 3, L(220 - 40 * k));
            EXPECT_PIXEL(img, x, 17, L(220 - 40 * k));
            EXPECT_PIXEL(img, x + 9, 10, L(200 - 40 * k));
            EXPECT_PIXEL(img, x + 10, 10, kWhite);
        }
        EXPECT_PIXEL(img, 4, 10, kWhite);  // no fill of its own
    }
}

TEST_F(BarPixels, VerticalMarqueeBlocksStartAtTheFillTop) {
    // Fill top 98; blocks of ten rows at 98, 110, 122, columns 3 .. 18.
    const PixelImage img = Draw(20, 200, kMarquee, 50, kVertical);
    for (int k = 0; k < 3; ++k) {
        const int y = 98 + 12 * k;
        EXPECT_PIXEL(img, 10, y - 1, kWhite);
        EXPECT_PIXEL(img, 3, y, L(220 - 40 * k));
        EXPECT_PIXEL(img, 17, y, L(220 - 40 * k));
        EXPECT_PIXEL(img, 10, y + 9, L(200 - 40 * k));
        EXPECT_PIXEL(img, 10, y + 10, kWhite);
    }
    EXPECT_PIXEL(img, 18, 100, kFrameLight);
}

// ---- Styles with their own frame --------------------------------------------

TEST_F(BarPixels, FlatFillsToTheRoundedEdge) {
    const PixelImage img = Draw(200, 20, kFlat, 33);  // nearest(66) = 66
    EXPECT_PIXEL(img, 0, 0, L(100));
    EXPECT_PIXEL(img, 199, 19, L(100));
    EXPECT_PIXEL(img, 1, 1, L(180));
    EXPECT_PIXEL(img, 65, 18, L(180));
    EXPECT_PIXEL(img, 66, 10, kWhite);
    EXPECT_PIXEL(img, 65, 19, L(100));
}

TEST_F(BarPixels, EtchedAtZeroDrawsOnlyColumnTwo) {
    const PixelImage img = Draw(200, 20, kEtched, 0);
    EXPECT_PIXEL(img, 2, 2, L(140));
    EXPECT_PIXEL(img, 2, 16, L(140));
    EXPECT_PIXEL(img, 2, 17, kWhite);
    EXPECT_PIXEL(img, 3, 10, kWhite);
    // The etched edge: a shadow line outside a highlight line.
    EXPECT_PIXEL(img, 0, 10, static_cast<Colour>(GetSysColor(COLOR_BTNSHADOW)));
    EXPECT_PIXEL(img, 1, 10, static_cast<Colour>(GetSysColor(COLOR_BTNHIGHLIGHT)));
    // At half, the ramp spans exactly the filled width: n = 98 steps.
    const PixelImage half = Draw(200, 20, kEtched, 50);
    EXPECT_PIXEL(half, 2, 10, L(140));
    EXPECT_PIXEL(half, 100, 10, L(200));
    EXPECT_PIXEL(half, 101, 10, kWhite);
}

TEST_F(BarPixels, ShadedAtZeroFillsColumnsOneToThree) {
    const PixelImage img = Draw(200, 20, kShaded, 0);
    // rcFill.Right = 0: the fill lines run from column 3 leftward.
    for (int x = 1; x <= 3; ++x) {
        EXPECT_PIXEL(img, x, 3, L(250));
        EXPECT_PIXEL(img, x, 17, kBar);
    }
    EXPECT_PIXEL(img, 0, 2, L(25));  // the edge line on column 0
    EXPECT_PIXEL(img, 0, 17, L(25));
    EXPECT_PIXEL(img, 0, 1, L(10));  // the outline
    // The track: rows 2 .. 17, columns 2 .. 197, colour at the top.
    EXPECT_PIXEL(img, 4, 2, kBar);
    EXPECT_PIXEL(img, 197, 17, L(100));
    EXPECT_PIXEL(img, 198, 10, kWhite);
    EXPECT_PIXEL(img, 100, 18, kWhite);
}

TEST_F(BarPixels, DarkStyleOnBlack) {
    const PixelImage img = Draw(200, 20, kDark, 50);  // n = nearest(97.5) = 98
    EXPECT_PIXEL(img, 0, 0, BlendColors(kBar, 0, 200));
    EXPECT_PIXEL(img, 2, 10, 0x000000);
    EXPECT_PIXEL(img, 100, 2, LightenColor(BlendColors(kBar, 0, 100), 10));
    EXPECT_PIXEL(img, 100, 17, LightenColor(BlendColors(kBar, 0, 100), 10));
    EXPECT_PIXEL(img, 101, 10, 0x000000);
    EXPECT_PIXEL(img, 100, 18, 0x000000);
}

TEST_F(BarPixels, GlassTrackAndFillBands) {
    // H = 20: h = 8; upper track rows 2 .. 10 white to silver, lower track
    // rows 8 .. 16 silver; the frame's row 2 lies over the first.
    const PixelImage img = Draw(200, 20, kGlass, 50);  // fill to column 97
    EXPECT_PIXEL(img, 150, 3, 0xF7F7F7);  // 255 - 63/8
    EXPECT_PIXEL(img, 150, 7, 0xD8D8D8);  // 255 - 5 x 63/8
    for (int y = 8; y <= 16; ++y) EXPECT_PIXEL(img, 150, y, 0xC0C0C0);
    EXPECT_PIXEL(img, 150, 17, kWhite);
    EXPECT_PIXEL(img, 196, 10, 0xC0C0C0);
    EXPECT_PIXEL(img, 197, 10, kWhite);
    // The fill: upper band light to dark, lower band dark to the colour.
    EXPECT_PIXEL(img, 50, 16, kBar);
    EXPECT_PIXEL(img, 50, 8, BlendColors(kBar, 0, 190));
    EXPECT_PIXEL(img, 97, 16, kBar);
    EXPECT_PIXEL(img, 98, 16, 0xC0C0C0);
}

TEST_F(BarPixels, HatchFillsWithTheBrushStyleAndLightGaps) {
    Make(200, 20);
    Bar().SetColor(kBar);
    Bar().SetBrushStyle(0);  // horizontal lines
    Bar().SetScrolling(kHatched);
    Bar().SetValue(100);  // rcFill = (2, 2, 198, 18)
    PixelImage img = BufferPixels(Bar());
    int lineRows = 0;
    for (int y = 2; y < 18; ++y) {
        const Colour c = img.At(50, y);
        ASSERT_TRUE(c == kBar || c == L(140)) << "pixel (50, " << y << ") is " << Hex(c);
        for (int x = 2; x < 198; ++x) ASSERT_EQ(Hex(img.At(x, y)), Hex(c)) << "pixel (" << x << ", " << y << ")";
        lineRows += c == kBar;
    }
    EXPECT_EQ(lineRows, 2);  // one line every eight rows

    // Vertical lines: one column in eight.
    Bar().SetBrushStyle(1);
    Bar().Paint();
    img = BufferPixels(Bar());
    int lineColumns = 0;
    for (int x = 8; x < 40; ++x) lineColumns += img.At(x, 9) == kBar;
    EXPECT_EQ(lineColumns, 4);

    // Once text has been drawn the DC stays transparent: the gaps turn white.
    Bar().SetBrushStyle(0);
    Bar().SetShowText(true);
    Bar().Paint();
    img = BufferPixels(Bar());
    int white = 0, light = 0;
    for (int y = 2; y < 18; ++y) {
        white += img.At(20, y) == kWhite;
        light += img.At(20, y) == L(140);
    }
    EXPECT_EQ(light, 0);
    EXPECT_EQ(white, 14);
}

TEST_F(BarPixels, PictureTilesTheFillFromTheDcOrigin) {
    Make(200, 20);
    Bar().SetColor(kBar);
    Bar().SetImage(PatternBmp());
    Bar().SetScrolling(kPicture);
    Bar().SetValue(50);  // nearest(50/101 x 200) = 99: columns 2 .. 100
    const PixelImage img = BufferPixels(Bar());
    for (int y = 2; y <= 17; ++y)
        for (int x : {2, 3, 9, 50, 99, 100}) EXPECT_PIXEL(img, x, y, PatternColour(x % 8, y % 8));
    EXPECT_PIXEL(img, 101, 10, kWhite);
    EXPECT_PIXEL(img, 50, 18, kWhite);
    EXPECT_PIXEL(img, 50, 19, static_cast<Colour>(GetSysColor(COLOR_BTNHIGHLIGHT)));  // sunken edge, bottom
    EXPECT_PIXEL(img, 0, 10, static_cast<Colour>(GetSysColor(COLOR_BTNSHADOW)));

    // A JPEG picture decodes too (colours within the codec's error).
    Bar().SetImage(SolidJpeg());
    const PixelImage jpeg = BufferPixels(Bar());
    const Colour c = jpeg.At(40, 10);
    EXPECT_NEAR(RedOf(c), 0x33, 3) << Hex(c);
    EXPECT_NEAR(GreenOf(c), 0x66, 3) << Hex(c);
    EXPECT_NEAR(BlueOf(c), 0xCC, 3) << Hex(c);

    // Without a picture, or with bytes that are no picture: only the edge.
    for (auto picture : {std::shared_ptr<StdPicture>(), std::make_shared<StdPicture>()}) {
        if (picture) picture->bytes = {'B', 'M', 1, 2, 3};
        Bar().SetImage(picture);
        const PixelImage none = BufferPixels(Bar());
        EXPECT_PIXEL(none, 40, 10, kWhite);
        EXPECT_PIXEL(none, 2, 2, kWhite);
    }
}

// ---- Text -------------------------------------------------------------------

// Columns of the text rectangle where some pixel has exactly the colour.
std::vector<int> ColumnsWith(const PixelImage& img, const Rect& rc, Colour colour) {
    std::vector<int> columns;
    for (int x = std::max(rc.left, 0); x < std::min(rc.right, img.width); ++x)
        for (int y = std::max(rc.top, 0); y < std::min(rc.bottom, img.height); ++y)
            if (img.At(x, y) == colour) {
                columns.push_back(x);
                break;
            }
    return columns;
}

TEST_F(BarPixels, TextIsCentredInTheClientArea) {
    Make(200, 20);
    Bar().SetColor(kBar);
    Bar().SetShowText(true);
    Bar().SetScrolling(kFlat);
    Bar().SetValue(7);  // the fill ends at column 13, far left of the text
    const Rect rc = Bar().TextRect();
    EXPECT_LE(std::abs(rc.left + rc.right - 200), 1) << rc.left << ".." << rc.right;
    EXPECT_LE(std::abs(rc.top + rc.bottom - 20), 1) << rc.top << ".." << rc.bottom;
    EXPECT_GT(rc.right - rc.left, 10);
    const PixelImage img = BufferPixels(Bar());
    // Black text inside the rectangle and nowhere else.
    const std::vector<int> black = ColumnsWith(img, rc, 0x000000);
    ASSERT_FALSE(black.empty());
    EXPECT_EQ(ColumnsWith(img, Rect{0, 0, 200, 20}, 0x000000), black);
}

TEST_F(BarPixels, GlassTextTurnsWhiteOverTheFill) {
    Make(200, 20);
    Bar().SetColor(kBar);
    Bar().SetShowText(true);
    Bar().SetScrolling(kGlass);
    Bar().SetValue(50);  // fill edge for the text: 100, inside the text
    // The overlay has cut the text rectangle at the fill edge.
    const Rect rc = Bar().TextRect();
    ASSERT_LT(rc.left, 100);
    EXPECT_EQ(rc.right, 100);
    const PixelImage img = BufferPixels(Bar());
    const Rect band{0, 8, 197, 17};  // the track's rows below its white top
    const auto white = ColumnsWith(img, band, 0xFFFFFF);
    const auto black = ColumnsWith(img, band, 0x000000);
    ASSERT_FALSE(white.empty());
    ASSERT_FALSE(black.empty());
    EXPECT_LT(white.back(), 100);
    EXPECT_GE(black.front(), 100);
}

TEST_F(BarPixels, DarkTextIsSilverBeyondTheFillAndLightOverIt) {
    Make(200, 20);
    Bar().SetColor(kBar);
    Bar().SetShowText(true);
    Bar().SetScrolling(kDark);
    Bar().SetValue(50);
    const PixelImage img = BufferPixels(Bar());
    const Rect all{0, 0, 200, 20};
    const auto light = ColumnsWith(img, all, LightenColor(kBar, 80));
    const auto silver = ColumnsWith(img, all, 0xC0C0C0);
    ASSERT_FALSE(light.empty());
    ASSERT_FALSE(silver.empty());
    EXPECT_LT(light.back(), 100);
    EXPECT_GE(silver.front(), 100);

    // Past the text's right end only the contrast colour is drawn.
    Bar().SetValue(100);
    const PixelImage full = BufferPixels(Bar());
    EXPECT_TRUE(ColumnsWith(full, all, 0xC0C0C0).empty());
    EXPECT_FALSE(ColumnsWith(full, all, LightenColor(kBar, 80)).empty());
}

TEST_F(BarPixels, MarqueeTextReadsSearching) {
    Make(249, 20);
    Bar().SetShowText(true);
    Bar().SetScrolling(kSmooth);
    Bar().SetValue(100);
    const Rect percent = Bar().TextRect();
    Bar().SetScrolling(kMarquee);
    const Rect searching = Bar().TextRect();
    // "Searching.." is wider than "100 %", centred all the same.
    EXPECT_GT(searching.right - searching.left, percent.right - percent.left);
    EXPECT_LE(std::abs(searching.left + searching.right - 249), 1);
}

}  // namespace
