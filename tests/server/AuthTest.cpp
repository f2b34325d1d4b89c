// Operator identities end to end: logins and their limits, sessions in the database (shared by
// every server of it, ended by logout, a new password or idleness), writes stamped with the
// session's operator, the tools' token, and the transport over TLS.

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
using erptest::QueryValue;

const QString kWrong = QStringLiteral("senha-errada-123");
const QString kRefusal = QString::fromUtf8("Operador ou senha inválidos.");
const QString kEnded = QString::fromUtf8("Sessão encerrada ou expirada. Entre novamente no sistema.");

class ServerAuth : public ServerTest {
protected:
    orv::LoginResult Login(const QString& op, const QString& password, int port = 0) {
        return orv::OpenSession({QStringLiteral("127.0.0.1"), port ? port : h().port()}, op, password);
    }
    QString MustLogin(const QString& op, int port = 0) {
        const orv::LoginResult r = Login(op, kTestPassword, port);
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
        return r.token;
    }
    // A client connection presenting this token.
    std::unique_ptr<orv::TNetConnection> As(const QString& token, int port = 0) {
        const QString own = h().host().token;
        h().host().token = token;
        auto net = h().Connect(port);
        h().host().token = own;
        return net;
    }
    // rpc.login through a balancer that says the client is `address`; the error code, 0 on success.
    int LoginFrom(int port, const std::string& address, const QString& op, const QString& password) {
        httplib::Client client("127.0.0.1", port);
        const nlohmann::json request = {{"jsonrpc", "2.0"},
                                        {"id", 1},
                                        {"method", "rpc.login"},
                                        {"params", {op.toStdString(), password.toStdString()}}};
        auto res = client.Post(server::RpcServer::kPath, {{"X-Forwarded-For", "10.9.9.9, " + address}}, request.dump(),
                               "application/json");
        if (!res) throw std::runtime_error("no answer to rpc.login");
        const auto answer = nlohmann::json::parse(res->body);
        return answer.contains("error") ? answer["error"]["code"].get<int>() : 0;
    }
    QVariant Sql(const QString& sql, const QVariantList& params = {}) { return QueryValue(h().db(), sql, params); }
};

