// What assistive technology sees of Form1, in-process under Wine (win events
// and menu contents do not cross processes there): the objects of the
// window, the frames, the buttons and the bars with the drawn children of
// their containers, the events of one whole animation, the drawn menu items,
// and objects that outlive their windows.
#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "app/form1_win32.h"
#include "app/form/form_codec.h"
#include "app/host/host_gdi_win32.h"
#include "win32/accessible.h"
#include "registry/memory_registry.h"
#include "tests/support/form1_fixture_win32.h"

using namespace kavrel;
using namespace kavrel::app;
using kavrel::win32::kIID_IAccessible;
using kavrel::testing::Form1Bytes;
using kavrel::testing::Pump;
using kavrel::testing::PumpExceptTimers;

namespace {

// One COM reference, released at the end of its scope.
class Acc {
public:
    Acc() = default;
    explicit Acc(IAccessible* p) : p_(p) {}
    ~Acc() {
        if (p_) p_->Release();
    }
    Acc(Acc&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Acc& operator=(Acc&& o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    IAccessible* operator->() const { return p_; }
    IAccessible* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    IAccessible* p_ = nullptr;
};

std::string Narrow(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

VARIANT Id(LONG id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

Acc ObjectOf(HWND hwnd) {
    IAccessible* p = nullptr;
    AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), kIID_IAccessible, reinterpret_cast<void**>(&p));
    return Acc(p);
}

Acc FromDispatch(IDispatch* d) {
    IAccessible* p = nullptr;
    if (d) {
        d->QueryInterface(kIID_IAccessible, reinterpret_cast<void**>(&p));
        d->Release();
    }
    return Acc(p);
}

// One element: an object of its own (child 0), or a child it answers for.
struct Element {
    IAccessible* object = nullptr;
    LONG child = CHILDID_SELF;

    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) const {
        BSTR b = nullptr;
        if (FAILED((object->*get)(Id(child), &b)) || !b) return {};
        std::wstring s(b, SysStringLen(b));
        SysFreeString(b);
        return s;
    }
    std::wstring Name() const { return Text(&IAccessible::get_accName); }
    std::wstring Value() const { return Text(&IAccessible::get_accValue); }
    std::wstring Action() const { return Text(&IAccessible::get_accDefaultAction); }
    std::wstring Shortcut() const { return Text(&IAccessible::get_accKeyboardShortcut); }
    LONG Role() const {
        VARIANT v;
        VariantInit(&v);
        object->get_accRole(Id(child), &v);
        return v.vt == VT_I4 ? v.lVal : -1;
    }
    LONG State() const {
        VARIANT v;
        VariantInit(&v);
        object->get_accState(Id(child), &v);
        return v.vt == VT_I4 ? v.lVal : -1;
    }
};

// The children of an object, each with the object that answers for it.
struct Children {
    std::vector<Acc> owned;  // the children that are objects of their own
    std::vector<Element> elements;

    explicit Children(IAccessible* parent) {
        LONG count = 0;
        parent->get_accChildCount(&count);
        for (LONG i = 1; i <= count; ++i) {
            IDispatch* d = nullptr;
            const HRESULT hr = parent->get_accChild(Id(i), &d);
            if (hr == S_OK && d) {
                owned.push_back(FromDispatch(d));
                elements.push_back({owned.back().get(), CHILDID_SELF});
            } else {
                elements.push_back({parent, i});
            }
        }
    }
    std::vector<std::pair<LONG, std::wstring>> RolesAndNames() const {
        std::vector<std::pair<LONG, std::wstring>> out;
        for (const Element& e : elements) out.emplace_back(e.Role(), e.Name());
        return out;
    }
    const Element* Named(const std::wstring& name) const {
        for (const Element& e : elements) {
            if (e.Name() == name) return &e;
        }
        return nullptr;
    }
};

// Win events seen by this thread.
struct Event {
    DWORD event;
    HWND hwnd;
    LONG object;
    LONG child;
};
std::vector<Event> g_events;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    g_events.push_back({event, hwnd, object, child});
}

std::size_t CountEvents(DWORD event, HWND hwnd, LONG object = OBJID_CLIENT, LONG child = CHILDID_SELF) {
    std::size_t n = 0;
    for (const Event& e : g_events) n += e.event == event && e.hwnd == hwnd && e.object == object && e.child == child;
    return n;
}

class AccessibleForm1 : public ::testing::Test, protected kavrel::testing::Form1OnScreen {
protected:
    void SetUp() override { ShowForm1(reg, backups); }
    void TearDown() override { CloseForm1(); }
    HWND Hwnd(const char* control) const { return window->ControlWindow(control); }
    Acc Frame3() const { return ObjectOf(Hwnd("FramePlus3")); }

