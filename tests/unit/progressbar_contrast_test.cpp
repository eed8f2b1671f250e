// The bar in high contrast, on recording stand-ins: whatever the style, one
// flat bar in the system's colours (window behind, highlight fill, window
// text frame), the text in the window text colour and, where it lies over
// the fill, in the highlight text colour. And the level each redraw shows,
// told to the surface for assistive technology.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "progressbar_fakes.h"

using namespace kavrel::persist;
using namespace kavrel::progressbar;
using namespace kavrel::progressbar::testing;

namespace {

// Colours no style of the bar draws by itself.
constexpr Colour kWindow = 0x101010;
constexpr Colour kWindowText = 0x00FFFF;
constexpr Colour kHighlight = 0xFF8000;
constexpr Colour kHighlightText = 0x0000FF;

// A 200 x 20 bar whose platform reports high contrast, log emptied.
struct ContrastBar : FakeBar {
    ContrastBar() {
        graphics.systemColours = {{kSystemWindow, kWindow},
                                  {kSystemWindowText, kWindowText},
                                  {kSystemHighlight, kHighlight},
                                  {kSystemHighlightText, kHighlightText}};
        graphics.highContrast = true;
        log.clear();
    }
    // What the last operations drew, without the final copy to the screen.
    std::vector<std::string> Drawn() const {
        std::vector<std::string> out;
        for (const auto& line : log) {
            if (line.rfind("buffer ", 0) == 0) out.push_back(line.substr(7));
        }
        return out;
    }
};

TEST(ProgressBarContrast, EveryStyleDrawsTheSameFlatBarInSystemColours) {
    // 45 % of the 198 inner columns is 89.1: 89 columns from column 1.
    const std::vector<std::string> expected = {"fill 0,0,200,20 101010", "fill 1,1,90,19 FF8000",
                                               "frame 0,0,200,20 00FFFF"};
    for (const std::int32_t style : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 42}) {
        ContrastBar f;
        f.bar.SetImage(std::make_shared<StdPicture>());  // the picture style has something to tile
        f.bar.SetScrolling(style);
        f.log.clear();
        f.bar.SetValue(45);
        EXPECT_EQ(f.Drawn(), expected) << "style " << style;
        // Still one copy of the buffer to the screen.
        EXPECT_EQ(f.log.back(), "screen blit 0,0 200x20 from 1001 at 0,0") << "style " << style;
    }
}

TEST(ProgressBarContrast, TheFillFollowsTheLevelFromEmptyToFull) {
    ContrastBar f;
    f.bar.SetValue(0);
    EXPECT_EQ(f.Drawn(), (std::vector<std::string>{"fill 0,0,200,20 101010", "frame 0,0,200,20 00FFFF"}));
    f.log.clear();
    f.bar.SetValue(-10);  // kept, drawn as empty
    EXPECT_EQ(f.Drawn(), (std::vector<std::string>{"fill 0,0,200,20 101010", "frame 0,0,200,20 00FFFF"}));
    f.log.clear();
    f.bar.SetValue(150);  // lowered to 100
    EXPECT_EQ(f.Drawn(), (std::vector<std::string>{"fill 0,0,200,20 101010", "fill 1,1,199,19 FF8000",
                                                   "frame 0,0,200,20 00FFFF"}));
}

TEST(ProgressBarContrast, AVerticalBarFillsFromTheBottom) {
    ContrastBar f;
    f.bar.SetOrientation(kVertical);
    f.log.clear();
    // 25 % of the 18 inner rows is 4.5, rounded to the even 4.
    f.bar.SetValue(25);
    EXPECT_EQ(f.Drawn(), (std::vector<std::string>{"fill 0,0,200,20 101010", "fill 1,15,199,19 FF8000",
                                                   "frame 0,0,200,20 00FFFF"}));
}

TEST(ProgressBarContrast, TextOverTheFillTakesTheHighlightTextColour) {
    ContrastBar f;
    f.bar.SetShowText(true);
    f.log.clear();
    // "50 %" measures 24 x 13 here: centred at 88,4; the fill ends at 100.
    f.bar.SetValue(50);
    const std::vector<std::string> drawn = f.Drawn();
    const std::vector<std::string> expectedText = {"textcolor 00FFFF", "measure 50 %", "text \"50 %\" 88,4,112,17",
                                                   "textcolor 0000FF", "text \"50 %\" 88,4,100,17"};
    std::vector<std::string> text;
    for (const auto& line : drawn) {
        if (line.rfind("text", 0) == 0 || line.rfind("measure", 0) == 0) text.push_back(line);
    }
    EXPECT_EQ(text, expectedText);

    // With nothing filled the text is drawn once, in the window text colour.
    f.log.clear();
    f.bar.SetValue(0);
    text.clear();
    for (const auto& line : f.Drawn()) {
        if (line.rfind("text", 0) == 0) text.push_back(line);
    }
    EXPECT_EQ(text, (std::vector<std::string>{"textcolor 00FFFF", "text \"0 %\" 91,4,109,17"}));
}

TEST(ProgressBarContrast, NormalModeDrawsNothingOfTheSystemColours) {
    // The same bar with and without the system's high-contrast colours
    // known, high contrast off: the very same drawing.
    for (const std::int32_t style : {0, 1, 5, 6, 9}) {
        FakeBar plain;
        ContrastBar known;
        known.graphics.highContrast = false;
        for (FakeBar* f : {&plain, static_cast<FakeBar*>(&known)}) {
            f->bar.SetScrolling(style);
            f->bar.SetShowText(true);
            f->log.clear();
            f->bar.SetValue(60);
        }
        EXPECT_EQ(known.log, plain.log) << "style " << style;
    }
}

TEST(ProgressBarContrast, EachRedrawTellsTheSurfaceTheLevelItShows) {
    for (const bool contrast : {false, true}) {
        FakeBar f;
        f.graphics.highContrast = contrast;
        f.surface.levelsShown.clear();
        f.bar.SetValue(30);
        f.bar.SetValue(130);  // shown as 100
        f.bar.SetMax(200);    // no redraw: nothing told
        f.bar.Paint();
        EXPECT_EQ(f.surface.levelsShown, (std::vector<std::int32_t>{30, 100, 100})) << "contrast " << contrast;
    }
    // Nothing is drawn, so nothing told, once the bar has ended.
    FakeBar ended;
    ended.bar.Terminate();
    ended.surface.levelsShown.clear();
    ended.bar.SetValue(10);
    EXPECT_TRUE(ended.surface.levelsShown.empty());
}

}  // namespace
