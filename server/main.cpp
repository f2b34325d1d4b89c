// zmt02600-server: the application server of the physical-transfer module.
#include "db/Migrations.h"
#include "orv/Database.h"
#include "orv/Format.h"
#include "server/AuthService.h"
#include "server/RpcServer.h"
#include "server/Sql.h"
#include "server/TransFisicaService.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <ctime>
#include <iostream>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <thread>

namespace {

const char* kUsage =
    "uso: zmt02600-server [--db URL] [--listen ENDERECO] [--port N] [--threads N] [--token-file ARQUIVO]\n"
    "                      [--allow-tool-writes] [--session-idle MINUTOS] [--tls-cert ARQ --tls-key ARQ]\n"
    "                      [--insecure] [--trusted-proxy ENDERECO] [--max-connections N]\n"
    "                      [--header-timeout SEGUNDOS]\n"
    "  --db URL             sqlite:CAMINHO (padrão: sqlite:var/erp.db) ou postgresql://usuario@host:porta/banco\n"
    "  --listen ENDERECO    endereço de escuta (padrão 127.0.0.1)\n"
    "  --port N             porta (0 escolhe uma livre; padrão 0)\n"
    "  --threads N          linhas de execução atendendo chamadas (padrão 8)\n"
    "  --token-file ARQ     token das ferramentas (carga, medições): consulta, mas só grava com\n"
    "                       --allow-tool-writes; sem ele, só operadores com sessão são atendidos\n"
    "  --allow-tool-writes  o token das ferramentas também grava, com os operadores que a gravação traz\n"
    "  --session-idle MIN   minutos sem chamadas que encerram uma sessão (padrão 30)\n"
    "  --tls-cert ARQ       certificado (PEM) para atender em HTTPS\n"
    "  --tls-key ARQ        chave privada (PEM) do certificado\n"
    "  --insecure           aceita escutar fora da máquina local sem TLS (senhas e sessões abertas na rede)\n"
    "  --trusted-proxy END  balanceador cujo X-Forwarded-For identifica o cliente (pode repetir)\n"
    "  --max-connections N  conexões abertas ao mesmo tempo (padrão 4096); além disso, fecha a ociosa\n"
    "                       há mais tempo, ou as novas aguardam\n"
    "  --header-timeout S   segundos para um cliente enviar os cabeçalhos de uma requisição (padrão 20)\n"
    "Os operadores entram com rpc.login (operador e senha; veja erp-db passwd) e cada chamada leva a\n"
    "sessão como \"Authorization: Bearer SESSAO\".\n"
    "Variáveis de ambiente equivalentes: ERP_DB, ERP_LISTEN, ERP_PORT, ERP_THREADS, ERP_TOKEN_FILE,\n"
    "ERP_ALLOW_TOOL_WRITES=1, ERP_SESSION_IDLE, ERP_TLS_CERT, ERP_TLS_KEY, ERP_INSECURE=1.\n";

int Fail(const std::string& text) {
    std::cerr << "zmt02600-server: " << text << std::endl;
    return 2;
}

std::string Env(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

// A whole number in [min, max], or a message naming the option.
int Number(const std::string& name, const std::string& text, int min, int max) {
    size_t used = 0;
    int value = -1;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < min || value > max)
        throw std::invalid_argument("valor inválido para " + name + ": '" + text + "' (de " + std::to_string(min) + " a " +
                                    std::to_string(max) + ")");
    return value;
}

// Only the machine itself can reach these; anything else is a network where passwords and
// session tokens could be read in passing.
bool Loopback(const std::string& address) {
    return address == "localhost" || address == "::1" || address.rfind("127.", 0) == 0;
}

std::mutex g_logMutex;

void LogLine(const std::string& line) {
    std::lock_guard lock(g_logMutex);
    std::cerr << line << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    orv::PinLocalTimeZone();
    QCoreApplication app(argc, argv);
    std::string db = Env("ERP_DB", "sqlite:var/erp.db");
    std::string tokenFile = Env("ERP_TOKEN_FILE", "");
    server::RpcServerOptions options;
    server::AuthOptions auth;
    options.listen = Env("ERP_LISTEN", "127.0.0.1");
    options.tlsCert = Env("ERP_TLS_CERT", "");
    options.tlsKey = Env("ERP_TLS_KEY", "");
    bool insecure = Env("ERP_INSECURE", "") == "1";
    auth.allowToolWrites = Env("ERP_ALLOW_TOOL_WRITES", "") == "1";
    try {
        options.port = Number("ERP_PORT", Env("ERP_PORT", "0"), 0, 65535);
        options.threads = Number("ERP_THREADS", Env("ERP_THREADS", "8"), 1, 256);
        int idle = Number("ERP_SESSION_IDLE", Env("ERP_SESSION_IDLE", "30"), 1, 525600);
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto next = [&]() -> std::string {
                if (i + 1 >= argc) throw std::invalid_argument(a + " precisa de um valor");
                return argv[++i];
            };
            if (a == "--db") db = next();
            else if (a == "--listen") options.listen = next();
            else if (a == "--port") options.port = Number(a, next(), 0, 65535);
            else if (a == "--token-file") tokenFile = next();
            else if (a == "--threads") options.threads = Number(a, next(), 1, 256);
            else if (a == "--allow-tool-writes") auth.allowToolWrites = true;
            else if (a == "--session-idle") idle = Number(a, next(), 1, 525600);
            else if (a == "--tls-cert") options.tlsCert = next();
            else if (a == "--tls-key") options.tlsKey = next();
            else if (a == "--insecure") insecure = true;
            else if (a == "--trusted-proxy") options.trustedProxies.push_back(next());
            else if (a == "--max-connections") options.maxConnections = Number(a, next(), 1, 1000000);
            else if (a == "--header-timeout") options.headerSeconds = Number(a, next(), 1, 3600);
            else if (a == "--help" || a == "-h") { std::cout << kUsage; return 0; }
            else throw std::invalid_argument("opção desconhecida: " + a);
        }
        if (idle < 1) throw std::invalid_argument("--session-idle deve ser de pelo menos 1 minuto");
        auth.idle = std::chrono::minutes(idle);
    } catch (const std::exception& e) {
        std::cerr << kUsage;
        return Fail(e.what());
    }
    const bool tls = !options.tlsCert.empty() || !options.tlsKey.empty();
    if (!Loopback(options.listen) && !tls && !insecure)
        return Fail("recuso escutar em " + options.listen +
                    " sem TLS: senhas e sessões passariam abertas pela rede. Informe --tls-cert e --tls-key, "
                    "ou --insecure se a rede já for protegida de outro modo.");
    if (!tokenFile.empty()) {
        QFile f(QString::fromStdString(tokenFile));
        if (!f.open(QIODevice::ReadOnly)) return Fail("não foi possível ler o arquivo de token " + tokenFile);
        auth.toolToken = QString::fromUtf8(f.readAll()).trimmed().toStdString();
        if (auth.toolToken.empty()) return Fail("o arquivo de token está vazio.");
    }
    auth.log = LogLine;

