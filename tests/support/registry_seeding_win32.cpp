#include "tests/support/registry_seeding_win32.h"

#include <windows.h>

#include <cstdint>

namespace kavrel::testing {

namespace {

HKEY Root(std::uint32_t root) {
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(root)));
}

// Closes the key on every way out, the early return included.
class Key {
public:
    Key(std::uint32_t root, const char* path) {
        if (RegCreateKeyExA(Root(root), path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) !=
            ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

std::string SeedTableKeys(const Seeding& seeding) {
    for (const auto& row : optimiser::kTweakTable) {
        if (seeding.keys == Seeding::Keys::AsOnAStandardSystem && optimiser::KeyMissingOnAStandardSystem(row)) continue;
        const Key key(row.root, row.keyPath);
        if (!key.get()) return row.keyPath;
        if (seeding.values == Seeding::Values::Prior) RegDeleteValueA(key.get(), row.valueName);
    }
    if (seeding.values == Seeding::Values::AsFound) return {};
    // After every removal: a row that writes the same value as the delete
    // row must not take it away again.
    for (const auto& row : optimiser::kTweakTable) {
        if (row.operation != optimiser::Operation::Delete) continue;
        const Key key(row.root, row.keyPath);
        if (!key.get()) return row.keyPath;
        RegSetValueExA(key.get(), row.valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kDeletedValueData),
                       sizeof kDeletedValueData);
    }
    return {};
}

}  // namespace kavrel::testing
