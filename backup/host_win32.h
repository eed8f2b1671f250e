// What the backup needs to know of the machine and the process: the local
// time and the computer's and the user's names (the account's rights are
// win32/account.h's).
#pragma once

#include <string>
#include <string_view>

#include "backup/target.h"

namespace kavrel::backup {

LocalTime NowLocal();
std::string ComputerName();
std::string UserName();

}  // namespace kavrel::backup
