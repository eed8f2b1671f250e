// Form1 in high contrast, in-process under Wine, in a prefix of its own whose
// system colours are distinctive (tests/win/contrast_prefix.sh): the window
// and frame backgrounds, outlines, captions and labels, the buttons, the
// bars and the drawn menu items paint in the system's colours and none of
// their own; the look follows the setting at once; with high contrast off
// the same prefix shows the program's own colours.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "app/form1_win32.h"
#include "app/form/form_codec.h"
#include "win32/contrast.h"
#include "progressbar_support_win32.h"
#include "registry/memory_registry.h"
#include "tests/support/form1_fixture_win32.h"

using kavrel::app::Form1;
using kavrel::app::FormWindow;
using kavrel::app::LoadForm1;
using kavrel::progressbar::Colour;
using kavrel::progressbar::PixelImage;
using kavrel::progressbar::win32::CapturePixels;
using kavrel::win32::DecideHighContrast;
using kavrel::testing::Form1Bytes;
using kavrel::testing::Pump;

namespace {

// The colours contrast_prefix.sh gives the prefix (0x00BBGGRR).
constexpr Colour kWindow = 0x000000;
constexpr Colour kWindowText = 0x00FFFF;     // 255 255 0
constexpr Colour kHighlight = 0xFF8000;      // 0 128 255
constexpr Colour kHighlightText = 0xFFFFFF;  // 255 255 255
constexpr Colour kButtonFace = 0x600000;     // 0 0 96
constexpr Colour kButtonText = 0xFFFF00;     // 0 255 255
constexpr Colour kGrayText = 0x00C000;       // 0 192 0
constexpr Colour kMenu = 0x400030;           // 48 0 64
constexpr Colour kMenuText = 0xFFFFFF;       // 255 255 255
constexpr Colour kWhite = 0xFFFFFF;

int Count(const PixelImage& image, const RECT& r, Colour colour) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += image.At(x, y) == colour;
    return n;
}

int CountOther(const PixelImage& image, const RECT& r, const std::set<Colour>& colours) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += colours.count(image.At(x, y)) == 0;
    return n;
}

