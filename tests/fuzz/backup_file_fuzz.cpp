// Fuzzes the backup file's reader. Any input is either refused with a
// BackupFormatError, or read into values that, written back, read back to
// exactly the same values (and the same header). Every value it accepts is
// then put through restore's table check, which may only refuse with a
// BackupFormatError too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <stdexcept>

#include "backup/reg_file.h"
#include "backup/restore.h"

using namespace kavrel::backup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BackupContents first;
    try {
        first = ReadBackupFile(std::span(data, size));
    } catch (const BackupFormatError&) {
        return 0;
    }
    if (first.lines.size() != first.values.size()) std::abort();
    BackupDocument document;
    document.header = first.header;
    for (const auto& v : first.values) document.body.emplace_back(v);
    std::vector<std::uint8_t> bytes;
    try {
        bytes = WriteBackupFile(document);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "accepted but cannot be written back: %s\n", e.what());
        std::abort();
    }
    BackupContents second;
    try {
        second = ReadBackupFile(bytes);
    } catch (const BackupFormatError& e) {
        std::fprintf(stderr, "written back but refused: %s\n", e.what());
        std::abort();
    }
    if (second.values != first.values || second.header != first.header) std::abort();
    try {
        CheckAgainstTable(first);
    } catch (const BackupFormatError&) {
    }
    return 0;
}
