#include "tests/server/Harness.h"

#include "contracts/TransferRecord.h"
#include "db/Credentials.h"
#include "db/Migrations.h"
#include "orv/Database.h"
#include "orv/Host.h"
#include "orv/ServerSession.h"
#include "server/Sql.h"
#include "tests/support/Fixture.h"

#include <QAtomicInteger>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QStringList>

#include <algorithm>

namespace srvtest {

namespace {

using erptest::InsertRow;

QVariant Null() { return QVariant(QMetaType::fromType<QString>()); }

std::string RandomToken() {
    auto* rng = QRandomGenerator::global();
    return QStringLiteral("%1%2")
        .arg(rng->generate64(), 16, 16, QLatin1Char('0'))
        .arg(rng->generate64(), 16, 16, QLatin1Char('0'))
        .toStdString();
}

QString UniqueBase() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("zmt02600-test-%1").arg(++counter);
}

}  // namespace

QString Str(const QVariant& v) { return v.isNull() || !v.isValid() ? QString() : v.toString(); }

std::string Why(const contracts::ServerResult& result) {
    return result.ok ? std::string("ok") : QStringLiteral("[%1] %2").arg(result.code).arg(result.error).toStdString();
}

::testing::AssertionResult RefusedWith(const contracts::ServerResult& result, const QString& text) {
    if (result.ok) return ::testing::AssertionFailure() << "the call succeeded; expected a refusal containing \""
                                                        << text.toStdString() << "\"";
    if (result.code != -32010 || !result.error.contains(text))
        return ::testing::AssertionFailure() << "expected a refusal (-32010) containing \"" << text.toStdString()
                                             << "\", got " << Why(result);
    return ::testing::AssertionSuccess();
}

// --- fixture ----------------------------------------------------------------------------------

