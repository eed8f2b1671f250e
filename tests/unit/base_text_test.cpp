// The base room's text: the UTF-8 / UTF-16 codec under each of its error
// policies, case folding and hex digits.
#include <gtest/gtest.h>

#include "base/hex.h"
#include "base/text.h"
#include "base/utf.h"

using namespace kavrel::base;

namespace {

TEST(Utf, EveryLengthOfCharacterRoundTrips) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, é, €, U+1F600
    const auto units = Utf8ToUtf16(text, Invalid::Refuse);
    ASSERT_TRUE(units);
    EXPECT_EQ(*units, (std::u16string{u'a', u'\u00E9', u'\u20AC', char16_t(0xD83D), char16_t(0xDE00)}));
    EXPECT_EQ(Utf16ToUtf8(*units, Invalid::Refuse), text);
}

TEST(Utf, StrictDecodingRefusesWhatIsNotUtf8) {
    for (const std::string bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3", "\x80",
                                  "ok\xFF", "\xE2\x82"}) {
        EXPECT_FALSE(Utf8ToUtf16(bad, Invalid::Refuse)) << "bytes of length " << bad.size();
    }
    EXPECT_FALSE(Utf16ToUtf8(std::u16string{char16_t(0xD800)}, Invalid::Refuse));
    EXPECT_FALSE(Utf16ToUtf8(std::u16string{char16_t(0xDC00), u'a'}, Invalid::Refuse));
}

TEST(Utf, ReplacementTakesOneCharacterForEachBadByte) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b\xC3", Invalid::Replace), (std::u16string{u'a', u'\uFFFD', u'b', u'\uFFFD'}));
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82" "x", Invalid::Replace), (std::u16string{u'\uFFFD', u'\uFFFD', u'x'}));
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}, Invalid::Replace, U'?'), "a?b");
}

TEST(Utf, KeepingAUnitWritesTheLoneSurrogateAsItIs) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC01), u'z'}, Invalid::KeepUnit), "\xED\xB0\x81z");
    // A pair stays one character whatever the policy.
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xD83D), char16_t(0xDE00)}, Invalid::KeepUnit),
              "\xF0\x9F\x98\x80");
}

TEST(Utf, StoredUtf16IsLowByteFirstAndAnOddLastByteIsNoUnit) {
    // A lone surrogate and embedded NULs are units like any other here.
    const std::u16string units{u'A', u'\u00e9', u'\0', char16_t(0xD83D), char16_t(0x20AC)};
    const std::vector<std::uint8_t> bytes = Utf16LeBytes(units);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x41, 0x00, 0xE9, 0x00, 0x00, 0x00, 0x3D, 0xD8, 0xAC, 0x20}));
    EXPECT_EQ(Utf16LeUnits(bytes), units);
    std::vector<std::uint8_t> odd = bytes;
    odd.push_back(0x42);
    EXPECT_EQ(Utf16LeUnits(odd), units);
    std::vector<std::uint8_t> bom{0xFF, 0xFE};
    AppendUtf16Le(u"\u20ac", bom);
    EXPECT_EQ(bom, (std::vector<std::uint8_t>{0xFF, 0xFE, 0xAC, 0x20}));
    EXPECT_TRUE(Utf16LeUnits({0x7F}).empty());
}

TEST(Text, OnlyTheAsciiLettersFold) {
    EXPECT_EQ(FoldCase("SYSTEM\\CurrentControlSet"), "system\\currentcontrolset");
    EXPECT_EQ(FoldCase("\xC3\x89t\xC3\xA9"), "\xC3\x89t\xC3\xA9");  // "Été": only the t is a letter here
    EXPECT_TRUE(EqualsNoCase("Caption", "cAPTION"));
    EXPECT_FALSE(EqualsNoCase("Caption", "Captions"));
    EXPECT_FALSE(EqualsNoCase("[", "{"));  // 0x5B and 0x7B differ by the case bit, yet are not letters
}

TEST(Hex, NumbersAndBytesInEitherCase) {
    EXPECT_EQ(HexNumber(0x1F, 4), "001f");
    EXPECT_EQ(HexNumber(0, 1), "0");
    EXPECT_EQ(HexNumber(0xDEADBEEF, 2, HexCase::Upper), "DEADBEEF");
    EXPECT_EQ(HexBytes({0x0A, 0xFF, 0x00}, ","), "0a,ff,00");
    EXPECT_EQ(HexBytes({0x0A, 0xFF}, " ", HexCase::Upper), "0A FF");
    EXPECT_EQ(HexBytes({}, ","), "");
    EXPECT_EQ(HexDigitValue('b'), 11);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('g'), -1);
}

}  // namespace
