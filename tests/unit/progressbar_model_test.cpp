// The component on recording stand-ins of its surface and graphics: its
// state after initialise, the Value conversions, the order of each setter's
// store, notification and redraw, the off-screen buffer's growth rule, the
// single copy to the surface, the text and the public drawing methods.
#include <gtest/gtest.h>

#include <algorithm>

#include "progressbar_fakes.h"

using namespace kavrel::persist;
using namespace kavrel::progressbar;
using namespace kavrel::progressbar::testing;

namespace {

bool Has(const Log& log, const std::string& line) { return std::find(log.begin(), log.end(), line) != log.end(); }

TEST(ProgressBarModel, NewInstanceHasItsInitialiseValues) {
    Log log;
    FakeGraphics graphics(log);
    FakeSurface surface(log);
    XP_ProgressBar bar(surface, graphics);
    bar.Initialize();

    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.Orientation(), 0);
    EXPECT_EQ(bar.Scrolling(), kSegmented);
    EXPECT_FALSE(bar.ShowText());
    EXPECT_EQ(bar.Image(), nullptr);
    EXPECT_EQ(bar.Color(), 0x00C56A31);  // the highlight colour's RGB
    EXPECT_EQ(surface.backColour, kWhite);
    EXPECT_EQ(surface.scaleMode, kScalePixels);
    ASSERT_NE(bar.Font(), nullptr);
    EXPECT_TRUE(bar.Font()->SameAs(StdFont{}));
    EXPECT_EQ(bar.hwnd(), 42u);
    EXPECT_EQ(bar.hdc(), 1001u);  // the buffer's DC
    EXPECT_TRUE(bar.Buffered());
    EXPECT_EQ(bar.BufferWidth(), 200);
    EXPECT_EQ(bar.BufferHeight(), 20);
    // One redraw, ending with the copy to the surface; no notification.
    EXPECT_EQ(log.front(), "create buffer 200x20");
    EXPECT_EQ(log.back(), "screen blit 0,0 200x20 from 1001 at 0,0");
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("notify", 0) == 0; }), 0);
    // BrushStyle is 0: the hatched style uses horizontal lines.
    bar.SetScrolling(kHatched);
    EXPECT_TRUE(Has(log, "buffer hatch 2,2,0,18 0 C56A31"));
}

TEST(ProgressBarModel, ValueConvertsThroughMaxAndClampsAt100) {
    FakeBar f;
    XP_ProgressBar& bar = f.bar;
    bar.SetValue(50);
    EXPECT_EQ(bar.Value(), 50);
    bar.SetValue(150);
    EXPECT_EQ(bar.Value(), 100);
    EXPECT_EQ(bar.Percent(), 100);
    bar.SetValue(-10);
    EXPECT_EQ(bar.Value(), -10);

    bar.SetMax(200);
    bar.SetValue(150);
    EXPECT_EQ(bar.Percent(), 75);
    EXPECT_EQ(bar.Value(), 150);
    f.log.clear();
    bar.SetMax(100);  // no rescaling, no redraw
    EXPECT_EQ(bar.Value(), 75);
    EXPECT_EQ(bar.Percent(), 75);
    EXPECT_FALSE(f.Redrew());

    bar.SetMax(3);
    bar.SetValue(1);
    EXPECT_EQ(bar.Percent(), 33);
    EXPECT_EQ(bar.Value(), 1);
    bar.SetValue(2);
    EXPECT_EQ(bar.Percent(), 67);
    EXPECT_EQ(bar.Value(), 2);

    bar.SetMax(8);
    bar.SetValue(1);
    EXPECT_EQ(bar.Percent(), 12);  // 12.5
    bar.SetMax(100);
    bar.SetValue(50);
    bar.SetMax(5);
    EXPECT_EQ(bar.Value(), 2);  // 2.5
}

