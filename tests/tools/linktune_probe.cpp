// linktune-probe: looks at a running KavrelLinkTune from outside, as the
// end-to-end tests and `make run` need it. Windows only.
//
//   linktune-probe wait [SECONDS]     wait until the window is shown
//   linktune-probe window             caption, styles, client size and place, enabled
//   linktune-probe controls EXE       every control of the description: screen rectangle,
//                                     centre, shown, enabled, selected (windowed controls)
//   linktune-probe dialog             the about box: title, text, icon and screen rectangle
//   linktune-probe popup              the screen rectangle of the open drop-down menu
//   linktune-probe focus EXE          the name of the control that has the keyboard focus
//   linktune-probe sync [SECONDS]     returns once the program's thread has answered a message
//   linktune-probe loaded DLL         whether the program has loaded DLL (yes or no)
//   linktune-probe accessible         what assistive technology sees of the window: one line
//                                     per object, indented by depth, with role, name, value,
//                                     states, default action and keyboard shortcut
//   linktune-probe registry           what the registry holds for every row of the table
//   linktune-probe close              asks the window to close (WM_CLOSE)
//   linktune-probe hold               keeps the session's desktop in use until killed: prints
//                                     "holding" once its thread is on the desktop
//   linktune-probe windows            where the probe runs (window station, desktop) and every
//                                     top-level window of each desktop it can open: process,
//                                     class, visible, enabled, caption (for a test's failure report)
//   linktune-probe prepare-registry   makes the keys the rows address exist (as on a system
//                                     that has them; not the "services\Services" ones, which
//                                     no system has), removes the values the rows write, and
//                                     puts back the value the delete row removes
//
// The child windows of the program carry their description's control ids;
// the description is read from the program file (EXE) to name them.
#include <windows.h>
#include <oleacc.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/form/form_codec.h"
#include "app/host/form_window_win32.h"
#include "optimiser/tweak_table.h"
#include "registry/advapi32_backend_win32.h"
#include "tests/support/registry_seeding_win32.h"
#include "tools/exe_resource_win32.h"
#include "win32/accessible.h"
#include "win32/com.h"
#include "win32/handle.h"
#include "win32/library.h"
#include "win32/text.h"

using namespace kavrel;

namespace {

constexpr wchar_t kFormClass[] = L"KavrelLinkTuneForm";

std::wstring TextOf(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

HWND MainWindow() { return FindWindowW(kFormClass, nullptr); }

// The main window, for a subcommand that needs it: without one, says so
// (the subcommand then fails).
HWND MainWindowOrSay() {
    HWND w = MainWindow();
    if (!w) std::printf("no window\n");
    return w;
}

// A window's screen rectangle as "LABEL\tx y width height".
void PrintRect(const char* label, HWND hwnd) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    std::printf("%s\t%ld %ld %ld %ld\n", label, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

UINT Dpi(HWND hwnd) {
    using Fn = UINT(WINAPI*)(HWND);
    static const auto f = win32::ProcAddress<Fn>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    return f ? f(hwnd) : 96;
}

int Wait(double seconds) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        HWND w = MainWindow();
        if (w && IsWindowVisible(w)) {
            std::printf("ready\n");
            return 0;
        }
        if (GetTickCount() > deadline) {
            std::printf("timeout\n");
            return 1;
        }
        Sleep(50);
    }
}

int Window() {
    HWND w = MainWindowOrSay();
    if (!w) return 1;
    RECT cr{};
    GetClientRect(w, &cr);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
    std::printf("caption\t%s\n", win32::Narrow(TextOf(w)).c_str());
    std::printf("dpi\t%u\n", Dpi(w));
    PrintRect("window", w);
    std::printf("client\t%ld %ld %ld %ld\n", origin.x, origin.y, cr.right, cr.bottom);
    std::printf("screen\t%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::printf("resizable\t%d\n", (style & WS_THICKFRAME) ? 1 : 0);
    std::printf("minimizebox\t%d\n", (style & WS_MINIMIZEBOX) ? 1 : 0);
    std::printf("maximizebox\t%d\n", (style & WS_MAXIMIZEBOX) ? 1 : 0);
    std::printf("sysmenu\t%d\n", (style & WS_SYSMENU) ? 1 : 0);
    std::printf("menu\t%d\n", GetMenu(w) ? 1 : 0);
    std::printf("enabled\t%d\n", IsWindowEnabled(w) ? 1 : 0);
    std::printf("visible\t%d\n", IsWindowVisible(w) ? 1 : 0);
    return 0;
}

// What the window says of a control it draws itself (ControlState bits),
// 0 when it does not answer.
LRESULT DrawnState(HWND main, int id) {
    static const UINT message = RegisterWindowMessageW(app::kControlStateMessage);
    DWORD_PTR answer = 0;
    if (!message || !SendMessageTimeoutW(main, message, static_cast<WPARAM>(id), 0, SMTO_NORMAL, 5000, &answer)) {
        return 0;
    }
    return static_cast<LRESULT>(answer);
}

// The windowed controls, by the ids the description gives them.
void CollectChildren(HWND parent, std::map<int, HWND>& out) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        out[GetDlgCtrlID(c)] = c;
        CollectChildren(c, out);
    }
}

