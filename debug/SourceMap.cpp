#include "debug/SourceMap.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace vantor::debug {

SourceMap::SourceMap(const DebugInfo &info) : info_(info) {
    for (const auto &r : info.lines()) {
        const Function *f = info.functionAt(r.address);
        if (!f) continue;  // static initialisers run before main, outside any function
        byAddress_.push_back({r.address, r.line, r.file, f});
    }
    // Several lines at one address: the code there belongs to the last of them.
    std::stable_sort(byAddress_.begin(), byAddress_.end(), [](const Entry &a, const Entry &b) {
        return a.address != b.address ? a.address < b.address : a.line < b.line;
    });
    std::vector<Entry> unique;
    for (auto &e : byAddress_) {
        if (!unique.empty() && unique.back().address == e.address) unique.back() = e;
        else unique.push_back(e);
    }
    byAddress_ = std::move(unique);
}

std::uint16_t SourceMap::rangeEnd(std::size_t i) const {
    const Function *f = byAddress_[i].function;
    if (i + 1 < byAddress_.size() && byAddress_[i + 1].function == f) return byAddress_[i + 1].address;
    return std::uint16_t(std::min<unsigned>(f->end + 1u, 0xFFFFu));
}

std::optional<SourceLocation> SourceMap::locate(std::uint32_t pc) const {
    auto it = std::upper_bound(byAddress_.begin(), byAddress_.end(), pc,
                               [](std::uint32_t a, const Entry &e) { return a < e.address; });
    if (it == byAddress_.begin()) return std::nullopt;
    --it;
    if (!it->function->contains(pc)) return std::nullopt;
    return SourceLocation{it->file, it->line};
}

bool SourceMap::isLineStart(std::uint32_t pc) const {
    const auto it = std::lower_bound(byAddress_.begin(), byAddress_.end(), pc,
                                     [](const Entry &e, std::uint32_t a) { return e.address < a; });
    return it != byAddress_.end() && it->address == pc;
}

std::vector<std::uint16_t> SourceMap::addressesOf(const std::string &file, int line, int *resolved) const {
    // The nearest line at or after `line` with code, within one function of the file.
    int best = 0;
    for (const auto &e : byAddress_)
        if (e.file == file && e.line >= line && (best == 0 || e.line < best)) best = e.line;
    std::vector<std::uint16_t> out;
    if (best == 0) return out;
    // A line before a function's header line does not belong to it (it is between functions).
    if (best != line) {
        const Function *f = nullptr;
        for (const auto &e : byAddress_)
            if (e.file == file && e.line == best) f = e.function;
        int header = best;
        for (const auto &r : info_.lines())
            if (f && f->contains(r.address)) header = std::min(header, r.line);
        if (line < header) return out;
    }
    for (const auto &e : byAddress_)
        if (e.file == file && e.line == best) out.push_back(e.address);
    if (resolved) *resolved = best;
    return out;
}

std::vector<std::pair<std::uint16_t, std::uint16_t>> SourceMap::lineRanges(std::uint32_t pc) const {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> out;
    const auto here = locate(pc);
    if (!here) return out;
    const Function *f = info_.functionAt(pc);
    for (std::size_t i = 0; i < byAddress_.size(); ++i)
        if (byAddress_[i].function == f && byAddress_[i].line == here->line && byAddress_[i].file == here->file)
            out.emplace_back(byAddress_[i].address, rangeEnd(i));
    return out;
}

std::optional<std::uint16_t> SourceMap::entryAddress(const Function &function) const {
    std::vector<const Entry *> lines;
    for (const auto &e : byAddress_)
        if (e.function == &function) lines.push_back(&e);
    if (lines.empty()) return std::nullopt;
    // The header line ("int f(void)") holds only the entry code: skip it when it owns the entry.
    int header = lines.front()->line;
    for (const auto &r : info_.lines())
        if (function.contains(r.address)) header = std::min(header, r.line);
    if (lines.size() > 1 && lines.front()->address == function.start && lines.front()->line == header)
        return lines[1]->address;
    return lines.front()->address;
}

std::optional<std::string> SourceMap::knownFile(const std::string &path) const {
    const std::string base = std::filesystem::path(path).filename().string();
    for (const auto &e : byAddress_)
        if (e.file == path || std::filesystem::path(e.file).filename().string() == base) return e.file;
    return std::nullopt;
}

std::vector<std::string> SourceMap::files() const {
    std::set<std::string> names;
    for (const auto &e : byAddress_) names.insert(e.file);
    return {names.begin(), names.end()};
}

}  // namespace vantor::debug
