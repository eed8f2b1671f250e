// linktune's commands on an in-memory system: usage errors that touch
// nothing, the exit codes, the rights and backup checks before any write,
// show/apply/check agreeing with each other, restore refusing bad files,
// and the system account's rule for HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <map>

#include "base/text.h"
#include "backup/reg_file.h"
#include "console/linktune_commands.h"
#include "optimiser/tweak_table.h"
#include "registry/memory_registry.h"
#include "tests/support/table_keys.h"

using namespace kavrel;
using namespace kavrel::console;

namespace {

constexpr std::uint32_t HKLM = registry::kHkeyLocalMachine;
constexpr std::uint32_t HKCU = registry::kHkeyCurrentUser;
constexpr const char* kTcpip = R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)";
constexpr const char* kInternet = R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)";
constexpr const char* kNdis = R"(System\CurrentControlSet\Services\VxD\NDIS)";

using Files = std::map<std::string, std::vector<std::uint8_t>>;

// Files kept in the host's map, made new only.
class MapTarget : public backup::BackupTarget {
public:
    MapTarget(Files& files, std::string path, bool folder) : files_(files), path_(std::move(path)), folder_(folder) {}
    std::string Store(const std::vector<std::uint8_t>& bytes, const backup::LocalTime& when) override {
        for (int attempt = 1;; ++attempt) {
            const std::string path = folder_ ? path_ + "\\" + backup::BackupFileName(when, attempt) : path_;
            if (files_.count(path)) {
                if (folder_) continue;
                throw backup::BackupWriteError("« " + path + " » existe déjà");
            }
            files_[path] = bytes;
            return path;
        }
    }
    std::string Location() const override { return path_; }

private:
    Files& files_;
    std::string path_;
    bool folder_;
};

class FakeHost : public Host {
public:
    registry::Backend& Registry() override { return reg; }
    bool IsAdministrator() override { return administrator; }
    bool IsLocalSystem() override { return localSystem; }
    backup::LocalTime Now() override { return {2024, 5, 1, 14, 3, 22}; }
    std::string ComputerName() override { return "POSTE-1"; }
    std::string UserName() override { return "alice"; }
    std::string ProgramName() override { return "Kavrel LinkTune 2.00.0007 (tests)"; }
    std::unique_ptr<backup::BackupTarget> BackupFolder() override {
        if (folderFails) throw backup::BackupWriteError("« C:\\ProgramData\\Kavrel LinkTune » est refusé");
        return std::make_unique<MapTarget>(files, kFolder, true);
    }
    std::unique_ptr<backup::BackupTarget> BackupFileAt(const std::string& path) override {
        return std::make_unique<MapTarget>(files, path, false);
    }
    std::vector<std::uint8_t> ReadWholeFile(const std::string& path) override {
        const auto it = files.find(path);
        if (it == files.end()) throw std::runtime_error("fichier introuvable");
        return it->second;
    }
    void Out(std::string_view s) override { out += s; }
    void Err(std::string_view s) override { err += s; }

    static constexpr const char* kFolder = R"(C:\ProgramData\Kavrel LinkTune\Sauvegardes)";
    registry::MemoryRegistry reg;
    Files files;
    bool administrator = true;
    bool localSystem = false;
    bool folderFails = false;
    std::string out, err;
};

class Linktune : public ::testing::Test {
protected:
    void SetUp() override {
        kavrel::testing::MakeTableKeys(host.reg);
        host.reg.PutValue(HKLM, kTcpip, "TcpWindowSize", {registry::kTypeDword, {0, 0x20, 0, 0}});
        host.reg.PutValue(HKCU, kInternet, "MaxConnectionsPerServer", {registry::kTypeDword, {2, 0, 0, 0}});
    }
    int Run(std::vector<std::string> args) {
        host.out.clear();
        host.err.clear();
        return RunLinktune(args, host);
    }
    static std::size_t Count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
    FakeHost host;
};

