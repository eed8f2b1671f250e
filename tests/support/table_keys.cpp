#include "tests/support/table_keys.h"

namespace kavrel::testing {

void MakeTableKeys(registry::MemoryRegistry& reg, std::string_view except) {
    for (const auto& row : optimiser::kTweakTable) {
        if (optimiser::KeyMissingOnAStandardSystem(row) || (!except.empty() && except == row.keyPath)) continue;
        reg.CreateKey(row.root, row.keyPath);
    }
}

}  // namespace kavrel::testing