void PrintControls(HWND main, const app::Control& container, HWND containerWnd, const std::map<int, HWND>& windows) {
    const UINT dpi = Dpi(main);
    POINT origin{0, 0};
    ClientToScreen(containerWnd, &origin);
    for (const app::Control& c : container.children) {
        auto it = windows.find(c.id);
        HWND own = it != windows.end() ? it->second : nullptr;
        RECT rc{};
        if (own) {
            GetWindowRect(own, &rc);
        } else if (c.position) {
            rc.left = origin.x + MulDiv(c.position->left, static_cast<int>(dpi), 1440);
            rc.top = origin.y + MulDiv(c.position->top, static_cast<int>(dpi), 1440);
            rc.right = rc.left + MulDiv(c.position->width, static_cast<int>(dpi), 1440);
            rc.bottom = rc.top + MulDiv(c.position->height, static_cast<int>(dpi), 1440);
        }
        std::string shown = "-", enabled = "-", selected = "-";
        const LRESULT drawn = own ? 0 : DrawnState(main, c.id);
        if (drawn && (c.kind == app::ControlKind::OptionButton || c.kind == app::ControlKind::Hosted)) {
            // An option its frame draws, a bar whose window is not made
            // yet: the window answers for it.
            shown = (drawn & app::kControlShown) ? "1" : "0";
            enabled = (drawn & app::kControlEnabled) ? "1" : "0";
            if (c.kind == app::ControlKind::OptionButton) selected = (drawn & app::kControlSelected) ? "1" : "0";
        }
        if (own) {
            shown = IsWindowVisible(own) ? "1" : "0";
            enabled = IsWindowEnabled(own) ? "1" : "0";
            if (c.kind == app::ControlKind::OptionButton) {
                selected = SendMessageW(own, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
            }
        }
        std::printf("%s\t%s\t%ld %ld %ld %ld\t%ld %ld\t%s\t%s\t%s\n", c.name.c_str(), app::KindName(c.kind), rc.left,
                    rc.top, rc.right - rc.left, rc.bottom - rc.top, (rc.left + rc.right) / 2,
                    (rc.top + rc.bottom) / 2, shown.c_str(), enabled.c_str(), selected.c_str());
        if (own && !c.children.empty()) PrintControls(main, c, own, windows);
    }
}

int Controls(const char* exe) {
    HWND w = MainWindowOrSay();
    if (!w) return 1;
    const auto form = app::DecodeForm(tools::ReadRcDataResource(exe, L"FORM1"));
    std::map<int, HWND> windows;
    CollectChildren(w, windows);
    std::printf("# name\tkind\tx y w h (screen)\tcentre\tshown\tenabled\tselected\n");
    PrintControls(w, form.window, w, windows);
    return 0;
}

int Dialog() {
    HWND w = MainWindow();
    for (HWND d = FindWindowW(L"#32770", nullptr); d; d = FindWindowExW(nullptr, d, L"#32770", nullptr)) {
        if (GetWindow(d, GW_OWNER) != w) continue;
        std::printf("title\t%s\n", win32::Narrow(TextOf(d)).c_str());
        // The message is the static control with the most text.
        std::wstring text;
        for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            wchar_t cls[32] = {};
            GetClassNameW(c, cls, 32);
            if (_wcsicmp(cls, L"Static") == 0) {
                const std::wstring t = TextOf(c);
                if (t.size() > text.size()) text = t;
            }
        }
        std::string utf8 = win32::Narrow(text);
        for (char& ch : utf8) {
            if (ch == '\r') ch = '|';  // one line per box; '|' marks a line break
        }
        std::printf("text\t%s\n", utf8.c_str());
        // The box's icon: a static control showing an icon. (Which icon it
        // is cannot be told from another process: icon handles are the
        // showing process's own.)
        bool icon = false;
        for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if ((GetWindowLongPtrW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && SendMessageW(c, STM_GETICON, 0, 0)) {
                icon = true;
            }
        }
        std::printf("icon\t%s\n", icon ? "shown" : "none");
        PrintRect("rect", d);
        return 0;
    }
    std::printf("no dialog\n");
    return 1;
}

