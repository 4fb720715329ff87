#pragma once
// The single bench's production records: a CSV file, and serial numbers counted in the
// bench's settings file. Both behind the interfaces of core/ProductionLog.h.
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "cli/CliContext.h"
#include "cli/ProgrammerRun.h"
#include "core/ProductionLog.h"

namespace vantor::cli {

// Columns of the CSV log, in order (its first line when the log is new).
inline constexpr const char *kCsvLogHeader =
    "time,programmer,device,file,checksum,operation,result,elapsed_s,serial_number,serial_state,reason,station,"
    "programmer_model,items";

// One record per line, appended under a lock on the log so that lines of concurrent runs
// (threads or processes) never mix; a line left partial by an earlier failed write is ended
// before the next is appended, and a line that cannot be written whole is cut back.
class CsvRunLog : public RunRecordWriter {
public:
    explicit CsvRunLog(std::filesystem::path path) : path_(std::move(path)) {}
    // A regular file, or a new one in an existing folder; a directory, a missing folder, a
    // FIFO or a device is refused.
    bool ready(std::string &error) override;
    bool write(const ProductionRecord &record, std::string &error) override;
    std::string describe() const override { return path_.string(); }

    static std::string line(const ProductionRecord &record);

private:
    std::filesystem::path path_;
};

// A CSV field: quoted, control characters shown as \xNN, and a leading = + - @ tab or CR
// neutralised with a quote mark so that a spreadsheet never runs it as a formula.
std::string csvField(std::string_view text);

// Numbers counted in the settings file (Production/NextSerial), reserved under its lock: the
// next number is remembered before any chip is programmed, so no number is handed out twice,
// whatever happens to the run. Used and scrapped numbers are told apart in the records.
class SettingsSerialSource : public SerialNumberSource {
public:
    explicit SettingsSerialSource(SerialPlan plan) : plan_(plan) {}
    std::vector<std::uint64_t> reserve(int count, std::string &error) override;
    bool markUsed(std::uint64_t, std::string &) override { return true; }
    bool markScrapped(std::uint64_t, const std::string &, std::string &) override { return true; }

private:
    SerialPlan plan_;
};

// The record of one finished run.
ProductionRecord productionRecord(const CliContext &ctx, const OperationJob &job, const RunOutcome &outcome);

// What a production command writes into: the record writer (null without --log) and the
// serial number source (null without --serial-at). Made and checked before any chip is touched;
// throws UsageError for a log that cannot be written.
struct ProductionSinks {
    std::unique_ptr<RunRecordWriter> records;
    std::unique_ptr<SerialNumberSource> serials;
};
// With a database log (--log postgresql://...) the station's session starts here: a database
// that cannot be reached, or a missing --serial-pool, is refused now. The pool's format and
// step go into job.serial.
ProductionSinks productionSinks(const CliContext &ctx, OperationJob &job);

// After a run: marks its serial number used or scrapped and writes its record. False (with
// `error`) when either could not be kept; the run then does not count as a success.
bool finishRun(const CliContext &ctx, ProductionSinks &sinks, const OperationJob &job, RunOutcome &outcome,
               std::string &error);

}  // namespace vantor::cli
