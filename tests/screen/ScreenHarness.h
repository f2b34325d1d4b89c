#pragma once

// The transfer screen for real: a throwaway SQLite database with a small fixture, the real
// application server in process on a loopback port, a scripted host (messages, questions and
// pick lists) whose operator is logged in, and the screen created through the module's entry,
// its window active.

#include "Cli_zmt02600/ModuleVars.h"
#include "Cli_zmt02600/TFrmTransferenciaFisica.h"
#include "orv/ScriptedHost.h"
#include "server/AuthService.h"
#include "server/Dispatcher.h"
#include "server/RpcServer.h"
#include "server/TransFisicaService.h"
#include "tests/support/TestDatabase.h"

#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace screentest {

// Fixture codes.
namespace fx {
inline const QString kEmpresa = QStringLiteral("01");
inline const QString kMatriz = QStringLiteral("0001");       // company 01
inline const QString kCampinas = QStringLiteral("0002");     // company 01
inline const QString kJundiai = QStringLiteral("00A1");      // company 01, a code with a letter
inline const QString kFabrica = QStringLiteral("0101");      // company 02
inline const QString kAdm = QStringLiteral("0001");          // cost centre of Matriz and Campinas
inline const QString kProd = QStringLiteral("0002");         // Matriz and Fábrica
inline const QString kLog = QStringLiteral("0003");          // Campinas and Jundiaí
inline const QString kSemVinculo = QStringLiteral("0009");   // linked to no branch
inline const QString kAdmin = QStringLiteral("000000000001");
inline const QString kMaria = QStringLiteral("000000000002");
inline const QString kJoao = QStringLiteral("000000000003");
inline const QString kInativo = QStringLiteral("000000000009");
// Assets: patrimony code / internal code.
inline const QString kNotebook = QStringLiteral("0000000001");   // 100001 Matriz/Adm/0001/Maria, last depreciation 30/09/2026
inline const QString kMesa = QStringLiteral("0000000002");       // 100002 Matriz/Adm/0002/João
inline const QString kTorno = QStringLiteral("0000000003");      // 100003 no location
inline const QString kEmpilhadeira = QStringLiteral("0000000004");  // 100004 two transfers, now Jundiaí/Log/0003/João
inline const QString kArmario = QStringLiteral("0000000005");    // 100005 one transfer dated 10/01/2030, Campinas/Adm/0001
}  // namespace fx

class ScreenHarness {
public:
    // On a fresh SQLite database, or "postgresql" (ERP_TEST_PG_URL; for the benchmarks).
    explicit ScreenHarness(const QString& engine = QStringLiteral("sqlite"));
    ~ScreenHarness();
    ScreenHarness(const ScreenHarness&) = delete;
    ScreenHarness& operator=(const ScreenHarness&) = delete;

    zmt02600::TFrmTransferenciaFisica& frm() { return *FrmTransferenciaFisica; }
    orv::ScriptedHost& host() { return host_; }
    QSqlDatabase db() const { return database_->db(); }
    int port() const { return port_; }

    // As a user: the focus moves as a click would; typing goes through the key filters;
    // setting replaces the text as a paste would.
    void Focus(QWidget* control);
    void Type(QLineEdit* edit, const QString& text);
    void Set(QLineEdit* edit, const QString& text);
    void Click(QWidget* buttonOrPage);
    void Trigger(QAction* item);
    // A grid cell as the keyboard edits it: the cell chosen (rows from 0), its text replaced and
    // written; and the "..." of a cell (Ctrl+Enter), row 0 of an empty grid included.
    void Cell(orv::TDBGrid* grid, int row, const QString& field, const QString& text);
    void CellButton(orv::TDBGrid* grid, int row, const QString& field);
    // The cell chosen as CellButton chooses it, then the keys typed one by one ("\b" is
    // backspace): the grid's key handler sees each, the first opens the cell's editor.
    void CellKeys(orv::TDBGrid* grid, int row, const QString& field, const QString& keys);
    // Messages shown since the last call, and clears them.
    QStringList TakeMessages();
    // Company and asset typed, then the focus leaves the panel for the list.
    void OpenAsset(const QString& empresa, const QString& patrimonio);
    // First column of the first row of a query on the test database.
    QVariant Sql(const QString& sql);
    // The asset of company 01 opened and a new transfer started on the form page, no message.
    void NewTransfer(const QString& patrimonio = QStringLiteral("100001"));

    // The application server goes away (the screen keeps its connection object), and comes back
    // on the same port.
    void StopServer();
    void RestartServer();
    // Runs `open` (which shows a modal dialog and waits in it), and `steps` inside that dialog's
    // event loop once it is up and active; a dialog the steps leave open is then rejected.
    void Modal(const std::function<void()>& open, const std::function<void(QDialog&)>& steps);
    // Closes the screen (as its window's close button).
    bool CloseScreen();
    // Runs the module's entry again.
    void IniProc();

private:
    void InsertFixture();

    std::unique_ptr<erptest::TestDatabase> database_;
    orv::ScriptedHost host_;
    std::unique_ptr<server::Dispatcher> dispatcher_;
    std::unique_ptr<server::TransFisicaService> service_;
    std::unique_ptr<server::AuthService> auth_;
    std::unique_ptr<server::RpcServer> rpc_;
    int port_ = 0;
};

// The text of a field of a data set's current record.
QString FieldText(const orv::TDataSet& ds, const char* name);

}  // namespace screentest
