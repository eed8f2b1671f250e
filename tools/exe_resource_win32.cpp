#include "tools/exe_resource_win32.h"

#include <windows.h>

#include <stdexcept>

#include "win32/library.h"

namespace kavrel::tools {

namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    UINT codePage = CP_UTF8;
    if (n <= 0) {  // not UTF-8: the system's code page
        codePage = CP_ACP;
        n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

}  // namespace

std::vector<std::uint8_t> ReadRcDataResource(const std::string& exePath, const std::wstring& resourceName) {
    // Mapped as data only: nothing of the program runs.
    const win32::UniqueModule module = win32::LoadAsData(Widen(exePath));
    if (!module.get()) {
        throw std::runtime_error(exePath + ": cannot be opened as a program file (error " +
                                 std::to_string(GetLastError()) + ")");
    }
    HRSRC info = FindResourceW(module.get(), resourceName.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info) throw std::runtime_error(exePath + ": has no RCDATA resource FORM1");
    DWORD size = SizeofResource(module.get(), info);
    HGLOBAL loaded = LoadResource(module.get(), info);  // not a real global: nothing to free
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw std::runtime_error(exePath + ": the FORM1 resource cannot be loaded");
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace kavrel::tools
