#include "shell/MainWindow.h"

#include "orv/Host.h"
#include "orv/widgets/DBControls.h"
#include "orv/widgets/FocusManager.h"
#include "shell/FrmHistoricoLocalizacao.h"

#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

namespace shell {

QString ModulePath(const QString& modulesDir, const QString& code) {
    return QDir(modulesDir).filePath(QStringLiteral("lib%1.so").arg(code.toLower()));
}

MainWindow::MainWindow(QString modulesDir, QString operatorName, QWidget* parent)
    : QMainWindow(parent), modulesDir_(std::move(modulesDir)) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("ERP - Gestão Empresarial"));
    QMenu* patrimonio = menuBar()->addMenu(QStringLiteral("&Patrimônio"));
    patrimonio->setObjectName(QStringLiteral("mnuPatrimonio"));
    QAction* transf = patrimonio->addAction(QStringLiteral("&Transferência Física (ZMT02600)"));
    transf->setObjectName(QStringLiteral("mnuZMT02600"));
    connect(transf, &QAction::triggered, this, [this] { OpenModule(QStringLiteral("ZMT02600")); });
    QAction* historico = patrimonio->addAction(QStringLiteral("&Histórico por Localização"));
    historico->setObjectName(QStringLiteral("mnuHistLocalizacao"));
    connect(historico, &QAction::triggered, this, [this] { OpenHistorico(); });
    QMenu* sistema = menuBar()->addMenu(QStringLiteral("&Sistema"));
    QAction* sair = sistema->addAction(QStringLiteral("&Sair"));
    connect(sair, &QAction::triggered, this, &QWidget::close);

    auto* welcome = new QLabel(QStringLiteral("Escolha uma rotina no menu Patrimônio."), this);
    welcome->setAlignment(Qt::AlignCenter);
    setCentralWidget(welcome);
    // Always there; a note the screens show (ShowStatus) covers it for a few seconds.
    session_ = new orv::TElidedLabel(statusBar());
    session_->setObjectName(QStringLiteral("lblSessao"));
    statusBar()->addWidget(session_, 1);
    SetOperator(operatorName);
    resize(1000, 700);
}

void MainWindow::SetOperator(const QString& operatorName) {
    operator_ = operatorName;
    UpdateStatus();
}

void MainWindow::SetConnection(const QString& database, const QString& server) {
    database_ = database;
    server_ = server;
    UpdateStatus();
}

void MainWindow::UpdateStatus() {
    QStringList parts;
    if (!operator_.isEmpty()) parts << QStringLiteral("Operador: %1").arg(operator_);
    if (!database_.isEmpty()) parts << QStringLiteral("Banco: %1").arg(database_);
    if (!server_.isEmpty()) parts << QStringLiteral("Servidor: %1").arg(server_);
    session_->SetText(parts.join(QStringLiteral(" | ")));
}

MainWindow::~MainWindow() = default;

bool MainWindow::OpenModule(const QString& code, QString* error) {
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        else
            orv::Host().ShowMessage(text);
        return false;
    };
    auto& lib = modules_[code];
    if (!lib) lib = std::make_unique<QLibrary>(ModulePath(modulesDir_, code));
    if (!lib->isLoaded() && !lib->load()) {
        const QString why = lib->errorString();
        modules_.erase(code);
        return fail(QStringLiteral("Não foi possível carregar o módulo %1.\n%2").arg(code, why));
    }
    using Entry = void (*)();
    auto entry = reinterpret_cast<Entry>(lib->resolve("IniProc"));
    if (!entry) return fail(QStringLiteral("O módulo %1 não tem o ponto de entrada IniProc.").arg(code));
    entry();
    return true;
}

void MainWindow::OpenHistorico() {
    if (!historico_) {
        auto* screen = new FrmHistoricoLocalizacao(this);
        screen->setAttribute(Qt::WA_DeleteOnClose, true);
        historico_ = screen;
        screen->show();
        // The screen opens with the company to be typed.
        orv::FocusControl(screen->medEmpresa);
    }
    historico_->show();
    historico_->setWindowState(historico_->windowState() & ~Qt::WindowMinimized);
    historico_->raise();
    historico_->activateWindow();
}

void MainWindow::UnloadModules() {
    for (auto& [code, lib] : modules_)
        if (lib->isLoaded()) lib->unload();
    modules_.clear();
}

}  // namespace shell
