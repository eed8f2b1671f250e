// The tweak table: the fixed, ordered registry changes of an optimisation.
// Key paths and value names are spelled exactly as the program has always
// written them, letter case included; the registry ignores case, so paths
// that differ only in case address the same key.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace kavrel::optimiser {

// Which runs apply a row: the connection type's own group, or every run.
enum class Group { Lan, Modem, Adsl, Common };

enum class Operation { Set, Delete };

// The data of a row: a constant, or one of the two values derived from the
// connection profile.
struct RowData {
    enum class Source { None, Integer, Text, Boolean, ProfileTtl, ProfileWindowSize };
    Source source = Source::None;
    std::int32_t integer = 0;   // Integer; Boolean as 0 or 1
    const char* text = nullptr;  // Text
};

struct TweakRow {
    int number;  // 1..80, the order of application
    Group group;
    Operation operation;
    std::uint32_t root;
    const char* keyPath;
    const char* valueName;
    std::int32_t kind;  // REG_SZ or REG_DWORD for a set; 0 for the delete
    RowData data;
};

inline constexpr std::size_t kTweakRowCount = 80;
extern const std::array<TweakRow, kTweakRowCount> kTweakTable;

const char* GroupName(Group group);

// A row under "...\Services\Services\...": a key no standard system has, so
// the row changes nothing there (a missing key is skipped).
bool KeyMissingOnAStandardSystem(const TweakRow& row);

}  // namespace kavrel::optimiser
