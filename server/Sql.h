#pragma once

#include "orv/Database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <utility>

namespace server {

using Binds = std::initializer_list<std::pair<const char*, QVariant>>;

// Prepares, binds and runs one statement; throws std::runtime_error with the database's text.
QSqlQuery Exec(QSqlDatabase& db, const QString& sql, Binds binds = {});

// Text of a column that may be NULL, as the client compares them.
QString Text(const QVariant& v);
// Value to store for a code: empty text is stored as NULL.
QVariant CodeOrNull(const QString& code);
// Date-times travel as ISO text; dates are stored date-only.
QVariant DateParam(const QVariant& dateTime);
QVariant TimestampParam(const QDateTime& dateTime);
QDateTime ReadDateTime(const QVariant& v);

// One transaction: BEGIN IMMEDIATE on SQLite (writers queue instead of failing on upgrade),
// BEGIN on PostgreSQL. Rolls back when left without Commit(), so an exception undoes it all.
class Transaction {
public:
    explicit Transaction(QSqlDatabase& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    QSqlDatabase& db_;
    bool open_ = false;
};

}  // namespace server
