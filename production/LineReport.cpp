#include "production/LineReport.h"

#include <cstdio>

namespace vantor::production {

namespace {

// $1 since, $2 station, $3 device; NULL leaves a filter out.
constexpr const char *kRecordFilter =
    "($1::timestamptz IS NULL OR r.recorded_at >= $1::timestamptz) AND ($2::text IS NULL OR r.station = $2) "
    "AND ($3::text IS NULL OR r.device = $3)";

double yield(long long passed, long long programmed) { return programmed ? double(passed) / double(programmed) : 0.0; }

nlohmann::json counts(long long records, long long passed, long long failed) {
    return {{"records", records},
            {"passed", passed},
            {"failed", failed},
            {"other", records - passed - failed},
            {"first_pass_yield", yield(passed, passed + failed)}};
}

}  // namespace

nlohmann::json lineReport(Connection &connection, const ReportFilter &filter) {
    const Parameters parameters = {filter.since, filter.station, filter.device};
    nlohmann::json report = {{"groups", nlohmann::json::array()},
                             {"failure_reasons", nlohmann::json::array()},
                             {"serial_ranges", nlohmann::json::array()}};
    long long records = 0, passed = 0, failed = 0;
    auto groups =
        connection.exec(std::string("SELECT device, station, count(*), count(*) FILTER (WHERE result = 'passed'), "
                                    "count(*) FILTER (WHERE result = 'failed') FROM production_records r WHERE ") +
                            kRecordFilter + " GROUP BY device, station ORDER BY device, station",
                        parameters);
    for (int i = 0; i < groups.rows(); ++i) {
        nlohmann::json group = counts(groups.integer(i, 2), groups.integer(i, 3), groups.integer(i, 4));
        group["device"] = groups.text(i, 0);
        group["station"] = groups.text(i, 1);
        report["groups"].push_back(group);
        records += groups.integer(i, 2);
        passed += groups.integer(i, 3);
        failed += groups.integer(i, 4);
    }
    report["totals"] = counts(records, passed, failed);
    auto reasons = connection.exec(std::string("SELECT failure_reason, count(*) FROM production_records r WHERE ") +
                                       kRecordFilter +
                                       " AND result <> 'passed' GROUP BY failure_reason ORDER BY 2 DESC, 1 LIMIT 5",
                                   parameters);
    for (int i = 0; i < reasons.rows(); ++i)
        report["failure_reasons"].push_back({{"reason", reasons.text(i, 0)}, {"count", reasons.integer(i, 1)}});
    // Consecutive numbers of one state form one range (gaps and islands over the pool's step).
    auto ranges = connection.exec(
        "SELECT pool, state, min(value), max(value), count(*) FROM ("
        "  SELECT s.pool, s.state, s.value, (s.value - p.start_value) / p.step "
        "         - row_number() OVER (PARTITION BY s.pool, s.state ORDER BY s.value) AS island "
        "  FROM serial_numbers s JOIN serial_pools p ON p.name = s.pool "
        "  WHERE s.state IN ('used', 'scrapped', 'abandoned') "
        "    AND ($1::timestamptz IS NULL OR s.reserved_at >= $1::timestamptz) "
        "    AND ($2::text IS NULL OR s.station = $2) "
        "    AND ($3::text IS NULL OR EXISTS (SELECT 1 FROM production_records r WHERE r.serial_pool = s.pool "
        "         AND r.serial_number = s.value AND r.device = $3))"
        ") n GROUP BY pool, state, island ORDER BY pool, min(value)",
        parameters);
    for (int i = 0; i < ranges.rows(); ++i)
        report["serial_ranges"].push_back({{"pool", ranges.text(i, 0)},
                                           {"state", ranges.text(i, 1)},
                                           {"first", ranges.integer(i, 2)},
                                           {"last", ranges.integer(i, 3)},
                                           {"count", ranges.integer(i, 4)}});
    return report;
}

std::string lineReportText(const nlohmann::json &report) {
    std::string text;
    char line[512];
    const auto row = [&](const std::string &device, const std::string &station, const nlohmann::json &c) {
        std::snprintf(line, sizeof line, "%-24s %-16s %8lld %8lld %8lld %8lld %6.1f%%\n", device.c_str(),
                      station.c_str(), c["records"].get<long long>(), c["passed"].get<long long>(),
                      c["failed"].get<long long>(), c["other"].get<long long>(),
                      100.0 * c["first_pass_yield"].get<double>());
        text += line;
    };
    std::snprintf(line, sizeof line, "%-24s %-16s %8s %8s %8s %8s %7s\n", "Device", "Station", "Records", "Passed",
                  "Failed", "Other", "Yield");
    text += line;
    for (const auto &g : report["groups"]) row(g["device"], g["station"], g);
    row("Total", "", report["totals"]);
    if (!report["failure_reasons"].empty()) {
        text += "\nMost frequent failures:\n";
        for (const auto &r : report["failure_reasons"]) {
            std::snprintf(line, sizeof line, "%8lld  %s\n", r["count"].get<long long>(),
                          r["reason"].get<std::string>().empty() ? "(no reason given)"
                                                                 : r["reason"].get<std::string>().c_str());
            text += line;
        }
    }
    if (!report["serial_ranges"].empty()) {
        text += "\nSerial numbers:\n";
        for (const auto &r : report["serial_ranges"]) {
            std::snprintf(line, sizeof line, "  %-16s %-10s %lld..%lld (%lld)\n", r["pool"].get<std::string>().c_str(),
                          r["state"].get<std::string>().c_str(), r["first"].get<long long>(),
                          r["last"].get<long long>(), r["count"].get<long long>());
            text += line;
        }
    }
    return text;
}

}  // namespace vantor::production
