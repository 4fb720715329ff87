// A station's session against a real PostgreSQL server that the test starts itself.
#include <atomic>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "production/LineReport.h"
#include "production/ProductionLine.h"
#include "production/Schema.h"
#include "tests/support/PostgresServer.h"

using namespace vantor::production;
using vantor::test::PostgresServer;

namespace {

class ProductionTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = PostgresServer::shared();
        if (!server) GTEST_SKIP() << PostgresServer::missingReason();
        uri = server->freshDatabase();
        database = uri.substr(uri.find("@/") + 2, uri.find('?') - uri.find("@/") - 2);
        journalDir = server->folder() / ("journal-" + database);
    }

    Journal journal(const std::string &station) const { return Journal(journalDir / (station + ".journal")); }
    std::unique_ptr<ProductionLine> station(const std::string &name) {
        return std::make_unique<ProductionLine>(uri, name, journal(name));
    }

    long long count(const std::string &sql) {
        Connection c(uri);
        return c.exec(sql).integer(0, 0);
    }

    static LineRecord chip(const std::string &station, std::optional<std::uint64_t> serial, bool passed,
                           const std::string &device = "ATMEL/AT89S52", const std::string &reason = "") {
        LineRecord r;
        r.key = newRecordKey();
        r.recordedAt = "2026-12-08T04:00:00.000Z";
        r.station = station;
        r.programmerModel = "TR610";
        r.programmerSerial = "SIM0001";
        r.device = device;
        r.dataFile = "blink.hex";
        r.dataChecksum = 0x1234;
        r.operation = "auto";
        r.autoItems = "erase,program,verify";
        if (serial) {
            r.serialPool = "line";
            r.serialNumber = serial;
        }
        r.result = passed ? "passed" : "failed";
        r.failureReason = passed ? "" : (reason.empty() ? "Verify failed" : reason);
        r.elapsedMs = 800;
        return r;
    }

    PostgresServer *server = nullptr;
    std::string database, uri;
    std::filesystem::path journalDir;
};

}  // namespace

TEST_F(ProductionTest, StationsStartingTogetherMigrateOnceAndANewerSchemaIsRefused) {
    std::vector<std::thread> starts;
    std::atomic<int> failures{0};
    for (int i = 0; i < 6; ++i)
        starts.emplace_back([&, i] {
            try {
                station("s" + std::to_string(i));
            } catch (const std::exception &e) {
                ADD_FAILURE() << e.what();
                ++failures;
            }
        });
    for (auto &t : starts) t.join();
    EXPECT_EQ(failures, 0);
    Connection c(uri);
    EXPECT_EQ(schemaVersion(c), kSchemaVersion);
    EXPECT_EQ(count("SELECT count(*) FROM vantor_schema"), 1);

    c.exec("UPDATE vantor_schema SET version = 99");
    try {
        station("late");
        FAIL() << "a station started on a schema from the future";
    } catch (const ProductionError &e) {
        EXPECT_NE(std::string(e.what()).find("version 99, newer"), std::string::npos) << e.what();
    }
}

TEST_F(ProductionTest, ConcurrentStationsNeverShareANumberAndPoolLimitsHold) {
    {
        Connection c(uri);
        migrateSchema(c);
        createPool(c, {"line", 1000, 3, "ascii-dec"});
        EXPECT_THROW(createPool(c, {"line", 1, 1, "le32"}), ProductionError);
        EXPECT_THROW(createPool(c, {"odd", 1, 1, "bcd"}), ProductionError);
        EXPECT_THROW(createPool(c, {"big", 100000000, 1, "ascii-dec"}), ProductionError);
        createPool(c, {"tiny", 99999990, 5, "ascii-dec"});
    }
    std::vector<std::thread> stations;
    std::vector<std::vector<std::uint64_t>> got(6);
    for (int s = 0; s < 6; ++s)
        stations.emplace_back([&, s] {
            auto line = station("st" + std::to_string(s));
            for (int round = 0; round < 10; ++round)
                for (auto n : line->reserve("line", 4)) got[std::size_t(s)].push_back(n);
        });
    for (auto &t : stations) t.join();
    std::set<std::uint64_t> all;
    for (const auto &g : got)
        for (auto n : g) EXPECT_TRUE(all.insert(n).second) << "number " << n << " handed out twice";
    ASSERT_EQ(all.size(), 240u);
    EXPECT_EQ(*all.begin(), 1000u);
    EXPECT_EQ(*all.rbegin(), 1000u + 3 * 239);  // no gaps either
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state = 'reserved'"), 240);

    // The format's last numbers: 99999990 and 99999995 fit, 100000000 does not.
    auto line = station("edge");
    try {
        line->reserve("tiny", 3);
        FAIL() << "reserved a number the format cannot hold";
    } catch (const ProductionError &e) {
        EXPECT_NE(std::string(e.what()).find("100000000 does not fit"), std::string::npos) << e.what();
    }
    EXPECT_EQ(line->reserve("tiny", 2), (std::vector<std::uint64_t>{99999990, 99999995}));
    EXPECT_THROW(line->reserve("tiny", 1), ProductionError);
    EXPECT_EQ(line->pool("tiny").counts["reserved"], 2);
    try {
        line->reserve("nowhere", 1);
        FAIL();
    } catch (const ProductionError &e) {
        EXPECT_STREQ(e.what(), "no serial pool named nowhere");
    }
}

