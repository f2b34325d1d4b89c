#include "orv/ServerSession.h"

#include "orv/ServerClient.h"

#include <nlohmann/json.hpp>

namespace orv {

namespace detail {

std::unique_ptr<httplib::Client> MakeServerClient(const ServerEndpoint& at, int timeoutSeconds) {
    static const QString https = QStringLiteral("https://");
    std::unique_ptr<httplib::Client> client;
    if (at.host.startsWith(https, Qt::CaseInsensitive)) {
        client = std::make_unique<httplib::Client>(QStringLiteral("https://%1:%2").arg(at.host.mid(https.size())).arg(at.port).toStdString());
        client->enable_server_certificate_verification(true);
        if (!at.caFile.isEmpty()) client->set_ca_cert_path(at.caFile.toStdString().c_str());
    } else {
        client = std::make_unique<httplib::Client>(at.host.toStdString(), at.port);
    }
    client->set_keep_alive(true);
    client->set_tcp_nodelay(true);
    client->set_connection_timeout(5, 0);
    client->set_read_timeout(timeoutSeconds, 0);
    client->set_write_timeout(timeoutSeconds, 0);
    return client;
}

QString Describe(httplib::Error error) {
    switch (error) {
    case httplib::Error::Connection: return QStringLiteral("Não foi possível conectar ao servidor.");
    case httplib::Error::Read: return QStringLiteral("O servidor não respondeu a tempo ou fechou a conexão.");
    case httplib::Error::Write: return QStringLiteral("Não foi possível enviar a requisição.");
    case httplib::Error::ConnectionTimeout: return QStringLiteral("Tempo esgotado ao conectar ao servidor.");
    case httplib::Error::SSLConnection: return QStringLiteral("Não foi possível abrir a conexão segura (TLS) com o servidor.");
    case httplib::Error::SSLLoadingCerts:
        return QStringLiteral("Não foi possível ler os certificados de autoridade (--ca-file).");
    case httplib::Error::SSLServerVerification:
        return QStringLiteral("O certificado do servidor não foi aceito: não é de uma autoridade confiável ou "
                              "não é deste endereço.");
    default: return QString::fromStdString(httplib::to_string(error));
    }
}

QString ErrorMessage(const std::string& body) {
    const nlohmann::json answer = nlohmann::json::parse(body, nullptr, false);
    if (!answer.is_object() || !answer.contains("error") || !answer["error"].is_object()) return {};
    const auto& message = answer["error"]["message"];
    return message.is_string() ? QString::fromStdString(message.get<std::string>()) : QString();
}

}  // namespace detail

namespace {

const QString kCommFailure = QStringLiteral("Falha de comunicação com o servidor de aplicação.");
constexpr int kLoginTimeoutSeconds = 30;

std::string LoginPath() { return "/rpc/Zmt02600.rdmTransFisica"; }

}  // namespace

LoginResult OpenSession(const ServerEndpoint& at, const QString& operador, const QString& senha) {
    LoginResult result;
    auto client = detail::MakeServerClient(at, kLoginTimeoutSeconds);
    const nlohmann::json request = {{"jsonrpc", "2.0"},
                                    {"id", 1},
                                    {"method", "rpc.login"},
                                    {"params", {operador.toStdString(), senha.toStdString()}}};
    auto res = client->Post(LoginPath(), request.dump(), "application/json");
    if (!res) {
        result.code = -32000;
        result.error = kCommFailure + QLatin1Char('\n') +
                       QStringLiteral("%1 (%2:%3)").arg(detail::Describe(res.error()), at.host).arg(at.port);
        return result;
    }
    const nlohmann::json answer = nlohmann::json::parse(res->body, nullptr, false);
    if (res->status == 200 && answer.is_object() && answer.contains("result") && answer["result"].is_object() &&
        answer["result"].value("value", nlohmann::json()).is_string()) {
        result.token = QString::fromStdString(answer["result"]["value"].get<std::string>());
        return result;
    }
    if (answer.is_object() && answer.contains("error") && answer["error"].is_object()) {
        result.code = answer["error"].value("code", -32000);
        result.error = detail::ErrorMessage(res->body);
    }
    if (result.error.isEmpty()) {
        result.code = -32000;
        result.error = kCommFailure + QLatin1Char('\n') + QStringLiteral("Resposta HTTP %1 do servidor.").arg(res->status);
    }
    return result;
}

void CloseSession(const ServerEndpoint& at, const QString& token) {
    if (token.isEmpty()) return;
    auto client = detail::MakeServerClient(at, 5);
    const std::string body = R"({"jsonrpc":"2.0","id":1,"method":"rpc.logout","params":[]})";
    client->Post(LoginPath(), {{"Authorization", "Bearer " + token.toStdString()}}, body, "application/json");
}

}  // namespace orv
