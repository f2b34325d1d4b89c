#include "db/Credentials.h"

#include "db/Sql.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

#include <sodium.h>

#include <stdexcept>

namespace erpdb {

namespace {

void RequireSodium() {
    // Idempotent and thread-safe; -1 only when the system has no usable random source.
    if (sodium_init() < 0) detail::Fail(QStringLiteral("Não foi possível iniciar a biblioteca de criptografia."));
}

void Run(QSqlQuery& query, const char* what) {
    if (!query.exec())
        detail::Fail(QStringLiteral("%1: %2").arg(QString::fromUtf8(what), query.lastError().text()));
}

}  // namespace

HashCost HashCost::Interactive() {
    return {crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE, crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE};
}

HashCost HashCost::Cheapest() { return {crypto_pwhash_argon2id_OPSLIMIT_MIN, crypto_pwhash_argon2id_MEMLIMIT_MIN}; }

std::string HashPassword(const QString& password, HashCost cost) {
    RequireSodium();
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()), cost.ops,
                              cost.memory, crypto_pwhash_ALG_ARGON2ID13) != 0)
        detail::Fail(QStringLiteral("Memória insuficiente para calcular o hash da senha."));
    return out;
}

bool VerifyPassword(const std::string& hash, const QString& password) {
    RequireSodium();
    if (hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(hash.c_str(), bytes.constData(), static_cast<unsigned long long>(bytes.size())) == 0;
}

void SetPassword(QSqlDatabase& db, const QString& operador, const QString& password, HashCost cost) {
    if (password.size() < kMinPasswordLength)
        detail::Fail(QStringLiteral("A senha deve ter pelo menos %1 caracteres.").arg(kMinPasswordLength));
    StorePasswordHash(db, operador, HashPassword(password, cost));
}

void StorePasswordHash(QSqlDatabase& db, const QString& operador, const std::string& hash) {
    detail::WriteTransaction transaction(db);
    if (!detail::Scalar(db, QStringLiteral("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = ?"), {operador}).isValid())
        detail::Fail(QStringLiteral("Operador %1 não cadastrado.").arg(operador));
    const QString now = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM SENHAOPERADOR WHERE CDOPERADOR = :O"));
    remove.bindValue(QStringLiteral(":O"), operador);
    Run(remove, "Não foi possível trocar a senha");
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO SENHAOPERADOR (CDOPERADOR, DSHASHSENHA, DTALTSENHA) VALUES (:O, :H, :T)"));
    insert.bindValue(QStringLiteral(":O"), operador);
    insert.bindValue(QStringLiteral(":H"), QString::fromStdString(hash));
    insert.bindValue(QStringLiteral(":T"), now);
    Run(insert, "Não foi possível gravar a senha");
    QSqlQuery sessions(db);
    sessions.prepare(QStringLiteral("DELETE FROM SESSAOOPERADOR WHERE CDOPERADOR = :O"));
    sessions.bindValue(QStringLiteral(":O"), operador);
    Run(sessions, "Não foi possível encerrar as sessões do operador");
    transaction.commit();
}

}  // namespace erpdb
