#pragma once
// A station's session with the line's database: what a production run uses. Records that
// cannot reach the database go to the station's journal and are written once, later.
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "production/Connection.h"
#include "production/Journal.h"
#include "production/LineRecord.h"
#include "production/SerialPool.h"

namespace vantor::production {

// Writes one record (and moves its serial number to used or scrapped) in one transaction.
// False when the database had it already (a journal flushed a second time).
bool insertRecord(Connection &connection, const LineRecord &record, bool fromJournal);

// Writes every journal in the journal folder; a DatabaseUnreachable leaves them as they were.
std::vector<std::pair<std::filesystem::path, FlushSummary>> flushJournals(Connection &connection);

class ProductionLine {
public:
    // Connects, creates or migrates the schema, writes what the station's journal holds,
    // takes the station and abandons the numbers its last run left reserved. Everything that
    // fails here throws, before any chip is touched.
    ProductionLine(std::string conninfo, std::string station);
    ProductionLine(std::string conninfo, std::string station, Journal journal);

    const std::string &station() const { return station_; }
    const Journal &journal() const { return journal_; }
    // Records the start wrote from the journal, and the numbers it abandoned.
    const FlushSummary &startFlush() const { return startFlush_; }
    long long abandonedAtStart() const { return abandonedAtStart_; }

    PoolState pool(const std::string &name);
    // Numbers for the next chips; throws DatabaseUnreachable while the database is away
    // (no number is reserved then) and ProductionError when the pool refuses.
    std::vector<std::uint64_t> reserve(const std::string &pool, int count);

    enum class Stored { Database, Journal };
    // Thread-safe. Throws ProductionError only when neither the database nor the journal
    // took the record.
    Stored write(const LineRecord &record);
    // Records journalled by this session, and why the last one could not be written.
    int journalled() const;
    std::string journalReason() const;

private:
    Connection &connected();  // reconnects after a loss; throws DatabaseUnreachable

    std::string conninfo_, station_;
    Journal journal_;
    mutable std::mutex mutex_;
    std::unique_ptr<Connection> connection_;
    std::chrono::steady_clock::time_point retryAfter_{};
    FlushSummary startFlush_;
    long long abandonedAtStart_ = 0;
    int journalled_ = 0;
    std::string journalReason_;
};

}  // namespace vantor::production
