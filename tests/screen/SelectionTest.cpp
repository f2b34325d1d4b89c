// The company and asset panel: codes, lookups, key filters, the transfer list it loads and the
// previous location a new transfer starts from.
#include "tests/screen/ScreenHarness.h"

#include "orv/widgets/FocusManager.h"
#include "tests/support/Fixture.h"

#include <QDate>
#include <QTest>

#include <gtest/gtest.h>

using namespace screentest;
using zmt02600::TFrmTransferenciaFisica;

namespace {


QWidget* Active(TFrmTransferenciaFisica& f) { return orv::ActiveControl(&f); }

// Messages or list rows as one line, for readable failures.
std::string Joined(const QStringList& texts) { return texts.join(" | ").toStdString(); }

}  // namespace

TEST(SelectionCompany, OneDigitCodeBecomesTwoAndShowsTheName) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.Type(f.medEmpresa, "1");
    h.Focus(f.medBem);
    EXPECT_EQ(f.medEmpresa->text(), "01");
    EXPECT_EQ(f.edtNmEmpresa->text(), "Transportes Serra Azul S.A.");
    EXPECT_EQ(Active(f), f.medBem);
    // A known company makes the batch registration available.
    EXPECT_TRUE(f.sbtCadAut->isEnabled());
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    // Coming back and leaving again keeps the adjusted code and its name.
    h.Focus(f.medEmpresa);
    h.Focus(f.medBem);
    EXPECT_EQ(f.medEmpresa->text(), "01");
    EXPECT_EQ(f.edtNmEmpresa->text(), "Transportes Serra Azul S.A.");
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(SelectionCompany, EmptyOrUnknownCodeKeepsTheFocusWithItsMessage) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.Focus(f.medEmpresa);
    h.Focus(f.medBem);
    EXPECT_EQ(Joined(h.TakeMessages()), "Empresa deve ser informada.");
    EXPECT_EQ(Active(f), f.medEmpresa);
    EXPECT_FALSE(f.sbtCadAut->isEnabled());

    h.Type(f.medEmpresa, "7");
    h.Focus(f.medBem);
    EXPECT_EQ(Joined(h.TakeMessages()), "Empresa não cadastrada.");
    EXPECT_EQ(Active(f), f.medEmpresa);
    EXPECT_EQ(f.medEmpresa->text(), "07");
    EXPECT_EQ(f.edtNmEmpresa->text(), "");
    EXPECT_FALSE(f.sbtCadAut->isEnabled());

    // Corrected, the same move goes through.
    h.Set(f.medEmpresa, "02");
    h.Focus(f.medBem);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(Active(f), f.medBem);
    EXPECT_EQ(f.edtNmEmpresa->text(), "Metalúrgica Vale do Aço Ltda.");
}

