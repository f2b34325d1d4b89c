// What each read method answers, as the client's data sets load it.

#include "tests/server/Harness.h"

#include "contracts/TransferRecord.h"
#include "tests/support/Fixture.h"

#include <QRegularExpression>

#include <limits>
#include <tuple>

namespace srvtest {
namespace {

using orv::FieldType;
using namespace fx;

class ServerReads : public ServerTest {};

struct Col {
    const char* name;
    FieldType type;
    int size = 0;  // strings only
};

// The packet's fields, in order, as a data set without declared fields takes them.
void ExpectFields(const orv::Packet& packet, const std::vector<Col>& cols) {
    orv::TDataSet ds;
    ds.SetData(packet);
    ASSERT_EQ(ds.FieldCount(), static_cast<int>(cols.size()));
    for (int i = 0; i < ds.FieldCount(); ++i) {
        const orv::TField& f = ds.Fields(i);
        EXPECT_EQ(f.FieldName(), QLatin1String(cols[size_t(i)].name)) << "field " << i;
        EXPECT_EQ(f.DataType(), cols[size_t(i)].type) << cols[size_t(i)].name;
        if (f.DataType() == FieldType::String) {
            EXPECT_EQ(f.Size(), cols[size_t(i)].size) << cols[size_t(i)].name;
        }
    }
}

// One column of every row, as text.
QStringList Column(const orv::Packet& packet, const char* name) {
    orv::TDataSet ds;
    ds.SetData(packet);
    QStringList out;
    for (ds.First(); !ds.Eof(); ds.Next()) out << ds.FieldByName(QLatin1String(name)).AsString();
    return out;
}

nlohmann::json Value(const contracts::ServerResult& r) {
    EXPECT_TRUE(r.ok) << Why(r);
    return r.value;
}

TEST_P(ServerReads, GetBemAtivoByPatrimonyAndAll) {
    const orv::Packet one = Value(h().app().GetBemAtivo(kEmpresa, QStringLiteral("1001"), QStringLiteral("N")));
    ExpectFields(one, {{"CDPATRIBEMATIVO", FieldType::String, 20}, {"CDBEMATIVO", FieldType::String, 15},
                       {"NMBEMATIVO", FieldType::String, 40},      {"VRAQUIBEMATIVO", FieldType::Float},
                       {"CDFILIAL", FieldType::String, 4},         {"QTMESDEPBEM", FieldType::Float},
                       {"VRINIDEPBEM", FieldType::Float},          {"QTATUABEMATIVO", FieldType::Float},
                       {"CDSETOR", FieldType::String, 4},          {"CDCENTCUST", FieldType::String, 4},
                       {"VRTAXANODEPBEM", FieldType::Float}});
    orv::TDataSet ds;
    ds.SetData(one);
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("CDBEMATIVO").AsString(), kMesa);
    EXPECT_EQ(ds.FieldByName("NMBEMATIVO").AsString(), QString::fromUtf8("Mesa de escritório em L"));
    EXPECT_DOUBLE_EQ(ds.FieldByName("VRAQUIBEMATIVO").AsFloat(), 1500.5);
    EXPECT_EQ(ds.FieldByName("CDFILIAL").AsString(), kMatriz);
    EXPECT_EQ(ds.FieldByName("CDCENTCUST").AsString(), kAdm);
    EXPECT_EQ(ds.FieldByName("CDSETOR").AsString(), kContab);
    EXPECT_DOUBLE_EQ(ds.FieldByName("QTMESDEPBEM").AsFloat(), 120.0);
    // A computed rate travels as the very same double.
    const double third = 100.0 / 3;
    erptest::QueryValue(h().db(), "UPDATE BEMATIVO SET VRTAXANODEPBEM = ? WHERE CDBEMATIVO = ?", {third, kMesa});
    orv::TDataSet again;
    again.SetData(Value(h().app().GetBemAtivo(kEmpresa, QStringLiteral("1001"), QStringLiteral("N"))));
    EXPECT_EQ(again.FieldByName("VRTAXANODEPBEM").AsFloat(), third);
    // Whatever another program stored comes as valid JSON: quotes and control characters in a
    // text; an infinite real, which JSON cannot carry, as an empty cell.
    erptest::QueryValue(h().db(), "UPDATE BEMATIVO SET NMBEMATIVO = ?, VRTAXANODEPBEM = ? WHERE CDBEMATIVO = ?",
                        {QString::fromUtf8("Mesa \"L\"\t\\ 2"), std::numeric_limits<double>::infinity(), kMesa});
    again.SetData(Value(h().app().GetBemAtivo(kEmpresa, QStringLiteral("1001"), QStringLiteral("N"))));
    EXPECT_EQ(again.FieldByName("NMBEMATIVO").AsString(), QString::fromUtf8("Mesa \"L\"\t\\ 2"));
    EXPECT_TRUE(again.FieldByName("VRTAXANODEPBEM").IsNull());
    // A name stored longer than its field (SQLite keeps what another program wrote) comes cut,
    // by characters.
    if (!h().isPostgres()) {
        erptest::QueryValue(h().db(), "UPDATE BEMATIVO SET NMBEMATIVO = ? WHERE CDBEMATIVO = ?",
                            {QString(45, QChar(0xE7)), kMesa});
        const orv::Packet cut = Value(h().app().GetBemAtivo(kEmpresa, QStringLiteral("1001"), QStringLiteral("N")));
        EXPECT_EQ(cut["rows"][0][2].get<std::string>(), QString(40, QChar(0xE7)).toStdString());
    }

