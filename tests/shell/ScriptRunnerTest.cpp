#include "TestScreen.h"

#include "orv/Database.h"
#include "shell/LoginDialog.h"
#include "shell/MainWindow.h"
#include "shell/ScriptRunner.h"
#include "shell/ShellHost.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QImage>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using shell_test::TfrmTeste;

namespace {

// Runs scripts against the test screen, open in a shell main window as a module's would be.
class Session : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        main = std::make_unique<shell::MainWindow>(dir.filePath(QStringLiteral("modules")), QStringLiteral("Operador"));
        settings.operador = QStringLiteral("000000000007");
        settings.mainWindow = main.get();
        screen = new TfrmTeste(main.get());
        ASSERT_TRUE(screen->Initialize());
        screen->show();
    }

    void TearDown() override { main.reset(); }

    int Run(const QString& script, const shell::LoginStep& login = {}) {
        const QString path = dir.filePath(QStringLiteral("roteiro.txt"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(script.toUtf8());
        file.close();
        std::ostringstream out;
        const int result = shell::RunScript(path, *main, settings, out, login);
        output = QString::fromStdString(out.str());
        return result;
    }

    // What was printed, the summary line left out.
    QStringList Failures() const {
        QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!lines.isEmpty()) lines.removeLast();
        return lines;
    }
    QString Summary() const {
        const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return lines.isEmpty() ? QString() : lines.last();
    }

    QTemporaryDir dir;
    std::unique_ptr<shell::MainWindow> main;
    shell::ShellHost settings;
    TfrmTeste* screen = nullptr;
    QString output;
};

}  // namespace

TEST_F(Session, MessagesBelongToTheCommandBeforeThemAndMustBeTakenInOrder) {
    const int result = Run(QStringLiteral(
        "click btnAvisos\n"                 // 1
        "expect message \"Primeira.\"\n"    // 2
        "expect message \"Segunda.\"\n"     // 3
        "expect nomessage\n"                // 4
        "click btnAvisos\n"                 // 5: "Segunda." left over
        "expect message \"Primeira.\"\n"    // 6
        "expect title \"Teste de roteiro\"\n"  // 7
        "expect message \"Nada.\"\n"        // 8: nothing left
        "click btnAvisos\n"                 // 9
        "expect message \"Segunda.\"\n"     // 10: out of order
        "expect nomessage\n"));             // 11: reports what is left, instead of line 9
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Failures(), QStringList({
                              "linha 5: click btnAvisos: mensagem não esperada: \"Segunda.\"",
                              "linha 8: expect message \"Nada.\": esperado \"Nada.\", encontrado nenhuma mensagem",
                              "linha 10: expect message \"Segunda.\": esperado \"Segunda.\", encontrado \"Primeira.\"",
                              "linha 11: expect nomessage: esperado nenhuma mensagem, encontrado \"Segunda.\"",
                          }));
    EXPECT_EQ(Summary(), "7 passed, 4 failed");
}

TEST_F(Session, PickListsTakeTheQueuedChoicesAndAnEmptyListUsesOneUp) {
    const int result = Run(QStringLiteral(
        "pick CDEMPRESA=02\n"
        "click btnEmpresa\n"
        "expect list \"01|02\"\n"
        "expect text edtEmpresa \"02\"\n"
        "pick none\n"
        "click btnEmpresa\n"
        "expect text edtEmpresa \"02\"\n"
        "pick none\n"
        "click btnVazio\n"
        "expect message \"Nenhum registro encontrado.\"\n"
        "expect list \"\"\n"
        "pickmany 02_01\n"
        "click btnMarcar\n"
        "expect text lblMarcadas \"02_01\"\n"
        "pickmany none\n"
        "click btnMarcar\n"
        "expect text lblMarcadas \"02_01\"\n"
        "click btnEmpresa\n"          // 18: nothing queued
        "expect nomessage\n"
        "pick CDEMPRESA=09\n"
        "click btnEmpresa\n"));       // 21: not offered
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Failures(), QStringList({
                              "linha 18: click btnEmpresa: lista de pesquisa sem escolha preparada: Empresas",
                              "linha 21: click btnEmpresa: a lista \"Empresas\" não tem CDEMPRESA=09",
                          }));
    EXPECT_EQ(Summary(), "19 passed, 2 failed");
}

