#pragma once

#include <QString>
#include <QStringList>

namespace shell {

// The shell's settings, from flags or the environment variables of the same meaning.
struct ShellConfig {
    QString db = QStringLiteral("sqlite:var/erp.db");  // --db / ERP_DB
    QString server = QStringLiteral("127.0.0.1:0");    // --server [https://]HOST:PORT / ERP_SERVER
    QString caFile;                                     // --ca-file / ERP_CA_FILE
    QString tokenFile;                                  // --token-file / ERP_TOKEN_FILE
    QString operatorCode;                               // --operator / ERP_OPERATOR
    QString passwordFile;                               // --password-file / ERP_PASSWORD_FILE
    QString modulesDir;                                 // --modules / ERP_MODULES
    QString open;                                       // --open / ERP_OPEN
    QString script;                                     // --script / ERP_SCRIPT

    // "https://NAME" over TLS, else the plain host name or address.
    QString ServerHost() const;
    int ServerPort() const;

    // Throws std::invalid_argument with a Portuguese message on a bad flag.
    static ShellConfig Parse(const QStringList& args, const QString& defaultModulesDir);
};

extern const char* kShellUsage;

// The first line of a password file, its line end stripped. Throws std::runtime_error
// (Portuguese) when the file cannot be read.
QString ReadPasswordFile(const QString& path);

}  // namespace shell