TEST_F(Linktune, HelpListsTheCommandsAndExitCodes) {
    EXPECT_EQ(Run({"--help"}), kExitDone);
    for (const char* line : {"linktune show TYPE DÉBIT [--json]", "linktune apply TYPE DÉBIT [--backup FICHIER | --no-backup]",
                             "linktune check TYPE DÉBIT", "linktune backup TYPE DÉBIT FICHIER",
                             "linktune restore FICHIER [--dry-run]", "  0  fait, ou conforme",
                             "  1  non conforme (check seulement)", "  2  mauvaise utilisation",
                             "  3  des valeurs ont été refusées", "  4  droits d'administrateur nécessaires",
                             "  5  la sauvegarde n'a pas pu être écrite (rien n'a été modifié)"}) {
        EXPECT_NE(host.out.find(line), std::string::npos) << line;
    }
    EXPECT_TRUE(host.err.empty());
}

TEST_F(Linktune, BadUsageExitsWithTwoAndTouchesNothing) {
    const std::string before = host.reg.Dump();
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"optimise", "adsl", "1024"},
        {"apply", "cable", "1024"},
        {"apply", "adsl", "2048"},
        {"apply", "adsl"},
        {"apply", "adsl", "1024", "extra"},
        {"apply", "adsl", "1024", "--backup"},
        {"apply", "adsl", "1024", "--backup", "a.reg", "--no-backup"},
        {"apply", "adsl", "1024", "--dry-run"},
        {"apply", "adsl", "1024", "--json", "--json"},
        {"apply", "adsl", "1024", "--force"},
        {"show", "adsl", "1024", "--no-backup"},
        {"backup", "adsl", "1024"},
        {"backup", "adsl", "1024", "b.reg", "--json"},
        {"restore"},
        {"restore", "a.reg", "b.reg"},
    };
    for (const auto& args : bad) {
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(Run(args), kExitUsage) << line;
        EXPECT_EQ(host.err.rfind("linktune", 0), 0u) << line << ": " << host.err;
    }
    EXPECT_EQ(host.reg.Dump(), before);
    EXPECT_TRUE(host.files.empty());
    Run({"apply", "cable", "1024"});
    EXPECT_EQ(host.err, "linktune apply : type de connexion inconnu « cable » (lan, modem ou adsl)\n");
}

TEST_F(Linktune, ShowListsEveryPlannedValueAndChangesNothing) {
    const std::string before = host.reg.Dump();
    EXPECT_EQ(Run({"show", "modem", "56"}), kExitDone);
    EXPECT_EQ(host.reg.Dump(), before);
    EXPECT_EQ(host.out.rfind("Profil : modem 56\n", 0), 0u);
    EXPECT_NE(host.out.find("will-change     HKLM\\system\\currentcontrolset\\services\\Tcpip\\Parameters "
                            "« TcpWindowSize » : REG_DWORD 8192 -> REG_DWORD 4096\n"),
              std::string::npos)
        << host.out;
    EXPECT_NE(host.out.find("« {D6277990-4C6A-11CF-8D87-00AA0060F5BF} » : (absente) -> (absente)"), std::string::npos);
    EXPECT_NE(host.out.find("Résumé : 46 valeurs dont "), std::string::npos);

    EXPECT_EQ(Run({"show", "modem", "56", "--json"}), kExitDone);
    EXPECT_EQ(host.out.rfind("{\"profile\": {\"type\": \"modem\", \"speed\": 56}, \"values\": [\n", 0), 0u);
    EXPECT_EQ(Count(host.out, "{\"root\": "), 46u);
    EXPECT_NE(host.out.find("{\"root\": \"HKLM\", \"key\": \"system\\\\currentcontrolset\\\\services\\\\Tcpip\\\\"
                            "Parameters\", \"name\": \"TcpWindowSize\", \"state\": \"will-change\", \"current\": "
                            "{\"type\": \"REG_DWORD\", \"number\": 8192}, \"after\": {\"type\": \"REG_DWORD\", "
                            "\"number\": 4096}}"),
              std::string::npos);
    EXPECT_NE(host.out.find("\"after\": {\"type\": \"REG_SZ\", \"text\": \"True\"}"), std::string::npos);
    EXPECT_TRUE(host.out.ends_with("\n], \"exit\": 0}\n")) << host.out.substr(host.out.size() - 20);
}

