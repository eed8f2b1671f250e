// KavrelLinkTune: start-up. The window is made from its stored description
// (a resource of the program file); from then on everything happens in
// answer to the user, on this one thread.
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "app/form1_win32.h"
#include "app/form/form_codec.h"
#include "app/host/form_window_win32.h"
#include "app/host/host_gdi_win32.h"
#include "app/host/startup_trace_win32.h"
#include "backup/backup_folder_win32.h"
#include "registry/advapi32_backend_win32.h"
#include "version.h"
#include "win32/library.h"

namespace {

std::vector<std::uint8_t> StoredDescription(HINSTANCE instance) {
    HRSRC res = FindResourceW(instance, L"FORM1", MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!res) return {};
    HGLOBAL data = LoadResource(instance, res);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(data));
    const DWORD size = SizeofResource(instance, res);
    if (!bytes) return {};
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

int Fail(const std::string& what) {
    const std::wstring text = kavrel::win32::Widen("KavrelLinkTune ne peut pas démarrer : " + what);
    MessageBoxW(nullptr, text.c_str(), L"KavrelLinkTune", MB_ICONERROR | MB_OK);
    return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Before anything can load a DLL at run time (OLE, the theme engine of
    // the first window): the system folder only.
    kavrel::win32::RestrictDllSearch();
    kavrel::win32::PreloadSystemLibraries();
    KAVREL_STARTUP_MARK("entry");
    try {
        // The window's classes first: registering them starts the display
        // driver on this thread, as any window program does. The common
        // controls are not loaded at start: every control of the window is
        // of its own classes or drawn. The about box's message box brings
        // them in (version 6, which the manifest selects) when it first
        // opens, long after the DLL search was restricted.
        kavrel::app::FormWindow::RegisterClasses(instance);
        KAVREL_STARTUP_MARK("classes");
        // No COM here: the pictures decode without it, and the accessible
        // objects and the desktop's shell start it when they are first asked
        // for (win32::ComOnThisThread), so the window's start does not pay it.
        kavrel::app::FormDescription form = kavrel::app::LoadForm1(StoredDescription(instance));
        KAVREL_STARTUP_MARK("description");
        kavrel::registry::Advapi32Backend registry;
        // Without a ProgramData folder the window still opens; "&Optimiser"
        // then says that its backup cannot be written.
        kavrel::backup::BackupFolder backups = kavrel::backup::BackupFolder::InProgramData();
        kavrel::app::Form1 procedures(registry, {backups, std::string("Kavrel LinkTune ") + KAVREL_VERSION_TEXT +
                                                              " (KavrelLinkTune.exe)"});
        kavrel::app::FormWindow window(std::move(form), instance, procedures.Events());
        procedures.Attach(window);
        KAVREL_STARTUP_MARK("procedures");
        window.Show(showCommand);
        KAVREL_STARTUP_WRITE();

        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (window.TranslateDialogMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return static_cast<int>(msg.wParam);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
