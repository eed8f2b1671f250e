#include "tests/support/registry_seeding_win32.h"

#include <windows.h>

#include <cstdint>

#include "registry/advapi32_backend_win32.h"
#include "win32/handle.h"

namespace kavrel::testing {

namespace {

// The key made or opened for all access; empty when it cannot be.
win32::UniqueKey MakeKey(std::uint32_t root, const char* path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(registry::RootKey(root), path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return {};
    }
    return win32::UniqueKey(key);
}

}  // namespace

std::string SeedTableKeys(const Seeding& seeding) {
    for (const auto& row : optimiser::kTweakTable) {
        if (seeding.keys == Seeding::Keys::AsOnAStandardSystem && optimiser::KeyMissingOnAStandardSystem(row)) continue;
        const win32::UniqueKey key = MakeKey(row.root, row.keyPath);
        if (!key) return row.keyPath;
        if (seeding.values == Seeding::Values::Prior) RegDeleteValueA(key.get(), row.valueName);
    }
    if (seeding.values == Seeding::Values::AsFound) return {};
    // After every removal: a row that writes the same value as the delete
    // row must not take it away again.
    for (const auto& row : optimiser::kTweakTable) {
        if (row.operation != optimiser::Operation::Delete) continue;
        const win32::UniqueKey key = MakeKey(row.root, row.keyPath);
        if (!key) return row.keyPath;
        RegSetValueExA(key.get(), row.valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kDeletedValueData),
                       sizeof kDeletedValueData);
    }
    return {};
}

}  // namespace kavrel::testing
