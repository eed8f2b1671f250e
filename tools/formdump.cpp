// formdump FILE | formdump --from-exe PROGRAM.exe
// Decodes a stored window description and prints it as an indented tree.
// Exit status: 0 printed, 1 unreadable or malformed input, 2 usage.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/form/form_codec.h"
#include "app/form/form_dump.h"

#ifdef _WIN32
#include "tools/exe_resource_win32.h"
#endif

namespace {

int Usage() {
    std::fputs("usage: formdump FILE\n       formdump --from-exe PROGRAM.exe   (the program's FORM1 resource)\n",
               stderr);
    return 2;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot be opened");
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw std::runtime_error(path + ": read error");
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool fromExe = !args.empty() && args[0] == "--from-exe";
    if (fromExe) args.erase(args.begin());
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') return Usage();
    const std::string& path = args[0];
    try {
        std::vector<std::uint8_t> bytes;
        if (fromExe) {
#ifdef _WIN32
            bytes = kavrel::tools::ReadRcDataResource(path, L"FORM1");
#else
            throw std::runtime_error("--from-exe reads Windows program resources: use formdump.exe");
#endif
        } else {
            bytes = ReadFile(path);
        }
        std::string text = kavrel::app::DumpForm(kavrel::app::DecodeForm(bytes));
#ifdef _WIN32
        kavrel::tools::UseUtf8Console();
#endif
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "formdump: %s: %s\n", path.c_str(), e.what());
        return 1;
    }
}
