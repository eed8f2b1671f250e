// What the window's Wine tests share: Form1's stored description, carried
// by the test program as its FORM1 resource, and a message pump.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kavrel::testing {

inline std::vector<std::uint8_t> Form1Bytes() {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(self, L"FORM1", MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!res) return {};
    const auto* p = static_cast<const std::uint8_t*>(LockResource(LoadResource(self, res)));
    return std::vector<std::uint8_t>(p, p + SizeofResource(self, res));
}

// Dispatches what is waiting, without blocking.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace kavrel::testing
