#include "server/AuthService.h"

#include "db/Credentials.h"
#include "server/RpcError.h"
#include "server/Sql.h"

#include <sodium.h>

#include <algorithm>

namespace server {

namespace {

const char kAccessDenied[] = "Acesso não autorizado.";
const char kSessionEnded[] = "Sessão encerrada ou expirada. Entre novamente no sistema.";
const char kLoginRefusedText[] = "Operador ou senha inválidos.";
const char kTooManyText[] =
    "Muitas tentativas de entrada sem sucesso para este operador ou deste computador. "
    "Aguarde um minuto e tente novamente.";

constexpr size_t kTokenBytes = 32;  // 256 bits
constexpr size_t kMaxCached = 4096;

std::string Hex(const unsigned char* bytes, size_t size) {
    std::string hex(size * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), bytes, size);
    hex.pop_back();
    return hex;
}

// The stored form of a token: tokens are 256 random bits, so a fast hash is as good as a slow one.
std::string Sha256Hex(const std::string& text) {
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    return Hex(digest, sizeof digest);
}

std::string NewToken() {
    unsigned char bytes[kTokenBytes];
    randombytes_buf(bytes, sizeof bytes);
    return Hex(bytes, sizeof bytes);
}

bool SameSecret(const std::string& a, const std::string& b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

bool IsToken(const std::string& token) {
    return token.size() == kTokenBytes * 2 &&
           std::all_of(token.begin(), token.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// What a client typed, fit for a log line: no line breaks to forge other lines with.
std::string Printable(const QString& text) {
    QString out = text.left(40);
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) c = QLatin1Char('?');
    return out.toStdString();
}

}  // namespace

AuthService::AuthService(Connections connections, AuthOptions options)
    : connections_(std::move(connections)), options_(std::move(options)) {
    if (sodium_init() < 0) throw std::runtime_error("não foi possível iniciar a biblioteca de criptografia");
    erpdb::HashCost cost = erpdb::HashCost::Interactive();
    if (options_.dummyOps != 0) cost = {options_.dummyOps, options_.dummyMemory};
    // A password nobody knows, hashed at the stored hashes' cost.
    dummyHash_ = erpdb::HashPassword(QString::fromStdString(NewToken()), cost);
    if (!options_.toolToken.empty()) toolKey_ = Sha256Hex(options_.toolToken);
}

QDateTime AuthService::Now() const {
    return options_.clock ? options_.clock() : QDateTime::currentDateTimeUtc();
}

void AuthService::Log(const std::string& line) const {
    if (options_.log) options_.log(line);
}

void AuthService::RegisterMethods(Dispatcher& dispatcher) {
    dispatcher.Register("rpc.login", MethodSpec{{Arg::String, Arg::String}, {},
                                                [this](Call& c) {
                                                    return nlohmann::json(Login(c.Str(0), c.Str(1), c.Who().address));
                                                },
                                                Access::Public});
    dispatcher.Register("rpc.logout", MethodSpec{{}, {},
                                                 [this](Call& c) {
                                                     Logout(c.Who());
                                                     return nlohmann::json(true);
                                                 },
                                                 Access::Read});
}

// --- every call ---------------------------------------------------------------------------------

Caller AuthService::Admit(const std::string& authorization, const std::string& address) {
    static const std::string prefix = "Bearer ";
    if (authorization.size() <= prefix.size() || authorization.compare(0, prefix.size(), prefix) != 0)
        throw Unauthorized(kAccessDenied);
    const std::string token = authorization.substr(prefix.size());
    // Compared through their hashes: equal lengths, and no early exit on the first difference.
    const std::string key = Sha256Hex(token);
    if (!toolKey_.empty() && SameSecret(key, toolKey_)) {
        Caller tool;
        tool.kind = Caller::Kind::Tool;
        tool.address = address;
        tool.mayWrite = options_.allowToolWrites;
        return tool;
    }
    if (!IsToken(token)) throw Unauthorized(kAccessDenied);
    return Session(key, address);
}

Caller AuthService::Session(const std::string& key, const std::string& address) {
    const QDateTime now = Now();
    std::optional<Cached> entry;
    {
        std::lock_guard lock(mutex_);
        if (const auto it = cache_.find(key);
            it != cache_.end() && it->second.readAt.secsTo(now) < options_.cacheFor.count())
            entry = it->second;
    }
    std::optional<QSqlDatabase> db;
    auto database = [&]() -> QSqlDatabase& {
        if (!db) db = connections_();
        return *db;
    };
    if (!entry) {
        Query q = Exec(database(),
                       QStringLiteral("SELECT S.CDOPERADOR, S.DTULTUSO, O.IDOPERATIVO FROM SESSAOOPERADOR S"
                                      "  JOIN OPERADOR O ON O.CDOPERADOR = S.CDOPERADOR"
                                      " WHERE S.CDHASHSESSAO = :H"),
                       {{":H", QString::fromStdString(key)}});
        // An operator made inactive loses the sessions already open.
        if (!q.next() || Text(q.value(2)) == QLatin1String("I")) {
            Forget(key);
            throw Unauthorized(kSessionEnded);
        }
        entry = Cached{Text(q.value(0)), ReadDateTime(q.value(1)), now};
    }
    const qint64 idle = entry->lastUse.secsTo(now);
    if (idle > std::chrono::duration_cast<std::chrono::seconds>(options_.idle).count()) {
        Forget(key);
        Exec(database(), QStringLiteral("DELETE FROM SESSAOOPERADOR WHERE CDHASHSESSAO = :H"),
             {{":H", QString::fromStdString(key)}});
        Log("sessão do operador " + Printable(entry->operador) + " expirou por inatividade");
        throw Unauthorized(kSessionEnded);
    }
    if (idle >= options_.refreshEvery.count()) {
        Exec(database(), QStringLiteral("UPDATE SESSAOOPERADOR SET DTULTUSO = :T WHERE CDHASHSESSAO = :H"),
             {{":T", TimestampParam(now)}, {":H", QString::fromStdString(key)}});
        entry->lastUse = now;
    }
    {
        std::lock_guard lock(mutex_);
        if (cache_.size() >= kMaxCached) cache_.clear();
        cache_[key] = *entry;
    }
    Caller caller;
    caller.kind = Caller::Kind::Operator;
    caller.operador = entry->operador;
    caller.sessionKey = key;
    caller.address = address;
    caller.mayWrite = true;
    return caller;
}

void AuthService::Forget(const std::string& key) {
    std::lock_guard lock(mutex_);
    cache_.erase(key);
}

// --- login and logout ---------------------------------------------------------------------------

bool AuthService::Throttled(QSqlDatabase& db, const QString& operador, const std::string& address,
                            const QDateTime& now) {
    const QVariant since = TimestampParam(now.addSecs(-options_.window.count()));
    Query byOperator = Exec(db,
                            QStringLiteral("SELECT COUNT(*) FROM TENTATIVALOGIN"
                                           " WHERE CDOPERADOR = :O AND DTTENTATIVA > :D"),
                            {{":O", operador}, {":D", since}});
    if (byOperator.next() && byOperator.value(0).toInt() >= options_.maxFailures) return true;
    Query byAddress = Exec(db,
                           QStringLiteral("SELECT COUNT(*) FROM TENTATIVALOGIN"
                                          " WHERE DSENDERECO = :A AND DTTENTATIVA > :D"),
                           {{":A", QString::fromStdString(address)}, {":D", since}});
    return byAddress.next() && byAddress.value(0).toInt() >= options_.maxFailures;
}

std::string AuthService::Login(const QString& typed, const QString& senha, const std::string& address) {
    // No code is longer than the column: a longer one is nobody (its first characters may be
    // somebody's), and its failures count under those first characters.
    const QString code = typed.trimmed();
    const QString operador = code.left(12);
    const bool fits = code.size() <= 12;
    const std::string who = "operador " + Printable(operador) + " de " + address;
    QSqlDatabase db = connections_();
    const QDateTime now = Now();
    if (Throttled(db, operador, address, now)) {
        Log("entrada recusada sem conferir a senha, por excesso de tentativas: " + who);
        throw RpcError(kTooManyLogins, kTooManyText);
    }

    bool found = false;
    QString situacao;
    std::string hash;
    {
        Query q = Exec(db,
                       QStringLiteral("SELECT O.IDOPERATIVO, P.DSHASHSENHA FROM OPERADOR O"
                                      "  LEFT JOIN SENHAOPERADOR P ON P.CDOPERADOR = O.CDOPERADOR"
                                      " WHERE O.CDOPERADOR = :O"),
                       {{":O", operador}});
        if (q.next() && fits) {
            found = true;
            situacao = Text(q.value(0));
            hash = Text(q.value(1)).toStdString();
        }
    }
    // The hash is checked whether or not there is one, so the answer takes as long either way.
    const bool matches = erpdb::VerifyPassword(hash.empty() ? dummyHash_ : hash, senha) && !hash.empty();
    const char* refusal = !found                                 ? "operador não cadastrado"
                          : hash.empty()                         ? "operador sem senha"
                          : !matches                             ? "senha incorreta"
                          : situacao == QLatin1String("I")       ? "operador inativo"
                                                                 : nullptr;
    if (refusal) {
        Transaction tx(db);
        Exec(db, QStringLiteral("INSERT INTO TENTATIVALOGIN (CDOPERADOR, DSENDERECO, DTTENTATIVA) VALUES (:O, :A, :D)"),
             {{":O", operador}, {":A", QString::fromStdString(address)}, {":D", TimestampParam(now)}});
        Exec(db, QStringLiteral("DELETE FROM TENTATIVALOGIN WHERE DTTENTATIVA <= :D"),
             {{":D", TimestampParam(now.addSecs(-options_.window.count()))}});
        tx.Commit();
        Log(std::string("entrada recusada (") + refusal + "): " + who);
        throw RpcError(kLoginRefused, kLoginRefusedText);
    }

    const std::string token = NewToken();
    const QDateTime expired = now.addSecs(-std::chrono::duration_cast<std::chrono::seconds>(options_.idle).count());
    Transaction tx(db);
    Exec(db,
         QStringLiteral("INSERT INTO SESSAOOPERADOR (CDHASHSESSAO, CDOPERADOR, DSENDERECO, DTINICSESSAO, DTULTUSO)"
                        " VALUES (:H, :O, :A, :D, :D)"),
         {{":H", QString::fromStdString(Sha256Hex(token))}, {":O", operador},
          {":A", QString::fromStdString(address).left(64)}, {":D", TimestampParam(now)}});
    // A success clears the operator's failures; sessions nobody used for too long go.
    Exec(db, QStringLiteral("DELETE FROM TENTATIVALOGIN WHERE CDOPERADOR = :O"), {{":O", operador}});
    Exec(db, QStringLiteral("DELETE FROM SESSAOOPERADOR WHERE DTULTUSO < :D"), {{":D", TimestampParam(expired)}});
    tx.Commit();
    Log("sessão aberta: " + who);
    return token;
}

void AuthService::Logout(const Caller& caller) {
    if (caller.kind != Caller::Kind::Operator)
        throw RpcError(kForbidden, "Não há sessão a encerrar: a chamada usa o token de ferramenta.");
    Forget(caller.sessionKey);
    QSqlDatabase db = connections_();
    Exec(db, QStringLiteral("DELETE FROM SESSAOOPERADOR WHERE CDHASHSESSAO = :H"),
         {{":H", QString::fromStdString(caller.sessionKey)}});
    Log("sessão encerrada: operador " + Printable(caller.operador) + " de " + caller.address);
}

}  // namespace server
