// The registry layer and the optimisation run on Wine's real registry:
// every row's effect read back with RegQueryValueExA, keys never created,
// and a whole-registry snapshot before and after a run that differs in
// exactly the values the profile's rows write.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "optimiser/optimisation_run.h"
#include "registry/advapi32_backend_win32.h"
#include "tests/support/registry_seeding_win32.h"

using namespace kavrel;
using namespace kavrel::optimiser;
using kavrel::base::FoldCase;

namespace {

struct Stored {
    DWORD type;
    std::vector<std::uint8_t> data;
    bool operator==(const Stored&) const = default;
};
using Snapshot = std::map<std::string, Stored>;  // "K path" for keys, "V path|name" for values

void Walk(HKEY key, const std::string& path, Snapshot& out) {
    out["K " + FoldCase(path)] = Stored{0, {}};
    std::vector<char> name(16384);
    std::vector<std::uint8_t> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD dataLen = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG status = RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        out["V " + FoldCase(path) + "|" + FoldCase(std::string(name.data(), nameLen))] =
            Stored{type, std::vector<std::uint8_t>(data.begin(), data.begin() + dataLen)};
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        const LONG status = RegEnumKeyExA(key, i, name.data(), &nameLen, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) children.emplace_back(name.data(), nameLen);
    }
    for (const auto& child : children) {
        // Perflib's values are generated on every read (performance
        // counter texts), not stored: enumerating them takes minutes.
        if (FoldCase(child) == "perflib") continue;
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, child.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &sub) == ERROR_SUCCESS) {
            Walk(sub, path + "\\" + child, out);
            RegCloseKey(sub);
        }
    }
}

Snapshot TakeSnapshot() {
    Snapshot snap;
    Walk(HKEY_LOCAL_MACHINE, "HKLM", snap);
    Walk(HKEY_CURRENT_USER, "HKCU", snap);
    return snap;
}

// What a value of the table must hold, worked out from the row alone.
Stored Expected(const TweakRow& row, std::int32_t ttl, std::int32_t windowSize) {
    std::string text;
    std::int64_t number = 0;
    switch (row.data.source) {
        case RowData::Source::Integer: number = row.data.integer; text = std::to_string(number); break;
        case RowData::Source::Text:
            text = row.data.text;
            if (row.kind == REG_DWORD) number = std::stoll(text, nullptr, 10);
            break;
        case RowData::Source::Boolean: text = "True"; number = -1; break;
        case RowData::Source::ProfileTtl: number = ttl; text = std::to_string(number); break;
        case RowData::Source::ProfileWindowSize: number = windowSize; text = std::to_string(number); break;
        case RowData::Source::None: break;
    }
    if (row.kind == REG_SZ) {
        std::vector<std::uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        return {REG_SZ, bytes};
    }
    const auto v = static_cast<std::uint32_t>(number);
    return {REG_DWORD, {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}};
}

std::string ValueId(const TweakRow& row) {
    return "V " + FoldCase(registry::RootName(row.root) + "\\" + std::string(row.keyPath)) +
           "|" + FoldCase(row.valueName);
}

constexpr const char* kNamespaceKey = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\RemoteComputer\NameSpace)";
constexpr const char* kNamespaceValue = "{D6277990-4C6A-11CF-8D87-00AA0060F5BF}";

class Window : public WindowControls {
public:
    Window(std::string type, std::string speed) : type_(std::move(type)), speed_(std::move(speed)) {}
    std::int32_t GetProperty(std::string_view control, std::string_view) override {
        return control == type_ || control == speed_ ? kTrue : kFalse;
    }
    void SetProperty(std::string_view, std::string_view, std::int32_t) override {}

private:
    std::string type_, speed_;
};

// A prefix in which the keys the rows address exist, as on a system that
// has them, and none of the values the rows write is there yet but the one
// the delete row removes.
class WineRegistry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(kavrel::testing::SeedTableKeys(), ""); }
};

struct Profile {
    const char* type;
    const char* speed;
    Group group;
    std::int32_t ttl;
    std::int32_t windowSize;
    std::size_t calls;
};

void PrintTo(const Profile& p, std::ostream* os) { *os << p.type << "/" << p.speed; }

class EveryProfile : public WineRegistry, public ::testing::WithParamInterface<Profile> {};