TEST(ProgressBarModel, FailedValueSetKeepsTheLevelAndDrawsNothing) {
    FakeBar f;
    XP_ProgressBar& bar = f.bar;
    bar.SetValue(21474836);  // product 2147483600
    EXPECT_EQ(bar.Value(), 100);
    bar.SetValue(40);
    f.log.clear();
    EXPECT_THROW(bar.SetValue(21474837), OverflowError);
    EXPECT_EQ(bar.Value(), 40);
    EXPECT_TRUE(f.log.empty());

    bar.SetMax(0);
    f.log.clear();
    EXPECT_THROW(bar.SetValue(5), DivisionByZeroError);
    EXPECT_EQ(bar.Percent(), 40);
    EXPECT_TRUE(f.log.empty());

    // A level the getter cannot express in 32 bits.
    bar.SetMax(1);
    bar.SetValue(-21474836);
    EXPECT_EQ(bar.Percent(), -2147483600);
    bar.SetMax(200);
    EXPECT_THROW(bar.Value(), OverflowError);
}

TEST(ProgressBarModel, NonzeroMinMapsTheRangeOntoTheWholeBar) {
    FakeBar f;
    f.bar.SetMin(10);
    f.bar.SetMax(20);
    f.bar.SetValue(15);
    EXPECT_EQ(f.bar.Percent(), 50);
    EXPECT_EQ(f.bar.Value(), 15);
    f.bar.SetValue(20);
    EXPECT_EQ(f.bar.Percent(), 100);
    f.bar.SetValue(10);
    EXPECT_EQ(f.bar.Percent(), 0);
    EXPECT_EQ(f.bar.Value(), 10);
}

struct SetterCase {
    const char* what;
    std::function<void(XP_ProgressBar&)> set;
    std::function<std::string(const XP_ProgressBar&)> read;
    const char* notification;  // nullptr: none
    bool redraws;
};

TEST(ProgressBarModel, SettersStoreThenNotifyThenRedraw) {
    const auto picture = std::make_shared<StdPicture>();
    const SetterCase cases[] = {
        {"BrushStyle", [](XP_ProgressBar& b) { b.SetBrushStyle(2); }, nullptr, "BrushStyle", false},
        {"Color", [](XP_ProgressBar& b) { b.SetColor(0x0000FF); },
         [](const XP_ProgressBar& b) { return Hex(b.Color()); }, nullptr, true},
        {"Font", [](XP_ProgressBar& b) { b.SetFont(std::make_shared<StdFont>()); }, nullptr, nullptr, false},
        {"hwnd", [](XP_ProgressBar& b) { b.SetHwnd(42); }, nullptr, nullptr, false},
        {"Image", [&](XP_ProgressBar& b) { b.SetImage(picture); },
         [&](const XP_ProgressBar& b) { return std::string(b.Image() == picture ? "same" : "other"); }, "Image", true},
        {"Min", [](XP_ProgressBar& b) { b.SetMin(-5); },
         [](const XP_ProgressBar& b) { return std::to_string(b.Min()); }, "Min", false},
        {"Max", [](XP_ProgressBar& b) { b.SetMax(50); },
         [](const XP_ProgressBar& b) { return std::to_string(b.Max()); }, "Max", false},
        {"Orientation", [](XP_ProgressBar& b) { b.SetOrientation(1); },
         [](const XP_ProgressBar& b) { return std::to_string(b.Orientation()); }, "Orientation", true},
        {"Scrolling", [](XP_ProgressBar& b) { b.SetScrolling(3); },
         [](const XP_ProgressBar& b) { return std::to_string(b.Scrolling()); }, "Scrolling", true},
        {"ShowText", [](XP_ProgressBar& b) { b.SetShowText(true); },
         [](const XP_ProgressBar& b) { return std::string(b.ShowText() ? "true" : "false"); }, "ShowText", true},
        {"Value", [](XP_ProgressBar& b) { b.SetValue(30); },
         [](const XP_ProgressBar& b) { return std::to_string(b.Value()); }, nullptr, true},
    };
    for (const SetterCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeBar f;
        if (c.read) f.surface.onNotify = [&] { return c.read(f.bar); };
        c.set(f.bar);
        if (c.notification) {
            ASSERT_FALSE(f.log.empty());
            // Told first, with the new value already stored.
            const std::string expected =
                std::string("notify ") + c.notification + (c.read ? " " + c.read(f.bar) : std::string());
            EXPECT_EQ(f.log.front(), expected);
            EXPECT_EQ(f.Count("notify"), 1u);
        } else {
            EXPECT_EQ(f.Count("notify"), 0u);
        }
        EXPECT_EQ(f.Redrew(), c.redraws);
        if (c.redraws) {
            EXPECT_EQ(f.log.back(), "screen blit 0,0 200x20 from 1001 at 0,0");
        }
    }
}

