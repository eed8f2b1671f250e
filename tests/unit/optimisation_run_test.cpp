// The optimisation run against a recorded window and an in-memory registry:
// which rows each profile applies, what they write, and the progress
// display that follows the last registry call.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "optimiser/optimisation_run.h"
#include "registry/memory_registry.h"

using namespace kavrel;
using namespace kavrel::optimiser;
using registry::kHkeyCurrentUser;
using registry::kHkeyLocalMachine;
using registry::MemoryRegistry;

namespace {

constexpr const char* kTcpip = R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)";
constexpr const char* kDnscache = R"(SYSTEM\CurrentControlSet\Services\Dnscache\Parameters)";

// One shared timeline of window accesses and registry operations.
using Timeline = std::vector<std::string>;

class FakeWindow : public WindowControls {
public:
    FakeWindow(Timeline& timeline, std::set<std::string> selected)
        : timeline_(timeline), selected_(std::move(selected)) {}
    std::int32_t GetProperty(std::string_view control, std::string_view property) override {
        if (failingReads.count(std::string(control))) throw std::runtime_error("read failed");
        if (property != "Value") throw std::runtime_error("unexpected read");
        auto it = values.find(std::string(control));
        if (it != values.end()) return it->second;
        return selected_.count(std::string(control)) ? kTrue : kFalse;
    }
    void SetProperty(std::string_view control, std::string_view property, std::int32_t value) override {
        const std::string entry = "ui " + std::string(control) + "." + std::string(property) + "=" +
                                  std::to_string(value);
        if (failingWrites.count(std::string(control))) throw std::runtime_error("write failed");
        timeline_.push_back(entry);
    }
    std::map<std::string, std::int32_t> values;  // overrides of option reads
    std::set<std::string> failingReads, failingWrites;

private:
    Timeline& timeline_;
    std::set<std::string> selected_;
};

// The in-memory registry, with every operation also entered on the timeline.
class LoggedRegistry : public MemoryRegistry {
public:
    explicit LoggedRegistry(Timeline& timeline) : MemoryRegistry(true), timeline_(timeline) {}
    std::int32_t OpenKey(std::uint32_t root, std::string_view path, std::uint32_t access,
                         registry::KeyHandle& key) override {
        if (path == failingPath) throw std::runtime_error("open failed");
        return MemoryRegistry::OpenKey(root, path, access, key);
    }
    std::int32_t SetValue(registry::KeyHandle key, std::string_view name, std::int32_t kind,
                          const std::vector<std::uint8_t>& data) override {
        timeline_.push_back("reg set " + std::string(name));
        return MemoryRegistry::SetValue(key, name, kind, data);
    }
    std::int32_t DeleteValue(registry::KeyHandle key, std::string_view name) override {
        timeline_.push_back("reg delete " + std::string(name));
        return MemoryRegistry::DeleteValue(key, name);
    }
    std::string failingPath;

private:
    Timeline& timeline_;
};

struct RunResult {
    std::vector<int> rows;
    std::map<int, registry::Data> data;
};

class Run : public ::testing::Test {
protected:
    RunResult RunWith(std::set<std::string> selected) {
        FakeWindow window(timeline, std::move(selected));
        return RunWith(window);
    }
    RunResult RunWith(FakeWindow& window) {
        registry::RegistryAccess access(reg);
        RunResult result;
        RunOptimisation(window, access, [&](const TweakRow& row, const registry::Data& data) {
            result.rows.push_back(row.number);
            result.data[row.number] = data;
        });
        return result;
    }
    std::vector<std::uint8_t> Stored(std::uint32_t root, const char* path, const char* name) {
        auto v = reg.GetValue(root, path, name);
        return v ? v->data : std::vector<std::uint8_t>{};
    }
    std::int32_t StoredKind(std::uint32_t root, const char* path, const char* name) {
        auto v = reg.GetValue(root, path, name);
        return v ? v->kind : -1;
    }
    Timeline timeline;
    LoggedRegistry reg{timeline};
};

