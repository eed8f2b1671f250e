// What the window host's files share: the one record per control, the menu
// state, and the small drawing and dispatch helpers. Internal to app/host/.
#pragma once

#include <windows.h>

#include <cctype>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "app/host/form_window_win32.h"
#include "app/host/host_gdi_win32.h"
#include "base/text.h"
#include "win32/handle.h"
#include "win32/accessible.h"
#include "progressbar/bar_surface_win32.h"
#include "win32/contrast.h"

namespace kavrel::app::host {

inline constexpr wchar_t kFormClass[] = L"KavrelLinkTuneForm";
inline constexpr wchar_t kFrameClass[] = L"KavrelFramePlus";
inline constexpr wchar_t kButtonClass[] = L"KavrelButtonPlus";
inline constexpr UINT kFirstMenuId = 1000;
inline constexpr UINT_PTR kFirstTimerId = 1;

inline constexpr char kFrameClassName[] = "FramePlusCtl.FramePlus";
inline constexpr char kButtonClassName[] = "ButtonPlusCtl.ButtonPlus";
inline constexpr char kMenuClassName[] = "KavrelMenu.ctxHookMenu";
inline constexpr char kBarClassName[] = "KavrelLinkTune.XP_ProgressBar";

inline bool SameName(std::string_view a, std::string_view b) { return base::EqualsNoCase(a, b); }

// Colours of the description: RGB, or a system colour with the high bit.
inline COLORREF Resolve(std::uint32_t colour) {
    if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0x7FFFFFFFu));
    return static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

inline COLORREF Mix(COLORREF a, COLORREF b, int weightOfA) {  // weight 0..255
    auto ch = [&](int sa, int sb) { return (sa * weightOfA + sb * (255 - weightOfA) + 127) / 255; };
    return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)), ch(GetBValue(a), GetBValue(b)));
}

// Runs a window message handler; nothing it throws may cross into the
// system's dispatch code.
template <typename F>
LRESULT Guarded(F&& f, LRESULT onError) noexcept {
    try {
        return f();
    } catch (...) {
        return onError;
    }
}

// High contrast: the drawn controls paint with system colours and none of
// their own. Asked at each paint; the window repaints when it may change.
inline bool Contrast() { return win32::HighContrast(); }

inline void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
    win32::UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rc, brush.get());
}

inline void VerticalGradient(HDC dc, const RECT& rc, COLORREF top, COLORREF bottom) {
    const int h = rc.bottom - rc.top;
    for (int y = 0; y < h; ++y) {
        const int w = h > 1 ? 255 - y * 255 / (h - 1) : 255;
        RECT line{rc.left, rc.top + y, rc.right, rc.top + y + 1};
        FillSolid(dc, line, Mix(top, bottom, w));
    }
}

inline void RoundedOutline(HDC dc, const RECT& rc, COLORREF colour, int radius, HBRUSH fill) {
    win32::UniquePen pen(CreatePen(PS_SOLID, 1, colour));
    win32::SelectGuard selPen(dc, pen.get());
    win32::SelectGuard selBrush(dc, fill ? static_cast<HGDIOBJ>(fill) : GetStockObject(NULL_BRUSH));
    RoundRect(dc, rc.left, rc.top, rc.right, rc.bottom, radius, radius);
}

// A font several controls draw with: the window's controls share one GDI
// font per distinct description font, deleted with its last user.
using SharedFont = std::shared_ptr<std::remove_pointer_t<HFONT>>;

