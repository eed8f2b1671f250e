// Which keys of the tweak table a system has, and those keys made in the
// in-memory registry: the prior state the tests start from, whatever the
// registry under them.
#pragma once

#include <string_view>

#include "optimiser/tweak_table.h"
#include "registry/memory_registry.h"

namespace kavrel::testing {

// Makes the key of every row a system has, but `except` (a key path as the
// table spells it) when given: a key gone since.
void MakeTableKeys(registry::MemoryRegistry& reg, std::string_view except = {});

}  // namespace kavrel::testing
