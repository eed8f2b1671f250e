// The way back on the in-memory registry: what the planned values hold
// before a run, the backup made of them, the run's report, and a restore
// that gives back the whole registry as it was, whatever the prior state,
// while writing nothing the table does not address.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/text.h"
#include "backup/restore.h"
#include "backup/run_report.h"
#include "backup/snapshot.h"
#include "base/utf.h"
#include "registry/memory_registry.h"
#include "tests/support/table_keys.h"
#include "registry_printers.h"

using namespace kavrel;
using namespace kavrel::backup;
using optimiser::Profile;
using registry::RawValue;
using kavrel::base::Utf16LeBytes;

namespace {

constexpr std::uint32_t HKLM = registry::kHkeyLocalMachine;
constexpr std::uint32_t HKCU = registry::kHkeyCurrentUser;
constexpr const char* kTcpip = R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)";
constexpr const char* kDnscache = R"(SYSTEM\CurrentControlSet\Services\Dnscache\Parameters)";
constexpr const char* kMstcp = R"(System\CurrentControlSet\Services\VxD\MSTCP)";
constexpr const char* kInternet = R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)";
constexpr const char* kNdis = R"(System\CurrentControlSet\Services\VxD\NDIS)";
constexpr const char* kNamespace = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\RemoteComputer\NameSpace)";
constexpr const char* kNamespaceValue = "{D6277990-4C6A-11CF-8D87-00AA0060F5BF}";

// Keeps what it is given in memory; can be told to fail.
class MemoryTarget : public BackupTarget {
public:
    std::string Store(const std::vector<std::uint8_t>& bytes, const LocalTime& when) override {
        if (fail) throw BackupWriteError("disque plein");
        const std::string name = BackupFileName(when, static_cast<int>(files.size()) + 1);
        files[name] = bytes;
        last = bytes;
        return "C:\\Sauvegardes\\" + name;
    }
    std::string Location() const override { return "C:\\Sauvegardes"; }
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::vector<std::uint8_t> last;
    bool fail = false;
};

BackupFacts Facts(const Profile& profile) {
    return BackupFacts{"Kavrel LinkTune 2.00.0007 (tests)", LocalTime{2024, 5, 1, 14, 3, 22}, "POSTE-1", "alice",
                       profile};
}

// A system with the keys the table addresses (but the "services\Services"
// ones, which no system has), holding every kind of prior state.
class System : public ::testing::Test {
protected:
    void SetUp() override {
        kavrel::testing::MakeTableKeys(reg);
        reg.PutValue(HKLM, kTcpip, "TcpWindowSize", {registry::kTypeSz, Utf16LeBytes(u"64240")});  // text without NUL
        reg.PutValue(HKLM, kTcpip, "DefaultTTL", {registry::kTypeDword, {128, 0, 0, 0}});
        reg.PutValue(HKLM, kTcpip, "SackOpts", {registry::kTypeExpandSz, Utf16LeBytes(std::u16string_view(u"%X%\0", 4))});
        reg.PutValue(HKLM, kTcpip, "Tcp1323Opts", {registry::kTypeMultiSz, Utf16LeBytes(std::u16string_view(u"a\0\0", 3))});
        reg.PutValue(HKLM, kTcpip, "MaxDupAcks", {registry::kTypeBinary, {1, 2, 3}});
        reg.PutValue(HKLM, kTcpip, "EnablePMTUDiscovery", {registry::kTypeQword, {1, 0, 0, 0, 0, 0, 0, 0}});
        reg.PutValue(HKLM, kTcpip, "GlobalMaxTcpWindowSize", {registry::kTypeSz, {'7'}});  // odd length
        reg.PutValue(HKLM, kDnscache, "CacheHashTableSize", {registry::kTypeDword, {0xB4, 0, 0, 0}});  // as after
        reg.PutValue(HKLM, kMstcp, "ReadAheadAutoScrolling", {registry::kTypeSz, Utf16LeBytes(std::u16string_view(u"Vrai\0", 5))});
        reg.PutValue(HKCU, kInternet, "MaxConnectionsPerServer", {registry::kTypeDword, {2, 0, 0, 0}});
        reg.PutValue(HKLM, kNamespace, kNamespaceValue, {registry::kTypeSz, Utf16LeBytes(std::u16string_view(u"Imprimantes\0", 12))});
        // Beside the table's values, the same keys hold others the run never touches.
        reg.PutValue(HKLM, kTcpip, "Hostname", {registry::kTypeSz, Utf16LeBytes(std::u16string_view(u"poste\0", 6))});
    }

