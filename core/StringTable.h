#pragma once
#include <span>
#include <string_view>

#include "core/StringIds.h"

namespace vantor {

struct StringEntry {
    int id;
    std::string_view text;
};

// English text of a string-table id; empty for an id the table does not hold.
std::string_view loadString(int id);

// The whole table, sorted by id.
std::span<const StringEntry> allStrings();

}  // namespace vantor
