// The push buttons, windows of the host's own class that it draws: a flat
// face with a sheen, a rounded outline, the picture left of the caption, the
// focus cue. In high contrast the face is the button face colour, the
// outline the window text colour.
#include "app/host/host_accessible_win32.h"
#include "app/host/host_internal_win32.h"

namespace kavrel::app {

using namespace host;

void FormWindow::CreateButton(Node& n, const Node& container) {
    n.hwnd = CreateWindowExW(WS_EX_NOPARENTNOTIFY, kButtonClass, n.caption.c_str(),
                             WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | (n.visible ? WS_VISIBLE : 0), n.rect.left,
                             n.rect.top, n.rect.right - n.rect.left, n.rect.bottom - n.rect.top, container.hwnd,
                             ControlId(n), instance_, &n);
}

LRESULT CALLBACK FormWindow::ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ControlMessage(hwnd, msg, wp, lp, &FormWindow::HandleButton);
}

// The push button's behaviour is the system's owner-drawn button's, which
// the window used before drawing its buttons in a class of its own (that
// class alone brought the common controls into every start): the dialog
// manager sees a button (its access key presses it, Enter is the
// window's), a press counts once the mouse or Space lets go over it, the
// parent hears BN_CLICKED, BM_CLICK presses it, BM_GETSTATE says pushed and
// focused, and the second press of a double click is not a second click.
LRESULT FormWindow::HandleButton(Node& n, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const auto setPushed = [&](bool on) {
        if (n.pushed == on) return;
        n.pushed = on;
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
    };
    const auto letGo = [&](bool counts) {
        // Un-pushed and released before the parent hears of the click: what
        // the click starts (a modal box) may take the mouse.
        if (!n.holding) return;
        n.holding = false;
        const bool wasPushed = n.pushed;
        setPushed(false);
        if (GetCapture() == hwnd) ReleaseCapture();
        if (counts && wasPushed) {
            SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd));
        }
    };
    const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    RECT client{};
    GetClientRect(hwnd, &client);
    switch (msg) {
        case WM_GETDLGCODE: return DLGC_BUTTON;
        case WM_ERASEBKGND: return 1;  // the paint covers everything
        case WM_PAINT: {
            win32::PaintScope paint(hwnd);
            PaintButton(n, paint.dc());
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintButton(n, reinterpret_cast<HDC>(wp));
            return 0;
        case WM_KEYDOWN:
            if (wp == VK_SPACE && !n.holding) {
                n.holding = true;
                setPushed(true);
                SetCapture(hwnd);
            }
            return 0;
        case WM_KEYUP:
            if (wp == VK_SPACE) letGo(true);
            return 0;
        case WM_LBUTTONDOWN:
            SetCapture(hwnd);
            SetFocus(hwnd);
            n.holding = true;
            setPushed(true);
            return 0;
        case WM_LBUTTONDBLCLK: return 0;
        case WM_MOUSEMOVE:
            if ((wp & MK_LBUTTON) && GetCapture() == hwnd && n.holding) setPushed(PtInRect(&client, pt) != FALSE);
            return 0;
        case WM_LBUTTONUP:
            letGo(PtInRect(&client, pt) != FALSE);
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != hwnd && n.holding) {
                n.holding = false;
                setPushed(false);
            }
            return 0;
        case BM_CLICK:
            // As a click of the mouse, where a click could land.
            if (!IsWindowEnabled(hwnd)) return 0;
            SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
            SendMessageW(hwnd, WM_LBUTTONUP, 0, 0);
            return 0;
        case BM_GETSTATE: return (n.pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0);
        case BM_SETSTATE:
            setPushed(wp != 0);
            return 0;
        case WM_SETFOCUS:
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_KILLFOCUS:
            if (n.holding && GetCapture() == hwnd) ReleaseCapture();
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_SETTEXT:
        case WM_UPDATEUISTATE: {  // a new caption, keyboard cues shown or hidden
            const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
            InvalidateRect(hwnd, nullptr, FALSE);
            return r;
        }
        case WM_ENABLE:
        case WM_SYSCOLORCHANGE:
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_GETOBJECT:
            if (const LRESULT answer = AnswerGetObject(n, wp, lp)) return answer;
            break;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void FormWindow::PaintButton(Node& n, HDC dc) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(n.hwnd));
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hwndItem = n.hwnd;
    dis.hDC = dc;
    GetClientRect(n.hwnd, &dis.rcItem);
    if (GetFocus() == n.hwnd) dis.itemState |= ODS_FOCUS;
    if (n.pushed) dis.itemState |= ODS_SELECTED;
    if (!IsWindowEnabled(n.hwnd)) dis.itemState |= ODS_DISABLED;
    // The keyboard cues follow the window's state: hidden until the
    // keyboard is used, where the system hides them.
    const LRESULT cues = SendMessageW(n.hwnd, WM_QUERYUISTATE, 0, 0);
    if (cues & UISF_HIDEACCEL) dis.itemState |= ODS_NOACCEL;
    if (cues & UISF_HIDEFOCUS) dis.itemState |= ODS_NOFOCUSRECT;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, dis.rcItem.left, dis.rcItem.top, dis.rcItem.right, dis.rcItem.bottom);
    DrawButton(n, dis);
    RestoreDC(dc, saved);
}