class ContrastForm1 : public ::testing::Test, protected kavrel::testing::Form1OnScreen {
protected:
    void SetUp() override {
        ASSERT_EQ(GetSysColor(COLOR_WINDOW), kWindow) << "not the contrast prefix (tests/win/contrast_prefix.sh)";
        ASSERT_EQ(GetSysColor(COLOR_BTNFACE), kButtonFace) << "not the contrast prefix";
        DecideHighContrast(true);
        ShowForm1(reg, backups);
    }
    void TearDown() override {
        CloseForm1();
        DecideHighContrast(std::nullopt);
    }
    // The client area as it stands on the screen.
    PixelImage Capture() const {
        RECT r{};
        GetClientRect(window->Handle(), &r);
        const HDC dc = GetDC(window->Handle());
        PixelImage image = CapturePixels(dc, 0, 0, r.right, r.bottom);
        ReleaseDC(window->Handle(), dc);
        return image;
    }
    // Everything painted anew, then captured.
    PixelImage Shot() const {
        RedrawWindow(window->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
        return Capture();
    }
    RECT At(const char* control) const { return window->ControlRect(control); }

    kavrel::registry::MemoryRegistry reg{true};
    kavrel::testing::KeptBackups backups;
};

TEST_F(ContrastForm1, WindowFramesLabelsAndTheShapeTakeTheWindowColours) {
    const PixelImage image = Shot();
    ASSERT_EQ(image.width, 508);
    EXPECT_PIXEL(image, 3, 3, kWindow);    // the window around FramePlus3
    EXPECT_PIXEL(image, 400, 30, kWindow);  // FramePlus3, under its caption's line
    const RECT frame3 = At("FramePlus3");
    EXPECT_PIXEL(image, frame3.left, 150, kWindowText);  // its outline
    const RECT caption{frame3.left + 8, frame3.top, frame3.left + 150, frame3.top + 14};
    EXPECT_GT(Count(image, caption, kWindowText), 20) << "the caption \"Internet Optimisation :\"";
    const RECT frame1 = At("FramePlus1");
    EXPECT_PIXEL(image, frame1.right - 8, frame1.top + 60, kWindow);  // beside the options

    const RECT label12 = At("Label12");
    EXPECT_GT(Count(image, label12, kWindowText), 200) << "Label12's text";
    EXPECT_EQ(Count(image, label12, 0x800000), 0) << "the label's own navy";
    EXPECT_EQ(Count(image, label12, kWhite), 0) << "the frame's own white";

    // The copyright: in the window text colour, without its white copy.
    RECT copyright{};
    const RECT label4 = At("Label4"), label5 = At("Label5");
    UnionRect(&copyright, &label4, &label5);
    EXPECT_GT(Count(image, copyright, kWindowText), 50);
    EXPECT_EQ(Count(image, copyright, kWhite), 0) << "Label5 is not drawn";

    // The option buttons, standard controls, on the window colour.
    const RECT lan = At("Lan1");
    EXPECT_PIXEL(image, lan.right - 3, (lan.top + lan.bottom) / 2, kWindow);
    EXPECT_GT(Count(image, lan, kWindowText), 20) << "\"R\u00e9seaux local (Lan)\"";

    // The shape's outline beside the banner; the banner itself as it is.
    const RECT shape = At("Shape1");
    EXPECT_PIXEL(image, shape.left, (shape.top + shape.bottom) / 2, kWindowText);
    EXPECT_GT(CountOther(image, At("Image4"), {kWindow, kWindowText}), 1000) << "the banner's own colours";
}

TEST_F(ContrastForm1, ButtonsTakeTheButtonColoursAndGreyWhenUnavailable) {
    PixelImage image = Shot();
    const RECT b = At("command1");
    const int middle = (b.top + b.bottom) / 2;
    EXPECT_PIXEL(image, b.left + 4, b.top + 4, kButtonFace);
    EXPECT_PIXEL(image, b.left, middle, kWindowText);  // the outline
    EXPECT_PIXEL(image, b.right - 1, middle, kWindowText);
    const RECT text{b.left + (b.right - b.left) / 3, b.top + 2, b.right - 2, b.bottom - 2};
    EXPECT_GT(Count(image, text, kButtonText), 20) << "\"&Optimiser\"";
    const RECT picture{b.left + 4, b.top + 4, b.left + (b.right - b.left) / 3, b.bottom - 4};
    EXPECT_GT(CountOther(image, picture, {kButtonFace, kButtonText, kWindowText, kWindow}), 20) << "the picture stays";

    // During the progress display the window is disabled: a click does
    // nothing, and the caption says so without a forced repaint.
    window->SetProperty("Form1", "Enabled", 0);
    Pump();
    image = Capture();
    EXPECT_GT(Count(image, text, kGrayText), 20);
    EXPECT_EQ(Count(image, text, kButtonText), 0);
    EXPECT_PIXEL(image, b.left + 4, b.top + 4, kButtonFace);
    window->SetProperty("Form1", "Enabled", -1);
    Pump();
    image = Capture();
    EXPECT_GT(Count(image, text, kButtonText), 20) << "available again";
    EXPECT_EQ(Count(image, text, kGrayText), 0);
}

TEST_F(ContrastForm1, BarsAreAFlatFillInTheHighlightColour) {
    procedures->command1_Click();
    for (int tick = 0; tick < 3; ++tick) procedures->Timer3_Timer();  // Bar2 at 45
    const PixelImage image = Shot();
    const RECT bar2 = At("Bar2");  // 249 x 9
    const int middle = (bar2.top + bar2.bottom) / 2;
    EXPECT_PIXEL(image, bar2.left, bar2.top, kWindowText);  // the frame
    EXPECT_PIXEL(image, bar2.right - 1, middle, kWindowText);
    // 45 % of the 247 inner columns: 111 columns from column 1.
    EXPECT_PIXEL(image, bar2.left + 1, middle, kHighlight);
    EXPECT_PIXEL(image, bar2.left + 111, middle, kHighlight);
    EXPECT_PIXEL(image, bar2.left + 112, middle, kWindow);
    EXPECT_EQ(CountOther(image, bar2, {kWindow, kWindowText, kHighlight}), 0) << "no shading, no colour of its own";
    const RECT bar1 = At("Bar1");  // at 0
    EXPECT_PIXEL(image, bar1.left + 1, (bar1.top + bar1.bottom) / 2, kWindow);
    EXPECT_EQ(CountOther(image, bar1, {kWindow, kWindowText}), 0);
}

TEST_F(ContrastForm1, DrawnMenuItemsTakeTheMenuColoursAndKeepTheirPictures) {
    HMENU file = GetSubMenu(GetMenu(window->Handle()), 0);
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_ID | MIIM_DATA;
    ASSERT_TRUE(GetMenuItemInfoW(file, 0, TRUE, &mii));  // "&Quitter", with its picture

    auto draw = [&](UINT state) {
        const HDC screen = GetDC(nullptr);
        const HDC dc = CreateCompatibleDC(screen);
        const HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 24);
        const HGDIOBJ old = SelectObject(dc, bitmap);
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_MENU;
        dis.itemID = mii.wID;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = state;
        dis.hwndItem = reinterpret_cast<HWND>(file);
        dis.hDC = dc;
        dis.rcItem = RECT{0, 0, 200, 24};
        dis.itemData = mii.dwItemData;
        SendMessageW(window->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
        PixelImage image = CapturePixels(dc, 0, 0, 200, 24);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return image;
    };
    const RECT text{40, 0, 200, 24}, picture{0, 0, 28, 24};

    PixelImage item = draw(0);
    EXPECT_PIXEL(item, 199, 1, kMenu);
    EXPECT_PIXEL(item, 2, 1, kMenu);  // no column of its own colour
    EXPECT_GT(Count(item, text, kMenuText), 20) << "\"&Quitter\"";
    EXPECT_GT(CountOther(item, picture, {kMenu, kMenuText}), 20) << "the picture stays";

    item = draw(ODS_SELECTED);
    EXPECT_PIXEL(item, 199, 1, kHighlight);
    EXPECT_GT(Count(item, text, kHighlightText), 20);
    EXPECT_GT(CountOther(item, picture, {kHighlight, kHighlightText}), 20);

    item = draw(ODS_GRAYED);
    EXPECT_PIXEL(item, 199, 1, kMenu);
    EXPECT_GT(Count(item, text, kGrayText), 20);

    // High contrast off: the menu's own look, whatever the system's colours.
    DecideHighContrast(false);
    item = draw(0);
    EXPECT_PIXEL(item, 199, 1, kWhite);
    EXPECT_PIXEL(item, 2, 1, 0xF8F3F0);  // the pale column of the pictures
    EXPECT_GT(Count(item, text, 0x101010), 20) << "the menu's own dark grey text";
}

TEST_F(ContrastForm1, TheLookFollowsTheSettingAtOnce) {
    window->SetProperty("Bar2", "Visible", -1);
    window->SetProperty("Bar2", "Value", 45);
    const RECT b = At("command1");
    const RECT bar2 = At("Bar2");
    const RECT lan = At("Lan1");
    const int barMiddle = (bar2.top + bar2.bottom) / 2;

    // Off, as Windows would say when the user turns it off: the program's
    // own colours, although the system's are those of high contrast.
    DecideHighContrast(false);
    SendMessageW(window->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    Pump();
    PixelImage image = Capture();
    EXPECT_PIXEL(image, 400, 30, kWhite);
    EXPECT_PIXEL(image, lan.right - 3, (lan.top + lan.bottom) / 2, kWhite);
    EXPECT_NE(image.At(b.left + 4, b.top + 4), kButtonFace);
    EXPECT_NE(image.At(bar2.left + 5, barMiddle), kHighlight);

    // On again: everything follows without a restart.
    DecideHighContrast(true);
    SendMessageW(window->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    Pump();
    image = Capture();
    EXPECT_PIXEL(image, 400, 30, kWindow);
    EXPECT_PIXEL(image, lan.right - 3, (lan.top + lan.bottom) / 2, kWindow);
    EXPECT_PIXEL(image, b.left + 4, b.top + 4, kButtonFace);
    EXPECT_PIXEL(image, bar2.left + 5, barMiddle, kHighlight);

    // A change of the system colours repaints too.
    DecideHighContrast(false);
    SendMessageW(window->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    Pump();
    image = Capture();
    EXPECT_PIXEL(image, 400, 30, kWhite);
    EXPECT_NE(image.At(bar2.left + 5, barMiddle), kHighlight);
}

}  // namespace