    registry::MemoryRegistry reg{true};
    kavrel::testing::KeptBackups backups;
};

const std::wstring kLabel12 =
    L"Avec Kavrel Vorlisk, vous pouvez optimiser la configuration de Winodws pour Internet ou pour votre "
    L"R\u00e9seau ... Pour une performance qui peut atteindre 300 % dans certains PC quelque soit le type du "
    L"materiels ..";

TEST_F(AccessibleForm1, TheIdleWindowShowsItsControlsInReadingOrder) {
    Acc form = ObjectOf(window->Handle());
    ASSERT_TRUE(form);
    const Element self{form.get(), CHILDID_SELF};
    EXPECT_EQ(self.Role(), ROLE_SYSTEM_CLIENT);
    EXPECT_EQ(self.Name(), L"Kavrel LinkTuner  2007");
    const Children top(form.get());
    ASSERT_EQ(top.elements.size(), 1u);  // the menu decoration has no place on the window
    EXPECT_EQ(top.elements[0].Role(), ROLE_SYSTEM_GROUPING);
    EXPECT_EQ(top.elements[0].Name(), L"Internet Optimisation :");

    // Labels with text of their own, the named banner, the bars named after
    // their captions, the frames and buttons; not the empty label, the
    // white copy of the copyright, the captions of the bars, the pictures
    // beside the options or the shape.
    const Children inFrame(top.elements[0].object);
    const std::vector<std::pair<LONG, std::wstring>> expected = {
        {ROLE_SYSTEM_STATICTEXT, kLabel12},
        {ROLE_SYSTEM_GROUPING, L"Type de connexion"},
        {ROLE_SYSTEM_GROUPING, L"La vitesse de votre connexion :"},
        {ROLE_SYSTEM_PROGRESSBAR, L"R\u00e9glage de Windows"},
        {ROLE_SYSTEM_GRAPHIC, L"Kavrel LinkTune"},
        {ROLE_SYSTEM_PROGRESSBAR, L"Optimisation en cours"},
        {ROLE_SYSTEM_PUSHBUTTON, L"Optimiser"},
        {ROLE_SYSTEM_PUSHBUTTON, L"A Propos"},
        {ROLE_SYSTEM_STATICTEXT, kavrel::win32::Widen(kVendorCopyright)},
    };
    EXPECT_EQ(inFrame.RolesAndNames(), expected);
    for (const Element& e : inFrame.elements) {
        if (e.Role() == ROLE_SYSTEM_STATICTEXT || e.Role() == ROLE_SYSTEM_GRAPHIC) {
            EXPECT_EQ(e.State(), STATE_SYSTEM_READONLY) << e.Role();
            EXPECT_NE(e.child, CHILDID_SELF) << "a drawn control is a child its container answers for";
        }
    }

    // The option buttons, named by their text as the system names radio
    // buttons; the one selected says so.
    const Children connection(inFrame.elements[1].object);
    std::vector<std::wstring> names;
    for (const Element& e : connection.elements) {
        names.push_back(e.Name());
        EXPECT_EQ(e.Role(), ROLE_SYSTEM_RADIOBUTTON);
        EXPECT_EQ(e.State() & STATE_SYSTEM_CHECKED, e.Name() == L"Modem" ? STATE_SYSTEM_CHECKED : 0) << e.Name();
        EXPECT_EQ(e.Action(), L"Cocher");
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"ADSL ou Cable ", L"Modem", L"R\u00e9seaux local (Lan)"}));
    EXPECT_EQ(Children(inFrame.elements[2].object).elements.size(), 6u);
}