    // "T" lists every asset of the company, by patrimony code; never another company's.
    const orv::Packet all = Value(h().app().GetBemAtivo(kEmpresa, QString(), QStringLiteral("T")));
    EXPECT_EQ(Column(all, "CDPATRIBEMATIVO"),
              QStringList({"1001", "1002", "1003", "1004", "1005", "1006"}));
    EXPECT_EQ(Column(Value(h().app().GetBemAtivo(kEmpresa2, QString(), QStringLiteral("T"))), "CDBEMATIVO"),
              QStringList({kEmpilhadeira}));
    // A patrimony code of another company, or none at all, finds nothing.
    EXPECT_TRUE(Column(Value(h().app().GetBemAtivo(kEmpresa, QStringLiteral("2001"), QStringLiteral("N"))), "CDBEMATIVO").isEmpty());
    EXPECT_TRUE(Column(Value(h().app().GetBemAtivo(kEmpresa, QStringLiteral("9999"), QStringLiteral("N"))), "CDBEMATIVO").isEmpty());
}

TEST_P(ServerReads, CarregaAnteJoinsNamesAndSkipsAssetsWithoutLocation) {
    const orv::Packet at = Value(h().app().CarregaAnte(kMesa));
    ExpectFields(at, {{"CDFILIAL", FieldType::String, 4},    {"NMFILIAL", FieldType::String, 30},
                      {"CDCENTCUST", FieldType::String, 4},  {"NMCENTCUST", FieldType::String, 40},
                      {"CDSETOR", FieldType::String, 4},     {"NMSETOR", FieldType::String, 30},
                      {"CDOPERADOR", FieldType::String, 12}, {"NMOPERADOR", FieldType::String, 40}});
    orv::TDataSet ds;
    ds.SetData(at);
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("NMFILIAL").AsString(), QLatin1String("Matriz"));
    EXPECT_EQ(ds.FieldByName("NMCENTCUST").AsString(), QString::fromUtf8("Administração"));
    EXPECT_EQ(ds.FieldByName("NMSETOR").AsString(), QLatin1String("Contabilidade"));
    EXPECT_EQ(ds.FieldByName("CDOPERADOR").AsString(), kMaria);
    EXPECT_EQ(ds.FieldByName("NMOPERADOR").AsString(), QLatin1String("Maria Souza"));

    // Partly located: the missing parts are null, not a missing row.
    ds.SetData(Value(h().app().CarregaAnte(kEstante)));
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("NMFILIAL").AsString(), QLatin1String("Filial Norte"));
    EXPECT_TRUE(ds.FieldByName("CDSETOR").IsNull());
    EXPECT_TRUE(ds.FieldByName("NMOPERADOR").IsNull());

    // An asset that was never placed has no previous location at all.
    ds.SetData(Value(h().app().CarregaAnte(kTorno)));
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.FieldCount(), 8);
}

