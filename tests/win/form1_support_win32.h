// What the window's Wine tests share: Form1's stored description, carried
// by the test program as its FORM1 resource, and a message pump.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "backup/target.h"

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

// Where the window's tests let "&Optimiser" keep its backups: in memory, so
// that they leave no file in the prefix.
class KeptBackups : public backup::BackupTarget {
public:
    std::string Store(const std::vector<std::uint8_t>& bytes, const backup::LocalTime& when) override {
        files.push_back(bytes);
        return "C:\\Tests\\" + backup::BackupFileName(when, static_cast<int>(files.size()));
    }
    std::string Location() const override { return "C:\\Tests"; }
    std::vector<std::vector<std::uint8_t>> files;
};

}  // namespace kavrel::testing
