// The one UTF-8 / UTF-16 codec of the product. What happens to a sequence
// that is not a character is chosen at each call, because the right answer
// depends on who reads the result: a stored file or a backup must never be
// read with a guess in it (Refuse), while text that is only shown may lose
// a broken character (Replace).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::base {

enum class Invalid {
    // The conversion fails: std::nullopt.
    Refuse,
    // Each byte that starts no character, or each surrogate without its
    // other half, becomes the replacement character given.
    Replace,
    // UTF-16 to UTF-8 only: a surrogate without its other half is written
    // as the code unit it is (three bytes), so that nothing is lost.
    KeepUnit,
};

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

// Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text, Invalid invalid,
                                          char32_t replacement = kReplacementCharacter);
std::optional<std::string> Utf16ToUtf8(std::u16string_view text, Invalid invalid,
                                       char32_t replacement = kReplacementCharacter);

// UTF-8 text with every character below U+0080: the same bytes in UTF-16.
std::u16string AsciiToUtf16(std::string_view ascii);

// UTF-16 as registry values and backup files hold it: each code unit low
// byte first. Only units are moved, so nothing is checked or lost here; what
// the units say is for the calls above.
void AppendUtf16Le(std::u16string_view units, std::vector<std::uint8_t>& out);
std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view units);
// An odd last byte is no code unit and is left out.
std::u16string Utf16LeUnits(const std::vector<std::uint8_t>& bytes);

}  // namespace kavrel::base
