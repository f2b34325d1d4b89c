// The module's entry and the screen's lifetime and layout.
#include "tests/screen/ScreenHarness.h"

#include "orv/Host.h"
#include "orv/widgets/Widgets.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTest>

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

TEST(Layout, FitsASmallDisplayGrowsWithTheWindowAndKeepsEachOperatorsSizes) {
    ScreenHarness h;
    TFrmTransferenciaFisica* f = &h.frm();
    const QSize opened = f->size();
    // Every page, the form's location groups included, fits 1280x720 with room for a frame.
    const QSize least = f->minimumSizeHint();
    EXPECT_LE(least.width(), 1100);
    EXPECT_LE(least.height(), 620);
    const QRect free = f->screen()->availableGeometry();
    EXPECT_TRUE(free.contains(f->frameGeometry())) << f->frameGeometry().width() << "x" << f->frameGeometry().height();

    h.OpenAsset("01", "100004");
    h.Click(f->tshPadrao);
    ASSERT_EQ(f->cdsCapa.RecordCount(), 2);
    orv::TDBGrid* grid = f->dbgPadrao;
    QHeaderView* header = grid->horizontalHeader();
    // At the size it opened with, no title and no cell is cut ("Processado", dates with their time).
    const int titleMargins = 2 * f->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const int cellMargins = 2 * (f->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
    for (int column = 0; column < grid->ColumnCount(); ++column) {
        const QString title = grid->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(column), header->fontMetrics().horizontalAdvance(title) + titleMargins) << title.toStdString();
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            const QString text = grid->model()->index(row, column).data().toString();
            EXPECT_GE(grid->columnWidth(column), grid->fontMetrics().horizontalAdvance(text) + cellMargins) << text.toStdString();
        }
    }

    // The list widens with the window, and its last column takes what the others leave.
    f->resize(least);
    const int narrow = grid->width();
    f->resize(1280, 720);
    EXPECT_GT(grid->width(), narrow);
    EXPECT_EQ(header->length(), header->viewport()->width());

    // A column the clerk widened (dragging the edge of its title) and the window's size come back
    // for the same operator only.
    const QSize kept = (least + QSize(20, 10)).boundedTo(free.size());
    f->resize(kept);
    const int natural = header->sectionSize(2);
    const int edge = header->sectionViewportPosition(2) + header->sectionSize(2) - 1;
    const int middle = header->height() / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, {edge, middle});
    QTest::mouseMove(header->viewport(), {edge + 40, middle});
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, {edge + 40, middle});
    const int widened = header->sectionSize(2);
    ASSERT_GT(widened, natural);
    ASSERT_TRUE(h.CloseScreen());
    h.IniProc();
    f = &h.frm();
    EXPECT_EQ(f->size(), kept);
    EXPECT_EQ(f->dbgPadrao->columnWidth(2), widened);

    ASSERT_TRUE(h.CloseScreen());
    h.host().operador = fx::kMaria;
    h.IniProc();
    f = &h.frm();
    EXPECT_EQ(f->size(), opened);
    EXPECT_EQ(f->dbgPadrao->columnWidth(2), natural);

    // A size kept on a larger display shrinks to this one.
    f->resize(free.size() + QSize(300, 200));
    ASSERT_TRUE(h.CloseScreen());
    h.IniProc();
    EXPECT_TRUE(free.contains(h.frm().frameGeometry()));
    QSettings().remove("telas");
}
