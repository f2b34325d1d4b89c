// Screen state: the last-transfer rule, the toolbar and its menu twins, the pages and menu
// items while browsing, inserting and editing, and the container switch.
#include "tests/screen/ScreenHarness.h"

#include "orv/widgets/FocusManager.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSqlQuery>
#include <QTest>

#include <gtest/gtest.h>

using namespace screentest;
using zmt02600::TFrmTransferenciaFisica;

namespace {


// The enabled ones among the seven twinned toolbar buttons ("Incluir Alterar ..."); their menu
// twins must say the same.
std::string EnabledButtons(TFrmTransferenciaFisica& f) {
    QStringList names;
    for (const auto& [button, twin] : f.ButtonTwins()) {
        EXPECT_EQ(twin->isEnabled(), button->isEnabled()) << button->objectName().toStdString();
        if (button->isEnabled()) names << button->objectName().mid(3);
    }
    return names.join(' ').toStdString();
}

// The pages that can be chosen, by name.
std::string ReachablePages(TFrmTransferenciaFisica& f) {
    QStringList names;
    for (int i = 0; i < f.pgcPadrao->PageCount(); ++i)
        if (f.pgcPadrao->Pages(i)->Enabled()) names << f.pgcPadrao->Pages(i)->objectName();
    return names.join(' ').toStdString();
}

void OpenLastTransfer(ScreenHarness& h) {
    h.OpenAsset("01", "100004");
    ASSERT_EQ(h.frm().cdsCapa.RecordCount(), 2);
    h.frm().dbnPadrao->BtnClick(orv::TNavigateBtn::Last);
    ASSERT_EQ(FieldText(h.frm().cdsCapa, "NRSEQCAPAOPEBEM"), "0000000002");
}

}  // namespace

TEST(StateLastTransfer, OnlyTheLatestTransferMayChange) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");
    ASSERT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000001");

    // The older one, on the list page: a new one, a search or a refresh only.
    EXPECT_EQ(EnabledButtons(f), "Incluir Localizar Verificar");
    for (QWidget* group : {static_cast<QWidget*>(f.grbTipoOper), static_cast<QWidget*>(f.grbLocalNovo),
                           static_cast<QWidget*>(f.grbDadosTransferencia), static_cast<QWidget*>(f.dbgRateio),
                           static_cast<QWidget*>(f.dbgCtblBemAtivo)})
        EXPECT_FALSE(group->isEnabled()) << group->objectName().toStdString();
    EXPECT_TRUE(f.sbtCadAut->isEnabled());

    // The older one on the form page: nothing at all.
    h.Trigger(f.mnuFormulario);
    ASSERT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);
    ASSERT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000001");
    EXPECT_EQ(EnabledButtons(f), "");
    EXPECT_FALSE(f.depDataTransf->isEnabled());
    EXPECT_FALSE(f.dbeCdFilialNovo->isEnabled());

    // The latest one on the form page: it may be changed or undone.
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Last);
    ASSERT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000002");
    EnabledButtons(f);
    EXPECT_TRUE(f.sbtIncluir->isEnabled());
    EXPECT_TRUE(f.sbtAlterar->isEnabled());
    EXPECT_TRUE(f.sbtExcluir->isEnabled());
    for (QWidget* group : {static_cast<QWidget*>(f.grbTipoOper), static_cast<QWidget*>(f.grbLocalNovo),
                           static_cast<QWidget*>(f.grbDadosTransferencia), static_cast<QWidget*>(f.dbgRateio),
                           static_cast<QWidget*>(f.dbgCtblBemAtivo)})
        EXPECT_TRUE(group->isEnabled()) << group->objectName().toStdString();
    EXPECT_TRUE(f.dbeCdFilialNovo->isEnabled());
    // Display-only edits stay display-only whatever the record.
    EXPECT_FALSE(f.dbeNmFilialNovo->isEnabled());
    EXPECT_FALSE(f.dbeNmTipoOper->isEnabled());

    // Back to the list: the latest one keeps every button.
    h.Trigger(f.mnuFolhaDados);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    EXPECT_EQ(EnabledButtons(f), "Incluir Alterar Excluir Localizar Verificar");

    // And the older one again, by the navigator.
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::First);
    EXPECT_EQ(EnabledButtons(f), "Incluir Localizar Verificar");
    EXPECT_FALSE(f.grbLocalNovo->isEnabled());
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(StateLastTransfer, ARefreshAfterAnotherUsersTransferMakesTheFormerLastOneReadOnly) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    OpenLastTransfer(h);
    ASSERT_TRUE(f.sbtAlterar->isEnabled());
    // Another transfer of the same asset recorded elsewhere.
    h.Sql("UPDATE ITCAPAOPERABEM SET CDBEMATIVO = '0000000004', NRSEQOPERABEM = '0000000009'"
          " WHERE NRSEQCAPAOPEBEM = '0000000003'");
    h.Click(f.sbtVerificar);
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    ASSERT_EQ(f.cdsCapa.RecordCount(), 3);
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000002");
    EXPECT_EQ(EnabledButtons(f), "Incluir Localizar Verificar");
}

