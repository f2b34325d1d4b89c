#include "orv/Database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <map>
#include <mutex>
#include <stdexcept>

namespace orv {

namespace {

std::mutex g_sharedMutex;
QString g_sharedName = QStringLiteral("dtmDBGeral");

[[noreturn]] void Fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

void ExecPragma(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        Fail(QStringLiteral("Falha ao configurar o banco de dados: %1").arg(q.lastError().text()));
}

void ConfigureSqlite(QSqlDatabase& db) {
    ExecPragma(db, QStringLiteral("PRAGMA journal_mode=WAL"));
    ExecPragma(db, QStringLiteral("PRAGMA foreign_keys=ON"));
    ExecPragma(db, QStringLiteral("PRAGMA synchronous=NORMAL"));
}

}  // namespace

QSqlDatabase OpenDatabase(const QString& url, const QString& connectionName) {
    if (QSqlDatabase::contains(connectionName)) {
        QSqlDatabase existing = QSqlDatabase::database(connectionName, false);
        existing.close();
        existing = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
    }
    QSqlDatabase db;
    if (url.startsWith(QStringLiteral("sqlite:"))) {
        const QString path = url.mid(7);
        if (path.isEmpty()) Fail(QStringLiteral("Caminho do banco SQLite não informado."));
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(path);
        // How long a writer waits for another one's lock before it gives up (ERP_SQLITE_BUSY_MS).
        const int busyMs = qEnvironmentVariableIsSet("ERP_SQLITE_BUSY_MS") ? qEnvironmentVariableIntValue("ERP_SQLITE_BUSY_MS") : 10000;
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs > 0 ? busyMs : 10000));
    } else if (url.startsWith(QStringLiteral("postgresql://")) || url.startsWith(QStringLiteral("postgres://"))) {
        const QUrl u(url);
        if (!u.isValid() || u.host().isEmpty())
            Fail(QStringLiteral("Endereço de banco PostgreSQL inválido: %1").arg(url));
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        db.setHostName(u.host());
        db.setPort(u.port(5432));
        db.setUserName(u.userName());
        db.setPassword(u.password());
        QString name = u.path();
        if (name.startsWith(QLatin1Char('/'))) name = name.mid(1);
        db.setDatabaseName(name.isEmpty() ? u.userName() : name);
    } else {
        Fail(QStringLiteral("Endereço de banco de dados não reconhecido: %1 (use sqlite:CAMINHO ou postgresql://usuario@host:porta/banco)").arg(url));
    }
    if (!db.open()) {
        const QString err = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connectionName);
        Fail(QStringLiteral("Não foi possível abrir o banco de dados: %1").arg(err));
    }
    if (EngineOf(db) == DbEngine::SQLite) ConfigureSqlite(db);
    return db;
}

DbEngine EngineOf(const QSqlDatabase& db) {
    return db.driverName() == QStringLiteral("QPSQL") ? DbEngine::PostgreSQL : DbEngine::SQLite;
}

QString SharedConnectionName() {
    std::lock_guard lock(g_sharedMutex);
    return g_sharedName;
}

void SetSharedConnectionName(const QString& name) {
    std::lock_guard lock(g_sharedMutex);
    g_sharedName = name;
}

QSqlDatabase SharedConnection() { return QSqlDatabase::database(SharedConnectionName(), false); }

QSqlDatabase ThreadConnection(const QString& baseName) {
    static std::atomic<quintptr> counter{0};
    thread_local std::map<QString, QString> names;
    auto it = names.find(baseName);
    if (it != names.end() && QSqlDatabase::contains(it->second)) {
        QSqlDatabase db = QSqlDatabase::database(it->second, false);
        if (db.isOpen()) return db;
    }
    const QString name = QStringLiteral("%1#%2").arg(baseName).arg(++counter);
    QSqlDatabase db = QSqlDatabase::cloneDatabase(baseName, name);
    if (!db.open()) {
        const QString err = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        Fail(QStringLiteral("Não foi possível abrir o banco de dados: %1").arg(err));
    }
    if (EngineOf(db) == DbEngine::SQLite) ConfigureSqlite(db);
    names[baseName] = name;
    return db;
}

}  // namespace orv
