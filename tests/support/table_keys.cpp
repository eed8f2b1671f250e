#include "tests/support/table_keys.h"

#include <string>

#include "base/text.h"

namespace kavrel::testing {

bool KeyMissingOnAStandardSystem(const optimiser::TweakRow& row) {
    return base::FoldCase(row.keyPath).find(R"(services\services)") != std::string::npos;
}

void MakeTableKeys(registry::MemoryRegistry& reg, std::string_view except) {
    for (const auto& row : optimiser::kTweakTable) {
        if (KeyMissingOnAStandardSystem(row) || (!except.empty() && except == row.keyPath)) continue;
        reg.CreateKey(row.root, row.keyPath);
    }
}

}  // namespace kavrel::testing