TEST(StateInsert, OnlyTheFormIsReachableAndThePanelStaysUsable) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");
    h.Click(f.sbtIncluir);
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);
    EXPECT_EQ(ReachablePages(f), "tshFormulario");
    EXPECT_TRUE(f.mnuFormulario->isEnabled());
    EXPECT_FALSE(f.mnuFolhaDados->isEnabled());
    EXPECT_TRUE(f.mnuFormulario->isChecked());
    EXPECT_FALSE(f.mnuFolhaDados->isChecked());
    EXPECT_EQ(EnabledButtons(f), "Confirmar Cancelar");
    EXPECT_FALSE(f.sbtCadAut->isEnabled());
    // A new transfer takes its date, type and motive as well as its location.
    for (QWidget* w : {static_cast<QWidget*>(f.depDataTransf), static_cast<QWidget*>(f.dbeCdTipoOper),
                       static_cast<QWidget*>(f.btnPesqTipoOper), static_cast<QWidget*>(f.dbeCdMotivoOper),
                       static_cast<QWidget*>(f.dbeCdFilialNovo), static_cast<QWidget*>(f.dbeCdSetorNovo),
                       static_cast<QWidget*>(f.dbeNF), static_cast<QWidget*>(f.dbeNrNota)})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    // The panel is not locked by an insert.
    for (QWidget* w : {static_cast<QWidget*>(f.medEmpresa), static_cast<QWidget*>(f.medBem),
                       static_cast<QWidget*>(f.btpEmpresa), static_cast<QWidget*>(f.btpBem)})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    // Tab clicks cannot leave the form.
    h.Click(f.tshPadrao);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(StateInsert, NothingDropsTheRecordBeingInsertedWithoutTheClerksWord) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    h.OpenAsset("01", "100004");
    h.Click(f.sbtIncluir);
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    h.Type(f.dbeCdFilialNovo, "2");

    // "Formulário" only shows the form: no reload, no question.
    h.Trigger(f.mnuFormulario);
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "2");
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);

    // "No" keeps the record and the focus, and runs none of the panel's exits on the way back
    // (the asset typed over would be refused by them).
    f.medBem->setText("999999");
    for (QWidget* target : {static_cast<QWidget*>(f.medBem), static_cast<QWidget*>(f.medEmpresa)}) {
        h.host().answers.push_back(false);
        h.Focus(target);
        EXPECT_EQ(orv::ActiveControl(&f), f.dbeCdFilialNovo) << target->objectName().toStdString();
    }
    h.host().answers.push_back(false);
    h.Click(f.btpBem);
    h.host().answers.push_back(false);
    h.Click(f.btpEmpresa);
    EXPECT_EQ(h.host().questions, QStringList(4, "Deseja cancelar as alterações?"));
    EXPECT_TRUE(h.host().lastListTitles.isEmpty());  // no pick list opened
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_EQ(f.dbeCdFilialNovo->text(), "0002");  // its own exit ran once, on the way out

    // A post that finds the asset gone points at the asset edit and asks nothing.
    QSqlQuery(h.db()).exec("UPDATE BEMATIVO SET CDEMPRESA = '02' WHERE CDBEMATIVO = '0000000004'");
    h.Set(f.dbeCdTipoOper, "1");
    h.Set(f.dbeCdMotivoOper, "1");
    h.Set(f.dbeCdCentCustNovo, "1");
    h.Click(f.sbtConfirmar);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Bem não cadastrado."});
    EXPECT_EQ(orv::ActiveControl(&f), f.medBem);
    EXPECT_EQ(h.host().questions.size(), 4);
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    QSqlQuery(h.db()).exec("UPDATE BEMATIVO SET CDEMPRESA = '01' WHERE CDBEMATIVO = '0000000004'");
    h.Set(f.medBem, "100004");

    // "Yes" cancels it and the company edit closes the list.
    h.host().answers.push_back(true);
    h.Focus(f.medEmpresa);
    EXPECT_EQ(orv::ActiveControl(&f), f.medEmpresa);
    EXPECT_FALSE(f.cdsCapa.Active());
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    EXPECT_EQ(ReachablePages(f), "tshPadrao");
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_TRUE(h.host().AllConsumed());
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(StateEdit, EditingFromTheListLocksTheOperationGroupAndThePanel) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    OpenLastTransfer(h);
    h.Click(f.sbtAlterar);
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Edit);
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);
    EXPECT_EQ(ReachablePages(f), "tshFormulario");
    EXPECT_FALSE(f.mnuFolhaDados->isEnabled());
    EXPECT_TRUE(f.mnuFormulario->isEnabled());
    EXPECT_EQ(EnabledButtons(f), "Confirmar Cancelar");
    EXPECT_FALSE(f.sbtCadAut->isEnabled());
    // Date, type and motive belong to the transfer as recorded.
    for (QWidget* w : {static_cast<QWidget*>(f.depDataTransf), static_cast<QWidget*>(f.dbeCdTipoOper),
                       static_cast<QWidget*>(f.btnPesqTipoOper), static_cast<QWidget*>(f.dbeCdMotivoOper),
                       static_cast<QWidget*>(f.btnPesqMotivoOper)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    for (QWidget* w : {static_cast<QWidget*>(f.dbeCdFilialNovo), static_cast<QWidget*>(f.btpFilial),
                       static_cast<QWidget*>(f.dbeCdOperNovo), static_cast<QWidget*>(f.dbeNF)})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    for (QWidget* w : {static_cast<QWidget*>(f.medEmpresa), static_cast<QWidget*>(f.medBem),
                       static_cast<QWidget*>(f.btpEmpresa), static_cast<QWidget*>(f.btpBem)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(StateEdit, EditingFromTheFormLocksTheSameControls) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    OpenLastTransfer(h);
    h.Trigger(f.mnuFormulario);
    ASSERT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);
    h.Trigger(f.mnuAlterar);
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Edit);
    EXPECT_EQ(ReachablePages(f), "tshFormulario");
    EXPECT_FALSE(f.depDataTransf->isEnabled());
    EXPECT_FALSE(f.dbeCdMotivoOper->isEnabled());
    EXPECT_TRUE(f.dbeCdFilialNovo->isEnabled());
    EXPECT_FALSE(f.medEmpresa->isEnabled());
    EXPECT_FALSE(f.medBem->isEnabled());
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(StateContainer, SwitchLeavesTaggedAndDisplayOnlyControlsAndGrandchildrenAlone) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    OpenLastTransfer(h);
    ASSERT_TRUE(f.grbLocalNovo->isEnabled());
    f.dbeCdSetorNovo->SetTag(99);
    f.SetChildEnabledNovo(f.grbLocalNovo, false);
    EXPECT_FALSE(f.dbeCdFilialNovo->isEnabled());
    EXPECT_FALSE(f.btpFilial->isEnabled());
    EXPECT_TRUE(f.dbeCdSetorNovo->isEnabled());
    EXPECT_FALSE(f.dbeNmFilialNovo->isEnabled());

    f.SetChildEnabledNovo(f.grbLocalNovo, true);
    EXPECT_TRUE(f.dbeCdFilialNovo->isEnabled());
    EXPECT_TRUE(f.btpFilial->isEnabled());
    // A display-only edit is never made typeable.
    EXPECT_FALSE(f.dbeNmFilialNovo->isEnabled());
    EXPECT_FALSE(f.dbeRespSetorNovo->isEnabled());

    // Only direct children are switched: the group goes, its edits keep their own state.
    f.SetChildEnabledNovo(f.tshFormulario, false);
    EXPECT_FALSE(f.grbLocalNovo->isEnabled());
    EXPECT_FALSE(f.dbeCdFilialNovo->testAttribute(Qt::WA_ForceDisabled));
    f.SetChildEnabledNovo(f.tshFormulario, true);
    EXPECT_TRUE(f.dbeCdFilialNovo->isEnabled());
}

TEST(StateContainer, TaggedGroupKeepsItsStateThroughTheLastTransferRule) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    f.grbLocalAnte->SetTag(99);
    f.grbDadosTransferencia->SetTag(99);
    f.SetChildEnabledNovo(f.tshFormulario, true);
    f.grbDadosTransferencia->setEnabled(false);
    h.OpenAsset("01", "100004");
    ASSERT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000001");
    EXPECT_FALSE(f.grbTipoOper->isEnabled());
    EXPECT_TRUE(f.grbLocalAnte->isEnabled());
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Last);
    EXPECT_TRUE(f.grbTipoOper->isEnabled());
    EXPECT_FALSE(f.grbDadosTransferencia->isEnabled());
}

