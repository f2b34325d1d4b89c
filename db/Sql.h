#pragma once

// Small Qt SQL helpers shared by the migrations and the demo generator.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

namespace erpdb::detail {

bool IsPostgres(const QSqlDatabase& db);

[[noreturn]] void Fail(const QString& message);

// Runs a statement without parameters; throws with `what` and the driver's error.
void Exec(QSqlDatabase& db, const QString& sql, const QString& what);

// First column of the first row (invalid QVariant when there is no row).
QVariant Scalar(QSqlDatabase& db, const QString& sql, const QVariantList& params = {});

// A write transaction. On SQLite it starts with BEGIN IMMEDIATE: a deferred transaction
// that reads first and writes later cannot wait out a concurrent writer (SQLITE_BUSY at the
// lock upgrade), while an immediate one just waits on the busy timeout. Rolls back unless
// committed.
class WriteTransaction {
public:
    explicit WriteTransaction(QSqlDatabase& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit();

private:
    QSqlDatabase& db_;
    bool open_ = false;
};

// Multi-row INSERT with bound parameters. Sending many rows per statement matters on
// PostgreSQL, where every execution is a round trip; on SQLite it is merely harmless.
class BatchInsert {
public:
    BatchInsert(QSqlDatabase& db, QString table, QStringList columns);
    ~BatchInsert();
    BatchInsert(const BatchInsert&) = delete;
    BatchInsert& operator=(const BatchInsert&) = delete;

    void add(const QVariantList& row);
    // Writes the pending rows; call before committing.
    void finish();
    qint64 rows() const { return rows_; }
    // Told the number of rows of each statement once it ran.
    std::function<void(int rows)> onWritten;

private:
    QString statement(int rowCount) const;
    void execute(QSqlQuery& query, int rowCount);

    QSqlDatabase& db_;
    QString table_;
    QStringList columns_;
    int batchRows_;
    std::unique_ptr<QSqlQuery> full_;
    QVariantList pending_;
    qint64 rows_ = 0;
};

}  // namespace erpdb::detail
