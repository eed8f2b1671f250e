// Option buttons drawn by their frame. A frame whose controls are all drawn
// draws its option buttons too, with the system's radio glyph and the
// layout of the standard radio button, and takes their input: it is one tab
// stop, the arrows move the selection within it, Space and the mouse select.
// A window per option would cost each its own erase and paint at start-up.
#include <algorithm>

#include "app/host/host_accessible_win32.h"
#include "app/host/host_internal_win32.h"

#include <vsstyle.h>

namespace kavrel::app {

using namespace host;

namespace {

using Node = FormWindow::Node;

bool Available(const Node& n) { return n.visible && n.enabled; }

// The frame's drawn options in tab order: the order the arrows walk.
std::vector<Node*> OptionsOf(const Node& frame) {
    std::vector<Node*> out;
    for (const auto& child : frame.children) {
        if (child->drawnOption) out.push_back(child.get());
    }
    std::stable_sort(out.begin(), out.end(), [](const Node* a, const Node* b) {
        return a->model->tabIndex.value_or(0xFFFF) < b->model->tabIndex.value_or(0xFFFF);
    });
    return out;
}

// Where the keyboard lands when it enters the frame: the selected option,
// else the first one that can take it.
Node* EntryOption(const Node& frame) {
    Node* first = nullptr;
    for (Node* n : OptionsOf(frame)) {
        if (!Available(*n)) continue;
        if (n->checked) return n;
        if (!first) first = n;
    }
    return first;
}

Node* OptionAt(const Node& frame, POINT pt) {
    for (const auto& child : frame.children) {
        if (child->drawnOption && Available(*child) && PtInRect(&child->rect, pt)) return child.get();
    }
    return nullptr;
}

void Repaint(const Node& n) {
    if (n.parent && n.parent->hwnd) InvalidateRect(n.parent->hwnd, &n.rect, FALSE);
}

void TellAssistiveTechnology(DWORD event, const Node& n) {
    const LONG id = AccessibleChildId(n);
    if (id > 0 && n.parent && n.parent->hwnd) NotifyWinEvent(event, n.parent->hwnd, OBJID_CLIENT, id);
}

bool FocusCueShown(HWND frame) {
    return GetFocus() == frame && !(SendMessageW(frame, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

BOOL CALLBACK DrawCaption(HDC dc, LPARAM text, WPARAM format, int cx, int cy) {
    RECT rc{0, 0, cx, cy};
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(text), -1, &rc, static_cast<UINT>(format));
    return TRUE;
}

}  // namespace

void FormWindow::PaintOption(Node& n, HDC dc) {
    // The standard radio button's layout: a glyph of 12 pixels plus one at
    // 96 DPI, half a digit's width of gap, the caption left-aligned with a
    // pixel of margin and centred vertically, the glyph centred on it.
    const Node& frame = *n.parent;
    const bool contrast = Contrast();
    const RECT client = n.rect;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    win32::SelectGuard selFont(dc, n.font.get());
    FillSolid(dc, client, contrast ? GetSysColor(COLOR_WINDOW) : n.back);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, contrast ? GetSysColor(COLOR_WINDOW) : n.back);
    SetTextColor(dc, contrast ? GetSysColor(COLOR_WINDOWTEXT) : n.fore);

    // The glyph: the visual style's at the size it gives, else the classic
    // one of 12 pixels plus one at 96 DPI. Either is centred on the caption.
    const bool pushed = frame.heldOption == &n && frame.heldInside;
    if (!buttonThemeAsked_) {
        buttonTheme_ = win32::Theme::Open(hwnd_, L"Button");
        buttonThemeAsked_ = true;
    }
    const int themeState = (n.checked ? RBS_CHECKEDNORMAL : RBS_UNCHECKEDNORMAL) +
                           (!n.enabled ? 3 : pushed ? 2 : frame.hotOption == &n ? 1 : 0);
    const int classic = 12 * static_cast<int>(dpi_) / 96 + 1;
    RECT content = client;
    SIZE glyph{classic, classic};
    if (buttonTheme_) {
        content = buttonTheme_.ContentRect(dc, BP_RADIOBUTTON, themeState, client);
        glyph = buttonTheme_.PartSize(dc, BP_RADIOBUTTON, themeState, content).value_or(glyph);
    }
    int digit = 0;
    GetCharWidthW(dc, L'0', L'0', &digit);
    RECT label = content;
    label.left += glyph.cx + digit / 2;
    constexpr UINT kFormat = DT_NOCLIP | DT_SINGLELINE | DT_VCENTER;
    RECT text{0, 0, label.right - label.left, 0};
    if (!n.caption.empty()) DrawTextW(dc, n.caption.c_str(), -1, &text, (kFormat & ~DT_VCENTER) | DT_CALCRECT);
    const int textW = text.right - text.left, textH = text.bottom - text.top;
    text.left = label.left + 1;
    text.right = text.left + textW;
    text.top = label.top + (label.bottom - label.top - textH) / 2;
    text.bottom = text.top + textH;

    RECT box{content.left, content.top, content.left + glyph.cx, content.bottom};
    if (!n.caption.empty()) {
        box.top = text.top;
        box.bottom = text.bottom;
    }
    const int delta = box.bottom - box.top - glyph.cy;
    if (delta > 0) {
        box.bottom -= delta / 2 + 1;
        box.top = box.bottom - glyph.cy;
    } else if (delta < 0) {
        box.top -= -delta / 2 + 1;
        box.bottom = box.top + glyph.cy;
    }
    const bool drawn = buttonTheme_ && buttonTheme_.DrawBackground(dc, BP_RADIOBUTTON, themeState, box);
    if (!drawn) {
        UINT state = DFCS_BUTTONRADIO;
        if (n.checked) state |= DFCS_CHECKED;
        if (pushed) state |= DFCS_PUSHED;
        if (!n.enabled) state |= DFCS_INACTIVE;
        DrawFrameControl(dc, &box, DFC_BUTTON, state);
    }

    if (!n.caption.empty()) {
        DrawStateW(dc, nullptr, DrawCaption, reinterpret_cast<LPARAM>(n.caption.c_str()), kFormat, text.left,
                   text.top, textW, textH, n.enabled ? DSS_NORMAL : DSS_DISABLED);
        if (frame.focusOption == &n && FocusCueShown(frame.hwnd)) {
            RECT cue{text.left - 1, text.top, text.right + 1, text.bottom};
            IntersectRect(&cue, &cue, &label);
            DrawFocusRect(dc, &cue);
        }
    }
    RestoreDC(dc, saved);
}

void FormWindow::CheckOption(Node& option) {
    // Selecting an option clears the others its frame draws.
    for (auto& sibling : option.parent->children) {
        Node& s = *sibling;
        if (!s.drawnOption) continue;
        const bool on = &s == &option;
        if (s.checked == on) continue;
        s.checked = on;
        OptionChanged(s);
    }
}

void FormWindow::OptionChanged(Node& option) {
    Repaint(option);
    TellAssistiveTechnology(EVENT_OBJECT_STATECHANGE, option);
}

bool FormWindow::HandleOptions(Node& frame, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    auto moveFocus = [&](Node* to) {
        if (to == frame.focusOption) return;
        if (frame.focusOption) Repaint(*frame.focusOption);
        frame.focusOption = to;
        if (to) {
            Repaint(*to);
            if (GetFocus() == hwnd) TellAssistiveTechnology(EVENT_OBJECT_FOCUS, *to);
        }
    };
    auto hold = [&](Node* n, bool inside) {
        if (frame.heldOption == n && frame.heldInside == inside) return;
        if (frame.heldOption) Repaint(*frame.heldOption);
        frame.heldOption = n;
        frame.heldInside = inside;
        if (n) Repaint(*n);
    };
    const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    switch (msg) {
        case WM_GETDLGCODE:
            // The arrows are the frame's: they move the selection within it.
            result = DLGC_WANTARROWS;
            return true;
        case WM_SETFOCUS:
            // From the keyboard or the window's return the selected option
            // takes it; a click has already said which one.
            if (frame.focusOption) Repaint(*frame.focusOption);
            frame.focusOption = frame.heldOption ? frame.heldOption : EntryOption(frame);
            if (frame.focusOption) {
                Repaint(*frame.focusOption);
                TellAssistiveTechnology(EVENT_OBJECT_FOCUS, *frame.focusOption);
            }
            result = 0;
            return true;
        case WM_KILLFOCUS:
            hold(nullptr, false);
            if (frame.focusOption) Repaint(*frame.focusOption);
            result = 0;
            return true;
        case WM_UPDATEUISTATE:
            result = DefWindowProcW(hwnd, msg, wp, lp);
            if (frame.focusOption) Repaint(*frame.focusOption);
            return true;
        case WM_KEYDOWN: {
            const bool forward = wp == VK_DOWN || wp == VK_RIGHT;
            const bool back = wp == VK_UP || wp == VK_LEFT;
            if (forward || back) {
                // The next option that can take it, round the group, is
                // selected as the keyboard reaches it.
                auto options = OptionsOf(frame);
                if (back) std::reverse(options.begin(), options.end());
                auto at = std::find(options.begin(), options.end(), frame.focusOption);
                const std::size_t start = at == options.end() ? options.size() - 1 : at - options.begin();
                for (std::size_t step = 1; step <= options.size(); ++step) {
                    Node* next = options[(start + step) % options.size()];
                    if (!Available(*next)) continue;
                    hold(nullptr, false);
                    moveFocus(next);
                    CheckOption(*next);
                    break;
                }
                result = 0;
                return true;
            }
            if (wp == VK_SPACE && !(lp & 0x40000000) && frame.focusOption) {
                hold(frame.focusOption, true);
                result = 0;
                return true;
            }
            return false;
        }
        case WM_KEYUP:
            if (wp == VK_SPACE && frame.heldOption && GetCapture() != hwnd) {
                Node* pressed = frame.heldInside ? frame.heldOption : nullptr;
                hold(nullptr, false);
                if (pressed) CheckOption(*pressed);
                result = 0;
                return true;
            }
            return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (Node* hit = OptionAt(frame, pt)) {
                hold(hit, true);
                SetCapture(hwnd);
                if (GetFocus() != hwnd) {
                    SetFocus(hwnd);
                } else {
                    moveFocus(hit);
                }
                result = 0;
                return true;
            }
            return false;
        case WM_MOUSEMOVE: {
            // The option under the mouse is drawn hot where a visual style
            // draws it so; the frame asks to hear when the mouse leaves it.
            Node* hot = OptionAt(frame, pt);
            if (hot != frame.hotOption) {
                if (frame.hotOption) Repaint(*frame.hotOption);
                frame.hotOption = hot;
                if (hot) {
                    Repaint(*hot);
                    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
                    TrackMouseEvent(&track);
                }
            }
            if (GetCapture() == hwnd && frame.heldOption) {
                hold(frame.heldOption, PtInRect(&frame.heldOption->rect, pt) != FALSE);
                result = 0;
                return true;
            }
            return false;
        }
        case WM_MOUSELEAVE:
            if (frame.hotOption) Repaint(*frame.hotOption);
            frame.hotOption = nullptr;
            result = 0;
            return true;
        case WM_LBUTTONUP:
            if (GetCapture() == hwnd) {
                Node* pressed = frame.heldOption && frame.heldInside && PtInRect(&frame.heldOption->rect, pt)
                                    ? frame.heldOption
                                    : nullptr;
                ReleaseCapture();  // WM_CAPTURECHANGED lets the option go
                if (pressed) CheckOption(*pressed);
                result = 0;
                return true;
            }
            return false;
        case WM_CAPTURECHANGED:
            hold(nullptr, false);
            result = 0;
            return true;
        default: return false;
    }
}

LRESULT FormWindow::ControlStateOf(int id) const {
    for (const auto& [_, node] : byName_) {
        if (!node || node->model->id != id || node->role == Node::Role::Form) continue;
        const Node& n = *node;
        LRESULT state = kControlKnown;
        const bool containerShown = !n.parent || !n.parent->hwnd || IsWindowVisible(n.parent->hwnd);
        if (n.hwnd ? IsWindowVisible(n.hwnd) != FALSE : n.visible && containerShown) state |= kControlShown;
        if (n.hwnd ? IsWindowEnabled(n.hwnd) != FALSE : n.enabled) state |= kControlEnabled;
        if (n.drawnOption && n.checked) state |= kControlSelected;
        if (n.hwnd && n.role == Node::Role::Option && SendMessageW(n.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            state |= kControlSelected;
        }
        const HWND focus = GetFocus();
        if (n.hwnd ? focus == n.hwnd : n.drawnOption && focus == n.parent->hwnd && n.parent->focusOption == &n) {
            state |= kControlFocused;
        }
        return state;
    }
    return 0;
}

}  // namespace kavrel::app
