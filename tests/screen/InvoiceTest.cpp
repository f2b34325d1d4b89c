// The invoice of a transfer: series check, invoice description and search, and the
// recipient's registration number shown through its mask.
#include "tests/screen/ScreenHarness.h"
#include "tests/support/Printers.h"

#include "orv/widgets/FocusManager.h"
#include "orv/widgets/Widgets.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace screentest;
using orv::DataSetState;
using zmt02600::TFrmTransferenciaFisica;

namespace {

// A new transfer of the notebook from Matriz, type and motive valid.
void NewTransfer(ScreenHarness& h) {
    h.NewTransfer();
    h.Type(h.frm().dbeCdTipoOper, "1");
    h.Type(h.frm().dbeCdMotivoOper, "1");
    h.Focus(h.frm().dbeCdFilialNovo);
    ASSERT_TRUE(h.TakeMessages().isEmpty());
}

}  // namespace

TEST(Invoice, SeriesTypedWithoutBranchIsClearedAndAsksForTheBranch) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    NewTransfer(h);

    h.Type(f.dbeNF, "1");
    h.Focus(f.dbeNrNota);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Filial deve ser informada."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdFilialNovo);
    EXPECT_EQ(f.dbeNF->text(), "");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDSERIENFITCAPA"), "");
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(Invoice, SeriesIsCheckedOnlyWhenChangedAndAnUnknownOnePasses) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    NewTransfer(h);
    h.Type(f.dbeCdFilialNovo, "2");
    h.Type(f.dbeCdCentCustNovo, "1");

    // Campinas has series "1" only; "Z" is accepted all the same, after a call to the server.
    int shown = h.host().busyShown;
    h.Type(f.dbeNF, "Z");
    h.Focus(f.dbeNrNota);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_GT(h.host().busyShown, shown);
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeNrNota);
    EXPECT_EQ(f.dbeNF->text(), "Z");

    h.Click(f.sbtConfirmar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    ASSERT_EQ(f.cdsCapa.State(), DataSetState::Browse);
    EXPECT_EQ(h.Sql("SELECT CDSERIENFITCAPA FROM ITCAPAOPERABEM WHERE CDBEMATIVO = '0000000001'").toString(), "Z");

    // Editing the stored transfer: leaving the series as it was read asks the server nothing.
    h.Click(f.sbtAlterar);
    ASSERT_EQ(f.cdsCapa.State(), DataSetState::Edit);
    h.Focus(f.dbeNF);
    shown = h.host().busyShown;
    h.Focus(f.dbeNrNota);
    EXPECT_EQ(h.host().busyShown, shown);
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    // Changed, it is checked again; the branch now empty is asked for.
    h.Set(f.dbeCdFilialNovo, "");
    h.Focus(f.dbeNF);
    h.Set(f.dbeNF, "1");
    h.Focus(f.dbeNrNota);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Filial deve ser informada."}));
    EXPECT_EQ(f.dbeNF->text(), "");
}

TEST(Invoice, DescriptionFollowsTheNumber) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    NewTransfer(h);
    h.Type(f.dbeCdFilialNovo, "2");
    h.Type(f.dbeCdCentCustNovo, "1");

    // Invoice 100 went from Matriz to Campinas; 101 to Jundiaí.
    h.Type(f.dbeNrNota, "100");
    h.Focus(f.dbeCdSetorNovo);
    EXPECT_EQ(f.dbeDescriNF->text(), "Remessa bens");
    h.Set(f.dbeNrNota, "101");
    h.Focus(f.dbeNrNota);
    h.Focus(f.dbeCdSetorNovo);
    EXPECT_EQ(f.dbeDescriNF->text(), "");
    h.Set(f.dbeNrNota, "100");
    h.Focus(f.dbeNrNota);
    h.Focus(f.dbeCdSetorNovo);
    EXPECT_EQ(f.dbeDescriNF->text(), "Remessa bens");
    h.Focus(f.dbeNrNota);
    h.Set(f.dbeNrNota, "");
    h.Focus(f.dbeCdSetorNovo);
    EXPECT_EQ(f.dbeDescriNF->text(), "");
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    // Posted with its invoice, the description comes back while browsing.
    h.Set(f.dbeNrNota, "100");
    h.Click(f.sbtConfirmar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    ASSERT_EQ(f.cdsCapa.State(), DataSetState::Browse);
    f.dbeDescriNF->clear();
    h.Trigger(f.mnuFolhaDados);  // reloads the list
    EXPECT_EQ(f.dbeNrNota->text(), "100");
    EXPECT_EQ(f.dbeDescriNF->text(), "Remessa bens");
    h.Trigger(f.mnuFormulario);
    f.dbeDescriNF->clear();
    h.Focus(f.dbeNrNota);
    h.Focus(f.dbeCdSetorNovo);
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Browse);
    EXPECT_EQ(f.dbeDescriNF->text(), "Remessa bens");
}

