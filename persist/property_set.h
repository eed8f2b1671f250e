// The stored property set: the bytes that hold one hosted control's property
// bag inside the window's stored description.
//
//   set    = tag u32 (0x0000B293), total length u32 (whole set), records
//   record = value type u16, name length u16 (characters), name hash u32,
//            link i32, name (UTF-16LE, lower case), value, zero padding to a
//            multiple of 4 bytes from the record's start
//   link   = offset from this record to the next; the last record holds the
//            negative of the sum of all earlier links (back to the first)
//   values = 3: i32; 5: f64; 8: u32 character count + UTF-16LE;
//            13: class identifier + the object's stored form (font, picture)
//
// All integers little-endian. Decoding is strict so that reading a set and
// writing it again gives the same bytes: every link, hash, padding byte and
// length must be exactly what the encoder would write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "persist/binary_io.h"
#include "persist/property_bag.h"
#include "persist/std_objects.h"

namespace kavrel::persist {

inline constexpr std::uint32_t kPropertySetTag = 0x0000B293;
inline constexpr std::uint32_t kPictureFormTag = 0x0000746C;
inline constexpr std::size_t kPropertySetHeaderSize = 8;

// {0BE35203-8F91-11CE-9DE3-00AA004BB851}
extern const Guid kFontClassId;
// {0BE35204-8F91-11CE-9DE3-00AA004BB851}
extern const Guid kPictureClassId;

// Font style bits of the font's stored form (0 for a regular font).
inline constexpr std::uint8_t kFontStyleItalic = 0x02;
inline constexpr std::uint8_t kFontStyleUnderline = 0x04;
inline constexpr std::uint8_t kFontStyleStrikethrough = 0x08;

// Hash of a lower-case name: from 0, for each UTF-16 code unit in order,
// rotate left by 13 bits and XOR the code unit in. The name is UTF-8.
std::uint32_t NameHash(std::string_view lowerName);

// Throws std::invalid_argument for a bag that cannot be stored: a name or
// string that is not valid UTF-8 or too long for its length field, a font
// whose name or size does not fit its stored form.
std::vector<std::uint8_t> EncodePropertySet(const PropertyBag& bag);

// The set must be exactly `set` (its total length equals set.size()).
// baseOffset is the absolute offset of set[0] in the outermost input; every
// error and every entry's offset are absolute. Throws FormatError.
PropertyBag DecodePropertySet(std::span<const std::uint8_t> set, std::size_t baseOffset = 0);

// The objects' own stored forms, shared with the window's description.
//   font:    version u8 (1), character set u16, style u8, weight u16,
//            size u32 (ten-thousandths of a point), name length u8, name
//            (single-byte characters, Latin-1)
//   picture: tag u32 (0x0000746C), byte count u32, the image file's bytes
void WriteFontForm(ByteWriter& out, const StdFont& font);  // std::invalid_argument
StdFont ReadFontForm(ByteReader& in);                       // FormatError
void WritePictureForm(ByteWriter& out, const StdPicture& picture);
StdPicture ReadPictureForm(ByteReader& in);

// The host's own keys, written in front of the component's keys: the
// control's size in hundredths of a millimetre. The component neither
// writes nor reads them.
inline constexpr std::string_view kExtentXKey = "_extentx";
inline constexpr std::string_view kExtentYKey = "_extenty";
// 1440 twips = 2540 hundredths of a millimetre; rounded to nearest, halves to even.
std::int32_t TwipsToHimetric(std::int32_t twips);
// Puts "_extentx" then "_extenty" first in the bag, replacing earlier ones.
void WriteExtentKeys(PropertyBag& bag, std::int32_t widthHimetric, std::int32_t heightHimetric);
void WriteExtentKeysFromTwips(PropertyBag& bag, std::int32_t widthTwips, std::int32_t heightTwips);

}  // namespace kavrel::persist
