// The history of a place: the transfers into and out of it over a period, and the assets that
// were there on a day, on a small history recorded through the server itself.

#include "tests/server/Harness.h"

namespace srvtest {
namespace {

using namespace fx;

class ServerHistorico : public ServerTest {
protected:
    contracts::ServerResult Call(const char* method, const nlohmann::json& params) {
        return h().net().Call(method, params);
    }
    // One line per row: the fields named, as the client reads them, joined by "|".
    static QStringList Lines(const contracts::ServerResult& r, const QStringList& fields) {
        EXPECT_TRUE(r.ok) << Why(r);
        orv::TDataSet ds;
        ds.SetData(r.value);
        QStringList out;
        for (ds.First(); !ds.Eof(); ds.Next()) {
            QStringList cells;
            for (const QString& f : fields) {
                const orv::TField& field = ds.FieldByName(f);
                cells << (field.DataType() == orv::FieldType::DateTime
                              ? field.AsDateTime().date().toString(Qt::ISODate)
                              : field.AsString());
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    QStringList History(const QString& filial, const QString& cc, const QString& setor) {
        return Lines(Call("GetHistLocalizacao", {"01", filial.toStdString(), cc.toStdString(), setor.toStdString(),
                                                 "2026-12-01", "2026-12-31"}),
                     {"DTCAPAOPEBEM", "IDMOVIMENTO", "CDPATRIBEMATIVO"});
    }
    QStringList Present(const char* day) {
        return Lines(Call("GetBensLocalizacao", {"01", "0002", "", "", day}), {"CDPATRIBEMATIVO", "DTCHEGADA"});
    }
    void Move(const QString& bem, const server::Location& from, const server::Location& to, QDate date) {
        TransferRow row{bem, from, to, date};
        h().MustConfirm(row);
    }
};

TEST_P(ServerHistorico, TransfersInAndOutOfAPlaceAndTheAssetsThereOnADay) {
    const server::Location norteContab{kNorte, kAdm, kContab, kMaria};
    const server::Location estanteAt{kNorte, kAdm, {}, {}};
    Move(kCadeira, kMesaAt, kNoNorte, {2026, 11, 30});          // in, the day before the period
    Move(kMesa, kMesaAt, norteContab, {2026, 12, 5});           // in ...
    Move(kArmario, kArmarioAt, kEmSaoPaulo, {2026, 12, 10});    // elsewhere
    Move(kMesa, norteContab, kEmSaoPaulo, {2026, 12, 20});      // ... and out again
    Move(kArquivo, kArquivoAt, kNoNorte, {2026, 12, 31});       // in, on the period's last day
    Move(kEstante, estanteAt, kMesaAt, {2027, 1, 10});          // out, after the period

    EXPECT_EQ(History(kNorte, {}, {}),
              QStringList({"2026-12-05|E|1001", "2026-12-20|S|1001", "2026-12-31|E|1006"}));
    // Narrowed to a sector of a cost centre: only what went in or out of that sector.
    EXPECT_EQ(History(kNorte, kAdm, kContab), QStringList({"2026-12-05|E|1001", "2026-12-20|S|1001"}));
    EXPECT_EQ(History(kMatriz, kProd, {}), QStringList({"2026-12-10|S|1004"}));
    EXPECT_EQ(History(kMatriz, {}, {}), QStringList({"2026-12-05|S|1001", "2026-12-10|S|1004", "2026-12-31|S|1006"}));
    // A row says where from, where to, what, why and who, with names. (One day holds fewer
    // transfers than the place: this list is walked from the dates, the ones above from the place.)
    const QStringList row = Lines(Call("GetHistLocalizacao", {"01", "0002", "", "", "2026-12-20", "2026-12-20"}),
                                  {"CDBEMATIVO", "NMBEMATIVO", "CDFILIALITCANTE", "NMFILIALANTE", "CDSETORITCANTE",
                                   "NMFILIALNOVO", "NMTIPOOPERBEM", "NMMOTIVOOPER", "NMOPERADOR"});
    EXPECT_EQ(row, QStringList({QString::fromUtf8("0000000001|Mesa de escritório em L|0002|Filial Norte|S001|"
                                                  "Filial São Paulo|Transferência física|Mudança de setor|"
                                                  "Administrador do Sistema")}));

    // Who was at Norte at the end of each day, and since when (after the last day nothing left
    // later: walked from the dates).
    EXPECT_EQ(Present("2026-11-01"), QStringList({"1005|"}));
    EXPECT_EQ(Present("2026-12-10"), QStringList({"1001|2026-12-05", "1002|2026-11-30", "1005|"}));
    EXPECT_EQ(Present("2026-12-20"), QStringList({"1002|2026-11-30", "1005|"}));  // the Mesa left that day
    EXPECT_EQ(Present("2027-01-10"), QStringList({"1002|2026-11-30", "1006|2026-12-31"}));
    EXPECT_EQ(Lines(Call("GetBensLocalizacao", {"01", "0002", "1000", "S001", "2026-12-10"}), {"CDPATRIBEMATIVO"}),
              QStringList({"1001"}));

    EXPECT_TRUE(RefusedWith(Call("GetHistLocalizacao", {"01", "0201", "", "", "2026-12-01", "2026-12-31"}),
                            QString::fromUtf8("A filial 0201 não pertence à empresa 01.")));
    EXPECT_TRUE(RefusedWith(Call("GetHistLocalizacao", {"01", "", "", "", "2026-12-01", "2026-12-31"}),
                            QString::fromUtf8("Filial deve ser informada.")));
    EXPECT_TRUE(RefusedWith(Call("GetHistLocalizacao", {"01", "0002", "", "", "2026-12-31", "2026-12-01"}),
                            QString::fromUtf8("A data inicial não pode ser posterior à data final.")));
    EXPECT_TRUE(RefusedWith(Call("GetBensLocalizacao", {"01", "0002", "", "", "2026-02-30"}),
                            QString::fromUtf8("Data da posição inválida")));
}

ERP_INSTANTIATE_ON_ENGINES(ServerHistorico);

}  // namespace

}  // namespace srvtest
