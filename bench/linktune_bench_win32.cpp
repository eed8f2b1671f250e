// In-process beside `make bench`'s timing of linktune.exe: what `linktune
// apply adsl 1024` does, with its backup and with --no-backup, without the
// process start that dominates the program's own timing. Median of RUNS
// each, interleaved; the backups go to a folder of the bench's own.
//
// usage: linktune_bench [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "backup/backup_folder_win32.h"
#include "bench/median.h"
#include "backup/host_win32.h"
#include "backup/run_report.h"
#include "backup/snapshot.h"
#include "optimiser/run_plan.h"
#include "registry/advapi32_backend_win32.h"
#include "tests/support/registry_seeding_win32.h"
#include "tests/support/temp_folder_win32.h"

using namespace kavrel;
using kavrel::bench::Median;

namespace {

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& freq) {
    return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    // Every row's key, so that every row writes: the timing covers the
    // whole table.
    const std::string failed =
        testing::SeedTableKeys({testing::Seeding::Keys::EveryRow, testing::Seeding::Values::AsFound});
    if (!failed.empty()) {
        std::fprintf(stderr, "linktune_bench: cannot create %s\n", failed.c_str());
        return 1;
    }
    const testing::TempFolder temp(L"kavrel-linktune-bench");
    const std::wstring& base = temp.path();

    registry::Advapi32Backend backend;
    const optimiser::Profile profile{"adsl", "1024"};
    backup::BackupFolder folder(base);
    LARGE_INTEGER freq, t0, t1, t2, t3;
    QueryPerformanceFrequency(&freq);
    std::vector<double> backupMs, withMs, withoutMs;
    for (int i = 0; i < runs; ++i) {
        optimiser::ProfileOptions options(profile);
        QueryPerformanceCounter(&t0);
        const optimiser::Plan plan = optimiser::PlanRun(profile);
        const backup::BackupFacts facts{"bench", backup::NowLocal(), backup::ComputerName(), backup::UserName(),
                                        profile};
        const auto taken = backup::TakeBackup(backend, plan, facts, folder, backup::Scope{});
        QueryPerformanceCounter(&t1);
        backup::RunAndReport(backend, options, taken.values, backup::Scope{});
        QueryPerformanceCounter(&t2);
        const auto before = backup::ReadPlannedValues(backend, optimiser::PlanRun(profile), backup::Scope{});
        backup::RunAndReport(backend, options, before, backup::Scope{});
        QueryPerformanceCounter(&t3);
        backupMs.push_back(Ms(t0, t1, freq));
        withMs.push_back(Ms(t0, t2, freq));
        withoutMs.push_back(Ms(t2, t3, freq));
    }
    std::printf("inprocess_backup_ms_median=%.3f\n", Median(backupMs));
    std::printf("inprocess_apply_with_backup_ms_median=%.3f\n", Median(withMs));
    std::printf("inprocess_apply_no_backup_ms_median=%.3f\n", Median(withoutMs));
    std::printf("inprocess_ratio_with_to_without=%.3f\n", Median(withMs) / Median(withoutMs));
    return 0;
}