    const QString base = QStringLiteral("zmt02600-server");
    try {
        QSqlDatabase conn = orv::OpenDatabase(QString::fromStdString(db), base);
        erpdb::Migrate(conn);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }

    // SIGINT/SIGTERM are taken by one thread that stops the server; calls under way finish.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // Every connection holds a descriptor: take what the system allows, and keep the cap below it
    // with room for the database and files, so accept never fails for want of descriptors.
    options.stopGraceSeconds = 5;
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        if (files.rlim_cur < files.rlim_max) {
            files.rlim_cur = files.rlim_max;
            setrlimit(RLIMIT_NOFILE, &files);
            getrlimit(RLIMIT_NOFILE, &files);
        }
        const rlim_t room = files.rlim_cur > 128 ? files.rlim_cur - 128 : 16;
        if (static_cast<rlim_t>(options.maxConnections) > room) {
            options.maxConnections = static_cast<int>(room);
            std::cerr << "zmt02600-server: limite de descritores do sistema: no máximo " << room
                      << " conexões abertas" << std::endl;
        }
    }

    server::Dispatcher dispatcher;
    server::TransFisicaService service([base] { return server::Repository(server::CallConnection(base)); });
    service.RegisterMethods(dispatcher);
    std::optional<server::AuthService> sessions;
    std::optional<server::RpcServer> rpc;
    int port = 0;
    try {
        sessions.emplace([base] { return server::CallConnection(base); }, auth);
        sessions->RegisterMethods(dispatcher);
        rpc.emplace(dispatcher, *sessions, options);
        port = rpc->Bind();
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    std::cout << "listening on " << options.listen << ":" << port << std::endl;

    std::atomic<bool> signalled{false};
    std::thread waiter([&rpc, &signalled, stopSignals] {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        if (signalled.exchange(true)) return;  // woken by main after Serve failed
        std::cerr << "zmt02600-server: encerrando (sinal " << sig << ")" << std::endl;
        rpc->Stop();
    });
    const bool served = rpc->Serve();
    if (!signalled.exchange(true)) pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return served ? 0 : Fail("o servidor parou por um erro de rede.");
}
