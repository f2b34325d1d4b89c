// The JSON-RPC envelope and the HTTP transport: every malformed or unauthorised request gets
// its own error, and the server goes on serving the next one.

#include "tests/server/Harness.h"
#include "tests/support/Fixture.h"

#include <QSqlError>
#include <QSqlQuery>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace srvtest {
namespace {

using namespace fx;

class ServerProtocol : public ServerTest {
protected:
    std::unique_ptr<httplib::Client> Raw() {
        auto c = std::make_unique<httplib::Client>("127.0.0.1", h().port());
        c->set_keep_alive(true);
        c->set_tcp_nodelay(true);
        c->set_read_timeout(60, 0);
        c->set_write_timeout(60, 0);
        return c;
    }
    httplib::Headers Auth(const std::string& value) { return {{"Authorization", value}}; }
    // A bare socket to the server, for what no HTTP client sends; reads give up after 10 s (a
    // failure, not a measure: the answer comes at once or never). -1 when it cannot connect.
    int RawSocket() {
        const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
        if (sock < 0) return -1;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(h().port()));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(sock);
            return -1;
        }
        timeval deadline{10, 0};
        ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &deadline, sizeof deadline);
        return sock;
    }
    httplib::Headers Bearer() { return Auth("Bearer " + h().token()); }

    // The server still answers a good call, on this client and on the module's connection.
    void ExpectServing(httplib::Client& c) {
        auto res = c.Post(server::RpcServer::kPath, Bearer(), R"({"jsonrpc":"2.0","id":99,"method":"rpc.ping","params":[]})",
                          "application/json");
        ASSERT_TRUE(res) << httplib::to_string(res.error());
        ASSERT_EQ(res->status, 200);
        EXPECT_EQ(nlohmann::json::parse(res->body)["result"]["value"], "pong");
        const auto r = h().app().GetBemAtivo(kEmpresa, QStringLiteral("1001"), QStringLiteral("N"));
        ASSERT_TRUE(r.ok) << Why(r);
        EXPECT_EQ(r.value["rows"].size(), 1u);
    }
};

TEST_P(ServerProtocol, EachMalformedCallGetsItsErrorAndTheServerGoesOn) {
    struct Case {
        const char* why;
        std::string body;
        int code;
        nlohmann::json id;  // echoed when the request could be read
    };
    const std::string oneRow = R"({"fields":[{"name":"CDBEMATIVO","type":"string","size":10}],"changes":[{"op":"insert","new":["a","b"]}]})";
    const std::vector<Case> cases = {
        {"not JSON", R"({"jsonrpc":"2.0","id":1,"method":)", -32700, nullptr},
        {"not an object", R"([1,2,3])", -32600, nullptr},
        {"wrong version", R"({"jsonrpc":"1.0","id":2,"method":"rpc.ping","params":[]})", -32600, 2},
        {"no method", R"({"jsonrpc":"2.0","id":3,"params":[]})", -32600, 3},
        {"unknown method", R"({"jsonrpc":"2.0","id":4,"method":"ExcluiTudo","params":[]})", -32601, 4},
        {"too few arguments", R"({"jsonrpc":"2.0","id":5,"method":"GetBemAtivo","params":["01","1001"]})", -32602, 5},
        {"too many arguments", R"({"jsonrpc":"2.0","id":6,"method":"CarregaAnte","params":["a","b"]})", -32602, 6},
        {"number for a string", R"({"jsonrpc":"2.0","id":7,"method":"GetBemAtivo","params":["01",1001,"N"]})", -32602, 7},
        {"string for a delta", R"({"jsonrpc":"2.0","id":8,"method":"SetTransFisica","params":["delta"]})", -32602, 8},
        {"arguments not a list", R"({"jsonrpc":"2.0","id":9,"method":"CarregaAnte","params":{"bem":"1"}})", -32602, 9},
        {"delta row of the wrong size", R"({"jsonrpc":"2.0","id":10,"method":"SetTransFisica","params":[)" + oneRow + "]}", -32602, 10},
        {"delta with an unknown change",
         R"({"jsonrpc":"2.0","id":"x","method":"SetRateio","params":[{"fields":[],"changes":[{"op":"merge"}]}]})", -32602, "x"},
        // Copying or freeing such an id or argument recursively would overflow the stack.
        {"values nested without end",
         R"({"jsonrpc":"2.0","method":"rpc.ping","id":)" + std::string(135000, '[') + std::string(135000, ']') + "}", -32600,
         nullptr},
    };
    auto client = Raw();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        auto res = client->Post(server::RpcServer::kPath, Bearer(), c.body, "application/json");
        ASSERT_TRUE(res) << httplib::to_string(res.error());
        EXPECT_EQ(res->status, 200);
        const auto answer = nlohmann::json::parse(res->body);
        EXPECT_EQ(answer["jsonrpc"], "2.0");
        EXPECT_EQ(answer["id"], c.id);
        EXPECT_FALSE(answer.contains("result"));
        EXPECT_EQ(answer["error"]["code"], c.code);
        const QString message = QString::fromStdString(answer["error"]["message"].get<std::string>());
        EXPECT_TRUE(message.startsWith(QString::fromUtf8("Requisição inválida")) ||
                    message.startsWith(QString::fromUtf8("Método desconhecido")) ||
                    message.startsWith(QString::fromUtf8("Parâmetros inválidos")))
            << message.toStdString();
        ExpectServing(*client);
    }

    // Through the module's connection a server error is a failed result with the server's text.
    const auto r = h().net().Call("Inexistente", nlohmann::json::array());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, -32601);
    EXPECT_EQ(r.error, QString::fromUtf8("Método desconhecido: Inexistente."));
}