TEST_P(ServerAuth, APasswordOpensASessionThatEndsByLogoutNewPasswordInactivityOrIdleness) {
    erptest::InsertRow(h().db(), "OPERADOR", {{"CDOPERADOR", "000000000008"}, {"NMOPERADOR", "Sem Senha"}});
    erptest::InsertRow(h().db(), "OPERADOR",
                       {{"CDOPERADOR", "000000000009"}, {"NMOPERADOR", "Inativo"}, {"IDOPERATIVO", "I"}});
    erptest::GivePasswords(h().db(), {QStringLiteral("000000000009")});

    // Whatever is wrong, the refusal says the same, so it tells nobody which operators exist.
    const std::vector<std::pair<QString, QString>> refused = {
        {kMaria, kWrong}, {QStringLiteral("999999999999"), kWrong}, {QStringLiteral("000000000008"), kTestPassword},
        {QStringLiteral("000000000009"), kTestPassword}, {kMaria + QLatin1Char('0'), kTestPassword}};
    for (const auto& [op, password] : refused) {
        const orv::LoginResult r = Login(op, password);
        EXPECT_EQ(r.code, -32013) << op.toStdString();
        EXPECT_EQ(r.error, kRefusal) << op.toStdString();
    }
    h().AdvanceClock(61);  // those failures are past the limit's minute

    // A session: 256 random bits in hex, kept only as its hash.
    const QString maria = MustLogin(kMaria);
    EXPECT_EQ(maria.size(), 64);
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM SESSAOOPERADOR WHERE CDHASHSESSAO = ? OR CDHASHSESSAO = ?",
                  {maria, maria.toUpper()}).toInt(), 0);
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM SESSAOOPERADOR WHERE CDOPERADOR = ?", {kMaria}).toInt(), 1);
    auto net = As(maria);
    EXPECT_TRUE(net->AppServer().CarregaAnte(kMesa).ok);

    // Its last use is written once a minute at most, not on every call.
    const QString lastUse = erptest::Canonical(Sql("SELECT DTULTUSO FROM SESSAOOPERADOR WHERE CDOPERADOR = ?", {kMaria}));
    h().AdvanceClock(50);
    EXPECT_TRUE(net->AppServer().CarregaAnte(kMesa).ok);
    EXPECT_EQ(erptest::Canonical(Sql("SELECT DTULTUSO FROM SESSAOOPERADOR WHERE CDOPERADOR = ?", {kMaria})), lastUse);
    h().AdvanceClock(11);
    EXPECT_TRUE(net->AppServer().CarregaAnte(kMesa).ok);
    EXPECT_NE(erptest::Canonical(Sql("SELECT DTULTUSO FROM SESSAOOPERADOR WHERE CDOPERADOR = ?", {kMaria})), lastUse);

    // Idle for longer than the server allows (30 minutes): over, and told so.
    h().AdvanceClock(30 * 60 + 1);
    const auto idle = net->AppServer().CarregaAnte(kMesa);
    EXPECT_EQ(idle.code, -32001);
    EXPECT_EQ(idle.error, kEnded);
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM SESSAOOPERADOR WHERE CDOPERADOR = ?", {kMaria}).toInt(), 0);

    // Another server of the same database serves the session; a logout on one ends it on both,
    // on the other once its few seconds of cache are over.
    const int other = h().ServeAlso();
    const QString again = MustLogin(kMaria);
    auto here = As(again);
    auto there = As(again, other);
    EXPECT_TRUE(there->AppServer().CarregaAnte(kMesa).ok);
    orv::CloseSession({QStringLiteral("127.0.0.1"), h().port()}, again);
    EXPECT_EQ(here->AppServer().CarregaAnte(kMesa).code, -32001);
    h().AdvanceClock(5);
    EXPECT_EQ(there->AppServer().CarregaAnte(kMesa).code, -32001);

    // A new password ends the operator's sessions; so does making the operator inactive.
    auto joao = As(MustLogin(kJoao));
    QSqlDatabase db = h().db();
    erpdb::SetPassword(db, kJoao, QStringLiteral("outra-senha-1"), erpdb::HashCost::Cheapest());
    h().AdvanceClock(5);
    EXPECT_EQ(joao->AppServer().CarregaAnte(kMesa).error, kEnded);
    EXPECT_EQ(Login(kJoao, kTestPassword).code, -32013);
    auto maria3 = As(MustLogin(kMaria));
    erptest::QueryValue(h().db(), "UPDATE OPERADOR SET IDOPERATIVO = 'I' WHERE CDOPERADOR = ?", {kMaria});
    h().AdvanceClock(5);
    EXPECT_EQ(maria3->AppServer().CarregaAnte(kMesa).error, kEnded);

    // The tools' token has no session to end.
    h().host().token = QString::fromStdString(h().toolToken());
    auto tool = h().Connect();
    EXPECT_EQ(tool->Call("rpc.logout", nlohmann::json::array()).code, -32012);
}

TEST_P(ServerAuth, FailedLoginsAreLimitedPerOperatorAndPerAddressAndLoggedWithoutThePassword) {
    const int port = h().ServeAlso([](server::AuthOptions&, server::RpcServerOptions& o) {
        o.trustedProxies = {"127.0.0.1"};
    });
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
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(LoginFrom(port, "10.0.2.1", QStringLiteral("00000000009%1").arg(i), kWrong), -32013) << i;
    EXPECT_EQ(LoginFrom(port, "10.0.2.1", kAdmin, kTestPassword), -32014);
    EXPECT_EQ(LoginFrom(port, "10.0.2.2", kAdmin, kTestPassword), 0);

    // The message says what to do; a minute later both may try again.
    const auto held = Login(kJoao, kTestPassword);
    EXPECT_EQ(held.error, QString::fromUtf8("Muitas tentativas de entrada sem sucesso para este operador ou deste "
                                            "computador. Aguarde um minuto e tente novamente."));
    h().AdvanceClock(61);
    EXPECT_EQ(LoginFrom(port, "10.0.1.6", kJoao, kTestPassword), 0);
    EXPECT_EQ(LoginFrom(port, "10.0.2.1", kAdmin, kTestPassword), 0);

    // Every refusal is logged with who and from where, never with a password.
    int refusals = 0;
    for (const std::string& line : h().AuthLog()) {
        const QString text = QString::fromStdString(line);
        EXPECT_FALSE(text.contains(kWrong) || text.contains(kTestPassword)) << line;
        if (text.startsWith(QLatin1String("entrada recusada"))) ++refusals;
    }
    EXPECT_EQ(refusals, 2 + 5 + 1 + 5 + 1 + 1);
    const std::vector<std::string> log = h().AuthLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "entrada recusada (senha incorreta): operador 000000000003 de 10.0.1.1"),
              log.end());
}