std::vector<int> Range(int from, int to) {
    std::vector<int> out;
    for (int i = from; i <= to; ++i) out.push_back(i);
    return out;
}
std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
std::vector<std::uint8_t> Dword(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

TEST_F(Run, StartUpProfileModem56AppliesFortyNineRowsAndLeavesTheDwordWindowSize) {
    const auto result = RunWith({"Modem1", "r56"});
    EXPECT_EQ(result.rows, Concat(Range(17, 26), Range(42, 80)));
    EXPECT_EQ(result.rows.size(), 49u);
    EXPECT_EQ(result.data.at(43), registry::Data(64));
    EXPECT_EQ(result.data.at(44), registry::Data(4096));
    // Row 22 wrote the text 64240 first; row 44 replaces it with the number.
    EXPECT_EQ(StoredKind(kHkeyLocalMachine, kTcpip, "TcpWindowSize"), registry::kRegDword);
    EXPECT_EQ(Stored(kHkeyLocalMachine, kTcpip, "TcpWindowSize"), Dword(4096));
    EXPECT_EQ(Stored(kHkeyLocalMachine, kTcpip, "DefaultTTL"), Dword(64));
}

TEST_F(Run, AdslProfileAppliesFiftyFourRowsWithTtl128) {
    const auto result = RunWith({"Adsl1", "r1024"});
    EXPECT_EQ(result.rows, Concat(Range(27, 41), Range(42, 80)));
    EXPECT_EQ(result.data.at(43), registry::Data(128));
    EXPECT_EQ(result.data.at(44), registry::Data(24576));
    EXPECT_EQ(Stored(kHkeyLocalMachine, kTcpip, "TcpWindowSize"), Dword(24576));
}

TEST_F(Run, LanProfileAppliesFiftyFiveRowsAndAValidTtl) {
    const auto result = RunWith({"Lan1", "r33"});
    EXPECT_EQ(result.rows, Concat(Range(1, 16), Range(42, 80)));
    // Never the invalid TTL 0 that an unset profile value would give.
    EXPECT_EQ(result.data.at(43), registry::Data(128));
    EXPECT_EQ(Stored(kHkeyLocalMachine, kTcpip, "DefaultTTL"), Dword(128));
    EXPECT_EQ(result.data.at(44), registry::Data(2048));
}

TEST_F(Run, EachSpeedGivesItsWindowSize) {
    const std::map<std::string, std::int32_t> expected = {{"r33", 2048},   {"r56", 4096},   {"r64", 4096},
                                                          {"r128", 6144},  {"r512", 8192},  {"r1024", 24576}};
    for (const auto& [speed, size] : expected) {
        for (const char* type : {"Lan1", "Modem1", "Adsl1"}) {
            const auto result = RunWith({type, speed});
            EXPECT_EQ(result.data.at(44), registry::Data(size)) << type << " " << speed;
        }
    }
}

TEST_F(Run, NoSpeedSelectedLeavesTheWindowSizeUnsetWhichWritesZero) {
    const auto result = RunWith({"Modem1"});
    EXPECT_EQ(result.data.at(44), registry::Data(registry::Empty{}));
    EXPECT_EQ(Stored(kHkeyLocalMachine, kTcpip, "TcpWindowSize"), Dword(0));
}

TEST_F(Run, ValuesOtherThanTrueCountAsNotSelectedAndTheLastTrueSpeedWins) {
    Timeline t;
    FakeWindow window(t, {});
    window.values = {{"Modem1", 1}, {"Adsl1", kTrue}, {"r33", kTrue}, {"r512", kTrue}, {"r56", 1}};
    const auto result = RunWith(window);
    EXPECT_EQ(result.rows.front(), 27);
    EXPECT_EQ(result.data.at(44), registry::Data(8192));
}

TEST_F(Run, RowsWriteWhatTheTableSays) {
    RunWith({"Modem1", "r56"});
    auto sz = [](std::string_view s) {
        std::vector<std::uint8_t> v(s.begin(), s.end());
        v.push_back(0);
        return v;
    };
    const char* mstcp = R"(System\CurrentControlSet\Services\VxD\MSTCP)";
    EXPECT_EQ(Stored(kHkeyLocalMachine, mstcp, "DefaultRcvWindow"), sz("2144"));
    EXPECT_EQ(Stored(kHkeyLocalMachine, mstcp, "DefaultTTL"), sz("128"));  // row 51, the VxD copy
    EXPECT_EQ(Stored(kHkeyLocalMachine, mstcp, "ReadAheadAutoScrolling"), sz("True"));
    EXPECT_EQ(StoredKind(kHkeyLocalMachine, mstcp, "MaxDupAcks"), registry::kRegDword);
    EXPECT_EQ(Stored(kHkeyLocalMachine, R"(System\CurrentControlSet\Services\VxD\MSTCP\Parameters)",
                     "GlobalMaxTcpWindoSize"),
              sz("8912"));
    EXPECT_EQ(Stored(kHkeyLocalMachine, R"(System\CurrentControlSet\Services\VxD\MTRR)", "Start"), Dword(0));
    EXPECT_EQ(Stored(kHkeyLocalMachine, R"(System\CurrentControlSet\Services\VxD\NDIS)", "Start"), sz("00"));
    EXPECT_EQ(Stored(kHkeyLocalMachine, R"(system\currentcontrolset\Services\Class\Net\0000)", "SLOWNET"), sz("00"));
    EXPECT_EQ(Stored(kHkeyLocalMachine, kDnscache, "CacheHashTableSize"), Dword(180));  // row 79 after 48
    EXPECT_EQ(Stored(kHkeyLocalMachine, kDnscache, "CacheHashTableBucketSize"), Dword(1));
    const char* inet = R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)";
    EXPECT_EQ(Stored(kHkeyCurrentUser, inet, "MaxConnectionsPer1_0Server"), Dword(8));
    EXPECT_EQ(Stored(kHkeyCurrentUser, inet, "MaxConnectionsPerServer"), Dword(4));
}