TEST(SelectionCompany, LookupFillsCodeAndNameAndAChangeClearsTheAsset) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");
    ASSERT_EQ(StCdBemAtivo, "0000000004");
    ASSERT_TRUE(h.TakeMessages().isEmpty());

    h.Focus(f.medEmpresa);
    h.host().picks.push_back({false, "CDEMPRESA", "02"});
    h.Click(f.btpEmpresa);
    EXPECT_EQ(h.host().lastListTitles.value(h.host().lastListTitles.size() - 1), "Empresa");
    EXPECT_EQ(Joined(h.host().lastList), "01 | 02");
    EXPECT_EQ(f.medEmpresa->text(), "02");
    EXPECT_EQ(f.edtNmEmpresa->text(), "Metalúrgica Vale do Aço Ltda.");
    // Another company: the asset typed for the old one goes, its internal code stays until
    // another asset is validated.
    EXPECT_EQ(f.medBem->text(), "");
    EXPECT_EQ(f.edtNmBem->text(), "");
    EXPECT_FALSE(f.sbtCadAut->isEnabled());
    EXPECT_EQ(StCdBemAtivo, "0000000004");

    // Closing the list without a choice changes nothing.
    h.host().picks.push_back({true, {}, {}});
    h.Click(f.btpEmpresa);
    EXPECT_EQ(f.medEmpresa->text(), "02");
    EXPECT_EQ(f.edtNmEmpresa->text(), "Metalúrgica Vale do Aço Ltda.");
    EXPECT_TRUE(h.host().AllConsumed());
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(SelectionKeys, CodesTakeDigitsOnly) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.Type(f.medEmpresa, "a1-");
    EXPECT_EQ(f.medEmpresa->text().trimmed(), "1");
    QTest::keyClick(f.medEmpresa, Qt::Key_Backspace);
    EXPECT_EQ(f.medEmpresa->text().trimmed(), "");
    h.Type(f.medEmpresa, "x0y1");
    EXPECT_EQ(f.medEmpresa->text(), "01");

    h.Type(f.medBem, "b10A0,0 04z");
    EXPECT_EQ(f.medBem->text(), "100004");
    QTest::keyClick(f.medBem, Qt::Key_Backspace);
    EXPECT_EQ(f.medBem->text(), "10000");
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(SelectionAsset, LookupListsTheCompanysAssetsAndFillsCodeNameAndInternalCode) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.Type(f.medEmpresa, "1");
    h.host().picks.push_back({false, "CDPATRIBEMATIVO", "100004"});
    h.Click(f.btpBem);
    EXPECT_EQ(h.host().lastListTitles.value(h.host().lastListTitles.size() - 1), "Bem Ativo");
    EXPECT_EQ(Joined(h.host().lastList), "100001 | 100002 | 100003 | 100004 | 100005");
    EXPECT_EQ(f.medEmpresa->text(), "01");
    EXPECT_EQ(f.medBem->text(), "100004");
    EXPECT_EQ(f.edtNmBem->text(), "Empilhadeira elétrica 2,5 t");
    EXPECT_EQ(StCdBemAtivo, "0000000004");
    EXPECT_EQ(Active(f), f.medBem);
    EXPECT_EQ(h.host().busyDepth, 0);
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    // The list of the other company has only its own asset.
    h.Focus(f.medEmpresa);
    h.Set(f.medEmpresa, "02");
    h.host().picks.push_back({false, "CDPATRIBEMATIVO", "200001"});
    h.Click(f.btpBem);
    EXPECT_EQ(Joined(h.host().lastList), "200001");
    EXPECT_EQ(f.medBem->text(), "200001");
    EXPECT_EQ(f.edtNmBem->text(), "Prensa hidráulica");
    EXPECT_EQ(StCdBemAtivo, "0000000010");
}

TEST(SelectionAsset, LookupNeedsACompanyAndSaysWhenThereIsNoAsset) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.Focus(f.medEmpresa);
    h.Click(f.btpBem);
    EXPECT_EQ(Joined(h.TakeMessages()), "Empresa deve ser informada.");
    EXPECT_TRUE(h.host().lastListTitles.isEmpty());
    EXPECT_EQ(Active(f), f.medEmpresa);

    erptest::InsertRow(h.db(), "EMPRESA", {{"CDEMPRESA", "03"}, {"NMEMPRESA", "Comercial Sem Bens Ltda."}});
    h.Set(f.medEmpresa, "03");
    h.Click(f.btpBem);
    EXPECT_EQ(Joined(h.TakeMessages()), "Não há Bens cadastrados.");
    EXPECT_EQ(f.medBem->text(), "");
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(SelectionAsset, EmptyAssetIsOnlyRequiredWhenLeavingThePanel) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.Type(f.medEmpresa, "01");
    h.Focus(f.medBem);
    // Back to the company inside the panel: an empty asset is fine there.
    h.Focus(f.medEmpresa);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(Active(f), f.medEmpresa);

    h.Focus(f.dbgPadrao);
    EXPECT_EQ(Joined(h.TakeMessages()), "Bem deve ser informado.");
    EXPECT_EQ(Active(f), f.medBem);
    EXPECT_FALSE(f.cdsCapa.Active());
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(SelectionAsset, UnknownAssetKeepsTheFocusAndLoadsNothing) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.Type(f.medEmpresa, "01");
    h.Type(f.medBem, "999999");
    h.Focus(f.medEmpresa);
    EXPECT_EQ(Joined(h.TakeMessages()), "Bem não cadastrado.");
    EXPECT_EQ(Active(f), f.medBem);
    EXPECT_EQ(f.edtNmBem->text(), "");
    EXPECT_EQ(h.host().busyDepth, 0);

    h.Focus(f.dbgPadrao);
    EXPECT_EQ(Joined(h.TakeMessages()), "Bem não cadastrado.");
    EXPECT_EQ(Active(f), f.medBem);
    EXPECT_FALSE(f.cdsCapa.Active());

    // An asset of the other company is unknown in this one.
    h.Set(f.medBem, "200001");
    h.Focus(f.medEmpresa);
    EXPECT_EQ(Joined(h.TakeMessages()), "Bem não cadastrado.");
}

