#include "server/Sql.h"

#include "orv/Packet.h"
#include "server/RpcError.h"

#include <QSqlDriver>
#include <QSqlError>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <unordered_map>

namespace server {

struct CachedStatement {
    explicit CachedStatement(const QSqlDatabase& db) : query(db) { query.setForwardOnly(true); }
    QSqlQuery query;
    bool inUse = false;
};

namespace {

// The statements of one connection, kept for the life of the thread that uses it (every
// connection of the server belongs to one thread).
struct ConnectionStatements {
    const QSqlDriver* driver = nullptr;
    std::unordered_map<QString, std::unique_ptr<CachedStatement>> statements;
};

std::unordered_map<QString, ConnectionStatements>& ThreadStatements() {
    thread_local std::unordered_map<QString, ConnectionStatements> cache;
    return cache;
}

}  // namespace

const char kBusyText[] = "O banco de dados está ocupado com outra gravação. Tente novamente em instantes.";

namespace {

const char kUnavailableText[] = "O banco de dados está indisponível no momento. Tente novamente em instantes.";

// A PostgreSQL connection whose server went away (a restart, the network) fails every statement
// while Qt still calls it open. Errors of the connection class (08), of a server shutting down
// (57P0x), or raised by the client library itself (no SQLSTATE) tell; to be sure of the last
// kind, one trivial statement is tried.
bool ConnectionClassError(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    return code.isEmpty() || code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P0"));
}

bool Lost(QSqlDatabase& db) {
    if (!db.isOpen()) return true;
    if (orv::EngineOf(db) != orv::DbEngine::PostgreSQL) return false;
    QSqlQuery ping(db);
    return !ping.exec(QStringLiteral("SELECT 1")) && ConnectionClassError(ping.lastError());
}

// "Unavailable", telling whether the statement that found the connection lost was a COMMIT.
class ConnectionLost : public RpcError {
public:
    explicit ConnectionLost(bool atCommit) : RpcError(kUnavailable, kUnavailableText), atCommit_(atCommit) {}
    bool atCommit() const { return atCommit_; }

private:
    bool atCommit_;
};

// A failed statement: the database's own text, or, when the connection is gone, "unavailable"
// with the connection closed so that the thread's next call opens a new one.
[[noreturn]] void StatementFailed(const QString& connection, const QSqlError& error, bool commit = false) {
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (orv::EngineOf(db) == orv::DbEngine::PostgreSQL && ConnectionClassError(error) && Lost(db)) {
        db.close();
        throw ConnectionLost(commit);
    }
    // SQLite has one writer at a time: behind a long write (a batch of thousands of assets) the
    // others give up after the busy timeout, and the clerk can simply try again.
    if (orv::EngineOf(db) == orv::DbEngine::SQLite &&
        (error.nativeErrorCode() == QLatin1String("5") || error.nativeErrorCode() == QLatin1String("6")))
        throw RpcError(kUnavailable, kBusyText);
    throw std::runtime_error(("SQL: " + error.text()).toStdString());
}

CachedStatement* CachedFor(QSqlDatabase& db, const QString& sql) {
    ConnectionStatements& conn = ThreadStatements()[db.connectionName()];
    if (conn.driver != db.driver()) {
        // The connection was opened again under the same name: its old statements are dead.
        conn.statements.clear();
        conn.driver = db.driver();
    }
    auto& slot = conn.statements[sql];
    if (!slot) {
        auto statement = std::make_unique<CachedStatement>(db);
        if (!statement->query.prepare(sql)) StatementFailed(db.connectionName(), statement->query.lastError());
        slot = std::move(statement);
    }
    return slot.get();
}

}  // namespace

void ReleaseStatements() { ThreadStatements().clear(); }

Query::Query(QSqlQuery* query, CachedStatement* cached, bool owned, QString connection)
    : query_(query), cached_(cached), owned_(owned), connection_(std::move(connection)) {
    if (cached_) cached_->inUse = true;
}

Query::Query(Query&& other) noexcept
    : query_(other.query_), cached_(other.cached_), owned_(other.owned_), connection_(std::move(other.connection_)) {
    other.query_ = nullptr;
    other.cached_ = nullptr;
    other.owned_ = false;
}

Query::~Query() {
    if (!query_) return;
    query_->finish();
    if (cached_) cached_->inUse = false;
    if (owned_) delete query_;
}

void Query::Run() {
    if (!query_->exec()) {
        const QSqlError error = query_->lastError();
        query_->finish();
        StatementFailed(connection_, error);
    }
}

Query Prepare(QSqlDatabase& db, const QString& sql) {
    CachedStatement* cached = CachedFor(db, sql);
    if (!cached->inUse) return Query(&cached->query, cached, false, db.connectionName());
    // The same statement is still being read further up the stack: a fresh one.
    auto own = std::make_unique<QSqlQuery>(db);
    own->setForwardOnly(true);
    if (!own->prepare(sql)) StatementFailed(db.connectionName(), own->lastError());
    return Query(own.release(), nullptr, true, db.connectionName());
}

Query Exec(QSqlDatabase& db, const QString& sql, Binds binds) {
    Query q = Prepare(db, sql);
    for (const auto& [name, value] : binds) q.Raw().bindValue(QString::fromLatin1(name), value);
    q.Run();
    return q;
}

QString Text(const QVariant& v) { return v.isNull() || !v.isValid() ? QString(QLatin1String("")) : v.toString(); }

QVariant CodeOrNull(const QString& code) {
    return code.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(code);
}

QVariant DateParam(const QVariant& dateTime) {
    if (!dateTime.isValid() || dateTime.isNull()) return QVariant(QMetaType::fromType<QString>());
    return dateTime.toDateTime().date().toString(QStringLiteral("yyyy-MM-dd"));
}

QVariant TimestampParam(const QDateTime& dateTime) {
    return dateTime.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QDateTime ReadDateTime(const QVariant& v) {
    if (v.isNull() || !v.isValid()) return {};
    if (v.typeId() == QMetaType::QDateTime) return orv::WallClock(v.toDateTime());
    if (v.typeId() == QMetaType::QDate) return orv::WallClock(v.toDate());
    return orv::DateTimeFromWire(v.toString());
}

namespace {

// Transaction control runs unprepared: PostgreSQL cannot PREPARE BEGIN or COMMIT.
void ExecDirect(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) StatementFailed(db.connectionName(), q.lastError(), sql == QLatin1String("COMMIT"));
}

}  // namespace

namespace detail {
bool LostBeforeCommit(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ConnectionLost& e) {
        return !e.atCommit();
    } catch (...) {
        return false;
    }
}
}  // namespace detail

