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
    kUnauthorized = -32001,  // no valid bearer (HTTP 401): no token, a wrong one, a session ended or expired
    kRefused = -32010,       // a rule of the server refused the call; the message is for the user
    kUnavailable = -32011,   // the database cannot be reached now; the same call may succeed later
    kForbidden = -32012,     // the caller may not do this (a write with the tools' token)
    kLoginRefused = -32013,  // rpc.login: unknown operator, wrong password, inactive or without a password
    kTooManyLogins = -32014, // rpc.login: too many failures of the operator or the address in the last minute
};

// Any failure that becomes a JSON-RPC error; the message is the Portuguese text the user sees.
class RpcError : public std::runtime_error {
public:
    RpcError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

// No valid bearer: answered with HTTP 401 and nothing done.
class Unauthorized : public RpcError {
public:
    explicit Unauthorized(const std::string& message) : RpcError(kUnauthorized, message) {}
};

// A refusal by the server's rules.
class Refused : public RpcError {
public:
    explicit Refused(const std::string& message) : RpcError(kRefused, message) {}
    explicit Refused(const class QString& message);
};

}  // namespace server
