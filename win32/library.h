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

// Loads, from the system folder, the DLLs that system DLLs load by bare
// name when a program first needs them (gdi32 loads msimg32.dll the first
// time it draws a gradient or a blend; Wine's imm32 loads ole32.dll when a
// thread makes its first window, and its shell32 when it first hands out
// memory), and keeps them for the whole run.
// Such a load is not ours to make with LoadSystemLibrary, and it may search
// the program's folder even after RestrictDllSearch; once the system
// folder's copy is in the process, a load by name finds that one. Called
// right after RestrictDllSearch, before anything draws.
void PreloadSystemLibraries() noexcept;

// A function of a system DLL that the program does not import: the DLL is
// loaded from the system folder (LoadSystemLibrary) the first time and
// stays for the whole run. For the few functions of shell32, which,
// imported, would be loaded before the program's first statement with the
// DLLs it imports, from wherever the default search finds them (the
// program's folder first). Null when the DLL or the function is not there.
template <typename Fn>
Fn SystemFunction(const wchar_t* dll, const char* name) noexcept;

// A function of a DLL looked up by name, as the pointer type it has;
// null when the module or the function is not there.
template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) noexcept {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// SystemFunction's untyped lookup.
FARPROC SystemProcAddress(const wchar_t* dll, const char* name) noexcept;

template <typename Fn>
Fn SystemFunction(const wchar_t* dll, const char* name) noexcept {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemProcAddress(dll, name)));
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