TEST(ProgressBarModel, BrushStyleShowsAtTheNextRedraw) {
    FakeBar f;
    f.bar.SetScrolling(kHatched);
    f.bar.SetValue(50);
    f.log.clear();
    f.bar.SetBrushStyle(2);
    EXPECT_FALSE(f.Redrew());
    f.bar.Paint();
    EXPECT_TRUE(Has(f.log, "buffer hatch 2,2,99,18 2 C56A31"));  // nearest(50 / 101 x 200)
}

TEST(ProgressBarModel, SystemColourIsResolvedOnceWhenSet) {
    FakeBar f;
    f.bar.SetColor(kHighlightColourRef);
    EXPECT_EQ(f.bar.Color(), 0x00C56A31);
    f.graphics.highlight = 0x00112233;
    f.bar.Paint();
    EXPECT_EQ(f.bar.Color(), 0x00C56A31);
    f.bar.SetColor(kHighlightColourRef);
    EXPECT_EQ(f.bar.Color(), 0x00112233);
    f.bar.SetColor(0x00FF0000);
    EXPECT_EQ(f.bar.Color(), 0x00FF0000);
}

TEST(ProgressBarModel, BufferIsReplacedOnlyWhenTheControlGrowsBeyondIt) {
    FakeBar f(100, 20);
    EXPECT_EQ(f.graphics.buffersMade, 1);
    f.Resize(80, 20);
    EXPECT_EQ(f.graphics.buffersMade, 1);
    EXPECT_EQ(f.bar.BufferWidth(), 100);
    EXPECT_EQ(f.bar.BufferHeight(), 20);
    f.Resize(120, 10);  // wider: exactly the new size, though lower
    EXPECT_EQ(f.graphics.buffersMade, 2);
    EXPECT_EQ(f.bar.BufferWidth(), 120);
    EXPECT_EQ(f.bar.BufferHeight(), 10);
    EXPECT_EQ(f.bar.hdc(), 1002u);
    f.Resize(110, 15);  // taller
    EXPECT_EQ(f.bar.BufferWidth(), 110);
    EXPECT_EQ(f.bar.BufferHeight(), 15);
    f.Resize(50, 5);  // smaller both ways: kept
    f.Resize(300, 0);  // no area: kept
    EXPECT_EQ(f.graphics.buffersMade, 3);
    EXPECT_EQ(f.bar.BufferWidth(), 110);
    EXPECT_FALSE(f.Redrew()) << "a resize does not redraw";
    // The hdc setter is a resize whatever its argument.
    f.surface.width = 400;
    f.surface.height = 15;
    f.bar.SetHdc(12345);
    EXPECT_EQ(f.bar.BufferWidth(), 400);
    EXPECT_EQ(f.bar.hdc(), 1004u);
}

TEST(ProgressBarModel, WithoutABufferTheBarDrawsOnTheSurface) {
    FakeBar f(0, 20);  // no area: no buffer
    EXPECT_EQ(f.graphics.buffersMade, 0);
    EXPECT_FALSE(f.bar.Buffered());
    EXPECT_EQ(f.bar.hdc(), 7u);  // the surface's DC
    f.bar.SetValue(10);
    EXPECT_EQ(f.Count("screen blit"), 0u);
    EXPECT_EQ(f.Count("buffer"), 0u);
    f.Resize(100, 20);
    EXPECT_TRUE(f.bar.Buffered());
    EXPECT_EQ(f.bar.hdc(), 1001u);

    // A failed enlargement releases the old buffer: drawing goes to the
    // surface, there is nothing to copy, and the bar stays "buffered".
    f.graphics.failBuffers = true;
    f.Resize(150, 20);
    EXPECT_EQ(f.bar.Buffer(), nullptr);
    EXPECT_EQ(f.bar.hdc(), 7u);
    EXPECT_TRUE(f.bar.Buffered());
    f.log.clear();
    f.bar.SetValue(20);
    EXPECT_TRUE(Has(f.log, "screen fill 0,0,150,20 FFFFFF"));
    EXPECT_EQ(f.Count("screen blit"), 0u);
}

