#pragma once
// The line's tables, created on first use and migrated by later versions. Only the first
// use (or a migration) runs DDL; a station whose schema is current needs no such rights.
#include "production/Connection.h"

namespace vantor::production {

inline constexpr int kSchemaVersion = 1;

// Brings the schema to kSchemaVersion. Stations starting together migrate once: the
// check and the DDL run under one advisory lock. Throws ProductionError when the database
// holds a newer schema than this program knows, or when the rights to migrate are missing.
void migrateSchema(Connection &connection);

// The version the database holds (0 when it has none yet).
int schemaVersion(Connection &connection);

}  // namespace vantor::production