int Popup() {
    // An open drop-down menu is a top-level window of the menu class.
    for (HWND m = FindWindowW(L"#32768", nullptr); m; m = FindWindowExW(nullptr, m, L"#32768", nullptr)) {
        if (!IsWindowVisible(m)) continue;
        PrintRect("rect", m);
        return 0;
    }
    std::printf("no menu\n");
    return 1;
}

// The focus of another process's thread: GetFocus answers for the caller's
// own thread only.
int Focus(const char* exe) {
    HWND w = MainWindowOrSay();
    if (!w) return 1;
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &gui) || !gui.hwndFocus) {
        std::printf("none\n");
        return 0;
    }
    if (gui.hwndFocus == w) {
        std::printf("window\n");
        return 0;
    }
    const int id = GetDlgCtrlID(gui.hwndFocus);
    const auto form = app::DecodeForm(tools::ReadRcDataResource(exe, L"FORM1"));
    std::vector<const app::Control*> pending{&form.window};
    while (!pending.empty()) {
        const app::Control* c = pending.back();
        pending.pop_back();
        for (const app::Control& child : c->children) {
            if (child.id == id) {
                // A frame that draws its options has the keyboard for one
                // of them.
                for (const app::Control& option : child.children) {
                    if (DrawnState(w, option.id) & app::kControlFocused) {
                        std::printf("%s\n", option.name.c_str());
                        return 0;
                    }
                }
                std::printf("%s\n", child.name.c_str());
                return 0;
            }
            pending.push_back(&child);
        }
    }
    std::printf("id %d\n", id);
    return 0;
}

// A round trip through the program's thread: SendMessage returns only once
// that thread has taken the message, that is, once it is back in its message
// loop after whatever input it was handling.
int Sync(double seconds) {
    HWND w = MainWindow();
    DWORD_PTR answer = 0;
    if (!w || !SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(seconds * 1000), &answer)) {
        std::printf("%s\n", w ? "timeout" : "no window");
        return 1;
    }
    std::printf("synced\n");
    return 0;
}

int Loaded(const char* dll) {
    HWND w = MainWindowOrSay();
    if (!w) return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    const win32::UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
    if (!snapshot) {
        std::printf("cannot list the modules\n");
        return 1;
    }
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    const std::wstring wanted(dll, dll + std::strlen(dll));
    for (BOOL more = Module32FirstW(snapshot.get(), &entry); more && !found;
         more = Module32NextW(snapshot.get(), &entry)) {
        found = _wcsicmp(entry.szModule, wanted.c_str()) == 0;
    }
    std::printf("%s\n", found ? "yes" : "no");
    return 0;
}