TEST(ProgressBarModel, EachRedrawReachesTheSurfaceAsOneCopy) {
    FakeBar f;
    for (std::int32_t style = 0; style <= 10; ++style) {
        for (std::int32_t orientation : {0, 1}) {
            f.bar.SetOrientation(orientation);
            f.bar.SetScrolling(style);
            f.bar.SetShowText(true);
            f.log.clear();
            f.bar.SetValue(60);
            const auto onScreen = std::count_if(f.log.begin(), f.log.end(),
                                                [](const std::string& l) { return l.rfind("screen ", 0) == 0; });
            EXPECT_EQ(onScreen, 1) << "style " << style;
            EXPECT_EQ(f.log.back(), "screen blit 0,0 200x20 from 1001 at 0,0") << "style " << style;
        }
    }
}

TEST(ProgressBarModel, TextShowsTheClampedPercentCentred) {
    FakeBar f;
    f.bar.SetShowText(true);
    f.log.clear();
    f.bar.SetValue(150);
    // 5 characters of 6 x 13: left = nearest(100 - 15), top = nearest(10 - 6.5)
    EXPECT_TRUE(Has(f.log, "buffer text \"100 %\" 85,4,115,17"));
    EXPECT_TRUE(Has(f.log, "buffer font MS Sans Serif 82500"));
    EXPECT_TRUE(Has(f.log, "buffer bkmode transparent"));
    EXPECT_TRUE(Has(f.log, "buffer textcolor 000000"));
    EXPECT_EQ(f.Count("buffer font restored"), 1u);
    EXPECT_EQ(f.bar.TextRect(), (Rect{85, 4, 115, 17}));

    f.bar.SetValue(-10);
    EXPECT_TRUE(Has(f.log, "buffer text \"-10 %\" 85,4,115,17"));
    f.bar.SetScrolling(kMarquee);
    EXPECT_TRUE(Has(f.log, "buffer text \"Searching..\" 67,4,133,17"));

    f.bar.SetShowText(false);
    f.log.clear();
    f.bar.SetValue(20);
    EXPECT_EQ(f.Count("buffer text \""), 0u);
    EXPECT_EQ(f.Count("buffer font"), 0u);
}

TEST(ProgressBarModel, TwoColourTextSplitsAtTheFillEdge) {
    FakeBar f;
    f.bar.SetShowText(true);
    f.bar.SetScrolling(kGlass);
    // "45 %": 24 pixels from column 88; the fill edge f = 90.
    f.log.clear();
    f.bar.SetValue(45);
    EXPECT_TRUE(Has(f.log, "buffer text \"45 %\" 88,4,112,17"));
    EXPECT_TRUE(Has(f.log, "buffer textcolor FFFFFF"));
    EXPECT_TRUE(Has(f.log, "buffer text \"45 %\" 88,4,90,17"));
    // Fill edge left of the text: dark text only.
    f.log.clear();
    f.bar.SetValue(10);
    EXPECT_EQ(f.Count("buffer text \""), 1u);
    EXPECT_TRUE(Has(f.log, "buffer text \"10 %\" 88,4,112,17"));
    // Fill edge past the text: the contrast colour only.
    f.log.clear();
    f.bar.SetValue(100);
    EXPECT_EQ(f.Count("buffer text \""), 1u);
    EXPECT_TRUE(Has(f.log, "buffer text \"100 %\" 85,4,200,17"));

    f.bar.SetScrolling(kDark);
    f.log.clear();
    f.bar.SetValue(45);
    EXPECT_TRUE(Has(f.log, "buffer textcolor C0C0C0"));
    EXPECT_TRUE(Has(f.log, "buffer textcolor " + Hex(LightenColor(0x00C56A31, 80))));
}

TEST(ProgressBarModel, FontObjectIsSharedNotCopied) {
    FakeBar f;
    auto font = std::make_shared<StdFont>();
    font->name = "Arial";
    f.bar.SetFont(font);
    EXPECT_EQ(f.bar.Font(), font);
    f.bar.SetShowText(true);
    font->size = 120000;
    f.log.clear();
    f.bar.Paint();
    EXPECT_TRUE(Has(f.log, "buffer font Arial 120000"));
}

