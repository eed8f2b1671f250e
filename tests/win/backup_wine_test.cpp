// The backup's Windows side under Wine: the folder made and checked, names
// that never overwrite, the user's file made new, the security the folders
// are made with, and what the process token says. Wine keeps no security
// descriptors on files, so the folder checks are also driven through the
// inspector seam.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "backup/backup_folder_win32.h"
#include "backup/host_win32.h"
#include "tests/support/temp_folder_win32.h"
#include "win32/account.h"
#include "win32/text.h"

using namespace kavrel::backup;

namespace {

// A folder of the test's own, removed with all it holds when the test ends.
class TempFolder : public kavrel::testing::TempFolder {
public:
    TempFolder() : kavrel::testing::TempFolder(L"kavrel-backup-test") {}
};

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

std::vector<std::uint8_t> Contents(const std::wstring& path) {
    std::vector<std::uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    std::uint8_t buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.insert(bytes.end(), buffer, buffer + read);
    CloseHandle(file);
    return bytes;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

const LocalTime kWhen{2024, 5, 1, 14, 3, 22};
const std::vector<std::uint8_t> kBytes{0xFF, 0xFE, 'W', 0, 'x', 0};

TEST(BackupFolderOnWine, MakesBothFoldersAndNeverWritesOverAnEarlierBackup) {
    TempFolder base;
    BackupFolder folder(base.path());
    const std::wstring backups = base.path() + L"\\Kavrel LinkTune\\Sauvegardes";
    EXPECT_EQ(folder.Location(), kavrel::win32::Narrow(backups));
    EXPECT_EQ(folder.Store(kBytes, kWhen), kavrel::win32::Narrow(backups + L"\\sauvegarde-20240501-140322.reg"));
    EXPECT_EQ(folder.Store({1, 2, 3}, kWhen), kavrel::win32::Narrow(backups + L"\\sauvegarde-20240501-140322-2.reg"));
    EXPECT_EQ(folder.Store({4}, kWhen), kavrel::win32::Narrow(backups + L"\\sauvegarde-20240501-140322-3.reg"));
    EXPECT_EQ(Contents(backups + L"\\sauvegarde-20240501-140322.reg"), kBytes);
    EXPECT_EQ(Contents(backups + L"\\sauvegarde-20240501-140322-2.reg"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(FilesIn(backups).size(), 3u);
}

TEST(BackupFolderOnWine, AFolderFoundLaterIsLookedUpOnceAtItsFirstUse) {
    TempFolder base;
    int lookups = 0;
    BackupFolder folder(std::function<std::wstring()>([&] {
        ++lookups;
        return base.path();
    }));
    EXPECT_EQ(lookups, 0);
    const std::wstring backups = base.path() + L"\\Kavrel LinkTune\\Sauvegardes";
    EXPECT_EQ(folder.Store(kBytes, kWhen), kavrel::win32::Narrow(backups + L"\\sauvegarde-20240501-140322.reg"));
    EXPECT_EQ(folder.Location(), kavrel::win32::Narrow(backups));
    EXPECT_EQ(lookups, 1);
    EXPECT_EQ(Contents(backups + L"\\sauvegarde-20240501-140322.reg"), kBytes);

    // No folder to be found: named by its variable, and nothing is written.
    BackupFolder nowhere(std::function<std::wstring()>([]() -> std::wstring { throw BackupWriteError("none"); }));
    EXPECT_EQ(nowhere.Location(), "%ProgramData%\\Kavrel LinkTune\\Sauvegardes");
    EXPECT_THROW(nowhere.Store(kBytes, kWhen), BackupWriteError);

    EXPECT_EQ(BackupFolder::InProgramData().Location(),
              kavrel::win32::Narrow(ProgramDataFolder() + L"\\Kavrel LinkTune\\Sauvegardes"));
}

TEST(BackupFolderOnWine, AFolderThatCannotBeMadeIsReportedAndNothingIsWritten) {
    TempFolder base;
    // A file holds the folder's name.
    const std::wstring blocker = base.path() + L"\\Kavrel LinkTune";
    HANDLE file = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    BackupFolder folder(base.path());
    try {
        folder.Store(kBytes, kWhen);
        FAIL() << "stored";
    } catch (const BackupWriteError& e) {
        EXPECT_NE(std::string(e.what()).find(kavrel::win32::Narrow(blocker)), std::string::npos) << e.what();
    }
    EXPECT_FALSE(IsFolder(blocker + L"\\Sauvegardes"));
    EXPECT_EQ(FilesIn(base.path()), (std::vector<std::wstring>{L"Kavrel LinkTune"}));
}

TEST(BackupFolderOnWine, AJunctionOrAForeignOwnerIsRefusedBeforeAnyFileIsMade) {
    TempFolder base;
    const std::wstring program = base.path() + L"\\Kavrel LinkTune";
    std::vector<std::wstring> inspected;
    BackupFolder junction(base.path(), [&](const std::wstring& path, void* handle) {
        inspected.push_back(path);
        FolderFacts facts = InspectFolder(path, handle);
        if (path.ends_with(L"\\Sauvegardes")) facts.isReparsePoint = true;
        return facts;
    });
    try {
        junction.Store(kBytes, kWhen);
        FAIL() << "stored into a junction";
    } catch (const BackupWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("jonction"), std::string::npos) << e.what();
    }
    EXPECT_EQ(inspected, (std::vector<std::wstring>{program, program + L"\\Sauvegardes"}));
    EXPECT_TRUE(FilesIn(program + L"\\Sauvegardes").empty());

    TempFolder other;
    BackupFolder foreign(other.path(), [](const std::wstring& path, void* handle) {
        FolderFacts facts = InspectFolder(path, handle);
        facts.owner = FolderOwner::Other;  // made first by another account
        return facts;
    });
    EXPECT_THROW(foreign.Store(kBytes, kWhen), BackupWriteError);
    EXPECT_FALSE(IsFolder(other.path() + L"\\Kavrel LinkTune\\Sauvegardes"));
}

TEST(BackupFolderOnWine, TheRealInspectorSeesTheFolderItself) {
    TempFolder base;
    const std::wstring file = base.path() + L"\\plain.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    CloseHandle(h);
    for (const auto& [path, folder] : {std::pair{base.path(), true}, std::pair{file, false}}) {
        HANDLE opened = CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        ASSERT_NE(opened, INVALID_HANDLE_VALUE);
        const FolderFacts facts = InspectFolder(path, opened);
        CloseHandle(opened);
        EXPECT_EQ(facts.isDirectory, folder);
        EXPECT_FALSE(facts.isReparsePoint);
        // Wine reports every file as owned by the account that runs it.
        EXPECT_NE(facts.owner, FolderOwner::Unknown);
        EXPECT_NE(facts.owner, FolderOwner::Other);
    }
}

TEST(BackupFolderOnWine, TheFoldersAreMadeForAdministratorsAndTheSystemWithUsersReading) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(kBackupFolderSddl, SDDL_REVISION_1, &sd, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(sd, &control, &revision);
    EXPECT_TRUE(control & SE_DACL_PROTECTED);  // nothing inherited from ProgramData
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    GetSecurityDescriptorOwner(sd, &owner, &defaulted);
    EXPECT_TRUE(IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
    BOOL present = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    ASSERT_TRUE(present && dacl);
    ASSERT_EQ(dacl->AceCount, 3);
    const struct {
        WELL_KNOWN_SID_TYPE who;
        ACCESS_MASK mask;
    } expected[] = {{WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
                    {WinLocalSystemSid, FILE_ALL_ACCESS},
                    {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_EXECUTE}};
    for (DWORD i = 0; i < 3; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
        EXPECT_EQ(ace->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE),
                  OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)
            << i;
        EXPECT_TRUE(IsWellKnownSid(&ace->SidStart, expected[i].who)) << i;
        EXPECT_EQ(ace->Mask, expected[i].mask) << i;
    }
    LocalFree(sd);
}

TEST(BackupFileOnWine, IsMadeNewAndNeverReplacesAFile) {
    TempFolder base;
    const std::wstring path = base.path() + L"\\avant.reg";
    BackupFile file(path);
    EXPECT_EQ(file.Location(), kavrel::win32::Narrow(path));
    EXPECT_EQ(file.Store(kBytes, kWhen), kavrel::win32::Narrow(path));
    EXPECT_EQ(Contents(path), kBytes);
    try {
        file.Store({9, 9}, kWhen);
        FAIL() << "replaced";
    } catch (const BackupWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("existe déjà"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Contents(path), kBytes);
    EXPECT_THROW(BackupFile(base.path() + L"\\no\\such\\folder.reg").Store(kBytes, kWhen), BackupWriteError);
}

TEST(ProcessOnWine, TheTokenAndTheNamesAreRead) {
    const kavrel::win32::AccountFacts account = kavrel::win32::ProcessAccount();
    EXPECT_TRUE(account.administrator);  // every process is elevated under Wine
    EXPECT_FALSE(account.localSystem);
    EXPECT_FALSE(ComputerName().empty());
    EXPECT_NE(UserName(), "(inconnu)");
    const LocalTime now = NowLocal();
    SYSTEMTIME t{};
    GetLocalTime(&t);
    EXPECT_EQ(now.year, t.wYear);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_EQ(kavrel::win32::Narrow(kavrel::win32::Widen("Réseau « local »")), "Réseau « local »");
    EXPECT_FALSE(ProgramDataFolder().empty());
}

// The running user's SID, found by name through the account database rather
// than through the token, is the token's user; a group's is not.
TEST(ProcessOnWine, OnlyTheTokensUserIsTheProcessUser) {
    wchar_t name[257] = {};
    DWORD nameSize = 257;
    ASSERT_TRUE(GetUserNameW(name, &nameSize));
    BYTE byName[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof byName;
    wchar_t domain[256] = {};
    DWORD domainSize = 256;
    SID_NAME_USE use{};
    ASSERT_TRUE(LookupAccountNameW(nullptr, name, byName, &sidSize, domain, &domainSize, &use)) << GetLastError();
    EXPECT_TRUE(kavrel::win32::IsProcessUser(byName));

    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD adminsSize = sizeof admins;
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize));
    EXPECT_FALSE(kavrel::win32::IsProcessUser(admins));
    EXPECT_FALSE(kavrel::win32::IsProcessUser(nullptr));
}

}  // namespace

// Wine reports every file as owned by whoever asks, its ProgramData folder
// included: the owner tells nothing there, and the folder is taken. Where
// the system keeps owners, a folder of the running account is refused.
TEST(BackupFolderOnWine, TheRunningAccountsFolderIsTakenOnlyWhereOwnersAreNotKept) {
    TempFolder base;
    std::vector<FolderFacts> seen;
    BackupFolder here(base.path(), [&](const std::wstring& path, void* handle) {
        seen.push_back(InspectFolder(path, handle));
        return seen.back();
    });
    EXPECT_NO_THROW(here.Store(kBytes, kWhen));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].owner, FolderOwner::RunningAccount);
    EXPECT_FALSE(seen[0].ownersKept);

    TempFolder strict;
    BackupFolder keeping(strict.path(), [](const std::wstring& path, void* handle) {
        FolderFacts facts = InspectFolder(path, handle);
        facts.ownersKept = true;  // as on Windows
        return facts;
    });
    try {
        keeping.Store(kBytes, kWhen);
        FAIL() << "stored into a folder of the running account";
    } catch (const BackupWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("appartient"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(FilesIn(strict.path() + L"\\Kavrel LinkTune\\Sauvegardes").empty());
}
