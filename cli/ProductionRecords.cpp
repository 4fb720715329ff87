#include "cli/ProductionRecords.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "cli/OperationCommand.h"
#include "cli/Report.h"
#include "core/FileLock.h"
#include "core/Numbers.h"
#include "core/Profile.h"
#include "production/LineSinks.h"

namespace vantor::cli {

namespace {

constexpr const char *kSection = "Production";
constexpr const char *kNextKey = "NextSerial";
constexpr int kLockWaitMs = 10000;

std::string utcNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, int(ms));
    return text;
}

// The log's descriptor locked against other writers, waiting a bounded time.
bool lockDescriptor(int fd, std::string &error) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            error = errno == EWOULDBLOCK ? "another program holds the log locked" : std::strerror(errno);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool writeAll(int fd, const std::string &bytes, std::string &error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? std::strerror(errno) : "short write";
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

}  // namespace

std::string csvField(std::string_view text) {
    std::string out = "\"";
    if (!text.empty() && std::strchr("=+-@\t\r", text.front())) out += '\'';
    // One physical line per record.
    for (char c : escapeControls(text)) {
        if (c == '"') out += '"';
        if (c == '\n') out += "\\x0A";
        else out += c;
    }
    return out + "\"";
}

std::string CsvRunLog::line(const ProductionRecord &r) {
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%.2f", double(r.elapsedMs) / 1000.0);
    std::string items;
    for (const auto &item : r.items) items += (items.empty() ? "" : " ") + item;
    std::string line = r.time;
    line += "," + csvField(r.programmerSerial);
    line += "," + csvField(r.device);
    line += "," + csvField(r.file);
    line += "," + (r.checksum ? hex32(*r.checksum) : std::string());
    line += "," + csvField(r.operation);
    line += "," + csvField(r.result);
    line += std::string(",") + elapsed;
    line += "," + (r.serialNumber ? std::to_string(*r.serialNumber) : std::string());
    line += "," + std::string(serialStateName(r.serialState));
    line += "," + csvField(r.reason);
    line += "," + csvField(r.station);
    line += "," + csvField(r.programmerModel);
    line += "," + csvField(items);
    return line + "\n";
}

bool CsvRunLog::ready(std::string &error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path_, ec);
    if (fs::exists(status)) {
        if (fs::is_directory(status)) error = path_.string() + " is a directory";
        else if (!fs::is_regular_file(status)) error = path_.string() + " is not a regular file";
        else if (::access(path_.c_str(), W_OK) != 0)
            error = "cannot write " + path_.string() + ": " + std::strerror(errno);
        return error.empty();
    }
    fs::path dir = path_.parent_path();
    if (dir.empty()) dir = ".";
    if (!fs::is_directory(dir, ec)) error = "no folder " + dir.string();
    else if (::access(dir.c_str(), W_OK | X_OK) != 0)
        error = "cannot write in " + dir.string() + ": " + std::strerror(errno);
    return error.empty();
}

bool CsvRunLog::write(const ProductionRecord &record, std::string &error) {
    // Non-blocking open and a regular file only: a FIFO put in the log's place later must
    // not hang the run after its chip was programmed.
    const int fd = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) error = "not a regular file";
    ok = ok && lockDescriptor(fd, error);
    if (ok) {
        ::fstat(fd, &st);
        const off_t before = st.st_size;
        std::string bytes;
        if (before == 0) {
            bytes = std::string(kCsvLogHeader) + "\n";
        } else {
            char last = '\n';
            if (::pread(fd, &last, 1, before - 1) == 1 && last != '\n') bytes = "\n";  // end a partial line
        }
        bytes += line(record);
        ok = writeAll(fd, bytes, error);
        // Nothing half-written stays behind to be glued to the next record.
        if (!ok && ::ftruncate(fd, before) != 0) error += "; the partial line stays";
    }
    if (::close(fd) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    return ok;
}

std::vector<std::uint64_t> SettingsSerialSource::reserve(int count, std::string &error) {
    const std::filesystem::path file = userSettingsPath();
    if (file.empty()) {
        error = "no home directory to keep the next serial number in";
        return {};
    }
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    FileLock lock(file, kLockWaitMs);
    if (!lock.locked()) {
        error = lock.error();
        return {};
    }
    IniProfile profile(file);
    if (!profile.load()) {
        error = "cannot read the settings that keep the next serial number: " + profile.error();
        return {};
    }
    std::uint64_t first = 0;
    if (plan_.start) {
        first = *plan_.start;
    } else {
        const std::string remembered = profile.readString(kSection, kNextKey, "");
        const auto number = parseDecimal(remembered);
        if (remembered.empty()) {
            error = "no serial number to continue from; give --serial-start N";
            return {};
        }
        if (!number) {
            error = "the settings' " + std::string(kSection) + "/" + kNextKey +
                    " is not a number below 2^64: " + remembered;
            return {};
        }
        first = *number;
    }
    // The step and the start are at most 32 bits wide, so none of this can wrap.
    const std::uint64_t last = first + plan_.step * std::uint64_t(count - 1);
    if (first > serialMaximum(plan_.format) || last > serialMaximum(plan_.format)) {
        error = "serial number " + std::to_string(first > serialMaximum(plan_.format) ? first : last) +
                " does not fit the serial format " + serialFormatName(plan_.format);
        return {};
    }
    profile.writeString(kSection, kNextKey, std::to_string(last + plan_.step));
    if (!profile.save()) {
        error = "cannot remember the next serial number: " + profile.error();
        return {};
    }
    // A start given once is used once: the rest of this process continues from the settings.
    plan_.start.reset();
    std::vector<std::uint64_t> numbers;
    for (int i = 0; i < count; ++i) numbers.push_back(first + plan_.step * std::uint64_t(i));
    return numbers;
}