// The object a window of ours belongs to: given at creation, kept in the
// window's user data.
template <typename T>
T* OwnerOf(HWND hwnd, UINT msg, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace kavrel::app::host

namespace kavrel::app {

// One control of the window, windowed or drawn by its container.
struct FormWindow::Node {
    enum class Role { Form, Frame, Option, Button, Bar, Label, Picture, Shape, Timer, MenuDecoration, Other };

    FormWindow* owner = nullptr;
    const Control* model = nullptr;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;  // stacking order, topmost first
    Role role = Role::Other;
    HWND hwnd = nullptr;
    RECT rect{};  // pixels, in the container's client coordinates
    bool visible = true;

    // Looks, from the description.
    std::wstring caption;
    persist::StdFont fontSpec;
    bool hasFont = false;
    host::SharedFont font;  // one per distinct font of the window
    COLORREF fore = RGB(0, 0, 0);
    COLORREF back = RGB(255, 255, 255);
    COLORREF maskColour = RGB(255, 255, 255);
    win32::UniqueBrush backBrush;
    persist::PictureRef storedPicture;        // as the description stores it
    std::unique_ptr<DecodedPicture> picture;  // what is drawn at the window's DPI
    UINT pictureDpi = 0;

    // Progress bars: the component on its surface window.
    std::unique_ptr<progressbar::win32::BarSurface> bar;

    // Assistive technology (host_accessible_win32.h): the name the program
    // gives, what the label is for, the object of a window of ours.
    std::wstring accessibleName;
    bool decorativeCopy = false;  // repeats an overlapped label's text for its look
    bool namesBar = false;        // the caption a bar is named after
    // A bar's window is made when something first needs it (it is hidden at
    // start and most starts never show it); what it is called waits here.
    std::wstring barName;
    win32::AccessibleHold accessible;

    // Option buttons drawn by their frame (a frame whose controls are all
    // drawn): their state, kept here as no window keeps it.
    bool drawnOption = false;
    bool checked = false;
    bool enabled = true;
    // A frame that draws option buttons: the one that has the keyboard while
    // the frame has it, and the one the mouse or Space holds down.
    bool drawsOptions = false;
    Node* focusOption = nullptr;
    Node* heldOption = nullptr;
    bool heldInside = false;
    Node* hotOption = nullptr;  // under the mouse

    // A push button: drawn pressed, and held by the mouse or Space (the
    // press counts once it is let go over the button).
    bool pushed = false;
    bool holding = false;

    // Timers.
    UINT_PTR timerId = 0;
    bool timerEnabled = false;
    UINT interval = 0;

    bool Windowless() const {
        return role == Role::Label || role == Role::Picture || role == Role::Shape || drawnOption;
    }
    const std::string& Name() const { return model->name; }
};

struct FormWindow::MenuState {
    struct Item;
    // The data of a drawn item: it begins with what assistive technology
    // reads of an owner-drawn item (MSAAMENUINFO, pointing at the caption),
    // then leads back to the item.
    struct DrawnData {
        MSAAMENUINFO msaa{};
        Item* item = nullptr;
    };
    struct Item {
        std::string name;
        std::wstring caption;
        UINT id = 0;
        bool popup = false;
        persist::PictureRef storedPicture;
        // Decoded for the window's DPI when the item is first drawn at it: a
        // drop-down is opened in few runs, long after the start.
        std::unique_ptr<DecodedPicture> picture;
        UINT pictureDpi = 0;
        COLORREF key = RGB(255, 255, 255);
        DrawnData drawn;  // drawn items only
    };
    // The item of a drawn item's data, or nullptr for data of another kind.
    static Item* DrawnItem(ULONG_PTR data) {
        const auto* d = reinterpret_cast<const DrawnData*>(data);
        return d && d->msaa.dwMSAASignature == static_cast<DWORD>(MSAA_MENU_SIG) ? d->item : nullptr;
    }
    win32::UniqueMenu bar;  // owned until attached to the window
    std::vector<std::unique_ptr<Item>> items;
    bool decorated = false;
    persist::StdFont fontSpec;
    win32::UniqueFont font;
};

namespace host {
// Child windows carry their description's control id, so that tools and
// tests outside the program can tell which control a window is.
inline HMENU ControlId(const FormWindow::Node& n) { return reinterpret_cast<HMENU>(static_cast<UINT_PTR>(n.model->id)); }

// A bar's surface window, made at its place (host_bar_win32.cpp) the first
// time anything asks for the bar: to show it, to set or read its value, to
// tell assistive technology of it. Nothing for a bar already made or for
// another kind of control.
void RealizeBar(FormWindow::Node& bar);
}  // namespace host

}  // namespace kavrel::app