TEST_F(AccessibleForm1, ButtonsArePushButtonsThatPressWhenAvailable) {
    Acc optimiser = ObjectOf(Hwnd("command1"));
    Acc about = ObjectOf(Hwnd("KavrelCmd1"));
    ASSERT_TRUE(optimiser && about);
    const Element o{optimiser.get()}, a{about.get()};
    EXPECT_EQ(o.Role(), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(o.Name(), L"Optimiser");
    EXPECT_EQ(o.Shortcut(), L"Alt+O");
    EXPECT_EQ(o.Action(), L"Appuyer");
    EXPECT_EQ(a.Name(), L"A Propos");
    EXPECT_EQ(a.Shortcut(), L"");  // no access letter
    EXPECT_EQ(a.Action(), L"Appuyer");
    EXPECT_TRUE(o.State() & STATE_SYSTEM_FOCUSABLE);
    EXPECT_FALSE(o.State() & STATE_SYSTEM_UNAVAILABLE);

    // Its own button disabled: not available.
    EnableWindow(Hwnd("KavrelCmd1"), FALSE);
    EXPECT_EQ(a.State() & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE), STATE_SYSTEM_UNAVAILABLE);
    EnableWindow(Hwnd("KavrelCmd1"), TRUE);

    // The default action presses the button: the run starts and locks the
    // window for the progress display.
    EXPECT_EQ(optimiser->accDoDefaultAction(Id(CHILDID_SELF)), S_OK);
    Pump();
    EXPECT_FALSE(IsWindowEnabled(window->Handle()));
    EXPECT_EQ(window->GetProperty("Timer3", "Enabled"), -1);
    EXPECT_TRUE(reg.GetValue(registry::kHkeyLocalMachine, R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)",
                             "DefaultTTL"));

    // While the window is disabled a click does nothing: neither button is
    // announced as available, and the action does nothing.
    for (const Element* e : {&o, &a}) {
        EXPECT_TRUE(e->State() & STATE_SYSTEM_UNAVAILABLE) << Narrow(e->Name());
        EXPECT_FALSE(e->State() & STATE_SYSTEM_FOCUSABLE) << Narrow(e->Name());
    }
    EXPECT_TRUE(FAILED(about->accDoDefaultAction(Id(CHILDID_SELF))));
}

TEST_F(AccessibleForm1, BarsReadTheirCaptionAndTheLevelTheyShow) {
    Acc bar2 = ObjectOf(Hwnd("Bar2"));
    Acc bar1 = ObjectOf(Hwnd("Bar1"));
    ASSERT_TRUE(bar1 && bar2);
    const Element b1{bar1.get()}, b2{bar2.get()};
    EXPECT_EQ(b2.Role(), ROLE_SYSTEM_PROGRESSBAR);
    EXPECT_EQ(b2.Name(), L"R\u00e9glage de Windows");  // "Réglage de Windows ...."
    EXPECT_EQ(b1.Name(), L"Optimisation en cours");   // "Optimisation en cours .."
    EXPECT_EQ(b2.Value(), L"0 %");
    EXPECT_TRUE(b2.State() & STATE_SYSTEM_INVISIBLE);

    procedures->command1_Click();
    for (int tick = 0; tick < 3; ++tick) procedures->Timer3_Timer();
    PumpExceptTimers();
    EXPECT_EQ(b2.Value(), L"45 %");
    EXPECT_EQ(b1.Value(), L"0 %");
    EXPECT_FALSE(b2.State() & STATE_SYSTEM_INVISIBLE);
    // The banner gives way to the bars.
    const Children inFrame(Frame3().get());
    const Element* banner = inFrame.Named(L"Kavrel LinkTune");
    ASSERT_TRUE(banner);
    EXPECT_TRUE(banner->State() & STATE_SYSTEM_INVISIBLE);
}

