// Restore: puts the values of a backup file back, byte for byte, once the
// whole file has been read and every value found to be one the table
// writes. No general registry writer: nothing else is ever written, and no
// key is ever made.
#pragma once

#include <vector>

#include "backup/reg_file.h"
#include "backup/snapshot.h"

namespace kavrel::backup {

// True when one of the 80 rows of the table addresses this value (names
// compared without regard to case, as the registry compares them).
bool AddressedByTable(std::uint32_t root, std::string_view keyPath, std::string_view valueName);

// Throws BackupFormatError, naming the line, for the first value of the
// file that the table does not address.
void CheckAgainstTable(const BackupContents& contents);


struct RestoreOutcome {
    SavedValue saved;
    registry::ValueRead before;  // read before writing (not when not applicable)
    ValueState state = ValueState::Failed;  // one of StatesOfRestore()
    std::int32_t status = 0;
};

// Puts every value back (with dryRun, only says what it would do). The
// contents must have passed CheckAgainstTable. A value whose key is gone is
// reported and skipped; a value that already holds its saved state is not
// written again.
std::vector<RestoreOutcome> Restore(registry::Backend& backend, const BackupContents& contents, const Scope& scope,
                                    bool dryRun);

bool AnyRefused(const std::vector<RestoreOutcome>& outcomes);

}  // namespace kavrel::backup
