#include "server/Sql.h"

#include "orv/Packet.h"

#include <QSqlError>

#include <stdexcept>

namespace server {

QSqlQuery Exec(QSqlDatabase& db, const QString& sql, Binds binds) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw std::runtime_error(("SQL: " + q.lastError().text()).toStdString());
    for (const auto& [name, value] : binds) q.bindValue(QString::fromLatin1(name), value);
    if (!q.exec()) throw std::runtime_error(("SQL: " + q.lastError().text()).toStdString());
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
