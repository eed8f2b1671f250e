// The window itself: builds every control from the description, lays them
// out for the DPI, answers the program's property reads and writes, and
// dispatches the window's messages to the hosted control kinds.
#include "app/host/form_window_win32.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "app/host/host_accessible_win32.h"
#include "app/host/host_internal_win32.h"
#include "app/host/startup_trace_win32.h"
#include "gdi/font_win32.h"
#include "win32/library.h"

namespace kavrel::app {

namespace {
// The window this thread is making, until its creation returns.
thread_local FormWindow* creating = nullptr;

bool HasNonClientArea(HWND hwnd) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    return (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_HSCROLL | WS_VSCROLL)) != 0 ||
           (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME)) != 0;
}
}  // namespace

using namespace host;

namespace {

BOOL CALLBACK TellSysColorChange(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

// Whether a child window already has this rectangle (in its parent's client
// coordinates).
bool PlacedAt(HWND child, const RECT& rect) {
    RECT now{};
    if (!GetWindowRect(child, &now)) return false;
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&now), 2);
    return EqualRect(&now, &rect) != FALSE;
}

constexpr TwipsSize kDefaultClientSize{7620, 4875};

// A client rectangle grown to its window's, for that DPI's frame metrics
// (AdjustWindowRectExForDpi exists from Windows 10 on).
void AdjustFrame(RECT& rc, DWORD style, DWORD exStyle, bool hasMenu, UINT dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi =
        win32::ProcAddress<AdjustForDpiFn>(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi");
    if (adjustForDpi) {
        adjustForDpi(&rc, style, hasMenu, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&rc, style, hasMenu, exStyle);
    }
}

// Where a window of this size is centred on the monitor.
POINT CentredOn(HMONITOR monitor, SIZE size) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(monitor, &mi);
    const RECT& screen = mi.rcMonitor;
    return POINT{screen.left + (screen.right - screen.left - size.cx) / 2,
                 screen.top + (screen.bottom - screen.top - size.cy) / 2};
}

}  // namespace

SIZE FormWindow::ClientSize(UINT dpi) const {
    const TwipsSize client = form_.window.clientSize.value_or(kDefaultClientSize);
    return SIZE{TwipsToPixels(client.width, dpi), TwipsToPixels(client.height, dpi)};
}

SIZE FormWindow::FrameSize(UINT dpi, DWORD style, DWORD exStyle, bool hasMenu) const {
    const SIZE client = ClientSize(dpi);
    RECT rc{0, 0, client.cx, client.cy};
    AdjustFrame(rc, style, exStyle, hasMenu, dpi);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

FormWindow::FormWindow(FormDescription form, HINSTANCE instance, Events events)
    : form_(std::move(form)), instance_(instance), events_(std::move(events)) {
    Build();
}

FormWindow::~FormWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void FormWindow::RegisterClasses(HINSTANCE instance) {
    static bool registered = false;
    if (registered) return;
    auto registerClass = [&](const wchar_t* name, WNDPROC proc, HICON icon) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = icon;
        wc.lpszClassName = name;
        if (!RegisterClassExW(&wc)) throw std::runtime_error("cannot register a window class");
    };
    registerClass(kFormClass, FormProc, LoadIconW(instance, L"IDI_APP"));
    registerClass(kFrameClass, FrameProc, nullptr);
    registerClass(kButtonClass, ButtonProc, nullptr);
    registered = true;
}

