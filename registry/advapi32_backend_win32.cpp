#include "registry/advapi32_backend_win32.h"

#include <windows.h>

#include <algorithm>

#include "win32/handle.h"
#include "win32/text.h"

namespace kavrel::registry {

namespace {
HKEY ToHkey(KeyHandle key) { return reinterpret_cast<HKEY>(key); }

// A key opened for reading back; empty when it cannot be opened.
win32::UniqueKey OpenForReading(std::uint32_t root, std::string_view path) {
    const std::string ansi = WideToCodePage(win32::Widen(path));
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootKey(root), ansi.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    return win32::UniqueKey(key);
}
}  // namespace

HKEY RootKey(std::uint32_t root) {
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(root)));
}

std::string WideToCodePage(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Advapi32Backend::ToCodePage(std::string_view utf8) const { return WideToCodePage(win32::Widen(utf8)); }

std::int32_t Advapi32Backend::OpenKey(std::uint32_t root, std::string_view path, std::uint32_t access,
                                      KeyHandle& key) {
    HKEY opened = nullptr;
    const std::string ansi = ToCodePage(path);
    const LONG status = RegOpenKeyExA(RootKey(root), ansi.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS) key = reinterpret_cast<KeyHandle>(opened);
    return status;
}

std::int32_t Advapi32Backend::SetValue(KeyHandle key, std::string_view name, std::int32_t kind,
                                       const std::vector<std::uint8_t>& data) {
    const std::string ansi = ToCodePage(name);
    return RegSetValueExA(ToHkey(key), ansi.c_str(), 0, static_cast<DWORD>(kind), data.data(),
                          static_cast<DWORD>(data.size()));
}

std::int32_t Advapi32Backend::DeleteValue(KeyHandle key, std::string_view name) {
    const std::string ansi = ToCodePage(name);
    return RegDeleteValueA(ToHkey(key), ansi.c_str());
}

std::int32_t Advapi32Backend::CloseKey(KeyHandle key) { return RegCloseKey(ToHkey(key)); }

std::int32_t Advapi32Backend::OpenKeyWide(std::uint32_t root, std::string_view path, std::uint32_t access,
                                          KeyHandle& key) {
    HKEY opened = nullptr;
    const std::wstring wide = win32::Widen(path);
    const LONG status = RegOpenKeyExW(RootKey(root), wide.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS) key = reinterpret_cast<KeyHandle>(opened);
    return status;
}

std::int32_t Advapi32Backend::QueryValueWide(KeyHandle key, std::string_view name, RawValue& value) {
    const std::wstring wide = win32::Widen(name);
    // The value may grow between asking its size and reading it: ask again.
    std::vector<BYTE> buffer(256);
    for (;;) {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(buffer.size());
        const LONG status = RegQueryValueExW(ToHkey(key), wide.c_str(), nullptr, &type, buffer.data(), &size);
        if (status == ERROR_MORE_DATA) {
            buffer.resize(std::max<std::size_t>(size, buffer.size() * 2));
            continue;
        }
        if (status != ERROR_SUCCESS) return status;
        value.type = type;
        value.data.assign(buffer.begin(), buffer.begin() + size);
        return ERROR_SUCCESS;
    }
}

std::int32_t Advapi32Backend::SetValueWide(KeyHandle key, std::string_view name, const RawValue& value) {
    const std::wstring wide = win32::Widen(name);
    static const BYTE none = 0;  // an empty value still passes a valid address
    return RegSetValueExW(ToHkey(key), wide.c_str(), 0, value.type, value.data.empty() ? &none : value.data.data(),
                          static_cast<DWORD>(value.data.size()));
}

std::int32_t Advapi32Backend::DeleteValueWide(KeyHandle key, std::string_view name) {
    const std::wstring wide = win32::Widen(name);
    return RegDeleteValueW(ToHkey(key), wide.c_str());
}

std::optional<StoredValue> QueryValue(std::uint32_t root, std::string_view path, std::string_view name) {
    const win32::UniqueKey key = OpenForReading(root, path);
    if (!key.get()) return std::nullopt;
    const std::string ansiName = WideToCodePage(win32::Widen(name));
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    StoredValue value;
    value.type = type;
    value.data.resize(size);
    if (RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &type, value.data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

bool KeyExists(std::uint32_t root, std::string_view path) { return static_cast<bool>(OpenForReading(root, path)); }

}  // namespace kavrel::registry
