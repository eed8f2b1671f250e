// Where backups are written on Windows: the program's own folder under
// ProgramData, made and checked so that no other account can have prepared
// it, or a file named on the command line.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "backup/folder_policy.h"
#include "backup/target.h"

namespace kavrel::backup {

// The security descriptor of the folders we make: owner the Administrators
// group; Administrators and SYSTEM in full control, Users may read and list;
// nothing inherited from ProgramData, which lets every user add files.
inline constexpr const wchar_t* kBackupFolderSddl =
    L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

// The folder for shared application data (FOLDERID_ProgramData).
// Throws BackupWriteError when the system names none.
std::wstring ProgramDataFolder();

// What a folder is, read through a handle opened on the folder itself.
using FolderInspector = std::function<FolderFacts(const std::wstring& path, void* handle)>;
FolderFacts InspectFolder(const std::wstring& path, void* handle);

// BASE\Kavrel LinkTune\Sauvegardes\sauvegarde-AAAAMMJJ-HHMMSS.reg (then
// -2, -3, ...): both folders are made with kBackupFolderSddl when missing,
// and refused (BackupWriteError) when FolderRefusal refuses them; they are
// held open, without leave to delete or rename them, until the file is
// written. The file is made with CREATE_NEW and removed again if it could
// not be written whole.
class BackupFolder : public BackupTarget {
public:
    explicit BackupFolder(std::wstring base, FolderInspector inspect = InspectFolder);
    // BASE found by findBase at the first Store or Location, once; a
    // BackupWriteError from it leaves no BASE (Store then refuses).
    explicit BackupFolder(std::function<std::wstring()> findBase, FolderInspector inspect = InspectFolder);
    // In ProgramDataFolder(), looked up when first needed: looking it up
    // loads the shell, which a window's start can do without.
    static BackupFolder InProgramData();
    std::string Store(const std::vector<std::uint8_t>& bytes, const LocalTime& when) override;
    std::string Location() const override;  // the full path of "Sauvegardes"

private:
    const std::wstring& Base() const;

    mutable std::function<std::wstring()> findBase_;
    mutable std::wstring base_;
    FolderInspector inspect_;
};

// A file named by the user: made with CREATE_NEW (an existing file is never
// replaced), written whole or removed.
class BackupFile : public BackupTarget {
public:
    explicit BackupFile(std::wstring path);
    std::string Store(const std::vector<std::uint8_t>& bytes, const LocalTime& when) override;
    std::string Location() const override;

private:
    std::wstring path_;
};

}  // namespace kavrel::backup
