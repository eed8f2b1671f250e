#include "backup/backup_folder_win32.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "win32/account.h"
#include "win32/handle.h"
#include "win32/library.h"
#include "win32/text.h"

namespace kavrel::backup {

namespace {

constexpr const wchar_t* kProgramFolder = L"Kavrel LinkTune";
constexpr const wchar_t* kBackupsFolder = L"Sauvegardes";
constexpr int kMaxAttempts = 1000;

std::string ErrorText(DWORD code) { return "erreur Windows " + std::to_string(code); }

bool SameSid(PSID sid, WELL_KNOWN_SID_TYPE type) { return sid && IsWellKnownSid(sid, type); }

// Opens a folder as itself (a junction is not followed) for reading its
// attributes and owner; others may go on reading and writing in it, but
// may not delete, rename or replace it while we hold it.
win32::UniqueFile OpenFolder(const std::wstring& path) {
    return win32::UniqueFile(CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
}

enum class NewFile { Written, Exists, Failed };

// Makes the file with CREATE_NEW and writes it whole; a file that could not
// be written whole is removed.
NewFile WriteNewFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes, DWORD& error) {
    win32::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFile::Exists : NewFile::Failed;
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        ok = WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    ok = ok && FlushFileBuffers(file.get());
    if (!ok) {
        error = GetLastError();
        file.reset();
        DeleteFileW(path.c_str());
        return NewFile::Failed;
    }
    return NewFile::Written;
}

}  // namespace

std::wstring ProgramDataFolder() {
    using GetKnownFolderPathFn = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    const auto getKnownFolderPath =
        win32::SystemFunction<GetKnownFolderPathFn>(L"shell32.dll", "SHGetKnownFolderPath");
    if (!getKnownFolderPath) throw BackupWriteError("le dossier ProgramData est introuvable");
    wchar_t* raw = nullptr;
    const HRESULT hr = getKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &raw);
    const win32::UniqueTaskString path(raw);
    if (FAILED(hr) || !path) throw BackupWriteError("le dossier ProgramData est introuvable");
    return path.get();
}

namespace {

FolderOwner OwnerOf(HANDLE handle) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    const DWORD status =
        GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &raw);
    const win32::UniqueLocal descriptor(raw);
    if (status != ERROR_SUCCESS || !owner) return FolderOwner::Unknown;
    if (SameSid(owner, WinBuiltinAdministratorsSid)) return FolderOwner::Administrators;
    if (SameSid(owner, WinLocalSystemSid)) return FolderOwner::LocalSystem;
    if (win32::IsProcessUser(owner)) return FolderOwner::RunningAccount;
    return FolderOwner::Other;
}

// The system's own ProgramData folder is never the running account's where
// the system keeps owners; where it reads as ours, every file does.
bool SystemKeepsOwners() {
    static const bool kept = [] {
        try {
            const win32::UniqueFile programData = OpenFolder(ProgramDataFolder());
            return !programData || OwnerOf(programData.get()) != FolderOwner::RunningAccount;
        } catch (const BackupWriteError&) {
            return true;
        }
    }();
    return kept;
}

}  // namespace

FolderFacts InspectFolder(const std::wstring&, void* handle) {
    FolderFacts facts;
    facts.ownersKept = SystemKeepsOwners();
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(static_cast<HANDLE>(handle), &info)) {
        facts.isDirectory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        facts.isReparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }
    facts.owner = OwnerOf(static_cast<HANDLE>(handle));
    return facts;
}

BackupFolder::BackupFolder(std::wstring base, FolderInspector inspect)
    : base_(std::move(base)), inspect_(std::move(inspect)) {}

BackupFolder::BackupFolder(std::function<std::wstring()> findBase, FolderInspector inspect)
    : findBase_(std::move(findBase)), inspect_(std::move(inspect)) {}

BackupFolder BackupFolder::InProgramData() { return BackupFolder(std::function<std::wstring()>(ProgramDataFolder)); }

const std::wstring& BackupFolder::Base() const {
    if (findBase_) {
        const auto find = std::exchange(findBase_, nullptr);
        try {
            base_ = find();
        } catch (const BackupWriteError&) {
            base_.clear();
        }
    }
    return base_;
}

std::string BackupFolder::Location() const {
    const std::wstring& base = Base();
    return win32::Narrow((base.empty() ? std::wstring(L"%ProgramData%") : base) + L"\\" + kProgramFolder + L"\\" +
                kBackupsFolder);
}

std::string BackupFolder::Store(const std::vector<std::uint8_t>& bytes, const LocalTime& when) {
    // Never a path from the root of the current drive.
    if (Base().empty()) throw BackupWriteError("le dossier ProgramData est introuvable");
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kBackupFolderSddl, SDDL_REVISION_1, &raw, nullptr)) {
        throw BackupWriteError("sécurité du dossier : " + ErrorText(GetLastError()));
    }
    const win32::UniqueLocal descriptor(raw);
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.get(), FALSE};

    std::wstring path = base_;
    std::vector<win32::UniqueFile> held;  // each folder stays as checked until the file is written
    for (const wchar_t* part : {kProgramFolder, kBackupsFolder}) {
        path += L"\\";
        path += part;
        if (!CreateDirectoryW(path.c_str(), &security) && GetLastError() != ERROR_ALREADY_EXISTS) {
            throw BackupWriteError("« " + win32::Narrow(path) + " » n'a pas pu être créé (" + ErrorText(GetLastError()) + ")");
        }
        win32::UniqueFile folder = OpenFolder(path);
        if (!folder) {
            throw BackupWriteError("« " + win32::Narrow(path) + " » n'a pas pu être ouvert (" + ErrorText(GetLastError()) + ")");
        }
        if (const auto refusal = FolderRefusal(inspect_(path, folder.get()))) {
            throw BackupWriteError("« " + win32::Narrow(path) + " » est refusé : " + *refusal);
        }
        held.push_back(std::move(folder));
    }
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        const std::wstring file = path + L"\\" + win32::Widen(BackupFileName(when, attempt));
        DWORD error = 0;
        switch (WriteNewFile(file, bytes, error)) {
            case NewFile::Written: return win32::Narrow(file);
            case NewFile::Exists: continue;
            case NewFile::Failed:
                throw BackupWriteError("« " + win32::Narrow(file) + " » n'a pas pu être écrit (" + ErrorText(error) + ")");
        }
    }
    throw BackupWriteError("trop de sauvegardes de la même seconde dans « " + win32::Narrow(path) + " »");
}

BackupFile::BackupFile(std::wstring path) : path_(std::move(path)) {}

std::string BackupFile::Location() const { return win32::Narrow(path_); }

std::string BackupFile::Store(const std::vector<std::uint8_t>& bytes, const LocalTime&) {
    DWORD error = 0;
    switch (WriteNewFile(path_, bytes, error)) {
        case NewFile::Written: {
            std::vector<wchar_t> full(MAX_PATH);
            DWORD n = GetFullPathNameW(path_.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
            if (n >= full.size()) {
                full.resize(n + 1);
                n = GetFullPathNameW(path_.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
            }
            return win32::Narrow(n ? std::wstring(full.data(), n) : path_);
        }
        case NewFile::Exists:
            throw BackupWriteError("« " + win32::Narrow(path_) + " » existe déjà : une sauvegarde n'en remplace jamais une autre");
        case NewFile::Failed: break;
    }
    throw BackupWriteError("« " + win32::Narrow(path_) + " » n'a pas pu être écrit (" + ErrorText(error) + ")");
}

}  // namespace kavrel::backup
