#include "orv/NetConnection.h"

#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/ServerClient.h"

#include <httplib.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace orv {

namespace {

using Json = nlohmann::json;
using detail::Describe;

const QString kCommFailure = QStringLiteral("Falha de comunicação com o servidor de aplicação.");

QString CommError(const QString& cause) { return kCommFailure + QLatin1Char('\n') + cause; }

// Reads a JSON text into the same document Json::parse builds, in about half its time on the
// answers that carry a long list (ten thousand rows of fifty fields make five megabytes).
// Whatever it is not sure to read exactly as Json::parse does (a lone surrogate, a number out of
// range, deep nesting, malformed text) makes it give up, and the text goes to Json::parse.
class FastJsonReader {
public:
    explicit FastJsonReader(const std::string& text) : p_(text.data()), end_(text.data() + text.size()) {}

    bool Read(Json& out) {
        SkipSpace();
        if (!Value(out, 0)) return false;
        SkipSpace();
        return p_ == end_;
    }

private:
    static constexpr int kMaxDepth = 32;

    void SkipSpace() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
    }

    bool Value(Json& out, int depth) {
        if (p_ == end_) return false;
        switch (*p_) {
        case '"': {
            std::string text;
            if (!String(text)) return false;
            out = Json(std::move(text));
            return true;
        }
        case '[': return Array(out, depth);
        case '{': return Object(out, depth);
        case 't': return Literal("true", out, Json(true));
        case 'f': return Literal("false", out, Json(false));
        case 'n': return Literal("null", out, Json());
        default: return Number(out);
        }
    }

    bool Literal(std::string_view word, Json& out, Json value) {
        if (static_cast<size_t>(end_ - p_) < word.size() || std::string_view(p_, word.size()) != word) return false;
        p_ += word.size();
        out = std::move(value);
        return true;
    }

    bool Array(Json& out, int depth) {
        if (depth >= kMaxDepth) return false;
        ++p_;
        // The items gather in this depth's scratch list, then move into an array of their size.
        std::vector<Json>& items = scratch_[static_cast<size_t>(depth)];
        items.clear();
        SkipSpace();
        if (p_ < end_ && *p_ == ']') {
            ++p_;
            out = Json::array();
            return true;
        }
        for (;;) {
            SkipSpace();
            items.emplace_back();
            if (!Value(items.back(), depth + 1)) return false;
            SkipSpace();
            if (p_ == end_) return false;
            if (*p_ == ']') break;
            if (*p_ != ',') return false;
            ++p_;
        }
        ++p_;
        Json::array_t array(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
        items.clear();
        out = Json(std::move(array));
        return true;
    }

    bool Object(Json& out, int depth) {
        if (depth >= kMaxDepth) return false;
        ++p_;
        Json::object_t object;
        SkipSpace();
        if (p_ < end_ && *p_ == '}') {
            ++p_;
            out = Json(std::move(object));
            return true;
        }
        for (;;) {
            SkipSpace();
            if (p_ == end_ || *p_ != '"') return false;
            std::string key;
            if (!String(key)) return false;
            SkipSpace();
            if (p_ == end_ || *p_ != ':') return false;
            ++p_;
            SkipSpace();
            Json value;
            if (!Value(value, depth + 1)) return false;
            // A repeated key keeps its last value, as Json::parse does.
            object.insert_or_assign(std::move(key), std::move(value));
            SkipSpace();
            if (p_ == end_) return false;
            if (*p_ == '}') break;
            if (*p_ != ',') return false;
            ++p_;
        }
        ++p_;
        out = Json(std::move(object));
        return true;
    }

    bool String(std::string& out) {
        ++p_;
        const char* run = p_;
        while (p_ < end_) {
            const auto c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                // Built in one go when there was no escape, the usual case.
                if (out.empty())
                    out = std::string(run, p_);
                else
                    out.append(run, p_);
                ++p_;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                out.append(run, p_);
                if (!Escape(out)) return false;
                run = p_;
                continue;
            }
            if (c < 0x80) {
                ++p_;
                continue;
            }
            const int length = Utf8Length();
            if (length == 0) return false;
            p_ += length;
        }
        return false;
    }

