// The window host under Wine, in-process: Form1 made from its stored
// description (embedded in this test program as it is in the real one),
// looked at through the host and through plain Win32 calls.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form/form_codec.h"
#include "app/host/form_window_win32.h"
#include "app/host/host_gdi_win32.h"
#include "progressbar/bar_surface_win32.h"
#include "tests/support/form1_fixture_win32.h"

using namespace kavrel;
using namespace kavrel::app;
using kavrel::testing::Form1Bytes;
using kavrel::testing::Pump;

namespace {

std::wstring TextOf(HWND hwnd) {
    wchar_t buf[512] = {};
    GetWindowTextW(hwnd, buf, 512);
    return buf;
}

class Form1Window : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        form = LoadForm1(Form1Bytes());
        Make(form);
    }
    void TearDown() override {
        window.reset();
        Pump();
        OleUninitialize();
    }
    void Make(const FormDescription& description) {
        window.reset();
        FormWindow::Events events;
        events.press = [this](const std::string& b) { presses.push_back(b); };
        events.menu = [this](const std::string& m) { menus.push_back(m); };
        window = std::make_unique<FormWindow>(description, GetModuleHandleW(nullptr), events);
        window->Show(SW_SHOWNORMAL);
        Pump();
    }
    // A control's expected rectangle in the window's client area at 96 DPI:
    // its twips and those of its containers, 15 twips a pixel.
    RECT Expected(int left, int top, int width, int height) {
        return RECT{left / 15, top / 15, left / 15 + width / 15, top / 15 + height / 15};
    }
    FormDescription form;
    std::unique_ptr<FormWindow> window;
    std::vector<std::string> presses, menus;
};

TEST_F(Form1Window, IsAFixedDialogWindowWithTheStoredCaptionCentredOnTheScreen) {
    HWND w = window->Handle();
    EXPECT_EQ(TextOf(w), L"  Kavrel LinkTuner  2007");
    const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "resizable";
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(GetMenu(w) != nullptr);
    EXPECT_TRUE(IsWindowEnabled(w));

    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 508);  // 7620 twips
    EXPECT_EQ(client.bottom, 325);  // 4875 twips

    RECT wr{};
    GetWindowRect(w, &wr);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR((wr.left + wr.right) / 2.0, sw / 2.0, 1.0);
    EXPECT_NEAR((wr.top + wr.bottom) / 2.0, sh / 2.0, 1.0);
}

TEST(Form1WindowMade, IsMadeHiddenAtItsSizeAndPlaceSoThatShowingItMovesNothing) {
    OleInitialize(nullptr);
    {
        const FormDescription form = LoadForm1(Form1Bytes());
        FormWindow window(form, GetModuleHandleW(nullptr), {});
        // Hidden, it already has its client size and its centred place.
        HWND w = window.Handle();
        EXPECT_FALSE(IsWindowVisible(w));
        RECT client{};
        GetClientRect(w, &client);
        EXPECT_EQ(client.right, 508);
        EXPECT_EQ(client.bottom, 325);
        RECT before{};
        GetWindowRect(w, &before);
        EXPECT_NEAR((before.left + before.right) / 2.0, GetSystemMetrics(SM_CXSCREEN) / 2.0, 1.0);
        EXPECT_NEAR((before.top + before.bottom) / 2.0, GetSystemMetrics(SM_CYSCREEN) / 2.0, 1.0);
        window.Show(SW_SHOWNORMAL);
        Pump();
        RECT after{};
        GetWindowRect(w, &after);
        EXPECT_TRUE(EqualRect(&before, &after)) << "moved from " << before.left << "," << before.top << " to "
                                                << after.left << "," << after.top;
    }
    Pump();
    OleUninitialize();
}

// The icons a window shows, big and small: their sizes in pixels.
SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return SIZE{};
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return SIZE{bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
}

