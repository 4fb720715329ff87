#include "cli/CliSettings.h"

#include <cstdio>

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
    }
}

bool CliSettings::save() {
    if (!usable_) return false;
    if (ini_.save()) return true;
    std::fprintf(stderr, "vantor-cli: settings not saved: %s\n", ini_.error().c_str());
    return false;
}

}  // namespace vantor::cli