    // The length of the well-formed UTF-8 sequence at p_, 0 when it is not one (RFC 3629).
    int Utf8Length() const {
        const auto* s = reinterpret_cast<const unsigned char*>(p_);
        const auto left = end_ - p_;
        auto in = [&](int i, unsigned char low, unsigned char high) { return i < left && s[i] >= low && s[i] <= high; };
        const unsigned char c = s[0];
        if (c >= 0xC2 && c <= 0xDF) return in(1, 0x80, 0xBF) ? 2 : 0;
        if (c == 0xE0) return in(1, 0xA0, 0xBF) && in(2, 0x80, 0xBF) ? 3 : 0;
        if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) return in(1, 0x80, 0xBF) && in(2, 0x80, 0xBF) ? 3 : 0;
        if (c == 0xED) return in(1, 0x80, 0x9F) && in(2, 0x80, 0xBF) ? 3 : 0;
        if (c == 0xF0) return in(1, 0x90, 0xBF) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
        if (c >= 0xF1 && c <= 0xF3) return in(1, 0x80, 0xBF) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
        if (c == 0xF4) return in(1, 0x80, 0x8F) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
        return 0;
    }

    bool Escape(std::string& out) {
        if (end_ - p_ < 2) return false;
        const char kind = p_[1];
        p_ += 2;
        switch (kind) {
        case '"': out.push_back('"'); return true;
        case '\\': out.push_back('\\'); return true;
        case '/': out.push_back('/'); return true;
        case 'b': out.push_back('\b'); return true;
        case 'f': out.push_back('\f'); return true;
        case 'n': out.push_back('\n'); return true;
        case 'r': out.push_back('\r'); return true;
        case 't': out.push_back('\t'); return true;
        case 'u': break;
        default: return false;
        }
        int code = Hex4();
        if (code < 0 || (code >= 0xDC00 && code <= 0xDFFF)) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') return false;
            p_ += 2;
            const int low = Hex4();
            if (low < 0xDC00 || low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        return true;
    }

    int Hex4() {
        if (end_ - p_ < 4) return -1;
        int code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = p_[i];
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else return -1;
            code = code * 16 + digit;
        }
        p_ += 4;
        return code;
    }

    bool Number(Json& out) {
        const char* start = p_;
        auto digits = [this] {
            const char* from = p_;
            while (p_ < end_ && *p_ >= '0' && *p_ <= '9') ++p_;
            return p_ > from;
        };
        const bool negative = *p_ == '-';
        if (negative) ++p_;
        if (p_ == end_) return false;
        if (*p_ == '0') {
            ++p_;
        } else if (!digits()) {
            return false;
        }
        bool integral = true;
        if (p_ < end_ && *p_ == '.') {
            integral = false;
            ++p_;
            if (!digits()) return false;
        }
        if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
            integral = false;
            ++p_;
            if (p_ < end_ && (*p_ == '+' || *p_ == '-')) ++p_;
            if (!digits()) return false;
        }
        // As Json::parse: unsigned without a sign, signed with one, double with a fraction or an
        // exponent; an integer out of its range is left to Json::parse (which reads it as double).
        if (integral && negative) {
            std::int64_t value = 0;
            const auto [end, error] = std::from_chars(start, p_, value);
            if (error != std::errc() || end != p_) return false;
            out = value;
        } else if (integral) {
            std::uint64_t value = 0;
            const auto [end, error] = std::from_chars(start, p_, value);
            if (error != std::errc() || end != p_) return false;
            out = value;
        } else {
            double value = 0;
            const auto [end, error] = std::from_chars(start, p_, value);
            if (error != std::errc() || end != p_) return false;
            out = value;
        }
        return true;
    }

    const char* p_;
    const char* end_;
    std::array<std::vector<Json>, kMaxDepth> scratch_;
};

Json ParseAnswer(const std::string& text) {
    Json out;
    if (FastJsonReader(text).Read(out)) return out;
    return Json::parse(text);
}

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
    std::string body;
    post.content_receiver = [&body](const char* data, size_t length, uint64_t offset, uint64_t total) {
        if (offset == 0 && total > body.capacity()) body.reserve(total);
        body.append(data, length);
        return true;
    };
    auto res = client_->send(post);
    if (!res) return contracts::ServerResult::Error(CommError(Describe(res.error())), -32000);
    if (res->status == 401) {
        // An ended or expired session: the server's words tell the clerk to log in again.
        const QString why = detail::ErrorMessage(body);
        return contracts::ServerResult::Error(why.isEmpty() ? CommError(QStringLiteral("O servidor recusou o token de acesso."))
                                                            : why,
                                              -32001);
    }
    if (res->status != 200)
        return contracts::ServerResult::Error(CommError(QStringLiteral("Resposta HTTP %1 do servidor.").arg(res->status)),
                                              -32000);
    Json response;
    try {
        response = ParseAnswer(body);
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
