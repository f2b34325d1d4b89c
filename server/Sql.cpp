#include "server/Sql.h"

#include "orv/Packet.h"

#include <QSqlDriver>
#include <QSqlError>

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
        if (!statement->query.prepare(sql))
            throw std::runtime_error(("SQL: " + statement->query.lastError().text()).toStdString());
        slot = std::move(statement);
    }
    return slot.get();
}

}  // namespace

void ReleaseStatements() { ThreadStatements().clear(); }

Query::Query(QSqlQuery* query, CachedStatement* cached, bool owned) : query_(query), cached_(cached), owned_(owned) {
    if (cached_) cached_->inUse = true;
}

Query::Query(Query&& other) noexcept : query_(other.query_), cached_(other.cached_), owned_(other.owned_) {
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
        const std::string text = ("SQL: " + query_->lastError().text()).toStdString();
        query_->finish();
        throw std::runtime_error(text);
    }
}

Query Prepare(QSqlDatabase& db, const QString& sql) {
    CachedStatement* cached = CachedFor(db, sql);
    if (!cached->inUse) return Query(&cached->query, cached, false);
    // The same statement is still being read further up the stack: a fresh one.
    auto own = std::make_unique<QSqlQuery>(db);
    own->setForwardOnly(true);
    if (!own->prepare(sql)) throw std::runtime_error(("SQL: " + own->lastError().text()).toStdString());
    return Query(own.release(), nullptr, true);
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
    if (!q.exec(sql)) throw std::runtime_error(("SQL: " + q.lastError().text()).toStdString());
}

}  // namespace

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