TEST_F(Run, RowSeventyEightDeletesTheNamedValueOnly) {
    const char* ns = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\RemoteComputer\NameSpace)";
    const char* name = "{D6277990-4C6A-11CF-8D87-00AA0060F5BF}";
    reg.PutValue(kHkeyLocalMachine, ns, name, {registry::kRegSz, {0}});
    reg.PutValue(kHkeyLocalMachine, ns, "Other", {registry::kRegSz, {0}});
    RunWith({"Adsl1", "r512"});
    EXPECT_FALSE(reg.GetValue(kHkeyLocalMachine, ns, name));
    EXPECT_TRUE(reg.GetValue(kHkeyLocalMachine, ns, "Other"));
    EXPECT_TRUE(reg.KeyExists(kHkeyLocalMachine, ns));
}

TEST_F(Run, TheTenDisplayStepsFollowTheLastRegistryCallInOrder) {
    RunWith({"Modem1", "r56"});
    const Timeline expectedUi = {"ui Image4.Visible=0", "ui Shape1.Visible=0", "ui Form1.Enabled=0",
                                 "ui Label2.Visible=-1", "ui Bar1.Visible=-1",  "ui Timer3.Enabled=-1",
                                 "ui Label1.Visible=-1", "ui Bar2.Visible=-1",  "ui Bar1.Value=0",
                                 "ui Bar2.Value=0"};
    ASSERT_GE(timeline.size(), expectedUi.size());
    const Timeline tail(timeline.end() - static_cast<long>(expectedUi.size()), timeline.end());
    EXPECT_EQ(tail, expectedUi);
    const std::size_t registryCalls = timeline.size() - expectedUi.size();
    EXPECT_EQ(registryCalls, 49u);
    for (std::size_t i = 0; i < registryCalls; ++i) EXPECT_EQ(timeline[i].rfind("reg ", 0), 0u) << timeline[i];
}