TEST_F(Linktune, CheckFailsBeforeAndPassesAfterAnApply) {
    EXPECT_EQ(Run({"check", "adsl", "1024"}), kExitNotCompliant);
    EXPECT_EQ(Run({"apply", "adsl", "1024"}), kExitDone) << host.err;
    EXPECT_EQ(Run({"check", "adsl", "1024"}), kExitDone) << host.out;
    EXPECT_EQ(Run({"check", "adsl", "1024", "--json"}), kExitDone);
    EXPECT_EQ(Count(host.out, "\"state\": \"will-change\""), 0u);
    EXPECT_NE(host.out.find("\"state\": \"key-missing\""), std::string::npos);  // services\Services: no failure
    // Another profile's window size does not hold.
    EXPECT_EQ(Run({"check", "adsl", "512"}), kExitNotCompliant);
    // A value that cannot be read does not hold either.
    host.reg.RefuseAccess(HKLM, kNdis);
    EXPECT_EQ(Run({"check", "adsl", "1024", "--json"}), kExitNotCompliant);
    EXPECT_EQ(Count(host.out, "\"state\": \"access-refused\""), 2u);
}

TEST_F(Linktune, ShowListsWhatApplyThenChanges) {
    Run({"show", "lan", "33", "--json"});
    const std::string show = host.out;
    EXPECT_EQ(Run({"apply", "lan", "33", "--json"}), kExitDone);
    const std::string apply = host.out;
    EXPECT_EQ(Count(show, "\"state\": \"will-change\""), Count(apply, "\"state\": \"changed\""));
    EXPECT_EQ(Count(show, "\"state\": \"already-set\""), Count(apply, "\"state\": \"already-set\""));
    EXPECT_EQ(Count(show, "\"state\": \"key-missing\""), Count(apply, "\"state\": \"key-missing\""));
    EXPECT_GT(Count(apply, "\"state\": \"changed\""), 30u);
}

TEST_F(Linktune, ApplyNeedsTheRightsBeforeAnything) {
    host.administrator = false;
    const std::string before = host.reg.Dump();
    EXPECT_EQ(Run({"apply", "modem", "56"}), kExitNeedsAdmin);
    EXPECT_NE(host.err.find("droits d'administrateur"), std::string::npos);
    EXPECT_EQ(host.reg.Dump(), before);
    EXPECT_TRUE(host.files.empty());
    EXPECT_EQ(Run({"apply", "modem", "56", "--json"}), kExitNeedsAdmin);
    EXPECT_NE(host.out.find("\"exit\": 4}"), std::string::npos);
    // Reading needs no rights.
    EXPECT_EQ(Run({"show", "modem", "56"}), kExitDone);
    EXPECT_EQ(Run({"backup", "modem", "56", "b.reg"}), kExitDone);
}

