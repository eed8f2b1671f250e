// Controls without a window of their own (labels, pictures, the shape),
// drawn by their container over its background, off screen then copied.
#include "app/host/host_internal_win32.h"

#include <algorithm>

namespace kavrel::app {

using namespace host;

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

    if (c.role == Node::Role::Frame) PaintFrameOutline(c, dc.get(), client);

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

}  // namespace kavrel::app
