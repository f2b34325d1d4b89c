// The accounting parameters page: rows typed and picked into the grid as a clerk would, each
// code checked on leaving its column, each row saved on the server at once.
#include "tests/screen/ScreenHarness.h"

#include "orv/widgets/DBGrid.h"
#include "orv/widgets/PageControl.h"
#include "tests/support/Fixture.h"
#include "tests/support/Printers.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace screentest;
using orv::DataSetState;
using zmt02600::TFrmTransferenciaFisica;

namespace {

const QString kTipo = QStringLiteral("CDTIPOCONTABEM");
const QString kConta = QStringLiteral("CDCONTCTBLBEM");
const QString kHist = QStringLiteral("CDHISTPADR");

// The last transfer of the asset, on the accounting page.
void OpenAccounting(ScreenHarness& h, const QString& patrimonio) {
    h.OpenAsset(fx::kEmpresa, patrimonio);
    h.frm().cdsCapa.Last();
    h.Click(h.frm().tshParamContabil);
    ASSERT_EQ(h.frm().pgcPadrao->currentWidget(), h.frm().tshParamContabil);
    ASSERT_EQ(h.frm().dtsPadrao.DataSet(), &h.frm().cdsCtblBemAtivo);
}

// "company|type|account|history|creator|changer;..." as the server keeps the asset's rows.
QString Stored(ScreenHarness& h, const char* bem) {
    QStringList rows;
    for (const QVariantList& r : erptest::QueryRows(
             h.db(), QString("SELECT CDEMPRESA, CDTIPOCONTABEM, CDCONTCTBLBEM, CDHISTPADR, CDOPEINCCTBLBEM, CDOPEATUCTBLBEM"
                             "  FROM CTBLBEMATIVO WHERE CDBEMATIVO = '%1' ORDER BY CDTIPOCONTABEM").arg(bem))) {
        QStringList cells;
        for (const QVariant& v : r) cells << v.toString();
        rows << cells.join('|');
    }
    return rows.join(';');
}

void Exec(ScreenHarness& h, const QString& sql) {
    QSqlQuery q(h.db());
    ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
}

}  // namespace

