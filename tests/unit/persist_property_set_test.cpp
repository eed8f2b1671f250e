// The property bag and the stored property set: the bars' stored sets byte
// for byte, round trips of every value type, and rejection of bad bytes.
#include <gtest/gtest.h>

#include <algorithm>

#include "persist/picture_file.h"
#include "persist/property_bag.h"
#include "persist/property_set.h"
#include "tests/unit/stored_bytes.h"

using namespace kavrel::persist;
using kavrel::testing::FromHex;
using kavrel::testing::kBar1Set;

namespace {

FontRef Arial825() {
    auto f = std::make_shared<StdFont>();
    f->name = "Arial";
    f->size = 82500;
    f->weight = 400;
    f->charset = 178;
    return f;
}

// What the host and the bar write for Bar1 or Bar2: the extent keys of a
// 3735 x 135 twip control, then the keys that differ from their defaults.
PropertyBag BarBag(std::int32_t colour) {
    PropertyBag bag;
    WriteExtentKeysFromTwips(bag, 3735, 135);
    bag.Write("Font", Arial825());
    bag.Write("BrushStyle", 0, 4);
    bag.Write("Color", colour, static_cast<std::int32_t>(0x8000000D));
    bag.Write("Image", PictureRef{}, PictureRef{});
    bag.Write("Max", 100, 100);
    bag.Write("Min", 0, 0);
    bag.Write("Orientation", 0, 0);
    bag.Write("Scrolling", 1, 0);
    bag.Write("ShowText", BoolValue(false), BoolValue(false));
    bag.Write("Value", 0, 0);
    return bag;
}

std::vector<std::string> Names(const PropertyBag& bag) {
    std::vector<std::string> names;
    for (const auto& e : bag.Entries()) names.push_back(e.name);
    return names;
}

// Reads every record's link and checks the chain the layout promises.
void ExpectLinkChain(const std::vector<std::uint8_t>& set, std::vector<std::int32_t> expectedLinks) {
    std::size_t at = 8;
    std::int64_t sum = 0;
    std::vector<std::int32_t> links;
    while (at < set.size()) {
        std::int32_t link = static_cast<std::int32_t>(set[at + 8] | (set[at + 9] << 8) | (set[at + 10] << 16) |
                                                      (std::uint32_t{set[at + 11]} << 24));
        links.push_back(link);
        if (link <= 0) {
            EXPECT_EQ(link, -sum) << "the last link points back to the first record";
            EXPECT_EQ(static_cast<std::int64_t>(at) - 8, sum);
            break;
        }
        sum += link;
        at += static_cast<std::size_t>(link);
    }
    EXPECT_EQ(links, expectedLinks);
}

TEST(PropertyBag, NamesCompareWithoutCaseAndAreKeptLowerCase) {
    PropertyBag bag;
    bag.Write("BrushStyle", 2);
    bag.Write("COLOR", 7);
    EXPECT_EQ(Names(bag), (std::vector<std::string>{"brushstyle", "color"}));
    EXPECT_EQ(bag.ReadInt32("brushSTYLE", 4), 2);
    EXPECT_EQ(bag.ReadInt32("Color", 0), 7);
    // A second write of the same name keeps its place.
    bag.Write("brushstyle", 3);
    EXPECT_EQ(Names(bag), (std::vector<std::string>{"brushstyle", "color"}));
    EXPECT_EQ(bag.ReadInt32("BrushStyle", 4), 3);
}

TEST(PropertyBag, WriteWithItsDefaultStoresNothingAndReadGivesTheDefault) {
    PropertyBag bag;
    bag.Write("Max", 100, 100);
    bag.Write("ShowText", BoolValue(false), BoolValue(false));
    bag.Write("Image", PictureRef{}, PictureRef{});
    bag.Write("Caption", std::string("x"), std::string("x"));
    EXPECT_TRUE(bag.Empty());
    EXPECT_EQ(bag.ReadInt32("Max", 100), 100);
    EXPECT_EQ(bag.ReadInt32("BrushStyle", 4), 4);
    EXPECT_FALSE(bag.ReadBool("ShowText", false));
    EXPECT_EQ(bag.ReadPicture("Image"), nullptr);
    // A default equal in value but not in type still counts as equal.
    bag.Write("Mask", 5.0, 5);
    EXPECT_TRUE(bag.Empty());
    // Writing the default over a stored value removes it.
    bag.Write("Max", 50);
    bag.Write("Max", 100, 100);
    EXPECT_FALSE(bag.Contains("max"));
    // Without a default a value is always stored, even "no object" aside.
    bag.Write("Value", 0);
    bag.Write("ShowText", BoolValue(true), BoolValue(false));
    EXPECT_EQ(bag.ReadInt32("Value", 9), 0);
    EXPECT_TRUE(bag.ReadBool("ShowText", false));
    EXPECT_EQ(bag.ReadInt32("ShowText", 0), -1);
}

TEST(PropertyBag, FontObjectsCompareByContentAndAreSharedByReference) {
    PropertyBag bag;
    FontRef font = Arial825();
    bag.Write("Font", font, Arial825());
    EXPECT_TRUE(bag.Empty()) << "an equal font is the default";
    bag.Write("Font", font);
    EXPECT_EQ(bag.ReadFont("font"), font) << "the bag holds the same object";
    EXPECT_EQ(bag.ReadFont("missing"), nullptr);
}

TEST(PropertyBag, ValuesThatCannotBeConvertedAreErrorsNamingTheKey) {
    PropertyBag bag;
    bag.Write("Max", std::string(" 250 "));
    bag.Write("Min", std::string("ten"));
    bag.Write("Big", 3e9);
    bag.Write("Half", 2.5);
    bag.Write("Font", Arial825());
    bag.Write("Flag", std::string("True"));
    EXPECT_EQ(bag.ReadInt32("Max", 0), 250);
    EXPECT_EQ(bag.ReadInt32("Half", 0), 2) << "halves round to even";
    EXPECT_TRUE(bag.ReadBool("Flag", false));
    EXPECT_EQ(bag.ReadString("Max", ""), " 250 ");
    EXPECT_EQ(bag.ReadString("Half", ""), "2.5");
    try {
        bag.ReadInt32("Min", 0);
        FAIL() << "a word is not a number";
    } catch (const FormatError& e) {
        EXPECT_EQ(e.Field(), "value of \"min\"");
        EXPECT_EQ(e.Offset(), FormatError::kNoOffset);
        EXPECT_NE(std::string(e.what()).find("not a number"), std::string::npos);
    }
    EXPECT_THROW(bag.ReadInt32("Big", 0), FormatError);
    EXPECT_THROW(bag.ReadInt32("Font", 0), FormatError);
    EXPECT_THROW(bag.ReadPicture("Font"), FormatError);
    EXPECT_THROW(bag.ReadFont("Max"), FormatError);
    EXPECT_THROW(bag.ReadString("Font", ""), FormatError);
}

TEST(PropertySet, NameHashRotatesLeftThirteenAndXorsEachCharacter) {
    EXPECT_EQ(NameHash("font"), 0xBC0DF375u);
    EXPECT_EQ(NameHash("color"), 0xB63DD7F3u);
    EXPECT_EQ(NameHash("scrolling"), 0xBAD105BBu);
    EXPECT_EQ(NameHash(""), 0u);
    EXPECT_EQ(NameHash("a"), 0x61u);
}

TEST(PropertySet, ExtentsAreHundredthsOfAMillimetreRoundedToNearest) {
    EXPECT_EQ(TwipsToHimetric(3735), 6588);   // 6588.125
    EXPECT_EQ(TwipsToHimetric(135), 238);     // 238.125
    EXPECT_EQ(TwipsToHimetric(1455), 2566);   // 2566.46
    EXPECT_EQ(TwipsToHimetric(7455), 13150);  // 13149.58
    EXPECT_EQ(TwipsToHimetric(4695), 8281);
    EXPECT_EQ(TwipsToHimetric(1440), 2540);
    EXPECT_EQ(TwipsToHimetric(36), 64);       // 63.5: half to even
    EXPECT_EQ(TwipsToHimetric(-36), -64);

    PropertyBag bag;
    bag.Write("Font", Arial825());
    WriteExtentKeys(bag, 900, 900);
    WriteExtentKeysFromTwips(bag, 3735, 135);  // the second call replaces the first
    EXPECT_EQ(Names(bag), (std::vector<std::string>{"_extentx", "_extenty", "font"}));
    EXPECT_EQ(bag.ReadInt32("_ExtentX", 0), 6588);
}

TEST(PropertySet, BarSetsAreTheStored224Bytes) {
    auto bar1 = EncodePropertySet(BarBag(0x00C56A31));
    EXPECT_EQ(bar1.size(), 224u);
    EXPECT_EQ(bar1, kBar1Set);
    ExpectLinkChain(bar1, {32, 32, 52, 36, 28, -180});

    auto bar2 = EncodePropertySet(BarBag(0x0000C000));
    ASSERT_EQ(bar2.size(), 224u);
    EXPECT_EQ(bar2, kavrel::testing::Bar2Set());
    ExpectLinkChain(bar2, {32, 32, 52, 36, 28, -180});
}

TEST(PropertySet, BarSetsDecodeToTheirValues) {
    auto bar2Set = kavrel::testing::Bar2Set();
    for (auto [colour, set] : {std::pair{0x00C56A31, kBar1Set}, std::pair{0x0000C000, bar2Set}}) {
        PropertyBag bag = DecodePropertySet(set);
        EXPECT_EQ(Names(bag), (std::vector<std::string>{"_extentx", "_extenty", "font", "brushstyle", "color",
                                                        "scrolling"}));
        EXPECT_EQ(bag.ReadInt32("_extentx", 0), 6588);
        EXPECT_EQ(bag.ReadInt32("_extenty", 0), 238);
        EXPECT_EQ(bag.ReadInt32("BrushStyle", 4), 0);
        EXPECT_EQ(bag.ReadInt32("Color", static_cast<std::int32_t>(0x8000000D)), colour);
        EXPECT_EQ(bag.ReadInt32("Scrolling", 0), 1);
        EXPECT_EQ(bag.ReadInt32("Max", 100), 100);
        EXPECT_FALSE(bag.ReadBool("ShowText", false));
        EXPECT_EQ(bag.ReadPicture("Image"), nullptr);
        FontRef font = bag.ReadFont("Font");
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->name, "Arial");
        EXPECT_EQ(font->size, 82500);
        EXPECT_EQ(font->weight, 400);
        EXPECT_EQ(font->charset, 178);
        EXPECT_FALSE(font->italic || font->underline || font->strikethrough);
        EXPECT_EQ(bag.Entries()[2].offset, 72u) << "entries remember where they were stored";
        EXPECT_TRUE(bag == BarBag(colour));
    }
}

