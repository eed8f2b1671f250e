// Keeps an elevated program from loading a DLL that someone placed beside
// it (a Downloads folder) or in the current folder. Shared by every program
// of the product: each calls RestrictDllSearch() as the first statement of
// its entry point, and loads any DLL it needs at run time with
// LoadSystemLibrary().
//
// Static imports are resolved by the loader before the first instruction
// runs; nothing here can protect them, which is why the programs import only
// DLLs that every Windows has among its known DLLs.
#pragma once

#include <windows.h>

#include <utility>

namespace kavrel {

// What RestrictDllSearch could do on this system.
enum class DllSearch {
    // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32): every later
    // LoadLibrary, ours or a system DLL's, looks in the system folder only.
    SystemFolderOnly,
    // A Windows 7 without the update that brings SetDefaultDllDirectories:
    // SetDllDirectoryW(L"") takes the current folder out of the search; the
    // program's own folder stays in it.
    CurrentFolderRemoved,
    // Neither call succeeded.
    Unchanged,
};

// Restricts the DLL search of the whole process to the system folder. The
// function is looked up with GetProcAddress: a static import of it would
// keep the program from starting on a Windows 7 without the update.
DllSearch RestrictDllSearch() noexcept;

// A DLL loaded from the system folder, freed when the owner goes.
class SystemLibrary {
public:
    SystemLibrary() = default;
    explicit SystemLibrary(HMODULE module) : module_(module) {}
    ~SystemLibrary() {
        if (module_) FreeLibrary(module_);
    }
    SystemLibrary(SystemLibrary&& o) noexcept : module_(std::exchange(o.module_, nullptr)) {}
    SystemLibrary& operator=(SystemLibrary&& o) noexcept {
        if (this != &o) {
            if (module_) FreeLibrary(module_);
            module_ = std::exchange(o.module_, nullptr);
        }
        return *this;
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    HMODULE Get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }

private:
    HMODULE module_ = nullptr;
};

// Loads `name` (a bare file name such as L"oleacc.dll") from the system
// folder and nowhere else: LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32,
// or, where the system does not know that flag, by the full path of the
// system folder. Empty when the DLL is not there or `name` holds a path.
SystemLibrary LoadSystemLibrary(const wchar_t* name) noexcept;

}  // namespace kavrel
