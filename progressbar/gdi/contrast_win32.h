// Only for tests/e2e/contrast_decided_win32.cpp, which another branch of
// the work owns and this one may not edit: the decision lives in
// win32/contrast.h. Delete this file once that test includes it directly.
#pragma once

#include "win32/contrast.h"

namespace kavrel::progressbar::win32 {
using kavrel::win32::DecideHighContrast;
}  // namespace kavrel::progressbar::win32