ProductionRecord productionRecord(const CliContext &ctx, const OperationJob &job, const RunOutcome &o) {
    ProductionRecord r;
    r.time = utcNow();
    r.station = ctx.station;
    r.programmerModel = o.connected ? o.model : "";
    r.programmerSerial = o.serial;
    r.device = std::string(job.device.vendor_name) + "/" + job.device.device_name;
    r.file = job.file.value_or("");
    if (job.file) r.checksum = o.programmedChecksum.value_or(job.dataChecksum);
    r.operation = job.name;
    for (int op : job.operations()) r.items.push_back(reportOperationName(op));
    r.serialNumber = o.serialNumber;
    // A verify only compares with a number handed out before.
    if (o.serialNumber && !(job.serial && job.serial->check))
        r.serialState = o.exitCode == kExitSuccess ? SerialState::Used : SerialState::Scrapped;
    r.result = resultName(o.exitCode);
    if (o.exitCode != kExitSuccess) r.reason = o.problem;
    r.elapsedMs = o.record ? o.record->elapsedMs() : 0;
    return r;
}

namespace {

// The station's session with the line's database, and the sinks over it.
void lineSinks(const CliContext &ctx, OperationJob &job, ProductionSinks &sinks) {
    std::shared_ptr<production::ProductionLine> line;
    std::optional<std::string> pool = job.serial ? job.serial->pool : std::nullopt;
    try {
        line = std::make_shared<production::ProductionLine>(*ctx.logFile, ctx.station);
        if (pool) {
            const auto state = line->pool(*pool);
            const auto format = serialFormatByName(state.settings.format);
            if (!format) throw UsageError("serial pool " + *pool + " has an unknown format " + state.settings.format);
            if (job.serial->formatGiven && *format != job.serial->format)
                throw UsageError("--serial-format " + std::string(serialFormatName(job.serial->format)) +
                                 " differs from the format of serial pool " + *pool + ", " + state.settings.format);
            if (serialWidth(*format) != serialWidth(job.serial->format))
                throw UsageError("serial pool " + *pool + " stores " + state.settings.format + " numbers; give " +
                                 "--serial-format " + state.settings.format + " so that their place is checked");
            job.serial->format = *format;
            job.serial->step = state.settings.step;
        }
    } catch (const production::ProductionError &e) {
        throw UsageError(e.what());
    }
    const auto &flushed = line->startFlush();
    if (flushed.written)
        ctx.terminal->plain("Wrote " + std::to_string(flushed.written) + " records from the journal " +
                            line->journal().file().string());
    if (flushed.damaged)
        std::fprintf(stderr, "vantor-cli: warning: %d damaged lines of the journal kept in %s\n", flushed.damaged,
                     flushed.damagedFile.c_str());
    if (line->abandonedAtStart())
        ctx.terminal->plain("Marked " + std::to_string(line->abandonedAtStart()) +
                            " serial numbers abandoned that station " + ctx.station + " left reserved");
    const std::string journal = line->journal().file().string();
    sinks.records = std::make_unique<production::DatabaseRunLog>(line, pool, [journal](const std::string &why) {
        std::fprintf(stderr,
                     "vantor-cli: warning: %s\nvantor-cli: records are kept in %s and written to the database once "
                     "it is back (next run, or vantor-cli report --flush)\n",
                     why.c_str(), journal.c_str());
    });
    if (pool) sinks.serials = std::make_unique<production::PoolSerialSource>(line, *pool);
}

}  // namespace

ProductionSinks productionSinks(const CliContext &ctx, OperationJob &job) {
    ProductionSinks sinks;
    const bool database = ctx.logFile && production::isDatabaseLocation(*ctx.logFile);
    if (job.serial && job.serial->pool && !database)
        throw UsageError("--serial-pool needs the line's database: --log postgresql://...");
    if (database) {
        lineSinks(ctx, job, sinks);
    } else if (ctx.logFile) {
        sinks.records = std::make_unique<CsvRunLog>(*ctx.logFile);
        std::string error;
        if (!sinks.records->ready(error)) throw UsageError("--log: " + error);
    }
    if (job.serial && !job.serial->check && !sinks.serials)
        sinks.serials = std::make_unique<SettingsSerialSource>(*job.serial);
    return sinks;
}

bool finishRun(const CliContext &ctx, ProductionSinks &sinks, const OperationJob &job, RunOutcome &outcome,
               std::string &error) {
    bool ok = true;
    if (outcome.serialNumber && sinks.serials) {
        const bool passed = outcome.exitCode == kExitSuccess;
        ok = passed ? sinks.serials->markUsed(*outcome.serialNumber, error)
                    : sinks.serials->markScrapped(*outcome.serialNumber, outcome.problem, error);
    }
    if (sinks.records) {
        std::string why;
        if (!sinks.records->write(productionRecord(ctx, job, outcome), why)) {
            error = "cannot append to the log " + sinks.records->describe() + ": " + why;
            ok = false;
        }
    }
    if (!ok) {
        if (outcome.exitCode == kExitSuccess) outcome.exitCode = kExitFailed;
        if (outcome.problem.empty()) outcome.problem = error;
    }
    return ok;
}

}  // namespace vantor::cli
