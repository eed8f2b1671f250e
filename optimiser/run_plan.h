// The plan of a run: the distinct registry values one optimisation touches,
// in table order, each with the state the run leaves it in. The backup reads
// these values before a run; `show` and `check` compare them with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "optimiser/optimisation_run.h"
#include "registry/registry.h"

namespace kavrel::optimiser {

// A connection profile as the command line names it: TYPE "lan", "modem"
// or "adsl" and SPEED "33", "56", "64", "128", "512" or "1024".
struct Profile {
    std::string type;
    std::string speed;
    bool operator==(const Profile&) const = default;
};

// std::nullopt for a name outside those lists.
std::optional<Profile> ParseProfile(std::string_view type, std::string_view speed);
// The console's words for the profile: "lan", "modem", "adsl" and the
// speeds "33".."1024", from the option tables.
bool KnownConnectionType(std::string_view type);
std::string ConnectionTypeChoices();  // "lan, modem ou adsl"
std::string SpeedChoices();           // "33, 56, 64, 128, 512 ou 1024"

// The window's option buttons as a profile selects them: its type's and its
// speed's options read True, every other False; whatever is written to the
// window is dropped.
class ProfileOptions : public WindowControls {
public:
    explicit ProfileOptions(const Profile& profile);
    std::int32_t GetProperty(std::string_view control, std::string_view property) override;
    void SetProperty(std::string_view control, std::string_view property, std::int32_t value) override;

private:
    std::string typeOption_, speedOption_;
};

// The profile the window's options show, read as the run reads them;
// std::nullopt unless exactly one type and one speed read True.
std::optional<Profile> ProfileOf(WindowControls& window);

struct PlannedValue {
    std::vector<int> rows;  // every row that touches the value, in order
    std::uint32_t root = 0;
    std::string keyPath;    // as the first of its rows spells it
    std::string valueName;  // as the first of its rows spells it
    // The value after the run, as the wide API reads it; std::nullopt when
    // the run leaves no value (a delete).
    std::optional<registry::RawValue> after;
};
using Plan = std::vector<PlannedValue>;

// The plan of the run that these options would start: the run itself, on
// an in-memory registry in which every key exists, so that the plan can
// never drift from what the run does. Reads the options and nothing else.
// Names compare without regard to case, as the registry's do; each value
// appears once, at its first row's place.
Plan PlanRun(WindowControls& options);
Plan PlanRun(const Profile& profile);

}  // namespace kavrel::optimiser
