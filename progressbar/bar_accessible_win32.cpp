#include "progressbar/bar_accessible_win32.h"

#include "progressbar/bar_surface_win32.h"

namespace kavrel::progressbar::win32 {

namespace {

class BarAccessible final : public kavrel::win32::AccessibleObject {
public:
    explicit BarAccessible(const BarSurface& surface) : kavrel::win32::AccessibleObject(surface.Window()), surface_(surface) {}

private:
    kavrel::win32::AccessibleElement Self() const override {
        kavrel::win32::AccessibleElement e;
        e.role = ROLE_SYSTEM_PROGRESSBAR;
        e.name = surface_.AccessibleName();
        e.value = LevelText(surface_.Bar().Percent());
        e.state = STATE_SYSTEM_READONLY;
        if (!IsWindowVisible(Window())) e.state |= STATE_SYSTEM_INVISIBLE;
        GetWindowRect(Window(), &e.bounds);
        return e;
    }

    const BarSurface& surface_;
};

}  // namespace

kavrel::win32::AccessibleObject* MakeBarAccessible(const BarSurface& surface) { return new BarAccessible(surface); }

std::wstring LevelText(std::int32_t percent) { return std::to_wstring(percent) + L" %"; }

}  // namespace kavrel::progressbar::win32
