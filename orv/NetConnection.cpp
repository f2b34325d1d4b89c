#include "orv/NetConnection.h"

#include "orv/Host.h"
#include "orv/JsonText.h"
#include "orv/Routines.h"
#include "orv/ServerClient.h"

#include <httplib.h>

#include <cstdint>

namespace orv {

namespace {

using Json = nlohmann::json;
using detail::Describe;

const QString kCommFailure = QStringLiteral("Falha de comunicação com o servidor de aplicação.");

QString CommError(const QString& cause) { return kCommFailure + QLatin1Char('\n') + cause; }

thread_local int g_packetsAsText = 0;

// The proxy: one function per remote method, arguments in the server's order.
class Proxy : public contracts::IRdmTransFisica {
public:
    explicit Proxy(TNetConnection& net) : net_(net) {}
    using R = contracts::ServerResult;
    using Ref = TNetConnection::Ref;

    static Json S(const QString& s) { return s.toStdString(); }

    R GetBemAtivo(const QString& e, const QString& b, const QString& t) override {
        return net_.Call("GetBemAtivo", {S(e), S(b), S(t)});
    }
    R CarregaAnte(const QString& b) override { return net_.Call("CarregaAnte", {S(b)}); }
    R GetCapa(const QString& e, QString& b) override { return net_.Call("GetCapa", {S(e), S(b)}, {Ref{1, &b}}); }
    R GetVd_Insert(const QString& e, QString& b) override {
        return net_.Call("GetVd_Insert", {S(e), S(b)}, {Ref{1, &b}});
    }
    R VerificaUltimaTransferencia(const QString& e, QString& b) override {
        return net_.Call("VerificaUltimaTransferencia", {S(e), S(b)}, {Ref{1, &b}});
    }
    R GetDtultdep(const QString& e, const QString& b) override { return net_.Call("GetDtultdep", {S(e), S(b)}); }
    R Retorna_Dados(const QString& e, QString& b, QString& n, const QString& p, const QString& f, const QString& c,
                    const QString& s, const QString& o) override {
        return net_.Call("Retorna_Dados", {S(e), S(b), S(n), S(p), S(f), S(c), S(s), S(o)}, {Ref{1, &b}, Ref{2, &n}});
    }
    R GetRateio(const QString& e, QString& b, const QString& c, const QString& i) override {
        return net_.Call("GetRateio", {S(e), S(b), S(c), S(i)}, {Ref{1, &b}});
    }
    R VdRateio(QString& b, const QString& e, const QString& f, const QString& cc, const QString& c,
               const QString& i) override {
        return net_.Call("VdRateio", {S(b), S(e), S(f), S(cc), S(c), S(i)}, {Ref{0, &b}});
    }
    R VdFilialRat(const QString& e, const QString& f) override { return net_.Call("VdFilialRat", {S(e), S(f)}); }
    R VdCentCustRat(const QString& c, const QString& f) override { return net_.Call("VdCentCustRat", {S(c), S(f)}); }
    R GetCtblBemAtivo(const QString& e, QString& b) override {
        return net_.Call("GetCtblBemAtivo", {S(e), S(b)}, {Ref{1, &b}});
    }
    R GetPesqTipoContaBem(const QString& e, QString& b) override {
        return net_.Call("GetPesqTipoContaBem", {S(e), S(b)}, {Ref{1, &b}});
    }
    R GetPesqContCtbl(const QString& e, QString& b) override {
        return net_.Call("GetPesqContCtbl", {S(e), S(b)}, {Ref{1, &b}});
    }
    R GetVd_TipoConta(const QString& e, const QString& t, QString& b) override {
        return net_.Call("GetVd_TipoConta", {S(e), S(t), S(b)}, {Ref{2, &b}});
    }
    R GetVd_ContCtbl(const QString& c, const QString& e, QString& b) override {
        return net_.Call("GetVd_ContCtbl", {S(c), S(e), S(b)}, {Ref{2, &b}});
    }
    R GetVDSerie(const QString& f, const QString& s) override { return net_.Call("GetVDSerie", {S(f), S(s)}); }
    R GetPesqNF(const QString& n, const QString& fn, const QString& s, const QString& fa) override {
        return net_.Call("GetPesqNF", {S(n), S(fn), S(s), S(fa)});
    }
    R PrxCapaOperaBem(const QString& e, const QString& s) override { return net_.Call("PrxCapaOperaBem", {S(e), S(s)}); }
    R PrxItCapaOperaBem(const QString& e, const QString& s, const QString& c) override {
        return net_.Call("PrxItCapaOperaBem", {S(e), S(s), S(c)});
    }
    R PrxFaixaCapaOperaBem(const QString& e, const QString& s, const QString& q) override {
        return net_.Call("PrxFaixaCapaOperaBem", {S(e), S(s), S(q)});
    }
    R PrxFaixaItCapaOperaBem(const QString& e, const QString& s, const QString& q) override {
        return net_.Call("PrxFaixaItCapaOperaBem", {S(e), S(s), S(q)});
    }
    R SetConfirmar(Json& delta, Json& segundo) override {
        return net_.Call("SetConfirmar", {delta, segundo}, {Ref{0, nullptr, &delta}, Ref{1, nullptr, &segundo}});
    }
    R SetTransFisica(const Json& delta) override { return net_.Call("SetTransFisica", {delta}); }
    R SetRateio(const Json& delta) override { return net_.Call("SetRateio", {delta}); }
    R Atualiza_RatBem(const Json& packet) override { return net_.Call("Atualiza_RatBem", {packet}); }
    R SetCtblBemAtivo(const Json& delta) override { return net_.Call("SetCtblBemAtivo", {delta}); }

private:
    TNetConnection& net_;
};

}  // namespace

TNetConnection::TNetConnection(QString name) : name_(std::move(name)) {}
TNetConnection::~TNetConnection() = default;

contracts::IRdmTransFisica& TNetConnection::AppServer() {
    if (!proxy_) proxy_ = std::make_unique<Proxy>(*this);
    return *proxy_;
}

bool TNetConnection::Open(QString& error) {
    const QString caFile = HostInstalled() ? orv::Host().CaFile() : QString();
    auto client = detail::MakeServerClient({Host, Port, caFile}, TimeoutSeconds);
    token_ = HostInstalled() ? orv::Host().AccessToken().toStdString() : std::string();
    client->set_default_headers({{"Authorization", "Bearer " + token_}});
    // One cheap authorised call proves the address, the server and the token at once.
    const std::string body = R"({"jsonrpc":"2.0","id":0,"method":"rpc.ping","params":[]})";
    auto res = client->Post(("/rpc/" + ServerName.toStdString()).c_str(), body, "application/json");
    if (!res) {
        error = CommError(QStringLiteral("%1 (%2:%3)").arg(Describe(res.error()), Host).arg(Port));
        return false;
    }
    if (res->status == 401) {
        const QString why = detail::ErrorMessage(res->body);
        error = CommError(QStringLiteral("O servidor recusou o token de acesso.") +
                          (why.isEmpty() ? QString() : QLatin1Char('\n') + why));
        return false;
    }
    if (res->status != 200) {
        error = CommError(QStringLiteral("Resposta HTTP %1 do servidor.").arg(res->status));
        return false;
    }
    client_ = std::move(client);
    return true;
}

void TNetConnection::SetConnected(bool connected) {
    std::lock_guard lock(mutex_);
    if (connected == connected_) return;
    if (!connected) {
        if (client_) client_->stop();
        client_.reset();
        connected_ = false;
        return;
    }
    if (BeforeConnect) BeforeConnect(*this);
    QString error;
    if (!Open(error)) {
        lastError_ = error;
        if (ThrowException) throw std::runtime_error(error.toStdString());
        return;
    }
    lastError_.clear();
    connected_ = true;
}

contracts::ServerResult TNetConnection::Call(const std::string& method, Json params, const std::vector<Ref>& refs) {
    std::lock_guard lock(mutex_);
    if (!connected_ || !client_)
        return contracts::ServerResult::Error(
            CommError(lastError_.isEmpty() ? QStringLiteral("A conexão não está aberta.") : lastError_.section('\n', 1)),
            -32000);
    const Json request = {{"jsonrpc", "2.0"}, {"id", nextId_++}, {"method", method}, {"params", std::move(params)}};
    httplib::Request post;
    post.method = "POST";
    post.path = "/rpc/" + ServerName.toStdString();
    post.headers.emplace("Content-Type", "application/json");
    post.body = request.dump();
    // The answer goes into a buffer of its announced size: a list of megabytes would otherwise
    // grow by doubling, copying itself at each step.
    // Bytes, not a string: a packet kept as text takes this buffer over instead of a copy.
    std::vector<std::uint8_t> body;
    post.content_receiver = [&body](const char* data, size_t length, uint64_t offset, uint64_t total) {
        if (offset == 0 && total > body.capacity()) body.reserve(total);
        body.insert(body.end(), data, data + length);
        return true;
    };
    auto res = client_->send(post);
    if (!res) return contracts::ServerResult::Error(CommError(Describe(res.error())), -32000);
    if (res->status == 401) {
        // An ended or expired session: the server's words tell the clerk to log in again.
        const QString why = detail::ErrorMessage(std::string(body.begin(), body.end()));
        return contracts::ServerResult::Error(why.isEmpty() ? CommError(QStringLiteral("O servidor recusou o token de acesso."))
                                                            : why,
                                              -32001);
    }
    if (res->status != 200)
        return contracts::ServerResult::Error(CommError(QStringLiteral("Resposta HTTP %1 do servidor.").arg(res->status)),
                                              -32000);
    Json response;
    try {
        response = ParseJsonText(std::move(body), g_packetsAsText > 0);
    } catch (const Json::exception&) {
        return contracts::ServerResult::Error(CommError(QStringLiteral("Resposta ilegível do servidor.")), -32000);
    }
    if (response.contains("error")) {
        const auto& e = response["error"];
        return contracts::ServerResult::Error(QString::fromStdString(e.value("message", std::string("Erro do servidor."))),
                                              e.value("code", -32000));
    }
    if (!response.contains("result") || !response["result"].is_object())
        return contracts::ServerResult::Error(CommError(QStringLiteral("Resposta sem resultado.")), -32000);
    // The answer is ours: its parts move out instead of being copied (a list is megabytes).
    Json& result = response["result"];
    if (result.contains("refs") && result["refs"].is_array()) {
        Json& back = result["refs"];
        for (size_t i = 0; i < refs.size() && i < back.size(); ++i) {
            if (refs[i].text) *refs[i].text = back[i].is_string() ? QString::fromStdString(back[i].get<std::string>()) : QString();
            if (refs[i].json) *refs[i].json = std::move(back[i]);
        }
    }
    const auto value = result.find("value");
    return contracts::ServerResult::Value(value == result.end() ? Json() : std::move(*value));
}

namespace {
thread_local int g_quietServerErrors = 0;
}

PacketsAsText::PacketsAsText() { ++g_packetsAsText; }
PacketsAsText::~PacketsAsText() { --g_packetsAsText; }

QuietServerErrors::QuietServerErrors() { ++g_quietServerErrors; }
QuietServerErrors::~QuietServerErrors() { --g_quietServerErrors; }

nlohmann::json CheckResultServ(const contracts::ServerResult& result, bool abort, int) {
    if (!result.ok) {
        if (g_quietServerErrors > 0) {
            if (abort) Abort();
            return nullptr;
        }
        MensErro(result.error, abort);
        return nullptr;
    }
    return result.value;
}

nlohmann::json CheckResultServ(contracts::ServerResult&& result, bool abort, int helpContext) {
    if (!result.ok) return CheckResultServ(static_cast<const contracts::ServerResult&>(result), abort, helpContext);
    return std::move(result.value);
}

}  // namespace orv