void Harness::InsertFixture() {
    QSqlDatabase d = db();
    using namespace fx;
    auto row = [&d](const char* table, const QVariantMap& values) { InsertRow(d, QString::fromLatin1(table), values); };

    row("EMPRESA", {{"CDEMPRESA", kEmpresa}, {"NMEMPRESA", "Empresa Um Ltda"}});
    row("EMPRESA", {{"CDEMPRESA", kEmpresa2}, {"NMEMPRESA", "Empresa Dois S.A."}});

    row("FILIAL", {{"CDFILIAL", kMatriz}, {"CDEMPRESA", kEmpresa}, {"NMFILIAL", "Matriz"}});
    row("FILIAL", {{"CDFILIAL", kNorte}, {"CDEMPRESA", kEmpresa}, {"NMFILIAL", "Filial Norte"}});
    row("FILIAL", {{"CDFILIAL", kSaoPaulo}, {"CDEMPRESA", kEmpresa}, {"NMFILIAL", QString::fromUtf8("Filial São Paulo")}});
    row("FILIAL", {{"CDFILIAL", kFilialDois}, {"CDEMPRESA", kEmpresa2}, {"NMFILIAL", "Filial Dois Centro"}});

    row("CENTCUST", {{"CDCENTCUST", kAdm}, {"NMCENTCUST", QString::fromUtf8("Administração")}});
    row("CENTCUST", {{"CDCENTCUST", kProd}, {"NMCENTCUST", QString::fromUtf8("Produção")}});
    row("CENTCUST", {{"CDCENTCUST", kLog}, {"NMCENTCUST", QString::fromUtf8("Logística")}});
    for (const auto& [cc, filial] : std::vector<std::pair<QString, QString>>{
             {kAdm, kMatriz}, {kProd, kMatriz}, {kAdm, kNorte}, {kLog, kSaoPaulo}, {kProd, kFilialDois}})
        row("CENTCUSTFIL", {{"CDCENTCUST", cc}, {"CDFILIAL", filial}});

    row("OPERADOR", {{"CDOPERADOR", kAdmin}, {"NMOPERADOR", "Administrador do Sistema"}, {"IDOPERATIVO", "A"}});
    row("OPERADOR", {{"CDOPERADOR", kMaria}, {"NMOPERADOR", "Maria Souza"}, {"IDOPERATIVO", "A"}});
    row("OPERADOR", {{"CDOPERADOR", kJoao}, {"NMOPERADOR", QString::fromUtf8("João Lima")}, {"IDOPERATIVO", "A"}});
    erptest::GivePasswords(d, {kAdmin, kMaria, kJoao});

    row("SETOR", {{"CDSETOR", kContab}, {"CDCENTCUST", kAdm}, {"NMSETOR", "Contabilidade"}, {"SGSETOR", "CONT"},
                  {"CDOPERESPBEM", kMaria}});
    row("SETOR", {{"CDSETOR", kManut}, {"CDCENTCUST", kProd}, {"NMSETOR", QString::fromUtf8("Manutenção")},
                  {"SGSETOR", "MANUT"}, {"CDOPERESPBEM", kJoao}});
    row("SETOR", {{"CDSETOR", kExped}, {"CDCENTCUST", kLog}, {"NMSETOR", QString::fromUtf8("Expedição")}, {"SGSETOR", "EXP"}});

    row("TIPOOPERBEM", {{"CDEMPRESA", kEmpresa}, {"CDTIPOOPERBEM", kTipoTransf},
                        {"NMTIPOOPERBEM", QString::fromUtf8("Transferência física")}, {"IDTIPOOPERBEM", "03"}});
    row("TIPOOPERBEM", {{"CDEMPRESA", kEmpresa}, {"CDTIPOOPERBEM", kTipoAquis}, {"NMTIPOOPERBEM", QString::fromUtf8("Aquisição")},
                        {"IDTIPOOPERBEM", "01"}});
    row("TIPOOPERBEM", {{"CDEMPRESA", kEmpresa2}, {"CDTIPOOPERBEM", kTipoTransf},
                        {"NMTIPOOPERBEM", QString::fromUtf8("Transferência física")}, {"IDTIPOOPERBEM", "03"}});
    row("MOTIVOOPER", {{"CDEMPRESA", kEmpresa}, {"CDTIPOOPERBEM", kTipoTransf}, {"CDMOTIVOOPER", kMotivo},
                       {"NMMOTIVOOPER", QString::fromUtf8("Mudança de setor")}});
    row("MOTIVOOPER", {{"CDEMPRESA", kEmpresa}, {"CDTIPOOPERBEM", kTipoTransf}, {"CDMOTIVOOPER", "000002"},
                       {"NMMOTIVOOPER", QString::fromUtf8("Reorganização de layout")}});
    row("MOTIVOOPER", {{"CDEMPRESA", kEmpresa}, {"CDTIPOOPERBEM", kTipoAquis}, {"CDMOTIVOOPER", kMotivo},
                       {"NMMOTIVOOPER", "Compra"}});

    row("GRUPOBEM", {{"CDEMPRESA", kEmpresa}, {"CDGRUPOBEM", "000001"}, {"NMGRUPOBEM", QString::fromUtf8("Móveis e utensílios")},
                     {"QTMESDEPREGRBEM", 120.0}});

    auto asset = [&](const QString& bem, const QString& empresa, const char* patri, const char* name, double value,
                     const server::Location& at, const QVariant& lastDepreciation) {
        auto code = [](const QString& c) { return c.isEmpty() ? Null() : QVariant(c); };
        row("BEMATIVO", {{"CDBEMATIVO", bem},
                         {"CDEMPRESA", empresa},
                         {"CDPATRIBEMATIVO", QString::fromLatin1(patri)},
                         {"NMBEMATIVO", QString::fromUtf8(name)},
                         {"CDGRUPOBEM", empresa == kEmpresa ? QVariant("000001") : Null()},
                         {"VRAQUIBEMATIVO", value},
                         {"QTMESDEPBEM", 120.0},
                         {"VRINIDEPBEM", 0.0},
                         {"QTATUABEMATIVO", 1.0},
                         {"VRTAXANODEPBEM", 10.0},
                         {"CDFILIAL", code(at.filial)},
                         {"CDCENTCUST", code(at.centCust)},
                         {"CDSETOR", code(at.setor)},
                         {"CDOPERESPBEM", code(at.oper)},
                         {"DTULTDEPBEM", lastDepreciation}});
    };
    asset(kMesa, kEmpresa, "1001", "Mesa de escritório em L", 1500.5, kMesaAt, QStringLiteral("2026-09-30"));
    asset(kCadeira, kEmpresa, "1002", "Cadeira giratória", 450.0, kMesaAt, QStringLiteral("2026-10-31"));
    asset(kTorno, kEmpresa, "1003", "Torno mecânico", 80000.0, {}, Null());
    asset(kArmario, kEmpresa, "1004", "Armário de aço", 900.0, kArmarioAt, QStringLiteral("2026-10-31"));
    asset(kEstante, kEmpresa, "1005", "Estante", 300.0, {kNorte, kAdm, {}, {}}, QStringLiteral("2026-10-31"));
    asset(kArquivo, kEmpresa, "1006", "Arquivo de aço", 350.0, kArquivoAt, QStringLiteral("2026-10-31"));
    asset(kEmpilhadeira, kEmpresa2, "2001", "Empilhadeira", 120000.0, {kFilialDois, kProd, {}, {}},
          QStringLiteral("2026-10-31"));

    row("HISTPADR", {{"CDHISTPADR", "0001"}, {"DSHISTPADR", QString::fromUtf8("Transferência de bens entre filiais")}});
    row("HISTPADR", {{"CDHISTPADR", "0002"}, {"DSHISTPADR", QString::fromUtf8("Ajuste contábil")}});
    row("CONTCTBL", {{"CDCONTCTBL", "1.2.3.01.0001"}, {"CDCONTREDU", "10001"},
                     {"NMCONTCTBL", QString::fromUtf8("Móveis e utensílios")}, {"CDEMPRESA", kEmpresa}});
    row("CONTCTBL", {{"CDCONTCTBL", "1.2.3.01.0002"}, {"CDCONTREDU", "10002"},
                     {"NMCONTCTBL", QString::fromUtf8("Depreciação acumulada")}, {"CDEMPRESA", Null()}});
    row("CONTCTBL", {{"CDCONTCTBL", "2.1.1.01.0001"}, {"CDCONTREDU", "20001"}, {"NMCONTCTBL", "Conta da Empresa Dois"},
                     {"CDEMPRESA", kEmpresa2}});
    row("TIPOCONTABEM", {{"CDEMPRESA", kEmpresa}, {"CDTIPOCONTABEM", "000001"}, {"NMTIPOCONTABEM", QString::fromUtf8("Custo de aquisição")}});
    row("TIPOCONTABEM", {{"CDEMPRESA", kEmpresa}, {"CDTIPOCONTABEM", "000002"}, {"NMTIPOCONTABEM", QString::fromUtf8("Depreciação acumulada")}});
    row("TIPOCONTABEM", {{"CDEMPRESA", kEmpresa2}, {"CDTIPOCONTABEM", "000001"}, {"NMTIPOCONTABEM", "Custo"}});
    row("CTBLBEMATIVO", {{"CDEMPRESA", kEmpresa}, {"CDBEMATIVO", kMesa}, {"CDTIPOCONTABEM", "000001"},
                         {"CDCONTCTBLBEM", "1.2.3.01.0001"}, {"CDHISTPADR", "0001"}, {"CDOPEATUCTBLBEM", kAdmin},
                         {"DTULTATU", "2026-10-01T09:00:00"}, {"CDOPEINCCTBLBEM", kAdmin},
                         {"DTINCLUCTBLBEM", "2026-01-10T08:00:00"}});
    row("RATEIOBEM", {{"CDEMPRESA", kEmpresa}, {"CDBEMATIVO", kMesa}, {"CDFILICCUST", kMatriz + kAdm},
                      {"CDCENTCUSBEM", kAdm}, {"VRRATEBEM", 100.0}});
    row("RATEIOBEM", {{"CDEMPRESA", kEmpresa}, {"CDBEMATIVO", kCadeira}, {"CDFILICCUST", kMatriz + kAdm},
                      {"CDCENTCUSBEM", kAdm}, {"VRRATEBEM", 100.0}});

    row("CLIENTE", {{"CDCLIENTE", "000000000000000000001"}, {"NMFANTCLIE", "Cliente Um"},
                    {"NRINSJURCLIE", "12345678000190"}, {"IDTPIJURCLIE", "J"}});
    row("SERIENF", {{"CDFILIAL", kNorte}, {"CDSERIE", "1"}, {"DSSERIE", QString::fromUtf8("Série 1")}});
    row("SERIENF", {{"CDFILIAL", kSaoPaulo}, {"CDSERIE", "U"}, {"DSSERIE", QString::fromUtf8("Série única")}});
    auto invoice = [&](const char* lancto, const char* nota, const char* when, const QString& rece, const QString& emitente,
                       const char* serie, const char* es) {
        const auto t = [](const char* text) { return QString::fromLatin1(text); };
        row("NOTAFISCAL", {{"NRLANCTONF", t(lancto)}, {"NRNOTAFISC", t(nota)}, {"DESCRICAO", "Remessa"},
                           {"DTENTRSAID", t(when)}, {"CDFILIRECE", rece}, {"CDFILIEMIT", emitente}, {"CDTIPOOPER", "TR"},
                           {"CDSERIE", t(serie)}, {"IDENTRSAIDOP", t(es)}, {"CDFILIAL", kMatriz}, {"CDCLIENTE", "000000000000000000001"}});
    };
    invoice("NF0001", "000123", "2026-10-20T10:00:00", kNorte, kMatriz, "1", "S");
    invoice("NF0002", "000124", "2026-10-25T15:30:00", kSaoPaulo, kMatriz, "U", "S");
    invoice("NF0003", "000099", "2026-09-01T08:00:00", kNorte, kMatriz, "1", "S");
    invoice("NF0004", "000555", "2026-10-22T11:00:00", kMatriz, kNorte, "1", "E");
}

