#include "Support.h"

#include "orv/Routines.h"
#include "orv/widgets/BaseForms.h"
#include "orv/widgets/Edits.h"
#include "orv/widgets/FocusManager.h"

#include <QVBoxLayout>

using namespace orv;
using namespace widgets_test;

namespace {

// A screen as the module writes them: its data set is a member of its own, destroyed before the
// base's data source.
class TfrmBens : public TfrmPadraoGrid {
public:
    TDataSet cdsPadrao{"cdsPadrao"};
    TTabSheet* tshDados = new TTabSheet(pgcPadrao, "tshDados", "Dados");
    TDBEdit* dbeNome = new TDBEdit(tshDados, "dbeNome");
    bool refuseClose = false;
    QStringList calls;

    void FormCreate() override {
        new QVBoxLayout(tshDados);
        tshDados->layout()->addWidget(dbeNome);
        dbeNome->SetDataSource(&dtsPadrao);
        dbeNome->SetDataField("NMBEM");
        setWindowTitle("Bens");
        lblCodTela->SetCaption("ATF0101");
        msgPadrao.SetLines({"Grav|Confirma a gravação?"});
        DeclareItems(cdsPadrao);
        LoadItems(cdsPadrao);
        dtsPadrao.SetDataSet(&cdsPadrao);
        dbtNome->SetDataField("NMBEM");
    }
    void FormClose() override {
        calls << "FormClose";
        if (refuseClose) Abort();
        TfrmPadraoGrid::FormClose();
    }
    void sbtIncluirClick() override {
        calls << "Incluir";
        TfrmPadraoGrid::sbtIncluirClick();
        pgcPadrao->SetActivePage(tshDados);
    }
};

struct Screen : HostTest {
    std::unique_ptr<TfrmBens> frm;
    void SetUp() override {
        HostTest::SetUp();
        frm = std::make_unique<TfrmBens>();
        ASSERT_TRUE(frm->Initialize());
    }
    void ExpectEnabled(TSpeedButton* button, bool enabled) {
        EXPECT_EQ(button->isEnabled(), enabled) << button->Name().toStdString();
        if (TMenuItem* twin = frm->TwinOf(button)) {
            EXPECT_EQ(twin->isEnabled(), enabled) << twin->objectName().toStdString();
        }
    }
};

}  // namespace

TEST_F(Screen, ComponentsCarryTheirNamesAndTheMenuTwinsMirrorTheToolbar) {
    const auto twins = frm->ButtonTwins();
    ASSERT_EQ(twins.size(), 7);
    QStringList names;
    for (const auto& [button, item] : twins) names << button->Name() + "/" + item->objectName();
    EXPECT_EQ(names, QStringList({"sbtIncluir/mnuIncluir", "sbtAlterar/mnuAlterar", "sbtExcluir/mnuExcluir",
                                  "sbtLocalizar/mnuLocalizar", "sbtVerificar/mnuVerificar",
                                  "sbtConfirmar/mnuConfirmar", "sbtCancelar/mnuCancelar"}));
    EXPECT_EQ(frm->Find<TMenuItem>("mnuVerificar")->Caption(), "Atualizar");
    EXPECT_EQ(frm->Find<TSpeedButton>("sbtLocalizar")->Hint(), "Localizar");
    EXPECT_EQ(frm->Find<TDBGrid>("dbgPadrao")->parentWidget(), frm->tshPadrao);
    EXPECT_EQ(frm->Find<TLabel>("lblCodTela")->Caption(), "ATF0101");
    EXPECT_EQ(frm->dbtNome->text(), "Bem 1");
    for (TSpeedButton* b : {frm->sbtIncluir, frm->sbtConfirmar}) EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);

    // Button and menu item run the same (derived) handler.
    frm->mnuIncluir->Click();
    EXPECT_EQ(frm->calls, QStringList({"Incluir"}));
    EXPECT_EQ(frm->cdsPadrao.State(), DataSetState::Insert);
}

TEST_F(Screen, TheStateDecidesWhichButtonsAndTwinsAreEnabled) {
    for (TSpeedButton* b : {frm->sbtIncluir, frm->sbtAlterar, frm->sbtExcluir, frm->sbtVerificar, frm->sbtLocalizar})
        ExpectEnabled(b, true);
    ExpectEnabled(frm->sbtConfirmar, false);
    ExpectEnabled(frm->sbtCancelar, false);

    frm->sbtAlterar->Click();
    EXPECT_EQ(frm->cdsPadrao.State(), DataSetState::Edit);
    for (TSpeedButton* b : {frm->sbtIncluir, frm->sbtAlterar, frm->sbtExcluir, frm->sbtVerificar, frm->sbtLocalizar})
        ExpectEnabled(b, false);
    ExpectEnabled(frm->sbtConfirmar, true);
    ExpectEnabled(frm->sbtCancelar, true);
    EXPECT_FALSE(frm->dbnPadrao->isEnabled());

    frm->cdsPadrao.FieldByName("NMBEM").SetAsString("Cadeira");
    frm->sbtConfirmar->Click();
    EXPECT_EQ(frm->cdsPadrao.State(), DataSetState::Browse);
    EXPECT_EQ(frm->cdsPadrao.FieldByName("NMBEM").AsString(), "Cadeira");
    ExpectEnabled(frm->sbtConfirmar, false);

    // Localizar needs records.
    frm->cdsPadrao.EmptyDataSet();
    ExpectEnabled(frm->sbtLocalizar, false);
    ExpectEnabled(frm->sbtIncluir, true);
}

