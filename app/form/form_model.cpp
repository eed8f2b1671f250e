#include "app/form/form_model.h"

#include <stdexcept>

#include "base/text.h"

namespace kavrel::app {

namespace {

template <typename C>
C* FindIn(C& control, std::string_view name) {
    if (base::EqualsNoCase(control.name, name)) return &control;
    for (auto& child : control.children) {
        if (C* found = FindIn(child, name)) return found;
    }
    return nullptr;
}

const Control* ParentIn(const Control& control, std::string_view name) {
    for (const auto& child : control.children) {
        if (base::EqualsNoCase(child.name, name)) return &control;
        if (const Control* found = ParentIn(child, name)) return found;
    }
    return nullptr;
}

}  // namespace

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label: return "label";
        case ControlKind::OptionButton: return "option button";
        case ControlKind::Timer: return "timer";
        case ControlKind::Window: return "window";
        case ControlKind::MenuItem: return "menu item";
        case ControlKind::Shape: return "shape";
        case ControlKind::Picture: return "picture";
        case ControlKind::Hosted: return "hosted component";
    }
    return "unknown kind";
}

const Control* Control::Find(std::string_view controlName) const { return FindIn(*this, controlName); }
Control* Control::Find(std::string_view controlName) { return FindIn(*this, controlName); }

const Control* FormDescription::Find(std::string_view name) const {
    if (const Control* c = window.Find(name)) return c;
    for (const auto& menu : menus) {
        if (const Control* c = menu.Find(name)) return c;
    }
    return nullptr;
}

Control* FormDescription::Find(std::string_view name) {
    return const_cast<Control*>(static_cast<const FormDescription*>(this)->Find(name));
}

const Control& FormDescription::Get(std::string_view name, ControlKind kind) const {
    const Control* c = Find(name);
    if (!c) throw std::out_of_range("the window has no control named " + std::string(name));
    if (c->kind != kind) {
        throw std::invalid_argument(std::string(name) + " is a " + KindName(c->kind) + ", not a " + KindName(kind));
    }
    return *c;
}

const Control* FormDescription::ParentOf(std::string_view name) const {
    if (const Control* p = ParentIn(window, name)) return p;
    for (const auto& menu : menus) {
        if (const Control* p = ParentIn(menu, name)) return p;
    }
    return nullptr;
}

}  // namespace kavrel::app
