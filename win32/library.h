// Keeps an elevated program from loading a DLL that someone placed beside
// it (a Downloads folder) or in the current folder. Shared by every program
// of the product: each calls RestrictDllSearch() as the first statement of
// its entry point, and loads any DLL it needs at run time with
// LoadSystemLibrary(): no other file of the product calls LoadLibrary.
//
// Static imports are resolved by the loader before the first instruction
// runs; nothing here can protect them, which is why the programs import only
// DLLs that every Windows has among its known DLLs.
#pragma once

#include <windows.h>

#include <string>

#include "win32/handle.h"

namespace kavrel::win32 {

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

// A function of a DLL looked up by name, as the pointer type it has;
// null when the module or the function is not there.
template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) noexcept {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// Loads `name` (a bare file name such as L"oleacc.dll") from the system
// folder and nowhere else: LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32,
// or, where the system does not know that flag, by the full path of the
// system folder. Empty when the DLL is not there or `name` holds a path.
UniqueModule LoadSystemLibrary(const wchar_t* name) noexcept;

// Maps a program or DLL file as data (its resources), never as code: no
// entry point runs and nothing it imports is loaded. Empty when the file
// cannot be mapped.
UniqueModule LoadAsData(const std::wstring& path) noexcept;

}  // namespace kavrel::win32