TEST_P(ServerReads, GetCapaListsTheAssetsTransfersOldestFirstWithNames) {
    TransferRow first{kMesa, kMesaAt, kEmSaoPaulo, QDate(2026, 11, 16)};
    first.cliente = QStringLiteral("000000000000000000001");
    first.serie = QStringLiteral("U");
    first.nota = QStringLiteral("NF0002");
    h().MustConfirm(first);
    TransferRow second{kMesa, kEmSaoPaulo, kNoNorte, QDate(2026, 11, 20)};
    second.motivo = QStringLiteral("000002");
    h().MustConfirm(second);

    QString bem = kMesa;
    const auto r = h().app().GetCapa(kEmpresa, bem);
    ASSERT_TRUE(r.ok) << Why(r);
    EXPECT_EQ(bem, kMesa);  // handed back by reference

    // The 52 fields of the transfer record, in its order.
    const auto expected = contracts::TransferRecordFields();
    ASSERT_EQ(expected.size(), 52u);
    const auto defs = orv::FieldDefsFromJson(r.value["fields"]);
    ASSERT_EQ(defs.size(), expected.size());
    for (size_t i = 0; i < defs.size(); ++i) {
        EXPECT_EQ(defs[i].name, expected[i].name) << "field " << i;
        EXPECT_EQ(defs[i].type, expected[i].type) << expected[i].name.toStdString();
        EXPECT_EQ(defs[i].EffectiveSize(), expected[i].EffectiveSize()) << expected[i].name.toStdString();
    }

    orv::TDataSet cds;
    OpenTransferRecord(cds, r.value);
    ASSERT_EQ(cds.RecordCount(), 2);
    auto f = [&cds](const char* name) { return cds.FieldByName(QLatin1String(name)).AsString(); };
    cds.First();
    EXPECT_EQ(f("NRSEQCAPAOPEBEM"), first.capa);
    EXPECT_EQ(f("NRSEQITCAPAOPE"), first.item);
    EXPECT_EQ(cds.FieldByName("DTCAPAOPEBEM").AsDateTime().date(), QDate(2026, 11, 16));
    EXPECT_EQ(f("NMTIPOOPERBEM"), QString::fromUtf8("Transferência física"));
    EXPECT_EQ(f("OPERINCL"), QLatin1String("Administrador do Sistema"));
    EXPECT_EQ(f("OPERATU"), QLatin1String("Administrador do Sistema"));
    EXPECT_EQ(f("NMMOTIVOOPER"), QString::fromUtf8("Mudança de setor"));
    EXPECT_EQ(f("NMOPERADOR"), QLatin1String("Maria Souza"));
    EXPECT_EQ(f("NMBEMATIVO"), QString::fromUtf8("Mesa de escritório em L"));
    EXPECT_EQ(f("CAPADBTNOME"), QString::fromUtf8("Nº %1 - 16/11/2026 - Transferência física").arg(first.capa));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{10}$")).match(f("NRSEQOPERABEM")).hasMatch()) << f("NRSEQOPERABEM").toStdString();
    EXPECT_EQ(f("CDFILIALITCANTE"), kMatriz);
    EXPECT_EQ(f("CDOPERESPBEMANT"), kMaria);
    EXPECT_EQ(f("CDFILIALITCNOVO"), kSaoPaulo);
    EXPECT_EQ(f("CDSETORITCNOVO"), kExped);
    EXPECT_DOUBLE_EQ(cds.FieldByName("VRAQUIBEMATIVO").AsFloat(), 1500.5);
    EXPECT_DOUBLE_EQ(cds.FieldByName("QTMESDEPBEM").AsFloat(), 120.0);
    EXPECT_FALSE(cds.FieldByName("DTINCCAPAOPER").IsNull());
    EXPECT_EQ(f("CDCLIENTE"), QLatin1String("000000000000000000001"));
    EXPECT_EQ(f("NMFANTCLIE"), QLatin1String("Cliente Um"));
    EXPECT_EQ(f("NRINSJURCLIE"), QLatin1String("12345678000190"));
    EXPECT_EQ(f("IDTPIJURCLIE"), QLatin1String("J"));
    EXPECT_EQ(f("CDSERIENFITCAPA"), QLatin1String("U"));
    EXPECT_EQ(f("NRNOTAFIITCAPA"), QLatin1String("NF0002"));
    const QString firstOpera = f("NRSEQOPERABEM");
    cds.Next();
    EXPECT_EQ(f("NRSEQCAPAOPEBEM"), second.capa);
    EXPECT_EQ(f("NMMOTIVOOPER"), QString::fromUtf8("Reorganização de layout"));
    EXPECT_EQ(f("CDFILIALITCANTE"), kSaoPaulo);
    EXPECT_EQ(f("CDFILIALITCNOVO"), kNorte);
    EXPECT_TRUE(cds.FieldByName("CDCLIENTE").IsNull());
    EXPECT_GT(f("NRSEQOPERABEM"), firstOpera);

    // Another asset, or the same one asked under another company: the fields and no row.
    QString other = kCadeira;
    const auto none = h().app().GetCapa(kEmpresa, other);
    ASSERT_TRUE(none.ok) << Why(none);
    EXPECT_EQ(none.value["fields"].size(), 52u);
    EXPECT_TRUE(none.value["rows"].empty());
    QString mesa = kMesa;
    EXPECT_TRUE(h().app().GetCapa(kEmpresa2, mesa).value["rows"].empty());

    // A type name too long for the navigator caption: cut at its 63 characters, with "…".
    erptest::QueryRows(h().db(), QStringLiteral("UPDATE TIPOOPERBEM SET NMTIPOOPERBEM = ?"),
                       {QString::fromUtf8("Transferência para conserto em outra filial")});
    cds.Close();
    cds.SetData(Value(h().app().GetCapa(kEmpresa, mesa)));
    EXPECT_EQ(f("CAPADBTNOME"),
              QString::fromUtf8("Nº %1 - 16/11/2026 - Transferência para conserto em ou…").arg(first.capa));

    // A name whose code another program left without its row is empty on that row only.
    erptest::QueryRows(h().db(), QStringLiteral("UPDATE CAPAOPERABEM SET CDOPEATUCAPA = ? WHERE NRSEQCAPAOPEBEM = ?"),
                       {QStringLiteral("999999999999"), second.capa});
    cds.Close();
    cds.SetData(Value(h().app().GetCapa(kEmpresa, mesa)));
    EXPECT_EQ(f("OPERATU"), QLatin1String("Administrador do Sistema"));
    cds.Next();
    EXPECT_TRUE(cds.FieldByName("OPERATU").IsNull());
    EXPECT_EQ(f("OPERINCL"), QLatin1String("Administrador do Sistema"));
}