// ---- What assistive technology sees --------------------------------------

std::string RoleName(LONG role) {
    static const std::map<LONG, const char*> names = {
        {ROLE_SYSTEM_CLIENT, "client"},           {ROLE_SYSTEM_WINDOW, "window"},
        {ROLE_SYSTEM_GROUPING, "grouping"},       {ROLE_SYSTEM_PUSHBUTTON, "push button"},
        {ROLE_SYSTEM_PROGRESSBAR, "progress bar"}, {ROLE_SYSTEM_STATICTEXT, "static text"},
        {ROLE_SYSTEM_GRAPHIC, "graphic"},         {ROLE_SYSTEM_RADIOBUTTON, "radio button"},
        {ROLE_SYSTEM_MENUBAR, "menu bar"},        {ROLE_SYSTEM_MENUITEM, "menu item"},
    };
    auto it = names.find(role);
    return it != names.end() ? it->second : "role " + std::to_string(role);
}

std::string StateNames(LONG state) {
    static const std::pair<LONG, const char*> names[] = {
        {STATE_SYSTEM_UNAVAILABLE, "unavailable"}, {STATE_SYSTEM_FOCUSED, "focused"},
        {STATE_SYSTEM_PRESSED, "pressed"},         {STATE_SYSTEM_CHECKED, "checked"},
        {STATE_SYSTEM_READONLY, "readonly"},       {STATE_SYSTEM_INVISIBLE, "invisible"},
        {STATE_SYSTEM_FOCUSABLE, "focusable"},     {STATE_SYSTEM_DEFAULT, "default"},
    };
    std::string out;
    for (const auto& [bit, name] : names) {
        if (!(state & bit)) continue;
        out += (out.empty() ? "" : ",") + std::string(name);
        state &= ~bit;
    }
    if (state) {
        char rest[24];
        std::snprintf(rest, sizeof rest, "0x%lx", static_cast<unsigned long>(state));
        out += (out.empty() ? "" : ",") + std::string(rest);
    }
    return out.empty() ? "-" : out;
}

// One line of the tree: a string property without tabs or line breaks, or
// "-" when the object has none.
std::string Field(IAccessible* object, const VARIANT& child, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    win32::Bstr text;
    const HRESULT hr = (object->*get)(child, text.Out());
    if (FAILED(hr)) return "(error " + std::to_string(static_cast<unsigned long>(hr)) + ")";
    std::wstring w = text.Get() ? std::wstring(text.Get(), SysStringLen(text.Get())) : std::wstring();
    for (wchar_t& c : w) {
        if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    }
    return w.empty() ? "-" : win32::Narrow(w);
}

void PrintAccessible(IAccessible* object, const VARIANT& child, int depth) {
    win32::Variant role, state;
    object->get_accRole(child, role.Get());
    object->get_accState(child, state.Get());
    std::printf("%s%s\t%s\t%s\t%s\t%s\t%s\n", std::string(static_cast<std::size_t>(depth) * 2, ' ').c_str(),
                role.Holds(VT_I4) ? RoleName((*role).lVal).c_str() : "-",
                Field(object, child, &IAccessible::get_accName).c_str(),
                Field(object, child, &IAccessible::get_accValue).c_str(),
                state.Holds(VT_I4) ? StateNames((*state).lVal).c_str() : "-",
                Field(object, child, &IAccessible::get_accDefaultAction).c_str(),
                Field(object, child, &IAccessible::get_accKeyboardShortcut).c_str());
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return;
    // Children: an object of its own, or an id this object answers for.
    LONG count = 0;
    if (FAILED(object->get_accChildCount(&count))) return;
    for (LONG i = 1; i <= count; ++i) {
        win32::Variant id(static_cast<long>(i));
        win32::ComPtr<IDispatch> dispatch;
        win32::ComPtr<IAccessible> own;
        if (object->get_accChild(*id, dispatch.Out()) == S_OK && dispatch)
            dispatch->QueryInterface(win32::kIID_IAccessible, own.OutVoid());
        if (own) {
            win32::Variant self(static_cast<long>(CHILDID_SELF));
            PrintAccessible(own.Get(), *self, depth + 1);
        } else {
            PrintAccessible(object, *id, depth + 1);
        }
    }
}