TEST(Invoice, PickReplacesNumberAndSeries) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    NewTransfer(h);
    h.Type(f.dbeCdFilialNovo, "a1");
    h.Type(f.dbeCdCentCustNovo, "3");
    h.Type(f.dbeNrNota, "555");
    h.Focus(f.dbeNF);
    EXPECT_EQ(f.dbeDescriNF->text(), "");

    // The invoices Matriz issued to Jundiaí, whatever number was typed; Jundiaí's entry of the
    // same invoice is no outgoing one and is not offered.
    h.Sql("INSERT INTO NOTAFISCAL (NRLANCTONF, NRNOTAFISC, DESCRICAO, DTENTRSAID, CDFILIRECE, CDFILIEMIT, CDTIPOOPER,"
          " CDSERIE, IDENTRSAIDOP, CDFILIAL) VALUES ('103', '000101', 'Envio depósito', '2026-11-03T00:00:00',"
          " '00A1', '0001', 'TR', 'U', 'E', '00A1')");
    h.host().picks.push_back({false, "NRLANCTONF", "101"});
    h.Click(f.btpPesqNF);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(h.host().lastList, QStringList({"101"}));
    EXPECT_EQ(FieldText(f.cdsCapa, "NRNOTAFIITCAPA"), "101");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDSERIENFITCAPA"), "U");
    EXPECT_EQ(f.dbeNrNota->text(), "101");
    EXPECT_EQ(f.dbeNF->text(), "U");
    // The column holds 15 characters.
    EXPECT_EQ(f.dbeDescriNF->text(), "Envio depósito");

    // The series typed narrows the list; the pick's series replaces whatever was typed.
    h.Set(f.dbeCdFilialNovo, "0002");
    h.Set(f.dbeCdCentCustNovo, "0001");
    h.Set(f.dbeNF, "1 ");
    h.host().picks.push_back({false, "NRLANCTONF", "100"});
    h.Click(f.btpPesqNF);
    EXPECT_EQ(h.host().lastList, QStringList({"100"}));
    EXPECT_EQ(FieldText(f.cdsCapa, "CDSERIENFITCAPA"), "1");
    EXPECT_EQ(FieldText(f.cdsCapa, "NRNOTAFIITCAPA"), "100");
    EXPECT_EQ(f.dbeDescriNF->text(), "Remessa bens");

    h.Set(f.dbeNF, "U");
    h.Click(f.btpPesqNF);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Não há nota cadastrada"}));
    EXPECT_EQ(FieldText(f.cdsCapa, "NRNOTAFIITCAPA"), "100");

    h.Set(f.dbeNF, "1");
    h.Click(f.sbtConfirmar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(h.Sql("SELECT NRNOTAFIITCAPA || '/' || CDSERIENFITCAPA FROM ITCAPAOPERABEM"
                    " WHERE CDBEMATIVO = '0000000001'")
                  .toString(),
              "100/1");
}

TEST(Invoice, PickWhileBrowsingPutsTheRecordIntoEdit) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    // The last transfer of the forklift went from Campinas to Jundiaí; give it a matching invoice.
    h.Sql("INSERT INTO NOTAFISCAL (NRLANCTONF, NRNOTAFISC, DESCRICAO, DTENTRSAID, CDFILIRECE, CDFILIEMIT, CDTIPOOPER,"
          " CDSERIE, IDENTRSAIDOP, CDFILIAL) VALUES ('102', '000102', 'Remessa Jundiaí', '2026-11-04T00:00:00',"
          " '00A1', '0002', 'TR', '1', 'S', '0002')");
    h.OpenAsset(fx::kEmpresa, "100004");
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Last);
    h.Trigger(f.mnuFormulario);
    ASSERT_EQ(f.cdsCapa.State(), DataSetState::Browse);
    h.TakeMessages();

    h.host().picks.push_back({false, "NRLANCTONF", "102"});
    h.Click(f.btpPesqNF);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Edit);
    EXPECT_EQ(f.dbeNrNota->text(), "102");
    EXPECT_EQ(f.dbeNF->text(), "1");
    EXPECT_EQ(f.dbeDescriNF->text(), "Remessa Jundiaí");
}

TEST(Invoice, NumberTakesDigitsOnly) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    NewTransfer(h);
    h.Type(f.dbeNrNota, "1a%0-B2");
    EXPECT_EQ(f.dbeNrNota->text(), "102");
    QTest::keyClick(f.dbeNrNota, Qt::Key_Backspace);
    EXPECT_EQ(f.dbeNrNota->text(), "10");
    // The series takes anything.
    h.Type(f.dbeNF, "a-");
    EXPECT_EQ(f.dbeNF->text(), "a-");
}

TEST(Invoice, RegistrationNumberShowsThroughItsMaskAndIsStoredAsIs) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    NewTransfer(h);
    orv::TField& numero = f.cdsCapa.FieldByName("NRINSJURCLIE");
    orv::TField& tipo = f.cdsCapa.FieldByName("IDTPIJURCLIE");

    tipo.SetAsString("J");
    numero.SetAsString("12345678000195");
    EXPECT_EQ(numero.DisplayText(), "12.345.678/0001-95");
    EXPECT_EQ(numero.Text(), "12.345.678/0001-95");
    EXPECT_EQ(numero.AsString(), "12345678000195");

    tipo.SetAsString("F");
    numero.SetAsString("12345678901");
    EXPECT_EQ(numero.DisplayText(), "123.456.789-01");
    EXPECT_EQ(numero.AsString(), "12345678901");

    // Without a known person type the number shows as stored.
    tipo.Clear();
    EXPECT_EQ(numero.DisplayText(), "12345678901");
}