TEST_P(ServerProtocol, OnlyTheRightTokenIsServed) {
    const std::string ping = R"({"jsonrpc":"2.0","id":1,"method":"rpc.ping","params":[]})";
    const std::vector<std::pair<const char*, httplib::Headers>> refused = {
        {"no header", {}},
        {"wrong token", Auth("Bearer 0123456789abcdef0123456789abcdef")},
        {"token with a character more", Auth("Bearer " + h().token() + "0")},
        {"token without its last character", Auth("Bearer " + h().token().substr(0, h().token().size() - 1))},
        {"token without the scheme", Auth(h().token())},
        {"empty bearer", Auth("Bearer ")},
    };
    auto client = Raw();
    for (const auto& [why, headers] : refused) {
        SCOPED_TRACE(why);
        auto res = client->Post(server::RpcServer::kPath, headers, ping, "application/json");
        ASSERT_TRUE(res) << httplib::to_string(res.error());
        EXPECT_EQ(res->status, 401);
        EXPECT_EQ(nlohmann::json::parse(res->body)["error"]["code"], -32001);
        ExpectServing(*client);
    }

    // The health check needs no token.
    auto health = client->Get("/health");
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, 200);

    // A module whose host hands a stale token does not connect, and says why.
    h().host().token = QStringLiteral("token-antigo");
    orv::TNetConnection stale;
    const int port = h().port();
    stale.BeforeConnect = [port](orv::TNetConnection& c) { c.Port = port; };
    stale.SetConnected(true);
    EXPECT_FALSE(stale.Connected());
    EXPECT_TRUE(stale.LastError().contains(QString::fromUtf8("recusou o token"))) << stale.LastError().toStdString();
    const auto call = stale.AppServer().CarregaAnte(kMesa);
    EXPECT_FALSE(call.ok);
    EXPECT_EQ(call.code, -32000);
    h().host().token = QString::fromStdString(h().token());
    ExpectServing(*client);
}

TEST_P(ServerProtocol, AnOversizedBodyIsRefusedAndTheServerGoesOn) {
    // Just over the 32 MiB limit, as one argument of a well-formed call.
    const std::string big(32u * 1024u * 1024u + 16u, 'x');
    const std::string body = R"({"jsonrpc":"2.0","id":1,"method":"CarregaAnte","params":[")" + big + R"("]})";
    {
        auto client = Raw();
        auto res = client->Post(server::RpcServer::kPath, Bearer(), body, "application/json");
        // The server may answer 413 or close the connection before the client is done sending.
        if (res) {
            EXPECT_EQ(res->status, 413);
        }
    }
    auto fresh = Raw();
    ExpectServing(*fresh);

    // Through the module's connection: a failed result, and the same connection goes on.
    const auto r = h().app().CarregaAnte(QString::fromStdString(big));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, -32000) << Why(r);
    EXPECT_TRUE(r.error.startsWith(QString::fromUtf8("Falha de comunicação"))) << Why(r);
    ExpectServing(*fresh);
}

