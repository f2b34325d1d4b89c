// load: many asset clerks at once against a running application server (or a balancer in front
// of several), each on its own thread with its own keep-alive connection through the module's
// proxy. Each reads its asset's list, takes new numbers and confirms a transfer to another place,
// or now and then undoes its last one; a few clerks share assets so that the server's refusals of
// stale data happen. Prints the confirmed transfers per second, the latencies per call and the
// refusals, then checks the database directly and says whether it holds what the clerks were told.
//
//   load --server HOST:PORT --token-file FILE --db URL --clerks M --seconds S
//        [--shared PERCENT] [--undo PERCENT] [--empresa 01] [--seed N] [--outages]

#include "bench/load_clerk.h"
#include "bench/load_ledger.h"
#include "bench/load_plan.h"
#include "bench/load_verify.h"

#include "orv/Format.h"
#include "orv/Host.h"
#include "orv/ScriptedHost.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

const char* kUsage =
    "uso: load --server HOST:PORTA --token-file ARQUIVO --db URL --clerks M --seconds S\n"
    "          [--shared PERCENT] [--undo PERCENT] [--empresa 01] [--seed N] [--outages]\n"
    "  --server HOST:PORTA  servidor de aplicação (ou balanceador) já em execução\n"
    "  --token-file ARQ     arquivo com o token de acesso do servidor\n"
    "  --db URL             o banco do servidor (sqlite:CAMINHO ou postgresql://...), lido para escolher\n"
    "                       os bens e, no fim, para verificar o que foi gravado\n"
    "  --clerks M           atendentes simultâneos, cada um com sua conexão (padrão 1)\n"
    "  --seconds S          duração da carga (padrão 10)\n"
    "  --shared PERCENT     atendentes que disputam os mesmos poucos bens (padrão 10)\n"
    "  --undo PERCENT       vezes em que o atendente desfaz a última transferência (padrão 10)\n"
    "  --empresa CODIGO     empresa dos bens (padrão 01)\n"
    "  --seed N             sorteio dos bens e dos destinos (padrão: o relógio)\n"
    "  --outages            um servidor ou o banco cai durante a carga: falhas de comunicação e de\n"
    "                       banco indisponível são esperadas e não fazem a carga falhar\n"
    "Sai com 0 quando a verificação passa e não houve erro; 1 quando não; 2 em erro de uso.\n";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    QString host;
    int port = 0;
    QString tokenFile, db, empresa = QStringLiteral("01");
    int clerks = 1, sharedPercent = 10, undoPercent = 10;
    double seconds = 10;
    quint64 seed = 0;
    bool outages = false;
};

int Int(const std::string& name, const std::string& text, int min, int max) {
    try {
        size_t used = 0;
        const int v = std::stoi(text, &used);
        if (used == text.size() && v >= min && v <= max) return v;
    } catch (const std::exception&) {
    }
    throw UsageError("valor inválido para " + name + ": " + text + " (de " + std::to_string(min) + " a " +
                     std::to_string(max) + ")");
}

Options Parse(int argc, char** argv) {
    Options o;
    o.seed = quint64(QDateTime::currentMSecsSinceEpoch());
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (a == "--outages") {
            o.outages = true;
            continue;
        }
        if (i + 1 >= argc) throw UsageError(a + " precisa de um valor");
        const std::string v = argv[++i];
        if (a == "--server") {
            const size_t colon = v.rfind(':');
            if (colon == std::string::npos || colon == 0) throw UsageError("--server espera HOST:PORTA");
            o.host = QString::fromStdString(v.substr(0, colon));
            o.port = Int(a, v.substr(colon + 1), 1, 65535);
        } else if (a == "--token-file") {
            o.tokenFile = QString::fromLocal8Bit(v.c_str());
        } else if (a == "--db") {
            o.db = QString::fromLocal8Bit(v.c_str());
        } else if (a == "--clerks") {
            o.clerks = Int(a, v, 1, 1000);
        } else if (a == "--seconds") {
            o.seconds = Int(a, v, 1, 86400);
        } else if (a == "--shared") {
            o.sharedPercent = Int(a, v, 0, 100);
        } else if (a == "--undo") {
            o.undoPercent = Int(a, v, 0, 100);
        } else if (a == "--empresa") {
            o.empresa = QString::fromStdString(v).trimmed();
        } else if (a == "--seed") {
            o.seed = quint64(std::stoull(v));
        } else {
            throw UsageError("opção desconhecida: " + a);
        }
    }
    if (o.host.isEmpty()) throw UsageError("--server é obrigatório");
    if (o.tokenFile.isEmpty()) throw UsageError("--token-file é obrigatório");
    if (o.db.isEmpty()) throw UsageError("--db é obrigatório");
    return o;
}

// Left-aligned in a column of `width` characters (not bytes: the texts have accents).
std::string Pad(const QString& text, int width) {
    return (text + QString(std::max<qsizetype>(0, width - text.size()), QLatin1Char(' '))).toStdString();
}