TEST_P(ServerReads, LastOperationDepreciationAndLastTransferReads) {
    QString bem = kMesa;
    const orv::Packet before = Value(h().app().GetVd_Insert(kEmpresa, bem));
    ExpectFields(before, {{"DTCAPAOPEBEM", FieldType::DateTime}, {"NRSEQITCAPAOPE", FieldType::String, 10}});
    EXPECT_TRUE(before["rows"].empty());
    const orv::Packet noTransfer = Value(h().app().VerificaUltimaTransferencia(kEmpresa, bem));
    ExpectFields(noTransfer, {{"NRSEQCAPAOPEBEM", FieldType::String, 10}, {"NRSEQITCAPAOPE", FieldType::String, 10}});
    EXPECT_TRUE(noTransfer["rows"].empty());

    const orv::Packet dep = Value(h().app().GetDtultdep(kEmpresa, kMesa));
    ExpectFields(dep, {{"DTULTDEPBEM", FieldType::DateTime}});
    orv::TDataSet ds;
    ds.SetData(dep);
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("DTULTDEPBEM").AsDateTime().date(), QDate(2026, 9, 30));
    ds.SetData(Value(h().app().GetDtultdep(kEmpresa, kTorno)));
    ASSERT_EQ(ds.RecordCount(), 1);  // never depreciated: a row with null
    EXPECT_TRUE(ds.FieldByName("DTULTDEPBEM").IsNull());

    TransferRow first{kMesa, kMesaAt, kEmSaoPaulo, QDate(2026, 11, 16)};
    h().MustConfirm(first);
    TransferRow second{kMesa, kEmSaoPaulo, kNoNorte, QDate(2026, 11, 20)};
    h().MustConfirm(second);

    ds.SetData(Value(h().app().GetVd_Insert(kEmpresa, bem)));
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("DTCAPAOPEBEM").AsDateTime().date(), QDate(2026, 11, 20));
    EXPECT_EQ(ds.FieldByName("NRSEQITCAPAOPE").AsString(), second.item);
    ds.SetData(Value(h().app().VerificaUltimaTransferencia(kEmpresa, bem)));
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("NRSEQCAPAOPEBEM").AsString(), second.capa);
    EXPECT_EQ(ds.FieldByName("NRSEQITCAPAOPE").AsString(), second.item);
    EXPECT_EQ(bem, kMesa);
}

TEST_P(ServerReads, RetornaDadosOffersUndoOnlyForTheLastTransfer) {
    TransferRow first{kMesa, kMesaAt, kEmSaoPaulo, QDate(2026, 11, 16)};
    h().MustConfirm(first);
    TransferRow second{kMesa, kEmSaoPaulo, kNoNorte, QDate(2026, 11, 20)};
    h().MustConfirm(second);

    auto ask = [this](QString capa, const char* passo, const QString& empresa = kEmpresa) {
        QString bem = kMesa;
        const auto r = h().app().Retorna_Dados(empresa, bem, capa, QLatin1String(passo), {}, {}, {}, {});
        EXPECT_EQ(bem, kMesa);
        return r;
    };
    const orv::Packet last = Value(ask(second.capa, "01"));
    ExpectFields(last, {{"Retorno", FieldType::String, 20},  {"Filial", FieldType::String, 20},
                        {"CentCust", FieldType::String, 20}, {"Setor", FieldType::String, 20},
                        {"OperRespons", FieldType::String, 20}});
    orv::TDataSet ds;
    ds.SetData(last);
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("Retorno").AsString(), QLatin1String("SIM"));
    EXPECT_EQ(ds.FieldByName("Filial").AsString(), kSaoPaulo);
    EXPECT_EQ(ds.FieldByName("CentCust").AsString(), kLog);
    EXPECT_EQ(ds.FieldByName("Setor").AsString(), kExped);
    EXPECT_EQ(ds.FieldByName("OperRespons").AsString(), kJoao);

    ds.SetData(Value(ask(first.capa, "01")));
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("Retorno").AsString(), QLatin1String("NAO"));
    EXPECT_TRUE(ds.FieldByName("Filial").AsString().isEmpty());

    // Nor under another company, nor once the asset left the place the transfer put it in
    // (moved outside this module), as the deletion would be refused.
    ds.SetData(Value(ask(second.capa, "01", kEmpresa2)));
    EXPECT_EQ(ds.FieldByName("Retorno").AsString(), QLatin1String("NAO"));
    erptest::QueryRows(h().db(), QStringLiteral("UPDATE BEMATIVO SET CDOPERESPBEM = ? WHERE CDBEMATIVO = ?"), {kMaria, kMesa});
    ds.SetData(Value(ask(second.capa, "01")));
    EXPECT_EQ(ds.FieldByName("Retorno").AsString(), QLatin1String("NAO"));

    // The second step never moves the asset: the deletion already did.
    const QString before = h().Snapshot();
    ds.SetData(Value(ask(second.capa, "02")));
    EXPECT_EQ(ds.FieldByName("Retorno").AsString(), QLatin1String("OK"));
    EXPECT_EQ(h().Snapshot(), before);

    const auto unknown = ask(second.capa, "03");
    EXPECT_FALSE(unknown.ok);
    EXPECT_EQ(unknown.code, -32602);
}

