// Recording, confirming and undoing a transfer through the screen, checked in the database.
#include "tests/screen/ScreenHarness.h"

#include "orv/NetConnection.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/Widgets.h"

#include <QDate>
#include <QSqlQuery>

#include <ctime>

#include <gtest/gtest.h>

using namespace screentest;
using zmt02600::TFrmTransferenciaFisica;

namespace {

QString Today() { return QDate::currentDate().toString("dd/MM/yyyy"); }


// Where the database says the asset is: "branch/cost centre/sector/responsible".
QString AssetAt(ScreenHarness& h, const QString& bem) {
    QSqlQuery q(h.db());
    q.prepare("SELECT CDFILIAL, CDCENTCUST, CDSETOR, CDOPERESPBEM FROM BEMATIVO WHERE CDBEMATIVO = :B");
    q.bindValue(":B", bem);
    if (!q.exec() || !q.next()) return "?";
    return QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()}.join('/');
}

// A new transfer of the open asset with valid type and motive, to the given location.
void StartTransfer(ScreenHarness& h, const QString& filial, const QString& centCust, const QString& setor = {},
                   const QString& oper = {}) {
    TFrmTransferenciaFisica& f = h.frm();
    h.Click(f.sbtIncluir);
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    h.Set(f.dbeCdTipoOper, "1");
    h.Set(f.dbeCdMotivoOper, "1");
    h.Set(f.dbeCdFilialNovo, filial);
    h.Set(f.dbeCdCentCustNovo, centCust);
    h.Set(f.dbeCdSetorNovo, setor);
    h.Set(f.dbeCdOperNovo, oper);
}

// The process's local time zone for one test.
class LocalZone {
public:
    explicit LocalZone(const char* zone) : old_(qgetenv("TZ")) { Set(zone); }
    ~LocalZone() { Set(old_.isNull() ? nullptr : old_.constData()); }

private:
    static void Set(const char* zone) {
        if (zone) qputenv("TZ", zone); else qunsetenv("TZ");
        tzset();
    }
    QByteArray old_;
};

int Count(ScreenHarness& h, const QString& bem) {
    return h.Sql(QString("SELECT COUNT(*) FROM ITCAPAOPERABEM WHERE CDBEMATIVO = '%1'").arg(bem)).toInt();
}

}  // namespace

TEST(Transfer, InsertTakesServerNumbersAndConfirmMovesTheAsset) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100001");
    ASSERT_EQ(f.cdsCapa.RecordCount(), 0);
    StartTransfer(h, "2", "1");
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000004");
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQITCAPAOPE"), "0000000004");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCANTE"), "0001");
    EXPECT_EQ(f.dbeNmFilialAnte->text(), "Matriz São Paulo");
    EXPECT_EQ(f.depDataTransf->text(), Today());

    h.Click(f.sbtConfirmar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(h.host().statuses, QStringList{"Transferência nº 0000000004 gravada"});
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Browse);
    ASSERT_EQ(f.cdsCapa.RecordCount(), 1);
    EXPECT_EQ(f.cdsCapa.ChangeCount(), 0);
    // Completed before post: codes normalised, identity, status, the operator, the values.
    EXPECT_EQ(FieldText(f.cdsCapa, "CDTIPOOPERBEM"), "000001");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCNOVO"), "0002");
    EXPECT_EQ(FieldText(f.cdsCapa, "IDIDENTCAPAOPER"), "03");
    EXPECT_EQ(FieldText(f.cdsCapa, "IDSITCAPAOPER"), "2");
    EXPECT_EQ(FieldText(f.cdsCapa, "OPERINCL"), "Administrador do Sistema");
    EXPECT_EQ(f.cdsCapa.FieldByName("VRITCAPAOPERA").AsFloat(), 4500.0);
    EXPECT_EQ(f.cdsCapa.FieldByName("QTITCAPAOPEANTE").AsFloat(), 1.0);
    // With no responsible typed, the operation's responsible is the operator and the asset has none.
    EXPECT_EQ(FieldText(f.cdsCapa, "CDOPERESPOPERA"), "000000000001");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDOPERESPBEMNOV"), "");
    EXPECT_EQ(AssetAt(h, fx::kNotebook), "0002/0001//");
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(Transfer, SameBranchIsRefusedAndEmptiedEvenWhenTheRestDiffers) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100001");
    StartTransfer(h, "1", "2", "", "3");  // Matriz again, another cost centre and responsible
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Localização atual não pode ser igual anterior."});
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCNOVO"), "");
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "");
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdFilialNovo);
    EXPECT_EQ(Count(h, fx::kNotebook), 0);
}

