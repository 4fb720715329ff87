#include "cli/CliSettings.h"

#include <climits>
#include <cstdio>

#include "core/Numbers.h"

namespace vantor::cli {

CliSettings::CliSettings() : ini_(userSettingsPath()) {
    if (ini_.path().empty()) {
        usable_ = false;
        std::fprintf(stderr, "vantor-cli: no home directory: settings are not kept\n");
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(ini_.path().parent_path(), ec);
    lock_.emplace(ini_.path());
    if (!lock_->locked()) {
        usable_ = false;
        std::fprintf(stderr, "vantor-cli: %s; settings are not kept\n", lock_->error().c_str());
    } else if (!ini_.load()) {
        usable_ = false;
        std::fprintf(stderr, "vantor-cli: %s; settings are not kept\n", ini_.error().c_str());
        return;
    }
    for (const char *key : {"CntSuccess", "CntFailed"}) {
        const std::string text = ini_.readString("System", key, "");
        if (text.empty() || parseDecimal(text, INT_MAX)) continue;
        std::fprintf(stderr,
                     "vantor-cli: the settings' System/%s is not a count from 0 to %d: %s; the counters are left "
                     "as they are\n",
                     key, INT_MAX, text.c_str());
        damagedCounters_.emplace_back(key, text);
    }
}

bool CliSettings::save() {
    if (!usable_) return false;
    for (const auto &[key, text] : damagedCounters_) ini_.writeString("System", key, text);
    if (ini_.save()) return true;
    std::fprintf(stderr, "vantor-cli: settings not saved: %s\n", ini_.error().c_str());
    return false;
}

}  // namespace vantor::cli