TEST_P(ServerReads, SequenceNumbersAreTenDigitsPerCompanyAndCounter) {
    auto take = [this](const QString& empresa) { return Value(h().app().PrxCapaOperaBem(empresa, QStringLiteral("R"))); };
    EXPECT_EQ(take(kEmpresa), "0000000001");
    EXPECT_EQ(take(kEmpresa), "0000000002");
    EXPECT_EQ(take(kEmpresa2), "0000000001");
    EXPECT_EQ(Value(h().app().PrxItCapaOperaBem(kEmpresa, QStringLiteral("R"), QStringLiteral("0000000002"))), "0000000001");
    // Blanks around the company are the client's padding, not another company.
    EXPECT_EQ(take(QStringLiteral(" 01 ")), "0000000003");

    EXPECT_TRUE(RefusedWith(h().app().PrxCapaOperaBem(QString(), QStringLiteral("R")), QString::fromUtf8("Empresa deve ser informada.")));
    EXPECT_TRUE(RefusedWith(h().app().PrxItCapaOperaBem(QStringLiteral("  "), QStringLiteral("R"), {}),
                            QString::fromUtf8("Empresa deve ser informada.")));
    const auto noSimulation = h().app().PrxCapaOperaBem(kEmpresa, QString());
    EXPECT_FALSE(noSimulation.ok);
    EXPECT_EQ(noSimulation.code, -32602);
}

