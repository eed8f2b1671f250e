// The frames: windows of their own class that group controls and draw a
// rounded outline with their caption.
#include "app/host/host_accessible_win32.h"
#include "app/host/host_internal_win32.h"

namespace kavrel::app {

using namespace host;

namespace {

// Whether a frame draws its option buttons itself: it holds some, and no
// control of a kind that needs a window of its own (the keyboard would
// have to go round the frame's options and into those windows).
bool DrawsOptions(const Control& frame) {
    bool options = false;
    for (const Control& c : frame.children) {
        if (c.kind == ControlKind::OptionButton) options = true;
        if (c.kind == ControlKind::Hosted && c.className != kMenuClassName) return false;
    }
    return options;
}

}  // namespace

void FormWindow::CreateFrame(Node& n, const Node& container) {
    // A frame of windows passes the keyboard on to them; a frame that draws
    // its options is one tab stop.
    n.drawsOptions = DrawsOptions(*n.model);
    n.hwnd = CreateWindowExW(WS_EX_NOPARENTNOTIFY | (n.drawsOptions ? 0 : WS_EX_CONTROLPARENT), kFrameClass, n.caption.c_str(),
                             WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (n.drawsOptions ? WS_TABSTOP : 0) |
                                 (n.visible ? WS_VISIBLE : 0),
                             n.rect.left,
                             n.rect.top, n.rect.right - n.rect.left, n.rect.bottom - n.rect.top, container.hwnd,
                             ControlId(n), instance_, &n);
}

void FormWindow::PaintFrameOutline(Node& c, HDC dc, const RECT& client) {
    // A frame: a soft rounded outline, opened at the top left for the
    // caption; in high contrast both in the window text colour.
    const bool contrast = Contrast();
    const COLORREF line = contrast ? GetSysColor(COLOR_WINDOWTEXT) : RGB(0xA9, 0xB8, 0xCC);
    const COLORREF ink = contrast ? GetSysColor(COLOR_WINDOWTEXT) : RGB(0x1C, 0x3A, 0x6E);
    const COLORREF back = contrast ? GetSysColor(COLOR_WINDOW) : c.back;
    win32::SelectGuard selFont(dc, c.font.get());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int scale = static_cast<int>(dpi_);
    RECT box{0, tm.tmHeight / 2, client.right, client.bottom};
    RoundedOutline(dc, box, line, MulDiv(8, scale, 96), nullptr);
    if (!c.caption.empty()) {
        RECT text{MulDiv(8, scale, 96), 0, client.right - MulDiv(8, scale, 96), tm.tmHeight};
        DrawTextW(dc, c.caption.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
        RECT gap{text.left - MulDiv(3, scale, 96), 0, text.right + MulDiv(3, scale, 96), tm.tmHeight};
        FillSolid(dc, gap, back);
        SetTextColor(dc, ink);
        DrawTextW(dc, c.caption.c_str(), -1, &text, DT_SINGLELINE);
    }
}

LRESULT CALLBACK FormWindow::FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ControlMessage(hwnd, msg, wp, lp, &FormWindow::HandleFrame);
}

LRESULT FormWindow::HandleFrame(Node& frame, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (frame.drawsOptions && HandleOptions(frame, hwnd, msg, wp, lp, result)) return result;
    if (HandleCommon(frame, msg, wp, lp, result)) return result;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace kavrel::app
