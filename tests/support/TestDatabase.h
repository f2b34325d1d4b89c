#pragma once

// Throwaway databases for tests: a SQLite file in a temporary directory, or a fresh database
// on the PostgreSQL cluster named by ERP_TEST_PG_URL (see scripts/pg-cluster).

#include "orv/Database.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

namespace erptest {

// True when ERP_TEST_PG_URL is set (it is then expected to work).
bool PostgresAvailable();
QString PostgresUrl();

class TestDatabase {
public:
    enum class Init { Empty, Migrate };

    static TestDatabase Sqlite(Init init = Init::Migrate);
    // Throws std::runtime_error when ERP_TEST_PG_URL is not set or the cluster refuses.
    static TestDatabase Postgres(Init init = Init::Migrate);
    // engine: "sqlite" or "postgresql".
    static TestDatabase ForEngine(const QString& engine, Init init = Init::Migrate);

    TestDatabase(TestDatabase&&) noexcept;
    TestDatabase& operator=(TestDatabase&&) noexcept;
    ~TestDatabase();  // closes the connection and deletes the file or drops the database

    // Usable by another process, e.g. "sqlite:/tmp/x/erp.db" or "postgresql://postgres@127.0.0.1:5433/erp_t_1a2b".
    QString url() const;
    QString connectionName() const;
    QSqlDatabase db() const;
    orv::DbEngine engine() const;
    bool isPostgres() const { return engine() == orv::DbEngine::PostgreSQL; }

private:
    struct State;
    explicit TestDatabase(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace erptest