TEST_P(EveryProfile, TheRegistryChangesInExactlyTheValuesTheProfileWrites) {
    const Profile p = GetParam();
    const Snapshot before = TakeSnapshot();

    registry::Advapi32Backend backend;
    registry::RegistryAccess access(backend);
    Window window(p.type, p.speed);
    std::size_t calls = 0;
    RunOptimisation(window, access, [&](const TweakRow&, const registry::Data&) { ++calls; });
    EXPECT_EQ(calls, p.calls);

    const Snapshot after = TakeSnapshot();

    // Expected: the last row to write a value decides its content; row 78
    // removes its value; rows under keys the system lacks change nothing.
    Snapshot expected = before;
    for (const auto& row : kTweakTable) {
        if (row.group != p.group && row.group != Group::Common) continue;
        if (kavrel::optimiser::KeyMissingOnAStandardSystem(row)) continue;
        if (row.operation == Operation::Delete) {
            expected.erase(ValueId(row));
        } else {
            expected[ValueId(row)] = Expected(row, p.ttl, p.windowSize);
        }
    }
    std::vector<std::string> differences;
    for (const auto& [id, v] : expected) {
        auto it = after.find(id);
        if (it == after.end()) {
            differences.push_back("missing " + id);
        } else if (!(it->second == v)) {
            differences.push_back("differs " + id);
        }
    }
    for (const auto& [id, v] : after) {
        if (!expected.count(id)) differences.push_back("unexpected " + id);
    }
    EXPECT_TRUE(differences.empty()) << [&] {
        std::string all;
        for (const auto& d : differences) all += d + "\n";
        return all;
    }();
    EXPECT_FALSE(after.count("K " + FoldCase(R"(HKLM\system\Currentcontrolset\services\Services)")));
}

INSTANTIATE_TEST_SUITE_P(Wine, EveryProfile,
                         ::testing::Values(Profile{"Lan1", "r33", Group::Lan, 128, 2048, 55},
                                           Profile{"Modem1", "r56", Group::Modem, 64, 4096, 49},
                                           Profile{"Adsl1", "r1024", Group::Adsl, 128, 24576, 54}),
                         [](const auto& info) { return std::string(info.param.type); });

TEST_F(WineRegistry, ValuesReadBackWithTheirTypeLengthAndBytes) {
    registry::Advapi32Backend backend;
    registry::RegistryAccess access(backend);
    Window window("Modem1", "r56");
    RunOptimisation(window, access);

    auto query = [](HKEY root, const char* path, const char* name) {
        HKEY key = nullptr;
        Stored out{0, {}};
        if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return out;
        DWORD type = 0, len = 256;
        std::vector<std::uint8_t> buf(len);
        if (RegQueryValueExA(key, name, nullptr, &type, buf.data(), &len) == ERROR_SUCCESS) {
            out = Stored{type, std::vector<std::uint8_t>(buf.begin(), buf.begin() + len)};
        }
        RegCloseKey(key);
        return out;
    };
    const char* tcpip = R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)";
    const char* mstcp = R"(System\CurrentControlSet\Services\VxD\MSTCP)";
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, tcpip, "TcpWindowSize"), (Stored{REG_DWORD, {0x00, 0x10, 0, 0}}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, tcpip, "DefaultTTL"), (Stored{REG_DWORD, {64, 0, 0, 0}}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, tcpip, "GlobalMaxTcpWindowSize"),
              (Stored{REG_SZ, {'3', '2', '1', '6', 0}}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, mstcp, "DefaultRcvWindow"), (Stored{REG_SZ, {'2', '1', '4', '4', 0}}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, mstcp, "ReadAheadAutoScrolling"),
              (Stored{REG_SZ, {'T', 'r', 'u', 'e', 0}}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, R"(System\CurrentControlSet\Services\VxD\MTRR)", "Start"),
              (Stored{REG_DWORD, {0, 0, 0, 0}}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, R"(System\CurrentControlSet\Services\VxD\MTRR)", "StaticVxD"),
              (Stored{REG_SZ, {'*', 'm', 't', 'r', 'r', 0}}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, R"(System\CurrentControlSet\Services\VxD\NDIS)", "Start"),
              (Stored{REG_SZ, {'0', '0', 0}}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, R"(System\CurrentControlSet\Services\Dnscache\Parameters)",
                    "CacheHashTableSize"),
              (Stored{REG_DWORD, {0xB4, 0, 0, 0}}));
    EXPECT_EQ(query(HKEY_CURRENT_USER, R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)",
                    "MaxConnectionsPerServer"),
              (Stored{REG_DWORD, {4, 0, 0, 0}}));
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, kNamespaceKey, kNamespaceValue).type, 0u);  // deleted
}