TEST(Transfer, DateRulesOnExitAndBeforePost) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    // The notebook was last depreciated on 30/09/2026: that day passes the exit check.
    h.OpenAsset("01", "100001");
    StartTransfer(h, "2", "1");
    h.Focus(f.depDataTransf);
    h.Set(f.depDataTransf, "30/09/2026");
    h.Focus(f.dbeCdTipoOper);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    h.Focus(f.depDataTransf);
    h.Set(f.depDataTransf, "29/09/2026");
    h.Focus(f.dbeCdTipoOper);
    EXPECT_EQ(h.TakeMessages(),
              QStringList{"Data da Transferência deve ser maior que a data da última depreciação do bem."});
    EXPECT_EQ(orv::ActiveControl(&f), f.depDataTransf);
    h.Set(f.depDataTransf, "");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Data da Operação deve ser informada."});
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
}

TEST(Transfer, DateOfTheLastOperationPostsAndADayEarlierIsRefused) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");  // last transfer on 20/06/2025, now at Jundiaí
    StartTransfer(h, "1", "1");
    h.Set(f.depDataTransf, "19/06/2025");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Data da operação não pode ser menor que a última data de operação."});
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_EQ(orv::ActiveControl(&f), f.depDataTransf);

    h.Set(f.depDataTransf, "20/06/2025");
    h.Click(f.sbtConfirmar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.cdsCapa.RecordCount(), 3);
    EXPECT_EQ(AssetAt(h, fx::kEmpilhadeira), "0001/0001//");
}

TEST(Transfer, RecipientCodeWithoutANameIsDropped) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100001");
    StartTransfer(h, "2", "1");
    f.cdsCapa.FieldByName("CDCLIENTE").SetAsString("000000000000000000001");
    h.Click(f.sbtConfirmar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_TRUE(f.cdsCapa.FieldByName("CDCLIENTE").IsNull());
    EXPECT_TRUE(h.Sql("SELECT CDCLIENTE FROM CAPAOPERABEM WHERE NRSEQCAPAOPEBEM = '0000000004'").isNull());
}

TEST(Transfer, ConfirmingWithNothingPendingChangesNothing) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");
    const QString before = AssetAt(h, fx::kEmpilhadeira);
    h.Click(f.sbtConfirmar);  // enabled or not, the handler must cope with a null delta
    f.sbtConfirmarClick();
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(Count(h, fx::kEmpilhadeira), 2);
    EXPECT_EQ(AssetAt(h, fx::kEmpilhadeira), before);
}

// "origin -> destination" of a stored transfer, as the database has it.
QString StoredMove(ScreenHarness& h, const QString& capa) {
    QSqlQuery q(h.db());
    q.prepare("SELECT CDFILIALITCANTE, CDCENTCUITCANTE, CDSETORITCANTE, CDOPERESPBEMANT, CDFILIALITCNOVO,"
              " CDCENTCUITCNOVO, CDSETORITCNOVO, CDOPERESPBEMNOV FROM ITCAPAOPERABEM WHERE NRSEQCAPAOPEBEM = :C");
    q.bindValue(":C", capa);
    if (!q.exec() || !q.next()) return "?";
    QStringList v;
    for (int i = 0; i < 8; ++i) v << q.value(i).toString();
    return v.mid(0, 4).join('/') + " -> " + v.mid(4).join('/');
}

TEST(Transfer, EditingTheLastTransferKeepsItsOriginAndUndoingItRestoresThatOrigin) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");
    f.cdsCapa.Last();
    ASSERT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000002");
    const QString stored = "0002/0001/0001/000000000002 -> 00A1/0003/0003/000000000003";
    ASSERT_EQ(StoredMove(h, "0000000002"), stored);

    // Changed nothing: the stored transfer stays as it was.
    h.Click(f.sbtAlterar);
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Edit);
    EXPECT_FALSE(f.medEmpresa->isEnabled());  // the panel is off while editing
    h.Click(f.sbtConfirmar);
    ASSERT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(StoredMove(h, "0000000002"), stored);
    EXPECT_EQ(AssetAt(h, fx::kEmpilhadeira), "00A1/0003/0003/000000000003");

    // A destination equal to the stored origin is refused; another one corrects the destination only.
    h.Click(f.sbtAlterar);
    h.Set(f.dbeCdFilialNovo, "0002");
    h.Set(f.dbeCdCentCustNovo, "0001");
    h.Set(f.dbeCdSetorNovo, "");
    h.Set(f.dbeCdOperNovo, "");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Localização atual não pode ser igual anterior."});
    h.Set(f.dbeCdFilialNovo, "0001");
    h.Click(f.sbtConfirmar);
    ASSERT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(StoredMove(h, "0000000002"), "0002/0001/0001/000000000002 -> 0001/0001//");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCANTE"), "0002");
    EXPECT_EQ(AssetAt(h, fx::kEmpilhadeira), "0001/0001//");
    EXPECT_TRUE(f.medEmpresa->isEnabled());

    // Undone, the asset goes back to the origin the transfer always had.
    h.host().answers.push_back(true);  // "Confirma exclusão?"
    h.Click(f.sbtExcluir);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(Count(h, fx::kEmpilhadeira), 1);
    EXPECT_EQ(AssetAt(h, fx::kEmpilhadeira), "0002/0001/0001/000000000002");
    EXPECT_EQ(f.cdsCapa.RecordCount(), 1);
    EXPECT_EQ(f.cdsCapa.ChangeCount(), 0);
}