TEST(PropertySet, EveryValueTypeSurvivesARoundTrip) {
    PropertyBag bag;
    bag.Write("count", -123456);
    bag.Write("mask:1", 16711935.0);
    bag.Write("ratio", -0.1);
    bag.Write("key:1", std::string("#exit"));
    bag.Write("caption", std::string("Réseaux local (Lan) \xF0\x9F\x8C\x90"));  // accent and a non-BMP character
    bag.Write("empty", std::string());
    auto font = std::make_shared<StdFont>();
    font->name = "Verdana";
    font->size = 67500;
    font->weight = 700;
    font->italic = true;
    font->strikethrough = true;
    bag.Write("font", font);
    bag.Write("bmp:1", std::make_shared<StdPicture>(PictureFromFile(
                           FromHex("424D3A00000000000000360000002800000001000000010000000100180000000000"
                                   "04000000130B0000130B00000000000000000000FF00FF00"))));
    bag.Write("picture", std::make_shared<StdPicture>(PictureFromFile(
                             FromHex("FFD8FFC0001108001700160301220002110103110100FFD9"))));

    auto bytes = EncodePropertySet(bag);
    PropertyBag back = DecodePropertySet(bytes);
    EXPECT_TRUE(back == bag);
    EXPECT_EQ(back.ReadString("caption", ""), "Réseaux local (Lan) \xF0\x9F\x8C\x90");
    EXPECT_EQ(back.ReadDouble("mask:1", 0), 16711935.0);
    auto bmp = back.ReadPicture("bmp:1");
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->format, StdPicture::Format::Bitmap);
    EXPECT_EQ(bmp->width, 1);
    auto jpeg = back.ReadPicture("picture");
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->format, StdPicture::Format::Jpeg);
    EXPECT_EQ(jpeg->width, 22);
    EXPECT_EQ(jpeg->height, 23);
    EXPECT_EQ(EncodePropertySet(back), bytes) << "reading then writing gives the same bytes";
    // An empty bag is the bare header; a single record links to itself (0).
    EXPECT_EQ(EncodePropertySet(PropertyBag{}), FromHex("93B20000 08000000"));
    PropertyBag one;
    one.Write("a", 1);
    auto oneSet = EncodePropertySet(one);
    EXPECT_EQ(oneSet, FromHex("93B20000 1C000000 03000100 61000000 00000000 6100 01000000 0000"));
    EXPECT_TRUE(DecodePropertySet(oneSet) == one);
}

