#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/FileLock.h"
#include "core/Profile.h"

namespace vantor::cli {

// The desktop program's per-user settings file, shared by the command line so history,
// options and counters are the same in both. A file that cannot be read or written is
// reported on stderr and the run goes on with what could be read. The file is locked from
// the read to the write, so that concurrent runs add to the counters instead of losing
// each other's updates; keep one alive only as long as the update takes.
class CliSettings {
public:
    CliSettings();
    Profile &profile() { return ini_; }
    // Writes what changed; reports a failure and answers false.
    bool save();
    // A success or failure counter in the file that is not a count from 0 to 2^31-1 has been
    // reported; save() writes it back as it was instead of resetting it.
    bool countersDamaged() const { return !damagedCounters_.empty(); }

private:
    std::optional<FileLock> lock_;
    IniProfile ini_;
    bool usable_ = true;
    std::vector<std::pair<std::string, std::string>> damagedCounters_;  // key, text as found
};

}  // namespace vantor::cli
