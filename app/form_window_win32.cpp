#include "app/form_window_win32.h"


#include <algorithm>
#include <cwctype>
#include <stdexcept>

#include "app/host_gdi_win32.h"
#include "app/win32_handles.h"
#include "progressbar/bar_surface_win32.h"

namespace kavrel::app {

namespace {

constexpr wchar_t kFormClass[] = L"KavrelLinkTuneForm";
constexpr wchar_t kFrameClass[] = L"KavrelFramePlus";
constexpr UINT kFirstMenuId = 1000;
constexpr UINT_PTR kFirstTimerId = 1;

constexpr char kFrameClassName[] = "FramePlusCtl.FramePlus";
constexpr char kButtonClassName[] = "ButtonPlusCtl.ButtonPlus";
constexpr char kMenuClassName[] = "KavrelMenu.ctxHookMenu";
constexpr char kBarClassName[] = "KavrelLinkTune.XP_ProgressBar";

std::string Fold(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool SameName(std::string_view a, std::string_view b) { return Fold(a) == Fold(b); }

// Colours of the description: RGB, or a system colour with the high bit.
COLORREF Resolve(std::uint32_t colour) {
    if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0x7FFFFFFFu));
    return static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

COLORREF Mix(COLORREF a, COLORREF b, int weightOfA) {  // weight 0..255
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

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
    UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rc, brush.get());
}

void VerticalGradient(HDC dc, const RECT& rc, COLORREF top, COLORREF bottom) {
    const int h = rc.bottom - rc.top;
    for (int y = 0; y < h; ++y) {
        const int w = h > 1 ? 255 - y * 255 / (h - 1) : 255;
        RECT line{rc.left, rc.top + y, rc.right, rc.top + y + 1};
        FillSolid(dc, line, Mix(top, bottom, w));
    }
}

void RoundedOutline(HDC dc, const RECT& rc, COLORREF colour, int radius, HBRUSH fill) {
    UniquePen pen(CreatePen(PS_SOLID, 1, colour));
    SelectGuard selPen(dc, pen.get());
    SelectGuard selBrush(dc, fill ? static_cast<HGDIOBJ>(fill) : GetStockObject(NULL_BRUSH));
    RoundRect(dc, rc.left, rc.top, rc.right, rc.bottom, radius, radius);
}

}  // namespace

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
    progressbar::StdFont fontSpec;
    bool hasFont = false;
    UniqueFont font;
    COLORREF fore = RGB(0, 0, 0);
    COLORREF back = RGB(255, 255, 255);
    COLORREF maskColour = RGB(255, 255, 255);
    UniqueBrush backBrush;
    std::unique_ptr<DecodedPicture> picture;

    // Progress bars: the component on its surface window.
    std::unique_ptr<progressbar::win32::BarSurface> bar;

    // Timers.
    UINT_PTR timerId = 0;
    bool timerEnabled = false;
    UINT interval = 0;

    bool Windowless() const {
        return role == Role::Label || role == Role::Picture || role == Role::Shape;
    }
    const std::string& Name() const { return model->name; }
};

namespace {
// The bar's load event, from its stored property set.
void LoadBar(progressbar::win32::BarSurface& surface, const progressbar::PropertyBag& bag) {
    surface.Bar().ReadProperties(bag);
}

// Child windows carry their description's control id, so that tools and
// tests outside the program can tell which control a window is.
HMENU ControlId(const FormWindow::Node& n) { return reinterpret_cast<HMENU>(static_cast<UINT_PTR>(n.model->id)); }
}  // namespace

struct FormWindow::MenuState {
    struct Item {
        std::string name;
        std::wstring caption;
        UINT id = 0;
        bool popup = false;
        std::unique_ptr<DecodedPicture> picture;
        COLORREF key = RGB(255, 255, 255);
    };
    UniqueMenu bar;  // owned until attached to the window
    std::vector<std::unique_ptr<Item>> items;
    bool decorated = false;
    progressbar::StdFont fontSpec;
    UniqueFont font;
};

FormWindow::FormWindow(FormDescription form, HINSTANCE instance, Events events)
    : form_(std::move(form)), instance_(instance), events_(std::move(events)) {
    Build();
}

