// The new location of a transfer: branch, cost centre, sector and responsible, typed, looked
// up and checked, and the names shown for the stored locations.
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

// Type and motive that post, typed by hand (their exits run as the focus goes on).
void ValidOperation(ScreenHarness& h) {
    h.Type(h.frm().dbeCdTipoOper, "1");
    h.Type(h.frm().dbeCdMotivoOper, "1");
}

QString Item(ScreenHarness& h, const char* column) {
    return h.Sql(QStringLiteral("SELECT %1 FROM ITCAPAOPERABEM WHERE CDBEMATIVO = '0000000001'").arg(column)).toString();
}

}  // namespace

TEST(Location, BranchOfAnotherCompanyPassesWhenTypedButNeitherListedNorStored) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();
    ValidOperation(h);

    // The lookup offers company 01's branches only; closing it changes nothing.
    h.host().picks.push_back({true, {}, {}});
    h.Click(f.btpFilial);
    EXPECT_EQ(h.host().lastList, QStringList({"0001", "0002", "00A1"}));
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "");

    // By hand the check knows no company: Fábrica (company 02) passes, normalised to its width.
    h.Type(f.dbeCdFilialNovo, "101");
    h.Type(f.dbeCdCentCustNovo, "2");
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "0101");
    EXPECT_EQ(f.dbeNmFilialNovo->text(), "Fábrica Ipatinga");
    h.Focus(f.dbeCdSetorNovo);
    EXPECT_EQ(f.dbeCdCentCustNovo->text(), "0002");
    EXPECT_EQ(f.dbeNmCentCustNovo->text(), "Produção");
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    // The server knows the company: the confirmation is refused and the record stays pending.
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages().size(), 1);
    EXPECT_EQ(f.cdsCapa.ChangeCount(), 1);
    EXPECT_EQ(h.Sql("SELECT COUNT(*) FROM ITCAPAOPERABEM WHERE CDBEMATIVO = '0000000001'").toInt(), 0);
}

TEST(Location, UnknownOrEmptyBranchIsRefused) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();
    ValidOperation(h);

    h.Type(f.dbeCdFilialNovo, "77");
    h.Focus(f.dbeCdCentCustNovo);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Filial não cadastrada."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdFilialNovo);
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "0077");
    EXPECT_EQ(f.dbeNmFilialNovo->text(), "");

    // Leaving it empty is left to the check before post.
    h.Set(f.dbeCdFilialNovo, "");
    h.Focus(f.dbeCdCentCustNovo);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Filial deve ser informada."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdFilialNovo);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Insert);

    h.Set(f.dbeCdFilialNovo, "77");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Filial não cadastrada."}));
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Insert);
    EXPECT_FALSE(h.Sql("SELECT COUNT(*) FROM ITCAPAOPERABEM WHERE CDBEMATIVO = '0000000001'").toInt());
}

TEST(Location, CostCentreNotLinkedToTheBranchIsRefusedOnExitAndBeforePost) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();
    ValidOperation(h);
    h.Type(f.dbeCdFilialNovo, "1");

    // Projetos Especiais is linked to no branch; Logística to Campinas and Jundiaí, not Matriz.
    for (const char* typed : {"9", "3"}) {
        SCOPED_TRACE(typed);
        h.Set(f.dbeCdCentCustNovo, "");
        h.Type(f.dbeCdCentCustNovo, typed);
        h.Focus(f.dbeCdSetorNovo);
        EXPECT_EQ(h.TakeMessages(), QStringList({"Centro de custo não cadastrado."}));
        EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdCentCustNovo);
        EXPECT_EQ(f.dbeNmCentCustNovo->text(), "");
    }
    EXPECT_EQ(FieldText(f.cdsCapa, "CDCENTCUITCNOVO"), "0003");

    // Before post, at Campinas (the previous branch would be refused first).
    h.Set(f.dbeCdFilialNovo, "0002");
    h.Set(f.dbeCdCentCustNovo, "9");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Centro de custo não cadastrado."}));
    EXPECT_EQ(f.dbeCdCentCustNovo->text(), "0009");
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Insert);

    h.Set(f.dbeCdCentCustNovo, "");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Centro de Custo deve ser informado."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdCentCustNovo);
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Insert);
    EXPECT_FALSE(h.Sql("SELECT COUNT(*) FROM ITCAPAOPERABEM WHERE CDBEMATIVO = '0000000001'").toInt());
}