QSqlDatabase CallConnection(const QString& baseName) {
    // Long enough that a busy thread never pays for the check, short enough that a restart of
    // the database overnight costs no clerk a failed call.
    constexpr auto kIdle = std::chrono::seconds(5);
    thread_local std::unordered_map<QString, std::pair<QString, std::chrono::steady_clock::time_point>> lastUse;
    auto open = [&] {
        try {
            return orv::ThreadConnection(baseName);
        } catch (const std::runtime_error& e) {
            qWarning("banco de dados indisponível: %s", e.what());
            throw RpcError(kUnavailable, kUnavailableText);
        }
    };
    QSqlDatabase db = open();
    const auto now = std::chrono::steady_clock::now();
    auto& [name, when] = lastUse[baseName];
    if (name == db.connectionName() && now - when > kIdle && Lost(db)) {
        db.close();
        db = open();
    }
    if (name != db.connectionName()) {
        // A new connection: the statements of the one it replaces die with it. No statement is
        // being read between calls.
        if (!name.isEmpty()) ThreadStatements().erase(name);
        name = db.connectionName();
    }
    when = now;
    return db;
}

Transaction::Transaction(QSqlDatabase& db) : db_(db) {
    const bool sqlite = orv::EngineOf(db_) == orv::DbEngine::SQLite;
    ExecDirect(db_, sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    open_ = true;
}

Transaction::~Transaction() {
    if (!open_) return;
    QSqlQuery q(db_);
    q.exec(QStringLiteral("ROLLBACK"));
}

void Transaction::Commit() {
    ExecDirect(db_, QStringLiteral("COMMIT"));
    open_ = false;
}

}  // namespace server
