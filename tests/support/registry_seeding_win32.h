// The registry as the tests and benches need it before a run: the keys the
// tweak table's rows address made, and the values the rows write in a known
// prior state. The table itself says which keys and values: a row added to
// it is seeded with no change here.
#pragma once

#include <string>

#include "tests/support/table_keys.h"

namespace kavrel::testing {

struct Seeding {
    enum class Keys {
        AsOnAStandardSystem,  // every row's key but those no system has
        EveryRow,             // those too: every row writes (benches)
    };
    enum class Values {
        Prior,    // none of the values the rows write; the delete row's value present
        AsFound,  // left as they are
    };
    Keys keys = Keys::AsOnAStandardSystem;
    Values values = Values::Prior;
};

// The data the delete row's value holds before a run (REG_SZ).
inline constexpr char kDeletedValueData[] = "present before the run";

// Seeds the current registry. Returns the key path that could not be made
// or opened, empty when every key is there.
std::string SeedTableKeys(const Seeding& seeding = {});

}  // namespace kavrel::testing
