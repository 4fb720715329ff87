#pragma once
// One record per chip and operation, as the database and the journal keep it.
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace vantor::production {

struct LineRecord {
    // Unique per record, made when the record is made: the database refuses a second copy,
    // so a journal flushed twice writes each record once.
    std::string key;
    std::string recordedAt;  // UTC, ISO 8601 with milliseconds
    std::string station;
    std::string programmerModel, programmerSerial;
    std::string device;  // "VENDOR/NAME"
    std::string dataFile;
    std::optional<std::uint32_t> dataChecksum;
    std::string operation;  // the command-line name, "auto" for an Auto run
    std::string autoItems;  // "erase,program,verify" for an Auto run
    std::optional<std::string> serialPool;
    std::optional<std::uint64_t> serialNumber;
    std::string result;  // "passed", "failed", "cancelled", "error"
    std::string failureReason;
    std::uint64_t elapsedMs = 0;
};

// A fresh record key: 128 random bits in hexadecimal.
std::string newRecordKey();

nlohmann::json toJson(const LineRecord &record);
// Throws ProductionError naming the first field that is missing or of the wrong kind.
LineRecord recordFromJson(const nlohmann::json &json);

}  // namespace vantor::production
