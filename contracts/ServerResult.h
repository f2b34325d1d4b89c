#pragma once

#include <QString>

#include <nlohmann/json.hpp>

namespace contracts {

// What a remote call hands back: the value (a data packet or a scalar) or the server's error.
// A transport failure is an error too, with the cause in the text.
struct ServerResult {
    bool ok = false;
    nlohmann::json value;  // packet, scalar or null
    QString error;         // the Portuguese text to show when !ok
    int code = 0;          // JSON-RPC error code, 0 when ok; transport failures use -32000

    static ServerResult Value(nlohmann::json v) { return {true, std::move(v), {}, 0}; }
    static ServerResult Error(QString text, int code) { return {false, nullptr, std::move(text), code}; }
};

}  // namespace contracts
