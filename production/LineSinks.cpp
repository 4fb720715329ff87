#include "production/LineSinks.h"

namespace vantor::production {

LineRecord toLineRecord(const vantor::ProductionRecord &r, const std::optional<std::string> &pool) {
    LineRecord row;
    row.key = newRecordKey();
    row.recordedAt = r.time;
    row.station = r.station;
    row.programmerModel = r.programmerModel;
    row.programmerSerial = r.programmerSerial;
    row.device = r.device;
    row.dataFile = r.file;
    row.dataChecksum = r.checksum;
    row.operation = r.operation;
    for (const auto &item : r.items) row.autoItems += (row.autoItems.empty() ? "" : ",") + item;
    if (r.serialNumber) {
        row.serialPool = pool;
        row.serialNumber = r.serialNumber;
    }
    row.result = r.result == "success" ? "passed" : r.result == "failure" ? "failed" : r.result;
    if (row.result != "passed" && row.result != "failed" && row.result != "cancelled") row.result = "error";
    row.failureReason = r.reason;
    row.elapsedMs = r.elapsedMs;
    return row;
}

DatabaseRunLog::DatabaseRunLog(std::shared_ptr<ProductionLine> line, std::optional<std::string> pool,
                               std::function<void(const std::string &)> journalled)
    : line_(std::move(line)), pool_(std::move(pool)), journalled_(std::move(journalled)) {}

bool DatabaseRunLog::write(const vantor::ProductionRecord &record, std::string &error) {
    try {
        if (line_->write(toLineRecord(record, pool_)) == ProductionLine::Stored::Journal && journalled_)
            std::call_once(told_, [&] { journalled_(line_->journalReason()); });
        return true;
    } catch (const ProductionError &e) {
        error = e.what();
        return false;
    }
}

std::string DatabaseRunLog::describe() const { return "the line's database (station " + line_->station() + ")"; }

std::vector<std::uint64_t> PoolSerialSource::reserve(int count, std::string &error) {
    try {
        return line_->reserve(pool_, count);
    } catch (const DatabaseUnreachable &e) {
        error = std::string(e.what()) + "; no serial number is reserved while the database is away";
    } catch (const ProductionError &e) {
        error = e.what();
    }
    return {};
}

}  // namespace vantor::production
