// The system registry through advapi32: the run's calls through the
// single-byte (ANSI) functions, exact reads and writes through the wide ones.
#pragma once

#include <windows.h>

#include <optional>

#include "registry/registry.h"

namespace kavrel::registry {

// The predefined key a root number of the layer stands for
// (kHkeyLocalMachine is HKEY_LOCAL_MACHINE): the numbers are the predefined
// keys' own, sign-extended as the system's handles are.
HKEY RootKey(std::uint32_t root);

class Advapi32Backend : public Backend {
public:
    std::int32_t OpenKey(std::uint32_t root, std::string_view path, std::uint32_t access,
                         KeyHandle& key) override;
    std::int32_t SetValue(KeyHandle key, std::string_view name, std::int32_t kind,
                          const std::vector<std::uint8_t>& data) override;
    std::int32_t DeleteValue(KeyHandle key, std::string_view name) override;
    std::int32_t CloseKey(KeyHandle key) override;
    // UTF-8 to the system's ANSI code page, as the ANSI functions take it.
    std::string ToCodePage(std::string_view utf8) const override;

    std::int32_t OpenKeyWide(std::uint32_t root, std::string_view path, std::uint32_t access,
                             KeyHandle& key) override;
    std::int32_t QueryValueWide(KeyHandle key, std::string_view name, RawValue& value) override;
    std::int32_t SetValueWide(KeyHandle key, std::string_view name, const RawValue& value) override;
    std::int32_t DeleteValueWide(KeyHandle key, std::string_view name) override;
};

// What a value holds in the system registry: its type and raw bytes.
// Tools and tests read back with this; the layer itself never reads.
struct StoredValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};
// std::nullopt when the key or the value is not there.
std::optional<StoredValue> QueryValue(std::uint32_t root, std::string_view path, std::string_view name);
bool KeyExists(std::uint32_t root, std::string_view path);

std::string WideToCodePage(std::wstring_view wide);

}  // namespace kavrel::registry
