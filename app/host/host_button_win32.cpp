// The owner-drawn push buttons: a flat face with a sheen, a rounded
// outline, the picture left of the caption, the focus cue. In high contrast
// the face is the button face colour, the outline the window text colour.
#include "app/host/host_accessible_win32.h"
#include "app/host/host_internal_win32.h"

namespace kavrel::app {

using namespace host;

void FormWindow::CreateButton(Node& n, const Node& container) {
    n.hwnd = CreateWindowExW(0, L"BUTTON", n.caption.c_str(),
                             WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_OWNERDRAW | (n.visible ? WS_VISIBLE : 0),
                             n.rect.left, n.rect.top, n.rect.right - n.rect.left, n.rect.bottom - n.rect.top,
                             container.hwnd, ControlId(n), instance_, nullptr);
    ExposeButton(n);
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