// A stranger announcing a big body is answered from the headers alone: the server does not wait
// for (nor read) the 32 MiB it would have to read before it could refuse them.
TEST_P(ServerProtocol, AStrangersBodyIsRefusedBeforeItIsRead) {
    for (const std::string& authorization : {std::string(), std::string("Authorization: Bearer ") + std::string(64, 'a') + "\r\n"}) {
        SCOPED_TRACE(authorization.empty() ? "no bearer" : "a made-up session");
        const int sock = RawSocket();
        ASSERT_GE(sock, 0);
        const std::string head = std::string("POST ") + server::RpcServer::kPath + " HTTP/1.1\r\nHost: x\r\n" + authorization +
                                 "Content-Type: application/json\r\nContent-Length: 33554000\r\n\r\n";
        ASSERT_EQ(::send(sock, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
        char buf[512] = {};
        const ssize_t got = ::recv(sock, buf, sizeof buf - 1, 0);
        ::close(sock);
        ASSERT_GT(got, 0) << "no answer before the body";
        EXPECT_EQ(std::string(buf).rfind("HTTP/1.1 401", 0), 0u) << buf;
    }
    ExpectServing(*Raw());
}

// Two calls sent in one write (what a pipelining client or a proxy may do) are both answered, in
// order, on the same connection: the second must not be lost in the server's read buffer.
TEST_P(ServerProtocol, CallsSentTogetherAreEachAnswered) {
    const int sock = RawSocket();
    ASSERT_GE(sock, 0);
    std::string both;
    for (int id : {7, 8}) {
        const std::string body = R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":"rpc.ping","params":[]})";
        both += std::string("POST ") + server::RpcServer::kPath + " HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " + h().token() +
                "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    }
    ASSERT_EQ(::send(sock, both.data(), both.size(), 0), static_cast<ssize_t>(both.size()));
    std::string got;
    char buf[4096];
    while (got.find(R"("id":8)") == std::string::npos) {
        const ssize_t n = ::recv(sock, buf, sizeof buf, 0);
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
    }
    ::close(sock);
    const size_t first = got.find(R"("id":7)");
    ASSERT_NE(first, std::string::npos) << got;
    EXPECT_NE(got.find(R"("id":8)", first), std::string::npos) << got;
}

TEST_P(ServerProtocol, MetricsCountCallsByMethodBehindTheToken) {
    auto client = Raw();
    ExpectServing(*client);
    ASSERT_TRUE(client->Post(server::RpcServer::kPath, Bearer(),
                             R"({"jsonrpc":"2.0","id":1,"method":"Inventado\n{x=\"1\"}","params":[]})", "application/json"));
    auto refused = client->Get("/metrics");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);
    auto res = client->Get("/metrics", Bearer());
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200);
    const std::string& text = res->body;
    EXPECT_NE(text.find("zmt02600_calls_total{method=\"rpc.ping\"} "), std::string::npos) << text;
    EXPECT_NE(text.find("zmt02600_calls_total{method=\"GetBemAtivo\"} 1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("zmt02600_call_seconds_count{method=\"GetBemAtivo\"} 1\n"), std::string::npos) << text;
    // A name no method has is counted apart, never written into the text.
    EXPECT_NE(text.find("zmt02600_call_errors_total{method=\"outro\",code=\"-32601\"} 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Inventado"), std::string::npos);
    EXPECT_EQ(text.find("zmt02600_open_connections 0\n"), std::string::npos) << text;
}

TEST_P(ServerProtocol, ADatabaseThatGoesAwayIsReportedAndItsReturnGoesUnnoticed) {
    if (!h().isPostgres()) GTEST_SKIP() << "only a database server can drop its connections";
    ExpectServing(*Raw());
    // A database's connections are switched off from another one, the cluster's own.
    const QString name = erptest::QueryValue(h().db(), "SELECT current_database()").toString();
    QSqlDatabase admin = orv::OpenDatabase(QString::fromLocal8Bit(qgetenv("ERP_TEST_PG_URL")), name + "_admin");
    auto allowConnections = [&](bool allow) {
        QSqlQuery q(admin);
        ASSERT_TRUE(q.exec(QString("ALTER DATABASE \"%1\" WITH ALLOW_CONNECTIONS %2").arg(name, allow ? "true" : "false")))
            << q.lastError().text().toStdString();
    };
    // The database goes down: every connection of the server dies and none can be opened.
    allowConnections(false);
    erptest::QueryValue(h().db(), "SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity"
                                  " WHERE datname = current_database() AND pid <> pg_backend_pid()");
    const auto down = h().app().GetBemAtivo(kEmpresa, QStringLiteral("1001"), QStringLiteral("N"));
    EXPECT_FALSE(down.ok);
    EXPECT_EQ(down.code, -32011) << Why(down);
    EXPECT_EQ(down.error, QString::fromUtf8("O banco de dados está indisponível no momento. Tente novamente em instantes."));

    // It is back: no call fails, whichever serving thread takes it, without restarting the server.
    allowConnections(true);
    admin.close();
    for (int i = 0; i < 24; ++i) ExpectServing(*Raw());
}

TEST_P(ServerProtocol, NullDeltasAreSuccessfulNoOps) {
    const QString before = h().Snapshot();
    nlohmann::json delta = nullptr, second = nullptr;
    const auto confirmed = h().app().SetConfirmar(delta, second);
    EXPECT_TRUE(confirmed.ok) << Why(confirmed);
    EXPECT_TRUE(delta.is_null());
    EXPECT_TRUE(second.is_null());
    for (const auto& r : {h().app().SetTransFisica(nullptr), h().app().SetRateio(nullptr), h().app().Atualiza_RatBem(nullptr),
                          h().app().SetCtblBemAtivo(nullptr)})
        EXPECT_TRUE(r.ok) << Why(r);
    // A data set with no pending change sends null, as the screen's Delta() does.
    orv::TDataSet cds;
    OpenTransferRecord(cds, h().Transfers(kMesa));
    EXPECT_TRUE(h().app().SetTransFisica(cds.Delta()).ok);
    EXPECT_EQ(h().Snapshot(), before);
}

ERP_INSTANTIATE_ON_ENGINES(ServerProtocol);

}  // namespace
}  // namespace srvtest
