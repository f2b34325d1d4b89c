#include "tests/screen/ScreenHarness.h"

#include "orv/Database.h"
#include "db/Credentials.h"
#include "orv/Host.h"
#include "orv/ServerSession.h"
#include "orv/widgets/DBGrid.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/PageControl.h"
#include "tests/support/Fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QSqlQuery>
#include <QTabBar>
#include <QTimer>
#include <QTest>

#include <stdexcept>

namespace screentest {

using erptest::InsertRow;
using erptest::InsertRows;

namespace {

QVariantMap Transfer(const char* capa, const char* bem, const char* date, QStringList ante, QStringList novo) {
    return {{"CDEMPRESA", "01"},      {"NRSEQCAPAOPEBEM", capa}, {"NRSEQITCAPAOPE", capa},
            {"IDSIMULOPERABEM", "R"}, {"NRSEQOPERABEM", capa},   {"CDBEMATIVO", bem},
            {"CDFILIALITCANTE", ante.value(0)}, {"CDCENTCUITCANTE", ante.value(1)},
            {"CDSETORITCANTE", ante.value(2)},  {"CDOPERESPBEMANT", ante.value(3).isEmpty() ? QVariant() : ante.value(3)},
            {"CDFILIALITCNOVO", novo.value(0)}, {"CDCENTCUITCNOVO", novo.value(1)},
            {"CDSETORITCNOVO", novo.value(2)},  {"CDOPERESPBEMNOV", novo.value(3).isEmpty() ? QVariant() : novo.value(3)},
            {"QTITCAPAOPEANTE", 1.0}, {"QTITCAPAOPENOVO", 1.0}, {"DTINCITCAPAOPER", QString(date) + "T10:00:00"},
            {"CDOPEINCITCAPA", "000000000001"}};
}

QVariantMap Header(const char* capa, const char* date) {
    return {{"CDEMPRESA", "01"},          {"NRSEQCAPAOPEBEM", capa}, {"IDSITCAPAOPER", "2"},
            {"DTCAPAOPEBEM", date},       {"CDTIPOOPERBEM", "000001"}, {"IDIDENTCAPAOPER", "03"},
            {"CDMOTIVOOPER", "000001"},   {"CDOPERESPOPERA", "000000000001"},
            {"DTINCCAPAOPER", QString(date) + "T10:00:00"}, {"CDOPEINCCAPA", "000000000001"}};
}

}  // namespace

ScreenHarness::ScreenHarness(const QString& engine) {
    database_ = std::make_unique<erptest::TestDatabase>(erptest::TestDatabase::ForEngine(engine));
    InsertFixture();
    orv::SetSharedConnectionName(database_->connectionName());

    const QString base = database_->connectionName();
    dispatcher_ = std::make_unique<server::Dispatcher>();
    service_ = std::make_unique<server::TransFisicaService>([base] { return server::Repository(server::CallConnection(base)); });
    service_->RegisterMethods(*dispatcher_);
    server::AuthOptions auth;
    const erpdb::HashCost cheap = erpdb::HashCost::Cheapest();  // as cheap as the fixture's hashes
    auth.dummyOps = cheap.ops;
    auth.dummyMemory = cheap.memory;
    auth_ = std::make_unique<server::AuthService>([base] { return orv::ThreadConnection(base); }, auth);
    auth_->RegisterMethods(*dispatcher_);
    server::RpcServerOptions options;
    options.threads = 2;
    options.log = false;
    rpc_ = std::make_unique<server::RpcServer>(*dispatcher_, *auth_, options);
    port_ = rpc_->Start();

    // The clerk at the screen is the host's operator, logged in as the shell does.
    host_.webUrl = QStringLiteral("127.0.0.1");
    host_.webPort = port_;
    const orv::LoginResult login = orv::OpenSession({host_.webUrl, port_}, host_.operador, erptest::kTestPassword);
    if (!login.ok()) throw std::runtime_error("login: " + login.error.toStdString());
    host_.token = login.token;
    orv::InstallHost(&host_);
    IniProc();
    if (!FrmTransferenciaFisica) throw std::runtime_error("a tela não foi criada: " + host_.messages.join(" | ").toStdString());
}

ScreenHarness::~ScreenHarness() {
    if (FrmTransferenciaFisica) {
        // Leave whatever is pending so the close is not refused.
        FrmTransferenciaFisica->cdsCapa.Close();
        delete FrmTransferenciaFisica;
    }
    boIdCriado = false;
    orv::InstallHost(nullptr);
    rpc_->Stop();
    orv::SetSharedConnectionName(QStringLiteral("dtmDBGeral"));
}

void ScreenHarness::IniProc() {
    ::IniProc();
    if (FrmTransferenciaFisica) {
        QApplication::setActiveWindow(FrmTransferenciaFisica);
        if (!QTest::qWaitForWindowActive(FrmTransferenciaFisica)) throw std::runtime_error("janela não ativada");
    }
}

void ScreenHarness::StopServer() { rpc_->Stop(); }

void ScreenHarness::RestartServer() {
    rpc_->Stop();
    server::RpcServerOptions options;
    options.port = port_;
    options.threads = 2;
    options.log = false;
    rpc_ = std::make_unique<server::RpcServer>(*dispatcher_, *auth_, options);
    if (rpc_->Start() != port_) throw std::runtime_error("o servidor não voltou na mesma porta");
}

void ScreenHarness::Modal(const std::function<void()>& open, const std::function<void(QDialog&)>& steps) {
    bool ran = false;
    // The poll lives as long as this call: a timer left behind finds it gone and stops.
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [&ran, &steps, weak = std::weak_ptr<std::function<void()>>(poll)] {
        if (weak.expired()) return;
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (auto again = weak.lock()) QTimer::singleShot(10, *again);
            return;
        }
        ran = true;
        QApplication::setActiveWindow(dialog);
        if (!QTest::qWaitForWindowActive(dialog)) qWarning("o diálogo não ficou ativo");
        steps(*dialog);
        if (dialog->isVisible()) dialog->reject();
    };
    QTimer::singleShot(0, *poll);
    open();
    QApplication::processEvents();
    if (!ran) throw std::runtime_error("nenhum diálogo modal foi aberto");
}

