#include "backup/run_report.h"

#include <algorithm>
#include <map>

namespace kavrel::backup {

namespace {

// Passes every call on, keeps the first failure of each row, and under
// skipCurrentUser answers an open under HKEY_CURRENT_USER as a missing key
// without asking the registry.
class RowStatuses : public registry::Backend {
public:
    RowStatuses(registry::Backend& inner, bool skipCurrentUser) : inner_(inner), skip_(skipCurrentUser) {}
    int row = 0;
    std::map<int, std::int32_t> failures;  // row -> first refusal (other than a missing key)

    std::int32_t OpenKey(std::uint32_t root, std::string_view path, std::uint32_t access,
                         registry::KeyHandle& key) override {
        if (skip_ && root == registry::kHkeyCurrentUser) return registry::kErrorFileNotFound;
        return Note(inner_.OpenKey(root, path, access, key), /*absentIsFine=*/true);
    }
    std::int32_t SetValue(registry::KeyHandle key, std::string_view name, std::int32_t kind,
                          const std::vector<std::uint8_t>& data) override {
        return Note(inner_.SetValue(key, name, kind, data), false);
    }
    std::int32_t DeleteValue(registry::KeyHandle key, std::string_view name) override {
        return Note(inner_.DeleteValue(key, name), /*absentIsFine=*/true);
    }
    std::int32_t CloseKey(registry::KeyHandle key) override { return inner_.CloseKey(key); }
    std::string ToCodePage(std::string_view utf8) const override { return inner_.ToCodePage(utf8); }
    std::int32_t OpenKeyWide(std::uint32_t root, std::string_view path, std::uint32_t access,
                             registry::KeyHandle& key) override {
        return inner_.OpenKeyWide(root, path, access, key);
    }
    std::int32_t QueryValueWide(registry::KeyHandle key, std::string_view name, registry::RawValue& value) override {
        return inner_.QueryValueWide(key, name, value);
    }
    std::int32_t SetValueWide(registry::KeyHandle key, std::string_view name, const registry::RawValue& value) override {
        return inner_.SetValueWide(key, name, value);
    }
    std::int32_t DeleteValueWide(registry::KeyHandle key, std::string_view name) override {
        return inner_.DeleteValueWide(key, name);
    }

private:
    std::int32_t Note(std::int32_t status, bool absentIsFine) {
        if (status != registry::kSuccess && !(absentIsFine && status == registry::kErrorFileNotFound)) {
            failures.emplace(row, status);
        }
        return status;
    }

    registry::Backend& inner_;
    bool skip_;
};

}  // namespace

std::vector<ValueAfterRun> RunAndReport(registry::Backend& backend, optimiser::WindowControls& options,
                                        const std::vector<ValueNow>& before, const Scope& scope) {
    RowStatuses statuses(backend, scope.skipCurrentUser);
    registry::RegistryAccess access(statuses);
    optimiser::RunOptimisation(options, access,
                               [&](const optimiser::TweakRow& row, const registry::Data&) { statuses.row = row.number; });

    std::vector<ValueAfterRun> report;
    report.reserve(before.size());
    for (const auto& value : before) {
        ValueAfterRun after;
        after.before = value;
        if (value.notApplicable) {
            after.state = ValueState::NotApplicable;
            report.push_back(std::move(after));
            continue;
        }
        after.now = registry::ReadValue(backend, value.plan.root, value.plan.keyPath, value.plan.valueName);
        std::int32_t refusal = registry::kSuccess;
        for (int row : value.plan.rows) {
            const auto it = statuses.failures.find(row);
            if (it != statuses.failures.end() && refusal == registry::kSuccess) refusal = it->second;
        }
        if (after.now.state == registry::ReadState::KeyAbsent) {
            after.state = ValueState::KeyMissing;
        } else if (Holds(after.now, value.plan.after)) {
            after.state = value.State() == ValueState::AlreadySet ? ValueState::AlreadySet : ValueState::Changed;
        } else {
            // Not as the run leaves it: the write, or the read back, failed.
            if (refusal == registry::kSuccess) refusal = after.now.status;
            after.status = refusal;
            after.state = refusal == registry::kErrorAccessDenied ? ValueState::AccessRefused : ValueState::Failed;
        }
        report.push_back(std::move(after));
    }
    return report;
}

bool AnyRefused(const std::vector<ValueAfterRun>& report) {
    return std::any_of(report.begin(), report.end(), [](const auto& v) { return NotWritten(v.state); });
}

}  // namespace kavrel::backup
