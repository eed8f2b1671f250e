// The one vocabulary of what became, or would become, of a value: before a
// run (show, check, backup), after one (apply) and on restore. Each state
// has one name, the one the console prints and its JSON carries, and one
// summary label; the console's help lists the states each command reports
// from the lists below, so that the text cannot drift from the code.
#pragma once

#include <span>
#include <string>

namespace kavrel::backup {

enum class ValueState {
    WillChange,     // "will-change": the run would write it
    AlreadySet,     // "already-set": it already holds the profile's state
    KeyMissing,     // "key-missing": its key does not exist; nothing is made
    AccessRefused,  // "access-refused"
    ReadError,      // "read-error": it could not be read
    NotApplicable,  // "not-applicable": left alone on this account
    Changed,        // "changed": the run wrote it
    Failed,         // "error": a write failed otherwise
    Restored,       // "restored": the backup's state was put back
};

const char* StateName(ValueState state);
// A write the system did not take (refused, or failed otherwise): a run or
// a restore with one such value ends with the refusal's exit status.
constexpr bool NotWritten(ValueState state) {
    return state == ValueState::AccessRefused || state == ValueState::Failed;
}
// The French summary label: "à changer", "déjà réglées", ...; "autres" for
// a name that is no state.
const char* StateLabel(const std::string& name);

// The states each command reports, in the order the help lists them.
std::span<const ValueState> StatesBeforeRun();  // show, check
std::span<const ValueState> StatesAfterRun();   // apply
std::span<const ValueState> StatesOfRestore();  // restore
// "a, b, c": the names of `states`, as the help lists them.
std::string StateNames(std::span<const ValueState> states);

}  // namespace kavrel::backup