    std::vector<std::uint8_t> Backup(const Profile& profile, const Scope& scope = {}) {
        const BackupTaken taken = TakeBackup(reg, optimiser::PlanRun(profile), Facts(profile), target, scope);
        EXPECT_EQ(taken.path, "C:\\Sauvegardes\\" + BackupFileName(Facts(profile).time, static_cast<int>(target.files.size())));
        return target.last;
    }
    std::vector<ValueAfterRun> Apply(const Profile& profile, const Scope& scope = {}) {
        optimiser::ProfileOptions options(profile);
        return RunAndReport(reg, options, ReadPlannedValues(reg, optimiser::PlanRun(profile), scope), scope);
    }

    registry::MemoryRegistry reg;
    MemoryTarget target;
};

const ValueNow& Find(const std::vector<ValueNow>& values, std::string_view name, std::string_view key) {
    for (const auto& v : values) {
        if (v.plan.valueName == name && v.plan.keyPath == key) return v;
    }
    throw std::runtime_error("not planned: " + std::string(name));
}

TEST_F(System, ShowTellsHowEachValueStandsAgainstTheRun) {
    reg.RefuseAccess(HKLM, kNdis);
    const auto values = ReadPlannedValues(reg, optimiser::PlanRun(Profile{"modem", "56"}), Scope{});
    EXPECT_EQ(values.size(), 46u);
    EXPECT_EQ(Find(values, "TcpWindowSize", R"(system\currentcontrolset\services\Tcpip\Parameters)").State(),
              ValueState::WillChange);
    EXPECT_EQ(Find(values, "CacheHashTableSize", kDnscache).State(), ValueState::AlreadySet);
    EXPECT_EQ(Find(values, "NetClean", kNdis).State(), ValueState::AccessRefused);
    EXPECT_EQ(Find(values, "DefaultTTL", kTcpip).State(), ValueState::WillChange);  // 128, the run writes 64
    EXPECT_EQ(Find(values, "DefaultTTL", kTcpip).Current(), (RawValue{registry::kTypeDword, {128, 0, 0, 0}}));
    EXPECT_EQ(Find(values, "MaxSOACacheEntryTtlLimit", kDnscache).Current(), std::nullopt);

    // Without the key the run writes nothing there: that is no change.
    registry::MemoryRegistry bare;
    const auto none = ReadPlannedValues(bare, optimiser::PlanRun(Profile{"lan", "33"}), Scope{});
    for (const auto& v : none) EXPECT_EQ(v.State(), ValueState::KeyMissing) << v.plan.valueName;
    EXPECT_EQ(bare.KeyCount(), 0u);

    const auto system = ReadPlannedValues(reg, optimiser::PlanRun(Profile{"modem", "56"}), Scope{true});
    EXPECT_EQ(Find(system, "MaxConnectionsPerServer", kInternet).State(), ValueState::NotApplicable);
    EXPECT_STREQ(StateName(ValueState::NotApplicable), "not-applicable");
    EXPECT_STREQ(StateName(ValueState::WillChange), "will-change");
}