TEST(Form1WindowMade, HasTheDescriptionsIconsFromItsCreation) {
    OleInitialize(nullptr);
    {
        FormDescription form = LoadForm1(Form1Bytes());
        ASSERT_TRUE(form.window.icon.has_value());
        FormWindow window(form, GetModuleHandleW(nullptr), {});
        HWND w = window.Handle();
        const auto big = reinterpret_cast<HICON>(SendMessageW(w, WM_GETICON, ICON_BIG, 0));
        const auto small = reinterpret_cast<HICON>(SendMessageW(w, WM_GETICON, ICON_SMALL, 0));
        ASSERT_NE(big, nullptr);
        ASSERT_NE(small, nullptr);
        EXPECT_EQ(IconSize(big).cx, GetSystemMetrics(SM_CXICON));
        EXPECT_EQ(IconSize(small).cx, GetSystemMetrics(SM_CXSMICON));
        EXPECT_NE(big, reinterpret_cast<HICON>(GetClassLongPtrW(w, GCLP_HICON)));

        form.window.icon.reset();
        FormWindow plain(form, GetModuleHandleW(nullptr), {});
        // None of its own: the class icon of the program file stands in.
        EXPECT_EQ(SendMessageW(plain.Handle(), WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_EQ(SendMessageW(plain.Handle(), WM_GETICON, ICON_SMALL, 0), 0);
        // The first window keeps its own.
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(w, WM_GETICON, ICON_BIG, 0)), big);
    }
    Pump();
    OleUninitialize();
}

TEST_F(Form1Window, EveryControlIsWhereTheDescriptionPutsIt) {
    const int frame3 = 120;  // FramePlus3's left and top in the window
    auto inFrame3 = [&](int l, int t, int w, int h) { return Expected(frame3 + l, frame3 + t, w, h); };
    auto check = [&](const char* name, RECT want) {
        const RECT got = window->ControlRect(name);
        EXPECT_EQ(got.left, want.left) << name;
        EXPECT_EQ(got.top, want.top) << name;
        EXPECT_EQ(got.right, want.right) << name;
        EXPECT_EQ(got.bottom, want.bottom) << name;
    };
    check("FramePlus3", Expected(120, 120, 7455, 4695));
    check("command1", inFrame3(4080, 4080, 1455, 495));
    check("KavrelCmd1", inFrame3(5760, 4080, 1455, 495));
    check("Label12", inFrame3(120, 600, 7095, 615));
    check("Image4", inFrame3(240, 3480, 3600, 630));
    check("Shape1", inFrame3(165, 3345, 3735, 900));
    check("Label5", inFrame3(135, 4350, 3765, 180));
    check("FramePlus1", inFrame3(120, 1440, 3735, 1815));
    check("Adsl1", inFrame3(120 + 600, 1440 + 435, 1815, 255));
    check("Image1", inFrame3(120 + 120, 1440 + 1245, 300, 300));
    check("FramePlus2", inFrame3(3960, 1320, 3375, 2655));
    check("r1024", inFrame3(3960 + 240, 1320 + 2280, 3015, 255));
}

TEST_F(Form1Window, StartsIdleWithModemAnd56Selected) {
    const std::vector<std::pair<const char*, int>> options = {
        {"Adsl1", 0}, {"Modem1", -1}, {"Lan1", 0},  {"r33", 0},  {"r56", -1},
        {"r64", 0},   {"r128", 0},    {"r512", 0},  {"r1024", 0}};
    for (const auto& [name, value] : options) EXPECT_EQ(window->GetProperty(name, "Value"), value) << name;
    EXPECT_EQ(window->GetProperty("Timer3", "Enabled"), 0);
    EXPECT_EQ(window->GetProperty("Image4", "Visible"), -1);
    for (const char* hidden : {"Label1", "Label2", "Bar1", "Bar2"}) {
        EXPECT_EQ(window->GetProperty(hidden, "Visible"), 0) << hidden;
        EXPECT_FALSE(window->ControlVisible(hidden)) << hidden;
    }
    EXPECT_EQ(window->ControlCaption("Adsl1"), L"ADSL ou Cable ");
    EXPECT_EQ(window->ControlCaption("r56"), L"56  kbps (RTC)");
    EXPECT_EQ(window->ControlCaption("Lan1"), L"R\u00e9seaux local (Lan)");
    EXPECT_EQ(TextOf(window->ControlWindow("command1")), L"&Optimiser");
}