TEST(Location, ChangingACodeClearsOnlyItsOwnName) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();
    h.Type(f.dbeCdFilialNovo, "2");
    h.Type(f.dbeCdCentCustNovo, "1");
    h.host().picks.push_back({false, "CDSETOR", "0001"});
    h.Click(f.btpSetor);
    h.host().picks.push_back({false, "CDOPERADOR", fx::kJoao});
    h.Click(f.btpRespBem);
    ASSERT_EQ(f.dbeNmFilialNovo->text(), "Filial Campinas");
    ASSERT_EQ(f.dbeNmCentCustNovo->text(), "Administrativo");
    ASSERT_EQ(f.dbeNmSetorNovo->text(), "Secretaria");
    ASSERT_EQ(f.dbeNmOperNovo->text(), "João Lima");

    h.Set(f.dbeCdFilialNovo, "1");
    EXPECT_EQ(f.dbeNmFilialNovo->text(), "");
    EXPECT_EQ(f.dbeNmCentCustNovo->text(), "Administrativo");
    h.Set(f.dbeCdCentCustNovo, "2");
    EXPECT_EQ(f.dbeNmCentCustNovo->text(), "");
    EXPECT_EQ(f.dbeNmSetorNovo->text(), "Secretaria");
    EXPECT_EQ(f.dbeRespSetorNovo->text(), "000000000002 - Maria Souza");
    h.Set(f.dbeCdSetorNovo, "2");
    EXPECT_EQ(f.dbeNmSetorNovo->text(), "");
    EXPECT_EQ(f.dbeRespSetorNovo->text(), "");
    EXPECT_EQ(f.dbeNmOperNovo->text(), "João Lima");
    h.Set(f.dbeCdOperNovo, "2");
    EXPECT_EQ(f.dbeNmOperNovo->text(), "");
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(Location, CostCentreTypedBeforeAnyBranchSendsTheFocusToTheBranch) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();

    h.Type(f.dbeCdCentCustNovo, "1");
    h.Focus(f.dbeCdSetorNovo);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Filial deve ser informada."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdFilialNovo);
    EXPECT_EQ(f.dbeCdCentCustNovo->text(), "0001");

    // Nor can the cost centres be listed without a branch.
    const int lists = h.host().lastListTitles.size();
    h.Click(f.btpCentCust);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Filial deve ser informada."}));
    EXPECT_EQ(h.host().lastListTitles.size(), lists);

    // With one, the list holds the branch's cost centres and a pick writes code and name.
    h.Type(f.dbeCdFilialNovo, "2");
    h.Focus(f.dbeCdSetorNovo);
    h.TakeMessages();
    h.host().picks.push_back({false, "CDCENTCUST", "0003"});
    h.Click(f.btpCentCust);
    EXPECT_EQ(h.host().lastList, QStringList({"0001", "0003"}));
    EXPECT_EQ(f.dbeCdCentCustNovo->text(), "0003");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDCENTCUITCNOVO"), "0003");
    EXPECT_EQ(f.dbeNmCentCustNovo->text(), "Logística");
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(Location, SectorIsLookedUpWithinTheCostCentreAndLeavesTheResponsibleAlone) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();
    ValidOperation(h);
    h.Type(f.dbeCdFilialNovo, "2");
    h.Type(f.dbeCdOperNovo, "3");
    h.Focus(f.dbeCdSetorNovo);

    // No cost centre: asked for, no list.
    const int lists = h.host().lastListTitles.size();
    h.Click(f.btpSetor);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Centro de Custo deve ser informado."}));
    EXPECT_EQ(h.host().lastListTitles.size(), lists);
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdCentCustNovo);

    h.Type(f.dbeCdCentCustNovo, "1");
    h.host().picks.push_back({false, "CDSETOR", "0001"});
    h.Click(f.btpSetor);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(h.host().lastList, QStringList({"0001", "0002"}));
    EXPECT_EQ(f.dbeCdSetorNovo->text(), "0001");
    EXPECT_EQ(f.dbeNmSetorNovo->text(), "Secretaria");
    EXPECT_EQ(f.dbeRespSetorNovo->text(), "000000000002 - Maria Souza");
    EXPECT_EQ(f.dbeCdOperNovo->text(), "3");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDOPERESPBEMNOV"), "3");

    // Typing another sector clears both of its displays; leaving it checks nothing yet.
    h.Set(f.dbeCdSetorNovo, "");
    h.Type(f.dbeCdSetorNovo, "3");
    EXPECT_EQ(f.dbeNmSetorNovo->text(), "");
    EXPECT_EQ(f.dbeRespSetorNovo->text(), "");
    h.Focus(f.dbeCdOperNovo);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.dbeCdSetorNovo->text(), "3");

    // Expedição belongs to Logística, not to Administrativo.
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Setor não cadastrado."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdSetorNovo);
    EXPECT_EQ(f.dbeCdSetorNovo->text(), "0003");
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Insert);

    h.Set(f.dbeCdSetorNovo, "2");
    h.Click(f.sbtConfirmar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Browse);
    EXPECT_EQ(Item(h, "CDSETORITCNOVO"), "0002");
    EXPECT_EQ(Item(h, "CDOPERESPBEMNOV"), "000000000003");
}

