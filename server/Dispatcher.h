#pragma once

#include "server/Caller.h"

#include <nlohmann/json.hpp>

#include <QString>

#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace server {

// The arguments of one call, checked against the method's signature before the handler runs.
class Call {
public:
    explicit Call(nlohmann::json params, const Caller& who = Caller()) : params_(std::move(params)), who_(who) {}
    // Who makes the call.
    const Caller& Who() const { return who_; }
    QString Str(size_t index) const;
    const nlohmann::json& Json(size_t index) const { return params_.at(index); }
    nlohmann::json& Ref(size_t index) { return params_.at(index); }
    const nlohmann::json& Params() const { return params_; }
    // The arguments, to hand back by reference once the handler is done with them.
    nlohmann::json TakeParams() { return std::move(params_); }
    // A value already written as JSON text (a long list the database wrote itself): answered as
    // it is, instead of what the handler returns.
    void SetRawValue(std::string json) { rawValue_ = std::move(json); }
    const std::string& RawValue() const { return rawValue_; }

private:
    nlohmann::json params_;
    std::string rawValue_;
    Caller who_;
};

enum class Arg { String, Json };

// Who may call a method.
enum class Access {
    Public,  // anyone, without a bearer (rpc.login)
    Read,    // a session or the tools' token
    Write,   // a session, or the tools' token when the server allows tools to write
};

struct MethodSpec {
    std::vector<Arg> args;
    std::vector<size_t> refs;  // by-reference arguments, handed back in "refs"
    std::function<nlohmann::json(Call&)> handler;
    Access access = Access::Read;
};

// JSON-RPC 2.0 method table: parses a request, checks the arguments, runs the handler and turns
// any failure into a JSON-RPC error whose message is what the user will see.
class Dispatcher {
public:
    // Knows "rpc.ping" from the start: clients check address and token with it on connect.
    Dispatcher();
    void Register(const std::string& name, MethodSpec spec);
    bool Knows(const std::string& method) const { return methods_.count(method) != 0; }
    // Methods that write: the transport runs them apart from the reads, so that a writer waiting
    // for the database's lock never holds up a read.
    bool Writes(const std::string& method) const {
        const auto it = methods_.find(method);
        return it != methods_.end() && it->second.access == Access::Write;
    }
    // The method a request names, read cheaply before it is dispatched (empty when none).
    static std::string MethodOf(const std::string& body);

    struct Outcome {
        std::string response;  // JSON text
        std::string method;    // for the log; empty when unknown
        int errorCode = 0;     // 0 when ok
        int httpStatus = 200;  // 401 when the caller lacks a bearer the method needs
    };
    Outcome Dispatch(const std::string& body, const Caller& caller) const;
    // The answer to a request refused before it was read (no valid bearer).
    static Outcome Unauthorized(const std::string& message);

private:
    std::map<std::string, MethodSpec> methods_;
};

}  // namespace server
