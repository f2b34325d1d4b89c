// Operator identities end to end: logins and their limits, sessions in the database (shared by
// every server of it, ended by logout, a new password, inactivity or idleness), writes stamped
// with the session's operator, the tools' token, and the transport over TLS.

#include "db/Credentials.h"
#include "orv/ServerSession.h"
#include "tests/server/Harness.h"
#include "tests/support/Fixture.h"

#include <QProcess>
#include <QTemporaryDir>

#include <httplib.h>

namespace srvtest {
namespace {

using namespace fx;
using erptest::kTestPassword;

const QString kWrong = QStringLiteral("senha-errada-123");
const QString kEnded = QString::fromUtf8("Sessão encerrada ou expirada. Entre novamente no sistema.");

class ServerAuth : public ServerTest {
protected:
    orv::LoginResult Login(const QString& op, const QString& password, const QString& host = "127.0.0.1",
                           int port = 0, const QString& caFile = {}) {
        return orv::OpenSession({host, port ? port : h().port(), caFile}, op, password);
    }
    // A client connection of this operator's new session (or presenting this token).
    std::unique_ptr<orv::TNetConnection> As(const QString& opOrToken, int port = 0) {
        const QString own = h().host().token;
        h().host().token = opOrToken.size() == 12 ? Login(opOrToken, kTestPassword).token : opOrToken;
        auto net = h().Connect(port);
        h().host().token = own;
        return net;
    }
    int Ended(orv::TNetConnection& net) { return net.AppServer().CarregaAnte(kMesa).code; }
    // rpc.login through a balancer that says the client is `address`; the error code, 0 on success.
    int LoginFrom(int port, const std::string& address, const QString& op, const QString& password) {
        const nlohmann::json request = {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "rpc.login"},
                                        {"params", {op.toStdString(), password.toStdString()}}};
        const httplib::Headers balancer = {{"X-Forwarded-For", "10.9.9.9, " + address}};
        auto res = httplib::Client("127.0.0.1", port).Post(server::RpcServer::kPath, balancer, request.dump(),
                                                           "application/json");
        if (!res) return -1;
        const auto answer = nlohmann::json::parse(res->body);
        return answer.contains("error") ? answer["error"]["code"].get<int>() : 0;
    }
    QString Sql(const char* sql, const QString& param) { return erptest::Canonical(erptest::QueryValue(h().db(), sql, {param})); }
};

TEST_P(ServerAuth, APasswordOpensASessionThatEndsByLogoutNewPasswordInactivityOrIdleness) {
    erptest::InsertRow(h().db(), "OPERADOR", {{"CDOPERADOR", "000000000008"}, {"NMOPERADOR", "Sem Senha"}});
    erptest::InsertRow(h().db(), "OPERADOR", {{"CDOPERADOR", "000000000009"}, {"IDOPERATIVO", "I"}});
    erptest::GivePasswords(h().db(), {QStringLiteral("000000000009")});

    // Whatever is wrong, the refusal says the same, so it tells nobody which operators exist.
    for (const auto& [op, password] : std::vector<std::pair<QString, QString>>{
             {kMaria, kWrong}, {"999999999999", kWrong}, {"000000000008", kTestPassword},
             {"000000000009", kTestPassword}, {kMaria + "0", kTestPassword}}) {
        const orv::LoginResult r = Login(op, password);
        EXPECT_EQ(QStringLiteral("%1 %2").arg(r.code).arg(r.error), QString::fromUtf8("-32013 Operador ou senha inválidos."));
    }
    h().AdvanceClock(61);  // those failures are past the limit's minute

    // A session: 256 random bits in hex, kept only as its hash; its last use written once a
    // minute at most; over after 30 idle minutes.
    const QString maria = Login(kMaria, kTestPassword).token;
    EXPECT_EQ(maria.size(), 64);
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM SESSAOOPERADOR WHERE CDHASHSESSAO = ?", maria), "0");
    auto net = As(maria);
    const QString lastUse = Sql("SELECT DTULTUSO FROM SESSAOOPERADOR WHERE CDOPERADOR = ?", kMaria);
    h().AdvanceClock(50);
    EXPECT_EQ(Ended(*net), 0);
    EXPECT_EQ(Sql("SELECT DTULTUSO FROM SESSAOOPERADOR WHERE CDOPERADOR = ?", kMaria), lastUse);
    h().AdvanceClock(11);
    EXPECT_EQ(Ended(*net), 0);
    EXPECT_NE(Sql("SELECT DTULTUSO FROM SESSAOOPERADOR WHERE CDOPERADOR = ?", kMaria), lastUse);
    h().AdvanceClock(30 * 60 + 1);
    EXPECT_EQ(net->AppServer().CarregaAnte(kMesa).error, kEnded);

    // Another server of the database serves the session; a logout on one ends it on the other
    // once that one's few seconds of cache are over.
    const int other = h().ServeAlso();
    const QString again = Login(kMaria, kTestPassword).token;
    auto here = As(again), there = As(again, other);
    EXPECT_EQ(Ended(*there), 0);
    orv::CloseSession({"127.0.0.1", h().port()}, again);
    EXPECT_EQ(Ended(*here), -32001);
    h().AdvanceClock(5);
    EXPECT_EQ(Ended(*there), -32001);

    // A new password ends the operator's sessions; so does making the operator inactive.
    auto joao = As(kJoao), maria3 = As(kMaria);
    QSqlDatabase db = h().db();
    erpdb::SetPassword(db, kJoao, QStringLiteral("outra-senha-1"), erpdb::HashCost::Cheapest());
    erptest::QueryValue(db, "UPDATE OPERADOR SET IDOPERATIVO = 'I' WHERE CDOPERADOR = ?", {kMaria});
    h().AdvanceClock(5);
    EXPECT_EQ(Ended(*joao), -32001);
    EXPECT_EQ(Ended(*maria3), -32001);

    // The tools' token has no session to end.
    EXPECT_EQ(As(QString::fromStdString(h().toolToken()))->Call("rpc.logout", nlohmann::json::array()).code, -32012);
}

TEST_P(ServerAuth, FailedLoginsAreLimitedPerOperatorAndPerAddressAndLoggedWithoutThePassword) {
    const int port = h().ServeAlso([](server::AuthOptions&, server::RpcServerOptions& o) { o.trustedProxies = {"127.0.0.1"}; });
    // A success after two failures goes through.
    EXPECT_EQ(LoginFrom(port, "10.0.0.1", kMaria, kWrong), -32013);
    EXPECT_EQ(LoginFrom(port, "10.0.0.1", kMaria, kWrong), -32013);
    EXPECT_EQ(LoginFrom(port, "10.0.0.1", kMaria, kTestPassword), 0);

    // Five failures of one operator, each from another address: the sixth attempt is refused
    // without looking at the password, from anywhere; other operators are not held up.
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(LoginFrom(port, "10.0.1." + std::to_string(i), kJoao, kWrong), -32013) << i;
    EXPECT_EQ(LoginFrom(port, "10.0.1.6", kJoao, kTestPassword), -32014);
    EXPECT_EQ(LoginFrom(port, "10.0.1.6", kMaria, kTestPassword), 0);

    // Five failures from one address, each of another operator (unknown ones count too).
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(LoginFrom(port, "10.0.2.1", QStringLiteral("00000000009%1").arg(i), kWrong), -32013);
    EXPECT_EQ(LoginFrom(port, "10.0.2.1", kAdmin, kTestPassword), -32014);
    EXPECT_EQ(LoginFrom(port, "10.0.2.2", kAdmin, kTestPassword), 0);

    // The message says what to do; a minute later both may try again.
    EXPECT_EQ(Login(kJoao, kTestPassword).error, QString::fromUtf8("Muitas tentativas de entrada sem sucesso para este "
                                                                   "operador ou deste computador. Aguarde um minuto e "
                                                                   "tente novamente."));
    h().AdvanceClock(61);
    EXPECT_EQ(LoginFrom(port, "10.0.1.6", kJoao, kTestPassword), 0);
    EXPECT_EQ(LoginFrom(port, "10.0.2.1", kAdmin, kTestPassword), 0);

    // Every refusal is logged with who and from where, never with a password.
    const std::vector<std::string> log = h().AuthLog();
    for (const std::string& line : log) EXPECT_EQ(line.find("senha-"), std::string::npos) << line;
    auto refusal = [](const std::string& l) { return l.rfind("entrada recusada", 0) == 0; };
    EXPECT_EQ(std::count_if(log.begin(), log.end(), refusal), 15);
    const std::string first = "entrada recusada (senha incorreta): operador 000000000003 de 10.0.1.1";
    EXPECT_NE(std::find(log.begin(), log.end(), first), log.end());
}

TEST_P(ServerAuth, WritesBearTheSessionsOperatorAndTheToolsTokenOnlyReads) {
    auto maria = As(kMaria), joao = As(kJoao);
    auto operators = [&](const QString& capa) {
        QStringList out;
        const auto rows = erptest::QueryRows(
            h().db(),
            "SELECT C.CDOPEINCCAPA, C.CDOPEATUCAPA, I.CDOPEINCITCAPA, I.CDOPEATUITCAPA FROM CAPAOPERABEM C"
            "  JOIN ITCAPAOPERABEM I ON I.NRSEQCAPAOPEBEM = C.NRSEQCAPAOPEBEM WHERE C.NRSEQCAPAOPEBEM = ?",
            {capa});
        for (const QVariant& v : rows.value(0)) out << Str(v).right(1);  // the operators' last digits
        return out.join(QString());
    };

    // Maria records a transfer whose delta names the administrator: it is hers. João changes it:
    // he is the one who changed it, she still the one who made it.
    TransferRow row{kMesa, kMesaAt, kEmSaoPaulo};
    ASSERT_TRUE(h().Confirm(row, maria->AppServer()).ok);
    EXPECT_EQ(operators(row.capa), "2222");
    orv::TDataSet cds;
    OpenTransferRecord(cds, h().Transfers(kMesa));
    cds.Edit();
    cds.FieldByName("CDMOTIVOOPER").SetAsString(QStringLiteral("000002"));
    cds.FieldByName("CDOPEINCCAPA").SetAsString(kJoao);
    cds.Post();
    ASSERT_TRUE(joao->AppServer().SetTransFisica(cds.Delta()).ok);
    EXPECT_EQ(operators(row.capa), "2323");

    // A delta that leaves the operator fields out is stamped all the same.
    TransferRow back{kMesa, kEmSaoPaulo, kMesaAt, QDate(2026, 11, 17)};
    h().Number(back, joao->AppServer());
    orv::Packet delta = InsertDelta({back});
    auto& fields = delta["fields"];
    for (size_t i = fields.size(); i-- > 0;)
        if (fields[i]["name"].get<std::string>().rfind("CDOPE", 0) == 0) {
            fields.erase(i);
            delta["changes"][0]["new"].erase(i);
        }
    ASSERT_TRUE(joao->AppServer().SetTransFisica(delta).ok);
    EXPECT_EQ(operators(back.capa), "3333");

    // The tools' token reads, and writes nothing, numbers included.
    auto tool = As(QString::fromStdString(h().toolToken()));
    EXPECT_TRUE(tool->AppServer().CarregaAnte(kMesa).ok);
    const QString before = h().Snapshot();
    TransferRow byTool{kArmario, kArmarioAt, kEmSaoPaulo};
    byTool.capa = byTool.item = QStringLiteral("0000000001");
    for (const auto& r : {h().Confirm(byTool, tool->AppServer()), tool->AppServer().PrxCapaOperaBem(kEmpresa, "R"),
                          tool->AppServer().SetRateio(nullptr)})
        EXPECT_TRUE(r.code == -32012 && r.error.contains(QString::fromUtf8("o token de ferramenta só permite consultas")))
            << Why(r);
    EXPECT_EQ(h().Snapshot(), before);

    // A server that lets tools write keeps the operators the delta names.
    const int writable = h().ServeAlso([](server::AuthOptions& a, server::RpcServerOptions&) { a.allowToolWrites = true; });
    TransferRow loaded{kArmario, kArmarioAt, kEmSaoPaulo};
    ASSERT_TRUE(h().Confirm(loaded, As(QString::fromStdString(h().toolToken()), writable)->AppServer()).ok);
    EXPECT_EQ(operators(loaded.capa), "1111");
}

TEST_P(ServerAuth, OverTlsTheClientChecksTheServersCertificate) {
    QTemporaryDir dir;
    auto certificate = [&](const QString& name) {
        const QString base = dir.filePath(name);
        if (QProcess::execute("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                          "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                                          "subjectAltName=IP:127.0.0.1", "-keyout", base + ".key", "-out", base + ".pem"}) != 0)
            throw std::runtime_error("openssl failed");
        return base;
    };
    const QString ours = certificate("servidor"), stranger = certificate("outro");
    const int port = h().ServeAlso([&](server::AuthOptions&, server::RpcServerOptions& o) {
        o.tlsCert = (ours + ".pem").toStdString();
        o.tlsKey = (ours + ".key").toStdString();
    });

    // The login and the module's connection, both verifying the certificate.
    const orv::LoginResult in = Login(kMaria, kTestPassword, "https://127.0.0.1", port, ours + ".pem");
    ASSERT_TRUE(in.ok()) << in.error.toStdString();
    h().host().caFile = ours + ".pem";
    orv::TNetConnection net;
    net.BeforeConnect = [port](orv::TNetConnection& c) {
        c.Host = QStringLiteral("https://127.0.0.1");
        c.Port = port;
    };
    h().host().token = in.token;
    net.SetConnected(true);
    EXPECT_TRUE(net.AppServer().CarregaAnte(kMesa).ok) << net.LastError().toStdString();

    // A certificate no trusted authority vouches for: no session.
    EXPECT_TRUE(Login(kMaria, kTestPassword, "https://127.0.0.1", port, stranger + ".pem")
                    .error.contains(QString::fromUtf8("O certificado do servidor não foi aceito")));
    h().host().caFile.clear();
}

ERP_INSTANTIATE_ON_ENGINES(ServerAuth);

}  // namespace
}  // namespace srvtest
