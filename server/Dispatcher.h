#pragma once

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
    explicit Call(nlohmann::json params) : params_(std::move(params)) {}
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
};

enum class Arg { String, Json };

struct MethodSpec {
    std::vector<Arg> args;
    std::vector<size_t> refs;  // by-reference arguments, handed back in "refs"
    std::function<nlohmann::json(Call&)> handler;
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
    void MarkWrites(std::initializer_list<const char*> methods);
    bool Writes(const std::string& method) const { return writes_.count(method) != 0; }
    // The method a request names, read cheaply before it is dispatched (empty when none).
    static std::string MethodOf(const std::string& body);

    struct Outcome {
        std::string response;  // JSON text
        std::string method;    // for the log; empty when unknown
        int errorCode = 0;     // 0 when ok
    };
    Outcome Dispatch(const std::string& body) const;

private:
    std::map<std::string, MethodSpec> methods_;
    std::set<std::string> writes_;
};

}  // namespace server
