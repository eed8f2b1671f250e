#include "win32/account.h"

#include <vector>

#include "win32/handle.h"

namespace kavrel::win32 {

namespace {

UniqueKernelHandle OpenOwnToken() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    return UniqueKernelHandle(raw);
}

// The token's TOKEN_USER, whose SID points into the same bytes; empty when
// it cannot be read.
std::vector<BYTE> TokenUserBytes(HANDLE token) {
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER)) return {};
    std::vector<BYTE> user(size);
    if (!GetTokenInformation(token, TokenUser, user.data(), size, &size)) return {};
    return user;
}

PSID UserSid(std::vector<BYTE>& user) {
    return user.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
}

}  // namespace

AccountFacts ProcessAccount() {
    AccountFacts facts;
    const UniqueKernelHandle token = OpenOwnToken();
    if (!token) return facts;

    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated =
        GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated;
    // A filtered token lists the Administrators group for denying only; a
    // full one (no user account control) lists it enabled.
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD adminsSize = sizeof admins;
    BOOL member = FALSE;
    if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize)) {
        CheckTokenMembership(nullptr, admins, &member);
    }
    facts.administrator = elevated || member;

    std::vector<BYTE> user = TokenUserBytes(token.get());
    const PSID sid = UserSid(user);
    facts.localSystem = sid && IsWellKnownSid(sid, WinLocalSystemSid);
    return facts;
}

bool IsProcessUser(PSID sid) {
    if (!sid) return false;
    const UniqueKernelHandle token = OpenOwnToken();
    if (!token) return false;
    std::vector<BYTE> user = TokenUserBytes(token.get());
    const PSID own = UserSid(user);
    return own && EqualSid(own, sid) != FALSE;
}

}  // namespace kavrel::win32
