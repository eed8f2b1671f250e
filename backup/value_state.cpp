#include "backup/value_state.h"

#include <string_view>

namespace kavrel::backup {

namespace {

struct StateWords {
    ValueState state;
    const char* name;
    const char* label;
};

constexpr StateWords kStates[] = {
    {ValueState::WillChange, "will-change", "à changer"},
    {ValueState::AlreadySet, "already-set", "déjà réglées"},
    {ValueState::KeyMissing, "key-missing", "clés absentes"},
    {ValueState::AccessRefused, "access-refused", "accès refusés"},
    {ValueState::ReadError, "read-error", "illisibles"},
    {ValueState::NotApplicable, "not-applicable", "non applicables"},
    {ValueState::Changed, "changed", "modifiées"},
    {ValueState::Failed, "error", "en erreur"},
    {ValueState::Restored, "restored", "restaurées"},
};

constexpr ValueState kBeforeRun[] = {ValueState::WillChange,    ValueState::AlreadySet, ValueState::KeyMissing,
                                     ValueState::AccessRefused, ValueState::ReadError,  ValueState::NotApplicable};
constexpr ValueState kAfterRun[] = {ValueState::Changed,       ValueState::AlreadySet, ValueState::KeyMissing,
                                    ValueState::AccessRefused, ValueState::Failed,     ValueState::NotApplicable};
constexpr ValueState kRestore[] = {ValueState::Restored,   ValueState::WillChange,    ValueState::AlreadySet,
                                   ValueState::KeyMissing, ValueState::AccessRefused, ValueState::Failed,
                                   ValueState::NotApplicable};

}  // namespace

const char* StateName(ValueState state) {
    for (const auto& s : kStates) {
        if (s.state == state) return s.name;
    }
    return "?";
}

const char* StateLabel(const std::string& name) {
    for (const auto& s : kStates) {
        if (name == s.name) return s.label;
    }
    return "autres";
}

std::span<const ValueState> StatesBeforeRun() { return kBeforeRun; }
std::span<const ValueState> StatesAfterRun() { return kAfterRun; }
std::span<const ValueState> StatesOfRestore() { return kRestore; }

std::string StateNames(std::span<const ValueState> states) {
    std::string out;
    for (const ValueState s : states) {
        if (!out.empty()) out += ", ";
        out += StateName(s);
    }
    return out;
}

}  // namespace kavrel::backup
