// erp-shell: the host desktop shell. Logs the operator in, opens the shared database
// connection, knows the application server, and loads the screen modules at run time.
#include "db/Migrations.h"
#include "orv/Database.h"
#include "orv/Format.h"
#include "orv/Host.h"
#include "orv/ScriptedHost.h"
#include "orv/ServerSession.h"
#include "shell/LoginDialog.h"
#include "shell/MainWindow.h"
#include "shell/ScriptRunner.h"
#include "shell/ShellConfig.h"
#include "shell/ShellHost.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QSqlQuery>
#include <QUrl>

#include <cstdio>
#include <iostream>

namespace {

// Without a display a scripted session still runs on real widgets, off screen.
void ChoosePlatform(int argc, char** argv) {
    bool scripted = std::getenv("ERP_SCRIPT") != nullptr;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--script") scripted = true;
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (scripted && !display && !std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The name the status bar shows; the code itself when the name cannot be read.
QString OperatorName(const QString& code) {
    QSqlQuery q(orv::SharedConnection());
    q.prepare(QStringLiteral("SELECT NMOPERADOR FROM OPERADOR WHERE CDOPERADOR = :C"));
    q.bindValue(QStringLiteral(":C"), code);
    return q.exec() && q.next() ? q.value(0).toString() : code;
}

// The database as the status bar names it: the address given, without a password.
QString DatabaseShown(const QString& url) {
    if (url.startsWith(QStringLiteral("sqlite:"))) return url;
    QUrl shown(url);
    shown.setPassword(QString());
    return shown.toString();
}

}  // namespace

int main(int argc, char** argv) {
    // Before Qt, which needs a display (or a platform) just to start.
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::cout << shell::kShellUsage;
            return 0;
        }
    orv::PinLocalTimeZone();
    ChoosePlatform(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("erp-shell"));
    // Where the user's settings live (~/.config/ERP/erp-shell.conf): sizes and columns per operator.
    QApplication::setOrganizationName(QStringLiteral("ERP"));

    shell::ShellConfig config;
    try {
        const QString defaultModules = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../lib"));
        config = shell::ShellConfig::Parse(QCoreApplication::arguments(), defaultModules);
    } catch (const std::exception& e) {
        std::cerr << shell::kShellUsage << "erp-shell: " << e.what() << std::endl;
        return 2;
    }
    const bool scripted = !config.script.isEmpty();

    // Before any window, failures go to standard error in a scripted session, else to a box.
    auto fatal = [&](const QString& text) {
        if (scripted || QApplication::platformName() == QLatin1String("offscreen"))
            std::cerr << "erp-shell: " << text.toStdString() << std::endl;
        else
            QMessageBox::critical(nullptr, QStringLiteral("ERP"), text);
        return 1;
    };

    try {
        QSqlDatabase db = orv::OpenDatabase(config.db, orv::SharedConnectionName());
        erpdb::Migrate(db);
    } catch (const std::exception& e) {
        return fatal(QString::fromUtf8(e.what()));
    }

    shell::MainWindow window(config.modulesDir, QString());
    shell::ShellHost host;
    host.webUrl = config.ServerHost();
    host.webPort = config.ServerPort();
    host.caFile = config.caFile;
    host.mainWindow = &window;
    const orv::ServerEndpoint server{host.webUrl, host.webPort, host.caFile};
    window.SetConnection(DatabaseShown(config.db), QStringLiteral("%1:%2").arg(host.webUrl).arg(host.webPort));

    // Opens the operator's session: the modules' calls carry it and the server writes in the
    // operator's name. Gives the text to show when it could not.
    auto login = [&](const QString& operador, const QString& senha) -> QString {
        const orv::LoginResult result = orv::OpenSession(server, operador, senha);
        if (!result.ok()) return result.error;
        host.operador = operador;
        host.nomeOperador = OperatorName(operador);
        host.token = result.token;
        window.SetOperator(host.nomeOperador == operador ? operador : QStringLiteral("%1 %2").arg(operador, host.nomeOperador));
        return {};
    };
    auto loginDialog = [&] {
        shell::LoginDialog dialog(login, config.operatorCode);
        return dialog.exec() == QDialog::Accepted;
    };

    bool loggedIn = false;
    if (!config.passwordFile.isEmpty()) {
        QString why;
        try {
            why = login(config.operatorCode, shell::ReadPasswordFile(config.passwordFile));
        } catch (const std::exception& e) {
            why = QString::fromUtf8(e.what());
        }
        if (!why.isEmpty())
            return fatal(QStringLiteral("Não foi possível entrar como %1: %2").arg(config.operatorCode, why));
        loggedIn = true;
    }

    int result = 0;
    if (scripted) {
        result = shell::RunScript(config.script, window, host, loggedIn ? shell::LoginStep() : shell::LoginStep(loginDialog));
    } else if (loggedIn || loginDialog()) {
        orv::InstallHost(&host);
        window.show();
        if (!config.open.isEmpty()) window.OpenModule(config.open);
        result = app.exec();
    }
    orv::InstallHost(nullptr);
    // The session ends with the shell rather than lingering until it expires.
    orv::CloseSession(server, host.token);
    return result;
}
