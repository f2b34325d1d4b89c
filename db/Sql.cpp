#include "db/Sql.h"

#include <QSqlError>

#include <algorithm>
#include <stdexcept>

namespace erpdb::detail {

namespace {

QString ErrorText(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.text().trimmed();
    return text;
}

}  // namespace

bool IsPostgres(const QSqlDatabase& db) { return db.driverName() == QStringLiteral("QPSQL"); }

void Fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

void Exec(QSqlDatabase& db, const QString& sql, const QString& what) {
    QSqlQuery query(db);
    if (!query.exec(sql)) Fail(QStringLiteral("%1: %2").arg(what, ErrorText(query.lastError())));
}

QVariant Scalar(QSqlDatabase& db, const QString& sql, const QVariantList& params) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql)) Fail(QStringLiteral("Falha na consulta ao banco de dados: %1").arg(ErrorText(query.lastError())));
    for (qsizetype i = 0; i < params.size(); ++i) query.bindValue(int(i), params[i]);
    if (!query.exec()) Fail(QStringLiteral("Falha na consulta ao banco de dados: %1").arg(ErrorText(query.lastError())));
    return query.next() ? query.value(0) : QVariant();
}

WriteTransaction::WriteTransaction(QSqlDatabase& db) : db_(db) {
    if (IsPostgres(db_)) {
        if (!db_.transaction())
            Fail(QStringLiteral("Não foi possível iniciar a transação: %1").arg(ErrorText(db_.lastError())));
    } else {
        Exec(db_, QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("Não foi possível iniciar a transação"));
    }
    open_ = true;
}

WriteTransaction::~WriteTransaction() {
    if (!open_) return;
    if (IsPostgres(db_)) {
        db_.rollback();
    } else {
        QSqlQuery query(db_);
        query.exec(QStringLiteral("ROLLBACK"));
    }
}

void WriteTransaction::commit() {
    if (IsPostgres(db_)) {
        if (!db_.commit())
            Fail(QStringLiteral("Não foi possível confirmar a transação: %1").arg(ErrorText(db_.lastError())));
    } else {
        Exec(db_, QStringLiteral("COMMIT"), QStringLiteral("Não foi possível confirmar a transação"));
    }
    open_ = false;
}

BatchInsert::BatchInsert(QSqlDatabase& db, QString table, QStringList columns)
    : db_(db), table_(std::move(table)), columns_(std::move(columns)) {
    // SQLite: stay under its historical limit of 999 bound parameters per statement.
    // PostgreSQL: bigger statements spread its per-statement work over more rows.
    const int parameters = IsPostgres(db_) ? 8000 : 960;
    batchRows_ = std::max(1, parameters / int(columns_.size()));
}

BatchInsert::~BatchInsert() = default;

QString BatchInsert::statement(int rowCount) const {
    QString row = QStringLiteral("(");
    for (qsizetype i = 0; i < columns_.size(); ++i) row += i == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    row += QLatin1Char(')');
    QStringList rows;
    rows.reserve(rowCount);
    for (int i = 0; i < rowCount; ++i) rows << row;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3").arg(table_, columns_.join(QLatin1Char(',')), rows.join(QLatin1Char(',')));
}

void BatchInsert::execute(QSqlQuery& query, int rowCount) {
    const int count = rowCount * int(columns_.size());
    for (int i = 0; i < count; ++i) query.bindValue(i, pending_[i]);
    if (!query.exec())
        Fail(QStringLiteral("Falha ao gravar em %1: %2").arg(table_, ErrorText(query.lastError())));
    pending_.clear();
    rows_ += rowCount;
    if (onWritten) onWritten(rowCount);
}

void BatchInsert::add(const QVariantList& row) {
    if (row.size() != columns_.size())
        Fail(QStringLiteral("Linha com %1 valores para %2 colunas de %3.").arg(row.size()).arg(columns_.size()).arg(table_));
    pending_ += row;
    if (pending_.size() < qsizetype(batchRows_) * columns_.size()) return;
    if (!full_) {
        full_ = std::make_unique<QSqlQuery>(db_);
        if (!full_->prepare(statement(batchRows_)))
            Fail(QStringLiteral("Falha ao preparar a gravação em %1: %2").arg(table_, ErrorText(full_->lastError())));
    }
    execute(*full_, batchRows_);
}

void BatchInsert::finish() {
    if (pending_.isEmpty()) return;
    const int rowCount = int(pending_.size() / columns_.size());
    QSqlQuery query(db_);
    if (!query.prepare(statement(rowCount)))
        Fail(QStringLiteral("Falha ao preparar a gravação em %1: %2").arg(table_, ErrorText(query.lastError())));
    execute(query, rowCount);
}

}  // namespace erpdb::detail
