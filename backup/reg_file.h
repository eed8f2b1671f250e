// The backup file: the registry editor's own format ("Windows Registry
// Editor Version 5.00", UTF-16LE with a byte order mark, CRLF), so that a
// double-click on it puts every value back. Our reader of it is strict: it
// takes only what our writer makes, and a file cut anywhere, even between
// two lines, is refused, since its closing line counts the values above it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "registry/registry.h"

namespace kavrel::backup {

// One value of a backup: as it was before the run, or no value at all.
struct SavedValue {
    std::uint32_t root = 0;  // HKLM or HKCU
    std::string keyPath;     // UTF-8, as the key line spells it
    std::string valueName;   // UTF-8
    std::optional<registry::RawValue> value;  // std::nullopt: there was none ("Name"=-)
    bool operator==(const SavedValue&) const = default;
};

// A comment line, written as given: it starts with ';'.
struct Note {
    std::string line;
};

struct BackupDocument {
    std::vector<std::string> header;  // comment lines after the first line, each starting with ';'
    std::vector<std::variant<SavedValue, Note>> body;  // values and notes, in order
};

// The file's bytes. Throws std::invalid_argument for what the format cannot
// carry (a control character in a name, a key path with an empty part, an
// unknown root, a comment that is not one).
std::vector<std::uint8_t> WriteBackupFile(const BackupDocument& document);

// What the reader found in a file.
struct BackupContents {
    std::vector<std::string> header;  // comment lines before the first key line
    std::vector<SavedValue> values;
    std::vector<int> lines;  // the line each value starts on, counted from 1
};

// A malformed or cut file. what() reads "ligne N : ..." (in French, for the
// user); line() is N.
class BackupFormatError : public std::runtime_error {
public:
    BackupFormatError(int line, const std::string& message);
    int line() const { return line_; }

private:
    int line_;
};

// Reads a whole file; throws BackupFormatError at the first fault.
BackupContents ReadBackupFile(std::span<const std::uint8_t> bytes);

// The registry editor's names of the two roots the table uses.
const char* RootKeyName(std::uint32_t root);  // "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"

// The closing line for a count of values, without its line end.
std::string ClosingLine(std::size_t values);

// UTF-16 text as UTF-8; a surrogate without its other half is written as
// the code unit it is.
std::string Utf16ToUtf8(std::u16string_view text);

// True when a REG_SZ's bytes are exactly a text with one terminating NUL and
// no control characters: such a value is written between quotes.
bool IsPlainText(const registry::RawValue& value);

}  // namespace kavrel::backup