// --- server and client ------------------------------------------------------------------------

Harness::Harness(const QString& engine)
    : database_(std::make_unique<erptest::TestDatabase>(erptest::TestDatabase::ForEngine(engine))),
      toolToken_(RandomToken()),
      base_(UniqueBase()),
      now_(QDate(2026, 11, 16), QTime(9, 0), Qt::UTC) {
    InsertFixture();

    // As the executable does: its own connection, migrations, one repository per serving thread.
    {
        QSqlDatabase conn = orv::OpenDatabase(database_->url(), base_);
        erpdb::Migrate(conn);
    }
    dispatcher_ = std::make_unique<server::Dispatcher>();
    const QString base = base_;
    service_ = std::make_unique<server::TransFisicaService>(
        [base] { return server::Repository(server::CallConnection(base)); });
    service_->RegisterMethods(*dispatcher_);
    auth_ = std::make_unique<server::AuthService>([base] { return server::CallConnection(base); }, AuthDefaults());
    auth_->RegisterMethods(*dispatcher_);
    server::RpcServerOptions options;
    options.log = false;  // thousands of calls would bury the test output
    rpc_ = std::make_unique<server::RpcServer>(*dispatcher_, *auth_, options);
    port_ = rpc_->Start();

    const orv::LoginResult login = orv::OpenSession({QStringLiteral("127.0.0.1"), port_}, fx::kAdmin, erptest::kTestPassword);
    if (!login.ok()) throw std::runtime_error("login: " + login.error.toStdString());
    token_ = login.token.toStdString();
    host_.token = login.token;
    orv::InstallHost(&host_);
    net_ = Connect();
}