int Accessible() {
    HWND w = MainWindowOrSay();
    if (!w) return 1;
    const win32::ComScope com;
    win32::ComPtr<IAccessible> object;
    const HRESULT hr =
        AccessibleObjectFromWindow(w, static_cast<DWORD>(OBJID_CLIENT), win32::kIID_IAccessible, object.OutVoid());
    if (FAILED(hr) || !object) {
        std::printf("no accessible object (0x%08lx)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    std::printf("# role\tname\tvalue\tstates\tdefault action\tkeyboard shortcut\n");
    win32::Variant self(static_cast<long>(CHILDID_SELF));
    PrintAccessible(object.Get(), *self, 0);
    return 0;
}

int Registry() {
    for (const auto& row : optimiser::kTweakTable) {
        std::string shown;
        if (!registry::KeyExists(row.root, row.keyPath)) {
            shown = "(no key)";
        } else if (auto v = registry::QueryValue(row.root, row.keyPath, row.valueName)) {
            if (v->type == REG_DWORD && v->data.size() == 4) {
                std::uint32_t n = 0;
                std::memcpy(&n, v->data.data(), 4);
                shown = "REG_DWORD " + std::to_string(static_cast<std::int32_t>(n));
            } else if (v->type == REG_SZ) {
                std::string t(v->data.begin(), v->data.end());
                const bool terminated = !t.empty() && t.back() == '\0';
                if (terminated) t.pop_back();
                shown = "REG_SZ \"" + t + "\"" + (terminated ? "" : " (no terminating NUL)");
            } else {
                shown = "type " + std::to_string(v->type) + ", " + std::to_string(v->data.size()) + " bytes";
            }
        } else {
            shown = "(no value)";
        }
        std::printf("%d\t%s\\%s\t%s\t%s\n", row.number, registry::RootName(row.root).c_str(), row.keyPath,
                    row.valueName, shown.c_str());
    }
    return 0;
}

std::string ObjectName(HANDLE object) {
    wchar_t name[256] = {};
    DWORD needed = 0;
    if (!GetUserObjectInformationW(object, UOI_NAME, name, sizeof name, &needed)) return "?";
    return win32::Narrow(name);
}

BOOL CALLBACK PrintTopLevel(HWND w, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[128] = {};
    GetClassNameW(w, cls, 128);
    std::printf("  %p\tpid %lu\t%s\tvisible %d\tenabled %d\t%s\n", static_cast<void*>(w), pid,
                win32::Narrow(cls).c_str(), IsWindowVisible(w) ? 1 : 0, IsWindowEnabled(w) ? 1 : 0,
                win32::Narrow(TextOf(w)).c_str());
    return TRUE;
}

BOOL CALLBACK PrintDesktop(LPWSTR name, LPARAM) {
    std::printf("desktop\t%s\n", win32::Narrow(name).c_str());
    if (HDESK desk = OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE)) {
        EnumDesktopWindows(desk, PrintTopLevel, 0);
        CloseDesktop(desk);
    } else {
        std::printf("  (cannot open: error %lu)\n", GetLastError());
    }
    return TRUE;
}

int Windows() {
    std::printf("probe\tpid %lu\t%s\\%s\n", GetCurrentProcessId(), ObjectName(GetProcessWindowStation()).c_str(),
                ObjectName(GetThreadDesktop(GetCurrentThreadId())).c_str());
    HWND w = MainWindow();
    std::printf("found\t%p\n", static_cast<void*>(w));
    const HWND desktop = GetDesktopWindow();
    DWORD desktopPid = 0;
    GetWindowThreadProcessId(desktop, &desktopPid);
    std::printf("desktop window\t%p\tpid %lu\n", static_cast<void*>(desktop), desktopPid);
    // The program's threads as the server knows them, whatever desktop
    // window their windows hang under: the active window of each, and its
    // parent, which is the desktop window above when all is well.
    const win32::UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD, 0));
    if (snapshot) {
        const HANDLE snap = snapshot.get();
        std::vector<DWORD> pids;
        PROCESSENTRY32W pe{};
        pe.dwSize = sizeof pe;
        for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
            if (_wcsicmp(pe.szExeFile, L"KavrelLinkTune.exe") == 0) pids.push_back(pe.th32ProcessID);
        }
        THREADENTRY32 te{};
        te.dwSize = sizeof te;
        for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) {
            bool ours = false;
            for (DWORD pid : pids) ours = ours || pid == te.th32OwnerProcessID;
            if (!ours) continue;
            GUITHREADINFO gui{};
            gui.cbSize = sizeof gui;
            if (!GetGUIThreadInfo(te.th32ThreadID, &gui)) continue;
            const HWND parent = gui.hwndActive ? GetAncestor(gui.hwndActive, GA_PARENT) : nullptr;
            std::printf("program thread\tpid %lu tid %lu\tactive %p\tits parent %p\tfocus %p\n", te.th32OwnerProcessID,
                        te.th32ThreadID, static_cast<void*>(gui.hwndActive), static_cast<void*>(parent),
                        static_cast<void*>(gui.hwndFocus));
        }
    }
    EnumDesktopsW(GetProcessWindowStation(), PrintDesktop, 0);
    return 0;
}

