#include "tests/support/form1_fixture_win32.h"

#include <ole2.h>

#include "app/form/form_codec.h"

namespace kavrel::testing {

std::vector<std::uint8_t> Form1Bytes() {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(self, L"FORM1", MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!res) return {};
    const auto* p = static_cast<const std::uint8_t*>(LockResource(LoadResource(self, res)));
    return std::vector<std::uint8_t>(p, p + SizeofResource(self, res));
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ClickControl(const app::FormWindow& window, const char* name) {
    const RECT rc = window.ControlRect(name);
    POINT pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    HWND target = window.Handle();
    for (;;) {
        HWND child = ChildWindowFromPointEx(target, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == target) break;
        MapWindowPoints(target, child, &pt, 1);
        target = child;
    }
    const LPARAM at = MAKELPARAM(pt.x, pt.y);
    SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(target, WM_LBUTTONUP, 0, at);
}

LRESULT ControlStateOf(const app::FormWindow& window, const char* name) {
    const app::Control* control = window.Description().Find(name);
    if (!control) return 0;
    static const UINT message = RegisterWindowMessageW(app::kControlStateMessage);
    return SendMessageW(window.Handle(), message, static_cast<WPARAM>(control->id), 0);
}

void PumpExceptTimers() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
           PeekMessageW(&msg, nullptr, WM_TIMER + 1, ~0u, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::string KeptBackups::Store(const std::vector<std::uint8_t>& bytes, const backup::LocalTime& when) {
    files.push_back(bytes);
    return "C:\\Tests\\" + backup::BackupFileName(when, static_cast<int>(files.size()));
}

void Form1OnScreen::ShowForm1(registry::Backend& registry, backup::BackupTarget& backups,
                              app::Form1::OpenAddress open, const Between& between) {
    OleInitialize(nullptr);
    procedures = std::make_unique<app::Form1>(registry, app::Form1::Backups{backups, "Kavrel LinkTune (tests)"},
                                              std::move(open));
    window = std::make_unique<app::FormWindow>(app::LoadForm1(Form1Bytes()), GetModuleHandleW(nullptr),
                                               procedures->Events());
    procedures->Attach(*window, between ? between(*window) : nullptr);
    window->Show(SW_SHOWNORMAL);
    Pump();
}

void Form1OnScreen::CloseForm1() {
    window.reset();
    Pump();
    procedures.reset();
    OleUninitialize();
}

}  // namespace kavrel::testing
