// A production line of station processes against a real PostgreSQL server: the load test,
// a station killed and the database restarted mid-run, and the refusals before any chip.
#include <chrono>
#include <csignal>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "production/Connection.h"
#include "production/Journal.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/RunCommand.h"
#include "tests/cli/JsonSchema.h"

using namespace vantor::test;
using vantor::production::Connection;

namespace {

constexpr int kStations = 8, kGang = 8, kRounds = 20;

std::string slurp(const std::filesystem::path &p) {
    std::stringstream s;
    s << std::ifstream(p).rdbuf();
    return s.str();
}

// A shell script in its own process group, so that a station and its current run die together.
pid_t spawn(const std::string &script) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    return pid;
}

// A document of serial-pool or report, checked against the published schema.
nlohmann::json document(const std::string &output) {
    static const JsonSchema schema(
        nlohmann::json::parse(std::ifstream(std::string(VANTOR_SOURCE_DIR) + "/docs/vantor-cli.schema.json")));
    const auto doc = nlohmann::json::parse(output.substr(output.find("{\"")));
    EXPECT_EQ(schema.check(doc), "") << doc.dump();
    return doc;
}

int waitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class LineTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = PostgresServer::shared();
        if (!server) GTEST_SKIP() << PostgresServer::missingReason();
        uri = server->freshDatabase();
        dir = server->folder() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "config");
        cli = "XDG_CONFIG_HOME=" + (dir / "config").string() + " " + binPath("vantor-cli") + " --no-color --lib-dir " +
              VANTOR_BIN_DIR + " ";
    }

    CommandResult run(const std::string &arguments) { return runCommand(cli + arguments); }

    // One round of a station: a gang of simulated programmers, numbers from the pool.
    std::string round(const std::string &station, const std::string &extra = "") const {
        return cli + "--simulate --sim-count " + std::to_string(kGang) + " gang program -d ATMEL/AT89S52 -f " +
               VANTOR_SOURCE_DIR + "/data/samples/blink.hex --serial-at 1000 --serial-pool line --log '" + uri +
               "' --station " + station + " --json " + extra;
    }
    // A station process: `rounds` rounds, each document in its own file. A round refused at its
    // start (the database away) is tried again; nothing was touched.
    pid_t station(int n, int rounds) const {
        const std::string s = "s" + std::to_string(n), out = (dir / s).string();
        return spawn("r=1; while [ $r -le " + std::to_string(rounds) + " ]; do " + round(s) + " >" + out +
                     "-$r.json 2>>" + out + ".log; rc=$?; if [ $rc -eq 2 ]; then sleep 0.2; else r=$((r+1)); fi; done");
    }

    // Totals of the gang documents the stations printed: chips run and chips passed.
    std::pair<long long, long long> runsCounted() const {
        long long runs = 0, passed = 0;
        for (const auto &entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() != ".json") continue;
            const std::string text = slurp(entry.path());
            if (text.empty()) continue;
            const auto doc = nlohmann::json::parse(text, nullptr, false);
            if (doc.is_discarded()) {
                ADD_FAILURE() << entry.path() << " is not a JSON document: " << text.substr(0, 300);
                continue;
            }
            if (doc["command"] != "gang" || !doc.contains("runs")) continue;
            for (const auto &r : doc["runs"]) {
                ++runs;
                passed += r["result"] == "success";
            }
        }
        return {runs, passed};
    }

    long long count(const std::string &sql) {
        Connection c(uri);
        return c.exec(sql).integer(0, 0);
    }

    // Every record once, every serial number on one chip at most, every number settled.
    void expectConsistent(long long records) {
        EXPECT_EQ(count("SELECT count(*) FROM production_records"), records);
        EXPECT_EQ(count("SELECT count(DISTINCT record_key) FROM production_records"), records);
        EXPECT_EQ(count("SELECT count(*) - count(DISTINCT serial_number) FROM production_records"), 0);
        EXPECT_EQ(count("SELECT count(*) FROM production_records WHERE serial_number IS NULL"), 0);
        EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state IN ('used', 'scrapped')"), records);
        // Each record settled the number it names.
        EXPECT_EQ(count("SELECT count(*) FROM production_records r JOIN serial_numbers s ON s.pool = r.serial_pool "
                        "AND s.value = r.serial_number AND s.state = CASE r.result WHEN 'passed' THEN 'used' "
                        "ELSE 'scrapped' END"),
                  records);
    }

    PostgresServer *server = nullptr;
    std::string uri, cli;
    std::filesystem::path dir;
};

}  // namespace