// Wine's server closes a desktop one second after it believes only the
// desktop's own process is left on it, and that process then quits, taking
// every window on the desktop with it: a program still running there keeps
// painting, but later processes land on a new desktop and no longer find
// it. A thread of this process waiting on the desktop keeps it in use for
// as long as a test needs it.
int Hold() {
    HWND w = CreateWindowExW(0, L"Static", L"linktune-probe hold", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (!w) {
        std::printf("cannot hold the desktop: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("holding\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

int PrepareRegistry() {
    const std::string failed = kavrel::testing::SeedTableKeys();
    if (!failed.empty()) {
        std::fprintf(stderr, "cannot create %s\n", failed.c_str());
        return 1;
    }
    std::printf("prepared\n");
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: linktune-probe wait [SECONDS] | window | controls EXE | dialog | popup | focus EXE |\n"
                 "                      sync [SECONDS] | accessible |\n"
                 "                      loaded DLL |\n"
                 "                      registry | close | windows | hold |\n"
                 "                      prepare-registry\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    tools::UseUtf8Console();
    if (argc < 2) return Usage();
    const std::string cmd = argv[1];
    try {
        if (cmd == "wait") return Wait(argc > 2 ? std::atof(argv[2]) : 20.0);
        if (cmd == "window" && argc == 2) return Window();
        if (cmd == "controls" && argc == 3) return Controls(argv[2]);
        if (cmd == "dialog" && argc == 2) return Dialog();
        if (cmd == "popup" && argc == 2) return Popup();
        if (cmd == "focus" && argc == 3) return Focus(argv[2]);
        if (cmd == "sync") return Sync(argc > 2 ? std::atof(argv[2]) : 10.0);
        if (cmd == "accessible" && argc == 2) return Accessible();
        if (cmd == "loaded" && argc == 3) return Loaded(argv[2]);
        if (cmd == "registry" && argc == 2) return Registry();
        if (cmd == "prepare-registry" && argc == 2) return PrepareRegistry();
        if (cmd == "windows" && argc == 2) return Windows();
        if (cmd == "hold" && argc == 2) return Hold();
        if (cmd == "close" && argc == 2) {
            HWND w = MainWindow();
            if (!w) return 1;
            PostMessageW(w, WM_CLOSE, 0, 0);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "linktune-probe: %s\n", e.what());
        return 1;
    }
    return Usage();
}
