#pragma once
// Where a production run takes its serial numbers from and where it records each chip. The
// command line has a CSV file and the bench's settings behind these; a line of stations plugs
// a shared database in beside them. Standard library only, so every front end can use them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantor {

// What became of a serial number that was reserved for a chip.
enum class SerialState {
    None,      // the run wrote no serial number
    Used,      // the chip passed: the number is on it
    Scrapped,  // the chip failed (or the run stopped): the number is never handed out again
};

// One chip through one operation (or one Auto run).
struct ProductionRecord {
    std::string time;             // UTC, ISO 8601 with milliseconds: 2026-12-08T04:05:06.789Z
    std::string station;          // the bench
    std::string programmerModel;  // "TR610"; "" when no programmer answered
    std::string programmerSerial;
    std::string device;                     // "VENDOR/NAME"
    std::string file;                       // data file path; "" without one
    std::optional<std::uint32_t> checksum;  // of the image as programmed (serial number included)
    std::string operation;                  // command-line name: "program", "auto"
    std::vector<std::string> items;         // the operations of the run in order
    std::optional<std::uint64_t> serialNumber;
    SerialState serialState = SerialState::None;
    std::string result;  // "success", "failure", "cancelled", "error"
    std::string reason;  // why it failed (and so why its serial number was scrapped)
    std::uint64_t elapsedMs = 0;
};

const char *serialStateName(SerialState state);  // "", "used", "scrapped"

// Keeps one record per chip. Gang workers call write() concurrently.
class RunRecordWriter {
public:
    virtual ~RunRecordWriter() = default;
    // Checked before any chip is touched: false (with the reason) when records cannot be kept.
    virtual bool ready(std::string &error) = 0;
    // Keeps the record whole or not at all; never blocks forever. False with the reason.
    virtual bool write(const ProductionRecord &record, std::string &error) = 0;
    // Where the records go, for messages ("log.csv").
    virtual std::string describe() const = 0;
};

// Hands out serial numbers that are never handed out twice, across threads and processes.
// A number is reserved before its chip is programmed, then marked used or scrapped.
class SerialNumberSource {
public:
    virtual ~SerialNumberSource() = default;
    // Reserves `count` numbers at once, in order, each of which fits the serial format. Empty
    // (with the reason) when they cannot all be reserved: then none is, and no chip is touched.
    virtual std::vector<std::uint64_t> reserve(int count, std::string &error) = 0;
    // The chip carrying `number` passed. Thread-safe.
    virtual bool markUsed(std::uint64_t number, std::string &error) = 0;
    // The chip carrying `number` failed, or its run never finished; `reason` says why. The
    // number is not reused. Thread-safe.
    virtual bool markScrapped(std::uint64_t number, const std::string &reason, std::string &error) = 0;
};

}  // namespace vantor
