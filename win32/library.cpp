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

// Loads a system DLL for the rest of the run: pinned, the module stays
// until the process ends whoever frees it, so our reference can go with
// its owner. Null when the DLL is not in the system folder.
HMODULE LoadPinned(const wchar_t* name) {
    const UniqueModule module = LoadSystemLibrary(name);
    if (!module) return nullptr;
    HMODULE pinned = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<const wchar_t*>(module.get()), &pinned)) {
        return nullptr;
    }
    return pinned;
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

void PreloadSystemLibraries() noexcept {
    static constexpr const wchar_t* kLoadedByName[] = {
        L"msimg32.dll",  // gdi32: GradientFill, AlphaBlend, TransparentBlt
        L"ole32.dll",    // Wine's imm32 (each thread's first window) and shell32
    };
    for (const wchar_t* name : kLoadedByName) LoadPinned(name);
}

FARPROC SystemProcAddress(const wchar_t* dll, const char* name) noexcept {
    const HMODULE module = LoadPinned(dll);
    return module && name ? GetProcAddress(module, name) : nullptr;
}

UniqueModule LoadAsData(const std::wstring& path) noexcept {
    return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

}  // namespace kavrel::win32
