// Controls without a window of their own (labels, pictures, the shape),
// drawn by their container over its background, off screen then copied. In
// high contrast: the window colour behind, text and outlines in the window
// text colour, pictures as they are, and no decorative copy of a label.
#include "app/host/host_internal_win32.h"

#include <algorithm>

namespace kavrel::app {

using namespace host;

void FormWindow::PaintContainer(Node& c, HDC target) {
    RECT client{};
    GetClientRect(c.hwnd, &client);
    const bool contrast = Contrast();
    const COLORREF window = GetSysColor(COLOR_WINDOW), windowText = GetSysColor(COLOR_WINDOWTEXT);
    // A container with nothing drawn over its background (the window
    // under its frames) is filled where it shows: one operation cannot
    // flicker, and an off-screen copy of the whole client area would cost
    // more than all the rest of its paint.
    const bool drawsOver = c.role == Node::Role::Frame ||
                           std::any_of(c.children.begin(), c.children.end(),
                                       [](const auto& n) { return n->Windowless() && n->visible; });
    if (!drawsOver) {
        FillSolid(target, client, contrast ? window : c.back);
        return;
    }
    // Painted off screen, then copied once: the labels and pictures drawn
    // over the background do not flicker.
    win32::UniqueDc dc(CreateCompatibleDC(target));
    win32::UniqueBitmap bitmap(CreateCompatibleBitmap(target, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
    if (!dc || !bitmap) return;
    win32::SelectGuard selBitmap(dc.get(), bitmap.get());
    FillSolid(dc.get(), client, contrast ? window : c.back);
    SetBkMode(dc.get(), TRANSPARENT);

    if (c.role == Node::Role::Frame) PaintFrameOutline(c, dc.get(), client);

    // Controls without a window of their own, bottom of the stack first.
    for (auto it = c.children.rbegin(); it != c.children.rend(); ++it) {
        Node& n = **it;
        if (!n.Windowless() || !n.visible) continue;
        switch (n.role) {
            case Node::Role::Label: {
                // A copy offset by a pixel would smear the text.
                if (contrast && n.decorativeCopy) break;
                if (!n.model->IsTransparent()) FillSolid(dc.get(), n.rect, contrast ? window : n.back);
                win32::SelectGuard selFont(dc.get(), n.font.get());
                SetTextColor(dc.get(), contrast ? windowText : n.fore);
                RECT rc = n.rect;
                DrawTextW(dc.get(), n.caption.c_str(), -1, &rc, DT_WORDBREAK | DT_NOCLIP);
                break;
            }
            case Node::Role::Picture:
                if (n.picture) DrawOpaque(dc.get(), n.rect, *n.picture);
                break;
            case Node::Role::Shape: {
                const COLORREF fill = contrast ? window : Resolve(n.model->fillColor.value_or(0xFFFFFFu));
                win32::UniqueBrush brush(CreateSolidBrush(fill));
                const bool transparentFill = n.model->fillStyle.value_or(0) == 1;
                RoundedOutline(dc.get(), n.rect, contrast ? windowText : RGB(0xC5, 0xD0, 0xDE),
                               MulDiv(12, static_cast<int>(dpi_), 96), transparentFill ? nullptr : brush.get());
                break;
            }
            case Node::Role::Option: PaintOption(n, dc.get()); break;
            default: break;
        }
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc.get(), 0, 0, SRCCOPY);
}

}  // namespace kavrel::app
