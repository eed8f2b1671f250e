#include "persist/property_set.h"

#include <bit>
#include <limits>
#include <stdexcept>

#include "base/utf.h"

#include "persist/picture_file.h"

namespace kavrel::persist {

const Guid kFontClassId = *Guid::Parse("{0BE35203-8F91-11CE-9DE3-00AA004BB851}");
const Guid kPictureClassId = *Guid::Parse("{0BE35204-8F91-11CE-9DE3-00AA004BB851}");

namespace {

constexpr std::uint8_t kFontFormVersion = 1;
constexpr std::uint8_t kKnownFontStyles = kFontStyleItalic | kFontStyleUnderline | kFontStyleStrikethrough;

std::uint32_t HashUnits(std::u16string_view units) {
    std::uint32_t h = 0;
    for (char16_t c : units) h = std::rotl(h, 13) ^ static_cast<std::uint32_t>(c);
    return h;
}

std::u16string ToUtf16OrThrow(std::string_view text, const char* what) {
    auto units = base::Utf8ToUtf16(text, base::Invalid::Refuse);
    if (!units) throw std::invalid_argument(std::string(what) + " is not valid UTF-8");
    return *units;
}

void WriteUnits(ByteWriter& out, std::u16string_view units) {
    for (char16_t c : units) out.U16(static_cast<std::uint16_t>(c));
}

std::u16string ReadUnits(std::span<const std::uint8_t> bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return units;
}

void WriteValue(ByteWriter& out, const PropertyBag::Entry& e) {
    const auto& v = e.value;
    if (auto* i = std::get_if<std::int32_t>(&v)) {
        out.I32(*i);
    } else if (auto* d = std::get_if<double>(&v)) {
        out.F64(*d);
    } else if (auto* s = std::get_if<std::string>(&v)) {
        std::u16string units = ToUtf16OrThrow(*s, "string value");
        if (units.size() > std::numeric_limits<std::uint32_t>::max()) throw std::invalid_argument("string too long");
        out.U32(static_cast<std::uint32_t>(units.size()));
        WriteUnits(out, units);
    } else if (auto* f = std::get_if<FontRef>(&v)) {
        if (!*f) throw std::invalid_argument("\"" + e.name + "\" holds no font object");
        out.WriteGuid(kFontClassId);
        WriteFontForm(out, **f);
    } else {
        const auto& p = std::get<PictureRef>(v);
        if (!p) throw std::invalid_argument("\"" + e.name + "\" holds no picture object");
        out.WriteGuid(kPictureClassId);
        WritePictureForm(out, *p);
    }
}

PropertyValue ReadValue(ByteReader& in, std::uint16_t type, std::size_t recordOffset) {
    switch (static_cast<ValueType>(type)) {
        case ValueType::Int32:
            return in.I32("integer value");
        case ValueType::Double:
            return in.F64("floating-point value");
        case ValueType::String: {
            std::size_t at = in.Offset();
            std::uint32_t count = in.U32("string length");
            if (count > in.Remaining() / 2) {
                ByteReader::Fail("string length", at,
                                 std::to_string(count) + " characters run past the end of the set");
            }
            std::size_t charsAt = in.Offset();
            auto text = base::Utf16ToUtf8(ReadUnits(in.Bytes(std::size_t{count} * 2, "string characters")), base::Invalid::Refuse);
            if (!text) ByteReader::Fail("string characters", charsAt, "not valid UTF-16");
            return *text;
        }
        case ValueType::Object: {
            std::size_t at = in.Offset();
            Guid cls = in.ReadGuid("object class identifier");
            if (cls == kFontClassId) return std::make_shared<StdFont>(ReadFontForm(in));
            if (cls == kPictureClassId) return std::make_shared<StdPicture>(ReadPictureForm(in));
            ByteReader::Fail("object class identifier", at, "unknown class " + cls.ToString());
        }
    }
    ByteReader::Fail("value type", recordOffset, "unknown value type " + std::to_string(type));
}

}  // namespace

std::uint32_t NameHash(std::string_view lowerName) {
    auto units = base::Utf8ToUtf16(lowerName, base::Invalid::Refuse);
    if (!units) throw std::invalid_argument("name is not valid UTF-8");
    return HashUnits(*units);
}

std::vector<std::uint8_t> EncodePropertySet(const PropertyBag& bag) {
    ByteWriter out;
    out.U32(kPropertySetTag);
    out.U32(0);  // total length, known at the end
    std::int64_t linkSum = 0;
    const auto& entries = bag.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        std::string lower = PropertyBag::LowerName(e.name);
        std::u16string name = ToUtf16OrThrow(lower, "name");
        if (name.size() > 0xFFFF) throw std::invalid_argument("name \"" + lower + "\" is too long");
        std::size_t start = out.Size();
        out.U16(static_cast<std::uint16_t>(TypeOf(e.value)));
        out.U16(static_cast<std::uint16_t>(name.size()));
        out.U32(HashUnits(name));
        std::size_t linkAt = out.Size();
        out.I32(0);
        WriteUnits(out, name);
        WriteValue(out, e);
        while ((out.Size() - start) % 4 != 0) out.U8(0);
        auto length = static_cast<std::int64_t>(out.Size() - start);
        std::int64_t link = (i + 1 == entries.size()) ? -linkSum : length;
        linkSum += length;
        if (linkSum > std::numeric_limits<std::int32_t>::max()) throw std::invalid_argument("property set too long");
        out.PatchU32(linkAt, static_cast<std::uint32_t>(static_cast<std::int32_t>(link)));
    }
    if (out.Size() > std::numeric_limits<std::uint32_t>::max()) throw std::invalid_argument("property set too long");
    out.PatchU32(4, static_cast<std::uint32_t>(out.Size()));
    return out.Take();
}

