#include "tests/support/Fixture.h"

#include "db/Credentials.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <stdexcept>

namespace erptest {

namespace {

[[noreturn]] void Fail(const QString& what, const QSqlQuery& query) {
    throw std::runtime_error(QStringLiteral("%1: %2").arg(what, query.lastError().text()).toStdString());
}

// Table and column names are spliced into the SQL, so only plain identifiers are accepted.
void RequireIdentifier(const QString& name) {
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!identifier.match(name).hasMatch())
        throw std::invalid_argument("Identificador inválido: " + name.toStdString());
}

QSqlQuery Run(QSqlDatabase db, const QString& sql, const QVariantList& params) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql)) Fail(sql, query);
    for (qsizetype i = 0; i < params.size(); ++i) query.bindValue(int(i), params[i]);
    if (!query.exec()) Fail(sql, query);
    return query;
}

}  // namespace

void InsertRow(QSqlDatabase db, const QString& table, const QVariantMap& values) {
    RequireIdentifier(table);
    QStringList columns;
    QStringList marks;
    QVariantList params;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        RequireIdentifier(it.key());
        columns << it.key();
        marks << QStringLiteral("?");
        params << it.value();
    }
    Run(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
        params);
}

void InsertRows(QSqlDatabase db, const QString& table, const QList<QVariantMap>& rows) {
    for (const QVariantMap& row : rows) InsertRow(db, table, row);
}

QList<QVariantList> QueryRows(QSqlDatabase db, const QString& sql, const QVariantList& params) {
    QSqlQuery query = Run(db, sql, params);
    QList<QVariantList> rows;
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) row << query.value(c);
        rows << row;
    }
    return rows;
}

QVariant QueryValue(QSqlDatabase db, const QString& sql, const QVariantList& params) {
    QSqlQuery query = Run(db, sql, params);
    return query.next() ? query.value(0) : QVariant();
}

QString Canonical(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("<null>");
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 17);
    default:
        return value.toString();
    }
}

void GivePasswords(QSqlDatabase db, const QStringList& operators) {
    const std::string hash = erpdb::HashPassword(kTestPassword, erpdb::HashCost::Cheapest());
    for (const QString& op : operators) erpdb::StorePasswordHash(db, op, hash);
}

}  // namespace erptest
