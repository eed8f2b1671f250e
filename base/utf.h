// The one UTF-8 / UTF-16 codec of the product. What happens to a sequence
// that is not a character is chosen at each call, because the right answer
// depends on who reads the result: a stored file or a backup must never be
// read with a guess in it (Refuse), while text that is only shown may lose
// a broken character (Replace).
#pragma once

#include <optional>
#include <string>
#include <string_view>

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

}  // namespace kavrel::base