TEST_F(Linktune, ApplyWritesNothingWhenItsBackupCannotBeWritten) {
    const std::string before = host.reg.Dump();
    host.folderFails = true;
    EXPECT_EQ(Run({"apply", "modem", "56"}), kExitBackupFailed);
    EXPECT_NE(host.err.find("Aucun réglage n'a été modifié."), std::string::npos) << host.err;
    host.folderFails = false;
    host.files["avant.reg"] = {1, 2, 3};
    EXPECT_EQ(Run({"apply", "modem", "56", "--backup", "avant.reg", "--json"}), kExitBackupFailed);
    EXPECT_NE(host.err.find("dans « avant.reg »"), std::string::npos) << host.err;
    EXPECT_NE(host.out.find("\"exit\": 5}"), std::string::npos);
    EXPECT_EQ(host.files["avant.reg"], (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(host.reg.Dump(), before);
}

TEST_F(Linktune, ApplyBacksUpToTheFolderOrTheFileOrNotAtAll) {
    EXPECT_EQ(Run({"apply", "modem", "56"}), kExitDone);
    const std::string folderFile = std::string(FakeHost::kFolder) + "\\sauvegarde-20240501-140322.reg";
    ASSERT_EQ(host.files.count(folderFile), 1u);
    EXPECT_NE(host.out.find("Sauvegarde : " + folderFile + "\n"), std::string::npos);
    EXPECT_EQ(backup::ReadBackupFile(host.files[folderFile]).values.size(), 46u);

    EXPECT_EQ(Run({"apply", "modem", "56", "--json"}), kExitDone);
    EXPECT_NE(host.out.find("\"backup\": \"C:\\\\ProgramData\\\\Kavrel LinkTune\\\\Sauvegardes\\\\sauvegarde-"
                            "20240501-140322-2.reg\""),
              std::string::npos);
    EXPECT_EQ(Run({"apply", "adsl", "64", "--backup", "D:\\avant.reg"}), kExitDone);
    EXPECT_EQ(host.files.count("D:\\avant.reg"), 1u);
    const std::size_t files = host.files.size();
    EXPECT_EQ(Run({"apply", "lan", "64", "--no-backup", "--json"}), kExitDone);
    EXPECT_EQ(host.files.size(), files);
    EXPECT_NE(host.out.find("\"backup\": null"), std::string::npos);
}

TEST_F(Linktune, ApplyExitsWithThreeWhenValuesAreRefused) {
    host.reg.RefuseWrites(HKLM, kNdis);
    EXPECT_EQ(Run({"apply", "adsl", "1024"}), kExitRefused);
    EXPECT_EQ(Count(host.out, "access-refused  HKLM\\System\\CurrentControlSet\\Services\\VxD\\NDIS"), 2u) << host.out;
    EXPECT_EQ(Run({"check", "adsl", "1024"}), kExitNotCompliant);
}

TEST_F(Linktune, RestoreBringsTheRegistryBackAndTwiceIsOnce) {
    const std::string before = host.reg.Dump();
    EXPECT_EQ(Run({"backup", "adsl", "512", "b.reg"}), kExitDone);
    EXPECT_NE(host.out.find("Sauvegarde écrite : b.reg (44 valeurs, profil adsl 512)"), std::string::npos) << host.out;
    EXPECT_EQ(Run({"backup", "adsl", "512", "b.reg"}), kExitBackupFailed);  // never over a file
    EXPECT_EQ(Run({"apply", "adsl", "512", "--no-backup"}), kExitDone);
    EXPECT_NE(host.reg.Dump(), before);

    EXPECT_EQ(Run({"restore", "b.reg", "--dry-run"}), kExitDone);
    EXPECT_NE(host.reg.Dump(), before);
    EXPECT_NE(host.out.find("will-change"), std::string::npos);
    EXPECT_EQ(Run({"restore", "b.reg", "--json"}), kExitDone);
    EXPECT_EQ(host.reg.Dump(), before);
    EXPECT_EQ(host.out.rfind("{\"profile\": {\"type\": \"adsl\", \"speed\": 512}", 0), 0u);
    EXPECT_GT(Count(host.out, "\"state\": \"restored\""), 30u);
    EXPECT_EQ(Run({"restore", "b.reg", "--json"}), kExitDone);
    EXPECT_EQ(Count(host.out, "\"state\": \"already-set\""), 44u);  // 52 planned, 8 without their key
    EXPECT_EQ(host.reg.Dump(), before);
}

TEST_F(Linktune, RestoreRefusesABadFileWithItsLineAndWritesNothing) {
    Run({"backup", "modem", "56", "b.reg"});
    Run({"apply", "modem", "56", "--no-backup"});
    const std::string applied = host.reg.Dump();
    auto cut = host.files["b.reg"];
    cut.resize(cut.size() / 2);
    host.files["cut.reg"] = cut;
    EXPECT_EQ(Run({"restore", "cut.reg"}), kExitUsage);
    EXPECT_NE(host.err.find("linktune restore : cut.reg, ligne "), std::string::npos) << host.err;
    EXPECT_NE(host.err.find("Rien n'a été écrit."), std::string::npos) << host.err;

    // A value the table does not address, in an otherwise good file.
    backup::BackupDocument doc;
    doc.body.emplace_back(backup::SavedValue{HKLM, kTcpip, "TcpWindowSize", std::nullopt});
    doc.body.emplace_back(backup::SavedValue{HKLM, R"(SYSTEM\CurrentControlSet\Services\Tcpip)", "Start",
                                             registry::RawValue{4, {4, 0, 0, 0}}});
    host.files["other.reg"] = backup::WriteBackupFile(doc);
    EXPECT_EQ(Run({"restore", "other.reg", "--json"}), kExitUsage);
    EXPECT_NE(host.err.find("other.reg, ligne 8 : HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip, "
                            "« Start » n'est pas une valeur que Kavrel LinkTune modifie"),
              std::string::npos)
        << host.err;
    EXPECT_NE(host.out.find("\"exit\": 2}"), std::string::npos);
    EXPECT_EQ(Run({"restore", "nowhere.reg"}), kExitUsage);
    EXPECT_NE(host.err.find("« nowhere.reg » n'a pas pu être lu : fichier introuvable"), std::string::npos);
    EXPECT_EQ(host.reg.Dump(), applied);
}

TEST_F(Linktune, RestoreUnderHkeyLocalMachineNeedsTheRights) {
    Run({"backup", "modem", "56", "b.reg"});
    Run({"apply", "modem", "56", "--no-backup"});
    const std::string applied = host.reg.Dump();
    host.administrator = false;
    EXPECT_EQ(Run({"restore", "b.reg"}), kExitNeedsAdmin);
    EXPECT_EQ(host.reg.Dump(), applied);
    EXPECT_EQ(Run({"restore", "b.reg", "--dry-run"}), kExitDone);
    // A file of the user's own hive only needs no rights.
    backup::BackupDocument doc;
    doc.body.emplace_back(backup::SavedValue{HKCU, kInternet, "MaxConnectionsPerServer",
                                             registry::RawValue{4, {2, 0, 0, 0}}});
    host.files["hkcu.reg"] = backup::WriteBackupFile(doc);
    EXPECT_EQ(Run({"restore", "hkcu.reg"}), kExitDone) << host.err;
    EXPECT_EQ(host.reg.GetStoredValue(HKCU, kInternet, "MaxConnectionsPerServer")->data,
              (std::vector<std::uint8_t>{2, 0, 0, 0}));
}

TEST_F(Linktune, UnderTheSystemAccountTheUserHiveIsLeftAlone) {
    host.localSystem = true;
    EXPECT_EQ(Run({"apply", "modem", "56", "--json"}), kExitDone);
    EXPECT_EQ(Count(host.out, "\"state\": \"not-applicable\""), 2u);
    EXPECT_NE(host.out.find("{\"root\": \"HKCU\", \"key\": \"Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\"
                            "Internet Settings\", \"name\": \"MaxConnectionsPerServer\", \"state\": "
                            "\"not-applicable\", \"current\": null, \"after\": null}"),
              std::string::npos)
        << host.out;
    EXPECT_EQ(host.reg.GetStoredValue(HKCU, kInternet, "MaxConnectionsPerServer")->data,
              (std::vector<std::uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(Run({"check", "modem", "56"}), kExitDone);  // HKCU differs, and does not count
    EXPECT_NE(host.out.find("Compte système local"), std::string::npos);
    const auto& backup = host.files.begin()->second;
    for (const auto& v : backup::ReadBackupFile(backup).values) EXPECT_EQ(v.root, HKLM);
    host.localSystem = false;
    EXPECT_EQ(Run({"check", "modem", "56"}), kExitNotCompliant);
}

}  // namespace