TEST_F(AccessibleForm1, OneWholeAnimationRaisesAValueChangeForEveryShownChange) {
    g_events.clear();
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_VALUECHANGE, nullptr, OnEvent, GetCurrentProcessId(), 0,
                        WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    const HWND bar1 = Hwnd("Bar1"), bar2 = Hwnd("Bar2"), frame3 = Hwnd("FramePlus3");
    const LONG banner = 5;  // Image4's child id in FramePlus3's object (see the reading order above)

    procedures->command1_Click();
    PumpExceptTimers();
    EXPECT_GE(CountEvents(EVENT_OBJECT_SHOW, bar1), 1u);
    EXPECT_GE(CountEvents(EVENT_OBJECT_SHOW, bar2), 1u);
    EXPECT_GE(CountEvents(EVENT_OBJECT_HIDE, frame3, OBJID_CLIENT, banner), 1u);
    EXPECT_GE(CountEvents(EVENT_OBJECT_STATECHANGE, Hwnd("command1")), 1u);

    int ticks = 0, checkedChanges = 0;
    while (window->GetProperty("Timer3", "Enabled") != 0 && ticks < 200) {
        const int before1 = window->GetProperty("Bar1", "Value"), before2 = window->GetProperty("Bar2", "Value");
        g_events.clear();
        procedures->Timer3_Timer();
        PumpExceptTimers();
        ++ticks;
        if (window->GetProperty("Timer3", "Enabled") == 0) break;  // the last tick hides the bars
        if (window->GetProperty("Bar1", "Value") != before1) {
            EXPECT_GE(CountEvents(EVENT_OBJECT_VALUECHANGE, bar1), 1u) << "tick " << ticks;
            ++checkedChanges;
        }
        if (window->GetProperty("Bar2", "Value") != before2) {
            EXPECT_GE(CountEvents(EVENT_OBJECT_VALUECHANGE, bar2), 1u) << "tick " << ticks;
            ++checkedChanges;
        }
    }
    EXPECT_EQ(ticks, 79);
    EXPECT_EQ(checkedChanges, 78 + 12);  // Bar2 on every tick but the last, Bar1 on ticks 7, 13, ... 73
    EXPECT_GE(CountEvents(EVENT_OBJECT_HIDE, bar1), 1u);
    EXPECT_GE(CountEvents(EVENT_OBJECT_HIDE, bar2), 1u);
    EXPECT_GE(CountEvents(EVENT_OBJECT_SHOW, frame3, OBJID_CLIENT, banner), 1u);

    // Hidden, a bar says nothing of its changes; its value is read when it
    // is shown again.
    g_events.clear();
    window->SetProperty("Bar2", "Value", 50);
    Pump();
    EXPECT_EQ(CountEvents(EVENT_OBJECT_VALUECHANGE, bar2), 0u);
    EXPECT_EQ(Element{ObjectOf(bar2).get()}.Value(), L"50 %");
    UnhookWinEvent(hook);
}

TEST_F(AccessibleForm1, PlacesHitTestsNavigationAndFocusFollowTheWindow) {
    Acc frame = Frame3();
    ASSERT_TRUE(frame);
    RECT button{};
    GetWindowRect(Hwnd("command1"), &button);
    LONG x = 0, y = 0, w = 0, h = 0;
    Acc optimiser = ObjectOf(Hwnd("command1"));
    ASSERT_EQ(optimiser->accLocation(&x, &y, &w, &h, Id(CHILDID_SELF)), S_OK);
    EXPECT_EQ(Text(RECT{x, y, x + w, y + h}), Text(button));

    // Image4 is drawn by the frame: its place is the frame's to tell.
    RECT banner = window->ControlRect("Image4");
    MapWindowPoints(window->Handle(), nullptr, reinterpret_cast<POINT*>(&banner), 2);
    ASSERT_EQ(frame->accLocation(&x, &y, &w, &h, Id(5)), S_OK);
    EXPECT_EQ(Text(RECT{x, y, x + w, y + h}), Text(banner));

    VARIANT hit;
    ASSERT_EQ(frame->accHitTest((banner.left + banner.right) / 2, (banner.top + banner.bottom) / 2, &hit), S_OK);
    EXPECT_EQ(hit.vt, VT_I4);
    EXPECT_EQ(hit.lVal, 5);
    ASSERT_EQ(frame->accHitTest((button.left + button.right) / 2, (button.top + button.bottom) / 2, &hit), S_OK);
    ASSERT_EQ(hit.vt, VT_DISPATCH);
    EXPECT_EQ(Element{FromDispatch(hit.pdispVal).get()}.Name(), L"Optimiser");

    VARIANT to;
    ASSERT_EQ(frame->accNavigate(NAVDIR_FIRSTCHILD, Id(CHILDID_SELF), &to), S_OK);
    EXPECT_EQ(to.vt, VT_I4);
    EXPECT_EQ(to.lVal, 1);  // Label12's text
    ASSERT_EQ(frame->accNavigate(NAVDIR_NEXT, Id(1), &to), S_OK);
    ASSERT_EQ(to.vt, VT_DISPATCH);
    EXPECT_EQ(Element{FromDispatch(to.pdispVal).get()}.Name(), L"Type de connexion");
    EXPECT_EQ(frame->accNavigate(NAVDIR_PREVIOUS, Id(1), &to), S_FALSE);

    // The keyboard starts on "&Optimiser": the frame leads there.
    SetFocus(Hwnd("command1"));
    VARIANT focus;
    ASSERT_EQ(frame->get_accFocus(&focus), S_OK);
    ASSERT_EQ(focus.vt, VT_DISPATCH);
    const Acc focused = FromDispatch(focus.pdispVal);
    EXPECT_EQ(Element{focused.get()}.Name(), L"Optimiser");
    EXPECT_TRUE(Element{focused.get()}.State() & STATE_SYSTEM_FOCUSED);
}