TEST(Transfer, DeletingPutsTheAssetBackAndARefusedDeletionBringsTheRecordBack) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");
    f.cdsCapa.Last();
    const QString bloqueada = "Operação Bloqueada. Só é permitido excluir a última Transferência Física cadastrada.";

    // Moved outside the transfers: undoing would put the asset where no transfer says it went.
    QSqlQuery q(h.db());
    ASSERT_TRUE(q.exec("UPDATE BEMATIVO SET CDFILIAL = '0001' WHERE CDBEMATIVO = '0000000004'"));
    h.host().answers.push_back(true);
    h.Click(f.sbtExcluir);
    EXPECT_EQ(h.TakeMessages(), QStringList{bloqueada});
    EXPECT_EQ(f.cdsCapa.RecordCount(), 2);
    EXPECT_EQ(f.cdsCapa.ChangeCount(), 0);
    EXPECT_EQ(AssetAt(h, fx::kEmpilhadeira), "0001/0003/0003/000000000003");
    ASSERT_TRUE(q.exec("UPDATE BEMATIVO SET CDFILIAL = '00A1' WHERE CDBEMATIVO = '0000000004'"));
    f.cdsCapa.Last();

    // Meanwhile another clerk records a later transfer of the same asset.
    orv::TNetConnection other;
    other.Host = "127.0.0.1";
    other.Port = h.port();
    other.SetConnected(true);
    ASSERT_TRUE(other.Connected());
    QString bem = fx::kEmpilhadeira;
    QString capa = other.AppServer().PrxCapaOperaBem("01", "R").value.get<std::string>().c_str();
    QString item = other.AppServer().PrxItCapaOperaBem("01", "R", capa).value.get<std::string>().c_str();
    orv::TDataSet cds;
    for (const auto& d : f.cdsCapa.FieldDefs()) cds.AddField(d);
    cds.CreateDataSet();
    cds.Append();
    auto set = [&](const char* n, const QVariant& v) { cds.FieldByName(n).SetValue(v); };
    set("CDEMPRESA", "01");
    set("NRSEQCAPAOPEBEM", capa);
    set("NRSEQITCAPAOPE", item);
    set("CDBEMATIVO", bem);
    set("DTCAPAOPEBEM", QDateTime(QDate(2025, 7, 1), QTime(0, 0)));
    set("CDTIPOOPERBEM", "000001");
    set("IDIDENTCAPAOPER", "03");
    set("IDSITCAPAOPER", "2");
    set("CDFILIALITCNOVO", "0001");
    set("CDCENTCUITCNOVO", "0001");
    cds.Post();
    nlohmann::json delta = cds.Delta(), second;
    ASSERT_TRUE(other.AppServer().SetConfirmar(delta, second).ok);

    // Our list still shows 0000000002 as the last: the server refuses to undo it.
    h.host().answers.push_back(true);
    h.Click(f.sbtExcluir);
    EXPECT_EQ(h.TakeMessages(), QStringList{bloqueada});
    EXPECT_EQ(f.cdsCapa.RecordCount(), 3);  // reloaded: ours is back, the other's shows up
    EXPECT_EQ(Count(h, fx::kEmpilhadeira), 3);
    EXPECT_EQ(h.host().busyDepth, 0);

    // Now the real last one goes, and the asset is back where it was before it.
    f.cdsCapa.Last();
    ASSERT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), capa);
    h.host().answers.push_back(true);
    h.Click(f.sbtExcluir);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(AssetAt(h, fx::kEmpilhadeira), "00A1/0003/0003/000000000003");
    EXPECT_EQ(Count(h, fx::kEmpilhadeira), 2);
}

