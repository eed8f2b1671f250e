#include "tests/support/temp_folder_win32.h"

#include <windows.h>

#include <atomic>

#include "win32/handle.h"

namespace kavrel::testing {

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    {
        const win32::UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &found));
        if (find) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = path + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(child);
                } else {
                    DeleteFileW(child.c_str());
                }
            } while (FindNextFileW(find.get(), &found));
        }
    }  // the search is closed before the folder goes
    RemoveDirectoryW(path.c_str());
}

TempFolder::TempFolder(const std::wstring& prefix) {
    static std::atomic<unsigned> made{0};
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp) + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(made++);
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

}  // namespace kavrel::testing