TEST_F(AccessibleForm1, OptionButtonsFollowTheKeyboardAndCheckAsTheirDefaultAction) {
    g_events.clear();
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr, OnEvent,
                                               GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    const HWND speeds = Hwnd("FramePlus2");
    Acc frame = ObjectOf(speeds);
    ASSERT_TRUE(frame);
    const Children options(frame.get());
    ASSERT_EQ(options.elements.size(), 6u);
    // Reading order, top to bottom: r33 is child 1, r56 (selected) child 2.
    EXPECT_EQ(options.elements[1].Name(), L"56  kbps (RTC)");
    EXPECT_TRUE(options.elements[1].State() & STATE_SYSTEM_CHECKED);

    // The keyboard entering the group lands on the selected option.
    SetFocus(speeds);
    Pump();
    VARIANT focus;
    ASSERT_EQ(frame->get_accFocus(&focus), S_OK);
    ASSERT_EQ(focus.vt, VT_I4);
    EXPECT_EQ(focus.lVal, 2);
    EXPECT_TRUE(options.elements[1].State() & STATE_SYSTEM_FOCUSED);
    EXPECT_GE(CountEvents(EVENT_OBJECT_FOCUS, speeds, OBJID_CLIENT, 2), 1u);

    // Down selects the next one, and says so.
    g_events.clear();
    SendMessageW(speeds, WM_KEYDOWN, VK_DOWN, 0);
    Pump();
    EXPECT_EQ(window->GetProperty("r64", "Value"), -1);
    EXPECT_EQ(window->GetProperty("r56", "Value"), 0);
    EXPECT_TRUE(options.elements[2].State() & STATE_SYSTEM_FOCUSED);
    EXPECT_GE(CountEvents(EVENT_OBJECT_FOCUS, speeds, OBJID_CLIENT, 3), 1u);
    EXPECT_GE(CountEvents(EVENT_OBJECT_STATECHANGE, speeds, OBJID_CLIENT, 2), 1u);
    EXPECT_GE(CountEvents(EVENT_OBJECT_STATECHANGE, speeds, OBJID_CLIENT, 3), 1u);
    // Up from the first goes round to the last.
    window->SetProperty("r33", "Value", -1);
    SetFocus(Hwnd("command1"));
    SetFocus(speeds);
    SendMessageW(speeds, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(window->GetProperty("r1024", "Value"), -1);

    // The default action checks an option, as a click does; not while the
    // window takes no input.
    ASSERT_EQ(frame->accDoDefaultAction(Id(4)), S_OK);
    EXPECT_EQ(window->GetProperty("r128", "Value"), -1);
    EXPECT_EQ(window->GetProperty("r1024", "Value"), 0);
    window->SetProperty("Form1", "Enabled", 0);
    EXPECT_TRUE(options.elements[0].State() & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_EQ(frame->accDoDefaultAction(Id(1)), E_FAIL);
    EXPECT_EQ(window->GetProperty("r33", "Value"), 0);
    window->SetProperty("Form1", "Enabled", -1);
    EXPECT_EQ(frame->accDoDefaultAction(Id(7)), E_INVALIDARG);
    UnhookWinEvent(hook);
}

TEST_F(AccessibleForm1, DrawnMenuItemsKeepTheirCaptionAndDescribeThemselves) {
    HMENU bar = GetMenu(window->Handle());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    std::vector<std::wstring> drawn;
    for (int m = 0; m < 3; ++m) {
        HMENU popup = GetSubMenu(bar, m);
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            MENUITEMINFOW mii{};
            mii.cbSize = sizeof mii;
            mii.fMask = MIIM_FTYPE | MIIM_DATA;
            ASSERT_TRUE(GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &mii));
            if (mii.fType & MFT_SEPARATOR) {
                EXPECT_FALSE(mii.fType & MFT_OWNERDRAW) << "the separator stays a separator";
                continue;
            }
            ASSERT_TRUE(mii.fType & MFT_OWNERDRAW);
            wchar_t text[64] = {};
            GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            drawn.push_back(text);
            const auto* info = reinterpret_cast<const MSAAMENUINFO*>(mii.dwItemData);
            ASSERT_NE(info, nullptr) << Narrow(text);
            EXPECT_EQ(info->dwMSAASignature, static_cast<DWORD>(MSAA_MENU_SIG)) << Narrow(text);
            EXPECT_EQ(info->cchWText, wcslen(text)) << Narrow(text);
            EXPECT_EQ(std::wstring(info->pszWText, info->cchWText), text);
        }
    }
    EXPECT_EQ(drawn, (std::vector<std::wstring>{L"&Quitter", L"&Optimiser", L"&A propos", L"Kavrel Web site"}));

    // Access letters come from the same text: "&Quitter" on Q, "Kavrel Web
    // site", without one, on its first letter; nothing on a letter no item has.
    auto menuChar = [&](wchar_t ch, HMENU menu) {
        return SendMessageW(window->Handle(), WM_MENUCHAR, MAKEWPARAM(ch, MF_POPUP), reinterpret_cast<LPARAM>(menu));
    };
    EXPECT_EQ(menuChar(L'q', GetSubMenu(bar, 0)), MAKELRESULT(0, MNC_EXECUTE));
    EXPECT_EQ(menuChar(L'A', GetSubMenu(bar, 2)), MAKELRESULT(0, MNC_EXECUTE));
    EXPECT_EQ(menuChar(L'k', GetSubMenu(bar, 2)), MAKELRESULT(2, MNC_EXECUTE));
    EXPECT_EQ(HIWORD(menuChar(L'z', GetSubMenu(bar, 2))), MNC_IGNORE);
}