TEST_F(Session, TheRealPickListIsDrivenFromTheKeyboardAndF4OpensALookup) {
    const int result = Run(QStringLiteral(
        "pickkeys \"dois Enter\"\n"                  // the filter leaves "Empresa Dois"
        "key edtEmpresa F4\n"
        "expect picked \"02\"\n"
        "expect text edtEmpresa \"02\"\n"
        "expect focus edtEmpresa\n"
        "pickkeys \"\" Down Up Down Enter\n"
        "key edtEmpresa Alt+Down\n"
        "expect picked \"02\"\n"
        "pickkeys Escape\n"
        "click btnEmpresa\n"
        "expect picked \"\"\n"
        "pickmanykeys \"Space Down Space Enter\"\n"  // Space ticks while the filter is empty
        "click btnMarcar\n"
        "expect text lblMarcadas \"01_02\"\n"
        "expect picked \"01|02\"\n"
        "pickkeys \"um Down\"\n"
        "click btnEmpresa\n"                         // 17: the keys left it open
        "pickkeys \"Enter Enter\"\n"
        "click btnEmpresa\n"                         // 19: closed by the first Enter
        "pickkeys \"um Down Subir\"\n"));            // 20
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Failures(), QStringList({
                              "linha 17: click btnEmpresa: a lista \"Empresas\" ficou aberta depois das teclas",
                              "linha 19: click btnEmpresa: a lista \"Empresas\" fechou antes da tecla Enter",
                              "linha 20: pickkeys \"um Down Subir\": tecla desconhecida: Subir",
                          }));
    EXPECT_EQ(Summary(), "17 passed, 3 failed");
}

TEST_F(Session, QuestionsTakeTheQueuedAnswersAndAnAnswerLeftOverFailsItsLine) {
    const int result = Run(QStringLiteral(
        "answer yes\n"
        "click btnPergunta\n"
        "expect text lblResposta \"sim\"\n"
        "answer no\n"
        "click btnPergunta\n"
        "expect text lblResposta \"não\"\n"
        "click btnPergunta\n"  // 7: nothing queued; the guard's report is no message of its own
        "expect nomessage\n"
        "expect text lblResposta \"não\"\n"
        "answer yes\n"));      // 10: never asked
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Failures(), QStringList({
                              "linha 7: click btnPergunta: pergunta sem resposta preparada: Deseja continuar?",
                              "linha 10: answer yes: resposta preparada e não usada",
                          }));
    EXPECT_EQ(Summary(), "8 passed, 2 failed");
}

TEST_F(Session, SetPastesWithoutKeyFiltersWhileTypeGoesThroughThem) {
    const int result = Run(QStringLiteral(
        "focus edtData\n"
        "set edtNome \"ab1c\"\n"              // upper case applies, the digit filter does not
        "expect text edtNome \"AB1C\"\n"
        "expect focus edtData\n"              // set leaves the focus alone
        "set edtNome \"abcdefghijklmno\"\n"   // maximum length
        "expect text edtNome \"ABCDEFGHIJ\"\n"
        "set edtEmpresa \"123\"\n"            // the mask's length
        "expect text edtEmpresa \"12\"\n"
        "set edtNome \"\"\n"
        "type edtNome \"x1y2\"\n"
        "expect text edtNome \"XY\"\n"
        "expect focus edtNome\n"
        "key edtNome Backspace\n"
        "expect text edtNome \"X\"\n"
        "set edtData \"${TODAY}\"\n"
        "expect text edtData \"${TODAY}\"\n"));
    EXPECT_EQ(result, 0) << output.toStdString();
    EXPECT_EQ(Summary(), "16 passed, 0 failed");
    EXPECT_EQ(screen->edtData->GetDate(), QDate::currentDate());
}

TEST_F(Session, FocusRunsTheExitHandlersAndOneThatRefusesKeepsTheFocus) {
    const int result = Run(QStringLiteral(
        "focus edtEmpresa\n"
        "focus edtNome\n"
        "expect message \"Empresa deve ser informada.\"\n"
        "expect focus edtEmpresa\n"
        "type edtNome \"abc\"\n"  // 5: the focus cannot get there
        "expect message \"Empresa deve ser informada.\"\n"
        "expect text edtNome \"\"\n"
        "set edtEmpresa \"7\"\n"
        "key edtEmpresa Tab\n"
        "expect focus btnEmpresa\n"))  // 10: the lookup button never takes the focus
        ;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Failures(), QStringList({
                              "linha 5: type edtNome \"abc\": o foco não chegou ao controle (está em edtEmpresa)",
                              "linha 10: expect focus btnEmpresa: esperado btnEmpresa, encontrado edtNome",
                          }));
}

