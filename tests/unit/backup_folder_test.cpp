// Which backup folders an elevated program may write into: never a junction
// or a link, never a folder another account owns.
#include <gtest/gtest.h>

#include "backup/folder_policy.h"

using namespace kavrel::backup;

namespace {

TEST(BackupFolderPolicy, AcceptsOnlyRealFoldersOfTheAdministratorsOrTheSystem) {
    for (FolderOwner owner : {FolderOwner::Administrators, FolderOwner::LocalSystem}) {
        EXPECT_EQ(FolderRefusal(FolderFacts{true, false, owner}), std::nullopt) << static_cast<int>(owner);
        // A junction is refused whoever made it: it may lead anywhere.
        EXPECT_EQ(FolderRefusal(FolderFacts{true, true, owner}),
                  std::optional<std::string>("le dossier est une jonction ou un lien symbolique"));
        EXPECT_EQ(FolderRefusal(FolderFacts{false, false, owner}),
                  std::optional<std::string>("ce n'est pas un dossier"));
    }
    EXPECT_EQ(FolderRefusal(FolderFacts{true, false, FolderOwner::Other}),
              std::optional<std::string>("le dossier appartient à un autre compte que les administrateurs ou SYSTEM"));
    EXPECT_EQ(FolderRefusal(FolderFacts{true, false, FolderOwner::Unknown}),
              std::optional<std::string>("le propriétaire du dossier n'a pas pu être lu"));
    EXPECT_TRUE(FolderRefusal(FolderFacts{}));  // nothing known: refused
}

TEST(BackupFolderPolicy, TheRunningAccountsFolderIsRefusedWhereTheSystemKeepsOwners) {
    // Made by an unelevated program of the same account: it may hold files
    // planted for an administrator to double-click.
    EXPECT_EQ(FolderRefusal(FolderFacts{true, false, FolderOwner::RunningAccount, true}),
              std::optional<std::string>("le dossier appartient à un autre compte que les administrateurs ou SYSTEM"));
    // A system that reports every file as its reader's tells nothing by the
    // owner; junctions and files are still refused there.
    EXPECT_EQ(FolderRefusal(FolderFacts{true, false, FolderOwner::RunningAccount, false}), std::nullopt);
    EXPECT_TRUE(FolderRefusal(FolderFacts{true, true, FolderOwner::RunningAccount, false}));
    EXPECT_TRUE(FolderRefusal(FolderFacts{true, false, FolderOwner::Other, false}));
}

}  // namespace
