// Registry access layer: the only code of the program that changes the
// system registry. Each call of the run opens an existing key, makes one
// change and closes the key again; nothing is created or reported. Beside
// the run, the backup reads values and puts them back exactly, through the
// wide API (ReadValue, WriteExact).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kavrel::registry {

// Predefined root keys, as the registry API numbers them.
inline constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;

// Value kinds the layer knows; any other kind writes nothing.
inline constexpr std::int32_t kRegSz = 1;
inline constexpr std::int32_t kRegDword = 4;

// Rights asked for on every open: the six specific key rights only
// (query, set, create subkey, enumerate, notify, create link).
inline constexpr std::uint32_t kOpenAccess = 0x3F;

// Status codes of the underlying registry (Win32 error numbers).
inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorMoreData = 234;

// Value types as the registry numbers them, beyond the two the run writes.
inline constexpr std::uint32_t kTypeNone = 0;
inline constexpr std::uint32_t kTypeSz = 1;
inline constexpr std::uint32_t kTypeExpandSz = 2;
inline constexpr std::uint32_t kTypeBinary = 3;
inline constexpr std::uint32_t kTypeDword = 4;
inline constexpr std::uint32_t kTypeMultiSz = 7;
inline constexpr std::uint32_t kTypeQword = 11;

// Key rights asked for by the exact reads and writes: no more than needed.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;

// A value exactly as the registry holds it: its type and raw bytes (texts
// in UTF-16LE, as the wide API sees them).
struct RawValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const RawValue&) const = default;
};

// An opened key; 0 is the null handle.
using KeyHandle = std::uintptr_t;

// The four registry operations the layer is built on. Names and texts are
// UTF-8 here; a backend converts them to whatever its registry takes.
class Backend {
public:
    virtual ~Backend() = default;
    virtual std::int32_t OpenKey(std::uint32_t root, std::string_view path, std::uint32_t access,
                                 KeyHandle& key) = 0;
    virtual std::int32_t SetValue(KeyHandle key, std::string_view name, std::int32_t kind,
                                  const std::vector<std::uint8_t>& data) = 0;
    virtual std::int32_t DeleteValue(KeyHandle key, std::string_view name) = 0;
    virtual std::int32_t CloseKey(KeyHandle key) = 0;
    // Bytes of a REG_SZ text in the registry's single-byte code page.
    virtual std::string ToCodePage(std::string_view utf8) const { return std::string(utf8); }

    // The wide (UTF-16) forms, through which values are read back and put
    // back byte for byte: no code page stands between the caller's bytes
    // and the registry's. A handle from OpenKeyWide is closed by CloseKey.
    virtual std::int32_t OpenKeyWide(std::uint32_t root, std::string_view path, std::uint32_t access,
                                     KeyHandle& key) = 0;
    // kErrorFileNotFound when the key has no value of that name.
    virtual std::int32_t QueryValueWide(KeyHandle key, std::string_view name, RawValue& value) = 0;
    virtual std::int32_t SetValueWide(KeyHandle key, std::string_view name, const RawValue& value) = 0;
    virtual std::int32_t DeleteValueWide(KeyHandle key, std::string_view name) = 0;
};

// The dynamically typed data a caller passes: nothing (an unset value), an
// integer, a text or a Boolean.
struct Empty {
    bool operator==(const Empty&) const = default;
};
using Data = std::variant<Empty, std::int32_t, std::string, bool>;

// Data that cannot take the requested kind (a text that is no decimal
// number, a number beyond 32 bits). The registry is left untouched.
class DataConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text form of data as a REG_SZ value holds it: integers in decimal,
// Booleans as "True"/"False", texts unchanged, nothing as the empty text.
std::string DataToText(const Data& data);
// The 32-bit number a REG_DWORD value holds: integers unchanged, texts read
// as decimal (leading zeros ignored, so "00000180" is 180), True as -1.
std::int32_t DataToDword(const Data& data);

// The bytes written for data of a kind: a REG_SZ text with its terminating
// NUL counted, a REG_DWORD as four little-endian bytes. Throws
// DataConversionError for data the kind cannot take.
std::vector<std::uint8_t> EncodeValue(const Backend& backend, std::int32_t kind, const Data& data);

class RegistryAccess {
public:
    explicit RegistryAccess(Backend& backend) : backend_(backend) {}

    // Writes one named value under an existing key. A missing key or a
    // refused open writes nothing; no status is reported. Data the kind
    // cannot take throws DataConversionError before the key is opened.
    void SetRegistryValue(std::uint32_t root, std::string_view keyPath, std::string_view valueName,
                          const Data& data, std::int32_t kind);
    // Deletes one named value under an existing key, if it is there.
    void DeleteRegistryValue(std::uint32_t root, std::string_view keyPath, std::string_view valueName);
    // Writes data of a kind into an open key; returns the set's status, or 0
    // when the kind is neither REG_SZ nor REG_DWORD (nothing is written).
    std::int32_t WriteValueData(KeyHandle key, std::string_view valueName, std::int32_t kind,
                                const Data& data);

private:
    Backend& backend_;
};

// What reading one value found. A value is read with a key opened for
// query only, so a key that may be read but not written still reads.
enum class ReadState { Present, ValueAbsent, KeyAbsent, AccessRefused, Failed };
struct ValueRead {
    ReadState state = ReadState::Failed;
    RawValue value;           // Present only
    std::int32_t status = 0;  // the registry's status of the step that decided the state
};
ValueRead ReadValue(Backend& backend, std::uint32_t root, std::string_view keyPath, std::string_view valueName);

// Puts one value back as it was: the exact type and bytes, or, for
// std::nullopt, no value at all (deleting one that is absent is done, not
// a failure). The key must exist: it is never created.
enum class WriteState { Done, KeyAbsent, AccessRefused, Failed };
struct WriteResult {
    WriteState state = WriteState::Failed;
    std::int32_t status = 0;
};
WriteResult WriteExact(Backend& backend, std::uint32_t root, std::string_view keyPath, std::string_view valueName,
                       const std::optional<RawValue>& value);

// Display forms used by tools and logs.
std::string RootName(std::uint32_t root);   // "HKLM", "HKCU" or hex
std::string KindName(std::int32_t kind);    // "REG_SZ", "REG_DWORD" or the number
// "REG_SZ", "REG_BINARY", ... for the types the registry names, else
// "0x" and eight hexadecimal digits.
std::string TypeName(std::uint32_t type);
std::string DataDisplay(const Data& data);  // 5840, "text", True, (unset)

}  // namespace kavrel::registry
