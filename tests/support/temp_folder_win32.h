// A folder of a test's or bench's own under the temporary folder: made
// empty, and removed with all it holds when its owner goes.
#pragma once

#include <string>

namespace kavrel::testing {

class TempFolder {
public:
    // %TEMP%\<prefix>-<process id>-<n>: each folder of a process its own,
    // two alive at once included.
    explicit TempFolder(const std::wstring& prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// Removes a folder with everything below it (files and folders).
void RemoveTree(const std::wstring& path);

}  // namespace kavrel::testing
