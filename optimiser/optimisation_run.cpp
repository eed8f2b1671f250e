#include "optimiser/optimisation_run.h"

namespace kavrel::optimiser {

namespace {

// Runs one step of the run; a failing step ends only itself.
template <typename F>
void Step(F&& f) noexcept {
    try {
        f();
    } catch (...) {
        // Failures are not reported: the next step follows.
    }
}

// True only when the option reads True; a failed read counts as not
// selected, so a broken control never pulls in a group of rows.
bool IsSelected(WindowControls& window, const char* option) noexcept {
    bool selected = false;
    Step([&] { selected = window.GetProperty(option, "Value") == kTrue; });
    return selected;
}

registry::Data RowValue(const RowData& data, const registry::Data& ttl, const registry::Data& windowSize) {
    switch (data.source) {
        case RowData::Source::Integer: return data.integer;
        case RowData::Source::Text: return std::string(data.text);
        case RowData::Source::Boolean: return data.integer != 0;
        case RowData::Source::ProfileTtl: return ttl;
        case RowData::Source::ProfileWindowSize: return windowSize;
        case RowData::Source::None: break;
    }
    return registry::Empty{};
}

}  // namespace

void RunOptimisation(WindowControls& window, registry::RegistryAccess& registry, const RowObserver& observer) {
    // Both profile values start unset in every run.
    registry::Data windowSize = registry::Empty{};
    registry::Data ttl = registry::Empty{};

    for (const auto& speed : kSpeedOptions) {
        if (IsSelected(window, speed.control)) windowSize = speed.windowSize;
    }

    auto apply = [&](const TweakRow& row) {
        Step([&] {
            const registry::Data data = RowValue(row.data, ttl, windowSize);
            if (observer) observer(row, data);
            if (row.operation == Operation::Delete) {
                registry.DeleteRegistryValue(row.root, row.keyPath, row.valueName);
            } else {
                registry.SetRegistryValue(row.root, row.keyPath, row.valueName, data, row.kind);
            }
        });
    };
    auto applyGroup = [&](Group group) {
        for (const auto& row : kTweakTable) {
            if (row.group == group) apply(row);
        }
    };

    // Three separate tests, not alternatives: exactly one type is selected.
    for (const auto& type : kTypeOptions) {
        if (IsSelected(window, type.control)) {
            ttl = type.ttl;
            applyGroup(type.group);
        }
    }
    applyGroup(Group::Common);

    // The progress display, only after the last registry call.
    Step([&] { window.SetProperty("Image4", "Visible", kFalse); });
    Step([&] { window.SetProperty("Shape1", "Visible", kFalse); });
    Step([&] { window.SetProperty("Form1", "Enabled", kFalse); });
    Step([&] { window.SetProperty("Label2", "Visible", kTrue); });
    Step([&] { window.SetProperty("Bar1", "Visible", kTrue); });
    Step([&] { window.SetProperty("Timer3", "Enabled", kTrue); });
    Step([&] { window.SetProperty("Label1", "Visible", kTrue); });
    Step([&] { window.SetProperty("Bar2", "Visible", kTrue); });
    Step([&] { window.SetProperty("Bar1", "Value", 0); });
    Step([&] { window.SetProperty("Bar2", "Value", 0); });
}

}  // namespace kavrel::optimiser
