/* A program that loads DLLs the way any program does: LoadLibraryW(NAME)
   with the default search, which looks in the program's own folder first.
   The planting test puts it beside the planted copies to show that the
   folder is a place a DLL is taken from.

     plain_loader NAME.dll...

   prints one line per name: "NAME<TAB>PATH" (the file it came from) or
   "NAME<TAB>-" (not loaded), with "<TAB>already" added when the process had
   a module of that name before the call (a static import of the program or
   of a system DLL, which a LoadLibrary cannot bring in again).

   It imports kernel32 alone and has no C runtime, so that the fewest DLLs
   are in the process before the loads it is asked for. */
#include <windows.h>

static void Write(HANDLE out, const WCHAR* text) {
    char bytes[4 * MAX_PATH];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL);
    DWORD written;
    if (n > 1) WriteFile(out, bytes, (DWORD)(n - 1), &written, NULL);
}

/* The next space-separated word of a command line (names hold no spaces
   and no quotes); null at the end. */
static WCHAR* NextWord(WCHAR** cursor) {
    WCHAR* p = *cursor;
    while (*p == L' ' || *p == L'\t') ++p;
    if (!*p) return NULL;
    WCHAR* word = p;
    while (*p && *p != L' ' && *p != L'\t') ++p;
    if (*p) *p++ = 0;
    *cursor = p;
    return word;
}

void Start(void) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    WCHAR* cursor = GetCommandLineW();
    /* The program's own name, quoted or not. */
    if (*cursor == L'"') {
        ++cursor;
        while (*cursor && *cursor != L'"') ++cursor;
        if (*cursor) ++cursor;
    } else {
        NextWord(&cursor);
    }
    for (WCHAR* name = NextWord(&cursor); name; name = NextWord(&cursor)) {
        BOOL already = GetModuleHandleW(name) != NULL;
        HMODULE module = LoadLibraryW(name);
        WCHAR path[MAX_PATH + 1];
        if (!module) lstrcpyW(path, L"-");
        else if (GetModuleFileNameW(module, path, MAX_PATH) == 0) lstrcpyW(path, L"?");
        Write(out, name);
        Write(out, L"\t");
        Write(out, path);
        Write(out, already ? L"\talready\n" : L"\n");
    }
    ExitProcess(0);
}
