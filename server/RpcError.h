#pragma once

#include <stdexcept>
#include <string>

namespace server {

// JSON-RPC error codes of this server.
enum RpcCode : int {
    kParseError = -32700,
    kInvalidRequest = -32600,
    kMethodNotFound = -32601,
    kInvalidParams = -32602,
    kInternalError = -32603,
    kRefused = -32010,      // a rule of the server refused the call; the message is for the user
    kUnavailable = -32011,  // the database cannot be reached now; the same call may succeed later
};

// Any failure that becomes a JSON-RPC error; the message is the Portuguese text the user sees.
class RpcError : public std::runtime_error {
public:
    RpcError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

// A refusal by the server's rules.
class Refused : public RpcError {
public:
    explicit Refused(const std::string& message) : RpcError(kRefused, message) {}
    explicit Refused(const class QString& message);
};

}  // namespace server
