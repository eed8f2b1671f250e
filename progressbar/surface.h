// What the progress bar needs from its host: the surface it lives on and
// the platform's graphics services.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "progressbar/canvas.h"
#include "progressbar/colour.h"

namespace kavrel::progressbar {

// Scale modes of the surface's drawable area.
inline constexpr std::int32_t kScaleTwips = 1;
inline constexpr std::int32_t kScalePixels = 3;

// The host surface of one bar: a child window of its own with a device
// context that stays valid for the bar's whole life, a background colour,
// the drawable area in the current scale, and the change notification that
// tells the host a stored property has changed.
class Surface {
public:
    virtual ~Surface() = default;
    virtual std::uintptr_t WindowHandle() const = 0;
    virtual Canvas& DeviceContext() = 0;
    virtual void SetBackColor(Colour colour) = 0;
    virtual void SetScaleMode(std::int32_t mode) = 0;
    virtual float ScaleLeft() const = 0;
    virtual float ScaleTop() const = 0;
    virtual float ScaleWidth() const = 0;
    virtual float ScaleHeight() const = 0;
    virtual void PropertyChanged(std::string_view property) = 0;
    // Told at the end of every redraw the fill level, in percent, that the
    // redraw shows (what assistive technology reads as the bar's value).
    virtual void LevelShown(std::int32_t /*percent*/) {}
};

// Platform services the bar draws with.
class Graphics {
public:
    virtual ~Graphics() = default;
    // The client rectangle of a window (left and top 0); empty when the
    // handle is not a window.
    virtual Rect ClientRect(std::uintptr_t window) const = 0;
    // The current RGB of a system colour.
    virtual Colour SystemColour(std::int32_t index) const = 0;
    // An off-screen buffer of width x height pixels compatible with the
    // screen, or nullptr when any step of making it fails (nothing is left
    // behind then).
    virtual std::unique_ptr<Canvas> CreateBuffer(std::int32_t width, std::int32_t height) = 0;
    // Whether the user has asked for high contrast: the bar then draws in
    // system colours only, asked at each redraw.
    virtual bool HighContrast() const { return false; }
};

}  // namespace kavrel::progressbar
