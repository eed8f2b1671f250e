#include "app/host/host_accessible_win32.h"

#include <algorithm>
#include <stdexcept>

#include "win32/accessible.h"

namespace kavrel::app {

using namespace host;
using win32::AccessibleElement;
using win32::AccessibleObject;
using win32::AccessKeyShortcut;
using win32::Trimmed;
using win32::WithoutAccessMarker;

namespace {

using Node = FormWindow::Node;

// The default actions of a push button and of an option button, in the
// program's language.
constexpr wchar_t kPressAction[] = L"Appuyer";
constexpr wchar_t kCheckAction[] = L"Cocher";

bool IsWindowed(const Node& n) {
    return n.role == Node::Role::Frame || n.role == Node::Role::Option || n.role == Node::Role::Button ||
           n.role == Node::Role::Bar;
}

// What a drawn control is called: the program's name for it, else its text.
std::wstring DrawnName(const Node& n) {
    if (!n.accessibleName.empty()) return n.accessibleName;
    return n.role == Node::Role::Label ? Trimmed(n.caption) : std::wstring();
}

bool Exposed(const Node& n) {
    if (n.drawnOption) return true;
    if (n.role == Node::Role::Bar) return true;  // its window is made when asked for
    if (IsWindowed(n)) return n.hwnd != nullptr;
    if (!n.accessibleName.empty()) return n.role == Node::Role::Label || n.role == Node::Role::Picture;
    // A picture says nothing until the program names it; a shape is
    // decoration.
    return n.role == Node::Role::Label && !n.decorativeCopy && !n.namesBar && !Trimmed(n.caption).empty();
}

RECT ScreenRectOf(const Node& n) {
    RECT rc{};
    if (n.hwnd) {
        GetWindowRect(n.hwnd, &rc);
    } else if (n.parent && n.parent->hwnd) {
        rc = n.rect;
        MapWindowPoints(n.parent->hwnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    }
    return rc;
}

bool WindowUnavailable(HWND hwnd) { return !IsWindowEnabled(hwnd) || !IsWindowEnabled(GetAncestor(hwnd, GA_ROOT)); }

// An option button its frame draws, as the standard radio button says it:
// checked or not, focusable while it or the window can take input.
AccessibleElement DrawnOption(const Node& n, bool containerShown) {
    AccessibleElement e;
    e.role = ROLE_SYSTEM_RADIOBUTTON;
    // Named by its text as the system names a radio button: without the
    // access marker, spaces kept.
    e.name = n.accessibleName.empty() ? WithoutAccessMarker(n.caption) : n.accessibleName;
    e.shortcut = AccessKeyShortcut(n.caption);
    e.defaultAction = kCheckAction;
    const HWND frame = n.parent->hwnd;
    e.state = !n.enabled || WindowUnavailable(frame) ? STATE_SYSTEM_UNAVAILABLE : STATE_SYSTEM_FOCUSABLE;
    if (n.checked) e.state |= STATE_SYSTEM_CHECKED;
    if (GetFocus() == frame && n.parent->focusOption == &n) e.state |= STATE_SYSTEM_FOCUSED;
    if (!n.visible || !containerShown) e.state |= STATE_SYSTEM_INVISIBLE;
    e.bounds = ScreenRectOf(n);
    return e;
}

class HostAccessible final : public AccessibleObject {
public:
    explicit HostAccessible(Node& node) : AccessibleObject(node.hwnd), node_(node) {}

private:
    AccessibleElement Self() const override {
        AccessibleElement e;
        const HWND hwnd = Window();
        switch (node_.role) {
            case Node::Role::Form:
                e.role = ROLE_SYSTEM_CLIENT;
                e.name = node_.accessibleName.empty() ? Trimmed(node_.caption) : node_.accessibleName;
                break;
            case Node::Role::Frame:
                e.role = ROLE_SYSTEM_GROUPING;
                e.name = node_.accessibleName.empty() ? Trimmed(node_.caption) : node_.accessibleName;
                break;
            case Node::Role::Button:
                e.role = ROLE_SYSTEM_PUSHBUTTON;
                e.name = node_.accessibleName.empty() ? Trimmed(WithoutAccessMarker(node_.caption))
                                                      : node_.accessibleName;
                e.shortcut = AccessKeyShortcut(node_.caption);
                e.defaultAction = kPressAction;
                // While it or the window is disabled a click does nothing:
                // it is not announced as something to press.
                e.state = WindowUnavailable(hwnd) ? STATE_SYSTEM_UNAVAILABLE : STATE_SYSTEM_FOCUSABLE;
                if (GetFocus() == hwnd) e.state |= STATE_SYSTEM_FOCUSED;
                if (SendMessageW(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED) e.state |= STATE_SYSTEM_PRESSED;
                break;
            default: break;
        }
        if (!IsWindowVisible(hwnd)) e.state |= STATE_SYSTEM_INVISIBLE;
        if (node_.role == Node::Role::Form) {
            // The client area: the window object around it holds the
            // caption bar and the menu.
            GetClientRect(hwnd, &e.bounds);
            MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&e.bounds), 2);
        } else {
            GetWindowRect(hwnd, &e.bounds);
        }
        return e;
    }

    std::vector<AccessibleElement> Children() const override {
        std::vector<AccessibleElement> out;
        if (node_.role != Node::Role::Form && node_.role != Node::Role::Frame) return out;
        const bool containerShown = IsWindowVisible(Window()) != FALSE;
        for (Node* n : ExposedChildren(node_)) {
            RealizeBar(*n);  // a bar is told of as the window it is
            if (n->drawnOption) {
                out.push_back(DrawnOption(*n, containerShown));
                continue;
            }
            AccessibleElement e;
            e.bounds = ScreenRectOf(*n);
            if (n->hwnd) {
                e.window = n->hwnd;
                if (!IsWindowVisible(n->hwnd)) e.state = STATE_SYSTEM_INVISIBLE;
            } else {
                e.role = n->role == Node::Role::Picture ? ROLE_SYSTEM_GRAPHIC : ROLE_SYSTEM_STATICTEXT;
                e.name = DrawnName(*n);
                e.state = STATE_SYSTEM_READONLY;
                if (!n->visible || !containerShown) e.state |= STATE_SYSTEM_INVISIBLE;
            }
            out.push_back(std::move(e));
        }
        return out;
    }

    HRESULT DoDefaultAction(LONG child) override {
        if (child != CHILDID_SELF) {
            // A drawn option button: checked, as a click would.
            const auto children = ExposedChildren(node_);
            if (child < 1 || static_cast<std::size_t>(child) > children.size()) return E_INVALIDARG;
            Node& n = *children[static_cast<std::size_t>(child) - 1];
            if (!n.drawnOption) return DISP_E_MEMBERNOTFOUND;
            if (!n.enabled || !n.visible || WindowUnavailable(Window()) || !IsWindowVisible(Window())) return E_FAIL;
            node_.owner->SetProperty(n.Name(), "Value", optimiser::kTrue);
            return S_OK;
        }
        if (node_.role != Node::Role::Button) return DISP_E_MEMBERNOTFOUND;
        if (WindowUnavailable(Window()) || !IsWindowVisible(Window())) return E_FAIL;
        // Posted: the press runs once the client's call has returned (the
        // about box it may open is modal).
        return PostMessageW(Window(), BM_CLICK, 0, 0) ? S_OK : E_FAIL;
    }

    Node& node_;
};

bool Overlap(const TwipsRect& a, const TwipsRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

}  // namespace

namespace host {

LRESULT AnswerGetObject(Node& node, WPARAM wp, LPARAM lp) {
    if (!node.hwnd) return 0;
    return win32::AnswerGetObject(node.accessible, wp, lp, [&] { return new HostAccessible(node); });
}

void PrepareAccessibility(Node& container) {
    for (auto& child : container.children) {
        Node& n = *child;
        const TwipsRect* at = n.model->position ? &*n.model->position : nullptr;
        if (n.role == Node::Role::Label && at) {
            const std::wstring text = Trimmed(n.caption);
            for (auto& other : container.children) {
                const Node& o = *other;
                if (&o == &n || o.role != Node::Role::Label || !o.model->position) continue;
                if (Trimmed(o.caption) != text || text.empty() || !Overlap(*at, *o.model->position)) continue;
                if (o.model->tabIndex.value_or(0xFFFF) < n.model->tabIndex.value_or(0xFFFF)) n.decorativeCopy = true;
            }
        }
        if (n.role == Node::Role::Bar && at) {
            Node* caption = nullptr;
            for (auto& other : container.children) {
                Node& o = *other;
                if (o.role != Node::Role::Label || !o.model->position || Trimmed(o.caption).empty()) continue;
                const TwipsRect& l = *o.model->position;
                const bool above = l.top + l.height <= at->top;
                const bool sideways = l.left < at->left + at->width && at->left < l.left + l.width;
                if (!above || !sideways) continue;
                if (!caption || l.top + l.height > caption->model->position->top + caption->model->position->height) {
                    caption = &o;
                }
            }
            if (caption) {
                caption->namesBar = true;
                n.barName = Trimmed(caption->caption, true);
                if (n.bar) n.bar->SetAccessibleName(n.barName);
            }
        }
    }
    for (auto& child : container.children) {
        if (child->role == Node::Role::Frame) PrepareAccessibility(*child);
    }
}

std::vector<Node*> ExposedChildren(const Node& container) {
    std::vector<Node*> out;
    for (const auto& child : container.children) {
        if (child->model->position && Exposed(*child)) out.push_back(child.get());
    }
    // Reading order: by the middle of each control from the top, then from
    // the left (twice the middle, to stay in whole twips).
    std::stable_sort(out.begin(), out.end(), [](const Node* a, const Node* b) {
        const TwipsRect& p = *a->model->position;
        const TwipsRect& q = *b->model->position;
        const std::int64_t pm = 2 * static_cast<std::int64_t>(p.top) + p.height;
        const std::int64_t qm = 2 * static_cast<std::int64_t>(q.top) + q.height;
        if (pm != qm) return pm < qm;
        return p.left < q.left;
    });
    return out;
}

LONG AccessibleChildId(const Node& node) {
    if (!node.parent) return 0;
    const auto children = ExposedChildren(*node.parent);
    const auto it = std::find(children.begin(), children.end(), &node);
    return it == children.end() ? 0 : static_cast<LONG>(it - children.begin() + 1);
}

}  // namespace host

void FormWindow::SetAccessibleName(std::string_view control, std::wstring name) {
    Node& n = Lookup(control);
    if (n.role == Node::Role::Bar) n.barName = name;
    if (n.bar) n.bar->SetAccessibleName(name);
    n.accessibleName = std::move(name);
}

}  // namespace kavrel::app
