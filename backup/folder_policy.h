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
};

// Why the folder must not be used (French, for the user), or std::nullopt
// when it may. Accepted owners: the Administrators group, the local system
// account, and the account the program runs under (the folders it makes
// itself are owned by the Administrators group; on a system that reports
// every file as its creator's, they are the running account's).
std::optional<std::string> FolderRefusal(const FolderFacts& facts);

}  // namespace kavrel::backup