TEST(PropertySet, AStoredValueThatDoesNotConvertIsReportedWhereItIsStored) {
    PropertyBag bag;
    bag.Write("color", 5);
    bag.Write("max", std::string("cent"));
    bag.Write("min", 4294967296.0);
    bag.Write("image", 1);
    PropertyBag stored = DecodePropertySet(EncodePropertySet(bag), 500);
    EXPECT_EQ(stored.ReadInt32("Color", 0), 5);
    try {
        stored.ReadInt32("Max", 100);
        FAIL() << "a word is not a number";
    } catch (const FormatError& e) {
        EXPECT_EQ(e.Field(), "value of \"max\"");
        EXPECT_EQ(e.Offset(), 500u + 8 + 28) << "the second record";
    }
    try {
        stored.ReadInt32("Min", 0);
        FAIL() << "2^32 does not fit";
    } catch (const FormatError& e) {
        EXPECT_EQ(e.Offset(), 500u + 8 + 28 + 32);
        EXPECT_NE(std::string(e.what()).find("32-bit"), std::string::npos);
    }
    EXPECT_THROW(stored.ReadPicture("Image"), FormatError);
}

TEST(PropertySet, ValuesThatCannotBeStoredAreRefused) {
    PropertyBag bag;
    bag.Write("caption", std::string("\xC3"));  // a cut UTF-8 sequence
    EXPECT_THROW(EncodePropertySet(bag), std::invalid_argument);
    PropertyBag fontBag;
    auto font = std::make_shared<StdFont>();
    font->name = "Σ";  // not single-byte text
    fontBag.Write("font", font);
    EXPECT_THROW(EncodePropertySet(fontBag), std::invalid_argument);
}

