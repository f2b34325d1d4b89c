#include "shell/ShellConfig.h"

#include <QFile>
#include <QProcessEnvironment>

#include <stdexcept>

namespace shell {

namespace {

const QString kHttps = QStringLiteral("https://");

// The server without its scheme: "HOST:PORT".
QString Authority(const QString& server) {
    return server.startsWith(kHttps, Qt::CaseInsensitive) ? server.mid(kHttps.size()) : server;
}

}  // namespace

const char* kShellUsage =
    "uso: erp-shell [--db URL] [--server [https://]HOST:PORTA] [--ca-file ARQ] [--operator CODIGO]\n"
    "               [--password-file ARQ] [--token-file ARQ] [--modules DIR] [--open ZMT02600]\n"
    "               [--script ARQ]\n"
    "  --db URL             banco de dados (sqlite:CAMINHO ou postgresql://...; padrão sqlite:var/erp.db)\n"
    "  --server HOST:PORTA  servidor de aplicação; https://HOST:PORTA para TLS\n"
    "  --ca-file ARQ        certificados (PEM) das autoridades que assinam o do servidor em https;\n"
    "                       sem ele, as autoridades do sistema\n"
    "  --operator CODIGO    operador que entra (preenche a janela de entrada)\n"
    "  --password-file ARQ  primeira linha do arquivo é a senha: entra sem a janela de entrada\n"
    "                       (roteiros, testes, demonstração); exige --operator\n"
    "  --token-file ARQ     aceito por compatibilidade; as chamadas levam sempre a sessão do operador\n"
    "  --modules DIR        onde estão os módulos (padrão <build>/lib)\n"
    "  --open CODIGO        abre a tela ao entrar\n"
    "  --script ARQ         executa uma sessão roteirizada (veja o README)\n"
    "  --help               mostra esta ajuda\n"
    "Sem --password-file o shell pede \"Operador\" e \"Senha\" antes do menu.\n"
    "Variáveis equivalentes: ERP_DB, ERP_SERVER, ERP_CA_FILE, ERP_OPERATOR, ERP_PASSWORD_FILE,\n"
    "ERP_TOKEN_FILE, ERP_MODULES, ERP_OPEN, ERP_SCRIPT.\n";

QString ShellConfig::ServerHost() const {
    const QString host = Authority(server).section(QLatin1Char(':'), 0, 0);
    return server.startsWith(kHttps, Qt::CaseInsensitive) ? kHttps + host : host;
}

int ShellConfig::ServerPort() const { return Authority(server).section(QLatin1Char(':'), 1, 1).toInt(); }

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
    fromEnv("ERP_CA_FILE", c.caFile);
    fromEnv("ERP_TOKEN_FILE", c.tokenFile);
    fromEnv("ERP_OPERATOR", c.operatorCode);
    fromEnv("ERP_PASSWORD_FILE", c.passwordFile);
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
        else if (a == QLatin1String("--ca-file")) c.caFile = next();
        else if (a == QLatin1String("--token-file")) c.tokenFile = next();
        else if (a == QLatin1String("--operator")) c.operatorCode = next();
        else if (a == QLatin1String("--password-file")) c.passwordFile = next();
        else if (a == QLatin1String("--modules")) c.modulesDir = next();
        else if (a == QLatin1String("--open")) c.open = next();
        else if (a == QLatin1String("--script")) c.script = next();
        else throw std::invalid_argument(("opção desconhecida: " + a).toStdString());
    }
    if (c.ServerPort() <= 0 && !c.server.isEmpty() && c.server != QLatin1String("127.0.0.1:0"))
        throw std::invalid_argument("--server deve ser HOST:PORTA ou https://HOST:PORTA");
    if (!c.passwordFile.isEmpty() && c.operatorCode.isEmpty())
        throw std::invalid_argument("--password-file exige --operator");
    return c;
}

QString ReadPasswordFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Não foi possível ler o arquivo de senha %1.").arg(path).toStdString());
    QByteArray line = file.readLine();
    if (line.endsWith('\n')) line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    return QString::fromUtf8(line);
}

}  // namespace shell
