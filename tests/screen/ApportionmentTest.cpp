// The apportionment page: rows typed into the grid as a clerk would, each saved on the server at
// once, and the 100 % rule on leaving the page and closing the screen.
#include "tests/screen/ScreenHarness.h"

#include "orv/widgets/DBGrid.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/PageControl.h"
#include "tests/support/Printers.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace screentest;
using zmt02600::TFrmTransferenciaFisica;

namespace {

const QString kFilial = QStringLiteral("CDFILICCUST");
const QString kCentCust = QStringLiteral("CDCENTCUSBEM");
const QString kValor = QStringLiteral("VRRATEBEM");

// The last transfer of the Empilhadeira, on the apportionment page.
void OpenApportionment(ScreenHarness& h) {
    h.OpenAsset("01", "100004");
    h.frm().cdsCapa.Last();
    h.Click(h.frm().tshRateio);
    ASSERT_EQ(h.frm().pgcPadrao->currentWidget(), h.frm().tshRateio);
    ASSERT_EQ(h.frm().dtsPadrao.DataSet(), &h.frm().cdsRateio);
}

// A new row typed in and confirmed with the toolbar.
void AddRow(ScreenHarness& h, const QString& filial, const QString& centCust, const QString& valor) {
    TFrmTransferenciaFisica& f = h.frm();
    h.Click(f.sbtIncluir);
    const int row = f.dbgRateio->Model()->CurrentRow();
    h.Cell(f.dbgRateio, row, kFilial, filial);
    h.Cell(f.dbgRateio, row, kCentCust, centCust);
    h.Cell(f.dbgRateio, row, kValor, valor);
    h.Click(f.sbtConfirmar);
}

// "branch/cost centre=share;..." as stored for the transfer item, and as the asset carries now.
QString Stored(ScreenHarness& h, const char* table) {
    QSqlQuery q(h.db());
    q.exec(QString("SELECT CDFILICCUST, CDCENTCUSBEM, VRRATEBEM FROM %1 WHERE CDBEMATIVO = '0000000004'"
                   " ORDER BY CDFILICCUST, CDCENTCUSBEM").arg(table));
    QStringList rows;
    while (q.next()) rows << QString("%1/%2=%3").arg(q.value(0).toString(), q.value(1).toString()).arg(q.value(2).toDouble());
    return rows.join(';');
}

// The grid's cells as shown, row by row.
QString Shown(TFrmTransferenciaFisica& f) {
    QStringList rows;
    for (int r = 0; r < f.dbgRateio->Model()->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < 3; ++c) cells << f.dbgRateio->Model()->index(r, c).data().toString();
        rows << cells.join('|');
    }
    return rows.join(';');
}

const QString kMenor = "Valor do rateio não pode ser menor que 100%.";
const QString kMaior = "A soma dos valores de rateio não pode ser maior que 100% .";

}  // namespace