FormWindow::~FormWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void FormWindow::Build() {
    static bool registered = false;
    if (!registered) {
        auto registerClass = [&](const wchar_t* name, WNDPROC proc, HICON icon) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = proc;
            wc.hInstance = instance_;
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.hIcon = icon;
            wc.lpszClassName = name;
            if (!RegisterClassExW(&wc)) throw std::runtime_error("cannot register a window class");
        };
        registerClass(kFormClass, FormProc, LoadIconW(instance_, L"IDI_APP"));
        registerClass(kFrameClass, FrameProc, nullptr);
        registered = true;
    }

    const Control& w = form_.window;
    root_ = std::make_unique<Node>();
    root_->owner = this;
    root_->model = &w;
    root_->role = Node::Role::Form;
    root_->caption = Widen(w.caption.value_or(""));
    root_->back = Resolve(w.backColor.value_or(0xFFFFFFu));
    root_->backBrush.reset(CreateSolidBrush(root_->back));
    byName_[Fold(w.name)] = root_.get();

    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (w.controlBox.value_or(true)) style |= WS_SYSMENU;
    if (w.minButton.value_or(false)) style |= WS_MINIMIZEBOX;
    if (w.maxButton.value_or(false)) style |= WS_MAXIMIZEBOX;
    const BorderStyle border = w.borderStyle.value_or(BorderStyle::FixedDialog);
    if (border == BorderStyle::Sizable) style |= WS_THICKFRAME;
    if (border == BorderStyle::FixedDialog) exStyle |= WS_EX_DLGMODALFRAME;

    hwnd_ = CreateWindowExW(exStyle, kFormClass, root_->caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            100, 100, nullptr, nullptr, instance_, this);
    if (!hwnd_) throw std::runtime_error("cannot create the window");
    root_->hwnd = hwnd_;

    if (w.icon) {
        // The description's icon; the class icon of the program file stands
        // in when it has none.
        bigIcon_ = IconFromIcoFile(w.icon->bytes, GetSystemMetrics(SM_CXICON));
        smallIcon_ = IconFromIcoFile(w.icon->bytes, GetSystemMetrics(SM_CXSMICON));
        if (bigIcon_) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
        if (smallIcon_) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    }

    BuildMenus();
    BuildChildren(*root_, w);
    Layout(DpiOfWindow(hwnd_));
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
        node->caption = Widen(child.caption.value_or(""));
        if (child.font) {
            node->fontSpec = *child.font;
            node->hasFont = true;
        }
        if (child.foreColor) node->fore = Resolve(*child.foreColor);
        if (child.backColor) node->back = Resolve(*child.backColor);
        if (child.picture) node->picture = DecodedPicture::Decode(*child.picture);
        if (child.storedSet) {
            const progressbar::PropertyBag& bag = *child.storedSet;
            if (bag.Contains("caption")) node->caption = Widen(bag.ReadString("caption", ""));
            if (auto f = bag.ReadFont("font")) {
                node->fontSpec = *f;
                node->hasFont = true;
            }
            if (bag.Contains("backcolor")) node->back = Resolve(static_cast<std::uint32_t>(bag.ReadInt32("backcolor", 0)));
            if (bag.Contains("maskcolor")) node->maskColour = Resolve(static_cast<std::uint32_t>(bag.ReadInt32("maskcolor", 0)));
            if (auto p = bag.ReadPicture("picture")) node->picture = DecodedPicture::Decode(*p);
        }
        node->backBrush.reset(CreateSolidBrush(node->back));
        if (node->role == Node::Role::Timer) {
            node->interval = child.intervalMs.value_or(0);
            node->timerId = kFirstTimerId + byName_.size();
            node->timerEnabled = false;
        }
        byName_[Fold(child.name)] = node.get();
        made.push_back(std::move(node));
    }

    std::vector<Node*> windowed;
    for (auto& n : made) {
        if (n->role == Node::Role::Frame || n->role == Node::Role::Option || n->role == Node::Role::Button ||
            n->role == Node::Role::Bar) {
            windowed.push_back(n.get());
        }
    }
    std::stable_sort(windowed.begin(), windowed.end(), [](const Node* a, const Node* b) {
        return a->model->tabIndex.value_or(0xFFFF) < b->model->tabIndex.value_or(0xFFFF);
    });
    bool firstOption = true;
    for (Node* n : windowed) {
        const DWORD shown = n->visible ? WS_VISIBLE : 0;
        switch (n->role) {
            case Node::Role::Frame:
                n->hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, n->caption.c_str(),
                                          WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | shown, 0, 0, 0, 0,
                                          container.hwnd, ControlId(*n), instance_, n);
                break;
            case Node::Role::Option: {
                // One group per container: the first option of a frame opens
                // it; only the selected option is a tab stop.
                DWORD style = WS_CHILD | WS_CLIPSIBLINGS | BS_AUTORADIOBUTTON | shown;
                if (firstOption) style |= WS_GROUP;
                if (n->model->IsSelected()) style |= WS_TABSTOP;
                firstOption = false;
                n->hwnd = CreateWindowExW(0, L"BUTTON", n->caption.c_str(), style, 0, 0, 0, 0, container.hwnd,
                                          ControlId(*n), instance_, nullptr);
                if (n->hwnd && n->model->IsSelected()) SendMessageW(n->hwnd, BM_SETCHECK, BST_CHECKED, 0);
                break;
            }
            case Node::Role::Button:
                n->hwnd = CreateWindowExW(0, L"BUTTON", n->caption.c_str(),
                                          WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_OWNERDRAW | shown, 0, 0, 0,
                                          0, container.hwnd, ControlId(*n), instance_, nullptr);
                break;
            case Node::Role::Bar:
                // The surface's window runs the bar's initialise event; its
                // stored properties are then restored from the description.
                n->bar = progressbar::win32::BarSurface::Create(container.hwnd, RECT{0, 0, 0, 0}, n->model->id,
                                                                n->visible);
                n->hwnd = n->bar->Window();
                if (n->model->storedSet) LoadBar(*n->bar, *n->model->storedSet);
                break;
            default: break;
        }
        if (!n->hwnd) throw std::runtime_error("cannot create control " + n->Name());
    }
    container.children = std::move(made);
    for (auto& n : container.children) {
        if (n->role == Node::Role::Frame) BuildChildren(*n, *n->model);
    }
}