PropertyBag DecodePropertySet(std::span<const std::uint8_t> set, std::size_t baseOffset) {
    ByteReader in(set, baseOffset);
    std::uint32_t tag = in.U32("tag");
    if (tag != kPropertySetTag) {
        ByteReader::Fail("tag", baseOffset, "expected 0x0000B293, found " + std::to_string(tag));
    }
    std::uint32_t total = in.U32("total length");
    if (total != set.size()) {
        ByteReader::Fail("total length", baseOffset + 4,
                         "says " + std::to_string(total) + " bytes, the set has " + std::to_string(set.size()));
    }

    PropertyBag bag;
    std::int64_t linkSum = 0;
    while (!in.AtEnd()) {
        std::size_t start = in.Position();
        std::size_t recordOffset = in.Offset();
        std::uint16_t type = in.U16("value type");
        std::uint16_t nameLength = in.U16("name length");
        std::uint32_t hash = in.U32("name hash");
        std::int32_t link = in.I32("record link");

        std::size_t nameOffset = in.Offset();
        std::u16string units = ReadUnits(in.Bytes(std::size_t{nameLength} * 2, "name"));
        auto name = base::Utf16ToUtf8(units, base::Invalid::Refuse);
        if (!name) ByteReader::Fail("name", nameOffset, "not valid UTF-16");
        if (PropertyBag::LowerName(*name) != *name) ByteReader::Fail("name", nameOffset, "not in lower case");
        if (HashUnits(units) != hash) {
            ByteReader::Fail("name hash", recordOffset + 4, "does not match the name \"" + *name + "\"");
        }
        if (bag.Contains(*name)) ByteReader::Fail("name", nameOffset, "\"" + *name + "\" appears twice");

        PropertyValue value = ReadValue(in, type, recordOffset);

        while ((in.Position() - start) % 4 != 0) {
            std::size_t at = in.Offset();
            if (in.U8("record padding") != 0) ByteReader::Fail("record padding", at, "not zero");
        }
        auto length = static_cast<std::int64_t>(in.Position() - start);
        std::int64_t expected = in.AtEnd() ? -linkSum : length;
        if (link != expected) {
            std::string detail = "is " + std::to_string(link) + ", expected " + std::to_string(expected);
            if (!in.AtEnd() && link > 0 && static_cast<std::uint64_t>(link) > set.size() - start) {
                detail += " (it leaves the set)";
            }
            ByteReader::Fail("record link", recordOffset + 8, detail);
        }
        linkSum += length;
        bag.AppendDecoded(PropertyBag::Entry{*name, std::move(value), recordOffset});
    }
    return bag;
}