TEST(Location, InactiveOperatorTypedIsAcceptedButNeverListed) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();
    ValidOperation(h);
    h.Type(f.dbeCdFilialNovo, "2");
    h.Type(f.dbeCdCentCustNovo, "1");

    h.host().picks.push_back({true, {}, {}});
    h.Click(f.btpRespBem);
    EXPECT_EQ(h.host().lastList, QStringList({"000000000001", "000000000002", "000000000003"}));

    // An unknown one is refused before post, normalised to its width.
    h.Type(f.dbeCdOperNovo, "77");
    h.Focus(f.dbeCdSetorNovo);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList({"Operador não cadastrado."}));
    EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdOperNovo);
    EXPECT_EQ(f.dbeCdOperNovo->text(), "000000000077");

    // Paulo Santos is inactive: not offered, yet accepted by hand.
    h.Set(f.dbeCdOperNovo, "");
    h.Type(f.dbeCdOperNovo, "9");
    h.Click(f.sbtConfirmar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Browse);
    EXPECT_EQ(Item(h, "CDOPERESPBEMNOV"), fx::kInativo);
    EXPECT_EQ(f.dbeNmOperNovo->text(), "Paulo Santos");
}

TEST(Location, LookupPickWhileBrowsingPutsTheRecordIntoEdit) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset(fx::kEmpresa, "100004");
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Last);
    h.Trigger(f.mnuFormulario);
    ASSERT_EQ(f.cdsCapa.State(), DataSetState::Browse);
    ASSERT_EQ(f.dbeCdFilialNovo->text(), "00A1");
    h.TakeMessages();

    h.host().picks.push_back({false, "CDFILIAL", "0002"});
    h.Click(f.btpFilial);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(f.cdsCapa.State(), DataSetState::Edit);
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCNOVO"), "0002");
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "0002");
    EXPECT_EQ(f.dbeNmFilialNovo->text(), "Filial Campinas");
    // Nothing cascades: the cost centre keeps its code and name.
    EXPECT_EQ(f.dbeCdCentCustNovo->text(), "0003");
    EXPECT_EQ(f.dbeNmCentCustNovo->text(), "Logística");
}

TEST(Location, KeyFilters) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.NewTransfer();

    // Branch codes hold letters (typed in any case, shown in upper case) and "%&'(".
    h.Type(f.dbeCdFilialNovo, "a!-0b");
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "A0B");
    h.Set(f.dbeCdFilialNovo, "");
    h.Type(f.dbeCdFilialNovo, "%&)'(");
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "%&'(");
    h.Set(f.dbeCdFilialNovo, "");
    h.Type(f.dbeCdFilialNovo, "0a1");
    QTest::keyClick(f.dbeCdFilialNovo, Qt::Key_Backspace);
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "0A");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCNOVO"), "0A");
    h.Set(f.dbeCdFilialNovo, "");

    // The other codes are digits only.
    for (orv::TDBEdit* edit : {f.dbeCdCentCustNovo, f.dbeCdSetorNovo, f.dbeCdOperNovo}) {
        SCOPED_TRACE(edit->objectName().toStdString());
        h.Type(edit, "1a%B2");
        EXPECT_EQ(edit->text(), "12");
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(edit->text(), "1");
        h.Set(edit, "");
    }
}