// Drops a column from a delta, as a client that leaves the operator fields out would send it.
void DropField(orv::Packet& delta, const char* field) {
    auto& fields = delta.at("fields");
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].at("name") != field) continue;
        fields.erase(i);
        for (auto& change : delta.at("changes"))
            for (const char* side : {"old", "new"})
                if (change.contains(side)) change[side].erase(i);
        return;
    }
}

TEST_P(ServerAuth, WritesBearTheSessionsOperatorAndTheToolsTokenOnlyReads) {
    auto maria = As(MustLogin(kMaria));
    auto joao = As(MustLogin(kJoao));
    auto operators = [&](const QString& capa) {
        const auto rows = erptest::QueryRows(
            h().db(),
            "SELECT C.CDOPEINCCAPA, C.CDOPEATUCAPA, I.CDOPEINCITCAPA, I.CDOPEATUITCAPA FROM CAPAOPERABEM C"
            "  JOIN ITCAPAOPERABEM I ON I.CDEMPRESA = C.CDEMPRESA AND I.NRSEQCAPAOPEBEM = C.NRSEQCAPAOPEBEM"
            " WHERE C.NRSEQCAPAOPEBEM = ?",
            {capa});
        QStringList out;
        for (const QVariant& v : rows.value(0)) out << Str(v);
        return out.join(QLatin1Char('/'));
    };

    // Maria records a transfer whose delta names the administrator: it is hers.
    TransferRow row{kMesa, kMesaAt, kEmSaoPaulo};
    ASSERT_TRUE(h().Confirm(row, maria->AppServer()).ok);
    EXPECT_EQ(operators(row.capa), QStringList({kMaria, kMaria, kMaria, kMaria}).join(QLatin1Char('/')));

    // João changes it: he is the one who changed it, Maria still the one who made it.
    orv::TDataSet cds;
    OpenTransferRecord(cds, h().Transfers(kMesa));
    ASSERT_TRUE(cds.Locate(QStringLiteral("NRSEQCAPAOPEBEM"), row.capa));
    cds.Edit();
    cds.FieldByName("CDMOTIVOOPER").SetAsString(QStringLiteral("000002"));
    cds.FieldByName("CDOPEINCCAPA").SetAsString(kJoao);
    cds.Post();
    ASSERT_TRUE(joao->AppServer().SetTransFisica(cds.Delta()).ok);
    EXPECT_EQ(operators(row.capa), QStringList({kMaria, kJoao, kMaria, kJoao}).join(QLatin1Char('/')));

    // A delta without the operator fields is stamped all the same.
    TransferRow back{kMesa, kEmSaoPaulo, kMesaAt};
    back.date = QDate(2026, 11, 17);
    h().Number(back, joao->AppServer());
    orv::Packet delta = InsertDelta({back});
    for (const char* f : {"CDOPEINCCAPA", "CDOPEATUCAPA", "CDOPEINCITCAPA", "CDOPEATUITCAPA"}) DropField(delta, f);
    nlohmann::json second = nullptr;
    ASSERT_TRUE(joao->AppServer().SetConfirmar(delta, second).ok);
    EXPECT_EQ(operators(back.capa), QStringList({kJoao, kJoao, kJoao, kJoao}).join(QLatin1Char('/')));

    // The accounting parameters as well.
    QString mesa = kMesa;
    orv::TDataSet ctbl;
    ctbl.SetData(maria->AppServer().GetCtblBemAtivo(kEmpresa, mesa).value);
    ctbl.Append();
    for (const auto& [f, v] : std::vector<std::pair<const char*, QString>>{
             {"CDEMPRESA", kEmpresa}, {"CDBEMATIVO", kMesa}, {"CDTIPOCONTABEM", "000002"},
             {"CDCONTCTBLBEM", "1.2.3.01.0002"}, {"CDHISTPADR", "0002"}, {"CDOPEINCCTBLBEM", kAdmin}})
        ctbl.FieldByName(QString::fromLatin1(f)).SetAsString(v);
    ctbl.Post();
    ASSERT_TRUE(maria->AppServer().SetCtblBemAtivo(ctbl.Delta()).ok);
    ctbl.SetData(joao->AppServer().GetCtblBemAtivo(kEmpresa, mesa).value);
    ASSERT_TRUE(ctbl.Locate(QStringLiteral("CDTIPOCONTABEM"), QStringLiteral("000002")));
    ctbl.Edit();
    ctbl.FieldByName("CDHISTPADR").SetAsString(QStringLiteral("0001"));
    ctbl.Post();
    ASSERT_TRUE(joao->AppServer().SetCtblBemAtivo(ctbl.Delta()).ok);
    EXPECT_EQ(erptest::QueryRows(h().db(),
                                 "SELECT CDOPEINCCTBLBEM, CDOPEATUCTBLBEM FROM CTBLBEMATIVO"
                                 " WHERE CDBEMATIVO = ? AND CDTIPOCONTABEM = '000002'",
                                 {kMesa}),
              QList<QVariantList>({{kMaria, kJoao}}));

    // The tools' token reads, and writes nothing, numbers included.
    auto tool = As(QString::fromStdString(h().toolToken()));
    EXPECT_TRUE(tool->AppServer().CarregaAnte(kMesa).ok);
    const QString before = h().Snapshot();
    TransferRow byTool{kCadeira, kMesaAt, kEmSaoPaulo};
    byTool.capa = byTool.item = QStringLiteral("0000000001");
    for (const auto& r : {h().Confirm(byTool, tool->AppServer()), tool->AppServer().PrxCapaOperaBem(kEmpresa, "R"),
                          tool->AppServer().SetRateio(nullptr)}) {
        EXPECT_EQ(r.code, -32012) << Why(r);
        EXPECT_TRUE(r.error.contains(QString::fromUtf8("o token de ferramenta só permite consultas"))) << Why(r);
    }
    EXPECT_EQ(h().Snapshot(), before);

    // A server that lets tools write keeps the operators the delta names.
    const int writable = h().ServeAlso([](server::AuthOptions& a, server::RpcServerOptions&) { a.allowToolWrites = true; });
    auto loader = As(QString::fromStdString(h().toolToken()), writable);
    TransferRow loaded{kArmario, kArmarioAt, kEmSaoPaulo};
    ASSERT_TRUE(h().Confirm(loaded, loader->AppServer()).ok);
    EXPECT_EQ(operators(loaded.capa), QStringList({kAdmin, kAdmin, kAdmin, kAdmin}).join(QLatin1Char('/')));
}

