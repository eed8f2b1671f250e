// The account the process runs as, read from its token: the rights it holds
// and whether a security identifier names it.
#pragma once

#include <windows.h>

namespace kavrel::win32 {

// What the process token says of the account.
struct AccountFacts {
    // Elevated, or a member of the Administrators group with a full token:
    // the rights that writing under HKEY_LOCAL_MACHINE needs.
    bool administrator = false;
    // The local system account, whose HKEY_CURRENT_USER is the system's own.
    bool localSystem = false;
};
// Both facts false when the token cannot be read.
AccountFacts ProcessAccount();

// Whether sid is the user the process token names; false for a null sid or
// a token that cannot be read.
bool IsProcessUser(PSID sid);

}  // namespace kavrel::win32
