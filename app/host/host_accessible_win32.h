// What assistive technology sees of the window host's controls. The window's
// client area, the frames and the push buttons answer WM_GETOBJECT
// with an object of ours; the labels and pictures a container draws are
// that container's simple children, and so are the option buttons a frame
// draws (elsewhere they are standard controls and answer for themselves);
// the bars answer through their surface.
#pragma once

#include <windows.h>

#include <vector>

#include "app/host/host_internal_win32.h"

namespace kavrel::app::host {

// The answer to WM_GETOBJECT for a window of ours (the window, a frame, a
// button): its object, made on the first request; 0 for another object id,
// so that the message goes on to the default procedure.
LRESULT AnswerGetObject(FormWindow::Node& node, WPARAM wp, LPARAM lp);

// Decides, once the tree is built, what the drawn controls are to assistive
// technology and to high contrast:
//   - a label that repeats the text of one it overlaps, later in tab order,
//     is a decorative copy (a shadow): never read, not drawn in high contrast;
//   - the nearest label above a bar, overlapping it sideways, is its caption:
//     the bar is named after it (without trailing dots and spaces) and the
//     label is not read a second time.
void PrepareAccessibility(FormWindow::Node& container);

// The children a container shows assistive technology, in reading order
// (top to bottom by their middle, then left to right): windowed controls,
// labels with text of their own, pictures the program has named.
std::vector<FormWindow::Node*> ExposedChildren(const FormWindow::Node& container);

// The child id of a drawn control in its container's object (1..n), or 0
// when it is not exposed.
LONG AccessibleChildId(const FormWindow::Node& node);

}  // namespace kavrel::app::host