server::AuthOptions Harness::AuthDefaults() {
    server::AuthOptions auth;
    auth.toolToken = toolToken_;
    const erpdb::HashCost cheap = erpdb::HashCost::Cheapest();  // the fixture's hashes cost as much
    auth.dummyOps = cheap.ops;
    auth.dummyMemory = cheap.memory;
    auth.clock = [this] {
        std::lock_guard lock(mutex_);
        return now_;
    };
    auth.log = [this](const std::string& line) {
        std::lock_guard lock(mutex_);
        authLog_.push_back(line);
    };
    return auth;
}

int Harness::ServeAlso(const std::function<void(server::AuthOptions&, server::RpcServerOptions&)>& tweak) {
    Extra extra;
    server::AuthOptions auth = AuthDefaults();
    server::RpcServerOptions options;
    options.log = false;
    if (tweak) tweak(auth, options);
    const QString base = base_;
    extra.dispatcher = std::make_unique<server::Dispatcher>();
    service_->RegisterMethods(*extra.dispatcher);
    extra.auth = std::make_unique<server::AuthService>([base] { return server::CallConnection(base); }, auth);
    extra.auth->RegisterMethods(*extra.dispatcher);
    extra.rpc = std::make_unique<server::RpcServer>(*extra.dispatcher, *extra.auth, options);
    const int port = extra.rpc->Start();
    extras_.push_back(std::move(extra));
    return port;
}

void Harness::AdvanceClock(int seconds) {
    std::lock_guard lock(mutex_);
    now_ = now_.addSecs(seconds);
}