TEST_F(Session, WhatAUserCouldNotDoFailsTheLine) {
    const int result = Run(QStringLiteral(
        "set edtBloqueado x\n"             // 1: on a page not shown
        "focus dbeNome\n"                  // 2
        "click tshDados\n"
        "expect page tshDados\n"
        "expect text lblPagina \"Dados\"\n"  // OnChange ran
        "set edtBloqueado x\n"             // 6: disabled
        "click tshExtra\n"                 // 7: disabled page
        "expect enabled tshExtra false\n"
        "expect page tshDados\n"
        "click mnuConfirmar\n"             // 10: disabled menu item
        "expect enabled mnuConfirmar false\n"
        "click mnuMarcar\n"
        "expect checked mnuMarcar true\n"
        "expect text lblPagina \"menu\"\n"
        "click btnSumiu\n"                 // 15
        "expect page tshPadrao\n"          // 16
        "pular tshPadrao\n"));             // 17
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Failures(), QStringList({
                              "linha 1: set edtBloqueado x: página não visível",
                              "linha 2: focus dbeNome: página não visível",
                              "linha 6: set edtBloqueado x: controle desabilitado",
                              "linha 7: click tshExtra: controle desabilitado",
                              "linha 10: click mnuConfirmar: controle desabilitado",
                              "linha 15: click btnSumiu: controle não encontrado: btnSumiu",
                              "linha 16: expect page tshPadrao: esperado tshPadrao, encontrado tshDados",
                              "linha 17: pular tshPadrao: comando desconhecido",
                          }));
}

TEST_F(Session, AModalDialogKeepsTheScriptGoingAndIsSearchedFirstUntilItCloses) {
    const int result = Run(QStringLiteral(
        "click btnDialogo\n"
        "expect nomessage\n"
        "expect title \"Observação\"\n"
        "expect text lblCodTela \"ZTS0002\"\n"  // the dialog's, not the screen's
        "set edtObs \"anotado\"\n"
        "click btnMarcar\n"                     // 6: the screen under the dialog takes no clicks
        "click btnFechar\n"
        "expect message \"Observação registrada.\"\n"  // shown once exec() returned
        "expect text lblObs \"anotado\"\n"
        "expect text lblCodTela \"ZTS0001\"\n"
        "expect title \"Teste de roteiro\"\n"
        "expect text edtObs \"anotado\"\n"      // 12: a closed dialog is not searched
        "click btnDialogo\n"
        "type edtObs \"outra\"\n"
        "key edtObs Escape\n"
        "expect message \"Observação registrada.\"\n"
        "expect text lblObs \"outra\"\n"));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Failures(), QStringList({
                              "linha 6: click btnMarcar: janela bloqueada pelo diálogo aberto",
                              "linha 12: expect text edtObs \"anotado\": controle não encontrado: edtObs",
                          }));
    EXPECT_FALSE(screen->dialog->isVisible());
}

TEST_F(Session, ADialogLeftOpenIsClosedAtTheEnd) {
    const int result = Run(QStringLiteral("click btnDialogo\nset edtObs \"fim\"\n"));
    EXPECT_EQ(result, 0) << output.toStdString();
    EXPECT_EQ(Summary(), "2 passed, 0 failed");
    EXPECT_FALSE(screen->dialog->isVisible());
    EXPECT_EQ(screen->lblObs->Caption(), "fim");
}

TEST_F(Session, DataSetsAreFoundThroughTheScreenItsControlsAndTheRegistry) {
    const int result = Run(QStringLiteral(
        "expect rows cdsBens 3\n"
        "expect state cdsBens browse\n"
        "expect field cdsBens.NMBEM \"Mesa\"\n"
        "expect field cdsBens.DTAQUIS \"10/01/2024\"\n"
        "grid dbgPadrao 3\n"
        "expect field cdsBens.DTAQUIS \"15/03/2024 14:30:00\"\n"
        "grid dbgPadrao 2\n"
        "click tshDados\n"
        "set dbeNome \"Cadeira azul\"\n"      // a paste into a data-aware edit starts the edit
        "expect state cdsBens edit\n"
        "expect field cdsBens.NMBEM \"Cadeira azul\"\n"
        "cell dbgItens 1 QTITEM \"2,5\"\n"
        "expect state cdsItens edit\n"
        "expect field cdsItens.QTITEM \"2,5\"\n"
        "expect field cdsHistorico.EVENTO \"aberta\"\n"
        "expect state cdsRegistrado browse\n"
        "expect state dtsPadrao edit\n"       // a data source's name leads to its data set
        "expect rows cdsNada 0\n"             // 18
        "expect field cdsBens.NADA \"\"\n"    // 19
        "cell dbgItens 2 QTITEM \"1\"\n"      // 20
        "expect rows cdsBens 2\n"));          // 21
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Failures(), QStringList({
                              "linha 18: expect rows cdsNada 0: conjunto de dados não encontrado: cdsNada",
                              "linha 19: expect field cdsBens.NADA \"\": campo não encontrado: cdsBens.NADA",
                              "linha 20: cell dbgItens 2 QTITEM \"1\": a grade não tem a linha 2 (tem 1)",
                              "linha 21: expect rows cdsBens 2: esperado 2, encontrado 3",
                          }));
    EXPECT_EQ(screen->cdsBens.RecNo(), 2);
}

