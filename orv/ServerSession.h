#pragma once

#include <QString>

namespace orv {

// Where the application server listens: its host, plain ("127.0.0.1") or with the scheme that
// asks for TLS ("https://erp.exemplo"), and its port. Over https the server's certificate is
// verified against `caFile` (PEM), or the system's authorities when empty.
struct ServerEndpoint {
    QString host;
    int port = 0;
    QString caFile;
};

// The server's answer to a login: the session token, or why there is none (the text for the
// user: the server's own, or a communication failure).
struct LoginResult {
    QString token;
    QString error;
    int code = 0;  // the JSON-RPC error code; -32000 when the server was not reached
    bool ok() const { return error.isEmpty(); }
};

// Opens an operator's session (rpc.login). Every call of the session then presents the token.
LoginResult OpenSession(const ServerEndpoint& at, const QString& operador, const QString& senha);
// Ends the session (rpc.logout). Best effort: a session that cannot be ended expires on its own.
void CloseSession(const ServerEndpoint& at, const QString& token);

}  // namespace orv
