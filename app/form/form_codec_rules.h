// What the window description's writer and reader agree on: the stored set
// marker, the reserved header bytes, which property codes each kind may
// carry, and the characters names may use. Internal to app/form/.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/form/form_codec.h"

namespace kavrel::app::codec {

inline constexpr std::uint8_t kStoredSetMarker[4] = {0x4C, 0x42, 0x09, 0x00};
inline constexpr std::size_t kReservedBytes = 36;
inline constexpr int kMaxDepth = 64;  // far more than any window nests; bounds the reader's recursion

// Which property codes each kind may carry.
inline bool Allowed(ControlKind kind, std::uint8_t code) {
    using namespace prop;
    static constexpr std::uint8_t window[] = {kCaption, kFont, kForeColor, kBackColor, kEnabled, kClientSize,
                                              kBorderStyle, kControlBox, kMinButton, kMaxButton,
                                              kStartUpPosition, kIcon};
    static constexpr std::uint8_t label[] = {kCaption, kFont, kPosition, kForeColor, kBackColor, kBackStyle,
                                             kVisible, kEnabled, kTabIndex};
    static constexpr std::uint8_t option[] = {kCaption, kFont, kPosition, kForeColor, kBackColor,
                                              kVisible, kEnabled, kValue, kTabIndex};
    static constexpr std::uint8_t timer[] = {kEnabled, kInterval};
    static constexpr std::uint8_t shape[] = {kPosition, kVisible, kShape, kFillColor, kFillStyle};
    static constexpr std::uint8_t picture[] = {kPosition, kVisible, kPicture};
    static constexpr std::uint8_t menu[] = {kCaption, kVisible, kEnabled, kSubMenuCount};
    static constexpr std::uint8_t hosted[] = {kPosition, kVisible, kTabIndex, kStoredSet};
    auto in = [code](const auto& list) { return std::find(std::begin(list), std::end(list), code) != std::end(list); };
    switch (kind) {
        case ControlKind::Window: return in(window);
        case ControlKind::Label: return in(label);
        case ControlKind::OptionButton: return in(option);
        case ControlKind::Timer: return in(timer);
        case ControlKind::Shape: return in(shape);
        case ControlKind::Picture: return in(picture);
        case ControlKind::MenuItem: return in(menu);
        case ControlKind::Hosted: return in(hosted);
    }
    return false;
}

inline bool KnownKind(std::uint8_t k) {
    switch (static_cast<ControlKind>(k)) {
        case ControlKind::Label:
        case ControlKind::OptionButton:
        case ControlKind::Timer:
        case ControlKind::Window:
        case ControlKind::MenuItem:
        case ControlKind::Shape:
        case ControlKind::Picture:
        case ControlKind::Hosted:
            return true;
    }
    return false;
}

inline bool IsContainer(ControlKind kind) { return kind == ControlKind::Window || kind == ControlKind::Hosted; }

inline bool IsNameChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

inline bool IsClassNameChar(unsigned char c) { return IsNameChar(c) || c == '.'; }

inline std::string Hex(unsigned v) {
    static const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[(v >> 4) & 15] + digits[v & 15];
}

}  // namespace kavrel::app::codec
