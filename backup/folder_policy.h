// Whether a backup folder may be written into by an elevated program. Any
// user may make folders under ProgramData: a folder someone else made first
// could be a junction that sends our file elsewhere, or hold a .reg file
// of theirs for an administrator to double-click.
#pragma once

#include <optional>
#include <string>

namespace kavrel::backup {

// Who owns a folder, among the owners the decision knows.
enum class FolderOwner { Administrators, LocalSystem, RunningAccount, Other, Unknown };

// What is known of a folder, read from a handle opened on the folder itself
// (a junction is opened as a junction, not followed).
struct FolderFacts {
    bool isDirectory = false;
    bool isReparsePoint = false;
    FolderOwner owner = FolderOwner::Unknown;
    // Whether the system records who owns a file. One that reports every
    // file as owned by whoever asks (its own ProgramData folder included)
    // keeps no owners, and the owner then tells nothing.
    bool ownersKept = true;
};

// Why the folder must not be used (French, for the user), or std::nullopt
// when it may. Accepted owners: the Administrators group (who owns what an
// elevated administrator makes, our own folders included) and the local
// system account. A folder owned by the running account was made by one of
// its unelevated programs, which may have planted files in it: refused,
// unless the system keeps no owners at all.
std::optional<std::string> FolderRefusal(const FolderFacts& facts);

}  // namespace kavrel::backup
