#include "backup/host_win32.h"

#include <windows.h>

#include <vector>

#include "win32/handle.h"
#include "win32/text.h"

namespace kavrel::backup {

LocalTime NowLocal() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::string ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) return "(inconnu)";
    return win32::Narrow(std::wstring_view(name, size));
}

std::string UserName() {
    std::vector<wchar_t> name(257);
    DWORD size = static_cast<DWORD>(name.size());
    if (!GetUserNameW(name.data(), &size) || size == 0) return "(inconnu)";
    return win32::Narrow(std::wstring_view(name.data(), size - 1));  // size counts the NUL
}

AccountFacts ProcessAccount() {
    AccountFacts facts;
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return facts;
    const win32::UniqueKernelHandle token(raw);

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

    std::vector<BYTE> user(256);
    if (!GetTokenInformation(token.get(), TokenUser, user.data(), static_cast<DWORD>(user.size()), &size)) {
        user.resize(size);
        if (!GetTokenInformation(token.get(), TokenUser, user.data(), static_cast<DWORD>(user.size()), &size)) {
            return facts;
        }
    }
    facts.localSystem = IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, WinLocalSystemSid);
    return facts;
}

}  // namespace kavrel::backup