TEST_F(ProductionTest, RecordsSettleTheirNumbersAndTheJournalIsWrittenOnceWhenTheDatabaseReturns) {
    {
        Connection c(uri);
        migrateSchema(c);
        createPool(c, {"line", 1, 1, "le32"});
    }
    auto line = station("bench");
    const auto numbers = line->reserve("line", 4);
    EXPECT_EQ(line->write(chip("bench", numbers[0], true)), ProductionLine::Stored::Database);
    EXPECT_EQ(line->write(chip("bench", numbers[1], false, "ATMEL/AT89S52", "Blank check failed")),
              ProductionLine::Stored::Database);

    server->stop("immediate");
    // Chips in progress finish into the journal; no number is reserved while the database is away.
    EXPECT_EQ(line->write(chip("bench", numbers[2], true)), ProductionLine::Stored::Journal);
    EXPECT_EQ(line->write(chip("bench", numbers[3], false)), ProductionLine::Stored::Journal);
    EXPECT_THROW(line->reserve("line", 1), DatabaseUnreachable);
    EXPECT_EQ(line->journalled(), 2);
    EXPECT_NE(line->journalReason().find("database"), std::string::npos) << line->journalReason();
    const auto journalCopy = journalDir / "copy";
    std::filesystem::copy_file(line->journal().file(), journalCopy);
    server->start();
    line.reset();

    auto again = station("bench");
    EXPECT_EQ(again->startFlush().written, 2);
    EXPECT_EQ(again->abandonedAtStart(), 0);
    // A flush cut off after its commit runs again: the database keeps one copy.
    std::filesystem::copy_file(journalCopy, again->journal().file(), std::filesystem::copy_options::overwrite_existing);
    again.reset();
    again = station("bench");
    EXPECT_EQ(again->startFlush().written, 0);
    EXPECT_EQ(again->startFlush().alreadyThere, 2);

    EXPECT_EQ(count("SELECT count(*) FROM production_records"), 4);
    EXPECT_EQ(count("SELECT count(*) FROM production_records WHERE from_journal"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state = 'used'"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state = 'scrapped' AND reason = 'Blank check failed'"),
              1);
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state = 'reserved'"), 0);
    // The next reservation continues after the numbers of the outage, never under them.
    EXPECT_EQ(again->reserve("line", 1), std::vector<std::uint64_t>{5});
}

