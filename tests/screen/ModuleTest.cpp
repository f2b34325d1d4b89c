// The module's entry and the screen's lifetime and layout.
#include "tests/screen/ScreenHarness.h"

#include "orv/Host.h"
#include "orv/widgets/Widgets.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>

#include <gtest/gtest.h>

using namespace screentest;
using zmt02600::TFrmTransferenciaFisica;

TEST(Module, SecondEntryBringsTheSameScreenForwardAndCloseMakesANewOne) {
    ScreenHarness h;
    QPointer<TFrmTransferenciaFisica> first = FrmTransferenciaFisica;
    ASSERT_TRUE(boIdCriado);
    ASSERT_TRUE(first->netTransFisica.Connected());
    first->showMinimized();
    h.IniProc();
    EXPECT_EQ(FrmTransferenciaFisica, first.data());
    EXPECT_FALSE(first->windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(first->netTransFisica.Connected());

    ASSERT_TRUE(h.CloseScreen());
    EXPECT_TRUE(first.isNull());
    EXPECT_FALSE(boIdCriado);
    EXPECT_EQ(FrmTransferenciaFisica, nullptr);

    h.IniProc();
    ASSERT_NE(FrmTransferenciaFisica, nullptr);
    EXPECT_TRUE(boIdCriado);
    EXPECT_TRUE(FrmTransferenciaFisica->netTransFisica.Connected());
    EXPECT_TRUE(h.TakeMessages().isEmpty());
}

TEST(Module, AnUnreachableServerIsReportedAndNoScreenIsKept) {
    ScreenHarness h;
    ASSERT_TRUE(h.CloseScreen());
    h.host().webPort = 1;  // nothing listens there
    h.IniProc();
    EXPECT_EQ(FrmTransferenciaFisica, nullptr);
    EXPECT_FALSE(boIdCriado);
    const QStringList messages = h.TakeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Falha de comunicação com o servidor de aplicação.")) << messages[0].toStdString();

    h.host().token = "errado";
    h.host().webPort = h.port();
    h.IniProc();
    EXPECT_EQ(FrmTransferenciaFisica, nullptr);
    EXPECT_TRUE(h.TakeMessages().value(0).contains("token")) ;
}

TEST(Layout, ScreenOpensWithTheCompanyFocusedAndNoList) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    EXPECT_EQ(f.windowTitle(), "Transferência Física");
    EXPECT_EQ(f.lblCodTela->Caption(), "ZMT02600");
    // The designed form page gives way to the list as soon as the company edit is entered.
    EXPECT_EQ(orv::ActiveControl(&f), f.medEmpresa);
    EXPECT_EQ(f.pgcPadrao->currentWidget(), f.tshPadrao);
    EXPECT_FALSE(f.tshFormulario->Enabled());
    EXPECT_FALSE(f.mnuFormulario->isEnabled());
    EXPECT_FALSE(f.sbtCadAut->isEnabled());
    EXPECT_EQ(f.sbtCadAut->Hint(), "Cadastramento Automático");
    EXPECT_FALSE(f.sbtImprimir->isEnabled());
    EXPECT_FALSE(f.mnuListagem->isEnabled());
    EXPECT_EQ(f.mnuOperacao->actions().value(0), f.mnuFolhaDados);
    EXPECT_EQ(f.mnuOperacao->actions().value(1), f.mnuFormulario);
    EXPECT_TRUE(f.mnuOperacao->actions().value(2)->isSeparator());
}

