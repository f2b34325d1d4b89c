#pragma once

#include "orv/Database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <exception>
#include <initializer_list>
#include <utility>

namespace server {

using Binds = std::initializer_list<std::pair<const char*, QVariant>>;

struct CachedStatement;

// A statement's result while it is read. Statements are prepared once per connection and kept:
// the result is finished when this goes, so that no half-read SELECT keeps SQLite's read
// snapshot (a later write on the connection would fail on a stale snapshot) or a PostgreSQL
// result alive.
class Query {
public:
    Query(QSqlQuery* query, CachedStatement* cached, bool owned, QString connection);
    Query(Query&& other) noexcept;
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    Query& operator=(Query&&) = delete;
    ~Query();

    bool next() { return query_->next(); }
    QVariant value(int i) const { return query_->value(i); }
    int numRowsAffected() const { return query_->numRowsAffected(); }
    QSqlQuery& Raw() { return *query_; }
    // Runs the statement with the values bound so far; throws std::runtime_error on failure, or
    // RpcError kUnavailable when the connection turns out to be lost.
    void Run();

private:
    QSqlQuery* query_;
    CachedStatement* cached_;
    bool owned_;
    QString connection_;
};

// Prepares (once per connection and text), binds and runs one statement; throws
// std::runtime_error with the database's text.
Query Exec(QSqlDatabase& db, const QString& sql, Binds binds = {});
// The statement prepared and not run, for binds whose names are made at run time.
Query Prepare(QSqlDatabase& db, const QString& sql);

// Drops the statements the calling thread keeps, before its connections are removed.
void ReleaseStatements();

// The calling thread's connection for one call. A connection idle for a while is tried first
// (the database may have restarted since); one that cannot be opened, or that a failed
// statement finds lost, ends the call as "unavailable" and is opened afresh by the next call.
QSqlDatabase CallConnection(const QString& baseName);

// Runs a call's work; when the database connection turns out lost (the database restarted since
// the thread last used it), runs it once more on a fresh connection. A lost connection takes its
// open transaction with it, so nothing is done twice, unless the loss hit a COMMIT, whose fate is
// unknown: that is never run again, and the call answers "unavailable".
template <typename Fn>
auto OnLiveConnection(Fn&& work) -> decltype(work());

namespace detail {
bool LostBeforeCommit(const std::exception_ptr& failure);
}

template <typename Fn>
auto OnLiveConnection(Fn&& work) -> decltype(work()) {
    try {
        return work();
    } catch (...) {
        if (!detail::LostBeforeCommit(std::current_exception())) throw;
    }
    return work();
}

// What a writer that waited its turn too long on SQLite (another long write) is told.
extern const char kBusyText[];

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
