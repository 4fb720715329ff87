#pragma once
#include <algorithm>
#include <span>
#include <string_view>

#include "core/StringIds.h"

namespace vantor {

struct StringEntry {
    int id;
    std::string_view text;
};

// True when ids ascend strictly; a table out of order or with an id twice would make
// lookups silently miss texts, so every table is checked with this at compile time.
constexpr bool stringsSortedById(std::span<const StringEntry> entries) {
    return std::ranges::adjacent_find(
               entries, [](const StringEntry &a, const StringEntry &b) { return a.id >= b.id; }) == entries.end();
}

// A string table owned by whoever brings it: the programs share the one below, a driver
// (the emulator's, with its own ids) brings its own. The entries must outlive the table.
class StringTable {
public:
    constexpr explicit StringTable(std::span<const StringEntry> entries) : entries_(entries) {}

    // Text of an id; empty for an id the table does not hold.
    std::string_view load(int id) const {
        auto it = std::ranges::lower_bound(entries_, id, {}, &StringEntry::id);
        return (it != entries_.end() && it->id == id) ? it->text : std::string_view{};
    }
    std::span<const StringEntry> entries() const { return entries_; }

private:
    std::span<const StringEntry> entries_;
};

// The programs' own table (English texts of StringIds.h).
const StringTable &programStrings();

// English text of a string-table id of the programs' table; empty for an unknown id.
std::string_view loadString(int id);
// Text of an id of a table a driver or program owns.
inline std::string_view loadString(const StringTable &table, int id) { return table.load(id); }

// The programs' whole table, sorted by id.
std::span<const StringEntry> allStrings();

}  // namespace vantor