TEST(Accounting, RowTypedIntoAnEmptyGridIsCheckedNormalisedAndSaved) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    orv::TDBGrid* g = f.dbgCtblBemAtivo;
    OpenAccounting(h, "100005");
    EXPECT_EQ(f.cdsCtblBemAtivo.RecordCount(), 0);
    EXPECT_FALSE(f.sbtAlterar->isEnabled());
    EXPECT_FALSE(f.sbtExcluir->isEnabled());

    // A letter is no code: nothing starts. A digit on the empty grid starts the row.
    h.CellKeys(g, 0, kTipo, "x");
    EXPECT_EQ(f.cdsCtblBemAtivo.State(), DataSetState::Browse);
    h.CellKeys(g, 0, kTipo, "1x");
    EXPECT_EQ(f.cdsCtblBemAtivo.State(), DataSetState::Insert);
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "CDTIPOCONTABEM"), "1");

    // Each code is checked as its column is left; an unknown history keeps the clerk there.
    h.CellKeys(g, 0, kConta, "42110001");
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "CDTIPOCONTABEM"), "000001");
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "NMTIPOCONTABEM"), "Custo de aquisição");
    h.CellKeys(g, 0, kHist, "9");
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "NMCONTCTBL"), "Despesa de depreciação");
    h.CellKeys(g, 0, kTipo, "");
    EXPECT_EQ(h.TakeMessages(), QStringList{"Histórico padrão não cadastrado."});
    EXPECT_EQ(g->SelectedField()->FieldName(), kHist);

    // An empty history may be left, but not posted.
    h.Cell(g, 0, kHist, "");
    h.CellKeys(g, 0, kTipo, "");
    EXPECT_EQ(h.TakeMessages(), QStringList());
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Histórico padrão deve ser informado."});
    EXPECT_EQ(f.cdsCtblBemAtivo.State(), DataSetState::Insert);
    EXPECT_EQ(g->SelectedField()->FieldName(), kHist);

    // Saved at once: the history normalised, the company, asset and operators filled.
    h.CellKeys(g, 0, kHist, "7");
    h.Click(f.sbtConfirmar);
    ASSERT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(Stored(h, "0000000005"), "01|000001|42110001|0007|000000000001|000000000001");
    EXPECT_TRUE(f.sbtAlterar->isEnabled());
    EXPECT_TRUE(f.sbtExcluir->isEnabled());

    // An edit changes only the operator of the last change: a row Maria made stays hers, and
    // the clerk logged in at the screen is the one who changed it.
    h.Sql("UPDATE CTBLBEMATIVO SET CDOPEINCCTBLBEM = '000000000002', CDOPEATUCTBLBEM = '000000000002'"
          " WHERE CDBEMATIVO = '0000000005'");
    h.Cell(g, 0, kHist, "2");
    h.Click(f.sbtConfirmar);
    ASSERT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(Stored(h, "0000000005"), "01|000001|42110001|0002|000000000002|000000000001");

    // A delete is saved at once too; with no row left there is nothing to change.
    h.host().answers.push_back(true);
    h.Click(f.sbtExcluir);
    EXPECT_EQ(Stored(h, "0000000005"), "");
    EXPECT_FALSE(f.sbtAlterar->isEnabled());
    EXPECT_FALSE(f.sbtExcluir->isEnabled());
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(Accounting, PicksAddRowsAndTheServersRowsDecide) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    orv::TDBGrid* g = f.dbgCtblBemAtivo;
    OpenAccounting(h, "100004");
    ASSERT_EQ(f.cdsCtblBemAtivo.RecordCount(), 1);

    // A pick while browsing makes a new row; the account list shows the configured layout.
    h.host().picks.push_back({false, "CDTIPOCONTABEM", "000002"});
    h.CellButton(g, 0, kTipo);
    ASSERT_EQ(f.cdsCtblBemAtivo.State(), DataSetState::Insert);
    const int nova = g->Model()->CurrentRow();
    h.host().picks.push_back({false, "CDCONTCTBL", "12330001"});
    h.CellButton(g, nova, kConta);
    EXPECT_EQ(h.host().lastList, QStringList({"1.2.3.2.0001", "1.2.3.3.0001", "4.2.1.1.0001"}));
    h.host().picks.push_back({false, "CDHISTPADR", "0002"});
    h.CellButton(g, nova, kHist);
    h.Click(f.sbtConfirmar);
    ASSERT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(Stored(h, "0000000004"), "01|000001|12320001|0001|000000000002|000000000002;"
                                       "01|000002|12330001|0002|000000000001|000000000001");

    // The rows are the asset's: another transfer shows them as they were, the page reloads them.
    Exec(h, "INSERT INTO CTBLBEMATIVO (CDEMPRESA, CDBEMATIVO, CDTIPOCONTABEM, CDCONTCTBLBEM, CDHISTPADR)"
            " VALUES ('01', '0000000004', '000003', '42110001', '0002')");
    f.cdsCapa.First();
    f.cdsCapa.Last();
    EXPECT_EQ(f.cdsCtblBemAtivo.RecordCount(), 2);
    h.Click(f.tshPadrao);
    h.Click(f.tshParamContabil);
    ASSERT_EQ(f.cdsCtblBemAtivo.RecordCount(), 3);

    // Typing clears the account's name; keeping the account skips the count and names it again.
    h.CellKeys(g, 0, kConta, "1232000");
    EXPECT_EQ(f.cdsCtblBemAtivo.State(), DataSetState::Edit);
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "NMCONTCTBL"), "");
    h.CellKeys(g, 0, kConta, "12320001");
    h.CellKeys(g, 0, kHist, "");
    EXPECT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "NMCONTCTBL"), "Máquinas e equipamentos");
    // Another row's account: the server returns it twice.
    h.CellKeys(g, 0, kConta, "12330001");
    h.CellKeys(g, 0, kHist, "");
    EXPECT_EQ(h.TakeMessages(), QStringList{"Conta Contábil já cadastrada."});
    EXPECT_EQ(g->SelectedField()->FieldName(), kConta);
    h.host().answers.push_back(true);
    h.Click(f.sbtCancelar);

    // Type and account gone from the server meanwhile: a row keeping them stays as stored.
    Exec(h, "DELETE FROM CTBLBEMATIVO WHERE CDTIPOCONTABEM = '000003'");
    Exec(h, "DELETE FROM TIPOCONTABEM WHERE CDEMPRESA = '01' AND CDTIPOCONTABEM = '000003'");
    Exec(h, "DELETE FROM CONTCTBL WHERE CDCONTCTBL = '42110001'");
    h.CellKeys(g, 2, kTipo, "3");
    h.CellKeys(g, 2, kConta, "42110001");
    h.CellKeys(g, 2, kHist, "");
    EXPECT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "CDTIPOCONTABEM"), "000003");
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "NMTIPOCONTABEM"), "Depreciação do período");
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "CDCONTCTBLBEM"), "42110001");
    EXPECT_EQ(FieldText(f.cdsCtblBemAtivo, "NMCONTCTBL"), "Despesa de depreciação");
    EXPECT_EQ(h.host().busyDepth, 0);
}
