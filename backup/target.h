// Where a backup file goes, and the local time that names and dates it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavrel::backup {

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
std::string DisplayTime(const LocalTime& t);  // "2024-05-01 14:03:22"

// The name of a backup made at that time: "sauvegarde-20240501-140322.reg"
// for the first attempt, then "...-2.reg", "...-3.reg" when a file of that
// name is already there.
std::string BackupFileName(const LocalTime& t, int attempt);

// The backup could not be written; nothing of it is left behind.
class BackupWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class BackupTarget {
public:
    virtual ~BackupTarget() = default;
    // Writes the bytes as a new file, never over an existing one, and
    // returns its full path. Throws BackupWriteError when it cannot.
    virtual std::string Store(const std::vector<std::uint8_t>& bytes, const LocalTime& when) = 0;
    // The folder (or the file) that a message names when Store fails.
    virtual std::string Location() const = 0;
};

}  // namespace kavrel::backup
