// The host surface of one progress bar on Windows: a child window of the
// bar's own window class. It owns the bar and raises its lifecycle events
// from the window's messages: initialise (WM_CREATE), resize (WM_SIZE),
// paint (WM_PAINT) and terminate (WM_DESTROY). Its class keeps one DC per
// window (CS_OWNDC), valid for the window's whole life. No exception leaves
// the window procedure.
//
// For assistive technology the window answers WM_GETOBJECT with the bar's
// accessible object (progressbar/bar_accessible_win32.h) and raises
// EVENT_OBJECT_SHOW and _HIDE when shown and hidden, and
// EVENT_OBJECT_VALUECHANGE when a redraw shows another level while the bar
// can be seen.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "win32/accessible.h"
#include "progressbar/gdi_canvas_win32.h"
#include "progressbar/surface.h"
#include "progressbar/xp_progressbar.h"

namespace kavrel::progressbar::win32 {

class BarSurface final : public Surface {
public:
    // Told the name of each stored property that changes.
    using ChangeHandler = std::function<void(std::string_view property)>;

    // The window class every bar surface belongs to.
    static constexpr const wchar_t* kClassName = L"KavrelLinkTune.XP_ProgressBar";

    // Creates the surface window as a child of `parent`, at `bounds` in the
    // parent's client coordinates (pixels), with the given control id; the
    // bar is initialised before this returns. Hidden unless `visible`.
    // Throws std::system_error when the window cannot be made.
    static std::unique_ptr<BarSurface> Create(HWND parent, const RECT& bounds, int id = 0, bool visible = true);

    // Destroys the window (the bar's terminate event) if it still exists.
    ~BarSurface() override;
    BarSurface(const BarSurface&) = delete;
    BarSurface& operator=(const BarSurface&) = delete;

    HWND Window() const { return hwnd_; }
    XP_ProgressBar& Bar() { return bar_; }
    const XP_ProgressBar& Bar() const { return bar_; }
    GdiGraphics& GraphicsServices() { return graphics_; }

    void SetChangeHandler(ChangeHandler handler) { onChange_ = std::move(handler); }
    // The host's Visible: shows or hides the surface window at once.
    void SetVisible(bool visible);
    bool Visible() const;
    // Moves and sizes the window (parent client coordinates); the bar sees a
    // resize event.
    void SetBounds(const RECT& bounds);
    // What assistive technology calls the bar: its host names it after the
    // caption shown beside it.
    void SetAccessibleName(std::wstring name) { accessibleName_ = std::move(name); }
    const std::wstring& AccessibleName() const { return accessibleName_; }

    // Surface
    std::uintptr_t WindowHandle() const override { return reinterpret_cast<std::uintptr_t>(hwnd_); }
    Canvas& DeviceContext() override;
    void SetBackColor(Colour colour) override;
    Colour BackColor() const { return backColour_; }
    void SetScaleMode(std::int32_t mode) override;
    float ScaleLeft() const override { return 0.0f; }
    float ScaleTop() const override { return 0.0f; }
    float ScaleWidth() const override;
    float ScaleHeight() const override;
    void PropertyChanged(std::string_view property) override;
    void LevelShown(std::int32_t percent) override;

private:
    BarSurface();
    static void RegisterWindowClass();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    float ToScale(LONG pixels, int dpi) const;

    HWND hwnd_ = nullptr;
    std::optional<GdiCanvas> dc_;  // the window's own DC
    Colour backColour_ = 0x8000000F;  // the button face until initialise sets white
    std::int32_t scaleMode_ = kScaleTwips;
    ChangeHandler onChange_;
    GdiGraphics graphics_;
    XP_ProgressBar bar_;
    std::int32_t levelShown_ = 0;
    std::wstring accessibleName_;
    kavrel::win32::AccessibleHold accessible_;  // cut off when the window goes
};

}  // namespace kavrel::progressbar::win32
