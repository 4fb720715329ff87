#pragma once
// The station's local journal: records written while the database is away, one line each,
// appended and synced before the writer returns, so a crash right after loses none. Each
// line carries a CRC-32 of its text, so a torn or damaged line is found rather than read.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "production/LineRecord.h"

namespace vantor::production {

// The folder of the journals, beside the settings file.
std::filesystem::path journalDirectory();
// Every journal in that folder (one per station that ever journalled).
std::vector<std::filesystem::path> journalFiles();

struct FlushSummary {
    int written = 0;       // records the database did not have yet
    int alreadyThere = 0;  // records an earlier, interrupted flush had written
    int damaged = 0;       // lines moved to the .damaged file beside the journal
    std::filesystem::path damagedFile;
};

class Journal {
public:
    explicit Journal(std::filesystem::path file) : file_(std::move(file)) {}
    static Journal forStation(const std::string &station);

    const std::filesystem::path &file() const { return file_; }
    // Throws ProductionError when the line could not be written and synced whole.
    void append(const LineRecord &record) const;
    // Hands every intact record to `write` (true: newly written, false: the database had it)
    // under the journal's lock; once all went through, damaged lines are moved aside and
    // the journal emptied. An exception from `write` leaves the journal as it was.
    FlushSummary flush(const std::function<bool(const LineRecord &)> &write) const;
    // Records waiting in the journal (intact lines only).
    int pending() const;

private:
    std::filesystem::path file_;
};

}  // namespace vantor::production
