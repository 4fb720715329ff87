// The station journal on its own: what survives damage, and what a failed flush keeps.
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "production/Connection.h"
#include "production/Journal.h"

using namespace vantor::production;

namespace {

LineRecord record(int n) {
    LineRecord r;
    r.key = newRecordKey();
    r.recordedAt = "2026-12-08T04:00:00.000Z";
    r.station = "bench-1";
    r.programmerModel = "TR610";
    r.programmerSerial = "SIM" + std::to_string(n);
    r.device = "ATMEL/AT89S52";
    r.dataFile = "/data/blink \"quoted\".hex";
    r.dataChecksum = 0xDEADBEEF;
    r.operation = "auto";
    r.autoItems = "erase,program,verify";
    r.serialPool = "line-a";
    r.serialNumber = 4000000000ull + std::uint64_t(n);
    r.result = n % 2 ? "failed" : "passed";
    r.failureReason = n % 2 ? "Verify failed at 0x0010" : "";
    r.elapsedMs = 1234;
    return r;
}

std::string slurp(const std::filesystem::path &p) {
    std::stringstream s;
    s << std::ifstream(p).rdbuf();
    return s.str();
}

struct JournalTest : ::testing::Test {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vantor-journal-" + std::to_string(::getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Journal journal{dir / "bench-1.journal"};
    void TearDown() override { std::filesystem::remove_all(dir); }
};

}  // namespace

TEST_F(JournalTest, RecordsComeBackWholeAndAFailedFlushKeepsThemAll) {
    for (int i = 0; i < 3; ++i) journal.append(record(i));
    const auto before = slurp(journal.file());
    EXPECT_EQ(journal.pending(), 3);

    int seen = 0;
    EXPECT_THROW(journal.flush([&](const LineRecord &) -> bool {
        if (++seen == 2) throw DatabaseUnreachable("lost the connection");
        return true;
    }),
                 DatabaseUnreachable);
    EXPECT_EQ(slurp(journal.file()), before);

    std::vector<LineRecord> written;
    const auto summary = journal.flush([&](const LineRecord &r) {
        written.push_back(r);
        return written.size() != 1;  // the first one the interrupted flush had written
    });
    EXPECT_EQ(summary.written, 2);
    EXPECT_EQ(summary.alreadyThere, 1);
    EXPECT_EQ(summary.damaged, 0);
    ASSERT_EQ(written.size(), 3u);
    LineRecord expected = record(1);
    expected.key = written[1].key;
    expected.recordedAt = written[1].recordedAt;
    EXPECT_EQ(toJson(written[1]), toJson(expected));
    EXPECT_EQ(journal.pending(), 0);
    EXPECT_EQ(journal.flush([](const LineRecord &) { return true; }).written, 0);
}

TEST_F(JournalTest, DamagedAndTornLinesAreMovedAsideNotDropped) {
    for (int i = 0; i < 4; ++i) journal.append(record(i));
    std::string text = slurp(journal.file());
    // A changed digit inside line 2 (its checksum no longer matches) ...
    const auto line2 = text.find('\n') + 1;
    const auto digit = text.find("4000000001", line2);
    text[digit + 9] = '7';
    // ... line 3 made into text that is not a record at all, and a last line cut off by a crash.
    const auto line3 = text.find('\n', line2) + 1;
    const auto line4 = text.find('\n', line3) + 1;
    text.replace(line3, line4 - line3, "garbage without checksum\n");
    text += "0badc0de {\"key\":\"cut";
    std::ofstream(journal.file(), std::ios::trunc) << text;

    EXPECT_EQ(journal.pending(), 2);
    std::vector<std::uint64_t> serials;
    const auto summary = journal.flush([&](const LineRecord &r) {
        serials.push_back(*r.serialNumber);
        return true;
    });
    EXPECT_EQ(serials, (std::vector<std::uint64_t>{4000000000ull, 4000000003ull}));
    EXPECT_EQ(summary.damaged, 3);
    const std::string aside = slurp(summary.damagedFile);
    EXPECT_NE(aside.find("4000000007"), std::string::npos);
    EXPECT_NE(aside.find("garbage without checksum\n"), std::string::npos);
    EXPECT_NE(aside.find("{\"key\":\"cut\n"), std::string::npos);
    EXPECT_EQ(slurp(journal.file()), "");
}

TEST_F(JournalTest, AnUnwritableJournalIsAnErrorNotASilentLoss) {
    std::filesystem::create_directories(journal.file());  // a folder where the file should be
    try {
        journal.append(record(0));
        FAIL() << "append into a folder succeeded";
    } catch (const ProductionError &e) {
        EXPECT_NE(std::string(e.what()).find(journal.file().string()), std::string::npos) << e.what();
    }
}