TEST_F(System, TheBackupSavesWhatIsThereAndOnlyNamesWhatIsNot) {
    reg.RefuseAccess(HKLM, kNdis);
    const BackupContents read = ReadBackupFile(Backup(Profile{"lan", "1024"}, Scope{true}));
    const std::vector<std::string> header = {
        "; Kavrel LinkTune 2.00.0007 (tests) : sauvegarde des réglages avant optimisation",
        "; Date : 2024-05-01 14:03:22 (heure locale)",
        "; Ordinateur : POSTE-1",
        "; Utilisateur : alice",
        "; Profil : lan 1024",
        "; Pour revenir à ces réglages : double-cliquez ce fichier, ou « linktune restore FICHIER ».",
    };
    EXPECT_EQ(read.header, header);
    ASSERT_EQ(target.files.size(), 1u);
    EXPECT_EQ(target.files.begin()->first, "sauvegarde-20240501-140322.reg");
    // 53 values: 8 under "services\Services", 2 under the refused key, 2
    // under HKCU left to the system account: 41 saved.
    EXPECT_EQ(read.values.size(), 41u);
    std::map<std::string, std::optional<RawValue>> saved;
    for (const auto& v : read.values) {
        EXPECT_NE(v.root, HKCU);
        EXPECT_EQ(base::FoldCase(v.keyPath).find(R"(services\services)"), std::string::npos);
        saved[v.keyPath + "|" + v.valueName] = v.value;
    }
    EXPECT_EQ(saved.at(std::string(kTcpip) + "|TcpWindowSize"), (RawValue{registry::kTypeSz, Utf16LeBytes(u"64240")}));
    EXPECT_EQ(saved.at(std::string(kDnscache) + "|MaxCacheEntryTtlLimit"), std::nullopt);
    EXPECT_EQ(saved.count(std::string(kTcpip) + "|Hostname"), 0u);  // not the run's
    const std::string text = [&] {
        std::string t;
        const auto& bytes = target.last;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) t += static_cast<char>(bytes[i]);
        return t;
    }();
    EXPECT_NE(text.find("; cl\xe9 absente, rien \xe0 sauvegarder : HKEY_LOCAL_MACHINE\\system\\Currentcontrolset\\"
                        "services\\Services\\Tcpip\\Parameters, \xab MaxDupAcks \xbb"),
              std::string::npos);
    EXPECT_NE(text.find("; lecture refus\xe9" "e, valeur non sauvegard\xe9" "e : HKEY_LOCAL_MACHINE\\System\\"
                        "CurrentControlSet\\Services\\VxD\\NDIS, \xab NetClean \xbb"),
              std::string::npos);
    EXPECT_NE(text.find("; non applicable sous le compte syst\xe8me local : HKEY_CURRENT_USER\\"), std::string::npos);
    // Importing must never make a key: no key line for a missing key.
    EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE\\system\\Currentcontrolset\\services\\Services"), std::string::npos);
}

TEST_F(System, ApplyThenRestoreGivesBackTheWholeRegistry) {
    for (const char* type : {"lan", "modem", "adsl"}) {
        SCOPED_TRACE(type);
        const std::string before = reg.Dump();
        const Profile profile{type, "1024"};
        const auto bytes = Backup(profile);
        const auto report = Apply(profile);
        EXPECT_FALSE(AnyRefused(report));
        EXPECT_NE(reg.Dump(), before);

        const BackupContents contents = ReadBackupFile(bytes);
        ASSERT_NO_THROW(CheckAgainstTable(contents));
        const auto restored = Restore(reg, contents, Scope{}, false);
        EXPECT_FALSE(AnyRefused(restored));
        EXPECT_EQ(reg.Dump(), before);
        // Twice is once: nothing left to write.
        const std::size_t calls = reg.Calls().size();
        for (const auto& o : Restore(reg, contents, Scope{}, false)) {
            EXPECT_EQ(o.state, ValueState::AlreadySet) << o.saved.valueName;
        }
        EXPECT_EQ(reg.Dump(), before);
        for (std::size_t i = calls; i < reg.Calls().size(); ++i) {
            EXPECT_NE(reg.Calls()[i].op, registry::MemoryRegistry::Call::Op::SetWide);
            EXPECT_NE(reg.Calls()[i].op, registry::MemoryRegistry::Call::Op::DeleteWide);
        }
    }
}

