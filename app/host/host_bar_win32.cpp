// Bar hosting: the progress bar component on its surface window, loaded
// from the stored property set the description gives it. A bar is hidden
// until the progress display shows it, and most starts never do: its window
// (some 2.5 ms a bar under Wine, as the component draws itself when it
// starts) is made the first time something needs it.
#include "app/host/host_internal_win32.h"

namespace kavrel::app {

namespace host {

void RealizeBar(FormWindow::Node& n) {
    if (n.role != FormWindow::Node::Role::Bar || n.bar || !n.parent || !n.parent->hwnd) return;
    // The surface's window runs the bar's initialise event; its stored
    // properties are then restored from the description (the bar's load
    // event).
    n.bar = progressbar::win32::BarSurface::Create(n.parent->hwnd, n.rect, n.model->id, n.visible);
    n.hwnd = n.bar->Window();
    if (n.model->storedSet) n.bar->Bar().ReadProperties(*n.model->storedSet);
    if (!n.barName.empty()) n.bar->SetAccessibleName(n.barName);
    // Among its siblings where it would have been made at start: after the
    // windowed control before it in tab order.
    const auto tab = [](const FormWindow::Node& c) { return c.model->tabIndex.value_or(0xFFFF); };
    const FormWindow::Node* before = nullptr;
    for (const auto& sibling : n.parent->children) {
        const FormWindow::Node& s = *sibling;
        if (&s == &n || !s.hwnd || tab(s) > tab(n)) continue;
        if (!before || tab(s) >= tab(*before)) before = &s;
    }
    SetWindowPos(n.hwnd, before ? before->hwnd : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
}

}  // namespace host

}  // namespace kavrel::app
