#include "win32/library.h"

#include <cwchar>
#include <string>

namespace kavrel::win32 {

namespace {

// Values from the SDK, spelt out: the program is built for Windows 7, whose
// headers may lack them.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

bool HasPathSeparator(const wchar_t* name) {
    return std::wcschr(name, L'\\') != nullptr || std::wcschr(name, L'/') != nullptr ||
           std::wcschr(name, L':') != nullptr;
}

}  // namespace

DllSearch RestrictDllSearch() noexcept {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = ProcAddress<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    if (setDefault && setDefault(kSearchSystem32)) return DllSearch::SystemFolderOnly;
    if (SetDllDirectoryW(L"")) return DllSearch::CurrentFolderRemoved;
    return DllSearch::Unchanged;
}

UniqueModule LoadSystemLibrary(const wchar_t* name) noexcept {
    if (!name || !*name || HasPathSeparator(name)) return UniqueModule();
    if (HMODULE module = LoadLibraryExW(name, nullptr, kSearchSystem32)) return UniqueModule(module);
    // Systems without the flag refuse it as an invalid parameter; any other
    // error (the DLL is not there) is the answer.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return UniqueModule();
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return UniqueModule();
    try {
        std::wstring path(folder, length);
        path += L'\\';
        path += name;
        return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    } catch (...) {
        return UniqueModule();
    }
}

UniqueModule LoadAsData(const std::wstring& path) noexcept {
    return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

}  // namespace kavrel::win32
