// erp-shell: the host desktop shell. Logs the operator in, opens the shared database
// connection, knows the application server, and loads the screen modules at run time.
#include "db/Migrations.h"
#include "orv/Database.h"
#include "orv/Format.h"
#include "orv/Host.h"
#include "orv/ScriptedHost.h"
#include "shell/MainWindow.h"
#include "shell/ScriptRunner.h"
#include "shell/ShellConfig.h"
#include "shell/ShellHost.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QSqlQuery>

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

}  // namespace

int main(int argc, char** argv) {
    orv::PinLocalTimeZone();
    ChoosePlatform(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("erp-shell"));

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

    QString operatorName;
    try {
        QSqlDatabase db = orv::OpenDatabase(config.db, orv::SharedConnectionName());
        erpdb::Migrate(db);
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT NMOPERADOR FROM OPERADOR WHERE CDOPERADOR = :C"));
        q.bindValue(QStringLiteral(":C"), config.operatorCode);
        if (config.operatorCode.isEmpty() || !q.exec() || !q.next())
            return fatal(QStringLiteral("Operador \"%1\" não cadastrado. Informe --operator com um código de OPERADOR.")
                             .arg(config.operatorCode));
        operatorName = q.value(0).toString();
    } catch (const std::exception& e) {
        return fatal(QString::fromUtf8(e.what()));
    }

    QString token;
    if (!config.tokenFile.isEmpty()) {
        QFile f(config.tokenFile);
        if (!f.open(QIODevice::ReadOnly))
            return fatal(QStringLiteral("Não foi possível ler o arquivo de token %1.").arg(config.tokenFile));
        token = QString::fromUtf8(f.readAll()).trimmed();
    }

    shell::MainWindow window(config.modulesDir, operatorName);
    shell::ShellHost host;
    host.operador = config.operatorCode;
    host.nomeOperador = operatorName;
    host.webUrl = config.ServerHost();
    host.webPort = config.ServerPort();
    host.token = token;
    host.mainWindow = &window;

    int result = 0;
    if (scripted) {
        result = shell::RunScript(config.script, window, host);
    } else {
        orv::InstallHost(&host);
        window.show();
        if (!config.open.isEmpty()) window.OpenModule(config.open);
        result = app.exec();
    }
    orv::InstallHost(nullptr);
    return result;
}
