// How linktune shows a registry value: in a line of text for people, and as
// a JSON object for scripts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "registry/registry.h"

namespace kavrel::console {

// "(absente)", REG_SZ "5840", REG_DWORD 4096, REG_BINARY de,ad,...
std::string ValueText(const std::optional<registry::RawValue>& value);

// null, {"type": "REG_SZ", "text": "5840"}, {"type": "REG_DWORD", "number":
// 4096}, or {"type": ..., "hex": "dead"} for every other value.
std::string ValueJson(const std::optional<registry::RawValue>& value);

// A JSON string, quotes included.
std::string JsonString(std::string_view utf8);

// The text of a REG_SZ that IsPlainText accepts, in UTF-8.
std::string PlainTextOf(const registry::RawValue& value);

}  // namespace kavrel::console
