// The planned values as they are now, the backup made of them, and how a
// value stands against the state the run leaves it in.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "backup/reg_file.h"
#include "backup/target.h"
#include "optimiser/run_plan.h"
#include "registry/registry.h"
#include "backup/value_state.h"

namespace kavrel::backup {

// Which values a run may touch on this account. Under the local system
// account HKEY_CURRENT_USER is the system's own hive, not a user's: its rows
// are then left alone.
struct Scope {
    bool skipCurrentUser = false;
};


struct ValueNow {
    optimiser::PlannedValue plan;
    bool notApplicable = false;
    registry::ValueRead read;  // not read when not applicable
    // How it stands before a run: one of StatesBeforeRun().
    ValueState State() const;
    // The value now: std::nullopt when absent (or unknown: see State()).
    std::optional<registry::RawValue> Current() const;
};

// Reads every planned value through the wide API; writes nothing.
std::vector<ValueNow> ReadPlannedValues(registry::Backend& backend, const optimiser::Plan& plan, const Scope& scope);

// True when the value holds the state the run leaves it in.
bool Holds(const registry::ValueRead& read, const std::optional<registry::RawValue>& after);

// What the backup's first lines say.
struct BackupFacts {
    std::string program;  // "Kavrel LinkTune 2.00.0007 (linktune.exe)"
    LocalTime time;
    std::string computer;
    std::string user;
    std::optional<optimiser::Profile> profile;
};

// The backup of these values: each value read is saved as it is (or as
// absent); a value whose key is missing, that could not be read or that the
// run leaves alone is only named in a comment, so that importing the file
// never makes a key.
BackupDocument MakeBackup(const std::vector<ValueNow>& values, const BackupFacts& facts);

struct BackupTaken {
    std::string path;
    std::vector<ValueNow> values;
};

// Reads the planned values, writes their backup through the target and
// returns where it went. Throws BackupWriteError when it cannot be written.
BackupTaken TakeBackup(registry::Backend& backend, const optimiser::Plan& plan, const BackupFacts& facts,
                       BackupTarget& target, const Scope& scope);

}  // namespace kavrel::backup