TEST_P(ServerReads, ApportionmentReads) {
    TransferRow t{kMesa, kMesaAt, kEmSaoPaulo};
    h().MustConfirm(t);
    const auto field = [](const char* n) { return QString::fromLatin1(n); };
    orv::TDataSet rows;
    for (const orv::FieldDef& d :
         std::vector<orv::FieldDef>{{field("CDEMPRESA"), FieldType::String, 2},        {field("IDSIMULOPERABEM"), FieldType::String, 1},
                                    {field("NRSEQCAPAOPEBEM"), FieldType::String, 10}, {field("NRSEQITCAPAOPE"), FieldType::String, 10},
                                    {field("CDBEMATIVO"), FieldType::String, 10},      {field("CDFILICCUST"), FieldType::String, 8},
                                    {field("CDCENTCUSBEM"), FieldType::String, 4},     {field("VRRATEBEM"), FieldType::Float, 0}})
        rows.AddField(d);
    rows.CreateDataSet();
    for (const auto& [filial, cc, valor] : std::vector<std::tuple<QString, QString, double>>{
             {kSaoPaulo, kLog, 60.0}, {kMatriz, kAdm, 40.0}}) {
        rows.Append();
        rows.FieldByName("CDEMPRESA").SetAsString(kEmpresa);
        rows.FieldByName("IDSIMULOPERABEM").SetAsString(QStringLiteral("R"));
        rows.FieldByName("NRSEQCAPAOPEBEM").SetAsString(t.capa);
        rows.FieldByName("NRSEQITCAPAOPE").SetAsString(t.item);
        rows.FieldByName("CDBEMATIVO").SetAsString(kMesa);
        rows.FieldByName("CDFILICCUST").SetAsString(filial + cc);
        rows.FieldByName("CDCENTCUSBEM").SetAsString(cc);
        rows.FieldByName("VRRATEBEM").SetAsFloat(valor);
        rows.Post();
    }
    const auto saved = h().app().SetRateio(rows.Delta());
    ASSERT_TRUE(saved.ok) << Why(saved);

    QString bem = kMesa;
    const orv::Packet all = Value(h().app().GetRateio(kEmpresa, bem, t.capa, t.item));
    ExpectFields(all, {{"CDEMPRESA", FieldType::String, 2},        {"IDSIMULOPERABEM", FieldType::String, 1},
                       {"NRSEQCAPAOPEBEM", FieldType::String, 10}, {"NRSEQITCAPAOPE", FieldType::String, 10},
                       {"CDBEMATIVO", FieldType::String, 10},      {"CDFILICCUST", FieldType::String, 8},
                       {"CDCENTCUSBEM", FieldType::String, 4},     {"VRRATEBEM", FieldType::Float},
                       {"NMCENTCUST", FieldType::String, 40},      {"NMFILIAL", FieldType::String, 30}});
    orv::TDataSet ds;
    ds.SetData(all);
    ASSERT_EQ(ds.RecordCount(), 2);
    ds.First();  // by branch and cost centre
    EXPECT_EQ(ds.FieldByName("CDFILICCUST").AsString(), kMatriz + kAdm);
    EXPECT_DOUBLE_EQ(ds.FieldByName("VRRATEBEM").AsFloat(), 40.0);
    EXPECT_EQ(ds.FieldByName("NMCENTCUST").AsString(), QString::fromUtf8("Administração"));
    EXPECT_EQ(ds.FieldByName("NMFILIAL").AsString(), QLatin1String("Matriz"));
    ds.Next();
    EXPECT_EQ(ds.FieldByName("CDFILICCUST").AsString(), kSaoPaulo + kLog);
    EXPECT_EQ(ds.FieldByName("NMCENTCUST").AsString(), QString::fromUtf8("Logística"));
    EXPECT_EQ(ds.FieldByName("NMFILIAL").AsString(), QString::fromUtf8("Filial São Paulo"));

    // VdRateio: is this pair already apportioned in the item?
    QString b = kMesa;
    const orv::Packet pair = Value(h().app().VdRateio(b, kEmpresa, kSaoPaulo + kLog, kLog, t.capa, t.item));
    EXPECT_EQ(b, kMesa);
    ds.SetData(pair);
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("CDFILICCUST").Size(), 4);
    EXPECT_DOUBLE_EQ(ds.FieldByName("VRRATEBEM").AsFloat(), 60.0);
    EXPECT_TRUE(Value(h().app().VdRateio(b, kEmpresa, kNorte + kAdm, kAdm, t.capa, t.item))["rows"].empty());

    const orv::Packet branches = Value(h().app().VdFilialRat(kEmpresa, QStringLiteral("T")));
    ExpectFields(branches, {{"CDFILIAL", FieldType::String, 10}, {"NMFILIAL", FieldType::String, 45}});
    EXPECT_EQ(Column(branches, "CDFILIAL"), QStringList({kMatriz, kNorte, kSaoPaulo}));
    EXPECT_EQ(Column(Value(h().app().VdFilialRat(kEmpresa, kSaoPaulo)), "NMFILIAL"),
              QStringList({QString::fromUtf8("Filial São Paulo")}));
    EXPECT_TRUE(Column(Value(h().app().VdFilialRat(kEmpresa, kFilialDois)), "CDFILIAL").isEmpty());

    const orv::Packet centres = Value(h().app().VdCentCustRat(QStringLiteral("T"), kMatriz));
    ExpectFields(centres, {{"CDCENTCUST", FieldType::String, 10}, {"NMCENTCUST", FieldType::String, 45}});
    EXPECT_EQ(Column(centres, "CDCENTCUST"), QStringList({kAdm, kProd}));
    EXPECT_EQ(Column(Value(h().app().VdCentCustRat(kLog, kSaoPaulo)), "NMCENTCUST"), QStringList({QString::fromUtf8("Logística")}));
    EXPECT_TRUE(Column(Value(h().app().VdCentCustRat(kLog, kMatriz)), "CDCENTCUST").isEmpty());
}