bool ScreenHarness::CloseScreen() {
    const bool closed = FrmTransferenciaFisica->close();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return closed;
}

void ScreenHarness::Focus(QWidget* control) {
    orv::FocusControl(control);
    QApplication::processEvents();
}

void ScreenHarness::Type(QLineEdit* edit, const QString& text) {
    Focus(edit);
    QTest::keyClicks(edit, text);
    QApplication::processEvents();
}

void ScreenHarness::Set(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    QApplication::processEvents();
}

void ScreenHarness::Click(QWidget* target) {
    if (auto* page = qobject_cast<orv::TTabSheet*>(target)) {
        // A click on its tab: the page control takes the focus first.
        QTabBar* bar = page->PageControl()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(page->PageIndex()).center());
    } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->click();
    }
    QApplication::processEvents();
}

void ScreenHarness::Trigger(QAction* item) {
    item->trigger();
    QApplication::processEvents();
}

namespace {

int ColumnOf(orv::TDBGrid* grid, const QString& field) {
    for (int i = 0; i < grid->ColumnCount(); ++i)
        if (grid->Columns(i).FieldName == field) return i;
    throw std::runtime_error("coluna inexistente: " + field.toStdString());
}

}  // namespace

void ScreenHarness::Cell(orv::TDBGrid* grid, int row, const QString& field, const QString& text) {
    Focus(grid);
    const QModelIndex cell = grid->Model()->index(row, ColumnOf(grid, field));
    grid->setCurrentIndex(cell);
    QApplication::processEvents();
    if (grid->currentIndex() != cell) return;  // the screen kept the cell it was on
    grid->edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!editor || !grid->isAncestorOf(editor)) return;  // the data set refused the edit
    editor->selectAll();
    editor->insert(text);
    grid->CommitEditor();
    QApplication::processEvents();
}