TEST(StatePages, PageSwitchesPointTheToolbarAtThePagesData) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    OpenLastTransfer(h);

    h.Trigger(f.mnuFormulario);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);
    EXPECT_TRUE(f.mnuFormulario->isChecked());
    EXPECT_FALSE(f.mnuFolhaDados->isChecked());
    EXPECT_EQ(f.dtsPadrao.DataSet(), &f.cdsCapa);

    h.Click(f.tshRateio);
    ASSERT_EQ(f.pgcPadrao->currentWidget(), f.tshRateio);
    EXPECT_EQ(f.dtsPadrao.DataSet(), &f.cdsRateio);
    EXPECT_FALSE(f.sbtLocalizar->isEnabled());
    EXPECT_FALSE(f.mnuLocalizar->isEnabled());
    EXPECT_FALSE(f.mnuFormulario->isChecked());
    EXPECT_FALSE(f.mnuFolhaDados->isChecked());

    h.Click(f.tshParamContabil);
    ASSERT_EQ(f.pgcPadrao->currentWidget(), f.tshParamContabil);
    EXPECT_EQ(f.dtsPadrao.DataSet(), &f.cdsCtblBemAtivo);
    EXPECT_FALSE(f.sbtLocalizar->isEnabled());

    h.Trigger(f.mnuFolhaDados);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    EXPECT_TRUE(f.mnuFolhaDados->isChecked());
    EXPECT_FALSE(f.mnuFormulario->isChecked());
    EXPECT_EQ(f.dtsPadrao.DataSet(), &f.cdsCapa);
    EXPECT_TRUE(f.sbtLocalizar->isEnabled());
    EXPECT_TRUE(f.mnuLocalizar->isEnabled());
    // The list was read again on the way and the current transfer kept.
    EXPECT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000002");

    h.Click(f.tshFormulario);
    EXPECT_TRUE(f.mnuFormulario->isChecked());
    EXPECT_FALSE(f.mnuFolhaDados->isChecked());
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_EQ(h.host().busyDepth, 0);
}