void FormWindow::DrawButton(Node& n, const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    const RECT rc = dis.rcItem;
    const bool pressed = (dis.itemState & ODS_SELECTED) != 0;
    const bool focused = (dis.itemState & ODS_FOCUS) != 0;
    const int s = static_cast<int>(dpi_);
    const bool contrast = Contrast();
    FillSolid(dc, rc, contrast ? GetSysColor(COLOR_WINDOW) : n.back);
    RECT face = rc;
    InflateRect(&face, -1, -1);
    if (contrast) {
        FillSolid(dc, face, GetSysColor(COLOR_BTNFACE));
        RoundedOutline(dc, rc, GetSysColor(COLOR_WINDOWTEXT), MulDiv(6, s, 96), nullptr);
    } else {
        // A flat face with a light vertical sheen; pressed, it darkens.
        VerticalGradient(dc, face, pressed ? RGB(0xD6, 0xE2, 0xF0) : RGB(0xFF, 0xFF, 0xFF),
                         pressed ? RGB(0xC4, 0xD4, 0xE8) : RGB(0xE6, 0xEC, 0xF4));
        RoundedOutline(dc, rc, focused ? RGB(0x3C, 0x7F, 0xB1) : RGB(0x8E, 0xA4, 0xC1), MulDiv(6, s, 96), nullptr);
    }

    win32::SelectGuard selFont(dc, n.font.get());
    RECT textSize{0, 0, 0, 0};
    DrawTextW(dc, n.caption.c_str(), -1, &textSize, DT_SINGLELINE | DT_CALCRECT);
    const int gap = MulDiv(6, s, 96);
    int picW = 0, picH = 0;
    if (n.picture) {
        picW = MulDiv(n.picture->Size().cx, s, 96);
        picH = MulDiv(n.picture->Size().cy, s, 96);
    }
    const int contentW = picW + (picW && textSize.right ? gap : 0) + textSize.right;
    const int shift = pressed ? 1 : 0;
    int x = rc.left + (rc.right - rc.left - contentW) / 2 + shift;
    const int cy = (rc.top + rc.bottom) / 2 + shift;
    if (n.picture) {
        // The picture left of the caption, its mask colour see-through.
        RECT pr{x, cy - picH / 2, x + picW, cy - picH / 2 + picH};
        DrawTransparent(dc, pr, *n.picture, n.maskColour);
        x += picW + gap;
    }
    SetBkMode(dc, TRANSPARENT);
    // In high contrast a button looks unavailable whenever it is: also while
    // the window is disabled (the progress display), when a click does
    // nothing. The normal look keeps its caption then.
    const bool disabled = (dis.itemState & ODS_DISABLED) != 0 ||
                          (contrast && !IsWindowEnabled(GetAncestor(dis.hwndItem, GA_ROOT)));
    SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : contrast ? GetSysColor(COLOR_BTNTEXT) : n.fore);
    RECT tr{x, rc.top + shift, rc.right, rc.bottom + shift};
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if (dis.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
    DrawTextW(dc, n.caption.c_str(), -1, &tr, format);
    if (focused && !(dis.itemState & ODS_NOFOCUSRECT)) {
        RECT fr = rc;
        InflateRect(&fr, -MulDiv(3, s, 96), -MulDiv(3, s, 96));
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &fr);
    }
}

}  // namespace kavrel::app
