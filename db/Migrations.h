#pragma once

#include <QSqlDatabase>

namespace erpdb {

// Applies the migrations the database does not have yet, each in its own transaction, and
// returns the resulting schema version. Safe to call on every start-up and from several
// processes at once. Throws std::runtime_error (Portuguese message) when a migration fails
// (that migration is rolled back) or when the database is newer than this program.
int Migrate(QSqlDatabase& db);

// Version recorded in SCHEMA_VERSION; 0 for a database never migrated.
int SchemaVersion(QSqlDatabase& db);

// Version a fully migrated database has with this build.
int LatestSchemaVersion();

}  // namespace erpdb