TEST(Layout, PagesGroupsAndEditsAreNamedCaptionedAndBound) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    const QStringList pages = {"Folha de Dados (Grade)", "Formulário", "Parametrização Contábil", "Rateio Contábil"};
    ASSERT_EQ(f.pgcPadrao->PageCount(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.pgcPadrao->tabText(i), pages[i]);
    EXPECT_EQ(f.grbTipoOper->Caption(), "");
    EXPECT_EQ(f.grbLocalAnte->Caption(), "Localização Anterior");
    EXPECT_EQ(f.grbLocalNovo->Caption(), "Localização Atual");
    EXPECT_EQ(f.grbDadosTransferencia->Caption(), "Dados de Tranferência do Bem");

    struct Binding {
        orv::TDBEdit* edit;
        const char* field;
        orv::ColorKind color;
    };
    const Binding bindings[] = {
        {f.dbeCdTipoOper, "CDTIPOOPERBEM", orv::ColorKind::InfoBk},
        {f.dbeNmTipoOper, "NMTIPOOPERBEM", orv::ColorKind::BtnFace},
        {f.dbeIdTipoOper, "IDIDENTCAPAOPER", orv::ColorKind::BtnFace},
        {f.dbeCdMotivoOper, "CDMOTIVOOPER", orv::ColorKind::InfoBk},
        {f.dbeNmMotivoOper, "NMMOTIVOOPER", orv::ColorKind::BtnFace},
        {f.dbeCdFilialAnte, "CDFILIALITCANTE", orv::ColorKind::BtnFace},
        {f.dbeCdCentCustAnte, "CDCENTCUITCANTE", orv::ColorKind::BtnFace},
        {f.dbeCdSetorAnte, "CDSETORITCANTE", orv::ColorKind::BtnFace},
        {f.dbeCdOperAnte, "CDOPERESPBEMANT", orv::ColorKind::BtnFace},
        {f.dbeCdFilialNovo, "CDFILIALITCNOVO", orv::ColorKind::InfoBk},
        {f.dbeCdCentCustNovo, "CDCENTCUITCNOVO", orv::ColorKind::InfoBk},
        {f.dbeCdSetorNovo, "CDSETORITCNOVO", orv::ColorKind::Window},
        {f.dbeCdOperNovo, "CDOPERESPBEMNOV", orv::ColorKind::Window},
        {f.dbeNF, "CDSERIENFITCAPA", orv::ColorKind::Window},
        {f.dbeNrNota, "NRNOTAFIITCAPA", orv::ColorKind::Window},
    };
    for (const Binding& b : bindings) {
        SCOPED_TRACE(b.field);
        EXPECT_EQ(b.edit->DataSource(), &f.dtsCapa);
        EXPECT_EQ(b.edit->DataField(), b.field);
        EXPECT_EQ(b.edit->Color(), b.color);
        // Display-only edits can never be typed into.
        if (b.color == orv::ColorKind::BtnFace) {
            EXPECT_FALSE(b.edit->isEnabled());
        }
    }
    EXPECT_EQ(f.depDataTransf->DataField(), "DTCAPAOPEBEM");
    for (orv::TEdit* display : {f.edtNmEmpresa, f.edtNmBem, f.dbeNmFilialNovo, f.dbeNmCentCustNovo, f.dbeNmSetorNovo,
                                f.dbeRespSetorNovo, f.dbeNmOperNovo, f.dbeNmFilialAnte, f.dbeDescriNF}) {
        SCOPED_TRACE(display->objectName().toStdString());
        EXPECT_EQ(display->Color(), orv::ColorKind::BtnFace);
        EXPECT_FALSE(display->isEnabled());
    }
    EXPECT_EQ(f.medEmpresa->Color(), orv::ColorKind::InfoBk);
    EXPECT_EQ(f.medEmpresa->MaxLength(), 2);
    EXPECT_EQ(f.medBem->MaxLength(), 10);
    EXPECT_EQ(f.btpEmpresa->Title, "Empresa");
    EXPECT_EQ(f.btpEmpresa->EmptyError, "Não há empresa cadastrada");
    EXPECT_EQ(f.btpFilial->EmptyError, "Não há filial cadastrada.");
    EXPECT_EQ(f.btpPesqNF->Title, "NF. Saída");
}

TEST(Layout, ListGridShowsTheStatusThroughTheMessageTable) {
    ScreenHarness h;
    TFrmTransferenciaFisica& f = h.frm();
    const QStringList titles = {"Situação", "Data da Operação", "Tipo de Operação", "Data da Inclusão",
                                "Operador de Inclusão"};
    ASSERT_EQ(f.dbgPadrao->ColumnCount(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(f.dbgPadrao->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);
    h.OpenAsset("01", "100004");
    ASSERT_EQ(f.cdsCapa.RecordCount(), 2);
    EXPECT_EQ(f.dbgPadrao->model()->index(0, 0).data().toString(), "Processado");
    EXPECT_EQ(f.dbgPadrao->model()->index(0, 1).data().toString(), "10/03/2025");
    EXPECT_EQ(f.msgPadrao.Msg("3"), "Cancelado");
    EXPECT_EQ(f.msgPadrao.Count(), 58);
}
