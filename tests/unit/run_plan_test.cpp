// The plan of a run: which distinct values each profile touches, where each
// appears, and the state the run leaves it in, checked against the run
// itself on an in-memory registry.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <tuple>

#include "base/text.h"
#include "optimiser/run_plan.h"
#include "registry/memory_registry.h"
#include "registry_printers.h"

using namespace kavrel;
using namespace kavrel::optimiser;
using registry::RawValue;

namespace {

std::vector<std::uint8_t> Utf16(std::string_view ascii) {
    std::vector<std::uint8_t> out;
    for (char c : ascii) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}
RawValue Dword(std::uint32_t v) {
    return {registry::kTypeDword,
            {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}};
}
RawValue Text(std::string_view ascii) { return {registry::kTypeSz, Utf16(ascii)}; }

const PlannedValue& Find(const Plan& plan, std::string_view name, std::string_view keyPart = "") {
    for (const auto& v : plan) {
        if (v.valueName == name && v.keyPath.find(keyPart) != std::string::npos) return v;
    }
    throw std::runtime_error("not planned: " + std::string(name));
}

TEST(Profiles, OnlyTheCommandLineNamesParse) {
    EXPECT_EQ(ParseProfile("adsl", "1024"), (Profile{"adsl", "1024"}));
    EXPECT_EQ(ParseProfile("lan", "33"), (Profile{"lan", "33"}));
    for (auto [type, speed] : std::vector<std::pair<const char*, const char*>>{
             {"ADSL", "1024"}, {"cable", "56"}, {"modem", "57"}, {"modem", "r56"}, {"", ""}, {"modem", "033"}}) {
        EXPECT_FALSE(ParseProfile(type, speed)) << type << " " << speed;
    }
}

TEST(Profiles, TheOptionsOfAProfileReadAsTheWindowWould) {
    ProfileOptions options(Profile{"modem", "64"});
    EXPECT_EQ(options.GetProperty("Modem1", "Value"), kTrue);
    EXPECT_EQ(options.GetProperty("r64", "Value"), kTrue);
    EXPECT_EQ(options.GetProperty("r56", "Value"), kFalse);
    EXPECT_EQ(options.GetProperty("Lan1", "Value"), kFalse);
    EXPECT_EQ(ProfileOf(options), (Profile{"modem", "64"}));

    struct Mixed : WindowControls {
        std::int32_t GetProperty(std::string_view c, std::string_view) override {
            if (c == "r33") throw std::runtime_error("broken option");
            return c == "Lan1" || c == "Adsl1" || c == "r128" ? kTrue : kFalse;
        }
        void SetProperty(std::string_view, std::string_view, std::int32_t) override {}
    } twoTypes;
    EXPECT_FALSE(ProfileOf(twoTypes));
}

TEST(Plan, EachProfileTouchesItsDistinctValuesOnceInTableOrder) {
    const std::map<std::string, std::size_t> expected = {{"lan", 53}, {"modem", 46}, {"adsl", 52}};
    for (const auto& [type, count] : expected) {
        const Plan plan = PlanRun(Profile{type, "56"});
        EXPECT_EQ(plan.size(), count) << type;
        std::set<std::tuple<std::uint32_t, std::string, std::string>> seen;
        int previous = 0;
        for (const auto& v : plan) {
            EXPECT_TRUE(seen.emplace(v.root, base::FoldCase(v.keyPath), base::FoldCase(v.valueName)).second)
                << type << " " << v.valueName;
            EXPECT_GT(v.rows.front(), previous) << type << " " << v.valueName;
            previous = v.rows.front();
        }
    }
}

TEST(Plan, AValueWrittenTwiceSitsAtItsFirstRowWithItsLastWrite) {
    const Plan modem = PlanRun(Profile{"modem", "56"});
    const auto& window = Find(modem, "TcpWindowSize", "Tcpip");
    EXPECT_EQ(window.rows, (std::vector<int>{22, 44}));
    EXPECT_EQ(window.keyPath, R"(system\currentcontrolset\services\Tcpip\Parameters)");  // row 22's spelling
    EXPECT_EQ(window.after, Dword(4096));  // row 44's double word, not row 22's text
    const auto& bucket = Find(modem, "CacheHashTableBucketSize");
    EXPECT_EQ(bucket.rows, (std::vector<int>{47, 80}));
    EXPECT_EQ(bucket.after, Dword(1));
    const auto& size = Find(modem, "CacheHashTableSize");
    EXPECT_EQ(size.rows, (std::vector<int>{48, 79}));
    EXPECT_EQ(size.after, Dword(180));
    // The entry of the earlier row keeps its place in the order.
    EXPECT_LT(&window, &Find(modem, "DefaultTTL", "Tcpip"));
}

TEST(Plan, FinalStatesAreWhatTheWideApiReadsAfterTheRun) {
    const Plan lan = PlanRun(Profile{"lan", "1024"});
    EXPECT_EQ(Find(lan, "DefaultRcvWindow").after, Text("5840"));
    EXPECT_EQ(Find(lan, "ReadAheadAutoScrolling").after, Text("True"));
    EXPECT_EQ(Find(lan, "Start", "NDIS").after, Text("00"));
    EXPECT_EQ(Find(lan, "Start", "MTRR").after, Dword(0));
    EXPECT_EQ(Find(lan, "DefaultTTL", "Tcpip").after, Dword(128));
    EXPECT_EQ(Find(lan, "TcpWindowSize", R"(CurrentControlSet\Services\Tcpip)").after, Dword(24576));
    EXPECT_EQ(Find(lan, "MaxConnectionsPerServer").root, registry::kHkeyCurrentUser);
    const auto& removed = Find(lan, "{D6277990-4C6A-11CF-8D87-00AA0060F5BF}");
    EXPECT_EQ(removed.rows, (std::vector<int>{78}));
    EXPECT_FALSE(removed.after);
    // The sixteen rows under "services\Services" are planned like any other:
    // whether their key exists is for the reading to find out.
    EXPECT_EQ(Find(lan, "TcpWindowSize", R"(services\Services)").after, Text("256960"));
}

TEST(Plan, MatchesWhatTheRunLeavesInARegistryWithEveryKey) {
    for (const char* type : {"lan", "modem", "adsl"}) {
        const Profile profile{type, "128"};
        registry::MemoryRegistry reg(true);
        registry::RegistryAccess access(reg);
        ProfileOptions options(profile);
        RunOptimisation(options, access);
        const Plan plan = PlanRun(profile);
        std::size_t present = 0;
        for (const auto& v : plan) {
            const auto stored = reg.GetStoredValue(v.root, v.keyPath, v.valueName);
            ASSERT_EQ(stored.has_value(), v.after.has_value()) << type << " " << v.valueName;
            if (!stored) continue;
            ++present;
            EXPECT_EQ((RawValue{static_cast<std::uint32_t>(stored->kind), stored->data}), *v.after)
                << type << " " << v.valueName;
        }
        EXPECT_EQ(reg.ValueCount(), present) << type;  // nothing the plan misses
    }
}

TEST(Plan, ReadingTheWindowNeverWritesToIt) {
    struct Watched : ProfileOptions {
        using ProfileOptions::ProfileOptions;
        void SetProperty(std::string_view c, std::string_view p, std::int32_t) override {
            writes.push_back(std::string(c) + "." + std::string(p));
        }
        std::vector<std::string> writes;
    } window(Profile{"adsl", "512"});
    const Plan fromWindow = PlanRun(window);
    EXPECT_TRUE(window.writes.empty());
    const Plan fromProfile = PlanRun(Profile{"adsl", "512"});
    ASSERT_EQ(fromWindow.size(), fromProfile.size());
    for (std::size_t i = 0; i < fromWindow.size(); ++i) {
        EXPECT_EQ(fromWindow[i].rows, fromProfile[i].rows);
        EXPECT_EQ(fromWindow[i].after, fromProfile[i].after);
    }
    EXPECT_EQ(Find(fromWindow, "TcpWindowSize", R"(CurrentControlSet\Services\Tcpip)").after, Dword(8192));
}

}  // namespace
