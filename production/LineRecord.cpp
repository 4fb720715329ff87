#include "production/LineRecord.h"

#include <cstdio>
#include <random>

#include "production/Connection.h"

namespace vantor::production {

std::string newRecordKey() {
    static thread_local std::random_device device;
    char text[33];
    std::snprintf(text, sizeof text, "%08x%08x%08x%08x", device(), device(), device(), device());
    return text;
}

nlohmann::json toJson(const LineRecord &r) {
    nlohmann::json j = {{"key", r.key},
                        {"recorded_at", r.recordedAt},
                        {"station", r.station},
                        {"programmer_model", r.programmerModel},
                        {"programmer_serial", r.programmerSerial},
                        {"device", r.device},
                        {"data_file", r.dataFile},
                        {"data_checksum", nullptr},
                        {"operation", r.operation},
                        {"auto_items", r.autoItems},
                        {"serial_pool", nullptr},
                        {"serial_number", nullptr},
                        {"result", r.result},
                        {"failure_reason", r.failureReason},
                        {"elapsed_ms", r.elapsedMs}};
    if (r.dataChecksum) j["data_checksum"] = *r.dataChecksum;
    if (r.serialPool) j["serial_pool"] = *r.serialPool;
    if (r.serialNumber) j["serial_number"] = *r.serialNumber;
    return j;
}

LineRecord recordFromJson(const nlohmann::json &j) {
    const auto text = [&](const char *name) {
        if (!j.contains(name) || !j[name].is_string()) throw ProductionError(std::string("no text field ") + name);
        return j[name].get<std::string>();
    };
    const auto number = [&](const char *name) -> std::optional<std::uint64_t> {
        if (!j.contains(name)) throw ProductionError(std::string("no field ") + name);
        if (j[name].is_null()) return std::nullopt;
        if (!j[name].is_number_unsigned()) throw ProductionError(std::string("field ") + name + " is not a number");
        return j[name].get<std::uint64_t>();
    };
    LineRecord r;
    r.key = text("key");
    if (r.key.empty()) throw ProductionError("empty record key");
    r.recordedAt = text("recorded_at");
    r.station = text("station");
    r.programmerModel = text("programmer_model");
    r.programmerSerial = text("programmer_serial");
    r.device = text("device");
    r.dataFile = text("data_file");
    if (auto sum = number("data_checksum")) r.dataChecksum = std::uint32_t(*sum);
    r.operation = text("operation");
    r.autoItems = text("auto_items");
    if (!j.contains("serial_pool")) throw ProductionError("no field serial_pool");
    if (!j["serial_pool"].is_null()) r.serialPool = text("serial_pool");
    r.serialNumber = number("serial_number");
    r.result = text("result");
    r.failureReason = text("failure_reason");
    auto elapsed = number("elapsed_ms");
    if (!elapsed) throw ProductionError("no elapsed_ms");
    r.elapsedMs = *elapsed;
    return r;
}

}  // namespace vantor::production