std::vector<std::string> Harness::AuthLog() {
    std::lock_guard lock(mutex_);
    return authLog_;
}

Harness::~Harness() {
    // Clients first: an idle keep-alive connection would hold a serving thread until it times out.
    net_.reset();
    for (Extra& extra : extras_) extra.rpc->Stop();
    extras_.clear();
    if (rpc_) rpc_->Stop();
    rpc_.reset();
    auth_.reset();
    service_.reset();
    dispatcher_.reset();
    if (orv::HostInstalled() && &orv::Host() == &host_) orv::InstallHost(nullptr);
    // The serving threads are gone; drop their connections so no file or session outlives the test.
    server::ReleaseStatements();
    for (const QString& name : QSqlDatabase::connectionNames()) {
        if (name == base_ || name.startsWith(base_ + QLatin1Char('#'))) QSqlDatabase::removeDatabase(name);
    }
}

std::unique_ptr<server::TransFisicaService> Harness::AnotherServer() const {
    return std::make_unique<server::TransFisicaService>(
        [base = base_] { return server::Repository(server::CallConnection(base)); });
}

std::unique_ptr<orv::TNetConnection> Harness::Connect(int port) {
    auto net = std::make_unique<orv::TNetConnection>(QStringLiteral("rdmTransFisica"));
    if (port == 0) port = port_;
    net->BeforeConnect = [port](orv::TNetConnection& c) {
        c.Host = QStringLiteral("127.0.0.1");
        c.Port = port;
    };
    net->SetConnected(true);
    if (!net->Connected()) throw std::runtime_error("client did not connect: " + net->LastError().toStdString());
    return net;
}

void Harness::Number(TransferRow& row, contracts::IRdmTransFisica& app) {
    if (row.capa.isEmpty()) {
        const auto r = app.PrxCapaOperaBem(row.empresa, QStringLiteral("R"));
        if (!r.ok) throw std::runtime_error("PrxCapaOperaBem: " + Why(r));
        row.capa = QString::fromStdString(r.value.get<std::string>());
    }
    if (row.item.isEmpty()) {
        const auto r = app.PrxItCapaOperaBem(row.empresa, QStringLiteral("R"), row.capa);
        if (!r.ok) throw std::runtime_error("PrxItCapaOperaBem: " + Why(r));
        row.item = QString::fromStdString(r.value.get<std::string>());
    }
}

contracts::ServerResult Harness::Confirm(TransferRow& row) { return Confirm(row, app()); }

contracts::ServerResult Harness::Confirm(TransferRow& row, contracts::IRdmTransFisica& app) {
    Number(row, app);
    nlohmann::json delta = InsertDelta({row});
    nlohmann::json second = nullptr;
    return app.SetConfirmar(delta, second);
}

void Harness::MustConfirm(TransferRow& row) {
    const auto r = Confirm(row);
    ASSERT_TRUE(r.ok) << Why(r);
}

orv::Packet Harness::Transfers(const QString& bem, const QString& empresa) {
    QString b = bem;
    const auto r = app().GetCapa(empresa, b);
    if (!r.ok) throw std::runtime_error("GetCapa: " + Why(r));
    return r.value;
}

server::Location Harness::AssetAt(const QString& bem) {
    const auto rows = erptest::QueryRows(
        db(), QStringLiteral("SELECT CDFILIAL, CDCENTCUST, CDSETOR, CDOPERESPBEM FROM BEMATIVO WHERE CDBEMATIVO = ?"), {bem});
    if (rows.size() != 1) throw std::runtime_error("asset not found: " + bem.toStdString());
    return {Str(rows[0][0]), Str(rows[0][1]), Str(rows[0][2]), Str(rows[0][3])};
}

QString Harness::Snapshot() {
    QStringList lines;
    for (const char* table : {"BEMATIVO", "CAPAOPERABEM", "ITCAPAOPERABEM", "RATEIOITCAPA", "RATEIOBEM", "CTBLBEMATIVO",
                              "SEQUENCIA"}) {
        for (const QVariantList& r : erptest::QueryRows(db(), QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table)))) {
            QStringList cells;
            for (const QVariant& v : r) cells << erptest::Canonical(v);
            lines << QLatin1String(table) + QLatin1Char('|') + cells.join(QLatin1Char('|'));
        }
    }
    lines.sort();
    return lines.join(QLatin1Char('\n'));
}

