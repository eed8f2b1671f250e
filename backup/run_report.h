// A run of the table, as the window makes it, followed by a report of what
// became of each planned value.
#pragma once

#include <vector>

#include "backup/snapshot.h"
#include "optimiser/optimisation_run.h"

namespace kavrel::backup {


struct ValueAfterRun {
    ValueNow before;
    registry::ValueRead now;  // read back after the run (not when not applicable)
    ValueState state = ValueState::Failed;  // one of StatesAfterRun()
    std::int32_t status = 0;  // the registry's refusal, for AccessRefused and Failed
};

// Runs the rows the options select, row by row through the registry layer
// exactly as the window's run does (its single-byte calls, its 0x3F opens),
// except that under Scope::skipCurrentUser a row under HKEY_CURRENT_USER
// finds no key. Then reads every planned value back and says what the run
// did to it.
std::vector<ValueAfterRun> RunAndReport(registry::Backend& backend, optimiser::WindowControls& options,
                                        const std::vector<ValueNow>& before, const Scope& scope);

// True when some value could not be written (access refused or another
// error); a missing key is not a failure.
bool AnyRefused(const std::vector<ValueAfterRun>& report);

}  // namespace kavrel::backup
