// startup-bench ROUNDS PROGRAM.exe [PROGRAM.exe ...]
//
// Time from process creation to (a) the main window shown and (b) its first
// complete paint, for each program, in interleaved rounds, so that the
// machine's drift hits every program alike. "Complete" means: the client
// area on screen equals a capture taken once the program had settled (one
// run per program before the timed rounds, captured after 1.5 s), so every
// control and picture is there. Polls about every millisecond.
//
// Prints per program the runs and medians, then each program's medians as a
// ratio to the last program's (give the yardstick last).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/median.h"

using kavrel::bench::Median;

namespace {

struct Handle {
    HANDLE h = nullptr;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle() {
        if (h) CloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

double NowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// The process's visible top-level window with a caption, if any.
HWND WindowOf(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    } s{pid, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && IsWindowVisible(hwnd) && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The client area as it is on the screen, 32 bits a pixel.
std::vector<std::uint32_t> Capture(HWND hwnd, SIZE& size) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    size = SIZE{rc.right, rc.bottom};
    std::vector<std::uint32_t> pixels;
    if (size.cx <= 0 || size.cy <= 0) return pixels;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size.cx;
    bi.bmiHeader.biHeight = -size.cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (mem && dib) {
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, size.cx, size.cy, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels.assign(p, p + static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
        for (auto& px : pixels) px &= 0x00FFFFFF;
        SelectObject(mem, old);
    }
    if (dib) DeleteObject(dib);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return pixels;
}

struct Run {
    double shown = -1, painted = -1;
};

struct Program {
    std::wstring path;
    std::string name;
    std::vector<std::uint32_t> settled;
    SIZE size{};
    std::vector<Run> runs;
};

void Close(HWND hwnd, const PROCESS_INFORMATION& pi) {
    if (hwnd) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
}

// One start of the program; with `settle`, captures the settled client area.
bool Start(Program& p, bool settle) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + p.path + L"\"";
    const double t0 = NowMs();
    if (!CreateProcessW(p.path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", p.name.c_str(), GetLastError());
        return false;
    }
    Handle process(pi.hProcess), thread(pi.hThread);
    Run run;
    HWND hwnd = nullptr;
    const double deadline = t0 + 15000;
    while (NowMs() < deadline) {
        if (!hwnd) hwnd = WindowOf(pi.dwProcessId);
        if (hwnd && run.shown < 0) run.shown = NowMs() - t0;
        if (hwnd && settle) {
            Sleep(1500);
            p.settled = Capture(hwnd, p.size);
            break;
        }
        if (hwnd) {
            SIZE size{};
            const auto pixels = Capture(hwnd, size);
            if (std::getenv("STARTUP_BENCH_TRACE") && pixels.size() == p.settled.size()) {
                std::size_t differ = 0;
                for (std::size_t i = 0; i < pixels.size(); ++i) differ += pixels[i] != p.settled[i];
                std::fprintf(stderr, "%s %.1f ms: %zu pixels differ\n", p.name.c_str(), NowMs() - t0, differ);
            }
            if (pixels == p.settled && size.cx == p.size.cx && size.cy == p.size.cy) {
                run.painted = NowMs() - t0;
                break;
            }
        }
        Sleep(1);
    }
    Close(hwnd, pi);
    if (settle) return !p.settled.empty();
    if (run.painted < 0) {
        std::fprintf(stderr, "%s: no complete paint within 15 s\n", p.name.c_str());
        return false;
    }
    p.runs.push_back(run);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup-bench ROUNDS PROGRAM.exe [PROGRAM.exe ...]\n");
        return 2;
    }
    const int rounds = _wtoi(argv[1]);
    if (rounds < 1) return 2;
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i) {
        Program p;
        p.path = argv[i];
        const std::wstring base = p.path.substr(p.path.find_last_of(L"\\/") + 1);
        p.name.assign(base.begin(), base.end());
        programs.push_back(std::move(p));
    }
    // A window of the bench's own, never shown, for the whole run: Wine then
    // keeps its desktop process alive between the programs' starts, as a
    // Windows session always has its desktop running; otherwise each start
    // would pay for starting the desktop again.
    HWND keeper = CreateWindowExW(0, L"STATIC", L"startup-bench", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    for (auto& p : programs) {
        if (!Start(p, true)) {
            std::fprintf(stderr, "%s: no settled window\n", p.name.c_str());
            return 1;
        }
    }
    for (int r = 0; r < rounds; ++r) {
        for (auto& p : programs) {
            if (!Start(p, false)) return 1;
            Sleep(200);  // let the closed program's windows leave the screen
        }
    }
    if (keeper) DestroyWindow(keeper);
    const Program& base = programs.back();
    std::vector<double> baseShown, basePaint;
    for (const Run& r : base.runs) baseShown.push_back(r.shown), basePaint.push_back(r.painted);
    for (const auto& p : programs) {
        std::vector<double> shown, painted;
        std::printf("%s runs (shown/painted ms):", p.name.c_str());
        for (const Run& r : p.runs) {
            std::printf(" %.0f/%.0f", r.shown, r.painted);
            shown.push_back(r.shown);
            painted.push_back(r.painted);
        }
        std::printf("\n%s median_shown_ms=%.1f median_painted_ms=%.1f ratio_shown=%.2f ratio_painted=%.2f\n",
                    p.name.c_str(), Median(shown), Median(painted), Median(shown) / Median(baseShown),
                    Median(painted) / Median(basePaint));
    }
    return 0;
}
