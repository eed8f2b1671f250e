#include "backup/host_win32.h"

#include <windows.h>

#include <vector>

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

}  // namespace kavrel::backup
