// Reads an RT_RCDATA resource out of another program's file, without running
// it, and sets the console up for UTF-8 output. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavrel::tools {

// Throws std::runtime_error naming the file, or the missing resource.
std::vector<std::uint8_t> ReadRcDataResource(const std::string& exePath, const std::wstring& resourceName);

void UseUtf8Console();

}  // namespace kavrel::tools
