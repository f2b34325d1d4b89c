#pragma once

#include "server/Caller.h"
#include "server/Dispatcher.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace server {

struct AuthOptions {
    // The tools' token (--token-file); empty: no tool may call.
    std::string toolToken;
    // Whether the tools' token may write (--allow-tool-writes); its operator fields are then kept.
    bool allowToolWrites = false;
    // A session unused for longer than this ends (--session-idle).
    std::chrono::minutes idle{30};
    // Failed logins of one operator, or from one address, within `window` before the next
    // attempt is refused without looking at the password.
    int maxFailures = 5;
    std::chrono::seconds window{60};
    // A session's last use is written at most this often: not a write per call.
    std::chrono::seconds refreshEvery{60};
    // How long a server trusts what it read of a session before reading it again. A session ended
    // on another server (logout, expiry, a new password, an operator made inactive) is refused here
    // at most this much later.
    std::chrono::seconds cacheFor{5};
    // The cost of the hash checked for an operator without one, so that a login takes as long
    // whether the operator exists or not: the cost of the stored hashes.
    unsigned long long dummyOps = 0;  // 0: erpdb::HashCost::Interactive()
    std::size_t dummyMemory = 0;
    // The time now, in UTC; tests move it.
    std::function<QDateTime()> clock;
    // One line per login, logout and refusal (never a password or a token).
    std::function<void(const std::string&)> log;
};

// Operator identities: rpc.login checks the password against its Argon2id hash and opens a
// session; every other call presents the session's token as its bearer, or the tools' token.
// Sessions live in the database (SESSAOOPERADOR, by the SHA-256 of the token), so any server of
// the same database serves them and a server keeps nothing but a short cache.
class AuthService {
public:
    using Connections = std::function<QSqlDatabase()>;
    AuthService(Connections connections, AuthOptions options);

    // rpc.login and rpc.logout.
    void RegisterMethods(Dispatcher& dispatcher);

    // Who presents this Authorization header; throws Unauthorized when nobody valid does.
    Caller Admit(const std::string& authorization, const std::string& address);

    // Opens a session; gives its token (64 hex digits). Throws RpcError kLoginRefused or
    // kTooManyLogins with the text for the user.
    std::string Login(const QString& operador, const QString& senha, const std::string& address);
    // Ends the caller's session.
    void Logout(const Caller& caller);

private:
    struct Cached {
        QString operador;
        QDateTime lastUse;  // as stored
        QDateTime readAt;
    };

    QDateTime Now() const;
    void Log(const std::string& line) const;
    Caller Session(const std::string& token, const std::string& address);
    bool Throttled(QSqlDatabase& db, const QString& operador, const std::string& address, const QDateTime& now);
    void Forget(const std::string& key);

    Connections connections_;
    AuthOptions options_;
    std::string dummyHash_;
    std::string toolKey_;  // the hash of the tools' token
    std::mutex mutex_;
    std::unordered_map<std::string, Cached> cache_;
};

}  // namespace server