struct Malformed {
    const char* what;
    std::size_t at;         // byte to change
    std::uint8_t value;     // new value
    const char* field;      // expected field
    std::size_t offset;     // expected offset
};

TEST(PropertySet, MalformedSetsAreRejectedNamingFieldAndOffset) {
    const Malformed cases[] = {
        {"tag", 0, 0x94, "tag", 0},
        {"total length beyond the data", 4, 0xE4, "total length", 4},
        {"unknown value type", 8, 0x07, "value type", 8},
        {"name longer than the set", 11, 0x40, "name", 20},
        {"name hash", 12, 0x0C, "name hash", 12},
        {"link that leaves the set", 17, 0x10, "record link", 16},
        {"link that loops back", 16, 0x00, "record link", 16},
        {"last link not back to the first", 196, 0x4D, "record link", 196},
        {"upper-case name", 20, 0x41, "name", 20},  // "_" -> "A": hash checked after case
        {"object of an unknown class", 93, 0x53, "object class identifier", 92},
        {"a picture where the font was", 92, 0x04, "picture tag", 108},
        {"font version", 108, 0x02, "font version", 108},
        {"font style", 111, 0x80, "font style", 111},
        {"font name past the set", 118, 0xF0, "font name", 119},
        {"padding", 186, 0x01, "record padding", 186},
        {"a changed name", 58, 0x78, "name hash", 44},
    };
    for (const auto& c : cases) {
        auto bytes = kBar1Set;
        bytes[c.at] = c.value;
        try {
            DecodePropertySet(bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const FormatError& e) {
            EXPECT_EQ(e.Field(), c.field) << c.what << ": " << e.what();
            EXPECT_EQ(e.Offset(), c.offset) << c.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(std::to_string(c.offset)), std::string::npos) << e.what();
        }
    }
    // Offsets are those of the whole input when the set sits inside one.
    auto bytes = kBar1Set;
    bytes[12] ^= 1;
    try {
        DecodePropertySet(bytes, 1000);
        ADD_FAILURE() << "accepted";
    } catch (const FormatError& e) {
        EXPECT_EQ(e.Offset(), 1012u);
    }
}

