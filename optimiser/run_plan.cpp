#include "optimiser/run_plan.h"

#include <map>
#include <tuple>

#include "base/text.h"
#include "registry/memory_registry.h"

namespace kavrel::optimiser {

namespace {

// The type option of a connection type: "lan" is the option of the rows
// of group Lan, "Lan1".
const char* OptionOfType(std::string_view type) {
    for (const auto& option : kTypeOptions) {
        if (type == GroupName(option.group)) return option.control;
    }
    return nullptr;
}

// "a, b ou c", as the messages list choices.
template <typename List, typename Word>
std::string Choices(const List& list, Word word) {
    std::string out;
    const std::size_t n = std::size(list);
    for (std::size_t i = 0; i < n; ++i) {
        if (i) out += i + 1 == n ? " ou " : ", ";
        out += word(list[i]);
    }
    return out;
}

// Passes the option reads through; the progress display the run starts at
// its end must not reach the real window.
class ReadOnlyOptions : public WindowControls {
public:
    explicit ReadOnlyOptions(WindowControls& inner) : inner_(inner) {}
    std::int32_t GetProperty(std::string_view control, std::string_view property) override {
        return inner_.GetProperty(control, property);
    }
    void SetProperty(std::string_view, std::string_view, std::int32_t) override {}

private:
    WindowControls& inner_;
};

bool Selected(WindowControls& window, const char* option) noexcept {
    try {
        return window.GetProperty(option, "Value") == kTrue;
    } catch (...) {
        return false;  // as the run counts it
    }
}

}  // namespace

bool KnownConnectionType(std::string_view type) { return OptionOfType(type) != nullptr; }

std::string ConnectionTypeChoices() {
    return Choices(kTypeOptions, [](const TypeOption& o) { return std::string(GroupName(o.group)); });
}

std::string SpeedChoices() {
    return Choices(kSpeedOptions, [](const SpeedOption& o) { return std::string(o.control + 1); });
}

std::optional<Profile> ParseProfile(std::string_view type, std::string_view speed) {
    if (!OptionOfType(type)) return std::nullopt;
    for (const auto& option : kSpeedOptions) {
        // The option "r33" is the speed "33".
        if (speed == option.control + 1) return Profile{std::string(type), std::string(speed)};
    }
    return std::nullopt;
}

ProfileOptions::ProfileOptions(const Profile& profile)
    : typeOption_(OptionOfType(profile.type) ? OptionOfType(profile.type) : ""), speedOption_("r" + profile.speed) {}

std::int32_t ProfileOptions::GetProperty(std::string_view control, std::string_view) {
    return control == typeOption_ || control == speedOption_ ? kTrue : kFalse;
}

void ProfileOptions::SetProperty(std::string_view, std::string_view, std::int32_t) {}

std::optional<Profile> ProfileOf(WindowControls& window) {
    std::vector<std::string> types, speeds;
    for (const auto& option : kTypeOptions) {
        if (Selected(window, option.control)) types.push_back(GroupName(option.group));
    }
    for (const auto& option : kSpeedOptions) {
        if (Selected(window, option.control)) speeds.push_back(option.control + 1);  // without the "r"
    }
    if (types.size() != 1 || speeds.size() != 1) return std::nullopt;
    return Profile{types.front(), speeds.front()};
}

Plan PlanRun(WindowControls& options) {
    registry::MemoryRegistry memory(/*keysAlwaysExist=*/true);
    registry::RegistryAccess access(memory);
    ReadOnlyOptions readOnly(options);

    Plan plan;
    std::map<std::tuple<std::uint32_t, std::string, std::string>, std::size_t> index;
    RunOptimisation(readOnly, access, [&](const TweakRow& row, const registry::Data&) {
        const auto id = std::make_tuple(row.root, base::FoldCase(row.keyPath), base::FoldCase(row.valueName));
        const auto [it, fresh] = index.emplace(id, plan.size());
        if (fresh) {
            PlannedValue value;
            value.root = row.root;
            value.keyPath = row.keyPath;
            value.valueName = row.valueName;
            plan.push_back(std::move(value));
        }
        plan[it->second].rows.push_back(row.number);
    });
    for (auto& value : plan) {
        if (auto stored = memory.GetStoredValue(value.root, value.keyPath, value.valueName)) {
            value.after = registry::RawValue{static_cast<std::uint32_t>(stored->kind), std::move(stored->data)};
        }
    }
    return plan;
}

Plan PlanRun(const Profile& profile) {
    ProfileOptions options(profile);
    return PlanRun(options);
}

}  // namespace kavrel::optimiser