TEST_F(LineTest, EightStationsOfEightProgrammersShareOnePoolWithoutARepeat) {
    const auto created = run("serial-pool create line --start 5000 --step 1 --json --log '" + uri + "'");
    ASSERT_EQ(created.status, 0) << created.output;
    EXPECT_EQ(document(created.output)["pool"]["next"], 5000);
    const auto start = std::chrono::steady_clock::now();
    std::vector<pid_t> stations;
    for (int s = 0; s < kStations; ++s) stations.push_back(station(s, kRounds));
    for (pid_t pid : stations) EXPECT_EQ(waitFor(pid), 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto [runs, passed] = runsCounted();
    const long long chips = kStations * kGang * kRounds;
    std::printf("%lld chips recorded by %d stations in %.1f s: %.0f records per second\n", chips, kStations, seconds,
                double(chips) / seconds);
    RecordProperty("records_per_second", int(double(chips) / seconds));

    EXPECT_EQ(runs, chips);
    expectConsistent(chips);
    EXPECT_EQ(count("SELECT max(serial_number) - min(serial_number) + 1 FROM production_records"), chips);
    const auto report = run("report --json --log '" + uri + "'");
    ASSERT_EQ(report.status, 0) << report.output;
    const auto doc = document(report.output);
    EXPECT_EQ(doc["totals"]["records"], runs);
    EXPECT_EQ(doc["totals"]["passed"], passed);
    EXPECT_EQ(doc["groups"].size(), std::size_t(kStations));
    const auto one = document(run("report --json --station s3 --log '" + uri + "'").output);
    ASSERT_EQ(one["groups"].size(), 1u);
    EXPECT_EQ(one["groups"][0]["station"], "s3");
    EXPECT_EQ(one["totals"]["records"], kGang * kRounds);
    const auto shown = document(run("serial-pool show line --json --log '" + uri + "'").output);
    EXPECT_EQ(shown["pool"]["counts"]["used"], passed);
    EXPECT_EQ(shown["pool"]["next"], 5000 + chips);
}

TEST_F(LineTest, AKilledStationAndARestartedDatabaseLoseNoRecordAndRepeatNoNumber) {
    ASSERT_EQ(run("serial-pool create line --start 1 --log '" + uri + "'").status, 0);
    constexpr int rounds = 8;
    std::vector<pid_t> stations;
    for (int s = 0; s < kStations; ++s) stations.push_back(station(s, rounds));
    // Station 0 dies mid-run: after its first round, while its chips hold reserved numbers.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((count("SELECT count(*) FROM production_records WHERE station = 's0'") < kGang ||
            count("SELECT count(*) FROM serial_numbers WHERE station = 's0' AND state = 'reserved'") == 0) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(::kill(-stations[0], SIGKILL), 0);
    waitFor(stations[0]);
    // The database goes away under the others, and comes back.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server->stop("immediate");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    server->start();
    for (std::size_t s = 1; s < stations.size(); ++s) EXPECT_EQ(waitFor(stations[s]), 0);

    // The killed station's next start abandons what its broken run had reserved.
    const long long leftOver = count("SELECT count(*) FROM serial_numbers WHERE state = 'reserved' AND station = 's0'");
    const auto restart = runCommand("{ " + round("s0") + " 2>" + (dir / "s0-restart.log").string() + " >" +
                                    (dir / "s0-restart.json").string() + "; }");
    EXPECT_EQ(restart.status, 0) << slurp(dir / "s0-restart.log");
    EXPECT_GT(leftOver, 0);
    EXPECT_NE(
        slurp(dir / "s0-restart.log")
            .find("Marked " + std::to_string(leftOver) + " serial numbers abandoned that station s0 left reserved"),
        std::string::npos)
        << slurp(dir / "s0-restart.log");

    // Numbers of the others' last runs wait for their journals: reclaim abandons them, and the
    // journal's records still settle them.
    const long long waiting = count("SELECT count(*) FROM serial_numbers WHERE state = 'reserved'");
    const auto reclaimed = run("serial-pool reclaim line --json --log '" + uri + "'");
    ASSERT_EQ(reclaimed.status, 0) << reclaimed.output;
    EXPECT_EQ(document(reclaimed.output)["reclaimed"], waiting);
    const auto flushed = run("report --flush --json --log '" + uri + "'");
    ASSERT_EQ(flushed.status, 0) << flushed.output;
    std::printf("%s", flushed.output.substr(0, flushed.output.find("{\"")).c_str());
    const auto [runs, passed] = runsCounted();
    std::printf("%lld chips recorded, %lld from journals, %lld numbers abandoned\n", runs,
                count("SELECT count(*) FROM production_records WHERE from_journal"),
                count("SELECT count(*) FROM serial_numbers WHERE state = 'abandoned'"));
    // The killed run printed no document and recorded nothing: its chips are the abandoned numbers.
    expectConsistent(runs);
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state = 'reserved'"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers"),
              runs + count("SELECT count(*) FROM serial_numbers WHERE state = 'abandoned'"));
    const auto doc = document(flushed.output);
    EXPECT_EQ(doc["totals"]["records"], runs);
    EXPECT_EQ(doc["totals"]["passed"], passed);
    // Flushing again writes nothing twice.
    EXPECT_EQ(run("report --flush --log '" + uri + "'").status, 0);
    expectConsistent(runs);
}