void FormWindow::Build() {
    RegisterClasses(instance_);

    const Control& w = form_.window;
    root_ = std::make_unique<Node>();
    root_->owner = this;
    root_->model = &w;
    root_->role = Node::Role::Form;
    root_->caption = win32::Widen(w.caption.value_or(""));
    root_->back = Resolve(w.backColor.value_or(0xFFFFFFu));
    root_->backBrush.reset(CreateSolidBrush(root_->back));
    byName_[base::FoldCase(w.name)] = root_.get();

    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (w.controlBox.value_or(true)) style |= WS_SYSMENU;
    if (w.minButton.value_or(false)) style |= WS_MINIMIZEBOX;
    if (w.maxButton.value_or(false)) style |= WS_MAXIMIZEBOX;
    const BorderStyle border = w.borderStyle.value_or(BorderStyle::FixedDialog);
    if (border == BorderStyle::Sizable) style |= WS_THICKFRAME;
    if (border == BorderStyle::FixedDialog) exStyle |= WS_EX_DLGMODALFRAME;

    BuildMenus();
    KAVREL_STARTUP_MARK("menus");
    const HMENU bar = form_.menus.empty() ? nullptr : menus_->bar.get();
    // Made at its size and place for the DPI it will most likely have (the
    // primary screen's), so that neither the layout nor Show moves it.
    const SIZE size = FrameSize(DpiOfWindow(nullptr), style, exStyle, bar != nullptr);
    const POINT at = CentredOn(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), size);
    if (w.icon) {
        // The description's icon; the class icon of the program file stands
        // in when it has none.
        bigIcon_ = IconFromIcoFile(w.icon->bytes, GetSystemMetrics(SM_CXICON));
        smallIcon_ = IconFromIcoFile(w.icon->bytes, GetSystemMetrics(SM_CXSMICON));
    }
    {
        // The window takes its icons before the first message that lets it
        // (see FormProc).
        creating = this;
        struct Done {
            ~Done() { creating = nullptr; }
        } done;
        hwnd_ = CreateWindowExW(exStyle, kFormClass, root_->caption.c_str(), style, at.x, at.y, size.cx, size.cy,
                                nullptr, bar, instance_, this);
    }
    if (!hwnd_) throw std::runtime_error("cannot create the window");
    if (bar) menus_->bar.release();  // the window owns it now
    root_->hwnd = hwnd_;
    // The children are made where the layout puts them at this DPI, so that
    // the layout has nothing left to move.
    dpi_ = DpiOfWindow(hwnd_);
    KAVREL_STARTUP_MARK("form_window");

    GiveIcons(hwnd_);
    KAVREL_STARTUP_MARK("icons");
    BuildChildren(*root_, w);
    KAVREL_STARTUP_MARK("children");
    PrepareAccessibility(*root_);
    Layout(dpi_);
    KAVREL_STARTUP_MARK("layout");
}

void FormWindow::BuildChildren(Node& container, const Control& model) {
    // Windowed controls are made in tab order: the dialog manager walks
    // siblings in creation order, so keyboard navigation follows the tab
    // indices. Painting follows the stacking order of the description.
    std::vector<std::unique_ptr<Node>> made;
    for (const Control& child : model.children) {
        auto node = std::make_unique<Node>();
        node->owner = this;
        node->model = &child;
        node->parent = &container;
        node->visible = child.IsVisible();
        switch (child.kind) {
            case ControlKind::Label: node->role = Node::Role::Label; break;
            case ControlKind::OptionButton: node->role = Node::Role::Option; break;
            case ControlKind::Timer: node->role = Node::Role::Timer; break;
            case ControlKind::Shape: node->role = Node::Role::Shape; break;
            case ControlKind::Picture: node->role = Node::Role::Picture; break;
            case ControlKind::Hosted:
                if (child.className == kFrameClassName) node->role = Node::Role::Frame;
                else if (child.className == kButtonClassName) node->role = Node::Role::Button;
                else if (child.className == kMenuClassName) node->role = Node::Role::MenuDecoration;
                else if (child.className == kBarClassName) node->role = Node::Role::Bar;
                break;
            default: break;
        }
        // Looks: built-in controls carry them as properties, hosted ones in
        // their stored property set.
        node->caption = win32::Widen(child.caption.value_or(""));
        if (child.font) {
            node->fontSpec = *child.font;
            node->hasFont = true;
        }
        if (child.foreColor) node->fore = Resolve(*child.foreColor);
        if (child.backColor) node->back = Resolve(*child.backColor);
        // Pictures are decoded when the window's DPI is known, at layout.
        if (child.picture) node->storedPicture = std::make_shared<persist::StdPicture>(*child.picture);
        if (child.storedSet) {
            const persist::PropertyBag& bag = *child.storedSet;
            if (bag.Contains("caption")) node->caption = win32::Widen(bag.ReadString("caption", ""));
            if (auto f = bag.ReadFont("font")) {
                node->fontSpec = *f;
                node->hasFont = true;
            }
            if (bag.Contains("backcolor")) node->back = Resolve(static_cast<std::uint32_t>(bag.ReadInt32("backcolor", 0)));
            if (bag.Contains("maskcolor")) node->maskColour = Resolve(static_cast<std::uint32_t>(bag.ReadInt32("maskcolor", 0)));
            if (auto p = bag.ReadPicture("picture")) node->storedPicture = std::move(p);
        }
        node->backBrush.reset(CreateSolidBrush(node->back));
        if (node->role == Node::Role::Timer) {
            node->interval = child.intervalMs.value_or(0);
            node->timerId = kFirstTimerId + byName_.size();
            node->timerEnabled = false;
        }
        if (node->role == Node::Role::Option && container.drawsOptions) {
            node->drawnOption = true;
            node->checked = child.IsSelected();
        }
        byName_[base::FoldCase(child.name)] = node.get();
        made.push_back(std::move(node));
    }

    std::vector<Node*> windowed;
    for (auto& n : made) {
        if (n->role == Node::Role::Frame || (n->role == Node::Role::Option && !n->drawnOption) ||
            n->role == Node::Role::Button) {
            windowed.push_back(n.get());
        }
    }
    std::stable_sort(windowed.begin(), windowed.end(), [](const Node* a, const Node* b) {
        return a->model->tabIndex.value_or(0xFFFF) < b->model->tabIndex.value_or(0xFFFF);
    });
    bool firstOption = true;
    for (Node* n : windowed) {
        const DWORD shown = n->visible ? WS_VISIBLE : 0;
        if (n->model->position) n->rect = ToPixels(*n->model->position, dpi_);
        switch (n->role) {
            case Node::Role::Frame: CreateFrame(*n, container); break;
            case Node::Role::Option: {
                // One group per container: the first option of a frame opens
                // it; only the selected option is a tab stop.
                DWORD style = WS_CHILD | WS_CLIPSIBLINGS | BS_AUTORADIOBUTTON | shown;
                if (firstOption) style |= WS_GROUP;
                if (n->model->IsSelected()) style |= WS_TABSTOP;
                firstOption = false;
                const RECT& r = n->rect;
                n->hwnd = CreateWindowExW(0, L"BUTTON", n->caption.c_str(), style, r.left, r.top, r.right - r.left,
                                          r.bottom - r.top, container.hwnd, ControlId(*n), instance_, nullptr);
                if (n->hwnd && n->model->IsSelected()) SendMessageW(n->hwnd, BM_SETCHECK, BST_CHECKED, 0);
                break;
            }
            case Node::Role::Button: CreateButton(*n, container); break;
            default: break;
        }
        if (!n->hwnd) throw std::runtime_error("cannot create control " + n->Name());
    }
    container.children = std::move(made);
    for (auto& n : container.children) {
        if (n->role == Node::Role::Frame) BuildChildren(*n, *n->model);
    }
}

