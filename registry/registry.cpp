#include "registry/registry.h"

#include <charconv>
#include <iterator>
#include <limits>

#include "base/hex.h"

namespace kavrel::registry {

namespace {

// Closes an opened key when the call that opened it ends, whatever happens
// in between.
class OpenKeyGuard {
public:
    OpenKeyGuard(Backend& backend, KeyHandle key) : backend_(backend), key_(key) {}
    ~OpenKeyGuard() { backend_.CloseKey(key_); }
    OpenKeyGuard(const OpenKeyGuard&) = delete;
    OpenKeyGuard& operator=(const OpenKeyGuard&) = delete;

private:
    Backend& backend_;
    KeyHandle key_;
};

std::int32_t ParseDecimal(const std::string& text) {
    // Decimal only: "00000180" is 180, never hexadecimal 0x180.
    std::string_view digits = text;
    while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        throw DataConversionError("text \"" + text + "\" is not a decimal number");
    }
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            throw DataConversionError("text \"" + text + "\" is not a decimal number");
        }
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) {
            throw DataConversionError("text \"" + text + "\" does not fit in 32 bits");
        }
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        throw DataConversionError("text \"" + text + "\" does not fit in 32 bits");
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::string DataToText(const Data& data) {
    if (const auto* i = std::get_if<std::int32_t>(&data)) return std::to_string(*i);
    if (const auto* s = std::get_if<std::string>(&data)) return *s;
    // The Boolean's text does not follow the user's locale: readers of the
    // value expect the same word on every system.
    if (const auto* b = std::get_if<bool>(&data)) return *b ? "True" : "False";
    return {};
}

std::int32_t DataToDword(const Data& data) {
    if (const auto* i = std::get_if<std::int32_t>(&data)) return *i;
    if (const auto* s = std::get_if<std::string>(&data)) return ParseDecimal(*s);
    if (const auto* b = std::get_if<bool>(&data)) return *b ? -1 : 0;
    return 0;
}

std::vector<std::uint8_t> EncodeValue(const Backend& backend, std::int32_t kind, const Data& data) {
    if (kind == kRegSz) {
        const std::string bytes = backend.ToCodePage(DataToText(data));
        std::vector<std::uint8_t> out(bytes.begin(), bytes.end());
        // The terminating NUL belongs to a registry string: without it
        // readers see a malformed value.
        out.push_back(0);
        return out;
    }
    if (kind == kRegDword) {
        const auto value = static_cast<std::uint32_t>(DataToDword(data));
        return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    }
    return {};
}

void RegistryAccess::SetRegistryValue(std::uint32_t root, std::string_view keyPath,
                                      std::string_view valueName, const Data& data, std::int32_t kind) {
    // Convert first: data that the kind cannot take never opens a key.
    EncodeValue(backend_, kind, data);
    KeyHandle key = 0;
    backend_.OpenKey(root, keyPath, kOpenAccess, key);
    if (key == 0) return;  // missing key or refused open: nothing to write
    OpenKeyGuard guard(backend_, key);
    WriteValueData(key, valueName, kind, data);
}

void RegistryAccess::DeleteRegistryValue(std::uint32_t root, std::string_view keyPath,
                                         std::string_view valueName) {
    KeyHandle key = 0;
    backend_.OpenKey(root, keyPath, kOpenAccess, key);
    if (key == 0) return;
    OpenKeyGuard guard(backend_, key);
    backend_.DeleteValue(key, valueName);
}

std::int32_t RegistryAccess::WriteValueData(KeyHandle key, std::string_view valueName, std::int32_t kind,
                                            const Data& data) {
    if (kind != kRegSz && kind != kRegDword) return kSuccess;
    return backend_.SetValue(key, valueName, kind, EncodeValue(backend_, kind, data));
}

namespace {
ReadState OpenFailure(std::int32_t status) {
    if (status == kErrorFileNotFound) return ReadState::KeyAbsent;
    if (status == kErrorAccessDenied) return ReadState::AccessRefused;
    return ReadState::Failed;
}
}  // namespace

ValueRead ReadValue(Backend& backend, std::uint32_t root, std::string_view keyPath, std::string_view valueName) {
    ValueRead read;
    KeyHandle key = 0;
    read.status = backend.OpenKeyWide(root, keyPath, kKeyQueryValue, key);
    if (read.status != kSuccess || key == 0) {
        read.state = OpenFailure(read.status == kSuccess ? kErrorInvalidHandle : read.status);
        return read;
    }
    OpenKeyGuard guard(backend, key);
    read.status = backend.QueryValueWide(key, valueName, read.value);
    if (read.status == kSuccess) {
        read.state = ReadState::Present;
    } else {
        read.value = {};
        read.state = read.status == kErrorFileNotFound ? ReadState::ValueAbsent
                     : read.status == kErrorAccessDenied ? ReadState::AccessRefused
                                                         : ReadState::Failed;
    }
    return read;
}

WriteResult WriteExact(Backend& backend, std::uint32_t root, std::string_view keyPath, std::string_view valueName,
                       const std::optional<RawValue>& value) {
    WriteResult result;
    KeyHandle key = 0;
    result.status = backend.OpenKeyWide(root, keyPath, kKeySetValue, key);
    if (result.status != kSuccess || key == 0) {
        const ReadState why = OpenFailure(result.status == kSuccess ? kErrorInvalidHandle : result.status);
        result.state = why == ReadState::KeyAbsent       ? WriteState::KeyAbsent
                       : why == ReadState::AccessRefused ? WriteState::AccessRefused
                                                         : WriteState::Failed;
        return result;
    }
    OpenKeyGuard guard(backend, key);
    if (value) {
        result.status = backend.SetValueWide(key, valueName, *value);
    } else {
        result.status = backend.DeleteValueWide(key, valueName);
        if (result.status == kErrorFileNotFound) result.status = kSuccess;  // already absent
    }
    result.state = result.status == kSuccess              ? WriteState::Done
                   : result.status == kErrorAccessDenied ? WriteState::AccessRefused
                                                         : WriteState::Failed;
    return result;
}

std::string TypeName(std::uint32_t type) {
    static const char* const names[] = {"REG_NONE",
                                        "REG_SZ",
                                        "REG_EXPAND_SZ",
                                        "REG_BINARY",
                                        "REG_DWORD",
                                        "REG_DWORD_BIG_ENDIAN",
                                        "REG_LINK",
                                        "REG_MULTI_SZ",
                                        "REG_RESOURCE_LIST",
                                        "REG_FULL_RESOURCE_DESCRIPTOR",
                                        "REG_RESOURCE_REQUIREMENTS_LIST",
                                        "REG_QWORD"};
    if (type < std::size(names)) return names[type];
    return "0x" + base::HexNumber(type, 8);
}

std::string RootName(std::uint32_t root) {
    if (root == kHkeyLocalMachine) return "HKLM";
    if (root == kHkeyCurrentUser) return "HKCU";
    return "0x" + base::HexNumber(root, 8, base::HexCase::Upper);
}

std::string KindName(std::int32_t kind) {
    if (kind == kRegSz) return "REG_SZ";
    if (kind == kRegDword) return "REG_DWORD";
    return std::to_string(kind);
}

std::string DataDisplay(const Data& data) {
    if (const auto* i = std::get_if<std::int32_t>(&data)) return std::to_string(*i);
    if (const auto* s = std::get_if<std::string>(&data)) return "\"" + *s + "\"";
    if (const auto* b = std::get_if<bool>(&data)) return *b ? "True" : "False";
    return "(unset)";
}

}  // namespace kavrel::registry