TEST_F(AccessibleForm1, ObjectsOutliveTheirWindowsSafely) {
    std::vector<std::pair<std::string, Acc>> held;
    held.emplace_back("Form1", ObjectOf(window->Handle()));
    for (const char* name : {"FramePlus3", "command1", "Bar2"}) held.emplace_back(name, ObjectOf(Hwnd(name)));
    for (const auto& [name, object] : held) ASSERT_TRUE(object) << name;
    // The same object answers each request while the window lives.
    Acc again = ObjectOf(Hwnd("Bar2"));
    EXPECT_EQ(Element{again.get()}.Name(), Element{held.back().second.get()}.Name());

    window.reset();  // the window and every control go
    Pump();
    for (const auto& [name, object] : held) {
        BSTR text = nullptr;
        EXPECT_EQ(object->get_accName(Id(CHILDID_SELF), &text), CO_E_OBJNOTCONNECTED) << name;
        EXPECT_EQ(text, nullptr) << name;
        LONG count = -1;
        EXPECT_EQ(object->get_accChildCount(&count), CO_E_OBJNOTCONNECTED) << name;
        VARIANT role;
        EXPECT_EQ(object->get_accRole(Id(CHILDID_SELF), &role), CO_E_OBJNOTCONNECTED) << name;
        EXPECT_EQ(object->accDoDefaultAction(Id(CHILDID_SELF)), CO_E_OBJNOTCONNECTED) << name;
    }
    held.clear();  // the last references go after the window: nothing left to touch

    // A new window answers again.
    window = std::make_unique<FormWindow>(LoadForm1(Form1Bytes()), GetModuleHandleW(nullptr), procedures->Events());
    procedures->Attach(*window);
    window->Show(SW_SHOWNORMAL);
    Pump();
    EXPECT_EQ(Element{ObjectOf(Hwnd("Bar2")).get()}.Name(), L"R\u00e9glage de Windows");
}

}  // namespace
