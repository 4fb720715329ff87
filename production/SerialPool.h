#pragma once
// Named pools of serial numbers shared by every station of a line. Each number is reserved
// (in one transaction, before its chip is programmed), then used or scrapped by the chip's
// record, or abandoned when its station died; it is never handed out again in any case.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "production/Connection.h"

namespace vantor::production {

struct PoolSettings {
    std::string name;
    std::uint64_t start = 0;
    std::uint64_t step = 1;
    std::string format = "le32";  // "le32", "be32", "ascii-dec"
};

struct PoolState {
    PoolSettings settings;
    std::uint64_t next = 0;                   // the number the next reservation starts at
    std::map<std::string, long long> counts;  // by state: reserved, used, scrapped, abandoned
};

void createPool(Connection &connection, const PoolSettings &settings);
PoolState showPool(Connection &connection, const std::string &name);
// Reserves `count` numbers for `station` in one transaction. Refused (nothing reserved) when
// the pool is missing or the last number would not fit its format.
std::vector<std::uint64_t> reserveSerials(Connection &connection, const std::string &pool, const std::string &station,
                                          int count);
// Marks the numbers still reserved by stations that are not running as abandoned; the count.
long long reclaimSerials(Connection &connection, const std::string &pool);

// Holds the station's lock for the life of the session's connection: a second process
// with the same station name is refused. Throws ProductionError when the station is taken.
void lockStation(Connection &connection, const std::string &station);
// The station's numbers left reserved by an earlier run (which ended without recording them).
long long abandonStationSerials(Connection &connection, const std::string &station);

}  // namespace vantor::production
