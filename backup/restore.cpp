#include "backup/restore.h"

#include <algorithm>

#include "base/text.h"
#include "optimiser/tweak_table.h"
#include "registry/memory_registry.h"

namespace kavrel::backup {

bool AddressedByTable(std::uint32_t root, std::string_view keyPath, std::string_view valueName) {
    const std::string key = base::FoldCase(keyPath);
    const std::string name = base::FoldCase(valueName);
    for (const auto& row : optimiser::kTweakTable) {
        if (row.root == root && base::FoldCase(row.keyPath) == key && base::FoldCase(row.valueName) == name) {
            return true;
        }
    }
    return false;
}

void CheckAgainstTable(const BackupContents& contents) {
    for (std::size_t i = 0; i < contents.values.size(); ++i) {
        const SavedValue& v = contents.values[i];
        if (!AddressedByTable(v.root, v.keyPath, v.valueName)) {
            throw BackupFormatError(contents.lines[i], std::string(RootKeyName(v.root)) + "\\" + v.keyPath + ", « " +
                                                           v.valueName +
                                                           " » n'est pas une valeur que Kavrel LinkTune modifie");
        }
    }
}

std::vector<RestoreOutcome> Restore(registry::Backend& backend, const BackupContents& contents, const Scope& scope,
                                    bool dryRun) {
    std::vector<RestoreOutcome> outcomes;
    outcomes.reserve(contents.values.size());
    for (const auto& saved : contents.values) {
        RestoreOutcome out;
        out.saved = saved;
        if (scope.skipCurrentUser && saved.root == registry::kHkeyCurrentUser) {
            out.state = ValueState::NotApplicable;
            outcomes.push_back(std::move(out));
            continue;
        }
        out.before = registry::ReadValue(backend, saved.root, saved.keyPath, saved.valueName);
        out.status = out.before.status;
        if (out.before.state == registry::ReadState::KeyAbsent) {
            out.state = ValueState::KeyMissing;
        } else if (Holds(out.before, saved.value)) {
            out.state = ValueState::AlreadySet;
            out.status = registry::kSuccess;
        } else if (dryRun) {
            out.state = out.before.state == registry::ReadState::AccessRefused ? ValueState::AccessRefused
                        : out.before.state == registry::ReadState::Failed     ? ValueState::Failed
                                                                              : ValueState::WillChange;
        } else {
            const registry::WriteResult written =
                registry::WriteExact(backend, saved.root, saved.keyPath, saved.valueName, saved.value);
            out.status = written.status;
            switch (written.state) {
                case registry::WriteState::Done: out.state = ValueState::Restored; break;
                case registry::WriteState::KeyAbsent: out.state = ValueState::KeyMissing; break;
                case registry::WriteState::AccessRefused: out.state = ValueState::AccessRefused; break;
                case registry::WriteState::Failed: out.state = ValueState::Failed; break;
            }
        }
        outcomes.push_back(std::move(out));
    }
    return outcomes;
}

bool AnyRefused(const std::vector<RestoreOutcome>& outcomes) {
    return std::any_of(outcomes.begin(), outcomes.end(), [](const auto& o) { return NotWritten(o.state); });
}

}  // namespace kavrel::backup