TEST(ProgressBarModel, DrawGradientDrawsStepsPlusOneLines) {
    FakeBar f;
    Log log;
    RecordingCanvas canvas("c", 9, log);
    Colour end = 0x000000, start = kHighlightColourRef;
    f.bar.DrawGradient(end, start, 2, 2, 50, 3, canvas, false);
    EXPECT_EQ(start, 0x00C56A31) << "written back resolved";
    EXPECT_EQ(log, (Log{"c line 2,2-50,2 000000", "c line 2,3-50,3 422310", "c line 2,4-50,4 834721",
                        "c line 2,5-50,5 C56A31"}));

    log.clear();
    end = kHighlightColourRef;
    start = 0x00FFFFFF;
    f.bar.DrawGradient(end, start, 4, 1, 2, 9, canvas, true);
    EXPECT_EQ(end, 0x00C56A31);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log.front(), "c line 4,1-4,9 C56A31");
    EXPECT_EQ(log.back(), "c line 6,1-6,9 FFFFFF");

    log.clear();
    end = 0x00FF0000;
    start = kHighlightColourRef;
    f.bar.DrawGradient(end, start, 2, 2, -1, 20, canvas, true);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(start, 0x00C56A31);

    f.bar.DrawGradient(end, start, 2, 2, 0, 20, canvas, true);
    EXPECT_EQ(log, (Log{"c line 2,2-2,20 FF0000"}));
}

TEST(ProgressBarModel, PDrawCopiesTheBufferWithZeroSizesMeaningAllOfIt) {
    FakeBar f;
    Log log;
    RecordingCanvas target("t", 9, log);
    f.bar.pDraw(target, 0, 0, 0, 0, 5, 5);
    f.bar.pDraw(target, 10, 2, 30, -1, 0, 0);
    EXPECT_EQ(log, (Log{"t blit 5,5 200x20 from 1001 at 0,0", "t blit 0,0 30x20 from 1001 at 10,2"}));
}

TEST(ProgressBarModel, PropertiesAreReachableByName) {
    FakeBar f;
    f.bar.SetProperty("value", 35);
    EXPECT_EQ(f.bar.GetProperty("Value"), 35);
    f.bar.SetProperty("ShowText", -1);
    EXPECT_EQ(f.bar.GetProperty("SHOWTEXT"), -1);
    f.bar.SetProperty("Max", 70);
    EXPECT_EQ(f.bar.GetProperty("max"), 70);
    EXPECT_EQ(f.bar.GetProperty("value"), 24);  // 35 % of 70: 24.5, to even
    EXPECT_THROW(f.bar.GetProperty("Visible"), std::invalid_argument);
    EXPECT_THROW(f.bar.SetProperty("Caption", 1), std::invalid_argument);
    EXPECT_THROW(f.bar.GetProperty("BrushStyle"), std::invalid_argument);
}

TEST(ProgressBarModel, TerminateReleasesTheBufferAndEndsDrawing) {
    FakeBar f;
    f.bar.Terminate();
    EXPECT_EQ(f.bar.Buffer(), nullptr);
    EXPECT_EQ(f.bar.BufferWidth(), 0);
    f.log.clear();
    f.bar.SetValue(50);
    f.bar.Paint();
    EXPECT_TRUE(f.log.empty());
    EXPECT_EQ(f.bar.Value(), 50);
}

TEST(ProgressBarModel, OutlandishValuesStillDraw) {
    FakeBar f;
    f.bar.SetShowText(true);
    f.bar.SetMax(1);
    for (std::int32_t style = 0; style <= 9; ++style) {
        f.bar.SetScrolling(style);
        f.log.clear();
        EXPECT_NO_THROW(f.bar.SetValue(-21474836)) << "style " << style;
        EXPECT_EQ(f.log.back(), "screen blit 0,0 200x20 from 1001 at 0,0");
        EXPECT_LT(f.log.size(), 200u) << "style " << style;
    }
    EXPECT_EQ(f.bar.Percent(), -2147483600);
    EXPECT_TRUE(Has(f.log, "buffer text \"-2147483600 %\" 61,4,139,17"));

    // A hatch index outside 16 bits fills nothing; the rest is drawn.
    f.bar.SetMax(100);
    f.bar.SetScrolling(kHatched);
    f.bar.SetBrushStyle(70000);
    f.log.clear();
    EXPECT_NO_THROW(f.bar.SetValue(50));
    EXPECT_EQ(f.Count("buffer hatch"), 0u);
    EXPECT_TRUE(Has(f.log, "buffer text \"50 %\" 88,4,112,17"));
}

}  // namespace