TEST_F(Session, ChecksTheDatabaseAndTakesScreenshots) {
    erptest::TestDatabase database = erptest::TestDatabase::Sqlite(erptest::TestDatabase::Init::Empty);
    QSqlQuery q(database.db());
    ASSERT_TRUE(q.exec("CREATE TABLE PESSOA (ID INTEGER, NOME TEXT, NASC DATE)"));
    ASSERT_TRUE(q.exec("INSERT INTO PESSOA VALUES (1, 'Ana', '1990-05-04'), (2, NULL, NULL)"));
    const QString previous = orv::SharedConnectionName();
    orv::SetSharedConnectionName(database.connectionName());

    const int result = Run(QStringLiteral(
        "expect sql \"SELECT NOME FROM PESSOA WHERE ID = 1\" \"Ana\"\n"
        "expect sql \"SELECT NASC FROM PESSOA WHERE ID = 1\" \"1990-05-04\"\n"
        "expect sql \"SELECT NOME FROM PESSOA WHERE ID = 2\" \"\"\n"
        "expect sql \"SELECT COUNT(*) FROM PESSOA\" \"3\"\n"          // 4
        "expect sql \"SELECT NOME FROM PESSOA WHERE ID = 9\" \"x\"\n"  // 5
        "screenshot fotos/tela.png\n"
        "open ZMT02600\n"));                                          // 7: no module here
    orv::SetSharedConnectionName(previous);

    EXPECT_EQ(result, 1);
    const QStringList failures = Failures();
    ASSERT_EQ(failures.size(), 3) << output.toStdString();
    EXPECT_EQ(failures[0],
              "linha 4: expect sql \"SELECT COUNT(*) FROM PESSOA\" \"3\": esperado \"3\", encontrado \"2\"");
    EXPECT_EQ(failures[1], "linha 5: expect sql \"SELECT NOME FROM PESSOA WHERE ID = 9\" \"x\": esperado \"x\", "
                           "encontrado nenhuma linha");
    EXPECT_TRUE(failures[2].startsWith("linha 7: open ZMT02600: Não foi possível carregar o módulo ZMT02600."))
        << failures[2].toStdString();
    const QImage shot(dir.filePath(QStringLiteral("fotos/tela.png")));
    EXPECT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), screen->size());
}

TEST_F(Session, AScriptThatCannotBeReadFails) {
    std::ostringstream out;
    EXPECT_EQ(shell::RunScript(dir.filePath(QStringLiteral("nao-existe.txt")), *main, settings, out), 1);
    EXPECT_NE(out.str().find("não foi possível ler o roteiro"), std::string::npos);
}

// The dialog against the real server: tests/session/login.script.
TEST_F(Session, TheLoginDialogComesFirstAndTheScriptGoesOnOnlyOnceTheOperatorIsIn) {
    const shell::LoginStep login = [&] {
        shell::LoginDialog dialog([&](const QString& op, const QString& password) -> QString {
            if (password != QLatin1String("segredo-1")) return QString::fromUtf8("Operador ou senha inválidos.");
            settings.operador = op;
            return {};
        });
        return dialog.exec() == QDialog::Accepted;
    };
    settings.operador.clear();
    EXPECT_EQ(Run("key edtSenha Enter\n"
                  "expect text lblMensagem \"Informe o operador.\"\n"
                  "type edtOperador 7\n"
                  "type edtSenha segredo-1\n"
                  "click btnEntrar\n"
                  "expect title \"Teste de roteiro\"\n",
                  login),
              0)
        << output.toStdString();
    EXPECT_EQ(settings.operador, "000000000007");

    // Giving up leaves the rest undone, and failed; a script that ends in the dialog closes it.
    EXPECT_EQ(Run("click btnCancelar\nset edtNome nada\n", login), 1);
    EXPECT_EQ(Failures(), QStringList({"linha 2: set edtNome nada: o operador não entrou no sistema"}));
    EXPECT_EQ(Run("type edtOperador 7\n", login), 0) << output.toStdString();
}