TEST_F(Run, AFailingStepIsSkippedAndTheRunGoesOn) {
    Timeline t;
    FakeWindow window(timeline, {"Modem1", "r56"});
    window.failingWrites = {"Shape1", "Bar1"};
    reg.failingPath = R"(System\CurrentControlSet\Services\VxD\MTRR)";  // rows 65 and 66 fail
    const auto result = RunWith(window);
    EXPECT_EQ(result.rows.size(), 49u);
    EXPECT_FALSE(reg.GetValue(kHkeyLocalMachine, R"(System\CurrentControlSet\Services\VxD\MTRR)", "Start"));
    EXPECT_TRUE(reg.GetValue(kHkeyLocalMachine, R"(System\CurrentControlSet\Services\VxD\NDIS)", "NetClean"));
    const Timeline expectedUi = {"ui Image4.Visible=0",  "ui Form1.Enabled=0",   "ui Label2.Visible=-1",
                                 "ui Timer3.Enabled=-1", "ui Label1.Visible=-1", "ui Bar2.Visible=-1",
                                 "ui Bar2.Value=0"};
    const Timeline tail(timeline.end() - static_cast<long>(expectedUi.size()), timeline.end());
    EXPECT_EQ(tail, expectedUi);
}

TEST_F(Run, AnOptionThatCannotBeReadCountsAsNotSelected) {
    FakeWindow window(timeline, {"Lan1", "Modem1", "r56"});
    window.failingReads = {"Lan1"};
    const auto result = RunWith(window);
    EXPECT_EQ(result.rows.front(), 17);
    EXPECT_EQ(result.rows.size(), 49u);
}

TEST(RunWithoutRegistry, EveryRegistryCallRefusedStillStartsTheProgressDisplay) {
    Timeline timeline;
    MemoryRegistry reg;  // no keys at all
    reg.RefuseAccess(kHkeyLocalMachine, "");
    registry::RegistryAccess access(reg);
    FakeWindow window(timeline, {"Adsl1", "r128"});
    RunOptimisation(window, access);
    EXPECT_EQ(reg.ValueCount(), 0u);
    EXPECT_EQ(timeline.size(), 10u);
    EXPECT_EQ(timeline.back(), "ui Bar2.Value=0");
}

TEST_F(Run, ApplyingTwiceLeavesTheRegistryAsOnceAndAnotherProfileUndoesNothing) {
    RunWith({"Lan1", "r128"});
    const std::string once = reg.Dump();
    RunWith({"Lan1", "r128"});
    EXPECT_EQ(reg.Dump(), once);

    const char* mstcp = R"(system\currentcontrolset\services\VxD\Mstcp)";
    RunWith({"Modem1", "r56"});
    // Row 2's Lan value was replaced by row 18's, but row 5's stays.
    EXPECT_TRUE(reg.GetValue(kHkeyLocalMachine, R"(System\ControlSet001\Services\RemoteAccess\Performance)",
                             "Error Count"));
    EXPECT_EQ(reg.GetValue(kHkeyLocalMachine, mstcp, "DefaultRcvWindow")->data,
              (std::vector<std::uint8_t>{'2', '1', '4', '4', 0}));
}

TEST(TweakTable, GroupsAndOrderAreFixed) {
    std::map<Group, int> counts;
    int number = 0;
    for (const auto& row : kTweakTable) {
        EXPECT_EQ(row.number, ++number);
        ++counts[row.group];
        if (row.operation == Operation::Delete) {
            EXPECT_EQ(row.number, 78);
        }
        if (row.root == kHkeyCurrentUser) {
            EXPECT_TRUE(row.number == 45 || row.number == 46) << row.number;
        }
        if (row.data.source == RowData::Source::Boolean) {
            EXPECT_EQ(row.number, 58);
        }
    }
    EXPECT_EQ(counts[Group::Lan], 16);
    EXPECT_EQ(counts[Group::Modem], 10);
    EXPECT_EQ(counts[Group::Adsl], 15);
    EXPECT_EQ(counts[Group::Common], 39);
}

}  // namespace