void WriteFontForm(ByteWriter& out, const StdFont& font) {
    auto units = base::Utf8ToUtf16(font.name, base::Invalid::Refuse);
    if (!units) throw std::invalid_argument("font name is not valid UTF-8");
    if (units->size() > 255) throw std::invalid_argument("font name longer than 255 characters");
    if (font.size < 0 || font.size > std::numeric_limits<std::uint32_t>::max()) {
        throw std::invalid_argument("font size does not fit 32 bits");
    }
    std::uint8_t style = (font.italic ? kFontStyleItalic : 0) | (font.underline ? kFontStyleUnderline : 0) |
                         (font.strikethrough ? kFontStyleStrikethrough : 0);
    out.U8(kFontFormVersion);
    out.U16(static_cast<std::uint16_t>(font.charset));
    out.U8(style);
    out.U16(static_cast<std::uint16_t>(font.weight));
    out.U32(static_cast<std::uint32_t>(font.size));
    out.U8(static_cast<std::uint8_t>(units->size()));
    for (char16_t c : *units) {
        if (c > 0xFF) throw std::invalid_argument("font name has a character outside single-byte text");
        out.U8(static_cast<std::uint8_t>(c));
    }
}

StdFont ReadFontForm(ByteReader& in) {
    StdFont font;
    std::size_t at = in.Offset();
    std::uint8_t version = in.U8("font version");
    if (version != kFontFormVersion) ByteReader::Fail("font version", at, "unknown version " + std::to_string(version));
    font.charset = static_cast<std::int16_t>(in.U16("font character set"));
    at = in.Offset();
    std::uint8_t style = in.U8("font style");
    if (style & ~kKnownFontStyles) ByteReader::Fail("font style", at, "unknown style bits " + std::to_string(style));
    font.italic = style & kFontStyleItalic;
    font.underline = style & kFontStyleUnderline;
    font.strikethrough = style & kFontStyleStrikethrough;
    font.weight = static_cast<std::int16_t>(in.U16("font weight"));
    font.size = in.U32("font size");
    std::uint8_t length = in.U8("font name length");
    auto name = in.Bytes(length, "font name");
    std::u16string units(name.begin(), name.end());  // single-byte characters are Latin-1
    font.name = *base::Utf16ToUtf8(units, base::Invalid::Refuse);
    return font;
}

void WritePictureForm(ByteWriter& out, const StdPicture& picture) {
    if (picture.bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::invalid_argument("picture too large for its stored form");
    }
    out.U32(kPictureFormTag);
    out.U32(static_cast<std::uint32_t>(picture.bytes.size()));
    out.Bytes(picture.bytes);
}

StdPicture ReadPictureForm(ByteReader& in) {
    std::size_t at = in.Offset();
    std::uint32_t tag = in.U32("picture tag");
    if (tag != kPictureFormTag) ByteReader::Fail("picture tag", at, "expected 0x0000746C, found " + std::to_string(tag));
    at = in.Offset();
    std::uint32_t count = in.U32("picture byte count");
    if (count > in.Remaining()) {
        ByteReader::Fail("picture byte count", at,
                         std::to_string(count) + " bytes, only " + std::to_string(in.Remaining()) + " remain");
    }
    auto bytes = in.Bytes(count, "picture data");
    return PictureFromFile(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::int32_t TwipsToHimetric(std::int32_t twips) {
    // twips * 2540 / 1440 = twips * 127 / 72, rounded to nearest, halves to even.
    std::int64_t n = std::int64_t{twips} * 127;
    std::int64_t q = n / 72, r = n % 72;
    if (r < 0) {  // floor division
        q -= 1;
        r += 72;
    }
    if (2 * r > 72 || (2 * r == 72 && (q % 2 != 0))) q += 1;
    if (q < std::numeric_limits<std::int32_t>::min() || q > std::numeric_limits<std::int32_t>::max()) {
        throw std::invalid_argument("extent does not fit 32 bits");
    }
    return static_cast<std::int32_t>(q);
}

void WriteExtentKeys(PropertyBag& bag, std::int32_t widthHimetric, std::int32_t heightHimetric) {
    bag.WriteFront(kExtentYKey, heightHimetric);
    bag.WriteFront(kExtentXKey, widthHimetric);
}

void WriteExtentKeysFromTwips(PropertyBag& bag, std::int32_t widthTwips, std::int32_t heightTwips) {
    WriteExtentKeys(bag, TwipsToHimetric(widthTwips), TwipsToHimetric(heightTwips));
}

}  // namespace kavrel::persist
