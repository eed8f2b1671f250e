// The window's stored description as data: the window record, its control
// tree in stacking order (topmost first within each container), and the menu
// tree. The window host builds the real window from this; formdump prints it.
//
// Every property is optional: present exactly when it is stored. The Is* /
// *Or accessors give the value the host uses when it is absent.
// The byte layout is documented in docs/form-format.md (codec: form_codec.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "persist/binary_io.h"
#include "persist/property_bag.h"
#include "persist/std_objects.h"

namespace kavrel::app {

using persist::Guid;
using persist::PropertyBag;
using persist::StdFont;
using persist::StdPicture;

enum class ControlKind : std::uint8_t {
    Label = 1,
    OptionButton = 6,
    Timer = 11,
    Window = 13,
    MenuItem = 19,
    Shape = 22,
    Picture = 24,
    Hosted = 255,
};
const char* KindName(ControlKind kind);  // "label", "option button", ...

// Twips, relative to the client area of the containing control.
struct TwipsRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const TwipsRect&) const = default;
};

struct TwipsSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const TwipsSize&) const = default;
};

// 0x00BBGGRR; with the high bit set, a system colour index.
using Colour = std::uint32_t;

enum class BorderStyle : std::uint8_t { None = 0, FixedSingle = 1, Sizable = 2, FixedDialog = 3 };
enum class StartUpPosition : std::uint8_t { Manual = 0, CenterOwner = 1, CenterScreen = 2, WindowsDefault = 3 };
// Shape kinds: 0 rectangle, 1 square, 2 oval, 3 circle, 4 rounded rectangle, 5 rounded square.
enum class ShapeKind : std::uint8_t { Rectangle = 0, Square = 1, Oval = 2, Circle = 3, RoundedRectangle = 4, RoundedSquare = 5 };

// One record: the window, a built-in control, a hosted component or a menu item.
struct Control {
    std::uint8_t id = 0;  // number within the window; 0 is the window itself
    std::string name;     // ASCII, unique within the window (compared without case)
    ControlKind kind = ControlKind::Label;
    std::string className;  // hosted components only, e.g. "FramePlusCtl.FramePlus"

    // Properties (which kinds may carry which: docs/form-format.md).
    std::optional<std::string> caption;        // UTF-8; menu separator: "-"
    std::optional<StdFont> font;
    std::optional<TwipsRect> position;         // hosted: host entry 0x03
    std::optional<Colour> foreColor;
    std::optional<Colour> backColor;
    std::optional<bool> transparent;           // labels: background not painted
    std::optional<bool> visible;               // hosted: host entry 0x07 (stored only as hidden)
    std::optional<bool> enabled;               // window, controls, timer (ticking), menu items
    std::optional<bool> value;                 // option buttons: selected (True is -1 to callers)
    std::optional<std::uint32_t> intervalMs;   // timers
    std::optional<StdPicture> picture;         // picture controls
    std::optional<ShapeKind> shape;            // shapes
    std::optional<Colour> fillColor;           // shapes
    std::optional<std::uint8_t> fillStyle;     // shapes: 0 solid, 1 transparent
    std::optional<std::uint16_t> tabIndex;     // hosted: host entry 0x0F
    std::optional<TwipsSize> clientSize;       // window
    std::optional<BorderStyle> borderStyle;    // window
    std::optional<bool> controlBox;            // window: system menu with close box
    std::optional<bool> minButton;             // window
    std::optional<bool> maxButton;             // window
    std::optional<StartUpPosition> startUpPosition;  // window
    std::optional<StdPicture> icon;            // window
    // Hosted components: the stored property set (entry 0x2D), decoded. The
    // encoder writes this bag; storedSetBytes is the set exactly as it was
    // read (empty for a model built in memory) and is not used for writing.
    std::optional<PropertyBag> storedSet;
    std::vector<std::uint8_t> storedSetBytes;

    // Children in stacking order, topmost first (window, hosted containers);
    // for a menu item, the items of its drop-down menu in order.
    std::vector<Control> children;

    // Values in force when a property is absent.
    bool IsVisible() const { return visible.value_or(true); }
    bool IsEnabled() const { return enabled.value_or(true); }
    bool IsSelected() const { return value.value_or(false); }
    bool IsTransparent() const { return transparent.value_or(false); }
    bool IsSeparator() const { return kind == ControlKind::MenuItem && caption && *caption == "-"; }
    bool IsHosted() const { return kind == ControlKind::Hosted; }

    // This control and its descendants, depth first (stacking order).
    const Control* Find(std::string_view controlName) const;
    Control* Find(std::string_view controlName);
};

// The whole description.
struct FormDescription {
    // The window object's class, its interface and the host's form class.
    std::array<Guid, 3> classIds{};
    Control window;              // kind Window, id 0; children = the control tree
    std::vector<Control> menus;  // menu-bar items, in order (kind MenuItem)

    // By name (without case) in the window's tree or the menus; nullptr
    // when absent.
    const Control* Find(std::string_view name) const;
    Control* Find(std::string_view name);
    // By name, and it must be of that kind: throws std::out_of_range when
    // absent, std::invalid_argument when of another kind.
    const Control& Get(std::string_view name, ControlKind kind) const;
    // The container of the named control (the window for a top-level control,
    // the menu-bar item for a drop-down item); nullptr for the window itself,
    // a top-level menu or an unknown name.
    const Control* ParentOf(std::string_view name) const;
};

}  // namespace kavrel::app
