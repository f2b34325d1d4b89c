#include "server/Dispatcher.h"

#include "orv/DataSet.h"
#include "server/RpcError.h"

#include <QString>

namespace server {

Refused::Refused(const QString& message) : RpcError(kRefused, message.toStdString()) {}

QString Call::Str(size_t index) const {
    const auto& v = params_.at(index);
    return v.is_null() ? QString(QLatin1String("")) : QString::fromStdString(v.get<std::string>());
}

Dispatcher::Dispatcher() {
    Register("rpc.ping", MethodSpec{{}, {}, [](Call&) { return nlohmann::json("pong"); }});
}

void Dispatcher::Register(const std::string& name, MethodSpec spec) { methods_[name] = std::move(spec); }

namespace {

nlohmann::json ErrorResponse(const nlohmann::json& id, int code, const std::string& message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

// Deeper than any packet or delta goes (about six levels): a value nested further would be
// copied and freed recursively, and a few hundred thousand levels overflow the stack.
constexpr int kMaxDepth = 64;

bool TooDeep(const std::string& body) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxDepth) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

}  // namespace

std::string Dispatcher::MethodOf(const std::string& body) {
    // Only picks the workers a call waits for, so a glance is enough: the request is parsed
    // once, by Dispatch. Reads and number calls are small; a body this large is a delta.
    if (body.size() > 64 * 1024) return {};
    static const std::string key = "\"method\"";
    for (size_t at = body.find(key); at != std::string::npos; at = body.find(key, at + 1)) {
        if (at > 0 && body[at - 1] == '\\') continue;  // inside a string of another member
        size_t p = at + key.size();
        while (p < body.size() && (body[p] == ' ' || body[p] == '\t' || body[p] == '\n' || body[p] == '\r')) ++p;
        if (p >= body.size() || body[p] != ':') continue;
        ++p;
        while (p < body.size() && (body[p] == ' ' || body[p] == '\t' || body[p] == '\n' || body[p] == '\r')) ++p;
        if (p >= body.size() || body[p] != '"') return {};
        const size_t close = body.find('"', p + 1);
        return close == std::string::npos ? std::string() : body.substr(p + 1, close - p - 1);
    }
    return {};
}

Dispatcher::Outcome Dispatcher::Unauthorized(const std::string& message) {
    Outcome out;
    out.errorCode = kUnauthorized;
    out.httpStatus = 401;
    out.response = ErrorResponse(nullptr, kUnauthorized, message).dump();
    return out;
}

namespace {

// Whether the caller may run a method; throws the refusal otherwise.
void Admit(const std::string& method, Access access, const Caller& caller) {
    if (access == Access::Public) return;
    if (caller.kind == Caller::Kind::Anonymous) throw server::Unauthorized("Acesso não autorizado.");
    if (access == Access::Write && !caller.mayWrite)
        throw RpcError(kForbidden, "Gravação recusada (" + method +
                                       "): o token de ferramenta só permite consultas neste servidor (iniciado "
                                       "sem --allow-tool-writes). Entre no sistema com operador e senha para gravar.");
}

}  // namespace

Dispatcher::Outcome Dispatcher::Dispatch(const std::string& body, const Caller& caller) const {
    Outcome out;
    nlohmann::json request;
    if (TooDeep(body)) {
        out.errorCode = kInvalidRequest;
        out.response = ErrorResponse(nullptr, kInvalidRequest, "Requisição inválida: valores aninhados demais.").dump();
        return out;
    }
    try {
        request = nlohmann::json::parse(body);
    } catch (const nlohmann::json::exception&) {
        out.errorCode = kParseError;
        out.response = ErrorResponse(nullptr, kParseError, "Requisição inválida: JSON malformado.").dump();
        return out;
    }
    const nlohmann::json id = request.is_object() && request.contains("id") ? request["id"] : nlohmann::json();
    try {
        if (!request.is_object() || request.value("jsonrpc", "") != "2.0" || !request.contains("method") ||
            !request["method"].is_string())
            throw RpcError(kInvalidRequest, "Requisição inválida.");
        out.method = request["method"].get<std::string>();
        const auto it = methods_.find(out.method);
        if (it == methods_.end()) throw RpcError(kMethodNotFound, "Método desconhecido: " + out.method + ".");
        const MethodSpec& spec = it->second;
        Admit(out.method, spec.access, caller);

        // Moved, not copied: a delta may be megabytes.
        nlohmann::json params = request.contains("params") ? std::move(request["params"]) : nlohmann::json::array();
        if (!params.is_array())
            throw RpcError(kInvalidParams, "Parâmetros inválidos: esperava-se uma lista.");
        if (params.size() != spec.args.size())
            throw RpcError(kInvalidParams, "Parâmetros inválidos: " + out.method + " recebe " +
                                               std::to_string(spec.args.size()) + " argumento(s), vieram " +
                                               std::to_string(params.size()) + ".");
        for (size_t i = 0; i < spec.args.size(); ++i) {
            const auto& p = params[i];
            const bool ok = spec.args[i] == Arg::String ? (p.is_string() || p.is_null()) : (p.is_object() || p.is_null());
            if (!ok)
                throw RpcError(kInvalidParams, "Parâmetros inválidos: argumento " + std::to_string(i + 1) + " de " +
                                                   out.method + " tem tipo errado.");
        }
        Call call(std::move(params), caller);
        nlohmann::json value = spec.handler(call);
        nlohmann::json refs;
        if (!spec.refs.empty()) {
            refs = nlohmann::json::array();
            nlohmann::json params = call.TakeParams();
            for (size_t r : spec.refs) refs.push_back(std::move(params[r]));
        }
        if (!call.RawValue().empty()) {
            // The same document as below, with the value spliced in as written.
            std::string& r = out.response;
            r.reserve(call.RawValue().size() + 128);
            r.append(R"({"id":)").append(id.dump()).append(R"(,"jsonrpc":"2.0","result":{)");
            if (!refs.is_null()) r.append(R"("refs":)").append(refs.dump()).append(",");
            r.append(R"("value":)").append(call.RawValue()).append("}}");
        } else {
            nlohmann::json result = {{"value", std::move(value)}};
            if (!refs.is_null()) result["refs"] = std::move(refs);
            out.response = nlohmann::json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}.dump();
        }
    } catch (const RpcError& e) {
        if (e.code() == kUnauthorized) return Unauthorized(e.what());
        out.errorCode = e.code();
        out.response = ErrorResponse(id, e.code(), e.what()).dump();
    } catch (const std::invalid_argument& e) {
        // A malformed packet or delta inside well-typed arguments.
        out.errorCode = kInvalidParams;
        out.response = ErrorResponse(id, kInvalidParams, std::string("Parâmetros inválidos: ") + e.what()).dump();
    } catch (const orv::EDatabaseError& e) {
        out.errorCode = kInvalidParams;
        out.response = ErrorResponse(id, kInvalidParams, std::string("Parâmetros inválidos: ") + e.what()).dump();
    } catch (const std::exception& e) {
        out.errorCode = kInternalError;
        out.response = ErrorResponse(id, kInternalError, std::string("Erro interno do servidor de aplicação: ") + e.what()).dump();
    }
    return out;
}

}  // namespace server