TEST(PropertySet, ATwiceStoredNameIsRefused) {
    PropertyBag bag;
    bag.Write("a", 1);
    bag.Write("b", 2);
    auto bytes = EncodePropertySet(bag);
    bytes[20] = 'b';          // the first name becomes "b"...
    bytes[12] = 'b';          // ...with its hash
    try {
        DecodePropertySet(bytes);
        FAIL() << "accepted";
    } catch (const FormatError& e) {
        EXPECT_EQ(e.Field(), "name");
        EXPECT_EQ(e.Offset(), 40u);
    }
}

TEST(PropertySet, AnyDamageIsEitherRejectedOrReadBackExactly) {
    // Every prefix is rejected; every one-byte change either fails with a
    // FormatError or decodes to a bag that encodes to the changed bytes.
    for (std::size_t n = 0; n < kBar1Set.size(); ++n) {
        std::vector<std::uint8_t> prefix(kBar1Set.begin(), kBar1Set.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(DecodePropertySet(prefix), FormatError) << n;
    }
    int accepted = 0;
    for (std::size_t at = 0; at < kBar1Set.size(); ++at) {
        for (int v = 0; v < 256; v += 3) {
            auto bytes = kBar1Set;
            if (bytes[at] == v) continue;
            bytes[at] = static_cast<std::uint8_t>(v);
            try {
                PropertyBag bag = DecodePropertySet(bytes);
                ASSERT_EQ(EncodePropertySet(bag), bytes) << "byte " << at << " = " << v;
                ++accepted;
            } catch (const FormatError&) {
            }
        }
    }
    EXPECT_GT(accepted, 0) << "values inside records may change freely";
}

TEST(PictureFile, FormatAndSizeComeFromTheHeader) {
    auto bmp = InspectPicture(FromHex("424D 00000000 00000000 36000000 28000000 10000000 F0FFFFFF 0100 1800"));
    EXPECT_EQ(bmp.format, StdPicture::Format::Bitmap);
    EXPECT_EQ(bmp.width, 16);
    EXPECT_EQ(bmp.height, 16) << "a top-down bitmap has a negative height";
    EXPECT_EQ(bmp.bitsPerPixel, 24);

    // A JPEG with an application segment before its frame header.
    auto jpeg = InspectPicture(FromHex("FFD8 FFE0 0004 0000 FFC2 0011 08 002A 00F0 03 012200 021101 031101 FFD9"));
    EXPECT_EQ(jpeg.format, StdPicture::Format::Jpeg);
    EXPECT_EQ(jpeg.width, 240);
    EXPECT_EQ(jpeg.height, 42);

    auto ico = InspectPicture(FromHex("00000100 0100 20 20 00 00 0100 0800 E8080000 16000000"));
    EXPECT_EQ(ico.format, StdPicture::Format::Icon);
    EXPECT_EQ(ico.width, 32);
    EXPECT_EQ(ico.bitsPerPixel, 8);

    auto cut = InspectPicture(FromHex("FFD8FFE000"));
    EXPECT_EQ(cut.format, StdPicture::Format::Jpeg);
    EXPECT_EQ(cut.width, 0);
    EXPECT_EQ(InspectPicture(FromHex("47494638")).format, StdPicture::Format::Unknown);
    EXPECT_EQ(InspectPicture({}).format, StdPicture::Format::Unknown);
}

}  // namespace