TEST_F(LineTest, BadInputIsRefusedBeforeAnyChipIsTouchedAndADamagedJournalLosesNothing) {
    ASSERT_EQ(run("serial-pool create line --start 1 --log '" + uri + "'").status, 0);
    ASSERT_EQ(run("serial-pool create nearly-full --start 99999997 --format ascii-dec --log '" + uri + "'").status, 0);
    {
        Connection admin(uri);
        admin.execScript("DROP ROLE IF EXISTS line_station; CREATE ROLE line_station LOGIN PASSWORD 'right';");
    }
    std::string wrongPassword = uri;
    wrongPassword.replace(wrongPassword.find("vantor@"), 7, "line_station:wrong@");
    const std::string chips = (dir / "chips").string();
    const std::string gang = "--simulate --sim-count 4 --sim-chip " + chips + " gang program -d ATMEL/AT89S52 -f " +
                             VANTOR_SOURCE_DIR + "/data/samples/blink.hex --serial-at 1000 --station bad ";
    struct Case {
        std::string arguments, message;
    };
    const Case cases[] = {
        {"--serial-pool line --log 'postgresql://[::1/db'", "cannot connect to the database: "},
        {"--serial-pool line --log 'postgresql://host:port/db'", "invalid integer value \"port\""},
        {"--serial-pool line --log '" + wrongPassword + "'",
         "password authentication failed for user \"line_station\""},
        {"--serial-pool missing --log '" + uri + "'", "no serial pool named missing"},
        {"--serial-pool nearly-full --serial-format ascii-dec --log '" + uri + "'",
         "serial pool nearly-full is used up: 100000000 does not fit its format ascii-dec"},
        {"--serial-pool nearly-full --log '" + uri + "'", "give --serial-format ascii-dec"},
        {"--serial-pool line --log " + (dir / "log.csv").string(), "--serial-pool needs the line's database"},
        {"--serial-pool line --serial-start 5 --log '" + uri + "'", "takes its start and step from the pool"},
        {"--serial-pool line --serial-number 5 --log '" + uri + "'", "it takes none from --serial-pool"},
    };
    for (const auto &c : cases) {
        const auto r = run(gang + c.arguments);
        EXPECT_EQ(r.status, 2) << c.arguments << "\n" << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.arguments << "\n" << r.output;
        EXPECT_FALSE(std::filesystem::exists(chips) && !std::filesystem::is_empty(chips)) << c.arguments;
    }
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers"), 0);
    EXPECT_EQ(count("SELECT next_value FROM serial_pools WHERE name = 'nearly-full'"), 99999997);
    EXPECT_NE(run("serial-pool show line").output.find("needs the line's database"), std::string::npos);

    // Two numbers still fit: a gang of two takes them, and the chips are programmed.
    EXPECT_EQ(run("--simulate --sim-count 2 --sim-chip " + chips + " gang program -d ATMEL/AT89S52 -f " +
                  VANTOR_SOURCE_DIR +
                  "/data/samples/blink.hex --serial-at 1000 --serial-format ascii-dec "
                  "--serial-pool nearly-full --log '" +
                  uri + "'")
                  .status,
              0);
    EXPECT_FALSE(std::filesystem::is_empty(chips));
    EXPECT_EQ(count("SELECT count(*) FROM serial_numbers WHERE state = 'used' AND value IN (99999997, 99999998)"), 2);

    // A journal with a damaged line: the intact records are written, the damaged line is kept
    // aside and the flush says so with a failure.
    vantor::production::Journal journal(dir / "config/TarvikTech/production-journal/offline.journal");
    vantor::production::LineRecord record;
    record.key = vantor::production::newRecordKey();
    record.station = "offline";
    record.device = "ATMEL/AT89S52";
    record.operation = "program";
    record.result = "passed";
    journal.append(record);
    std::ofstream(journal.file(), std::ios::app) << "1234abcd {\"key\":\"half a record\n";
    const auto flushed = run("report --flush --log '" + uri + "'");
    EXPECT_EQ(flushed.status, 1) << flushed.output;
    EXPECT_NE(flushed.output.find("1 damaged lines could not be read; kept in " + journal.file().string() + ".damaged"),
              std::string::npos)
        << flushed.output;
    EXPECT_EQ(count("SELECT count(*) FROM production_records WHERE station = 'offline'"), 1);
    EXPECT_NE(slurp(journal.file().string() + ".damaged").find("half a record"), std::string::npos);
    EXPECT_EQ(run("report --flush --log '" + uri + "'").status, 0);
    EXPECT_EQ(count("SELECT count(*) FROM production_records WHERE station = 'offline'"), 1);
}
