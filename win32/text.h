// Text between the product's UTF-8 and the wide (UTF-16) functions of
// Windows. The system's converter replaces what is not a character with
// U+FFFD: right for what is shown or handed to the system, which is all
// these are for. A stored file or a backup is read with base/utf.h, which
// refuses such text instead.
#pragma once

#include <string>
#include <string_view>

namespace kavrel::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace kavrel::win32
