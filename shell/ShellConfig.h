#pragma once

#include <QString>
#include <QStringList>

namespace shell {

// The shell's settings, from flags or the environment variables of the same meaning.
struct ShellConfig {
    QString db = QStringLiteral("sqlite:var/erp.db");  // --db / ERP_DB
    QString server = QStringLiteral("127.0.0.1:0");    // --server HOST:PORT / ERP_SERVER
    QString tokenFile;                                  // --token-file / ERP_TOKEN_FILE
    QString operatorCode;                               // --operator / ERP_OPERATOR
    QString modulesDir;                                 // --modules / ERP_MODULES
    QString open;                                       // --open / ERP_OPEN
    QString script;                                     // --script / ERP_SCRIPT

    QString ServerHost() const { return server.section(QLatin1Char(':'), 0, 0); }
    int ServerPort() const { return server.section(QLatin1Char(':'), 1, 1).toInt(); }

    // Throws std::invalid_argument with a Portuguese message on a bad flag.
    static ShellConfig Parse(const QStringList& args, const QString& defaultModulesDir);
};

extern const char* kShellUsage;

}  // namespace shell
