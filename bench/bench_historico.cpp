// bench_historico: the history of a place on a large demo — GetHistLocalizacao (the transfers into
// and out of a branch in a period) and GetBensLocalizacao (the assets there at the end of a day) —
// end to end through the real server in process and the module's client connection; each case
// with the indexes of migration 0006 and then, in the same run, without them (the plan the
// database falls back to), so the figures show what the indexes buy.
//
//   bench_historico [--assets N] [--db URL]
//
// Without --db a demo of N assets (default 100,000) is generated into a temporary SQLite file.
// With --db an empty database gets that demo; one that already holds a demo (erp-db demo) is used
// as it is. The indexes are put back as the migration left them before the program ends.

#include "db/Demo.h"
#include "db/Migrations.h"
#include "orv/Database.h"
#include "orv/Format.h"
#include "orv/Host.h"
#include "bench/InProcessServer.h"
#include "orv/NetConnection.h"
#include "orv/ScriptedHost.h"
#include "server/AuthService.h"
#include "server/Dispatcher.h"
#include "server/Sql.h"
#include "server/Repository.h"
#include "server/RpcServer.h"
#include "server/TransFisicaService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Json = nlohmann::json;

[[noreturn]] void Die(const std::string& text) {
    std::fprintf(stderr, "bench_historico: %s\n", text.c_str());
    std::exit(1);
}

void Exec(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) Die(sql.toStdString() + ": " + q.lastError().text().toStdString());
}

int Count(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next()) Die(sql.toStdString() + ": " + q.lastError().text().toStdString());
    return q.value(0).toInt();
}

struct Case {
    const char* name;
    const char* method;
    Json params;
};

struct Result {
    double median = 0, p90 = 0;
    size_t rows = 0, bytes = 0;
};

Result Measure(orv::TNetConnection& net, const Case& c, int runs) {
    Result r;
    std::vector<double> ms;
    for (int i = 0; i < runs + 1; ++i) {
        const auto t = Clock::now();
        const contracts::ServerResult answer = net.Call(c.method, c.params);
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - t).count();
        if (!answer.ok) Die(std::string(c.name) + ": " + answer.error.toStdString());
        if (i == 0) {  // the first run warms the caches and the statement up
            r.rows = answer.value["rows"].size();
            r.bytes = answer.value.dump().size();
            continue;
        }
        ms.push_back(elapsed);
    }
    std::sort(ms.begin(), ms.end());
    r.median = ms[ms.size() / 2];
    r.p90 = ms[std::min(ms.size() - 1, ms.size() * 9 / 10)];
    return r;
}

// Left-aligned in a column of `width` characters (the names have accents).
std::string Pad(const std::string& text, int width) {
    const int chars = int(QString::fromStdString(text).size());
    return text + std::string(size_t(std::max(0, width - chars)), ' ');
}

const char* const kWithout[] = {"DROP INDEX IX_ITCAPAOPERABEM_DESTINO", "DROP INDEX IX_ITCAPAOPERABEM_ORIGEM",
                                "DROP INDEX IX_BEMATIVO_LOCAL",
                                "CREATE INDEX IX_BEMATIVO_FILIAL ON BEMATIVO (CDEMPRESA, CDFILIAL)"};
const char* const kWith[] = {
    "DROP INDEX IX_BEMATIVO_FILIAL",
    "CREATE INDEX IX_ITCAPAOPERABEM_DESTINO ON ITCAPAOPERABEM (CDEMPRESA, CDFILIALITCNOVO, CDCENTCUITCNOVO, CDSETORITCNOVO)",
    "CREATE INDEX IX_ITCAPAOPERABEM_ORIGEM ON ITCAPAOPERABEM (CDEMPRESA, CDFILIALITCANTE, CDCENTCUITCANTE, CDSETORITCANTE)",
    "CREATE INDEX IX_BEMATIVO_LOCAL ON BEMATIVO (CDEMPRESA, CDFILIAL, CDCENTCUST, CDSETOR)"};

}  // namespace