TEST(Location, NameDisplaysFollowTheStoredLocationsOnScroll) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset(fx::kEmpresa, "100004");
    h.Trigger(f.mnuFormulario);
    ASSERT_EQ(f.cdsCapa.RecordCount(), 2);

    struct Names {
        QString filial, centro, setor, respSetor, oper;
    };
    auto novo = [&] {
        return Names{f.dbeNmFilialNovo->text(), f.dbeNmCentCustNovo->text(), f.dbeNmSetorNovo->text(),
                     f.dbeRespSetorNovo->text(), f.dbeNmOperNovo->text()};
    };
    auto ante = [&] {
        return Names{f.dbeNmFilialAnte->text(), f.dbeNmCentCustAnte->text(), f.dbeNmSetorAnte->text(),
                     f.dbeRespSetorAnte->text(), f.dbeNmOperAnte->text()};
    };
    auto expect = [](const Names& got, const Names& want) {
        EXPECT_EQ(got.filial, want.filial);
        EXPECT_EQ(got.centro, want.centro);
        EXPECT_EQ(got.setor, want.setor);
        EXPECT_EQ(got.respSetor, want.respSetor);
        EXPECT_EQ(got.oper, want.oper);
    };
    const Names matriz{"Matriz São Paulo", "Administrativo", "Secretaria", "000000000002 - Maria Souza", "Maria Souza"};
    const Names campinas{"Filial Campinas", "Administrativo", "Secretaria", "000000000002 - Maria Souza", "Maria Souza"};
    const Names jundiai{"Depósito Jundiaí", "Logística", "Expedição", "000000000003 - João Lima", "João Lima"};

    // First transfer: Matriz -> Campinas; second: Campinas -> Jundiaí; and back again.
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::First);
    {
        SCOPED_TRACE("primeira");
        expect(ante(), matriz);
        expect(novo(), campinas);
    }
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Next);
    {
        SCOPED_TRACE("segunda");
        expect(ante(), campinas);
        expect(novo(), jundiai);
    }
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Prior);
    {
        SCOPED_TRACE("primeira de novo");
        expect(ante(), matriz);
        expect(novo(), campinas);
    }
    // Names are remembered while the list stays; a reload looks them up afresh.
    h.Sql("UPDATE FILIAL SET NMFILIAL = 'Filial Campinas Centro' WHERE NMFILIAL = 'Filial Campinas'");
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Next);
    EXPECT_EQ(f.dbeNmFilialAnte->text(), "Filial Campinas");
    h.Trigger(f.mnuFolhaDados);
    h.Click(f.sbtVerificar);
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::First);
    EXPECT_EQ(f.dbeNmFilialNovo->text(), "Filial Campinas Centro");
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(Location, StoredCodesWithoutReferenceRowsShowNoNameAndNoMessage) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    // Codes whose reference rows were removed since (or never imported).
    h.Sql("UPDATE ITCAPAOPERABEM SET CDFILIALITCNOVO = 'ZZ99', CDSETORITCANTE = '0077',"
          " CDOPERESPBEMNOV = '000000000088' WHERE NRSEQCAPAOPEBEM = '0000000001'");
    h.OpenAsset(fx::kEmpresa, "100004");
    h.Trigger(f.mnuFormulario);
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Last);
    ASSERT_EQ(f.dbeNmSetorAnte->text(), "Secretaria");
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::First);

    EXPECT_EQ(f.dbeCdFilialNovo->text(), "ZZ99");
    EXPECT_EQ(f.dbeNmFilialNovo->text(), "");
    EXPECT_EQ(f.dbeNmCentCustNovo->text(), "");  // no longer linked to a known branch
    EXPECT_EQ(f.dbeNmSetorNovo->text(), "Secretaria");
    EXPECT_EQ(f.dbeNmOperNovo->text(), "");
    EXPECT_EQ(f.dbeNmFilialAnte->text(), "Matriz São Paulo");
    EXPECT_EQ(f.dbeNmSetorAnte->text(), "");
    EXPECT_EQ(f.dbeRespSetorAnte->text(), "");
    EXPECT_EQ(f.dbeNmOperAnte->text(), "Maria Souza");
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}