TEST_F(System, TheRunsReportSaysWhatBecameOfEachValue) {
    reg.RefuseWrites(HKLM, kNdis);  // readable, not writable
    const auto show = ReadPlannedValues(reg, optimiser::PlanRun(Profile{"adsl", "512"}), Scope{true});
    const auto report = Apply(Profile{"adsl", "512"}, Scope{true});
    ASSERT_EQ(report.size(), show.size());
    std::map<std::string, ValueState> states;
    for (const auto& v : report) states[v.before.plan.keyPath + "|" + v.before.plan.valueName] = v.state;
    EXPECT_EQ(states.at(std::string(kTcpip) + "|TcpWindowSize"), ValueState::Changed);
    EXPECT_EQ(states.at(std::string(kDnscache) + "|CacheHashTableSize"), ValueState::AlreadySet);
    EXPECT_EQ(states.at(std::string(kNdis) + "|NetClean"), ValueState::AccessRefused);
    EXPECT_EQ(states.at(std::string(kInternet) + "|MaxConnectionsPerServer"), ValueState::NotApplicable);
    EXPECT_EQ(states.at(R"(system\Currentcontrolset\services\Services\Tcpip\Parameters|TcpWindowSize)"),
              ValueState::KeyMissing);
    EXPECT_TRUE(AnyRefused(report));
    // The system account's run leaves the user hive alone.
    EXPECT_EQ(reg.GetStoredValue(HKCU, kInternet, "MaxConnectionsPerServer")->data,
              (std::vector<std::uint8_t>{2, 0, 0, 0}));
    // Show listed as "will-change" exactly what the run then changed (or was refused).
    for (std::size_t i = 0; i < show.size(); ++i) {
        const bool willChange = show[i].State() == ValueState::WillChange;
        const bool changed = report[i].state == ValueState::Changed || report[i].state == ValueState::AccessRefused;
        EXPECT_EQ(willChange, changed) << show[i].plan.valueName;
    }
    for (const auto& v : report) {
        if (v.state == ValueState::AccessRefused) {
            EXPECT_EQ(v.status, registry::kErrorAccessDenied);
        }
    }
}

TEST_F(System, AfterARunEveryValueWhoseKeyExistsHoldsItsFinalState) {
    Apply(Profile{"modem", "33"});
    for (const auto& v : ReadPlannedValues(reg, optimiser::PlanRun(Profile{"modem", "33"}), Scope{})) {
        const ValueState s = v.State();
        EXPECT_TRUE(s == ValueState::AlreadySet || s == ValueState::KeyMissing) << v.plan.valueName << " " << StateName(s);
    }
}

TEST_F(System, AValueThatCannotBeReadStopsTheBackup) {
    struct Flaky : registry::MemoryRegistry {
        std::int32_t QueryValueWide(registry::KeyHandle key, std::string_view name, RawValue& value) override {
            if (name == "MaxCmds") return 1018;  // the key was deleted meanwhile
            return MemoryRegistry::QueryValueWide(key, name, value);
        }
    } flaky;
    flaky.CreateKey(HKLM, R"(SYSTEM\CurrentControlSet\Services\LanmanWorkstation\Parameters)");
    const Profile profile{"lan", "33"};
    EXPECT_THROW(TakeBackup(flaky, optimiser::PlanRun(profile), Facts(profile), target, Scope{}), BackupWriteError);
    EXPECT_TRUE(target.files.empty());
    target.fail = true;
    EXPECT_THROW(TakeBackup(reg, optimiser::PlanRun(profile), Facts(profile), target, Scope{}), BackupWriteError);
}

TEST_F(System, RestoreRefusesAFileNamingAValueOutsideTheTable) {
    auto bytes = Backup(Profile{"modem", "56"});
    BackupContents contents = ReadBackupFile(bytes);
    const std::string before = reg.Dump();
    contents.values.push_back(SavedValue{HKLM, kTcpip, "Hostname", RawValue{registry::kTypeSz, {0, 0}}});
    contents.lines.push_back(99);
    try {
        CheckAgainstTable(contents);
        FAIL() << "accepted a value outside the table";
    } catch (const BackupFormatError& e) {
        EXPECT_EQ(e.line(), 99);
        EXPECT_NE(std::string(e.what()).find("n'est pas une valeur que Kavrel LinkTune modifie"), std::string::npos);
    }
    EXPECT_EQ(reg.Dump(), before);
    EXPECT_TRUE(AddressedByTable(HKLM, R"(system\CURRENTcontrolset\services\tcpip\parameters)", "tcpwindowsize"));
    EXPECT_FALSE(AddressedByTable(HKCU, kTcpip, "TcpWindowSize"));  // right key, wrong root
    EXPECT_FALSE(AddressedByTable(HKLM, kTcpip, "TcpWindowSize2"));
    EXPECT_TRUE(AddressedByTable(HKLM, kNamespace, kNamespaceValue));
}