TEST_F(Form1Window, SelectingAnOptionClearsOnlyTheOthersOfItsFrame) {
    kavrel::testing::ClickControl(*window, "Lan1");
    Pump();
    EXPECT_EQ(window->GetProperty("Lan1", "Value"), -1);
    EXPECT_EQ(window->GetProperty("Modem1", "Value"), 0);
    EXPECT_EQ(window->GetProperty("Adsl1", "Value"), 0);
    EXPECT_EQ(window->GetProperty("r56", "Value"), -1);  // the speed group is untouched
    kavrel::testing::ClickControl(*window, "r1024");
    Pump();
    EXPECT_EQ(window->GetProperty("r56", "Value"), 0);
    EXPECT_EQ(window->GetProperty("r1024", "Value"), -1);
    EXPECT_EQ(window->GetProperty("Lan1", "Value"), -1);
    // The keyboard goes to the selected option of each group.
    EXPECT_TRUE(kavrel::testing::ControlStateOf(*window, "r1024") & kControlFocused);
    SetFocus(window->ControlWindow("command1"));
    SetFocus(window->ControlWindow("FramePlus1"));
    EXPECT_TRUE(kavrel::testing::ControlStateOf(*window, "Lan1") & kControlFocused);
    EXPECT_FALSE(kavrel::testing::ControlStateOf(*window, "Modem1") & kControlFocused);
}

