// zmt02600-server: the application server of the physical-transfer module.
#include "db/Migrations.h"
#include "orv/Database.h"
#include "orv/Format.h"
#include "server/RpcServer.h"
#include "server/Sql.h"
#include "server/TransFisicaService.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <csignal>
#include <ctime>
#include <iostream>
#include <pthread.h>
#include <thread>

namespace {

const char* kUsage =
    "uso: zmt02600-server --token-file ARQUIVO [--db URL] [--listen ENDERECO] [--port N] [--threads N]\n"
    "  --db URL          sqlite:CAMINHO (padrão: sqlite:var/erp.db) ou postgresql://usuario@host:porta/banco\n"
    "  --listen ENDERECO endereço de escuta (padrão 127.0.0.1)\n"
    "  --port N          porta (0 escolhe uma livre; padrão 0)\n"
    "  --token-file ARQ  arquivo com o token de acesso exigido dos clientes (obrigatório)\n"
    "  --threads N       linhas de execução atendendo chamadas (padrão 8)\n"
    "Variáveis de ambiente equivalentes: ERP_DB, ERP_LISTEN, ERP_PORT, ERP_TOKEN_FILE, ERP_THREADS.\n";

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

}  // namespace

int main(int argc, char** argv) {
    orv::PinLocalTimeZone();
    QCoreApplication app(argc, argv);
    std::string db = Env("ERP_DB", "sqlite:var/erp.db");
    std::string tokenFile = Env("ERP_TOKEN_FILE", "");
    server::RpcServerOptions options;
    options.listen = Env("ERP_LISTEN", "127.0.0.1");
    try {
        options.port = Number("ERP_PORT", Env("ERP_PORT", "0"), 0, 65535);
        options.threads = Number("ERP_THREADS", Env("ERP_THREADS", "8"), 1, 256);
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
            else if (a == "--help" || a == "-h") { std::cout << kUsage; return 0; }
            else throw std::invalid_argument("opção desconhecida: " + a);
        }
    } catch (const std::exception& e) {
        std::cerr << kUsage;
        return Fail(e.what());
    }
    if (tokenFile.empty()) {
        std::cerr << kUsage;
        return Fail("--token-file é obrigatório.");
    }
    QFile f(QString::fromStdString(tokenFile));
    if (!f.open(QIODevice::ReadOnly)) return Fail("não foi possível ler o arquivo de token " + tokenFile);
    options.token = QString::fromUtf8(f.readAll()).trimmed().toStdString();
    if (options.token.empty()) return Fail("o arquivo de token está vazio.");

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

    server::Dispatcher dispatcher;
    server::TransFisicaService service([base] { return server::Repository(server::CallConnection(base)); });
    service.RegisterMethods(dispatcher);
    server::RpcServer rpc(dispatcher, options);
    int port = 0;
    try {
        port = rpc.Bind();
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
        rpc.Stop();
    });
    const bool served = rpc.Serve();
    if (!signalled.exchange(true)) pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return served ? 0 : Fail("o servidor parou por um erro de rede.");
}
