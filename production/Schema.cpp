#include "production/Schema.h"

#include <string>

namespace vantor::production {

namespace {

// Key of the advisory lock held while migrating (any constant the line's other users avoid).
constexpr const char *kMigrationKey = "7631942001";

// Migration n takes the schema from version n to n + 1. Never edit one that has shipped:
// add the next.
constexpr const char *kMigrations[] = {
    R"sql(
CREATE TABLE vantor_schema (version integer NOT NULL);
INSERT INTO vantor_schema VALUES (0);
CREATE TABLE serial_pools (
    name        text PRIMARY KEY,
    start_value bigint NOT NULL CHECK (start_value >= 0),
    step        bigint NOT NULL CHECK (step >= 1),
    format      text NOT NULL CHECK (format IN ('le32', 'be32', 'ascii-dec')),
    next_value  bigint NOT NULL,
    created_at  timestamptz NOT NULL DEFAULT now()
);
CREATE TABLE serial_numbers (
    pool        text NOT NULL REFERENCES serial_pools (name),
    value       bigint NOT NULL,
    state       text NOT NULL CHECK (state IN ('reserved', 'used', 'scrapped', 'abandoned')),
    station     text NOT NULL,
    reserved_at timestamptz NOT NULL DEFAULT now(),
    finished_at timestamptz,
    reason      text NOT NULL DEFAULT '',
    PRIMARY KEY (pool, value)
);
CREATE INDEX serial_numbers_reserved ON serial_numbers (station) WHERE state = 'reserved';
CREATE TABLE production_records (
    id                bigserial PRIMARY KEY,
    record_key        text NOT NULL UNIQUE,
    recorded_at       timestamptz NOT NULL,
    station           text NOT NULL,
    programmer_model  text NOT NULL,
    programmer_serial text NOT NULL,
    device            text NOT NULL,
    data_file         text NOT NULL,
    data_checksum     bigint,
    operation         text NOT NULL,
    auto_items        text NOT NULL,
    serial_pool       text,
    serial_number     bigint,
    result            text NOT NULL CHECK (result IN ('passed', 'failed', 'cancelled', 'error')),
    failure_reason    text NOT NULL,
    elapsed_ms        bigint NOT NULL,
    from_journal      boolean NOT NULL,
    written_at        timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX production_records_time ON production_records (recorded_at);
)sql",
};
static_assert(std::size(kMigrations) == kSchemaVersion);

int readVersion(Connection &connection) {
    auto exists = connection.exec("SELECT to_regclass('vantor_schema') IS NOT NULL");
    if (exists.text(0, 0) != "t") return 0;
    auto version = connection.exec("SELECT version FROM vantor_schema");
    return version.rows() == 1 ? int(version.integer(0, 0)) : 0;
}

}  // namespace

int schemaVersion(Connection &connection) { return readVersion(connection); }

void migrateSchema(Connection &connection) {
    const auto tooNew = [](int version) {
        return ProductionError("the database holds production schema version " + std::to_string(version) +
                               ", newer than this program knows (" + std::to_string(kSchemaVersion) +
                               "); update the program");
    };
    int version = readVersion(connection);
    if (version == kSchemaVersion) return;
    if (version > kSchemaVersion) throw tooNew(version);
    // A session lock taken outside the transaction, so the second look below sees the tables
    // another station created meanwhile.
    connection.exec(std::string("SELECT pg_advisory_lock(") + kMigrationKey + ")");
    struct Unlock {
        Connection &c;
        ~Unlock() {
            try {
                if (!c.broken()) c.exec(std::string("SELECT pg_advisory_unlock(") + kMigrationKey + ")");
            } catch (const ProductionError &) {}
        }
    } unlock{connection};
    version = readVersion(connection);
    if (version == kSchemaVersion) return;
    if (version > kSchemaVersion) throw tooNew(version);
    try {
        Transaction transaction(connection);
        for (; version < kSchemaVersion; ++version) {
            connection.execScript(kMigrations[version]);
            connection.exec("UPDATE vantor_schema SET version = $1", {std::to_string(version + 1)});
        }
        transaction.commit();
    } catch (const DatabaseUnreachable &) {
        throw;
    } catch (const ProductionError &e) {
        throw ProductionError("cannot create or migrate the production tables to version " +
                              std::to_string(kSchemaVersion) + " (run once as the line's owner role): " + e.what());
    }
}

}  // namespace vantor::production