TEST_P(ServerReads, AccountingReadsAndParameters) {
    QString bem = kMesa;
    const orv::Packet rows = Value(h().app().GetCtblBemAtivo(kEmpresa, bem));
    ExpectFields(rows, {{"CDEMPRESA", FieldType::String, 2},        {"CDBEMATIVO", FieldType::String, 10},
                        {"CDTIPOCONTABEM", FieldType::String, 6},   {"CDHISTPADR", FieldType::String, 4},
                        {"DSHISTPADR", FieldType::String, 60},      {"CDCONTCTBLBEM", FieldType::String, 20},
                        {"CDOPEATUCTBLBEM", FieldType::String, 12}, {"DTULTATU", FieldType::DateTime},
                        {"CDOPEINCCTBLBEM", FieldType::String, 12}, {"DTINCLUCTBLBEM", FieldType::DateTime},
                        {"NMCONTCTBL", FieldType::String, 40},      {"NMTIPOCONTABEM", FieldType::String, 50}});
    orv::TDataSet ds;
    ds.SetData(rows);
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("DSHISTPADR").AsString(), QString::fromUtf8("Transferência de bens entre filiais"));
    EXPECT_EQ(ds.FieldByName("NMCONTCTBL").AsString(), QString::fromUtf8("Móveis e utensílios"));
    EXPECT_EQ(ds.FieldByName("NMTIPOCONTABEM").AsString(), QString::fromUtf8("Custo de aquisição"));
    EXPECT_EQ(ds.FieldByName("DTULTATU").AsDateTime(), QDateTime(QDate(2026, 10, 1), QTime(9, 0)));

    EXPECT_EQ(Column(Value(h().app().GetPesqTipoContaBem(kEmpresa, bem)), "CDTIPOCONTABEM"),
              QStringList({"000001", "000002"}));
    // The company's accounts and those of every company; never another company's.
    EXPECT_EQ(Column(Value(h().app().GetPesqContCtbl(kEmpresa, bem)), "CDCONTCTBL"),
              QStringList({"1.2.3.01.0001", "1.2.3.01.0002"}));
    // More than one row: the type (or account) is already in use by the asset.
    EXPECT_EQ(Value(h().app().GetVd_TipoConta(kEmpresa, "000001", bem))["rows"].size(), 2u);
    EXPECT_EQ(Value(h().app().GetVd_TipoConta(kEmpresa, "000002", bem))["rows"].size(), 1u);
    EXPECT_EQ(Value(h().app().GetVd_TipoConta(kEmpresa, "000009", bem))["rows"].size(), 0u);
    EXPECT_EQ(Value(h().app().GetVd_ContCtbl("1.2.3.01.0001", kEmpresa, bem))["rows"].size(), 2u);
    EXPECT_EQ(Value(h().app().GetVd_ContCtbl("1.2.3.01.0002", kEmpresa, bem))["rows"].size(), 1u);
    EXPECT_EQ(Value(h().app().GetVd_ContCtbl("2.1.1.01.0001", kEmpresa, bem))["rows"].size(), 0u);

    // Writes of the accounting parameters, through the client's data set.
    QString cadeira = kCadeira;
    orv::TDataSet cds;
    for (int i = 0; i < ds.FieldCount(); ++i) cds.AddField(ds.Fields(i).Def());
    cds.SetData(Value(h().app().GetCtblBemAtivo(kEmpresa, cadeira)));
    auto add = [&cds](const char* tipo, const char* conta, const char* hist, const QString& bem = kCadeira) {
        cds.Append();
        cds.FieldByName("CDEMPRESA").SetAsString(kEmpresa);
        cds.FieldByName("CDBEMATIVO").SetAsString(bem);
        cds.FieldByName("CDTIPOCONTABEM").SetAsString(QLatin1String(tipo));
        cds.FieldByName("CDCONTCTBLBEM").SetAsString(QLatin1String(conta));
        cds.FieldByName("CDHISTPADR").SetAsString(QLatin1String(hist));
        cds.FieldByName("CDOPEINCCTBLBEM").SetAsString(kAdmin);
        cds.Post();
    };
    add("000002", "1.2.3.01.0002", "0002");
    ASSERT_TRUE(h().app().SetCtblBemAtivo(cds.Delta()).ok);
    cds.SetData(Value(h().app().GetCtblBemAtivo(kEmpresa, cadeira)));
    ASSERT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(cds.FieldByName("NMTIPOCONTABEM").AsString(), QString::fromUtf8("Depreciação acumulada"));
    EXPECT_EQ(cds.FieldByName("CDOPEINCCTBLBEM").AsString(), kAdmin);

    const QString before = h().Snapshot();
    add("000002", "1.2.3.01.0001", "0001");
    EXPECT_TRUE(RefusedWith(h().app().SetCtblBemAtivo(cds.Delta()), QString::fromUtf8("Tipo de Conta já cadastrada.")));
    cds.CancelUpdates();
    add("000009", "1.2.3.01.0001", "0001");
    EXPECT_TRUE(RefusedWith(h().app().SetCtblBemAtivo(cds.Delta()), QString::fromUtf8("Tipo de Conta não cadastrada.")));
    cds.CancelUpdates();
    add("000001", "9.9.9", "0001");
    EXPECT_TRUE(RefusedWith(h().app().SetCtblBemAtivo(cds.Delta()), QString::fromUtf8("Conta Contábil não cadastrada.")));
    cds.CancelUpdates();
    add("000001", "1.2.3.01.0001", "0009");
    EXPECT_TRUE(RefusedWith(h().app().SetCtblBemAtivo(cds.Delta()), QString::fromUtf8("Histórico padrão não cadastrado.")));
    cds.CancelUpdates();
    add("000001", "2.1.1.01.0001", "0001");
    EXPECT_TRUE(RefusedWith(h().app().SetCtblBemAtivo(cds.Delta()),
                            QString::fromUtf8("A conta contábil 2.1.1.01.0001 não pertence à empresa 01.")));
    cds.CancelUpdates();
    add("000001", "1.2.3.01.0001", "0001", kEmpilhadeira);
    EXPECT_TRUE(RefusedWith(h().app().SetCtblBemAtivo(cds.Delta()), QString::fromUtf8("O bem 0000000010 não pertence à empresa 01.")));
    cds.CancelUpdates();
    add("000001", "1.2.3.01.0001", "0001");
    orv::Packet overlong = cds.Delta();
    SetOnWire(overlong, "CDHISTPADR", std::string(100007, 'X'));
    EXPECT_TRUE(RefusedWith(h().app().SetCtblBemAtivo(overlong),
                            QString::fromUtf8("O campo CDHISTPADR aceita no máximo 4 caracteres.")));
    cds.CancelUpdates();
    EXPECT_EQ(h().Snapshot(), before);

    cds.First();
    cds.Edit();
    cds.FieldByName("CDCONTCTBLBEM").SetAsString(QStringLiteral("1.2.3.01.0001"));
    cds.FieldByName("CDOPEATUCTBLBEM").SetAsString(kJoao);
    cds.Post();
    ASSERT_TRUE(h().app().SetCtblBemAtivo(cds.Delta()).ok);
    cds.SetData(Value(h().app().GetCtblBemAtivo(kEmpresa, cadeira)));
    EXPECT_EQ(cds.FieldByName("NMCONTCTBL").AsString(), QString::fromUtf8("Móveis e utensílios"));
    EXPECT_EQ(cds.FieldByName("CDOPEATUCTBLBEM").AsString(), kAdmin);  // the session's, not the row's
    cds.Delete();
    ASSERT_TRUE(h().app().SetCtblBemAtivo(cds.Delta()).ok);
    EXPECT_TRUE(Value(h().app().GetCtblBemAtivo(kEmpresa, cadeira))["rows"].empty());
}