TEST_P(ServerAuth, OverTlsTheClientChecksTheServersCertificate) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto certificate = [&](const QString& name) {
        const QString base = dir.filePath(name);
        const int status = QProcess::execute(
            QStringLiteral("openssl"),
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
             "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", base + ".key", "-out",
             base + ".pem"});
        if (status != 0) throw std::runtime_error("openssl failed");
        return base;
    };
    const QString server = certificate(QStringLiteral("servidor")), stranger = certificate(QStringLiteral("outro"));
    const int port = h().ServeAlso([&](server::AuthOptions&, server::RpcServerOptions& o) {
        o.tlsCert = (server + ".pem").toStdString();
        o.tlsKey = (server + ".key").toStdString();
    });

    const orv::LoginResult in = orv::OpenSession({"https://127.0.0.1", port, server + ".pem"}, kMaria, kTestPassword);
    ASSERT_TRUE(in.ok()) << in.error.toStdString();
    h().host().token = in.token;
    h().host().caFile = server + ".pem";
    orv::TNetConnection net;
    net.BeforeConnect = [port](orv::TNetConnection& c) {
        c.Host = QStringLiteral("https://127.0.0.1");
        c.Port = port;
    };
    net.SetConnected(true);
    ASSERT_TRUE(net.Connected()) << net.LastError().toStdString();
    EXPECT_TRUE(net.AppServer().CarregaAnte(kMesa).ok);

    // A certificate no trusted authority vouches for, or plain HTTP: no session.
    const orv::LoginResult forged = orv::OpenSession({"https://127.0.0.1", port, stranger + ".pem"}, kMaria, kTestPassword);
    EXPECT_TRUE(forged.error.contains(QString::fromUtf8("O certificado do servidor não foi aceito"))) << forged.error.toStdString();
    EXPECT_FALSE(Login(kMaria, kTestPassword, port).ok());
    h().host().caFile.clear();
}

ERP_INSTANTIATE_ON_ENGINES(ServerAuth);

}  // namespace
}  // namespace srvtest
