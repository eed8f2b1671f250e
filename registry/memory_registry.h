// An in-memory registry with the rules of the real one that the layer meets:
// keys must exist to be opened, key and value names compare without regard
// to case, values are typed byte strings, a key can refuse to be opened,
// and a handle allows only what it was opened for. Tests and the trace
// tool use it in place of the system registry.
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
        enum class Op { Open, Set, Delete, Close };
        Op op = Op::Open;
        std::uint32_t root = 0;      // Open only
        std::string path;            // Open only
        std::uint32_t access = 0;    // Open only
        KeyHandle key = 0;           // the handle used, or the one returned by Open
        std::string name;            // Set and Delete
        std::int32_t kind = 0;       // Set only
        std::vector<std::uint8_t> data;  // Set only
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

    // Set-up and inspection, outside the layer's four operations.
    void CreateKey(std::uint32_t root, std::string_view path);
    bool KeyExists(std::uint32_t root, std::string_view path) const;
    // Opening this key or any key below it is refused (access denied).
    void RefuseAccess(std::uint32_t root, std::string_view path);
    void PutValue(std::uint32_t root, std::string_view path, std::string_view name, Value value);
    std::optional<Value> GetValue(std::uint32_t root, std::string_view path, std::string_view name) const;
    std::size_t KeyCount() const;
    std::size_t ValueCount() const;
    std::size_t OpenHandleCount() const { return handles_.size(); }
    // Every key and value, one per line, in a stable order: a whole-registry
    // snapshot that two states can be compared by.
    std::string Dump() const;
    const std::vector<Call>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }

private:
    struct Key;
    struct Handle {
        Key* key;
        std::uint32_t access;
    };
    Key* Find(std::uint32_t root, std::string_view path, bool create, bool* refused = nullptr) const;

    bool keysAlwaysExist_;
    std::map<std::uint32_t, std::unique_ptr<Key>> roots_;
    std::map<KeyHandle, Handle> handles_;
    KeyHandle nextHandle_ = 0x100;
    std::vector<Call> calls_;
};

// Registry names compare without regard to (ASCII) letter case.
std::string FoldCase(std::string_view name);

}  // namespace kavrel::registry