int main(int argc, char** argv) {
    orv::PinLocalTimeZone();
    QCoreApplication app(argc, argv);
    int assets = 100000;
    QString url;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--assets")) assets = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--db")) url = args[i + 1];
        else Die("uso: bench_historico [--assets N] [--db URL]");
    }
    QTemporaryDir dir;
    if (url.isEmpty()) url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("historico.db"));
    const bool postgres = !url.startsWith(QLatin1String("sqlite:"));
    const QString base = QStringLiteral("bench-historico");
    QSqlDatabase db = orv::OpenDatabase(url, base);
    erpdb::Migrate(db);
    if (Count(db, QStringLiteral("SELECT COUNT(*) FROM EMPRESA")) == 0) {
        QElapsedTimer clock;
        clock.start();
        erpdb::DemoOptions demo;
        demo.assets = assets;
        std::fprintf(stderr, "gerando a demonstração de %d bens...\n", assets);
        erpdb::GenerateDemo(db, demo);
        std::fprintf(stderr, "demonstração gerada em %.1f s\n", clock.elapsed() / 1000.0);
    }
    const int bens = Count(db, QStringLiteral("SELECT COUNT(*) FROM BEMATIVO"));
    const int transferencias = Count(db, QStringLiteral("SELECT COUNT(*) FROM ITCAPAOPERABEM"));

    benchserver::InProcessServer inProcess(base, false);  // reads: the tools' token is enough
    orv::TNetConnection& net = inProcess.net();

    // Company 01's head office, and one of its sectors; the demo's history runs 2016 to 2025.
    const std::vector<Case> cases = {
        {"transferências da filial, 1 mês", "GetHistLocalizacao", {"01", "0001", "", "", "2025-12-01", "2025-12-31"}},
        {"transferências da filial, 1 ano", "GetHistLocalizacao", {"01", "0001", "", "", "2025-01-01", "2025-12-31"}},
        {"transferências da filial, 10 anos", "GetHistLocalizacao", {"01", "0001", "", "", "2016-01-01", "2025-12-31"}},
        {"transferências do setor, 1 ano", "GetHistLocalizacao", {"01", "0001", "0001", "0001", "2025-01-01", "2025-12-31"}},
        {"bens da filial em 31/12/2025", "GetBensLocalizacao", {"01", "0001", "", "", "2025-12-31"}},
        {"bens da filial em 30/06/2020", "GetBensLocalizacao", {"01", "0001", "", "", "2020-06-30"}},
        {"bens da filial em 31/01/2016", "GetBensLocalizacao", {"01", "0001", "", "", "2016-01-31"}},
        {"bens do setor em 30/06/2020", "GetBensLocalizacao", {"01", "0001", "0001", "0001", "2020-06-30"}},
    };
    constexpr int kRuns = 15, kRunsWithout = 5;

    std::vector<Result> with, without;
    for (const Case& c : cases) with.push_back(Measure(net, c, kRuns));
    for (const char* sql : kWithout) Exec(db, QString::fromLatin1(sql));
    for (const Case& c : cases) without.push_back(Measure(net, c, kRunsWithout));
    for (const char* sql : kWith) Exec(db, QString::fromLatin1(sql));

    std::printf("bench_historico (%s): %s, %d bens, %d transferências; servidor e cliente reais no mesmo processo\n",
                BENCH_BUILD_TYPE, postgres ? "PostgreSQL" : "SQLite", bens, transferencias);
    std::printf("\n%s %7s %9s %11s %11s %13s %7s\n", Pad("caso", 36).c_str(), "linhas", "resposta", "mediana", "p90",
                Pad("sem índices", 13).c_str(), "razão");
    for (size_t i = 0; i < cases.size(); ++i) {
        const Result& r = with[i];
        std::printf("%s %7zu %8.1fK %8.2f ms %8.2f ms %10.2f ms %6.1fx\n", Pad(cases[i].name, 36).c_str(), r.rows,
                    r.bytes / 1024.0, r.median, r.p90, without[i].median, without[i].median / r.median);
    }
    std::printf("\nmedianas de %d chamadas (%d sem os índices da migração 0007), após uma de aquecimento\n", kRuns,
                kRunsWithout);

    return 0;
}
