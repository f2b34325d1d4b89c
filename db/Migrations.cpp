#include "db/Migrations.h"

#include "db/MigrationsDetail.h"
#include "db/Sql.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace erpdb {

namespace detail {

namespace {

bool VersionTableExists(const QSqlDatabase& db) {
    // PostgreSQL folds the unquoted name to lower case.
    const QStringList tables = db.tables(QSql::Tables);
    return tables.contains(QStringLiteral("SCHEMA_VERSION"), Qt::CaseInsensitive);
}

void CreateVersionTable(QSqlDatabase& db) {
    const QString sql = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS SCHEMA_VERSION ("
        " VERSAO INTEGER NOT NULL PRIMARY KEY,"
        " NMMIGRACAO VARCHAR(60),"
        " DTAPLICACAO TIMESTAMP)");
    Exec(db, ForEngine(sql, IsPostgres(db)), QStringLiteral("Não foi possível criar a tabela SCHEMA_VERSION"));
}

int ReadVersion(QSqlDatabase& db) {
    return Scalar(db, QStringLiteral("SELECT COALESCE(MAX(VERSAO), 0) FROM SCHEMA_VERSION")).toInt();
}

QString Abbreviated(const QString& statement) {
    QString text = statement.simplified();
    if (text.size() > 160) text = text.left(157) + QStringLiteral("...");
    return text;
}

void ApplyOne(QSqlDatabase& db, const Migration& migration) {
    const bool postgres = IsPostgres(db);
    for (const QString& statement : SplitStatements(migration.sql)) {
        QSqlQuery query(db);
        if (!query.exec(ForEngine(statement, postgres))) {
            QString error = query.lastError().databaseText().trimmed();
            if (error.isEmpty()) error = query.lastError().text();
            Fail(QStringLiteral("Falha ao aplicar a migração %1 do banco de dados: %2 (comando: %3)")
                     .arg(migration.name, error, Abbreviated(statement)));
        }
    }
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO SCHEMA_VERSION (VERSAO, NMMIGRACAO, DTAPLICACAO) VALUES (?, ?, ?)"));
    insert.addBindValue(migration.version);
    insert.addBindValue(migration.name);
    insert.addBindValue(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    if (!insert.exec())
        Fail(QStringLiteral("Falha ao registrar a migração %1: %2").arg(migration.name, insert.lastError().text()));
}

}  // namespace

std::vector<Migration> EmbeddedMigrations() {
    std::vector<Migration> list;
    list.reserve(kEmbeddedMigrationCount);
    for (std::size_t i = 0; i < kEmbeddedMigrationCount; ++i) {
        const EmbeddedMigration& m = kEmbeddedMigrations[i];
        list.push_back({m.version, QString::fromUtf8(m.name), QString::fromUtf8(m.sql)});
    }
    return list;
}

QStringList SplitStatements(const QString& script) {
    enum class State { Code, Quoted, DoubleQuoted, LineComment, BlockComment };
    State state = State::Code;
    QStringList statements;
    QString current;
    const auto flush = [&] {
        const QString statement = current.trimmed();
        if (!statement.isEmpty()) statements << statement;
        current.clear();
    };
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script[i];
        const QChar next = i + 1 < script.size() ? script[i + 1] : QChar();
        switch (state) {
        case State::Code:
            if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
                state = State::LineComment;
                ++i;
            } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
                state = State::BlockComment;
                ++i;
            } else if (c == QLatin1Char(';')) {
                flush();
            } else {
                if (c == QLatin1Char('\'')) state = State::Quoted;
                if (c == QLatin1Char('"')) state = State::DoubleQuoted;
                current += c;
            }
            break;
        case State::Quoted:  // '' inside a literal closes and reopens: same result
            current += c;
            if (c == QLatin1Char('\'')) state = State::Code;
            break;
        case State::DoubleQuoted:
            current += c;
            if (c == QLatin1Char('"')) state = State::Code;
            break;
        case State::LineComment:
            if (c == QLatin1Char('\n')) {
                current += c;
                state = State::Code;
            }
            break;
        case State::BlockComment:
            if (c == QLatin1Char('*') && next == QLatin1Char('/')) {
                current += QLatin1Char(' ');
                state = State::Code;
                ++i;
            }
            break;
        }
    }
    flush();
    return statements;
}

QString ForEngine(const QString& statement, bool postgres) {
    if (postgres) return statement;
    static const QRegularExpression doublePrecision(QStringLiteral("\\bDOUBLE\\s+PRECISION\\b"));
    static const QRegularExpression dateOrTimestamp(QStringLiteral("\\b(DATE|TIMESTAMP)\\b"));
    QString sql = statement;
    sql.replace(doublePrecision, QStringLiteral("REAL"));
    sql.replace(dateOrTimestamp, QStringLiteral("TEXT"));
    return sql;
}

int Apply(QSqlDatabase& db, const std::vector<Migration>& migrations) {
    if (!db.isOpen()) Fail(QStringLiteral("O banco de dados não está aberto."));
    for (std::size_t i = 1; i < migrations.size(); ++i)
        if (migrations[i].version <= migrations[i - 1].version)
            Fail(QStringLiteral("Migrações fora de ordem: %1 depois de %2.").arg(migrations[i].name, migrations[i - 1].name));
    const int latest = migrations.empty() ? 0 : migrations.back().version;

    if (!VersionTableExists(db)) CreateVersionTable(db);
    int current = ReadVersion(db);
    if (current > latest)
        Fail(QStringLiteral("O banco de dados está na versão %1, mais nova que a versão %2 conhecida por este "
                            "programa. Atualize o programa.")
                 .arg(current)
                 .arg(latest));

    for (const Migration& migration : migrations) {
        if (migration.version <= current) continue;
        WriteTransaction transaction(db);
        // Another process may be migrating the same database: take the lock, then look again.
        if (IsPostgres(db))
            Exec(db, QStringLiteral("LOCK TABLE SCHEMA_VERSION IN EXCLUSIVE MODE"),
                 QStringLiteral("Não foi possível bloquear a tabela SCHEMA_VERSION"));
        current = ReadVersion(db);
        if (migration.version > current) {
            ApplyOne(db, migration);
            current = migration.version;
        }
        transaction.commit();
    }
    return current;
}

}  // namespace detail

int Migrate(QSqlDatabase& db) { return detail::Apply(db, detail::EmbeddedMigrations()); }

int SchemaVersion(QSqlDatabase& db) {
    if (!db.isOpen()) detail::Fail(QStringLiteral("O banco de dados não está aberto."));
    if (!detail::VersionTableExists(db)) return 0;
    return detail::ReadVersion(db);
}

int LatestSchemaVersion() {
    return detail::kEmbeddedMigrationCount == 0
               ? 0
               : detail::kEmbeddedMigrations[detail::kEmbeddedMigrationCount - 1].version;
}

}  // namespace erpdb