void ScreenHarness::CellButton(orv::TDBGrid* grid, int row, const QString& field) {
    Focus(grid);
    const int column = ColumnOf(grid, field);
    if (grid->Model()->rowCount() == 0)
        grid->SetSelectedIndex(column);
    else
        grid->setCurrentIndex(grid->Model()->index(row, column));
    QApplication::processEvents();
    if (grid->SelectedIndex() != column) return;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    QApplication::processEvents();
}

void ScreenHarness::CellKeys(orv::TDBGrid* grid, int row, const QString& field, const QString& keys) {
    Focus(grid);
    const int column = ColumnOf(grid, field);
    if (grid->Model()->rowCount() == 0)
        grid->SetSelectedIndex(column);
    else
        grid->setCurrentIndex(grid->Model()->index(row, column));
    QApplication::processEvents();
    if (grid->SelectedIndex() != column) return;
    for (const QChar key : keys) QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
    QApplication::processEvents();
}

QStringList ScreenHarness::TakeMessages() {
    QStringList m = host_.messages;
    host_.messages.clear();
    return m;
}

void ScreenHarness::OpenAsset(const QString& empresa, const QString& patrimonio) {
    Focus(frm().medEmpresa);
    Set(frm().medEmpresa, empresa);
    Focus(frm().medBem);
    Set(frm().medBem, patrimonio);
    Focus(frm().dbgPadrao);
}

QVariant ScreenHarness::Sql(const QString& sql) { return erptest::QueryValue(db(), sql); }

void ScreenHarness::NewTransfer(const QString& patrimonio) {
    OpenAsset(fx::kEmpresa, patrimonio);
    if (!TakeMessages().isEmpty()) throw std::runtime_error("o bem não abriu sem mensagens");
    Click(frm().sbtIncluir);
    if (frm().cdsCapa.State() != orv::DataSetState::Insert || frm().pgcPadrao->currentWidget() != frm().tshFormulario ||
        !TakeMessages().isEmpty())
        throw std::runtime_error("a inclusão não começou no formulário");
}

QString FieldText(const orv::TDataSet& ds, const char* name) { return ds.FieldByName(QString::fromLatin1(name)).AsString(); }

