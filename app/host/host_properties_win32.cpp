// The program's late-bound access to the controls by name: "Value",
// "Visible" and "Enabled" read and written as the optimisation run and the
// progress animation ask, and where each control is, for tests and tools.
#include "app/host/host_accessible_win32.h"
#include "app/host/host_internal_win32.h"

#include <stdexcept>

namespace kavrel::app {

using namespace host;

FormWindow::Node& FormWindow::Lookup(std::string_view name) const {
    auto it = byName_.find(base::FoldCase(name));
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
    if (SameName(property, "Value")) RealizeBar(n);
    if (SameName(property, "Value") && n.bar) return n.bar->Bar().Value();
    if (SameName(property, "Value") && n.drawnOption) return n.checked ? optimiser::kTrue : optimiser::kFalse;
    if (SameName(property, "Value") && n.role == Node::Role::Option) {
        return SendMessageW(n.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? optimiser::kTrue : optimiser::kFalse;
    }
    if (SameName(property, "Visible")) return n.visible ? optimiser::kTrue : optimiser::kFalse;
    if (SameName(property, "Enabled")) {
        if (n.role == Node::Role::Timer) return n.timerEnabled ? optimiser::kTrue : optimiser::kFalse;
        if (n.hwnd) return IsWindowEnabled(n.hwnd) ? optimiser::kTrue : optimiser::kFalse;
        if (n.drawnOption) return n.enabled ? optimiser::kTrue : optimiser::kFalse;
    }
    throw std::invalid_argument(std::string(control) + " has no readable property " + std::string(property));
}

void FormWindow::SetProperty(std::string_view control, std::string_view property, std::int32_t value) {
    Node& n = Lookup(control);
    // A bar hidden before anyone saw it needs no window yet.
    const bool hidesBar = SameName(property, "Visible") && value == 0 && !n.bar;
    if (!hidesBar) RealizeBar(n);
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
            // The buttons are available or not with the window: say so, and
            // show it (in high contrast their captions grey).
            for (const auto& [_, node] : byName_) {
                if (node && node->role == Node::Role::Button && node->hwnd) {
                    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, node->hwnd, OBJID_CLIENT, CHILDID_SELF);
                    InvalidateRect(node->hwnd, nullptr, FALSE);
                }
            }
            return;
        }
        if (n.hwnd) {
            EnableWindow(n.hwnd, value != 0);
            return;
        }
        if (n.drawnOption) {
            if (n.enabled != (value != 0)) {
                n.enabled = value != 0;
                if (!n.enabled && n.parent->heldOption == &n) n.parent->heldOption = nullptr;
                OptionChanged(n);
            }
            return;
        }
    }
    if (SameName(property, "Value") && n.bar) {
        n.bar->Bar().SetValue(value);
        return;
    }
    if (SameName(property, "Value") && n.drawnOption) {
        if (value != 0) {
            CheckOption(n);
        } else if (n.checked) {
            n.checked = false;
            OptionChanged(n);
        }
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
    const bool was = n.visible;
    n.visible = visible;
    if (n.role == Node::Role::Bar && !n.bar) return;  // hidden, and made hidden when it is needed
    if (n.bar) {
        n.bar->SetVisible(visible);  // which tells assistive technology itself
    } else if (n.hwnd) {
        ShowWindow(n.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    } else if (n.parent && n.parent->hwnd) {
        InvalidateRect(n.parent->hwnd, &n.rect, TRUE);
        // A drawn control that assistive technology sees is a child of its
        // container's object.
        const LONG id = AccessibleChildId(n);
        if (id > 0 && was != visible) {
            NotifyWinEvent(visible ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, n.parent->hwnd, OBJID_CLIENT, id);
        }
    }
}

HWND FormWindow::ControlWindow(std::string_view name) const {
    Node& n = Lookup(name);
    RealizeBar(n);
    return n.hwnd;
}

std::wstring FormWindow::ControlCaption(std::string_view name) const { return Lookup(name).caption; }

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

}  // namespace kavrel::app
