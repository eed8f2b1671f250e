// Registry benchmark: the wall time of one Lan optimisation (55 registry
// calls) in-process, through the layer and advapi32, on a registry that has
// every key the rows address. Also writes a .reg file holding the same 55
// changes, so that the script beside it can time `reg import` of it.
//
// usage: registry_bench FILE.reg [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "backup/reg_file.h"
#include "optimiser/optimisation_run.h"
#include "registry/advapi32_backend_win32.h"
#include "tests/support/registry_seeding_win32.h"

using namespace kavrel;
using namespace kavrel::optimiser;

namespace {

class LanWindow : public WindowControls {
public:
    std::int32_t GetProperty(std::string_view control, std::string_view) override {
        return control == "Lan1" || control == "r33" ? kTrue : kFalse;
    }
    void SetProperty(std::string_view, std::string_view, std::int32_t) override {}
};

std::string RegFileLine(const TweakRow& row, const registry::Data& data) {
    std::string line = "\"" + std::string(row.valueName) + "\"=";
    if (row.operation == Operation::Delete) return line + "-";
    if (row.kind == registry::kRegSz) return line + "\"" + registry::DataToText(data) + "\"";
    char hex[16];
    std::snprintf(hex, sizeof hex, "dword:%08x", static_cast<unsigned>(registry::DataToDword(data)));
    return line + hex;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: registry_bench FILE.reg [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;

    using kavrel::testing::Seeding;
    const std::string failed = kavrel::testing::SeedTableKeys({Seeding::Keys::EveryRow, Seeding::Values::AsFound});
    if (!failed.empty()) {
        std::fprintf(stderr, "registry_bench: cannot create %s\n", failed.c_str());
        return 1;
    }

    registry::Advapi32Backend backend;
    registry::RegistryAccess access(backend);
    LanWindow window;
    std::vector<std::string> regLines;
    std::size_t calls = 0;
    RunOptimisation(window, access, [&](const TweakRow& row, const registry::Data& data) {
        ++calls;
        regLines.push_back(std::string("[") + backup::RootKeyName(row.root) + "\\" + row.keyPath + "]\r\n" +
                           RegFileLine(row, data) + "\r\n");
    });

    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QueryPerformanceCounter(&t0);
        RunOptimisation(window, access);
        QueryPerformanceCounter(&t1);
        ms.push_back(1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart));
    }
    std::sort(ms.begin(), ms.end());

    FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::fprintf(stderr, "registry_bench: cannot write %s\n", argv[1]);
        return 1;
    }
    std::fputs("REGEDIT4\r\n\r\n", f);
    for (const auto& line : regLines) std::fprintf(f, "%s\r\n", line.c_str());
    std::fclose(f);

    std::printf("lan_run_calls=%zu\n", calls);
    std::printf("lan_run_runs=%d\n", runs);
    std::printf("lan_run_median_ms=%.3f\n", ms[ms.size() / 2]);
    std::printf("lan_run_min_ms=%.3f\n", ms.front());
    return 0;
}