TEST(SelectionList, LeavingThePanelLoadsEveryTransferOfTheAsset) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("1", "100004");
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.medEmpresa->text(), "01");
    EXPECT_EQ(f.edtNmBem->text(), "Empilhadeira elétrica 2,5 t");
    EXPECT_EQ(StCdBemAtivo, "0000000004");
    EXPECT_EQ(Active(f), f.dbgPadrao);
    ASSERT_EQ(f.cdsCapa.RecordCount(), 2);
    f.cdsCapa.First();
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000001");
    f.cdsCapa.Last();
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000002");
    f.cdsCapa.First();

    // The page change that follows: the list's data source, its find button and menu marks.
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    EXPECT_EQ(f.dtsPadrao.DataSet(), &f.cdsCapa);
    EXPECT_TRUE(f.sbtLocalizar->isEnabled());
    EXPECT_TRUE(f.mnuFolhaDados->isChecked());
    EXPECT_FALSE(f.mnuFormulario->isChecked());
    EXPECT_TRUE(f.tshFormulario->Enabled());
    EXPECT_TRUE(f.mnuFormulario->isEnabled());
    EXPECT_TRUE(f.sbtCadAut->isEnabled());

    // The grid and the navigator caption.
    EXPECT_EQ(f.dbgPadrao->model()->rowCount(), 2);
    EXPECT_EQ(f.dbgPadrao->model()->index(1, 0).data().toString(), "Processado");
    EXPECT_EQ(f.dbgPadrao->model()->index(1, 1).data().toString(), "20/06/2025");
    EXPECT_EQ(f.dbtNome->text(), FieldText(f.cdsCapa, "CAPADBTNOME"));
    EXPECT_TRUE(f.dbtNome->text().startsWith("Nº 0000000001 - 10/03/2025")) << f.dbtNome->text().toStdString();
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(SelectionList, AssetWithoutTransfersShowsAnEmptyList) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100001");
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    ASSERT_TRUE(f.cdsCapa.Active());
    EXPECT_EQ(f.cdsCapa.RecordCount(), 0);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    EXPECT_FALSE(f.sbtLocalizar->isEnabled());
    EXPECT_FALSE(f.mnuLocalizar->isEnabled());
    EXPECT_FALSE(f.tshFormulario->Enabled());
    EXPECT_FALSE(f.mnuFormulario->isEnabled());
    EXPECT_TRUE(f.sbtIncluir->isEnabled());
}

TEST(SelectionList, RefreshRereadsTheListAndKeepsTheCurrentTransfer) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");
    ASSERT_EQ(f.cdsCapa.RecordCount(), 2);
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Last);
    ASSERT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000002");

    // Someone else cancels the first transfer meanwhile.
    h.Sql("UPDATE CAPAOPERABEM SET IDSITCAPAOPER = '3' WHERE NRSEQCAPAOPEBEM = '0000000001'");
    h.Click(f.sbtVerificar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    ASSERT_EQ(f.cdsCapa.RecordCount(), 2);
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000002");
    EXPECT_EQ(f.cdsCapa.RecNo(), 2);
    EXPECT_EQ(f.dbgPadrao->model()->index(0, 0).data().toString(), "Cancelado");
    EXPECT_EQ(f.dbtNome->text(), FieldText(f.cdsCapa, "CAPADBTNOME"));
    EXPECT_EQ(h.host().busyDepth, 0);

    // The same through the menu twin.
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::First);
    h.Trigger(f.mnuVerificar);
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000001");
}

