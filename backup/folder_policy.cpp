#include "backup/folder_policy.h"

namespace kavrel::backup {

std::optional<std::string> FolderRefusal(const FolderFacts& facts) {
    if (facts.isReparsePoint) return "le dossier est une jonction ou un lien symbolique";
    if (!facts.isDirectory) return "ce n'est pas un dossier";
    switch (facts.owner) {
        case FolderOwner::Administrators:
        case FolderOwner::LocalSystem: return std::nullopt;
        case FolderOwner::RunningAccount:
            if (!facts.ownersKept) return std::nullopt;
            [[fallthrough]];
        case FolderOwner::Other: return "le dossier appartient à un autre compte que les administrateurs ou SYSTEM";
        case FolderOwner::Unknown: return "le propriétaire du dossier n'a pas pu être lu";
    }
    return "propriétaire inconnu";
}

}  // namespace kavrel::backup
