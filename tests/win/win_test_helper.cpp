// A small console program the Windows tests start:
//   win_test_helper load [--restrict] NAME.dll...
//       with --restrict, kavrel::win32::RestrictDllSearch() first; then
//       LoadLibraryW(NAME) for each name and one line "NAME<TAB>PATH" (the
//       file it came from) or "NAME<TAB>-" (not loaded).
//   win_test_helper parent FILE
//       writes its parent's process id, in decimal, to FILE.
//   win_test_helper desktop PROGRAM PARAMETERS
//       asks the desktop's shell to start PROGRAM with PARAMETERS; prints
//       "pid N" (its own process id), then "accepted" or "refused 0xHRESULT".
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "win32/handle.h"
#include "win32/library.h"
#include "app/open_address_win32.h"

namespace {

DWORD ParentProcessId() {
    const kavrel::win32::UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) {
            parent = entry.th32ParentProcessID;
            break;
        }
    }
    return parent;
}

int Load(int argc, wchar_t** argv) {
    int first = 2;
    if (argc > 2 && std::wcscmp(argv[2], L"--restrict") == 0) {
        if (kavrel::win32::RestrictDllSearch() != kavrel::win32::DllSearch::SystemFolderOnly) {
            std::fputs("the DLL search could not be restricted\n", stderr);
            return 1;
        }
        first = 3;
    }
    for (int i = first; i < argc; ++i) {
        const HMODULE module = LoadLibraryW(argv[i]);
        wchar_t path[MAX_PATH] = L"-";
        if (module && GetModuleFileNameW(module, path, MAX_PATH) == 0) std::wcscpy(path, L"?");
        std::wprintf(L"%ls\t%ls\n", argv[i], path);
    }
    return 0;
}

int Parent(const wchar_t* file) {
    FILE* out = _wfopen(file, L"w");
    if (!out) return 1;
    std::fprintf(out, "%lu\n", static_cast<unsigned long>(ParentProcessId()));
    return std::fclose(out) == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wcscmp(argv[1], L"load") == 0) return Load(argc, argv);
    if (argc == 3 && std::wcscmp(argv[1], L"parent") == 0) return Parent(argv[2]);
    if (argc == 4 && std::wcscmp(argv[1], L"desktop") == 0) {
        std::printf("pid %lu\n", static_cast<unsigned long>(GetCurrentProcessId()));
        const long status = kavrel::app::DesktopShellExecuteStatus(argv[2], argv[3]);
        if (status == 0) std::puts("accepted");
        else std::printf("refused 0x%08lx\n", static_cast<unsigned long>(status));
        return status == 0 ? 0 : 1;
    }
    std::fputs("usage: win_test_helper load [--restrict] NAME.dll... | parent FILE | desktop PROGRAM PARAMETERS\n",
               stderr);
    return 2;
}