TEST(SelectionNewTransfer, ProposesTheLastOperationDateWhenItIsAhead) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    const QDate last(2030, 1, 10);
    if (QDate::currentDate() >= last) GTEST_SKIP() << "a transferência futura do fixture já passou";
    h.OpenAsset("01", "100005");
    ASSERT_EQ(f.cdsCapa.RecordCount(), 1);
    h.Click(f.sbtIncluir);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);
    EXPECT_EQ(f.depDataTransf->GetDate(), last);
    EXPECT_EQ(f.cdsCapa.FieldByName("DTCAPAOPEBEM").AsDateTime().date(), last);
    // Numbers issued by the server, after the fixture's three.
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000004");
    EXPECT_FALSE(FieldText(f.cdsCapa, "NRSEQITCAPAOPE").isEmpty());
    // The previous location is where the asset is now.
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCANTE"), "0002");
    EXPECT_EQ(f.dbeNmFilialAnte->text(), "Filial Campinas");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDCENTCUITCANTE"), "0001");
    EXPECT_EQ(f.dbeNmCentCustAnte->text(), "Administrativo");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDSETORITCANTE"), "0001");
    EXPECT_EQ(f.dbeNmSetorAnte->text(), "Secretaria");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDOPERESPBEMANT"), "");
    EXPECT_EQ(f.dbeNmOperAnte->text(), "");
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(SelectionNewTransfer, ProposesTodayAfterAnOlderOperation) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");
    h.Click(f.sbtIncluir);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_EQ(f.depDataTransf->GetDate(), QDate::currentDate());
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCANTE"), "00A1");
    EXPECT_EQ(f.dbeNmFilialAnte->text(), "Depósito Jundiaí");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDCENTCUITCANTE"), "0003");
    EXPECT_EQ(f.dbeNmCentCustAnte->text(), "Logística");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDSETORITCANTE"), "0003");
    EXPECT_EQ(f.dbeNmSetorAnte->text(), "Expedição");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDOPERESPBEMANT"), fx::kJoao);
    EXPECT_EQ(f.dbeNmOperAnte->text(), "João Lima");
    // The asset's own transfers are still listed behind the new one.
    EXPECT_EQ(f.cdsCapa.RecordCount(), 2);
}

TEST(SelectionNewTransfer, AssetWithoutLocationStartsEmpty) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100003");
    ASSERT_TRUE(h.TakeMessages().isEmpty());
    h.Click(f.sbtIncluir);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_TRUE(f.depDataTransf->IsEmpty());
    EXPECT_TRUE(f.cdsCapa.FieldByName("DTCAPAOPEBEM").IsNull());
    for (const char* field : {"CDFILIALITCANTE", "CDCENTCUITCANTE", "CDSETORITCANTE", "CDOPERESPBEMANT"}) {
        SCOPED_TRACE(field);
        EXPECT_EQ(FieldText(f.cdsCapa, field), "");
    }
    for (orv::TEdit* name : {f.dbeNmFilialAnte, f.dbeNmCentCustAnte, f.dbeNmSetorAnte, f.dbeNmOperAnte})
        EXPECT_EQ(name->text(), "") << name->objectName().toStdString();
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(SelectionBusy, AnimationIsHiddenAgainAfterAFailingServerCall) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.Type(f.medEmpresa, "01");
    h.Type(f.medBem, "100004");
    const int shown = h.host().busyShown;
    // The asset table missing makes the server's read fail.
    h.Sql("ALTER TABLE BEMATIVO RENAME TO BEMATIVO_FORA");
    h.Focus(f.medEmpresa);
    const QStringList failed = h.TakeMessages();
    EXPECT_EQ(failed.size(), 1) << failed.join(" | ").toStdString();
    EXPECT_GT(h.host().busyShown, shown);
    EXPECT_EQ(h.host().busyDepth, 0);
    EXPECT_EQ(Active(f), f.medBem);

    h.host().picks.push_back({false, "CDPATRIBEMATIVO", "100004"});
    h.Click(f.btpBem);
    EXPECT_EQ(h.TakeMessages().size(), 1);
    EXPECT_EQ(h.host().busyDepth, 0);
    h.host().picks.clear();

    h.Sql("ALTER TABLE BEMATIVO_FORA RENAME TO BEMATIVO");
    h.Focus(f.dbgPadrao);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.cdsCapa.RecordCount(), 2);
    EXPECT_EQ(h.host().busyDepth, 0);

    // The list's read failing leaves the animation hidden too.
    h.Sql("ALTER TABLE ITCAPAOPERABEM RENAME TO ITCAPA_FORA");
    h.Click(f.sbtVerificar);
    EXPECT_EQ(h.TakeMessages().size(), 1);
    EXPECT_EQ(h.host().busyDepth, 0);
    h.Sql("ALTER TABLE ITCAPA_FORA RENAME TO ITCAPAOPERABEM");
}
