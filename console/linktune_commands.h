// linktune: the optimisation for scripts and fleets. show, apply, check,
// backup and restore, on whatever registry and file system the host gives,
// so that every command can be tried without touching a real system.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "backup/target.h"
#include "registry/registry.h"

namespace kavrel::console {

inline constexpr int kExitDone = 0;           // done, or compliant
inline constexpr int kExitNotCompliant = 1;   // check only
inline constexpr int kExitUsage = 2;          // bad usage or bad file
inline constexpr int kExitRefused = 3;        // some values refused (access or another registry error)
inline constexpr int kExitNeedsAdmin = 4;     // administrator rights needed and missing
inline constexpr int kExitBackupFailed = 5;   // the backup could not be written: nothing changed

// What the commands need of the system they run on.
class Host {
public:
    virtual ~Host() = default;
    virtual registry::Backend& Registry() = 0;
    // From the process token, before any write.
    virtual bool IsAdministrator() = 0;
    // Under the local system account HKEY_CURRENT_USER is the system's hive.
    virtual bool IsLocalSystem() = 0;
    virtual backup::LocalTime Now() = 0;
    virtual std::string ComputerName() = 0;
    virtual std::string UserName() = 0;
    // The program and version a backup names: "Kavrel LinkTune 2.00.0007 (linktune.exe)".
    virtual std::string ProgramName() = 0;
    // The backup folder; may throw backup::BackupWriteError.
    virtual std::unique_ptr<backup::BackupTarget> BackupFolder() = 0;
    virtual std::unique_ptr<backup::BackupTarget> BackupFileAt(const std::string& path) = 0;
    // A whole file; throws std::runtime_error with the reason, in French.
    virtual std::vector<std::uint8_t> ReadWholeFile(const std::string& path) = 0;
    virtual void Out(std::string_view utf8) = 0;
    virtual void Err(std::string_view utf8) = 0;
};

// Runs one command line (the arguments after the program's name, in UTF-8)
// and returns the exit code. Never throws.
int RunLinktune(const std::vector<std::string>& args, Host& host);

// The text of `linktune --help`.
std::string HelpText();

}  // namespace kavrel::console
