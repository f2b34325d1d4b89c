#include "tests/support/TestDatabase.h"

#include "db/Migrations.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <stdexcept>

namespace erptest {

namespace {

QString UniqueConnectionName(const QString& prefix) {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("%1-%2-%3").arg(prefix).arg(QCoreApplication::applicationPid()).arg(++counter);
}

QString PostgresUrlWithDatabase(const QString& base, const QString& database) {
    QUrl url(base);
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

// Runs administrative SQL (CREATE/DROP DATABASE) on the cluster's maintenance database.
// The database name is generated here, never taken from outside, and such statements take no
// bound parameters.
void Administer(const QString& sql) {
    const QString name = UniqueConnectionName(QStringLiteral("erptest-admin"));
    QString error;
    {
        QSqlDatabase admin = orv::OpenDatabase(PostgresUrl(), name);
        QSqlQuery query(admin);
        if (!query.exec(sql)) error = query.lastError().text();
        query.finish();
        admin.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty())
        throw std::runtime_error(QStringLiteral("%1: %2").arg(sql, error).toStdString());
}

}  // namespace

bool PostgresAvailable() { return !PostgresUrl().isEmpty(); }

QString PostgresUrl() { return qEnvironmentVariable("ERP_TEST_PG_URL").trimmed(); }

struct TestDatabase::State {
    std::unique_ptr<QTemporaryDir> dir;  // SQLite only
    QString pgDatabase;                  // PostgreSQL only
    QString url;
    QString connection;

    ~State() {
        if (connection.isEmpty()) return;
        {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
        if (!pgDatabase.isEmpty()) {
            try {
                Administer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(pgDatabase));
            } catch (const std::exception& e) {
                qWarning("Não foi possível apagar o banco de teste: %s", e.what());
            }
        }
    }
};

TestDatabase::TestDatabase(std::unique_ptr<State> state) : state_(std::move(state)) {}
TestDatabase::TestDatabase(TestDatabase&&) noexcept = default;
TestDatabase& TestDatabase::operator=(TestDatabase&&) noexcept = default;
TestDatabase::~TestDatabase() = default;

TestDatabase TestDatabase::Sqlite(Init init) {
    auto state = std::make_unique<State>();
    state->dir = std::make_unique<QTemporaryDir>();
    if (!state->dir->isValid()) throw std::runtime_error("Não foi possível criar o diretório temporário do teste.");
    state->url = QStringLiteral("sqlite:") + state->dir->filePath(QStringLiteral("erp.db"));
    const QString connection = UniqueConnectionName(QStringLiteral("erptest-sqlite"));
    QSqlDatabase db = orv::OpenDatabase(state->url, connection);
    state->connection = connection;
    if (init == Init::Migrate) erpdb::Migrate(db);
    return TestDatabase(std::move(state));
}

TestDatabase TestDatabase::Postgres(Init init) {
    if (!PostgresAvailable())
        throw std::runtime_error("ERP_TEST_PG_URL não definido: inicie um cluster com scripts/pg-cluster start DIR.");
    auto state = std::make_unique<State>();
    const quint64 random = QRandomGenerator::global()->generate64();
    const QString name = QStringLiteral("erp_t_%1").arg(random, 16, 16, QLatin1Char('0'));
    Administer(QStringLiteral("CREATE DATABASE %1").arg(name));
    state->pgDatabase = name;  // from here on the State drops it, even if opening fails
    state->url = PostgresUrlWithDatabase(PostgresUrl(), name);
    const QString connection = UniqueConnectionName(QStringLiteral("erptest-pg"));
    QSqlDatabase db = orv::OpenDatabase(state->url, connection);
    state->connection = connection;
    if (init == Init::Migrate) erpdb::Migrate(db);
    return TestDatabase(std::move(state));
}

TestDatabase TestDatabase::ForEngine(const QString& engine, Init init) {
    if (engine == QStringLiteral("sqlite")) return Sqlite(init);
    if (engine == QStringLiteral("postgresql")) return Postgres(init);
    throw std::invalid_argument("Motor de banco desconhecido: " + engine.toStdString());
}

QString TestDatabase::url() const { return state_->url; }
QString TestDatabase::connectionName() const { return state_->connection; }
QSqlDatabase TestDatabase::db() const { return QSqlDatabase::database(state_->connection, false); }
orv::DbEngine TestDatabase::engine() const { return orv::EngineOf(db()); }

}  // namespace erptest
