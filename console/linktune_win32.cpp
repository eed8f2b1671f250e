// linktune.exe: the command line program on Windows. The commands are the
// platform-neutral ones of linktune_commands.h; this file gives them the
// system registry, the process token, the backup folder, files and the
// console.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "win32/account.h"
#include "win32/library.h"
#include "backup/backup_folder_win32.h"
#include "win32/handle.h"
#include "win32/text.h"
#include "backup/host_win32.h"
#include "console/linktune_commands.h"
#include "registry/advapi32_backend_win32.h"
#include "version.h"

namespace {

using namespace kavrel;

// A backup file is a few kilobytes; anything far larger is no backup of ours.
constexpr LONGLONG kLargestBackup = 16 << 20;

// UTF-16 to a console, so that every character shows whatever its code
// page; UTF-8 to a file or a pipe, so that scripts read one encoding.
void Write(DWORD which, std::string_view utf8) {
    std::string text;
    for (char c : utf8) {
        if (c == '\n') text += '\r';
        text += c;
    }
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = win32::Widen(text);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        DWORD written = 0;
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

class WindowsHost : public console::Host {
public:
    registry::Backend& Registry() override { return registry_; }
    bool IsAdministrator() override { return win32::ProcessAccount().administrator; }
    bool IsLocalSystem() override { return win32::ProcessAccount().localSystem; }
    backup::LocalTime Now() override { return backup::NowLocal(); }
    std::string ComputerName() override { return backup::ComputerName(); }
    std::string UserName() override { return backup::UserName(); }
    std::string ProgramName() override { return std::string("Kavrel LinkTune ") + KAVREL_VERSION_TEXT + " (linktune.exe)"; }
    std::unique_ptr<backup::BackupTarget> BackupFolder() override {
        return std::make_unique<backup::BackupFolder>(backup::ProgramDataFolder());
    }
    std::unique_ptr<backup::BackupTarget> BackupFileAt(const std::string& path) override {
        return std::make_unique<backup::BackupFile>(win32::Widen(path));
    }
    std::vector<std::uint8_t> ReadWholeFile(const std::string& path) override {
        win32::UniqueFile file(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            throw std::runtime_error(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                         ? "fichier introuvable"
                                         : "erreur Windows " + std::to_string(error));
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size)) throw std::runtime_error("taille illisible");
        if (size.QuadPart > kLargestBackup) throw std::runtime_error("fichier trop gros pour être une sauvegarde");
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD read = 0;
            if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr)) {
                throw std::runtime_error("erreur Windows " + std::to_string(GetLastError()));
            }
            if (read == 0) break;
            done += read;
        }
        bytes.resize(done);
        return bytes;
    }
    void Out(std::string_view utf8) override { Write(STD_OUTPUT_HANDLE, utf8); }
    void Err(std::string_view utf8) override { Write(STD_ERROR_HANDLE, utf8); }

private:
    registry::Advapi32Backend registry_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Elevated, the program loads no library from its own folder or the
    // current one.
    kavrel::win32::RestrictDllSearch();
    kavrel::win32::PreloadSystemLibraries();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(win32::Narrow(argv[i]));
    try {
        WindowsHost host;
        return console::RunLinktune(args, host);
    } catch (...) {
        Write(STD_ERROR_HANDLE, "linktune : erreur inattendue\n");
        return console::kExitRefused;
    }
}
