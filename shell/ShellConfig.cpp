#include "shell/ShellConfig.h"

#include <QProcessEnvironment>

#include <stdexcept>

namespace shell {

const char* kShellUsage =
    "uso: erp-shell [--db URL] [--server HOST:PORTA] [--token-file ARQ] [--operator CODIGO]\n"
    "               [--modules DIR] [--open ZMT02600] [--script ARQ]\n"
    "Variáveis equivalentes: ERP_DB, ERP_SERVER, ERP_TOKEN_FILE, ERP_OPERATOR, ERP_MODULES,\n"
    "ERP_OPEN, ERP_SCRIPT.\n";

ShellConfig ShellConfig::Parse(const QStringList& args, const QString& defaultModulesDir) {
    ShellConfig c;
    c.modulesDir = defaultModulesDir;
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    auto fromEnv = [&](const char* name, QString& target) {
        const QString v = env.value(QString::fromLatin1(name));
        if (!v.isEmpty()) target = v;
    };
    fromEnv("ERP_DB", c.db);
    fromEnv("ERP_SERVER", c.server);
    fromEnv("ERP_TOKEN_FILE", c.tokenFile);
    fromEnv("ERP_OPERATOR", c.operatorCode);
    fromEnv("ERP_MODULES", c.modulesDir);
    fromEnv("ERP_OPEN", c.open);
    fromEnv("ERP_SCRIPT", c.script);
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        auto next = [&]() {
            if (i + 1 >= args.size()) throw std::invalid_argument((a + " precisa de um valor").toStdString());
            return args[++i];
        };
        if (a == QLatin1String("--db")) c.db = next();
        else if (a == QLatin1String("--server")) c.server = next();
        else if (a == QLatin1String("--token-file")) c.tokenFile = next();
        else if (a == QLatin1String("--operator")) c.operatorCode = next();
        else if (a == QLatin1String("--modules")) c.modulesDir = next();
        else if (a == QLatin1String("--open")) c.open = next();
        else if (a == QLatin1String("--script")) c.script = next();
        else throw std::invalid_argument(("opção desconhecida: " + a).toStdString());
    }
    if (c.ServerPort() <= 0 && !c.server.isEmpty() && c.server != QLatin1String("127.0.0.1:0"))
        throw std::invalid_argument("--server deve ser HOST:PORTA");
    return c;
}

}  // namespace shell
