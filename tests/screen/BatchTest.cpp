// The batch dialog driven as a clerk would, from the main screen's button, against the real
// server: the checks of the confirmation, list and all modes, and the one delta it sends.
#include "tests/screen/ScreenHarness.h"

#include "Cli_zmt02602/TfrmCadAuto.h"
#include "orv/widgets/FocusManager.h"
#include "tests/support/Printers.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace screentest;
using zmt02602::TfrmCadAuto;

namespace {

// The number of transfers and where the database says each of the assets is.
QString State(ScreenHarness& h) {
    QStringList out{h.Sql("SELECT COUNT(*) FROM ITCAPAOPERABEM").toString()};
    QSqlQuery q(h.db());
    q.exec("SELECT CDBEMATIVO, CDFILIAL, CDCENTCUST FROM BEMATIVO WHERE CDEMPRESA = '01' ORDER BY CDBEMATIVO");
    while (q.next()) out << q.value(0).toString().right(1) + "@" + q.value(1).toString() + "/" + q.value(2).toString();
    return out.join(' ');
}

// Type, motive and new location typed and left as a clerk would.
void FillOperation(ScreenHarness& h, TfrmCadAuto& d, const QString& filial, const QString& centCust) {
    h.Type(d.dbeCdTipoOper, "1");
    h.Type(d.dbeCDMOTIVOOPER, "1");
    h.Set(d.dbeCdFilialNovo, "");
    h.Type(d.dbeCdFilialNovo, filial);
    h.Set(d.dbeCdCentCustNovo, "");
    h.Type(d.dbeCdCentCustNovo, centCust);
    h.Focus(d.dbeCdSetorNovo);
}

void OpenBatch(ScreenHarness& h, const std::function<void(TfrmCadAuto&)>& steps) {
    h.Modal([&h] { h.Click(h.frm().sbtCadAut); }, [&steps](QDialog& d) { steps(static_cast<TfrmCadAuto&>(d)); });
}

}  // namespace

TEST(Batch, ListedAssetsMoveInOneDeltaAndEachUndoesToItsOwnOrigin) {
    ScreenHarness h;
    h.OpenAsset("01", "100004");
    const QString before = State(h);
    OpenBatch(h, [&h](TfrmCadAuto& d) {
        EXPECT_EQ(d.windowTitle(), "Cadastramento Automático");
        // What must be given, in order; the asset list needs its groups and branches first.
        h.Click(d.sbtConfirma);
        EXPECT_EQ(h.TakeMessages(), QStringList{"Grupo de bem deve ser informado."});
        EXPECT_EQ(orv::ActiveControl(&d), d.rbtGrupoBLista);
        h.Click(d.rbtGrupoBtodos);
        EXPECT_FALSE(d.btpGrupo->isEnabled());
        h.Click(d.sbtConfirma);
        EXPECT_EQ(h.TakeMessages(), QStringList{"Bem deve ser informado."});
        h.Click(d.btpBem);
        EXPECT_EQ(h.TakeMessages(), QStringList{"Filial deve ser informada."});
        h.Click(d.rbtTodosFil);
        h.host().pickManys.push_back({false, {"0000000004", "0000000001", "0000000002"}});
        h.Click(d.btpBem);
        EXPECT_EQ(stListaBem, "0000000004_0000000001_0000000002");
        h.Click(d.sbtConfirma);
        EXPECT_EQ(h.TakeMessages(), QStringList{"Tipo de Operação deve ser informado."});
        FillOperation(h, d, "2", "1");
        EXPECT_EQ(d.dbeNmFilialNovo->text(), "Filial Campinas");
        EXPECT_TRUE(h.TakeMessages().isEmpty());
        h.Click(d.sbtConfirma);
        EXPECT_TRUE(h.TakeMessages().isEmpty());
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(frmCadAuto, nullptr);
    EXPECT_TRUE(stListaGrupo.isEmpty());
    EXPECT_EQ(State(h), "6 1@0002/0001 2@0002/0001 3@/ 4@0002/0001 5@0002/0001");
    EXPECT_NE(before, State(h));
    // One header each; the responsible is the clerk, the asset's responsible is left empty.
    EXPECT_EQ(h.Sql("SELECT COUNT(DISTINCT NRSEQCAPAOPEBEM) FROM CAPAOPERABEM").toInt(), 6);
    EXPECT_EQ(h.Sql("SELECT COUNT(*) FROM CAPAOPERABEM WHERE CDOPERESPOPERA = '000000000001'"
                    " AND NRSEQCAPAOPEBEM > '0000000003'").toInt(), 3);
    EXPECT_EQ(h.Sql("SELECT COUNT(*) FROM ITCAPAOPERABEM WHERE CDOPERESPBEMNOV IS NULL"
                    " AND NRSEQCAPAOPEBEM > '0000000003'").toInt(), 3);
    // The main screen reloaded; undoing the Empilhadeira's batch transfer puts it back at its
    // own origin, cost centre included.
    EXPECT_EQ(h.frm().cdsCapa.RecordCount(), 3);
    h.frm().cdsCapa.Last();
    h.host().answers.push_back(true);
    h.Click(h.frm().sbtExcluir);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(h.Sql("SELECT CDFILIAL || '/' || CDCENTCUST || '/' || CDSETOR FROM BEMATIVO WHERE CDBEMATIVO = '0000000004'")
                  .toString(),
              "00A1/0003/0003");
}

TEST(Batch, AnAssetAlreadyThereStopsAllAndAnAssetOutsideTheBranchesIsSkippedAndTold) {
    ScreenHarness h;
    h.OpenAsset("01", "100001");
    const QString before = State(h);
    OpenBatch(h, [&](TfrmCadAuto& d) {
        h.Click(d.rbtGrupoBtodos);
        h.Click(d.rbtTodosFil);
        h.host().pickManys.push_back({false, {"0000000005", "0000000001"}});
        h.Click(d.btpBem);
        // The Armário already stands in Campinas: nothing of the batch is sent.
        FillOperation(h, d, "2", "1");
        h.Click(d.sbtConfirma);
        EXPECT_EQ(h.TakeMessages(), QStringList{"Localização atual não pode ser igual anterior."});
        EXPECT_EQ(orv::ActiveControl(&d), d.dbeCdFilialNovo);
        EXPECT_EQ(State(h), before);
        // Only Campinas' assets: the Notebook (Matriz) is left out and the clerk is told once.
        h.Click(d.rbtListaFil);
        h.host().pickManys.push_back({false, {"0002"}});
        h.Click(d.BtnPesqFilial);
        FillOperation(h, d, "1", "1");
        h.Set(d.depData, "15/01/2030");  // not before the Armário's last transfer
        h.Click(d.sbtConfirma);
        EXPECT_EQ(h.TakeMessages(),
                  QStringList{"Bens da lista não encontrados na empresa ou nas filiais escolhidas, "
                              "deixados sem transferência: 1."});
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(State(h), "4 1@0001/0001 2@0001/0001 3@/ 4@00A1/0003 5@0001/0001");
    // The numbers of the refused attempt (4 and 5, one per listed asset) were not reused.
    EXPECT_EQ(h.Sql("SELECT MAX(NRSEQCAPAOPEBEM) FROM CAPAOPERABEM").toString(), "0000000006");
}