TEST(StatePages, EnteringTheCompanyOrAssetClosesTheList) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    OpenLastTransfer(h);
    h.Trigger(f.mnuFormulario);
    ASSERT_EQ(f.pgcPadrao->currentWidget(), f.tshFormulario);

    h.Focus(f.medBem);
    EXPECT_FALSE(f.cdsCapa.Active());
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    EXPECT_EQ(ReachablePages(f), "tshPadrao");
    EXPECT_FALSE(f.mnuFormulario->isEnabled());
    EXPECT_FALSE(f.mnuFolhaDados->isEnabled());
    EXPECT_TRUE(f.sbtCadAut->isEnabled());

    // Leaving the panel again brings it all back.
    h.Focus(f.dbgPadrao);
    EXPECT_EQ(f.cdsCapa.RecordCount(), 2);
    EXPECT_EQ(ReachablePages(f), "tshPadrao tshFormulario tshParamContabil tshRateio");
    EXPECT_TRUE(f.mnuFolhaDados->isEnabled());
    EXPECT_TRUE(f.mnuFormulario->isEnabled());
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

// The clerk at the keyboard: Enter moves on as Tab does, the toolbar's keys run its buttons, and
// the focus is where the next key is wanted.
TEST(StateKeyboard, EnterTabAndTheToolbarKeysWalkATransfer) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    auto press = [](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        QApplication::processEvents();
    };
    auto typed = [](const QString& text) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        QApplication::processEvents();
    };
    auto active = [&f] { return orv::ActiveControl(&f); };
    const QString soUltima = "Só a última transferência do bem pode ser alterada ou excluída.";

    // Each item of the Operação menu has a mnemonic of its own.
    QStringList mnemonics;
    for (QAction* item : f.mnuOperacao->actions()) {
        if (item->isSeparator()) continue;
        const qsizetype amp = item->text().indexOf('&');
        ASSERT_GE(amp, 0) << item->objectName().toStdString();
        EXPECT_FALSE(mnemonics.contains(item->text().mid(amp + 1, 1).toLower())) << item->objectName().toStdString();
        mnemonics << item->text().mid(amp + 1, 1).toLower();
    }

    // Enter in the company runs its check: refused, the focus stays; accepted, the asset is next.
    h.Type(f.medEmpresa, "7");
    press(Qt::Key_Return);
    EXPECT_EQ(h.TakeMessages(), QStringList{"Empresa não cadastrada."});
    EXPECT_EQ(active(), f.medEmpresa);
    press(Qt::Key_Backspace);
    press(Qt::Key_Backspace);
    typed("1");
    press(Qt::Key_Return);
    EXPECT_EQ(f.medEmpresa->text(), "01");
    EXPECT_EQ(active(), f.medBem);

    // Enter in the asset loads its list and goes on to it; so does Tab.
    typed("100004");
    press(Qt::Key_Return);
    EXPECT_EQ(f.cdsCapa.RecordCount(), 2);
    EXPECT_EQ(active(), f.dbgPadrao);
    h.Focus(f.medBem);
    ASSERT_FALSE(f.cdsCapa.Active());
    press(Qt::Key_Tab);
    EXPECT_EQ(f.cdsCapa.RecordCount(), 2);
    EXPECT_EQ(active(), f.dbgPadrao);
    EXPECT_TRUE(h.TakeMessages().isEmpty());

    // The older transfer says why it cannot change, and its key does nothing; the last one names
    // its key.
    ASSERT_EQ(FieldText(f.cdsCapa, "NRSEQCAPAOPEBEM"), "0000000001");
    EXPECT_EQ(f.sbtAlterar->toolTip(), soUltima);
    EXPECT_EQ(f.sbtExcluir->toolTip(), soUltima);
    press(Qt::Key_F2);
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Browse);
    f.dbnPadrao->BtnClick(orv::TNavigateBtn::Last);
    EXPECT_EQ(f.sbtAlterar->toolTip(), "Alterar (F2)");
    EXPECT_EQ(f.sbtExcluir->toolTip(), "Excluir (Ctrl+Del)");

    // A key its full code field refuses starts no edit of the saved transfer.
    h.Trigger(f.mnuFormulario);
    h.Focus(f.dbeCdFilialNovo);
    ASSERT_EQ(f.dbeCdFilialNovo->text(), fx::kJundiai);
    f.dbeCdFilialNovo->end(false);
    typed("B");
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Browse);
    EXPECT_EQ(f.dbeCdFilialNovo->text(), fx::kJundiai);

    // F2: the new branch is typed into at once; Esc gives the change up only when the clerk says so.
    press(Qt::Key_F2);
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Edit);
    EXPECT_EQ(active(), f.dbeCdFilialNovo);
    typed("0002");
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCNOVO"), fx::kCampinas);
    h.host().answers = {false, true};
    press(Qt::Key_Escape);
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Edit);
    press(Qt::Key_Escape);
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Browse);
    EXPECT_EQ(FieldText(f.cdsCapa, "CDFILIALITCNOVO"), fx::kJundiai);

    // Ins from the list: the new transfer's date is typed into at once, and Enter moves on from it
    // through its check.
    h.Focus(f.dbgPadrao);
    press(Qt::Key_Insert);
    ASSERT_EQ(f.cdsCapa.State(), orv::DataSetState::Insert);
    EXPECT_EQ(active(), f.depDataTransf);
    typed("15112026");
    EXPECT_EQ(f.depDataTransf->text(), "15/11/2026");
    press(Qt::Key_Return);
    EXPECT_EQ(active(), f.dbeCdTipoOper);
    h.host().answers = {true};
    press(Qt::Key_Escape);
    EXPECT_EQ(f.cdsCapa.State(), orv::DataSetState::Browse);
    EXPECT_EQ(h.host().questions, QStringList(3, "Deseja cancelar as alterações?"));
    EXPECT_TRUE(h.TakeMessages().isEmpty());
    EXPECT_TRUE(h.host().AllConsumed());
    EXPECT_EQ(h.host().busyDepth, 0);
}
