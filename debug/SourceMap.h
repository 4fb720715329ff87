#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "debug/DebugInfo.h"

namespace vantor::debug {

struct SourceLocation {
    std::string file;
    int line = 0;
    bool operator==(const SourceLocation &) const = default;
};

// Code addresses to C lines and back, built from the line records of a DebugInfo.
class SourceMap {
public:
    explicit SourceMap(const DebugInfo &info);

    // The line whose code holds `pc`; none outside the functions with line records.
    std::optional<SourceLocation> locate(std::uint32_t pc) const;
    // True when `pc` is where a line's code begins.
    bool isLineStart(std::uint32_t pc) const;
    // The addresses where `line` of `file` begins; for a line without code, those of the next line
    // with code in the same function (`resolved` tells which line that is). Empty: no code there.
    std::vector<std::uint16_t> addressesOf(const std::string &file, int line, int *resolved = nullptr) const;
    // The address ranges [first, second) of the line `pc` is in, within its function.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> lineRanges(std::uint32_t pc) const;
    // Where a break on the function stops: its first line after the entry code.
    std::optional<std::uint16_t> entryAddress(const Function &function) const;
    // The file name as recorded, matched on its last path component.
    std::optional<std::string> knownFile(const std::string &path) const;
    std::vector<std::string> files() const;

private:
    struct Entry {
        std::uint16_t address;
        int line;
        std::string file;
        const Function *function;
    };
    const DebugInfo &info_;
    std::vector<Entry> byAddress_;  // one per address with code, sorted
    std::uint16_t rangeEnd(std::size_t index) const;
};

}  // namespace vantor::debug