TEST_F(ProductionTest, ADeadStationsNumbersAreAbandonedButALiveStationKeepsItsOwn) {
    {
        Connection c(uri);
        migrateSchema(c);
        createPool(c, {"line", 1, 1, "le32"});
    }
    auto live = station("live");
    live->reserve("line", 2);
    {
        auto dead = station("dead");
        dead->reserve("line", 3);
    }                                                // its session ends without records, as a killed station's does
    EXPECT_THROW(station("live"), ProductionError);  // the name is taken while it runs

    Connection c(uri);
    EXPECT_EQ(reclaimSerials(c, "line"), 3);
    EXPECT_EQ(reclaimSerials(c, "line"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state = 'reserved' AND station = 'live'"), 2);
    EXPECT_THROW(reclaimSerials(c, "missing"), ProductionError);

    // A restart abandons what its own last run left reserved.
    live.reset();
    auto restarted = station("live");
    EXPECT_EQ(restarted->abandonedAtStart(), 2);
    EXPECT_EQ(restarted->reserve("line", 1), std::vector<std::uint64_t>{6});
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state = 'abandoned'"), 5);
}

TEST_F(ProductionTest, ReportCountsPerDeviceAndStationWithFailuresAndSerialRanges) {
    {
        Connection c(uri);
        migrateSchema(c);
        createPool(c, {"line", 100, 10, "le32"});
    }
    auto a = station("a");
    auto b = station("b");
    const auto na = a->reserve("line", 4);  // 100..130
    const auto nb = b->reserve("line", 2);  // 140, 150
    a->write(chip("a", na[0], true));
    a->write(chip("a", na[1], false, "ATMEL/AT89S52", "Verify failed"));
    a->write(chip("a", na[2], true));
    a->write(chip("a", na[3], true));
    b->write(chip("b", nb[0], false, "SST/SST89E516", "Verify failed"));
    b->write(chip("b", nb[1], false, "SST/SST89E516", "No chip"));
    b->write(chip("b", std::nullopt, true, "SST/SST89E516"));

    Connection c(uri);
    const auto all = lineReport(c, {});
    ASSERT_EQ(all["groups"].size(), 2u);
    EXPECT_EQ(all["groups"][0]["device"], "ATMEL/AT89S52");
    EXPECT_EQ(all["groups"][0]["passed"], 3);
    EXPECT_DOUBLE_EQ(all["groups"][0]["first_pass_yield"].get<double>(), 0.75);
    EXPECT_EQ(all["totals"]["records"], 7);
    EXPECT_EQ(all["totals"]["failed"], 3);
    EXPECT_EQ(all["failure_reasons"][0], (nlohmann::json{{"reason", "Verify failed"}, {"count", 2}}));
    EXPECT_EQ(all["failure_reasons"][1]["reason"], "No chip");
    const nlohmann::json ranges = nlohmann::json::parse(R"([
        {"pool":"line","state":"used","first":100,"last":100,"count":1},
        {"pool":"line","state":"scrapped","first":110,"last":110,"count":1},
        {"pool":"line","state":"used","first":120,"last":130,"count":2},
        {"pool":"line","state":"scrapped","first":140,"last":150,"count":2}])");
    EXPECT_EQ(all["serial_ranges"], ranges);

    const auto onlyB = lineReport(c, {std::nullopt, std::string("b"), std::nullopt});
    EXPECT_EQ(onlyB["totals"]["records"], 3);
    EXPECT_EQ(onlyB["serial_ranges"].size(), 1u);
    EXPECT_EQ(lineReport(c, {std::nullopt, std::nullopt, std::string("ATMEL/AT89S52")})["totals"]["passed"], 3);
    EXPECT_EQ(lineReport(c, {std::string("2999-01-01"), std::nullopt, std::nullopt})["totals"]["records"], 0);
    EXPECT_THROW(lineReport(c, {std::string("last tuesday-ish"), std::nullopt, std::nullopt}), ProductionError);
    const std::string text = lineReportText(all);
    EXPECT_NE(text.find("75.0%"), std::string::npos) << text;
    EXPECT_NE(text.find("140..150 (2)"), std::string::npos) << text;
}

TEST_F(ProductionTest, AStationRoleWithLeastRightsRecordsAndReservesButCannotChangeTheSchema) {
    {
        Connection owner(uri);
        migrateSchema(owner);
        createPool(owner, {"line", 1, 1, "le32"});
        // The grants of docs/production.md.
        owner.execScript(
            "DROP ROLE IF EXISTS vantor_station_t; CREATE ROLE vantor_station_t LOGIN PASSWORD 'pw';"
            "GRANT SELECT ON vantor_schema, serial_pools TO vantor_station_t;"
            "GRANT UPDATE (next_value) ON serial_pools TO vantor_station_t;"
            "GRANT SELECT, INSERT, UPDATE (state, finished_at, reason) ON serial_numbers TO vantor_station_t;"
            "GRANT INSERT, SELECT (record_key) ON production_records TO vantor_station_t;"
            "GRANT USAGE ON SEQUENCE production_records_id_seq TO vantor_station_t;"
            "REVOKE CREATE ON SCHEMA public FROM PUBLIC;");
    }
    const std::string stationUri = server->uri(database, "vantor_station_t", "pw");
    ProductionLine line(stationUri, "limited", journal("limited"));
    const auto n = line.reserve("line", 2);
    EXPECT_EQ(line.write(chip("limited", n[0], true)), ProductionLine::Stored::Database);
    EXPECT_EQ(line.write(chip("limited", n[1], false)), ProductionLine::Stored::Database);
    EXPECT_EQ(line.journalled(), 0);
    Connection limited(stationUri);
    EXPECT_THROW(limited.exec("CREATE TABLE intruder (x int)"), ProductionError);
    EXPECT_THROW(limited.exec("DELETE FROM production_records"), ProductionError);
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state IN ('used', 'scrapped')"), 2);

    // Wrong password and malformed URIs: the server's or libpq's own words, before anything else.
    try {
        Connection wrong(server->uri(database, "vantor_station_t", "nope"));
        FAIL();
    } catch (const DatabaseUnreachable &e) {
        EXPECT_NE(std::string(e.what()).find("password authentication failed"), std::string::npos) << e.what();
    }
    for (const char *bad :
         {"postgresql://host:notaport/db", "postgresql://u:sekrit@[::1/db", "postgresql://h/db?nosuch=1",
          "host=[::1 password=sekrit port=x", "postgresql://u@[::1/db?password=sekrit&x=1"}) {
        try {
            Connection c(bad);
            ADD_FAILURE() << bad << " connected";
        } catch (const DatabaseUnreachable &e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("cannot connect to the database: "), std::string::npos) << message;
            EXPECT_GT(message.size(), 40u) << bad << ": " << message;
            EXPECT_EQ(message.find("sekrit"), std::string::npos) << message;
        }
    }
}