void FormWindow::BuildMenus() {
    menus_ = std::make_unique<MenuState>();
    // The menu decoration gives pictures to items by key, "#" and the name.
    struct Decoration {
        progressbar::PictureRef picture;
        COLORREF key;
    };
    std::map<std::string, Decoration> decorations;
    for (const Control& c : form_.window.children) {
        if (c.kind != ControlKind::Hosted || c.className != kMenuClassName || !c.storedSet) continue;
        const auto& bag = *c.storedSet;
        menus_->decorated = true;
        if (auto f = bag.ReadFont("font")) menus_->fontSpec = *f;
        const int count = bag.ReadInt32("bmpcount", 0);
        for (int i = 1; i <= count; ++i) {
            const std::string n = std::to_string(i);
            const std::string key = bag.ReadString("key:" + n, "");
            const double mask = bag.ReadDouble("mask:" + n, 0);
            decorations[Fold(key)] = Decoration{bag.ReadPicture("bmp:" + n),
                                                Resolve(static_cast<std::uint32_t>(static_cast<std::int64_t>(mask)))};
        }
    }

    menus_->bar.reset(CreateMenu());
    std::function<void(HMENU, const std::vector<Control>&, bool)> add = [&](HMENU menu,
                                                                         const std::vector<Control>& items,
                                                                         bool topLevel) {
        for (const Control& item : items) {
            auto state = std::make_unique<MenuState::Item>();
            state->name = item.name;
            state->caption = Widen(item.caption.value_or(""));
            state->id = kFirstMenuId + static_cast<UINT>(menus_->items.size());
            const UINT enabled = item.IsEnabled() ? 0 : MF_GRAYED;
            if (item.IsSeparator()) {
                AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            } else if (!item.children.empty()) {
                state->popup = true;
                HMENU popup = CreatePopupMenu();
                add(popup, item.children, false);
                AppendMenuW(menu, MF_POPUP | MF_STRING | enabled, reinterpret_cast<UINT_PTR>(popup),
                            state->caption.c_str());
            } else if (!topLevel && menus_->decorated) {
                auto it = decorations.find(Fold("#" + item.name));
                if (it != decorations.end() && it->second.picture) {
                    state->picture = DecodedPicture::Decode(*it->second.picture);
                    state->key = it->second.key;
                }
                AppendMenuW(menu, MF_OWNERDRAW | enabled, state->id, reinterpret_cast<LPCWSTR>(state.get()));
            } else {
                AppendMenuW(menu, MF_STRING | enabled, state->id, state->caption.c_str());
            }
            byName_[Fold(item.name)] = nullptr;  // names of menu items are taken
            menus_->items.push_back(std::move(state));
        }
    };
    add(menus_->bar.get(), form_.menus, true);
    if (!form_.menus.empty()) SetMenu(hwnd_, menus_->bar.release());  // the window owns it now
}

