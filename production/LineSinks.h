#pragma once
// The line's database behind the run interfaces of core/ProductionLog.h: records into the
// database (or the station's journal while it is away), serial numbers from a named pool.
#include <functional>
#include <mutex>
#include <memory>
#include <optional>
#include <string>

#include "core/ProductionLog.h"
#include "production/ProductionLine.h"

namespace vantor::production {

// The database row of a run's record; `pool` names where its serial number came from.
LineRecord toLineRecord(const vantor::ProductionRecord &record, const std::optional<std::string> &pool);

class DatabaseRunLog : public RunRecordWriter {
public:
    // `journalled` hears once per run that records went to the journal, and why.
    DatabaseRunLog(std::shared_ptr<ProductionLine> line, std::optional<std::string> pool,
                   std::function<void(const std::string &)> journalled);
    bool ready(std::string &) override { return true; }  // the line's session checked it at its start
    bool write(const vantor::ProductionRecord &record, std::string &error) override;
    std::string describe() const override;

private:
    std::shared_ptr<ProductionLine> line_;
    std::optional<std::string> pool_;
    std::function<void(const std::string &)> journalled_;
    std::once_flag told_;
};

class PoolSerialSource : public SerialNumberSource {
public:
    PoolSerialSource(std::shared_ptr<ProductionLine> line, std::string pool)
        : line_(std::move(line)), pool_(std::move(pool)) {}
    std::vector<std::uint64_t> reserve(int count, std::string &error) override;
    // The chip's record settles its number in the same transaction (or later from the
    // journal), so a number is never marked without its record.
    bool markUsed(std::uint64_t, std::string &) override { return true; }
    bool markScrapped(std::uint64_t, const std::string &, std::string &) override { return true; }

private:
    std::shared_ptr<ProductionLine> line_;
    std::string pool_;
};

}  // namespace vantor::production
