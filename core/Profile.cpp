#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/Profile.h"

namespace vantor {

int MemoryProfile::readInt(std::string_view section, std::string_view key, int defaultValue) {
    auto s = values_.find(std::string(section));
    if (s == values_.end()) return defaultValue;
    auto k = s->second.find(std::string(key));
    if (k == s->second.end()) return defaultValue;
    char *end = nullptr;
    long v = std::strtol(k->second.c_str(), &end, 10);
    return (end && *end == '\0' && !k->second.empty()) ? int(v) : defaultValue;
}

std::string MemoryProfile::readString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) {
    auto s = values_.find(std::string(section));
    if (s == values_.end()) return std::string(defaultValue);
    auto k = s->second.find(std::string(key));
    return k == s->second.end() ? std::string(defaultValue) : k->second;
}

void MemoryProfile::writeInt(std::string_view section, std::string_view key, int value) {
    values_[std::string(section)][std::string(key)] = std::to_string(value);
}

void MemoryProfile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    values_[std::string(section)][std::string(key)] = std::string(value);
}

bool MemoryProfile::contains(std::string_view section, std::string_view key) const {
    auto s = values_.find(std::string(section));
    return s != values_.end() && s->second.count(std::string(key)) != 0;
}

IniProfile::IniProfile(std::string path) : path_(std::move(path)) {}

bool IniProfile::load() {
    values_.clear();
    std::ifstream in(path_);
    if (!in) return !std::filesystem::exists(path_);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        values_[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return true;
}

bool IniProfile::save() const {
    std::error_code ec;
    auto parent = std::filesystem::path(path_).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    const std::string tmp = path_ + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out) return false;
        for (const auto &[section, keys] : values_) {
            out << '[' << section << "]\n";
            for (const auto &[key, value] : keys) out << key << '=' << value << '\n';
        }
        if (!out.flush()) return false;
    }
    std::filesystem::rename(tmp, path_, ec);
    return !ec;
}

}  // namespace vantor
