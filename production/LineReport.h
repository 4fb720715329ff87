#pragma once
// What the line programmed: per device and station, the most frequent failure reasons and
// the serial ranges used and scrapped.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "production/Connection.h"

namespace vantor::production {

struct ReportFilter {
    std::optional<std::string> since;  // any time PostgreSQL reads, e.g. "2026-12-01" or "2026-12-01 08:00+01"
    std::optional<std::string> station;
    std::optional<std::string> device;
};

// {"groups":[{device, station, records, passed, failed, other, first_pass_yield}],
//  "totals":{...}, "failure_reasons":[{reason, count}], "serial_ranges":[{pool, state, first, last, count}]}
nlohmann::json lineReport(Connection &connection, const ReportFilter &filter);
// The same as a table for people.
std::string lineReportText(const nlohmann::json &report);

}  // namespace vantor::production