TEST_P(ServerReads, InvoiceReads) {
    const orv::Packet serie = Value(h().app().GetVDSerie(kNorte, QStringLiteral("1")));
    ExpectFields(serie, {{"CDSERIE", FieldType::String, 5}});
    EXPECT_EQ(Column(serie, "CDSERIE"), QStringList({"1"}));
    EXPECT_TRUE(Value(h().app().GetVDSerie(kMatriz, QStringLiteral("1")))["rows"].empty());

    const orv::Packet fromMatriz = Value(h().app().GetPesqNF(QStringLiteral("T"), kNorte, QStringLiteral("1"), kMatriz));
    ExpectFields(fromMatriz, {{"NRLANCTONF", FieldType::String, 20}, {"NRNOTAFISC", FieldType::String, 20},
                              {"DESCRICAO", FieldType::String, 15},  {"DTENTRSAID", FieldType::DateTime},
                              {"CDFILIRECE", FieldType::String, 4},  {"CDFILIEMIT", FieldType::String, 4},
                              {"CDTIPOOPER", FieldType::String, 2},  {"CDSERIE", FieldType::String, 5},
                              {"IDENTRSAIDOP", FieldType::String, 1}, {"CDFILIAL", FieldType::String, 4}});
    EXPECT_EQ(Column(fromMatriz, "NRLANCTONF"), QStringList({"NF0001", "NF0003"}));  // newest first
    orv::TDataSet ds;
    ds.SetData(fromMatriz);
    EXPECT_EQ(ds.FieldByName("DTENTRSAID").AsDateTime(), QDateTime(QDate(2026, 10, 20), QTime(10, 0)));
    EXPECT_EQ(ds.FieldByName("NRNOTAFISC").AsString(), QLatin1String("000123"));

    EXPECT_EQ(Column(Value(h().app().GetPesqNF(QStringLiteral("NF0002"), kSaoPaulo, QStringLiteral("U"), kMatriz)), "NRNOTAFISC"),
              QStringList({"000124"}));
    // Empty branches and series do not filter; an incoming invoice (NF0004) is never offered.
    EXPECT_EQ(Column(Value(h().app().GetPesqNF(QStringLiteral("T"), {}, {}, {})), "NRLANCTONF"),
              QStringList({"NF0002", "NF0001", "NF0003"}));
    EXPECT_TRUE(Value(h().app().GetPesqNF(QStringLiteral("T"), kSaoPaulo, QStringLiteral("1"), kMatriz))["rows"].empty());
}

ERP_INSTANTIATE_ON_ENGINES(ServerReads);

}  // namespace
}  // namespace srvtest
