// Apportionment of a transfer item (SetRateio) and of the asset itself (Atualiza_RatBem):
// totals are checked as the screen rounds them, and a refusal writes nothing.

#include "tests/server/Harness.h"

#include "tests/support/Fixture.h"

namespace srvtest {
namespace {

using namespace fx;
using orv::FieldType;

class ServerApportionment : public ServerTest {
protected:
    // The screen's data set of an item's apportionment, loaded from GetRateio.
    void OpenRateio(orv::TDataSet& cds, const TransferRow& t) {
        QString bem = t.bem;
        const auto r = h().app().GetRateio(kEmpresa, bem, t.capa, t.item);
        ASSERT_TRUE(r.ok) << Why(r);
        cds.SetData(r.value);
    }
    static void Add(orv::TDataSet& cds, const TransferRow& t, const QString& filial, const QString& cc, double valor) {
        cds.Append();
        cds.FieldByName("CDEMPRESA").SetAsString(kEmpresa);
        cds.FieldByName("IDSIMULOPERABEM").SetAsString(QStringLiteral("R"));
        cds.FieldByName("NRSEQCAPAOPEBEM").SetAsString(t.capa);
        cds.FieldByName("NRSEQITCAPAOPE").SetAsString(t.item);
        cds.FieldByName("CDBEMATIVO").SetAsString(t.bem);
        cds.FieldByName("CDFILICCUST").SetAsString(filial + cc);
        cds.FieldByName("CDCENTCUSBEM").SetAsString(cc);
        cds.FieldByName("VRRATEBEM").SetAsFloat(valor);
        cds.Post();
    }
    TransferRow Transfer(const QString& bem, const server::Location& from) {
        TransferRow t{bem, from, kEmSaoPaulo};
        h().MustConfirm(t);
        return t;
    }
    // The asset's current apportionment: "branch+cc cc share" rows.
    QStringList RateioBem(const QString& bem) {
        QStringList out;
        for (const auto& r : erptest::QueryRows(h().db(),
                                                QStringLiteral("SELECT CDFILICCUST, CDCENTCUSBEM, VRRATEBEM FROM RATEIOBEM"
                                                               " WHERE CDBEMATIVO = ? ORDER BY CDFILICCUST"),
                                                {bem}))
            out << QStringLiteral("%1 %2 %3").arg(Str(r[0]), Str(r[1]), QString::number(r[2].toDouble()));
        return out;
    }
    std::vector<double> Stored(const TransferRow& t) {
        std::vector<double> out;
        for (const auto& r : erptest::QueryRows(h().db(),
                                                QStringLiteral("SELECT VRRATEBEM FROM RATEIOITCAPA WHERE NRSEQCAPAOPEBEM = ?"
                                                               " ORDER BY CDFILICCUST, CDCENTCUSBEM"),
                                                {t.capa}))
            out.push_back(r[0].toDouble());
        return out;
    }
};

TEST_P(ServerApportionment, ItemTotalsAreRoundedToCentsBeforeTheLimit) {
    struct Case {
        const char* why;
        QString bem;
        server::Location from;
        std::vector<double> values;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"100.004 rounds to 100.00", kMesa, kMesaAt, {60.002, 40.002}, true},
        {"100.006 rounds to 100.01", kCadeira, kMesaAt, {60.003, 40.003}, false},
        {"82.79 + 8.06 + 9.15 carries binary noise", kArquivo, kArquivoAt, {82.79, 8.06, 9.15}, true},
    };
    const std::vector<std::pair<QString, QString>> pairs = {{kSaoPaulo, kLog}, {kMatriz, kAdm}, {kMatriz, kProd}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const TransferRow t = Transfer(c.bem, c.from);
        orv::TDataSet cds;
        OpenRateio(cds, t);
        for (size_t i = 0; i < c.values.size(); ++i) Add(cds, t, pairs[i].first, pairs[i].second, c.values[i]);
        const QString before = h().Snapshot();
        const auto r = h().app().SetRateio(cds.Delta());
        if (c.accepted) {
            EXPECT_TRUE(r.ok) << Why(r);
            EXPECT_EQ(Stored(t).size(), c.values.size());
        } else {
            EXPECT_TRUE(RefusedWith(r, QString::fromUtf8("A soma dos valores de rateio não pode ser maior que 100%")));
            EXPECT_EQ(h().Snapshot(), before);
        }
    }
}

TEST_P(ServerApportionment, ItemRowsAreEditedAndCheckedAsAWhole) {
    const TransferRow t = Transfer(kMesa, kMesaAt);
    orv::TDataSet cds;
    OpenRateio(cds, t);
    Add(cds, t, kSaoPaulo, kLog, 70.0);
    Add(cds, t, kMatriz, kAdm, 30.0);
    ASSERT_TRUE(h().app().SetRateio(cds.Delta()).ok);

    // Raising one share past the total is refused; lowering another in the same delta passes.
    OpenRateio(cds, t);
    ASSERT_TRUE(cds.Locate(QStringLiteral("CDCENTCUSBEM"), kLog));
    cds.Edit();
    cds.FieldByName("VRRATEBEM").SetAsFloat(80.0);
    cds.Post();
    QString before = h().Snapshot();
    EXPECT_TRUE(RefusedWith(h().app().SetRateio(cds.Delta()), QString::fromUtf8("não pode ser maior que 100%")));
    EXPECT_EQ(h().Snapshot(), before);
    ASSERT_TRUE(cds.Locate(QStringLiteral("CDCENTCUSBEM"), kAdm));
    cds.Edit();
    cds.FieldByName("VRRATEBEM").SetAsFloat(20.0);
    cds.Post();
    const auto both = h().app().SetRateio(cds.Delta());
    ASSERT_TRUE(both.ok) << Why(both);
    EXPECT_EQ(Stored(t), (std::vector<double>{20.0, 80.0}));

    // The same pair twice, a share of zero, a row for a transfer that does not exist, another
    // company's branch or asset, a value longer than its column.
    OpenRateio(cds, t);
    before = h().Snapshot();
    Add(cds, t, kMatriz, kAdm, 1.0);
    EXPECT_TRUE(RefusedWith(h().app().SetRateio(cds.Delta()), QString::fromUtf8("Rateio já Cadastrado.")));
    cds.CancelUpdates();
    Add(cds, t, kMatriz, kProd, 0.0);
    EXPECT_TRUE(RefusedWith(h().app().SetRateio(cds.Delta()), QString::fromUtf8("Valor do rateio deve ser maior que zero.")));
    cds.CancelUpdates();
    TransferRow gone = t;
    gone.capa = QStringLiteral("0000009999");
    Add(cds, gone, kMatriz, kProd, 1.0);
    EXPECT_TRUE(RefusedWith(h().app().SetRateio(cds.Delta()), QString::fromUtf8("A transferência 0000009999 não existe mais.")));
    cds.CancelUpdates();
    Add(cds, t, kFilialDois, kProd, 1.0);
    EXPECT_TRUE(RefusedWith(h().app().SetRateio(cds.Delta()), QString::fromUtf8("A filial 0201 não pertence à empresa 01.")));
    cds.CancelUpdates();
    TransferRow foreign = t;
    foreign.bem = kEmpilhadeira;
    Add(cds, foreign, kMatriz, kProd, 1.0);
    EXPECT_TRUE(RefusedWith(h().app().SetRateio(cds.Delta()), QString::fromUtf8("O bem 0000000010 não pertence à empresa 01.")));
    cds.CancelUpdates();
    Add(cds, t, kMatriz, kProd, 1.0);
    orv::Packet overlong = cds.Delta();
    SetOnWire(overlong, "CDCENTCUSBEM", "20000");
    EXPECT_TRUE(RefusedWith(h().app().SetRateio(overlong), QString::fromUtf8("O campo CDCENTCUSBEM aceita no máximo 4 caracteres.")));
    cds.CancelUpdates();
    EXPECT_EQ(h().Snapshot(), before);

    // The asset's own apportionment follows its last transfer's rows, through deletes too.
    cds.First();
    cds.Delete();
    ASSERT_TRUE(h().app().SetRateio(cds.Delta()).ok);
    EXPECT_EQ(Stored(t), (std::vector<double>{80.0}));
    EXPECT_EQ(RateioBem(kMesa), QStringList{"SP013000 3000 80"});

    // Deleting the transfer takes its apportionment with it, and the asset's goes back to the
    // previous transfer's (none here).
    ASSERT_TRUE(h().app().SetTransFisica(DeleteDelta(h().Transfers(kMesa), t.capa)).ok);
    EXPECT_TRUE(Stored(t).empty());
    EXPECT_TRUE(RateioBem(kMesa).isEmpty());
}

TEST_P(ServerApportionment, AtualizaRatBemReplacesTheAssetsRows) {
    auto packet = [](const std::vector<std::tuple<QString, QString, QString, double>>& rows) {
        const auto s = [](const char* n, int size) { return orv::FieldDef{QString::fromLatin1(n), FieldType::String, size}; };
        std::vector<orv::PacketRow> data;
        for (const auto& [bem, filial, cc, valor] : rows) data.push_back({kEmpresa, bem, filial + cc, cc, valor});
        return orv::MakePacket({s("CDEMPRESA", 2), s("CDBEMATIVO", 10), s("CDFILICCUST", 8), s("CDCENTCUSBEM", 4),
                                {QStringLiteral("VRRATEBEM"), FieldType::Float, 0}},
                               data);
    };

    const auto r = h().app().Atualiza_RatBem(packet({{kMesa, kSaoPaulo, kLog, 82.79}, {kMesa, kMatriz, kAdm, 8.06},
                                                     {kMesa, kMatriz, kProd, 9.15}}));
    ASSERT_TRUE(r.ok) << Why(r);
    EXPECT_EQ(RateioBem(kMesa), QStringList({"00011000 1000 8.06", "00012000 2000 9.15", "SP013000 3000 82.79"}));
    EXPECT_EQ(RateioBem(kCadeira), QStringList({"00011000 1000 100"}));  // another asset is left alone

    const QString before = h().Snapshot();
    EXPECT_TRUE(RefusedWith(h().app().Atualiza_RatBem(packet({{kMesa, kSaoPaulo, kLog, 60.0}, {kMesa, kMatriz, kAdm, 40.006}})),
                            QString::fromUtf8("não pode ser maior que 100%")));
    EXPECT_TRUE(RefusedWith(h().app().Atualiza_RatBem(packet({{kMesa, kSaoPaulo, kLog, 50.0}, {kMesa, kSaoPaulo, kLog, 50.0}})),
                            QString::fromUtf8("Rateio já Cadastrado.")));
    // The second asset's rows are wrong: the first asset's are not replaced either.
    EXPECT_TRUE(RefusedWith(h().app().Atualiza_RatBem(packet({{kMesa, kNorte, kAdm, 100.0}, {kCadeira, kNorte, kAdm, 0.0}})),
                            QString::fromUtf8("Valor do rateio deve ser maior que zero.")));
    EXPECT_TRUE(RefusedWith(h().app().Atualiza_RatBem(packet({{kMesa, kFilialDois, kProd, 100.0}})),
                            QString::fromUtf8("A filial 0201 não pertence à empresa 01.")));
    EXPECT_TRUE(RefusedWith(h().app().Atualiza_RatBem(packet({{kEmpilhadeira, kFilialDois, kProd, 100.0}})),
                            QString::fromUtf8("O bem 0000000010 não pertence à empresa 01.")));
    EXPECT_TRUE(RefusedWith(h().app().Atualiza_RatBem(packet({{kMesa, kMatriz, QStringLiteral("20000"), 100.0}})),
                            QString::fromUtf8("O campo CDFILICCUST aceita no máximo 8 caracteres.")));
    EXPECT_EQ(h().Snapshot(), before);
}

ERP_INSTANTIATE_ON_ENGINES(ServerApportionment);

}  // namespace
}  // namespace srvtest