TEST_F(Screen, ExcluirAndCancelarAskTheGeneralTablesQuestionsUnlessTheScreenHasItsOwn) {
    host.answers = {false, true};
    frm->sbtExcluir->Click();
    EXPECT_EQ(frm->cdsPadrao.RecordCount(), 3);
    frm->sbtExcluir->Click();
    EXPECT_EQ(frm->cdsPadrao.RecordCount(), 2);
    EXPECT_EQ(host.questions, QStringList({"Confirma exclusão?", "Confirma exclusão?"}));

    host.questions.clear();
    frm->msgPadrao.SetLines({"Canc|Abandona o bem em edição?"});
    frm->sbtIncluir->Click();
    frm->cdsPadrao.FieldByName("NMBEM").SetAsString("Novo");
    host.answers = {false};
    frm->sbtCancelar->Click();
    EXPECT_EQ(frm->cdsPadrao.State(), DataSetState::Insert);
    EXPECT_EQ(host.questions, QStringList({"Abandona o bem em edição?"}));
    EXPECT_EQ(frm->Msg("Excl"), "Confirma exclusão?");
    EXPECT_EQ(frm->Msg("Grav"), "Grav");  // replaced table: the missing key shows itself

    // An untouched record is cancelled without a question.
    frm->cdsPadrao.Cancel();
    frm->sbtIncluir->Click();
    frm->sbtCancelar->Click();
    EXPECT_EQ(frm->cdsPadrao.State(), DataSetState::Browse);
    EXPECT_EQ(host.questions.size(), 1);
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST_F(Screen, IncluirFromTheListKeepsTheNewRecordWhileTheFocusMovesToTheDataPage) {
    ASSERT_TRUE(Activate(*frm));
    frm->dbgPadrao->setFocus();
    frm->sbtIncluir->Click();
    EXPECT_EQ(frm->cdsPadrao.State(), DataSetState::Insert);
    EXPECT_EQ(frm->pgcPadrao->ActivePage(), frm->tshDados);
    EXPECT_EQ(ActiveControl(frm.get()), frm->dbeNome);
    QTest::keyClicks(frm->dbeNome, "Mesa");
    frm->sbtConfirmar->Click();
    EXPECT_EQ(frm->cdsPadrao.RecordCount(), 4);
    EXPECT_EQ(frm->cdsPadrao.FieldByName("NMBEM").AsString(), "Mesa");
}

TEST_F(Screen, LocalizarPositionsTheListThroughThePickList) {
    host.picks.push_back({false, "CDBEM", "000003"});
    frm->sbtLocalizar->Click();
    EXPECT_EQ(frm->cdsPadrao.RecNo(), 3);
    EXPECT_EQ(frm->dbgPadrao->currentIndex().row(), 2);
    EXPECT_EQ(frm->dbtNome->text(), "Bem 3");
}

TEST_F(Screen, FormCloseCanRefuseTheClose) {
    ASSERT_TRUE(Activate(*frm));
    frm->refuseClose = true;
    EXPECT_FALSE(frm->close());
    EXPECT_TRUE(frm->isVisible());

    // The base asks before abandoning a modified record.
    frm->refuseClose = false;
    frm->sbtAlterar->Click();
    frm->cdsPadrao.FieldByName("NMBEM").SetAsString("Alterado");
    host.answers = {false, true};
    EXPECT_FALSE(frm->close());
    EXPECT_EQ(frm->cdsPadrao.State(), DataSetState::Edit);
    EXPECT_TRUE(frm->close());
    EXPECT_FALSE(frm->isVisible());
    EXPECT_EQ(frm->cdsPadrao.State(), DataSetState::Browse);
    EXPECT_EQ(host.questions, QStringList({"Deseja cancelar as alterações?", "Deseja cancelar as alterações?"}));
}

namespace {

class TfrmRelBens : public TfrmRotiGeral {
public:
    bool refuseClose = true;
    int confirmed = 0;
    void FormClose() override {
        if (refuseClose) MensErro("Aguarde o fim da emissão.");
    }
    void sbtConfirmaClick() override { ++confirmed; }
};

}  // namespace

TEST(RoutineDialog, EveryWayOutGoesThroughFormClose) {
    ScriptedHost host;
    InstallHost(&host);
    {
        TfrmRelBens dlg;
        ASSERT_TRUE(dlg.Initialize());
        EXPECT_EQ(dlg.grbDadosRel->Caption(), "");
        EXPECT_EQ(dlg.sbtConfirma->parentWidget(), dlg.panBotoes);
        dlg.show();
        dlg.sbtConfirma->Click();
        EXPECT_EQ(dlg.confirmed, 1);
        dlg.reject();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_FALSE(dlg.close());
        EXPECT_EQ(host.messages.size(), 2);
        dlg.refuseClose = false;
        dlg.accept();
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    InstallHost(nullptr);
}