void ScreenHarness::InsertFixture() {
    QSqlDatabase d = db();
    InsertRows(d, "EMPRESA", {{{"CDEMPRESA", "01"}, {"NMEMPRESA", "Transportes Serra Azul S.A."}},
                              {{"CDEMPRESA", "02"}, {"NMEMPRESA", "Metalúrgica Vale do Aço Ltda."}}});
    InsertRows(d, "FILIAL", {{{"CDFILIAL", "0001"}, {"CDEMPRESA", "01"}, {"NMFILIAL", "Matriz São Paulo"}},
                             {{"CDFILIAL", "0002"}, {"CDEMPRESA", "01"}, {"NMFILIAL", "Filial Campinas"}},
                             {{"CDFILIAL", "00A1"}, {"CDEMPRESA", "01"}, {"NMFILIAL", "Depósito Jundiaí"}},
                             {{"CDFILIAL", "0101"}, {"CDEMPRESA", "02"}, {"NMFILIAL", "Fábrica Ipatinga"}}});
    InsertRows(d, "CENTCUST", {{{"CDCENTCUST", "0001"}, {"NMCENTCUST", "Administrativo"}},
                               {{"CDCENTCUST", "0002"}, {"NMCENTCUST", "Produção"}},
                               {{"CDCENTCUST", "0003"}, {"NMCENTCUST", "Logística"}},
                               {{"CDCENTCUST", "0009"}, {"NMCENTCUST", "Projetos Especiais"}}});
    InsertRows(d, "CENTCUSTFIL", {{{"CDCENTCUST", "0001"}, {"CDFILIAL", "0001"}}, {{"CDCENTCUST", "0002"}, {"CDFILIAL", "0001"}},
                                  {{"CDCENTCUST", "0001"}, {"CDFILIAL", "0002"}}, {{"CDCENTCUST", "0003"}, {"CDFILIAL", "0002"}},
                                  {{"CDCENTCUST", "0003"}, {"CDFILIAL", "00A1"}}, {{"CDCENTCUST", "0002"}, {"CDFILIAL", "0101"}}});
    InsertRows(d, "OPERADOR", {{{"CDOPERADOR", "000000000001"}, {"NMOPERADOR", "Administrador do Sistema"}, {"IDOPERATIVO", "A"}},
                               {{"CDOPERADOR", "000000000002"}, {"NMOPERADOR", "Maria Souza"}, {"IDOPERATIVO", "A"}},
                               {{"CDOPERADOR", "000000000003"}, {"NMOPERADOR", "João Lima"}, {"IDOPERATIVO", "A"}},
                               {{"CDOPERADOR", "000000000009"}, {"NMOPERADOR", "Paulo Santos"}, {"IDOPERATIVO", "I"}}});
    erptest::GivePasswords(d, {fx::kAdmin, fx::kMaria, fx::kJoao});
    InsertRows(d, "SETOR", {{{"CDSETOR", "0001"}, {"CDCENTCUST", "0001"}, {"NMSETOR", "Secretaria"}, {"SGSETOR", "SEC"},
                             {"CDOPERESPBEM", "000000000002"}},
                            {{"CDSETOR", "0002"}, {"CDCENTCUST", "0001"}, {"NMSETOR", "Recepção"}, {"SGSETOR", "REC"}},
                            {{"CDSETOR", "0003"}, {"CDCENTCUST", "0003"}, {"NMSETOR", "Expedição"}, {"SGSETOR", "EXP"},
                             {"CDOPERESPBEM", "000000000003"}}});
    InsertRows(d, "TIPOOPERBEM",
               {{{"CDEMPRESA", "01"}, {"CDTIPOOPERBEM", "000001"}, {"NMTIPOOPERBEM", "Transferência entre filiais"}, {"IDTIPOOPERBEM", "03"}},
                {{"CDEMPRESA", "01"}, {"CDTIPOOPERBEM", "000002"}, {"NMTIPOOPERBEM", "Remanejamento"}, {"IDTIPOOPERBEM", "03"}},
                {{"CDEMPRESA", "01"}, {"CDTIPOOPERBEM", "000003"}, {"NMTIPOOPERBEM", "Aquisição de bens"}, {"IDTIPOOPERBEM", "01"}},
                {{"CDEMPRESA", "02"}, {"CDTIPOOPERBEM", "000001"}, {"NMTIPOOPERBEM", "Transferência"}, {"IDTIPOOPERBEM", "03"}}});
    InsertRows(d, "MOTIVOOPER",
               {{{"CDEMPRESA", "01"}, {"CDTIPOOPERBEM", "000001"}, {"CDMOTIVOOPER", "000001"}, {"NMMOTIVOOPER", "Reestruturação de área"}},
                {{"CDEMPRESA", "01"}, {"CDTIPOOPERBEM", "000001"}, {"CDMOTIVOOPER", "000002"}, {"NMMOTIVOOPER", "Abertura de filial"}},
                {{"CDEMPRESA", "01"}, {"CDTIPOOPERBEM", "000002"}, {"CDMOTIVOOPER", "000003"}, {"NMMOTIVOOPER", "Conserto"}}});
    InsertRows(d, "GRUPOBEM", {{{"CDEMPRESA", "01"}, {"CDGRUPOBEM", "000001"}, {"NMGRUPOBEM", "Informática"}},
                               {{"CDEMPRESA", "01"}, {"CDGRUPOBEM", "000002"}, {"NMGRUPOBEM", "Móveis"}}});
    auto asset = [&](const char* code, const char* patri, const char* name, QStringList at, QVariant dtultdep = {}) {
        QVariantMap row{{"CDBEMATIVO", code}, {"CDEMPRESA", "01"}, {"CDPATRIBEMATIVO", patri}, {"NMBEMATIVO", name},
                        {"CDGRUPOBEM", "000001"}, {"VRAQUIBEMATIVO", 5000.0}, {"QTMESDEPBEM", 60.0},
                        {"VRINIDEPBEM", 4500.0}, {"QTATUABEMATIVO", 1.0}, {"VRTAXANODEPBEM", 20.0}};
        if (!at.isEmpty()) {
            row["CDFILIAL"] = at.value(0);
            row["CDCENTCUST"] = at.value(1);
            row["CDSETOR"] = at.value(2);
            if (!at.value(3).isEmpty()) row["CDOPERESPBEM"] = at.value(3);
        }
        if (dtultdep.isValid()) row["DTULTDEPBEM"] = dtultdep;
        InsertRow(d, "BEMATIVO", row);
    };
    asset("0000000001", "100001", "Notebook Dell Latitude 5420", {"0001", "0001", "0001", "000000000002"}, "2026-09-30");
    asset("0000000002", "100002", "Mesa de escritório em L", {"0001", "0001", "0002", "000000000003"});
    asset("0000000003", "100003", "Torno mecânico", {});
    asset("0000000004", "100004", "Empilhadeira elétrica 2,5 t", {"00A1", "0003", "0003", "000000000003"});
    asset("0000000005", "100005", "Armário de aço 2 portas", {"0002", "0001", "0001", ""});
    InsertRow(d, "BEMATIVO", {{"CDBEMATIVO", "0000000010"}, {"CDEMPRESA", "02"}, {"CDPATRIBEMATIVO", "200001"},
                              {"NMBEMATIVO", "Prensa hidráulica"}, {"QTATUABEMATIVO", 1.0}});

    InsertRows(d, "CAPAOPERABEM", {Header("0000000001", "2025-03-10"), Header("0000000002", "2025-06-20"),
                                   Header("0000000003", "2030-01-10")});
    InsertRows(d, "ITCAPAOPERABEM",
               {Transfer("0000000001", "0000000004", "2025-03-10", {"0001", "0001", "0001", "000000000002"},
                         {"0002", "0001", "0001", "000000000002"}),
                Transfer("0000000002", "0000000004", "2025-06-20", {"0002", "0001", "0001", "000000000002"},
                         {"00A1", "0003", "0003", "000000000003"}),
                Transfer("0000000003", "0000000005", "2030-01-10", {"0001", "0001", "0001", ""},
                         {"0002", "0001", "0001", ""})});
    for (const char* name : {"CAPAOPERABEM", "ITCAPAOPERABEM", "OPERABEM"})
        InsertRow(d, "SEQUENCIA", {{"CDEMPRESA", "01"}, {"IDSIMULOPERABEM", "R"}, {"NMSEQUENCIA", name}, {"NRULTIMO", 3}});

    InsertRows(d, "HISTPADR", {{{"CDHISTPADR", "0001"}, {"DSHISTPADR", "Transferência de bem entre filiais"}},
                               {{"CDHISTPADR", "0002"}, {"DSHISTPADR", "Depreciação mensal"}},
                               {{"CDHISTPADR", "0007"}, {"DSHISTPADR", "Ajuste de depreciação"}}});
    // Accounts are kept as digits and shown in the layout; 31110002 belongs to company 02.
    InsertRow(d, "MASCARA", {{"CDTIPOMASCARA", 2}, {"NMMASCARA", "Conta contábil"}, {"DSMASCARA", "9.9.9.9.9999;0;_"}});
    InsertRows(d, "CONTCTBL", {{{"CDCONTCTBL", "12320001"}, {"CDCONTREDU", "1001"}, {"NMCONTCTBL", "Máquinas e equipamentos"}},
                               {{"CDCONTCTBL", "12330001"}, {"CDCONTREDU", "2001"}, {"NMCONTCTBL", "(-) Depreciação acumulada"}},
                               {{"CDCONTCTBL", "42110001"}, {"CDCONTREDU", "3001"}, {"NMCONTCTBL", "Despesa de depreciação"},
                                {"CDEMPRESA", "01"}},
                               {{"CDCONTCTBL", "31110002"}, {"CDCONTREDU", "4002"}, {"NMCONTCTBL", "Ganho na alienação"},
                                {"CDEMPRESA", "02"}}});
    InsertRows(d, "TIPOCONTABEM", {{{"CDEMPRESA", "01"}, {"CDTIPOCONTABEM", "000001"}, {"NMTIPOCONTABEM", "Custo de aquisição"}},
                                   {{"CDEMPRESA", "01"}, {"CDTIPOCONTABEM", "000002"}, {"NMTIPOCONTABEM", "Depreciação acumulada"}},
                                   {{"CDEMPRESA", "01"}, {"CDTIPOCONTABEM", "000003"}, {"NMTIPOCONTABEM", "Depreciação do período"}},
                                   {{"CDEMPRESA", "02"}, {"CDTIPOCONTABEM", "000001"}, {"NMTIPOCONTABEM", "Custo"}}});
    InsertRow(d, "CTBLBEMATIVO", {{"CDEMPRESA", "01"}, {"CDBEMATIVO", "0000000004"}, {"CDTIPOCONTABEM", "000001"},
                                  {"CDCONTCTBLBEM", "12320001"}, {"CDHISTPADR", "0001"}, {"CDOPEATUCTBLBEM", "000000000002"},
                                  {"DTULTATU", "2025-06-20T10:00:00"}, {"CDOPEINCCTBLBEM", "000000000002"},
                                  {"DTINCLUCTBLBEM", "2025-06-20T10:00:00"}});
    InsertRows(d, "CLIENTE", {{{"CDCLIENTE", "000000000000000000001"}, {"NMFANTCLIE", "Serra Azul Campinas"},
                               {"NRINSJURCLIE", "12345678000195"}, {"IDTPIJURCLIE", "J"}}});
    InsertRows(d, "SERIENF", {{{"CDFILIAL", "0002"}, {"CDSERIE", "1"}, {"DSSERIE", "Série 1"}},
                              {{"CDFILIAL", "0001"}, {"CDSERIE", "U"}, {"DSSERIE", "Série única"}}});
    InsertRows(d, "NOTAFISCAL",
               {{{"NRLANCTONF", "100"}, {"NRNOTAFISC", "000100"}, {"DESCRICAO", "Remessa bens"},
                 {"DTENTRSAID", "2026-11-02T00:00:00"}, {"CDFILIRECE", "0002"}, {"CDFILIEMIT", "0001"},
                 {"CDTIPOOPER", "TR"}, {"CDSERIE", "1"}, {"IDENTRSAIDOP", "S"}, {"CDFILIAL", "0001"}},
                {{"NRLANCTONF", "101"}, {"NRNOTAFISC", "000101"}, {"DESCRICAO", "Envio depósito"},
                 {"DTENTRSAID", "2026-11-03T00:00:00"}, {"CDFILIRECE", "00A1"}, {"CDFILIEMIT", "0001"},
                 {"CDTIPOOPER", "TR"}, {"CDSERIE", "U"}, {"IDENTRSAIDOP", "S"}, {"CDFILIAL", "0001"}}});
}

}  // namespace screentest