TEST_F(Form1Window, ButtonsAndMenuItemsReportTheirNames) {
    SendMessageW(window->ControlWindow("command1"), BM_CLICK, 0, 0);
    SendMessageW(window->ControlWindow("KavrelCmd1"), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(presses, (std::vector<std::string>{"command1", "KavrelCmd1"}));

    // The menu bar: "&Fichier", "&Action", "&Aide", with their items.
    HMENU bar = GetMenu(window->Handle());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    wchar_t text[64];
    GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&Fichier");
    GetMenuStringW(bar, 2, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&Aide");
    HMENU help = GetSubMenu(bar, 2);
    ASSERT_EQ(GetMenuItemCount(help), 3);
    EXPECT_EQ(GetMenuState(help, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    const UINT siteId = GetMenuItemID(help, 2);
    SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(siteId, 0), 0);
    EXPECT_EQ(menus, (std::vector<std::string>{"site"}));
}

TEST_F(Form1Window, AButtonPressCountsOnceLetGoOverTheButton) {
    const HWND button = window->ControlWindow("command1");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(SendMessageW(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON);  // its access key presses it
    const auto pushed = [&] { return (SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; };

    // Held by the mouse, then let go outside: no press.
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_TRUE(pushed());
    EXPECT_EQ(GetFocus(), button);
    SendMessageW(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-40, -40));
    EXPECT_FALSE(pushed());
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(-40, -40));
    EXPECT_NE(GetCapture(), button);
    EXPECT_TRUE(presses.empty());

    // Space: pushed while held, pressed as it is let go.
    SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(pushed());
    EXPECT_TRUE(presses.empty());
    SendMessageW(button, WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(pushed());
    EXPECT_EQ(presses, (std::vector<std::string>{"command1"}));

    // A double click is one press; a disabled button takes none.
    presses.clear();
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    SendMessageW(button, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(presses, (std::vector<std::string>{"command1"}));
    EnableWindow(button, FALSE);
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(presses.size(), 1u);
}

// The windows of the bar class under the form, wherever they are.
int BarWindows(HWND form) {
    int count = 0;
    EnumChildWindows(
        form,
        [](HWND c, LPARAM lp) -> BOOL {
            wchar_t cls[64] = {};
            GetClassNameW(c, cls, 64);
            if (std::wstring(cls) == progressbar::win32::BarSurface::kClassName) ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

const Control* ControlWithId(const Control& c, int id) {
    if (c.id == id) return &c;
    for (const Control& child : c.children) {
        if (const Control* found = ControlWithId(child, id)) return found;
    }
    return nullptr;
}

TEST_F(Form1Window, TheHiddenBarsGetTheirWindowsWhenFirstNeeded) {
    // Hidden at start, hidden again: no window yet.
    EXPECT_EQ(BarWindows(window->Handle()), 0);
    window->SetProperty("Bar1", "Visible", 0);
    EXPECT_EQ(BarWindows(window->Handle()), 0);

    // Read, it is made, still hidden, with the description's value.
    EXPECT_EQ(window->GetProperty("Bar1", "Value"), 0);
    EXPECT_EQ(BarWindows(window->Handle()), 1);
    EXPECT_FALSE(window->ControlVisible("Bar1"));

    // Shown, it is where the layout puts it, among its siblings in tab order.
    window->SetProperty("Bar2", "Visible", -1);
    ASSERT_EQ(BarWindows(window->Handle()), 2);
    const HWND bar = window->ControlWindow("Bar2");
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(IsWindowVisible(bar));
    RECT got{};
    GetWindowRect(bar, &got);
    MapWindowPoints(nullptr, window->Handle(), reinterpret_cast<POINT*>(&got), 2);
    const RECT want = window->ControlRect("Bar2");
    EXPECT_TRUE(EqualRect(&got, &want)) << got.left << "," << got.top << " want " << want.left << "," << want.top;
    int last = -1;
    for (HWND c = GetWindow(GetParent(bar), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const Control* model = ControlWithId(form.window, GetDlgCtrlID(c));
        ASSERT_NE(model, nullptr);
        const int tab = model->tabIndex.value_or(0xFFFF);
        EXPECT_GE(tab, last) << model->name;
        last = tab;
    }
}

TEST_F(Form1Window, LateBoundAccessShowsHidesAndDisables) {
    window->SetProperty("Label1", "Visible", -1);
    window->SetProperty("Bar1", "Visible", -1);
    EXPECT_EQ(window->GetProperty("Label1", "Visible"), -1);
    EXPECT_TRUE(window->ControlVisible("Bar1"));
    window->SetProperty("Form1", "Enabled", 0);
    EXPECT_FALSE(IsWindowEnabled(window->Handle()));
    window->SetProperty("Form1", "Enabled", -1);
    EXPECT_TRUE(IsWindowEnabled(window->Handle()));
    EXPECT_THROW(window->SetProperty("NoSuchControl", "Visible", 0), std::invalid_argument);
    EXPECT_THROW(window->GetProperty("Label1", "Caption"), std::invalid_argument);
}

TEST_F(Form1Window, TheTimerTicksOnlyWhileEnabled) {
    std::vector<std::string> ticks;
    FormWindow::Events events;
    events.tick = [&](const std::string& t) { ticks.push_back(t); };
    window = std::make_unique<FormWindow>(form, GetModuleHandleW(nullptr), events);
    Pump();  // the replaced window's end posted a quit message
    window->SetProperty("Timer3", "Enabled", -1);
    const DWORD start = GetTickCount();
    while (ticks.size() < 2 && GetTickCount() - start < 3000) {
        MSG msg;
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
        DispatchMessageW(&msg);
    }
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks.front(), "Timer3");
    window->SetProperty("Timer3", "Enabled", 0);
    ticks.clear();
    Sleep(400);
    Pump();
    EXPECT_TRUE(ticks.empty());
}

TEST_F(Form1Window, AChangedDescriptionChangesTheWindow) {
    FormDescription changed = form;
    changed.window.caption = "Autre titre";
    Control* label = changed.Find("Adsl1");
    ASSERT_TRUE(label);
    label->caption = "Fibre optique";
    label->position->top += 150;  // 10 pixels lower
    Control* button = changed.Find("command1");
    button->storedSet->Write("caption", std::string("&Lancer"));
    Make(changed);
    EXPECT_EQ(TextOf(window->Handle()), L"Autre titre");
    EXPECT_EQ(window->ControlCaption("Adsl1"), L"Fibre optique");
    EXPECT_EQ(TextOf(window->ControlWindow("command1")), L"&Lancer");
    EXPECT_EQ(window->ControlRect("Adsl1").top, (120 + 1440 + 435 + 150) / 15);
}

}  // namespace