// Nearest rank: the smallest sample with at least p of them at or below it.
double Percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const size_t rank = size_t(std::ceil(p * double(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

int Run(const Options& o) {
    QFile f(o.tokenFile);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("não foi possível ler o arquivo de token " + o.tokenFile.toStdString());
    orv::ScriptedHost host;
    host.token = QString::fromUtf8(f.readAll()).trimmed();
    orv::InstallHost(&host);

    // Most clerks own an asset; the shared ones (at least two, or none) race in fours on a few.
    int shared = int(std::lround(o.clerks * o.sharedPercent / 100.0));
    if (shared == 1) shared = o.clerks >= 2 ? 2 : 0;
    const int own = o.clerks - shared;
    const int sharedAssets = shared > 0 ? std::max(1, shared / 4) : 0;

    const load::Plan plan = load::ReadPlan(o.db, o.empresa, own + sharedAssets, o.seed);
    const auto before = load::CountTransfers(plan);
    const bool postgres = !o.db.startsWith(QLatin1String("sqlite:"));

    load::Ledger ledger;
    std::atomic<bool> stop{false};
    std::vector<std::unique_ptr<load::Clerk>> clerks;
    for (int i = 0; i < o.clerks; ++i) {
        load::ClerkSetup s;
        s.plan = &plan;
        s.asset = &plan.assets[size_t(i < own ? i : own + (i - own) % sharedAssets)];
        s.host = o.host;
        s.port = o.port;
        s.undoPercent = o.undoPercent;
        s.seed = o.seed * 1000003u + quint64(i);
        clerks.push_back(std::make_unique<load::Clerk>(s, ledger, stop));
        QString error;
        if (!clerks.back()->Connect(error)) throw std::runtime_error(error.toStdString());
    }

    std::printf("load (%s): %d atendente(s) por %.0f s contra %s:%d, empresa %s, %s\n", BENCH_BUILD_TYPE, o.clerks, o.seconds,
                qPrintable(o.host), o.port, qPrintable(o.empresa), postgres ? "PostgreSQL" : "SQLite");
    std::printf("  %d com bem próprio, %d disputando %d bem(ns); desfazer em %d%% das vezes; semente %llu\n", own, shared,
                sharedAssets, o.undoPercent, static_cast<unsigned long long>(o.seed));
    std::fflush(stdout);

    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (auto& c : clerks) threads.emplace_back([&c] { c->Run(); });
    std::this_thread::sleep_for(std::chrono::duration<double>(o.seconds));
    stop = true;
    for (auto& t : threads) t.join();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    load::Tally all;
    for (const auto& c : clerks) all.Merge(c->Result());
    clerks.clear();  // the connections close before the checks

    long calls = 0;
    for (const auto& [kind, ms] : all.latencies)
        if (kind.rfind("ciclo", 0) != 0) calls += long(ms.size());
    std::printf("\ntransferências confirmadas: %ld em %.2f s = %.1f/s\n", all.confirmed, elapsed, all.confirmed / elapsed);
    std::printf("desfeitas: %ld   recusas: %ld   erros: %ld   chamadas: %ld (%.0f/s)\n\n", all.undone, all.refused, all.failed,
                calls, calls / elapsed);

    std::printf("%s %8s %10s %10s %10s\n", Pad(QStringLiteral("chamada"), 24).c_str(), "qtd", "p50", "p95", "p99");
    const char* order[] = {"GetCapa", "PrxCapaOperaBem", "PrxItCapaOperaBem", "SetConfirmar", "Retorna_Dados",
                           "SetTransFisica", "ciclo: transferência", "ciclo: desfazer"};
    for (const char* kind : order) {
        auto it = all.latencies.find(kind);
        if (it == all.latencies.end()) continue;
        std::vector<double>& ms = it->second;
        std::sort(ms.begin(), ms.end());
        std::printf("%s %8zu %7.2f ms %7.2f ms %7.2f ms\n", Pad(QString::fromUtf8(kind), 24).c_str(), ms.size(),
                    Percentile(ms, 0.50), Percentile(ms, 0.95), Percentile(ms, 0.99));
    }
    if (!all.refusals.empty()) {
        std::printf("\nrecusas por mensagem (esperadas):\n");
        for (const auto& [text, n] : all.refusals) std::printf("%8ld  %s\n", n, qPrintable(text));
    }
    if (!all.errors.empty()) {
        std::printf("\nerros:\n");
        for (const auto& [text, n] : all.errors) std::printf("%8ld  %s\n", n, qPrintable(text));
    }
    if (all.outages > 0)
        std::printf("\nfalhas de comunicação ou de banco: %ld; maior espera de um atendente até a próxima resposta: %.0f ms\n",
                    all.outages, all.longestGapMs);

    // The connection the plan was read on may have died with a restart of the database.
    {
        QSqlDatabase db = QSqlDatabase::database(load::PlanConnection(), false);
        db.close();
        if (!db.open()) throw std::runtime_error("o banco não reabriu para a verificação");
    }
    const QStringList failures = load::Verify(plan, ledger, before, all.confirmed, all.undone);
    if (failures.isEmpty()) {
        std::printf("\nverificação: ok\n");
    } else {
        std::printf("\nverificação: %lld falha(s)\n", static_cast<long long>(failures.size()));
        const qsizetype shown = std::min<qsizetype>(failures.size(), 30);
        for (qsizetype i = 0; i < shown; ++i) std::printf("  %s\n", qPrintable(failures[i]));
        if (shown < failures.size()) std::printf("  ... e mais %lld\n", static_cast<long long>(failures.size() - shown));
    }
    orv::InstallHost(nullptr);
    // With --outages, a server or the database taken down during the run is part of the test:
    // only failures of another kind count.
    const long counted = o.outages ? all.failed - all.outages : all.failed;
    return failures.isEmpty() && counted == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    orv::PinLocalTimeZone();
    QCoreApplication app(argc, argv);  // Qt SQL loads its drivers through the application
    int code = 1;
    try {
        code = Run(Parse(argc, argv));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "load: %s\n%s", e.what(), kUsage);
        code = 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "load: %s\n", e.what());
        code = 1;
    }
    if (QSqlDatabase::contains(load::PlanConnection())) QSqlDatabase::removeDatabase(load::PlanConnection());
    return code;
}