TEST(Transfer, CancellingAnInsertAsksAndShowsTheListOfAnEmptyAsset) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100001");
    StartTransfer(h, "2", "1");
    h.host().answers.push_back(false);
    h.Click(f.sbtCancelar);
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);  // "no" keeps it
    h.host().answers.push_back(true);
    h.Click(f.sbtCancelar);
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Browse);
    EXPECT_EQ(f.cdsCapa.RecordCount(), 0);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    EXPECT_EQ(h.host().questions.size(), 2);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(Transfer, ARefusalAtConfirmationKeepsTheChangesPendingAndTheListAsItWas) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100002");
    StartTransfer(h, "2", "1");
    // Someone moves the asset directly before we confirm: our previous location is stale.
    QSqlQuery q(h.db());
    ASSERT_TRUE(q.exec("UPDATE BEMATIVO SET CDFILIAL = '00A1', CDCENTCUST = '0003' WHERE CDBEMATIVO = '0000000002'"));
    h.Click(f.sbtConfirmar);
    const QStringList messages = h.TakeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("movimentado")) << messages[0].toStdString();
    EXPECT_EQ(f.cdsCapa.ChangeCount(), 1);
    EXPECT_EQ(f.cdsCapa.RecordCount(), 1);
    EXPECT_EQ(Count(h, fx::kMesa), 0);
    EXPECT_TRUE(h.host().statuses.isEmpty());  // nothing was recorded
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(Transfer, BrowsingLeavesTheDateFreelyAndAnUnreachableServerIsReportedOnce) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    // The last transfer is dated before a depreciation that came after it.
    QSqlQuery q(h.db());
    ASSERT_TRUE(q.exec("UPDATE BEMATIVO SET DTULTDEPBEM = '2026-01-31' WHERE CDBEMATIVO = '0000000004'"));
    h.OpenAsset("01", "100004");
    f.cdsCapa.Last();
    h.Trigger(f.mnuFormulario);
    h.Focus(f.depDataTransf);
    h.Focus(f.dbeCdFilialNovo);
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdFilialNovo);
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    // The server goes away once the insert has started: when its numbers are asked for.
    h.host().onBusy = [&h](int kind) {
        if (kind == 1) h.StopServer();
    };
    h.Click(f.sbtIncluir);
    h.host().onBusy = nullptr;
    EXPECT_EQ(h.TakeMessages().size(), 1);
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Browse);
    EXPECT_EQ(h.host().busyDepth, 0);
}

// A server that dies (or is taken out of the balancer) while the clerk confirms: the transfer
// stays typed on the screen, and the same Confirmar records it once a server answers again.
TEST(Transfer, AServerLostAtConfirmationKeepsTheTransferForTheNextTry) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100002");
    StartTransfer(h, "2", "1");
    const QString capa = FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM");
    h.StopServer();
    h.Click(f.sbtConfirmar);
    const QStringList messages = h.TakeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Falha de comunicação com o servidor de aplicação.")) << messages[0].toStdString();
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "0002");
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), capa);
    EXPECT_EQ(Count(h, "0000000002"), 0);
    EXPECT_EQ(h.host().busyDepth, 0);

    h.RestartServer();
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Browse);
    EXPECT_EQ(Count(h, "0000000002"), 1);
    EXPECT_EQ(AssetAt(h, "0000000002").section('/', 0, 0), "0002");
}

// Brazilian clocks moved forward at midnight on 2018-11-04: that day had no local midnight.
TEST(Transfer, ADayWithoutALocalMidnightIsAnOrdinaryDate) {
    LocalZone zone("America/Sao_Paulo");
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100002");
    StartTransfer(h, "2", "1");
    h.Set(f.depDataTransf, "04/11/2018");
    h.Click(f.sbtConfirmar);
    ASSERT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(h.Sql("SELECT C.DTCAPAOPEBEM FROM CAPAOPERABEM C JOIN ITCAPAOPERABEM I ON I.CDEMPRESA = C.CDEMPRESA"
                    " AND I.NRSEQCAPAOPEBEM = C.NRSEQCAPAOPEBEM WHERE I.CDBEMATIVO = '0000000002'")
                  .toString(),
              "2018-11-04");
    ASSERT_EQ(f.cdsCapa.RecordCount(), 1);
    EXPECT_EQ(f.cdsCapa.FieldByName("DTCAPAOPEBEM").DisplayText(), "04/11/2018");
    EXPECT_EQ(f.depDataTransf->text(), "04/11/2018");
}
