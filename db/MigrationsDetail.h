#pragma once

// Internals of Migrations.cpp, visible so tests can run hand-made migration lists.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

namespace erpdb::detail {

struct EmbeddedMigration {
    int version;
    const char* name;  // "0001_cadastros"
    const char* sql;   // UTF-8
};

// Defined in the source generated from db/migrations at build time.
extern const EmbeddedMigration kEmbeddedMigrations[];
extern const std::size_t kEmbeddedMigrationCount;

struct Migration {
    int version = 0;
    QString name;
    QString sql;
};

std::vector<Migration> EmbeddedMigrations();

// Splits a script into statements at ';', ignoring ';' inside quotes and dropping comments.
QStringList SplitStatements(const QString& script);

// The migrations are written for PostgreSQL; SQLite gets TEXT for DATE/TIMESTAMP and REAL
// for DOUBLE PRECISION.
QString ForEngine(const QString& statement, bool postgres);

// Migrate() over an explicit list (versions strictly increasing).
int Apply(QSqlDatabase& db, const std::vector<Migration>& migrations);

}  // namespace erpdb::detail
