// What the backup needs to know of the machine and the process: the local
// time, the computer's and the user's names, and the account's rights.
#pragma once

#include <string>
#include <string_view>

#include "backup/target.h"

namespace kavrel::backup {

LocalTime NowLocal();
std::string ComputerName();
std::string UserName();

// What the process token says of the account.
struct AccountFacts {
    // Elevated, or a member of the Administrators group with a full token:
    // the rights that writing under HKEY_LOCAL_MACHINE needs.
    bool administrator = false;
    // The local system account, whose HKEY_CURRENT_USER is the system's own.
    bool localSystem = false;
};
AccountFacts ProcessAccount();

}  // namespace kavrel::backup