TEST_F(System, RestoreSkipsAKeyThatIsGoneAndNeverMakesIt) {
    const auto bytes = Backup(Profile{"modem", "56"});
    Apply(Profile{"modem", "56"});
    // The key is gone by the time of the restore.
    registry::MemoryRegistry other;
    kavrel::testing::MakeTableKeys(other, kNdis);
    const auto outcomes = Restore(other, ReadBackupFile(bytes), Scope{}, false);
    std::size_t missing = 0;
    for (const auto& o : outcomes) {
        if (o.saved.keyPath == kNdis) {
            EXPECT_EQ(o.state, ValueState::KeyMissing);
            ++missing;
        } else {
            EXPECT_EQ(o.state, o.saved.value ? ValueState::Restored : ValueState::AlreadySet) << o.saved.valueName;
            const auto now = other.GetStoredValue(o.saved.root, o.saved.keyPath, o.saved.valueName);
            ASSERT_EQ(now.has_value(), o.saved.value.has_value()) << o.saved.valueName;
            if (now) {
                EXPECT_EQ((RawValue{static_cast<std::uint32_t>(now->kind), now->data}), *o.saved.value);
            }
        }
    }
    EXPECT_EQ(missing, 2u);
    EXPECT_FALSE(other.KeyExists(HKLM, kNdis));
    EXPECT_FALSE(AnyRefused(outcomes));
}

TEST_F(System, ADryRunWritesNothingAndRefusalsAreReported) {
    const auto bytes = Backup(Profile{"lan", "64"});
    Apply(Profile{"lan", "64"});
    const std::string applied = reg.Dump();
    const BackupContents contents = ReadBackupFile(bytes);
    const auto dry = Restore(reg, contents, Scope{}, true);
    EXPECT_EQ(reg.Dump(), applied);
    std::set<std::string> states;
    for (const auto& o : dry) states.insert(StateName(o.state));
    EXPECT_EQ(states, (std::set<std::string>{"will-change", "already-set"}));

    reg.RefuseWrites(HKLM, kMstcp);
    const auto partial = Restore(reg, contents, Scope{true}, false);
    EXPECT_TRUE(AnyRefused(partial));
    for (const auto& o : partial) {
        if (o.saved.keyPath == kMstcp && o.state != ValueState::AlreadySet) {
            EXPECT_EQ(o.state, ValueState::AccessRefused) << o.saved.valueName;
        }
        if (o.saved.root == HKCU) {
            EXPECT_EQ(o.state, ValueState::NotApplicable);
        }
    }
    // Under the system account the user hive keeps what the run wrote.
    EXPECT_EQ(reg.GetStoredValue(HKCU, kInternet, "MaxConnectionsPerServer")->data,
              (std::vector<std::uint8_t>{4, 0, 0, 0}));
    EXPECT_EQ(reg.GetStoredValue(HKLM, kTcpip, "TcpWindowSize")->data, Utf16LeBytes(u"64240"));
}

TEST(BackupNames, TheLocalTimeNamesTheFileAndRepeatsCountOn) {
    const LocalTime t{2007, 3, 9, 8, 5, 1};
    EXPECT_EQ(BackupFileName(t, 1), "sauvegarde-20070309-080501.reg");
    EXPECT_EQ(BackupFileName(t, 2), "sauvegarde-20070309-080501-2.reg");
    EXPECT_EQ(BackupFileName(t, 13), "sauvegarde-20070309-080501-13.reg");
    EXPECT_EQ(DisplayTime(t), "2007-03-09 08:05:01");
}

}  // namespace
