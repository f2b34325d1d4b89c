#pragma once

#include <QString>

#include <string>

namespace server {

// Who makes a call, as the transport established it before the method runs.
struct Caller {
    enum class Kind {
        Anonymous,  // no bearer: only rpc.login
        Tool,       // the token of --token-file: reads; writes only with --allow-tool-writes
        Operator,   // a session opened by rpc.login
    };
    Kind kind = Kind::Anonymous;
    QString operador;        // the session's operator
    std::string sessionKey;  // the hash of the session token, as stored
    std::string address;     // the client's address
    bool mayWrite = false;

    // The operator a write is made in the name of. Empty for a tool allowed to write: the
    // operator fields are then kept as the delta sends them.
    QString Stamp() const { return kind == Kind::Operator ? operador : QString(); }
};

}  // namespace server
