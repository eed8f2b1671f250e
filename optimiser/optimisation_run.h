// The optimisation run: what "&Optimiser" does. It reads the connection
// profile from the window's option buttons, applies the tweak table through
// the registry layer and switches the window to its progress display.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "optimiser/tweak_table.h"
#include "registry/registry.h"

namespace kavrel::optimiser {

// Booleans of control properties: True is -1, False 0.
inline constexpr std::int32_t kTrue = -1;
inline constexpr std::int32_t kFalse = 0;

// Late-bound access to the window's controls by name, as the window host
// offers it: "Value" of option buttons and progress bars, "Visible" of
// labels, pictures, shapes and hosted controls, "Enabled" of the timer and
// of the window itself ("Form1"). Either call may throw; the run skips the
// step that failed.
class WindowControls {
public:
    virtual ~WindowControls() = default;
    virtual std::int32_t GetProperty(std::string_view control, std::string_view property) = 0;
    virtual void SetProperty(std::string_view control, std::string_view property, std::int32_t value) = 0;
};

// The window size each speed option gives, in the order the run tests them.
struct SpeedOption {
    const char* control;
    std::int32_t windowSize;
};
inline constexpr SpeedOption kSpeedOptions[] = {
    {"r33", 2048}, {"r56", 4096}, {"r64", 4096}, {"r128", 6144}, {"r512", 8192}, {"r1024", 24576},
};

// The connection-type options, the TTL each gives and its group of rows.
struct TypeOption {
    const char* control;
    std::int32_t ttl;
    Group group;
};
inline constexpr TypeOption kTypeOptions[] = {
    // A local network gets the TTL of a broadband line: a TTL of 0, which
    // the row would otherwise write, is invalid.
    {"Lan1", 128, Group::Lan},
    {"Modem1", 64, Group::Modem},
    {"Adsl1", 128, Group::Adsl},
};

// Called just before each row is handed to the registry layer, with the
// data it passes (tools print the run with it).
using RowObserver = std::function<void(const TweakRow& row, const registry::Data& data)>;

// One optimisation run. Never throws: a step that fails is skipped and the
// next one runs; nothing is reported.
void RunOptimisation(WindowControls& window, registry::RegistryAccess& registry,
                     const RowObserver& observer = {});

}  // namespace kavrel::optimiser
