// Bar hosting: the progress bar component on its surface window, loaded
// from the stored property set the description gives it.
#include "app/host/host_internal_win32.h"

namespace kavrel::app {

void FormWindow::CreateBar(Node& n, const Node& container) {
    // The surface's window runs the bar's initialise event; its stored
    // properties are then restored from the description (the bar's load
    // event).
    n.bar = progressbar::win32::BarSurface::Create(container.hwnd, n.rect, n.model->id, n.visible);
    n.hwnd = n.bar->Window();
    if (n.model->storedSet) n.bar->Bar().ReadProperties(*n.model->storedSet);
}

}  // namespace kavrel::app