TEST(Apportionment, RowsAreCheckedSavedAndMustTotalAHundredOnLeaving) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    OpenApportionment(h);

    // No rows: leaving is free.
    h.Click(f.tshPadrao);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    h.Click(f.tshRateio);
    ASSERT_EQ(f.pgcPadrao->currentWidget(), f.tshRateio);
    ASSERT_EQ(f.dtsPadrao.DataSet(), &f.cdsRateio);
    EXPECT_FALSE(f.sbtAlterar->isEnabled());
    EXPECT_FALSE(f.sbtExcluir->isEnabled());

    // Row checks, the empty share before the zero share; "33,33" as a Brazilian clerk types it.
    h.Click(f.sbtIncluir);
    h.Cell(f.dbgRateio, 0, kFilial, "1");
    h.Cell(f.dbgRateio, 0, kCentCust, "1");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Valor do rateio deve ser informado."});
    h.Cell(f.dbgRateio, 0, kValor, "0");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Valor do rateio deve ser maior que zero."});
    h.Cell(f.dbgRateio, 0, kValor, "33,33");
    h.Click(f.sbtConfirmar);
    ASSERT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(Stored(h, "RATEIOITCAPA"), "0001/0001=33.33");
    EXPECT_EQ(Shown(f), "Matriz São Paulo|Administrativo|33,33%");
    EXPECT_TRUE(f.sbtAlterar->isEnabled());
    EXPECT_EQ(h.host().cacheRefreshes, QStringList{"RATEIOBEM"});

    // Short of 100: the page keeps the clerk.
    h.Click(f.tshPadrao);
    EXPECT_EQ(h.TakeMessages(), QStringList{kMenor});
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshRateio);

    AddRow(h, "1", "2", "33.33");
    AddRow(h, "2", "1", "33,34");
    ASSERT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(Stored(h, "RATEIOITCAPA"), "0001/0001=33.33;0001/0002=33.33;0002/0001=33.34");
    EXPECT_EQ(Stored(h, "RATEIOBEM"), Stored(h, "RATEIOITCAPA"));

    // Only the share changes: no duplicate check. Three times 33.333 rounds to 100.00.
    for (int row = 2; row >= 0; --row) {
        h.Cell(f.dbgRateio, row, kValor, "33,333");
        h.Click(f.sbtConfirmar);
        ASSERT_EQ(h.TakeMessages(), QStringList()) << row;
    }
    // A pair already present is refused.
    h.Cell(f.dbgRateio, 2, kFilial, "1");
    h.Cell(f.dbgRateio, 2, kCentCust, "1");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Rateio já Cadastrado."});
    h.host().answers.push_back(true);
    h.Click(f.sbtCancelar);

    // Past 100 after a post: refused before anything is sent, and the grid shows the server's rows.
    AddRow(h, "2", "3", "20");
    EXPECT_EQ(h.TakeMessages(), QStringList{kMaior});
    EXPECT_EQ(f.cdsRateio.RecordCount(), 3);
    EXPECT_EQ(Stored(h, "RATEIOITCAPA"), "0001/0001=33.333;0001/0002=33.333;0002/0001=33.333");
    h.Click(f.tshPadrao);
    EXPECT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(Apportionment, DeletesRoundingLookupsAndClosing) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    OpenApportionment(h);

    // A cost centre typed before the branch is cleared; its "..." does nothing without a branch.
    h.Click(f.sbtIncluir);
    h.Cell(f.dbgRateio, 0, kCentCust, "1");
    h.Cell(f.dbgRateio, 0, kValor, "50");
    EXPECT_EQ(h.TakeMessages(), QStringList{"Filial deve ser informada."});
    EXPECT_EQ(f.cdsRateio.FieldByName(kCentCust).AsString(), "");
    EXPECT_EQ(f.dbgRateio->SelectedField()->FieldName(), kFilial);
    h.CellButton(f.dbgRateio, 0, kCentCust);
    EXPECT_TRUE(h.host().lastListTitles.isEmpty());
    h.host().answers.push_back(true);
    h.Click(f.sbtCancelar);
    ASSERT_EQ(f.cdsRateio.RecordCount(), 0);

    // Picks while browsing: the first starts a row, the next goes into it.
    h.host().picks.push_back({false, "CDFILIAL", "0002"});
    h.CellButton(f.dbgRateio, 0, kFilial);
    EXPECT_EQ(f.cdsRateio.State(), orv::DataSetState::Insert);
    h.host().picks.push_back({false, "CDCENTCUST", "0003"});
    h.CellButton(f.dbgRateio, 0, kCentCust);
    EXPECT_EQ(h.host().lastList, QStringList({"0001", "0003"}));
    h.Cell(f.dbgRateio, 0, kValor, "50");
    h.Click(f.sbtConfirmar);
    AddRow(h, "1", "1", "49,994");
    ASSERT_EQ(h.TakeMessages(), QStringList());
    EXPECT_EQ(Shown(f), "Matriz São Paulo|Administrativo|49,99%;Filial Campinas|Logística|50,00%");

    // 99.994 rounds to 99.99: refused; 100.004 rounds to 100.00: accepted.
    h.Click(f.tshPadrao);
    EXPECT_EQ(h.TakeMessages(), QStringList{kMenor});
    h.Cell(f.dbgRateio, 0, kValor, "50,004");
    h.Click(f.sbtConfirmar);
    h.Click(f.tshFormulario);
    EXPECT_EQ(h.TakeMessages(), QStringList());
    h.Click(f.tshRateio);

    // A delete is saved at once; closing with 50 % keeps the screen as it was.
    f.cdsRateio.First();
    h.host().answers.push_back(true);
    h.Click(f.sbtExcluir);
    EXPECT_EQ(Stored(h, "RATEIOITCAPA"), "0002/0003=50");
    EXPECT_FALSE(h.CloseScreen());
    EXPECT_EQ(h.TakeMessages(), QStringList{kMenor});
    ASSERT_NE(FrmTransferenciaFisica, nullptr);
    EXPECT_TRUE(boIdCriado);
    EXPECT_TRUE(f.netTransFisica.Connected());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(h.host().busyDepth, 0);
}
