#include "win32/contrast.h"

#include <windows.h>

namespace kavrel::win32 {

namespace {
// Constant-initialised: a decision taken during static initialisation of
// another file holds.
constinit std::optional<bool> g_decided;
}  // namespace

bool HighContrast() {
    if (g_decided) return *g_decided;
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof hc;
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0)) return false;
    return (hc.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void DecideHighContrast(std::optional<bool> on) { g_decided = on; }

}  // namespace kavrel::win32