void FormWindow::Layout(UINT dpi) {
    dpi_ = dpi;
    // Most controls share a few fonts: each distinct one is made once.
    std::vector<std::pair<LOGFONTW, SharedFont>> made;
    const auto fontFor = [&](const persist::StdFont& stored) -> SharedFont {
        const LOGFONTW lf = gdi::LogFontOf(stored, static_cast<int>(dpi));
        for (const auto& [key, font] : made) {
            if (std::memcmp(&key, &lf, sizeof lf) == 0) return font;
        }
        const HFONT created = CreateFontIndirectW(&lf);
        if (!created) return {};
        SharedFont font(created, [](HFONT f) { DeleteObject(f); });
        made.emplace_back(lf, font);
        return font;
    };
    std::function<void(Node&)> place = [&](Node& n) {
        if (n.model->position) n.rect = ToPixels(*n.model->position, dpi);
        // The control takes the new font before the old one is deleted.
        SharedFont font = n.hasFont ? fontFor(n.fontSpec) : SharedFont();
        // A control already where it belongs is left alone: each move costs
        // its window a round of position messages.
        const bool placed = n.hwnd && n.role != Node::Role::Form && PlacedAt(n.hwnd, n.rect);
        if (n.bar) {
            if (!placed) n.bar->SetBounds(n.rect);
        } else if (n.hwnd && n.role != Node::Role::Form) {
            if (!placed) {
                SetWindowPos(n.hwnd, nullptr, n.rect.left, n.rect.top, n.rect.right - n.rect.left,
                             n.rect.bottom - n.rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
            }
            if (font) SendMessageW(n.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        }
        if (font) n.font = std::move(font);
        // The picture drawn from the image made for this DPI's scale.
        if (n.storedPicture && n.pictureDpi != dpi) {
            n.picture = DecodedPicture::ForDpi(*n.storedPicture, dpi, instance_);
            n.pictureDpi = dpi;
        }
        for (auto& c : n.children) place(*c);
    };
    place(*root_);
    if (menus_->decorated) menus_->font = CreateFontFor(menus_->fontSpec, dpi);

    // The client area is the description's size under the menu bar.
    const SIZE size = FrameSize(dpi, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                                static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), GetMenu(hwnd_) != nullptr);
    RECT now{};
    GetWindowRect(hwnd_, &now);
    if (now.right - now.left != size.cx || now.bottom - now.top != size.cy) {
        SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // A menu bar that wraps takes more room than the adjustment assumed.
    const SIZE want = ClientSize(dpi);
    RECT got{};
    GetClientRect(hwnd_, &got);
    if (got.right != want.cx || got.bottom != want.cy) {
        RECT wr{};
        GetWindowRect(hwnd_, &wr);
        SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left + want.cx - got.right,
                     wr.bottom - wr.top + want.cy - got.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormWindow::Show(int showCommand) {
    // Centred on the screen the window is on.
    RECT wr{};
    GetWindowRect(hwnd_, &wr);
    const SIZE size{wr.right - wr.left, wr.bottom - wr.top};
    const POINT at = CentredOn(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), size);
    if (at.x != wr.left || at.y != wr.top) {
        SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    {
        // The first time it is shown the whole window is painted, frame
        // included (see WM_NCACTIVATE).
        struct Showing {
            bool& flag;
            ~Showing() { flag = false; }
        } showing{firstShowing_};
        firstShowing_ = !IsWindowVisible(hwnd_) && !shownOnce_;
        shownOnce_ = true;
        ShowWindow(hwnd_, showCommand);
    }
    KAVREL_STARTUP_MARK("show_window");
    UpdateWindow(hwnd_);
    KAVREL_STARTUP_MARK("first_paint");
}

bool FormWindow::TranslateDialogMessage(MSG& msg) {
    if (!hwnd_) return false;
    const bool ours = msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd);
    // A disabled window takes no input at all: no key reaches a control or
    // the menu bar, no click a button (timer ticks are not input).
    const bool input = (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
                       (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
                       (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCXBUTTONDBLCLK);
    if (ours && input && !IsWindowEnabled(hwnd_)) return true;
    return IsDialogMessageW(hwnd_, &msg);
}

void FormWindow::Unload() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void FormWindow::Fire(const std::function<void(const std::string&)>& handler, const std::string& name) {
    if (!handler) return;
    try {
        handler(name);
    } catch (...) {
        // A handler's failure ends that handler only; the window lives on.
    }
}

bool FormWindow::HandleCommon(Node& container, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_ERASEBKGND:
            result = 1;  // the paint covers everything
            return true;
        case WM_PAINT: {
            win32::PaintScope paint(container.hwnd);
            PaintContainer(container, paint.dc());
            result = 0;
            return true;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wp);
            if (Contrast()) {
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
                return true;
            }
            Node* child = FindByWindow(reinterpret_cast<HWND>(lp));
            const Node& look = child ? *child : container;
            SetBkColor(dc, look.back);
            SetTextColor(dc, look.fore);
            result = reinterpret_cast<LRESULT>(look.backBrush.get());
            return true;
        }
        case WM_GETOBJECT:
            result = AnswerGetObject(container, wp, lp);
            return result != 0;
        case WM_COMMAND: {
            const HWND from = reinterpret_cast<HWND>(lp);
            if (from && HIWORD(wp) == BN_CLICKED) {
                Node* child = FindByWindow(from);
                if (child && child->role == Node::Role::Button) {
                    Fire(events_.press, child->Name());
                } else if (child && child->role == Node::Role::Option) {
                    // Only the selected option of a group is a tab stop.
                    for (auto& sibling : child->parent->children) {
                        if (sibling->role != Node::Role::Option || !sibling->hwnd) continue;
                        const bool on = SendMessageW(sibling->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
                        LONG_PTR style = GetWindowLongPtrW(sibling->hwnd, GWL_STYLE);
                        style = on ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
                        SetWindowLongPtrW(sibling->hwnd, GWL_STYLE, style);
                    }
                }
                result = 0;
                return true;
            }
            return false;
        }
        default: return false;
    }
}

LRESULT FormWindow::ControlMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, ControlHandler handle) {
    // A control without border, caption or scroll bar has no non-client
    // area to draw; the system would still get device contexts for it, for
    // each control each time the window shows (about 1 ms a control).
    if (msg == WM_NCPAINT && !HasNonClientArea(hwnd)) return 0;
    auto* node = OwnerOf<Node>(hwnd, msg, lp);
    if (!node) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCCREATE) node->hwnd = hwnd;
    if (msg == WM_NCDESTROY) {
        node->accessible.reset();  // clients still holding it get CO_E_OBJNOTCONNECTED
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    return Guarded([&] { return (node->owner->*handle)(*node, hwnd, msg, wp, lp); }, 0);
}

void FormWindow::GiveIcons(HWND hwnd) {
    if (iconsGiven_) return;
    iconsGiven_ = true;
    if (bigIcon_) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    if (smallIcon_) SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

LRESULT CALLBACK FormWindow::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = OwnerOf<FormWindow>(hwnd, msg, lp);
    if (!self) {
        // The first message of a new top-level window comes before the
        // display system has a window for it: icons given now reach it
        // with the window, once, where each given later is converted for
        // the display again, both icons at each change.
        if (msg == WM_GETMINMAXINFO && creating) Guarded([&] { creating->GiveIcons(hwnd); return LRESULT{0}; }, 0);
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    return Guarded([&] { return self->HandleForm(hwnd, msg, wp, lp); }, 0);
}

LRESULT FormWindow::HandleForm(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (root_ && root_->hwnd) {
        LRESULT result = 0;
        if (HandleCommon(*root_, msg, wp, lp, result)) return result;
    }
    static const UINT controlState = RegisterWindowMessageW(kControlStateMessage);
    if (msg == controlState && controlState != 0) return ControlStateOf(static_cast<int>(wp));
    switch (msg) {
        case WM_COMMAND:
            if (lp == 0) {
                const UINT id = LOWORD(wp);
                if (id >= kFirstMenuId && id - kFirstMenuId < menus_->items.size()) {
                    Fire(events_.menu, menus_->items[id - kFirstMenuId]->name);
                }
                // IDOK and IDCANCEL come from Enter and Esc: nothing to do.
                return 0;
            }
            break;
        case WM_MEASUREITEM: {
            auto& mis = *reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            if (mis.CtlType == ODT_MENU) {
                MeasureMenuItem(mis);
                return TRUE;
            }
            break;
        }
        case WM_DRAWITEM: {
            const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (dis.CtlType == ODT_MENU) {
                DrawMenuItem(dis);
                return TRUE;
            }
            break;
        }
        case WM_NCACTIVATE:
            // Activated as it is first shown, the window's frame, caption
            // and menu bar are painted whole right after: drawing them for
            // the activation as well would paint them twice.
            if (firstShowing_) return DefWindowProcW(hwnd, msg, wp, -1);
            break;
        case WM_ACTIVATE:
            // Like a dialog: the control that had the keyboard gets it back,
            // and at first the first control in tab order has it.
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd, focus)) focus_ = focus;
            } else if (IsWindowEnabled(hwnd)) {
                HWND target = focus_ && IsWindow(focus_) && IsChild(hwnd, focus_)
                                  ? focus_
                                  : GetNextDlgTabItem(hwnd, nullptr, FALSE);
                if (target) SetFocus(target);
            }
            return 0;
        case WM_SYSCOMMAND:
            // The window menu and the menu bar stay shut while the window is
            // disabled; closing still works (the program can always be ended).
            if (!IsWindowEnabled(hwnd) && ((wp & 0xFFF0) == SC_KEYMENU || (wp & 0xFFF0) == SC_MOUSEMENU)) return 0;
            break;
        case WM_MENUCHAR:
            if (HIWORD(wp) & MF_POPUP) return MenuChar(static_cast<WCHAR>(LOWORD(wp)), reinterpret_cast<HMENU>(lp));
            break;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            // High contrast or the system colours may have changed. The drawn
            // controls read them at each paint: repaint everything now. The
            // standard controls are told of new colours, as only top windows
            // hear of them.
            if (msg == WM_SYSCOLORCHANGE) EnumChildWindows(hwnd, TellSysColorChange, 0);
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
            break;
        case WM_THEMECHANGED:
            // The buttons the window draws itself take the new style (or none)
            // at their next paint.
            buttonTheme_ = win32::Theme{};
            buttonThemeAsked_ = false;
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            break;
        case WM_TIMER:
            for (const auto& [_, node] : byName_) {
                if (node && node->role == Node::Role::Timer && node->timerId == wp && node->timerEnabled) {
                    Fire(events_.tick, node->Name());
                    return 0;
                }
            }
            return 0;
        case 0x02E0: {  // WM_DPICHANGED: lay the window out again for the new monitor
            Layout(HIWORD(wp));
            const RECT* suggested = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_DESTROY:
            for (const auto& [_, node] : byName_) {
                if (node && node->role == Node::Role::Timer) KillTimer(hwnd, node->timerId);
            }
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            if (root_) {
                root_->accessible.reset();  // clients still holding it get CO_E_OBJNOTCONNECTED
                root_->hwnd = nullptr;
            }
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace kavrel::app
