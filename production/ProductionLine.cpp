#include "production/ProductionLine.h"

#include "production/Schema.h"

namespace vantor::production {

namespace {

using Optional = std::optional<std::string>;

Optional optionalNumber(const std::optional<std::uint64_t> &n) {
    return n ? Optional(std::to_string(*n)) : std::nullopt;
}

// After a failed reconnect, records go straight to the journal for this long, so a chip's
// record does not wait for a connection timeout each time.
constexpr auto kRetryPause = std::chrono::seconds(2);

}  // namespace

bool insertRecord(Connection &connection, const LineRecord &r, bool fromJournal) {
    Transaction transaction(connection);
    auto inserted = connection.exec(
        "INSERT INTO production_records (record_key, recorded_at, station, programmer_model, programmer_serial, "
        "device, data_file, data_checksum, operation, auto_items, serial_pool, serial_number, result, "
        "failure_reason, elapsed_ms, from_journal) "
        "VALUES ($1, COALESCE(NULLIF($2::text, '')::timestamptz, now()), $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, "
        "$13, $14, $15, $16) "
        "ON CONFLICT (record_key) DO NOTHING",
        {r.key, r.recordedAt, r.station, r.programmerModel, r.programmerSerial, r.device, r.dataFile,
         r.dataChecksum ? Optional(std::to_string(*r.dataChecksum)) : std::nullopt, r.operation, r.autoItems,
         r.serialPool, optionalNumber(r.serialNumber), r.result, r.failureReason, std::to_string(r.elapsedMs),
         fromJournal ? "true" : "false"});
    if (inserted.affected() == 0) return false;
    if (r.serialPool && r.serialNumber) {
        // A number abandoned while its record waited in the journal still names its chip.
        connection.exec("UPDATE serial_numbers SET state = $3, finished_at = now(), reason = $4 "
                        "WHERE pool = $1 AND value = $2 AND state IN ('reserved', 'abandoned')",
                        {*r.serialPool, std::to_string(*r.serialNumber), r.result == "passed" ? "used" : "scrapped",
                         r.result == "passed" ? "" : (r.failureReason.empty() ? r.result : r.failureReason)});
    }
    transaction.commit();
    return true;
}

std::vector<std::pair<std::filesystem::path, FlushSummary>> flushJournals(Connection &connection) {
    std::vector<std::pair<std::filesystem::path, FlushSummary>> done;
    for (const auto &file : journalFiles())
        done.emplace_back(file,
                          Journal(file).flush([&](const LineRecord &r) { return insertRecord(connection, r, true); }));
    return done;
}

ProductionLine::ProductionLine(std::string conninfo, std::string station)
    : ProductionLine(conninfo, station, Journal::forStation(station)) {}

ProductionLine::ProductionLine(std::string conninfo, std::string station, Journal journal)
    : conninfo_(std::move(conninfo)), station_(std::move(station)), journal_(std::move(journal)) {
    if (station_.empty()) throw ProductionError("the station needs a name");
    connection_ = std::make_unique<Connection>(conninfo_);
    migrateSchema(*connection_);
    lockStation(*connection_, station_);
    // The journal first: its records may finish numbers that would otherwise look abandoned.
    startFlush_ = journal_.flush([&](const LineRecord &r) { return insertRecord(*connection_, r, true); });
    abandonedAtStart_ = abandonStationSerials(*connection_, station_);
}

Connection &ProductionLine::connected() {
    if (connection_ && !connection_->broken()) return *connection_;
    if (std::chrono::steady_clock::now() < retryAfter_) throw DatabaseUnreachable("the database is unreachable");
    connection_.reset();
    try {
        auto fresh = std::make_unique<Connection>(conninfo_);
        // The station's lock went with the old session; a reclaim may hold it for a moment.
        fresh->exec("SELECT pg_try_advisory_lock(hashtext('vantor station'), hashtext($1))", {station_});
        connection_ = std::move(fresh);
    } catch (const DatabaseUnreachable &) {
        retryAfter_ = std::chrono::steady_clock::now() + kRetryPause;
        throw;
    }
    return *connection_;
}

PoolState ProductionLine::pool(const std::string &name) {
    std::lock_guard lock(mutex_);
    return showPool(connected(), name);
}

std::vector<std::uint64_t> ProductionLine::reserve(const std::string &pool, int count) {
    std::lock_guard lock(mutex_);
    return reserveSerials(connected(), pool, station_, count);
}

ProductionLine::Stored ProductionLine::write(const LineRecord &record) {
    std::lock_guard lock(mutex_);
    try {
        insertRecord(connected(), record, false);
        return Stored::Database;
    } catch (const ProductionError &e) {
        // Unreachable or refused: either way the record is kept and written later.
        journalReason_ = e.what();
    }
    journal_.append(record);
    ++journalled_;
    return Stored::Journal;
}

int ProductionLine::journalled() const {
    std::lock_guard lock(mutex_);
    return journalled_;
}

std::string ProductionLine::journalReason() const {
    std::lock_guard lock(mutex_);
    return journalReason_;
}

}  // namespace vantor::production
