#include "production/SerialPool.h"

#include <chrono>
#include <thread>

#include "core/SerialFormat.h"

namespace vantor::production {

namespace {

constexpr const char *kStationLockKey = "hashtext('vantor station'), hashtext($1)";

std::string number(std::uint64_t n) { return std::to_string(n); }

std::uint64_t largestSerial(const std::string &format) {
    const auto known = serialFormatByName(format);
    if (!known) throw ProductionError("unknown serial format " + format + " (expected le32, be32 or ascii-dec)");
    return serialMaximum(*known);
}

}  // namespace

void createPool(Connection &connection, const PoolSettings &s) {
    if (s.name.empty()) throw ProductionError("a serial pool needs a name");
    if (s.step == 0) throw ProductionError("the step of a serial pool must be at least 1");
    if (s.start > largestSerial(s.format))
        throw ProductionError("the start " + number(s.start) + " does not fit the format " + s.format);
    auto inserted = connection.exec(
        "INSERT INTO serial_pools (name, start_value, step, format, next_value) VALUES ($1, $2, $3, $4, $2) "
        "ON CONFLICT (name) DO NOTHING",
        {s.name, number(s.start), number(s.step), s.format});
    if (inserted.affected() != 1) throw ProductionError("a serial pool named " + s.name + " exists already");
}

PoolState showPool(Connection &connection, const std::string &name) {
    auto pool =
        connection.exec("SELECT start_value, step, format, next_value FROM serial_pools WHERE name = $1", {name});
    if (pool.rows() != 1) throw ProductionError("no serial pool named " + name);
    PoolState state;
    state.settings = {name, std::uint64_t(pool.integer(0, 0)), std::uint64_t(pool.integer(0, 1)), pool.text(0, 2)};
    state.next = std::uint64_t(pool.integer(0, 3));
    for (const char *s : {"reserved", "used", "scrapped", "abandoned"}) state.counts[s] = 0;
    auto counts = connection.exec("SELECT state, count(*) FROM serial_numbers WHERE pool = $1 GROUP BY state", {name});
    for (int i = 0; i < counts.rows(); ++i) state.counts[counts.text(i, 0)] = counts.integer(i, 1);
    return state;
}

std::vector<std::uint64_t> reserveSerials(Connection &connection, const std::string &pool, const std::string &station,
                                          int count) {
    Transaction transaction(connection);
    // The pool's row lock orders concurrent reservations, like a sequence that cannot skip.
    auto row = connection.exec("SELECT next_value, step, format FROM serial_pools WHERE name = $1 FOR UPDATE", {pool});
    if (row.rows() != 1) throw ProductionError("no serial pool named " + pool);
    const std::uint64_t first = std::uint64_t(row.integer(0, 0)), step = std::uint64_t(row.integer(0, 1));
    const std::uint64_t largest = largestSerial(row.text(0, 2));
    const std::uint64_t last = first + step * std::uint64_t(count - 1);
    if (first > largest || last > largest)
        throw ProductionError("serial pool " + pool + " is used up: " + number(std::max(first, last)) +
                              " does not fit its format " + row.text(0, 2) + " (largest " + number(largest) + ")");
    connection.exec("UPDATE serial_pools SET next_value = $2 WHERE name = $1", {pool, number(last + step)});
    connection.exec("INSERT INTO serial_numbers (pool, value, state, station) "
                    "SELECT $1, v, 'reserved', $4 FROM generate_series($2::bigint, $3::bigint, $5::bigint) AS v",
                    {pool, number(first), number(last), station, number(step)});
    transaction.commit();
    std::vector<std::uint64_t> numbers;
    for (int i = 0; i < count; ++i) numbers.push_back(first + step * std::uint64_t(i));
    return numbers;
}

long long reclaimSerials(Connection &connection, const std::string &pool) {
    showPool(connection, pool);  // a clear error for a missing pool
    auto stations =
        connection.exec("SELECT DISTINCT station FROM serial_numbers WHERE pool = $1 AND state = 'reserved'", {pool});
    long long reclaimed = 0;
    for (int i = 0; i < stations.rows(); ++i) {
        const std::string station = stations.text(i, 0);
        Transaction transaction(connection);
        // Held until commit: a station starting meanwhile waits rather than losing numbers it reserves.
        auto free =
            connection.exec(std::string("SELECT pg_try_advisory_xact_lock(") + kStationLockKey + ")", {station});
        if (free.text(0, 0) != "t") continue;  // the station is running: its numbers are in use
        reclaimed += connection
                         .exec("UPDATE serial_numbers SET state = 'abandoned', finished_at = now(), "
                               "reason = 'reclaimed: station not running' "
                               "WHERE pool = $1 AND station = $2 AND state = 'reserved'",
                               {pool, station})
                         .affected();
        transaction.commit();
    }
    return reclaimed;
}

void lockStation(Connection &connection, const std::string &station) {
    // A reclaim holds the lock for a moment; a station still running holds it for good.
    for (int attempt = 0; attempt < 20; ++attempt) {
        auto got = connection.exec(std::string("SELECT pg_try_advisory_lock(") + kStationLockKey + ")", {station});
        if (got.text(0, 0) == "t") return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw ProductionError("station " + station + " is already running (another process holds it); give --station NAME");
}

long long abandonStationSerials(Connection &connection, const std::string &station) {
    return connection
        .exec("UPDATE serial_numbers SET state = 'abandoned', finished_at = now(), "
              "reason = 'station restarted without recording it' WHERE station = $1 AND state = 'reserved'",
              {station})
        .affected();
}

}  // namespace vantor::production