// --- client data sets -------------------------------------------------------------------------

void OpenTransferRecord(orv::TDataSet& cds, const orv::Packet& packet) {
    for (const orv::FieldDef& def : contracts::TransferRecordFields()) cds.AddField(def);
    if (packet.is_null())
        cds.CreateDataSet();
    else
        cds.SetData(packet);
}

void FillRecord(orv::TDataSet& cds, const TransferRow& row) {
    auto set = [&cds](const char* name, const QVariant& value) { cds.FieldByName(QString::fromLatin1(name)).SetValue(value); };
    auto code = [](const QString& c) { return c.isEmpty() ? QVariant() : QVariant(c); };
    set("CDEMPRESA", row.empresa);
    set("IDSITCAPAOPER", QStringLiteral("2"));
    set("DTCAPAOPEBEM", row.nullDate ? QVariant() : QVariant(QDateTime(row.date, QTime(0, 0))));
    set("NRSEQCAPAOPEBEM", row.capa);
    set("CDTIPOOPERBEM", row.tipo);
    set("IDIDENTCAPAOPER", QStringLiteral("TF"));
    set("CDOPEINCCAPA", fx::kAdmin);
    set("CDOPEATUCAPA", fx::kAdmin);
    set("CDMOTIVOOPER", row.motivo);
    set("CDOPERESPOPERA", fx::kMaria);
    set("NRSEQITCAPAOPE", row.item);
    set("QTITCAPAOPEANTE", 1.0);
    set("QTITCAPAOPENOVO", 1.0);
    set("CDFILIALITCANTE", code(row.ante.filial));
    set("CDCENTCUITCANTE", code(row.ante.centCust));
    set("CDSETORITCANTE", code(row.ante.setor));
    set("CDOPERESPBEMANT", code(row.ante.oper));
    set("CDFILIALITCNOVO", code(row.novo.filial));
    set("CDCENTCUITCNOVO", code(row.novo.centCust));
    set("CDSETORITCNOVO", code(row.novo.setor));
    set("CDOPERESPBEMNOV", code(row.novo.oper));
    set("IDSIMULOPERABEM", QStringLiteral("R"));
    set("CDBEMATIVO", row.bem);
    set("CDOPEINCITCAPA", fx::kAdmin);
    set("CDOPEATUITCAPA", fx::kAdmin);
    set("CDCLIENTE", code(row.cliente));
    set("CDSERIENFITCAPA", code(row.serie));
    set("NRNOTAFIITCAPA", code(row.nota));
}

orv::Packet InsertDelta(const std::vector<TransferRow>& rows) {
    orv::TDataSet cds(QStringLiteral("cdsCapa"));
    OpenTransferRecord(cds);
    for (const TransferRow& row : rows) {
        cds.Append();
        FillRecord(cds, row);
        cds.Post();
    }
    return cds.Delta();
}

orv::Packet DeleteDelta(const orv::Packet& transfers, const QString& capa) {
    orv::TDataSet cds(QStringLiteral("cdsCapa"));
    OpenTransferRecord(cds, transfers);
    if (!cds.Locate(QStringLiteral("NRSEQCAPAOPEBEM"), capa))
        throw std::runtime_error("transfer not in the list: " + capa.toStdString());
    cds.Delete();
    return cds.Delta();
}

void SetOnWire(orv::Packet& packet, const char* field, const nlohmann::json& value) {
    const auto& fields = packet.at("fields");
    const auto at = std::find_if(fields.begin(), fields.end(), [field](const auto& f) { return f.at("name") == field; });
    if (at == fields.end()) throw std::runtime_error(std::string("no field ") + field);
    const auto i = static_cast<size_t>(at - fields.begin());
    if (packet.contains("rows"))
        for (auto& row : packet["rows"]) row[i] = value;
    else
        for (auto& change : packet.at("changes"))
            if (change.contains("new")) change["new"][i] = value;
}

// --- fixture of the tests ---------------------------------------------------------------------

void ServerTest::SetUp() {
    if (GetParam() == "postgresql" && !erptest::PostgresAvailable())
        GTEST_SKIP() << "PostgreSQL não configurado: defina ERP_TEST_PG_URL.";
    harness_ = std::make_unique<Harness>(QString::fromStdString(GetParam()));
}

void ServerTest::TearDown() { harness_.reset(); }

}  // namespace srvtest