void FormWindow::Layout(UINT dpi) {
    dpi_ = dpi;
    std::function<void(Node&)> place = [&](Node& n) {
        if (n.model->position) n.rect = ToPixels(*n.model->position, dpi);
        // The control takes the new font before the old one is deleted.
        UniqueFont font = n.hasFont ? CreateFontFor(n.fontSpec, dpi) : UniqueFont();
        if (n.bar) {
            n.bar->SetBounds(n.rect);
        } else if (n.hwnd && n.role != Node::Role::Form) {
            SetWindowPos(n.hwnd, nullptr, n.rect.left, n.rect.top, n.rect.right - n.rect.left,
                         n.rect.bottom - n.rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
            if (font) SendMessageW(n.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        }
        if (font) n.font = std::move(font);
        for (auto& c : n.children) place(*c);
    };
    place(*root_);
    if (menus_->decorated) menus_->font = CreateFontFor(menus_->fontSpec, dpi);

    // The client area is the description's size under the menu bar.
    const TwipsSize client = form_.window.clientSize.value_or(TwipsSize{7620, 4875});
    RECT rc{0, 0, TwipsToPixels(client.width, dpi), TwipsToPixels(client.height, dpi)};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    const BOOL hasMenu = GetMenu(hwnd_) != nullptr;
    if (adjustForDpi) {
        adjustForDpi(&rc, style, hasMenu, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&rc, style, hasMenu, exStyle);
    }
    SetWindowPos(hwnd_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar that wraps takes more room than the adjustment assumed.
    RECT got{};
    GetClientRect(hwnd_, &got);
    const int wantW = TwipsToPixels(client.width, dpi), wantH = TwipsToPixels(client.height, dpi);
    if (got.right != wantW || got.bottom != wantH) {
        RECT wr{};
        GetWindowRect(hwnd_, &wr);
        SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left + wantW - got.right,
                     wr.bottom - wr.top + wantH - got.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormWindow::Show(int showCommand) {
    // Centred on the screen the window is on.
    RECT wr{};
    GetWindowRect(hwnd_, &wr);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT& screen = mi.rcMonitor;
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const int x = screen.left + (screen.right - screen.left - w) / 2;
    const int y = screen.top + (screen.bottom - screen.top - h) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
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

FormWindow::Node& FormWindow::Lookup(std::string_view name) const {
    auto it = byName_.find(Fold(name));
    if (it == byName_.end() || !it->second) {
        throw std::invalid_argument("no control named " + std::string(name));
    }
    return *it->second;
}

FormWindow::Node* FormWindow::FindByWindow(HWND hwnd) const {
    for (const auto& [_, node] : byName_) {
        if (node && node->hwnd == hwnd) return node;
    }
    return nullptr;
}

std::int32_t FormWindow::GetProperty(std::string_view control, std::string_view property) {
    Node& n = Lookup(control);
    if (SameName(property, "Value") && n.bar) return n.bar->Bar().Value();
    if (SameName(property, "Value") && n.role == Node::Role::Option) {
        return SendMessageW(n.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? optimiser::kTrue : optimiser::kFalse;
    }
    if (SameName(property, "Visible")) return n.visible ? optimiser::kTrue : optimiser::kFalse;
    if (SameName(property, "Enabled")) {
        if (n.role == Node::Role::Timer) return n.timerEnabled ? optimiser::kTrue : optimiser::kFalse;
        if (n.hwnd) return IsWindowEnabled(n.hwnd) ? optimiser::kTrue : optimiser::kFalse;
    }
    throw std::invalid_argument(std::string(control) + " has no readable property " + std::string(property));
}

void FormWindow::SetProperty(std::string_view control, std::string_view property, std::int32_t value) {
    Node& n = Lookup(control);
    if (SameName(property, "Visible") && n.role != Node::Role::Form && n.role != Node::Role::Timer) {
        SetVisible(n, value != 0);
        return;
    }
    if (SameName(property, "Enabled")) {
        if (n.role == Node::Role::Timer) {
            n.timerEnabled = value != 0;
            if (n.timerEnabled && n.interval > 0) {
                SetTimer(hwnd_, n.timerId, n.interval, nullptr);
            } else {
                KillTimer(hwnd_, n.timerId);
            }
            return;
        }
        if (n.role == Node::Role::Form) {
            if (value == 0) {
                // The keyboard leaves with the window's input; the control
                // that had it gets it back when the window is enabled.
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) focus_ = focus;
                EnableWindow(hwnd_, FALSE);
                if (focus && IsChild(hwnd_, focus)) SetFocus(nullptr);
            } else {
                EnableWindow(hwnd_, TRUE);
                if (GetActiveWindow() == hwnd_ && focus_ && IsWindow(focus_)) SetFocus(focus_);
            }
            return;
        }
        if (n.hwnd) {
            EnableWindow(n.hwnd, value != 0);
            return;
        }
    }
    if (SameName(property, "Value") && n.bar) {
        n.bar->Bar().SetValue(value);
        return;
    }
    if (SameName(property, "Value") && n.role == Node::Role::Option) {
        if (value != 0) {
            // Selecting an option clears the others of its own container.
            for (auto& sibling : n.parent->children) {
                if (sibling->role == Node::Role::Option) {
                    SendMessageW(sibling->hwnd, BM_SETCHECK, sibling.get() == &n ? BST_CHECKED : BST_UNCHECKED, 0);
                }
            }
        } else {
            SendMessageW(n.hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
        }
        return;
    }
    throw std::invalid_argument(std::string(control) + " has no writable property " + std::string(property));
}

void FormWindow::SetVisible(Node& n, bool visible) {
    n.visible = visible;
    if (n.bar) {
        n.bar->SetVisible(visible);
    } else if (n.hwnd) {
        ShowWindow(n.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    } else if (n.parent && n.parent->hwnd) {
        InvalidateRect(n.parent->hwnd, &n.rect, TRUE);
    }
}

HWND FormWindow::ControlWindow(std::string_view name) const { return Lookup(name).hwnd; }

bool FormWindow::ControlVisible(std::string_view name) const {
    const Node& n = Lookup(name);
    return n.hwnd ? IsWindowVisible(n.hwnd) != FALSE : n.visible;
}

RECT FormWindow::ControlRect(std::string_view name) const {
    const Node& n = Lookup(name);
    if (n.role == Node::Role::Form) {
        RECT rc{};
        GetClientRect(hwnd_, &rc);
        return rc;
    }
    RECT rc = n.rect;
    const HWND container = n.parent ? n.parent->hwnd : hwnd_;
    MapWindowPoints(container, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void FormWindow::Fire(const std::function<void(const std::string&)>& handler, const std::string& name) {
    if (!handler) return;
    try {
        handler(name);
    } catch (...) {
        // A handler's failure ends that handler only; the window lives on.
    }
}

void FormWindow::PaintContainer(Node& c, HDC target) {
    RECT client{};
    GetClientRect(c.hwnd, &client);
    // Painted off screen, then copied once: the labels and pictures drawn
    // over the background do not flicker.
    UniqueMemoryDc dc(CreateCompatibleDC(target));
    UniqueBitmap bitmap(CreateCompatibleBitmap(target, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
    if (!dc || !bitmap) return;
    SelectGuard selBitmap(dc.get(), bitmap.get());
    FillSolid(dc.get(), client, c.back);
    SetBkMode(dc.get(), TRANSPARENT);

    if (c.role == Node::Role::Frame) {
        // A frame: a soft rounded outline, opened at the top left for the caption.
        SelectGuard selFont(dc.get(), c.font.get());
        TEXTMETRICW tm{};
        GetTextMetricsW(dc.get(), &tm);
        const int scale = static_cast<int>(dpi_);
        RECT box{0, tm.tmHeight / 2, client.right, client.bottom};
        RoundedOutline(dc.get(), box, RGB(0xA9, 0xB8, 0xCC), MulDiv(8, scale, 96), nullptr);
        if (!c.caption.empty()) {
            RECT text{MulDiv(8, scale, 96), 0, client.right - MulDiv(8, scale, 96), tm.tmHeight};
            DrawTextW(dc.get(), c.caption.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
            RECT gap{text.left - MulDiv(3, scale, 96), 0, text.right + MulDiv(3, scale, 96), tm.tmHeight};
            FillSolid(dc.get(), gap, c.back);
            SetTextColor(dc.get(), RGB(0x1C, 0x3A, 0x6E));
            DrawTextW(dc.get(), c.caption.c_str(), -1, &text, DT_SINGLELINE);
        }
    }

    // Controls without a window of their own, bottom of the stack first.
    for (auto it = c.children.rbegin(); it != c.children.rend(); ++it) {
        Node& n = **it;
        if (!n.Windowless() || !n.visible) continue;
        switch (n.role) {
            case Node::Role::Label: {
                if (!n.model->IsTransparent()) FillSolid(dc.get(), n.rect, n.back);
                SelectGuard selFont(dc.get(), n.font.get());
                SetTextColor(dc.get(), n.fore);
                RECT rc = n.rect;
                DrawTextW(dc.get(), n.caption.c_str(), -1, &rc, DT_WORDBREAK | DT_NOCLIP);
                break;
            }
            case Node::Role::Picture:
                if (n.picture) DrawOpaque(dc.get(), n.rect, *n.picture);
                break;
            case Node::Role::Shape: {
                const COLORREF fill = Resolve(n.model->fillColor.value_or(0xFFFFFFu));
                UniqueBrush brush(CreateSolidBrush(fill));
                const bool transparentFill = n.model->fillStyle.value_or(0) == 1;
                RoundedOutline(dc.get(), n.rect, RGB(0xC5, 0xD0, 0xDE), MulDiv(12, static_cast<int>(dpi_), 96),
                               transparentFill ? nullptr : brush.get());
                break;
            }
            default: break;
        }
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc.get(), 0, 0, SRCCOPY);
}

void FormWindow::DrawButton(Node& n, const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    const RECT rc = dis.rcItem;
    const bool pressed = (dis.itemState & ODS_SELECTED) != 0;
    const bool focused = (dis.itemState & ODS_FOCUS) != 0;
    const int s = static_cast<int>(dpi_);
    FillSolid(dc, rc, n.back);
    RECT face = rc;
    InflateRect(&face, -1, -1);
    // A flat face with a light vertical sheen; pressed, it darkens.
    VerticalGradient(dc, face, pressed ? RGB(0xD6, 0xE2, 0xF0) : RGB(0xFF, 0xFF, 0xFF),
                     pressed ? RGB(0xC4, 0xD4, 0xE8) : RGB(0xE6, 0xEC, 0xF4));
    RoundedOutline(dc, rc, focused ? RGB(0x3C, 0x7F, 0xB1) : RGB(0x8E, 0xA4, 0xC1), MulDiv(6, s, 96), nullptr);

    SelectGuard selFont(dc, n.font.get());
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
    SetTextColor(dc, (dis.itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT) : n.fore);
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

void FormWindow::MeasureMenuItem(MEASUREITEMSTRUCT& mis) {
    const auto* item = reinterpret_cast<const MenuState::Item*>(mis.itemData);
    if (!item) return;
    const int s = static_cast<int>(dpi_);
    WindowDc wdc(hwnd_);
    SelectGuard selFont(wdc.get(), menus_->font.get());
    RECT rc{0, 0, 0, 0};
    DrawTextW(wdc.get(), item->caption.c_str(), -1, &rc, DT_SINGLELINE | DT_CALCRECT);
    mis.itemWidth = static_cast<UINT>(MulDiv(16 + 12 + 8 + 24, s, 96) + rc.right);
    mis.itemHeight = static_cast<UINT>(std::max<int>(MulDiv(16 + 6, s, 96), rc.bottom + MulDiv(8, s, 96)));
}

void FormWindow::DrawMenuItem(const DRAWITEMSTRUCT& dis) {
    const auto* item = reinterpret_cast<const MenuState::Item*>(dis.itemData);
    if (!item) return;
    HDC dc = dis.hDC;
    const RECT rc = dis.rcItem;
    const int s = static_cast<int>(dpi_);
    const int column = MulDiv(16 + 12, s, 96);
    const bool selected = (dis.itemState & ODS_SELECTED) != 0;
    const bool grayed = (dis.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    // The menu's look: a pale column for the pictures, a soft blue band
    // under the chosen item.
    FillSolid(dc, rc, RGB(0xFF, 0xFF, 0xFF));
    RECT band{rc.left, rc.top, rc.left + column, rc.bottom};
    FillSolid(dc, band, RGB(0xF0, 0xF3, 0xF8));
    if (selected && !grayed) {
        RECT hi = rc;
        InflateRect(&hi, -1, 0);
        UniqueBrush fill(CreateSolidBrush(RGB(0xDC, 0xE8, 0xF6)));
        RoundedOutline(dc, hi, RGB(0x7D, 0xA2, 0xCE), MulDiv(4, s, 96), fill.get());
    }
    if (item->picture) {
        const int size = MulDiv(16, s, 96);
        const int x = rc.left + (column - size) / 2;
        const int y = (rc.top + rc.bottom - size) / 2;
        DrawTransparent(dc, RECT{x, y, x + size, y + size}, *item->picture, item->key);
    }
    SelectGuard selFont(dc, menus_->font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, grayed ? GetSysColor(COLOR_GRAYTEXT) : RGB(0x10, 0x10, 0x10));
    RECT tr{rc.left + column + MulDiv(8, s, 96), rc.top, rc.right, rc.bottom};
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if (dis.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
    DrawTextW(dc, item->caption.c_str(), -1, &tr, format);
}

LRESULT FormWindow::MenuChar(WCHAR ch, HMENU menu) {
    // Drawn items carry no text for the system to match access letters in:
    // the letter after "&", or else, as for plain items, the first letter.
    const int count = GetMenuItemCount(menu);
    int firstLetterMatch = -1;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_DATA | MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii) || !(mii.fType & MFT_OWNERDRAW)) continue;
        const auto* item = reinterpret_cast<const MenuState::Item*>(mii.dwItemData);
        if (!item || item->caption.empty()) continue;
        const auto amp = item->caption.find(L'&');
        if (amp != std::wstring::npos && amp + 1 < item->caption.size()) {
            if (std::towlower(item->caption[amp + 1]) == std::towlower(ch)) return MAKELRESULT(i, MNC_EXECUTE);
        } else if (firstLetterMatch < 0 && std::towlower(item->caption[0]) == std::towlower(ch)) {
            firstLetterMatch = i;
        }
    }
    if (firstLetterMatch >= 0) return MAKELRESULT(firstLetterMatch, MNC_EXECUTE);
    return MAKELRESULT(0, MNC_IGNORE);
}

bool FormWindow::HandleCommon(Node& container, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_ERASEBKGND:
            result = 1;  // the paint covers everything
            return true;
        case WM_PAINT: {
            PaintScope paint(container.hwnd);
            PaintContainer(container, paint.dc());
            result = 0;
            return true;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            Node* child = FindByWindow(reinterpret_cast<HWND>(lp));
            const Node& look = child ? *child : container;
            HDC dc = reinterpret_cast<HDC>(wp);
            SetBkColor(dc, look.back);
            SetTextColor(dc, look.fore);
            result = reinterpret_cast<LRESULT>(look.backBrush.get());
            return true;
        }
        case WM_DRAWITEM: {
            const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (dis.CtlType == ODT_BUTTON) {
                if (Node* child = FindByWindow(dis.hwndItem)) DrawButton(*child, dis);
                result = TRUE;
                return true;
            }
            return false;
        }
        case WM_COMMAND: {
            const HWND from = reinterpret_cast<HWND>(lp);
            if (from && HIWORD(wp) == BN_CLICKED) {
                Node* child = FindByWindow(from);
                if (child && child->role == Node::Role::Button) {
                    Fire(events_.press, child->Name());
                } else if (child && child->role == Node::Role::Option) {
                    // Only the selected option of a group is a tab stop.
                    for (auto& sibling : child->parent->children) {
                        if (sibling->role != Node::Role::Option) continue;
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

namespace {
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
}  // namespace

LRESULT CALLBACK FormWindow::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = OwnerOf<FormWindow>(hwnd, msg, lp);
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    return Guarded([&] { return self->HandleForm(hwnd, msg, wp, lp); }, 0);
}

LRESULT FormWindow::HandleForm(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (root_ && root_->hwnd) {
        LRESULT result = 0;
        if (HandleCommon(*root_, msg, wp, lp, result)) return result;
    }
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
            if (root_) root_->hwnd = nullptr;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK FormWindow::FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* node = OwnerOf<Node>(hwnd, msg, lp);
    if (!node) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCCREATE) node->hwnd = hwnd;
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    return Guarded([&] { return node->owner->HandleFrame(*node, hwnd, msg, wp, lp); }, 0);
}

LRESULT FormWindow::HandleFrame(Node& frame, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (HandleCommon(frame, msg, wp, lp, result)) return result;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace kavrel::app
