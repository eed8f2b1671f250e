// An in-memory registry with the rules of the real one that the layer meets:
// keys must exist to be opened, key and value names compare without regard
// to case, values are typed byte strings, a key can refuse to be opened (or
// opened for writing), and a handle allows only what it was opened for.
// Like the real registry it keeps texts (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) in UTF-16 whichever API wrote them: the single-byte calls
// convert from its code page (UTF-8 here) on the way in and back on the way
// out; the wide calls store and return the bytes exactly. Tests and the
// trace tool use it in place of the system registry.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry.h"

namespace kavrel::registry {

class MemoryRegistry : public Backend {
public:
    struct Value {
        std::int32_t kind = 0;
        std::vector<std::uint8_t> data;
        bool operator==(const Value&) const = default;
    };

    // One backend operation as it was called, with its outcome.
    struct Call {
        enum class Op { Open, Set, Delete, Close, OpenWide, Query, SetWide, DeleteWide };
        Op op = Op::Open;
        std::uint32_t root = 0;      // opens only
        std::string path;            // opens only
        std::uint32_t access = 0;    // opens only
        KeyHandle key = 0;           // the handle used, or the one returned by an open
        std::string name;            // sets, deletes and queries
        std::int32_t kind = 0;       // sets only
        std::vector<std::uint8_t> data;  // sets only, as the caller passed them
        std::int32_t status = 0;
    };

    // With keysAlwaysExist every open succeeds, creating the key on the way:
    // a stand-in for a system that has every key the table addresses.
    explicit MemoryRegistry(bool keysAlwaysExist = false);
    ~MemoryRegistry() override;

    // Backend
    std::int32_t OpenKey(std::uint32_t root, std::string_view path, std::uint32_t access,
                         KeyHandle& key) override;
    std::int32_t SetValue(KeyHandle key, std::string_view name, std::int32_t kind,
                          const std::vector<std::uint8_t>& data) override;
    std::int32_t DeleteValue(KeyHandle key, std::string_view name) override;
    std::int32_t CloseKey(KeyHandle key) override;
    std::int32_t OpenKeyWide(std::uint32_t root, std::string_view path, std::uint32_t access,
                             KeyHandle& key) override;
    std::int32_t QueryValueWide(KeyHandle key, std::string_view name, RawValue& value) override;
    std::int32_t SetValueWide(KeyHandle key, std::string_view name, const RawValue& value) override;
    std::int32_t DeleteValueWide(KeyHandle key, std::string_view name) override;

    // Set-up and inspection, outside the backend's operations.
    void CreateKey(std::uint32_t root, std::string_view path);
    bool KeyExists(std::uint32_t root, std::string_view path) const;
    // Opening this key or any key below it is refused (access denied).
    void RefuseAccess(std::uint32_t root, std::string_view path);
    // This key and the keys below it open for reading only: an open that
    // asks for more than query, enumerate and notify is refused.
    void RefuseWrites(std::uint32_t root, std::string_view path);
    // Stores the bytes as the registry holds them (as a wide write would).
    void PutValue(std::uint32_t root, std::string_view path, std::string_view name, Value value);
    // The value as the single-byte functions read it back: texts in the
    // code page, with what cannot be converted lost.
    std::optional<Value> GetValue(std::uint32_t root, std::string_view path, std::string_view name) const;
    // The value exactly as stored (texts in UTF-16LE).
    std::optional<Value> GetStoredValue(std::uint32_t root, std::string_view path, std::string_view name) const;
    std::size_t KeyCount() const;
    std::size_t ValueCount() const;
    std::size_t OpenHandleCount() const { return handles_.size(); }
    // Every key and value as stored, one per line, in a stable order: a
    // whole-registry snapshot that two states can be compared by.
    std::string Dump() const;
    const std::vector<Call>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }

private:
    struct Key;
    struct Handle {
        Key* key;
        std::uint32_t access;
    };
    enum class Refusal { None, Writes, All };
    Key* Find(std::uint32_t root, std::string_view path, bool create, Refusal* refusal = nullptr) const;
    std::int32_t Open(Call::Op op, std::uint32_t root, std::string_view path, std::uint32_t access, KeyHandle& key);
    // The handle's key when it was opened with one of the rights asked for.
    Key* Usable(KeyHandle key, std::uint32_t rights, std::int32_t& status) const;
    std::int32_t Store(Call::Op op, KeyHandle key, std::string_view name, std::int32_t kind,
                       const std::vector<std::uint8_t>& data, std::vector<std::uint8_t> stored);
    std::int32_t Remove(Call::Op op, KeyHandle key, std::string_view name);

    bool keysAlwaysExist_;
    std::map<std::uint32_t, std::unique_ptr<Key>> roots_;
    std::map<KeyHandle, Handle> handles_;
    KeyHandle nextHandle_ = 0x100;
    std::vector<Call> calls_;
};


}  // namespace kavrel::registry
