// Reads and writes the window's stored description (layout: docs/form-format.md).
//
// The decoder is strict: every length, offset, code and structure byte is
// checked, nothing is read out of bounds, and anything the encoder would not
// have written (properties out of order, a record longer than its contents,
// an unknown code) is rejected with persist::FormatError naming the field
// and its byte offset. Hence decoding then encoding gives the same bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/form/form_model.h"

namespace kavrel::app {

inline constexpr std::uint8_t kFormSignature[5] = {0xFF, 0xCC, 0x31, 0x00, 0x25};
inline constexpr std::size_t kFormHeaderSize = 5 + 3 * 16 + 36 + 4;

// Property codes. Each code has one value form whatever the kind; which
// kinds may carry it is checked (docs/form-format.md). Codes appear in a
// record in increasing order, each at most once.
namespace prop {
inline constexpr std::uint8_t kCaption = 0x01;          // u16 byte count + UTF-8
inline constexpr std::uint8_t kFont = 0x02;             // font form
inline constexpr std::uint8_t kPosition = 0x03;         // 4 x i16: left, top, width, height
inline constexpr std::uint8_t kForeColor = 0x04;        // u32
inline constexpr std::uint8_t kBackColor = 0x05;        // u32
inline constexpr std::uint8_t kBackStyle = 0x06;        // u8: 0 transparent, 1 opaque
inline constexpr std::uint8_t kVisible = 0x07;          // u8: 0 hidden, 1 shown
inline constexpr std::uint8_t kEnabled = 0x08;          // u8: 0 / 1
inline constexpr std::uint8_t kValue = 0x09;            // u8: 0 / 1 (selected)
inline constexpr std::uint8_t kInterval = 0x0A;         // u32 milliseconds
inline constexpr std::uint8_t kPicture = 0x0B;          // picture form
inline constexpr std::uint8_t kShape = 0x0C;            // u8 shape kind
inline constexpr std::uint8_t kFillColor = 0x0D;        // u32
inline constexpr std::uint8_t kFillStyle = 0x0E;        // u8
inline constexpr std::uint8_t kTabIndex = 0x0F;         // u16
inline constexpr std::uint8_t kClientSize = 0x10;       // 2 x u16: width, height
inline constexpr std::uint8_t kBorderStyle = 0x11;      // u8
inline constexpr std::uint8_t kControlBox = 0x12;       // u8: 0 / 1
inline constexpr std::uint8_t kMinButton = 0x13;        // u8: 0 / 1
inline constexpr std::uint8_t kMaxButton = 0x14;        // u8: 0 / 1
inline constexpr std::uint8_t kStartUpPosition = 0x15;  // u8
inline constexpr std::uint8_t kIcon = 0x16;             // picture form
inline constexpr std::uint8_t kSubMenuCount = 0x17;     // u16, menu items with a drop-down
inline constexpr std::uint8_t kStoredSet = 0x2D;        // 4C 42 09 00, u32 length, property set
inline constexpr std::uint8_t kEndMarker = 0xFF;
}  // namespace prop

// Structure bytes between records.
namespace structure {
inline constexpr std::uint8_t kFirstChild = 0x01;
inline constexpr std::uint8_t kCloseLevel = 0x02;   // control tree; among menus: "next item"
inline constexpr std::uint8_t kNextSibling = 0x03;  // control tree; among menus: "close level"
inline constexpr std::uint8_t kEnd = 0x04;
inline constexpr std::uint8_t kMenusBegin = 0x05;
}  // namespace structure

// Throws std::invalid_argument for a model that cannot be stored (a value
// out of its field's range, a property the kind may not carry, a duplicate
// name or id, a malformed stored set).
std::vector<std::uint8_t> EncodeForm(const FormDescription& form);

// Throws persist::FormatError.
FormDescription DecodeForm(std::span<const std::uint8_t> bytes);

// Decodes Form1's description and checks that the controls the program's
// commands address are there with their kinds (option buttons, Timer3,
// Label1/2, Image4, Shape1, Bar1/2, command1, KavrelCmd1, the menu items).
// Throws FormatError for bad bytes, std::runtime_error for a missing control.
FormDescription LoadForm1(std::span<const std::uint8_t> bytes);

}  // namespace kavrel::app