// The prior state the probe, the benches and these tests start from, made
// again over a run's writes: every key a system has, none of the values the
// rows write, the delete row's value back, the keys no system has still
// missing.
TEST_F(WineRegistry, SeedingPutsBackThePriorStateAfterARun) {
    registry::Advapi32Backend backend;
    registry::RegistryAccess access(backend);
    Window window("Lan1", "r33");
    RunOptimisation(window, access);
    ASSERT_FALSE(registry::QueryValue(registry::kHkeyLocalMachine, kNamespaceKey, kNamespaceValue));

    ASSERT_EQ(kavrel::testing::SeedTableKeys(), "");
    for (const auto& row : kTweakTable) {
        const bool missing = kavrel::optimiser::KeyMissingOnAStandardSystem(row);
        EXPECT_EQ(registry::KeyExists(row.root, row.keyPath), !missing) << row.number;
        const auto value = registry::QueryValue(row.root, row.keyPath, row.valueName);
        if (row.operation == Operation::Delete) {
            ASSERT_TRUE(value) << row.number;
            EXPECT_EQ(value->type, static_cast<std::uint32_t>(REG_SZ));
            EXPECT_EQ(std::string(value->data.begin(), value->data.end()),
                      std::string(kavrel::testing::kDeletedValueData, sizeof kavrel::testing::kDeletedValueData));
        } else {
            EXPECT_FALSE(value) << row.number;
        }
    }
}

TEST_F(WineRegistry, AMissingKeyIsNeitherCreatedNorWritten) {
    const char* parent = R"(System\CurrentControlSet\Services\VxD)";
    const char* path = R"(System\CurrentControlSet\Services\VxD\KavrelNoSuchKey)";
    registry::Advapi32Backend backend;
    registry::RegistryAccess access(backend);
    access.SetRegistryValue(registry::kHkeyLocalMachine, path, "Start", 0, registry::kRegDword);
    access.DeleteRegistryValue(registry::kHkeyLocalMachine, path, "Start");
    EXPECT_FALSE(registry::KeyExists(registry::kHkeyLocalMachine, path));
    EXPECT_TRUE(registry::KeyExists(registry::kHkeyLocalMachine, parent));
    EXPECT_FALSE(registry::QueryValue(registry::kHkeyLocalMachine, parent, "Start"));
}

TEST_F(WineRegistry, WriteValueDataReturnsTheStatusOfTheSet) {
    const char* path = R"(System\CurrentControlSet\Services\VxD\MTRR)";
    registry::Advapi32Backend backend;
    registry::RegistryAccess access(backend);

    registry::KeyHandle key = 0;
    ASSERT_EQ(backend.OpenKey(registry::kHkeyLocalMachine, path, registry::kOpenAccess, key), ERROR_SUCCESS);
    EXPECT_EQ(access.WriteValueData(key, "Start", registry::kRegDword, std::string("00")), ERROR_SUCCESS);
    EXPECT_EQ(access.WriteValueData(key, "Other", 7, 5), 0);  // unknown kind: nothing written
    EXPECT_EQ(backend.CloseKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(registry::QueryValue(registry::kHkeyLocalMachine, path, "Other"));

    // A handle without the right to set values: the registry's refusal is
    // what WriteValueData hands back.
    registry::KeyHandle readOnly = 0;
    ASSERT_EQ(backend.OpenKey(registry::kHkeyLocalMachine, path, KEY_QUERY_VALUE, readOnly), ERROR_SUCCESS);
    EXPECT_EQ(access.WriteValueData(readOnly, "StaticVxD", registry::kRegSz, std::string("x")),
              ERROR_ACCESS_DENIED);
    backend.CloseKey(readOnly);
    EXPECT_FALSE(registry::QueryValue(registry::kHkeyLocalMachine, path, "StaticVxD"));
}

}  // namespace
