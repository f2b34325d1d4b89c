// bench_server: how long the application server's typical calls take end to end (real server in
// process, real client through the module's proxy, SQLite in a temporary directory or the
// PostgreSQL database given), each beside its floor measured in the same run: a bare httplib echo
// of the same sizes, plus for reads the same rows read with the C API and written as the same
// JSON, and for writes the same rows inserted with prepared statements in one transaction. The
// ratio real/floor is what our layers add.

#include "orv/Format.h"
#include "bench/Floors.h"
#include "contracts/TransferRecord.h"
#include "db/Migrations.h"
#include "orv/DataSet.h"
#include "orv/Database.h"
#include "orv/Host.h"
#include "bench/InProcessServer.h"
#include "orv/NetConnection.h"
#include "orv/ScriptedHost.h"
#include "server/Dispatcher.h"
#include "server/Repository.h"
#include "server/AuthService.h"
#include "server/RpcServer.h"
#include "server/TransFisicaService.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Json = nlohmann::json;

const QString kEmpresa = QStringLiteral("01");
const server::Location kA{QStringLiteral("0001"), QStringLiteral("1000"), QStringLiteral("S001"), QStringLiteral("000000000001")};
const server::Location kB{QStringLiteral("0002"), QStringLiteral("2000"), QStringLiteral("S002"), QStringLiteral("000000000001")};
const QString kHistoryAsset = QStringLiteral("H000000001");
constexpr int kBatchAssets = 1000;
constexpr int kHistory = 1000;

[[noreturn]] void Die(const std::string& text) {
    std::fprintf(stderr, "bench_server: %s\n", text.c_str());
    std::exit(1);
}

void Exec(QSqlDatabase& db, const QString& sql, const QVariantList& binds = {}) {
    if (sql == QLatin1String("BEGIN")) {
        db.transaction();
        return;
    }
    if (sql == QLatin1String("COMMIT")) {
        db.commit();
        return;
    }
    QSqlQuery q(db);
    if (!q.prepare(sql)) Die(q.lastError().text().toStdString());
    for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
    if (!q.exec()) Die(q.lastError().text().toStdString());
}

QString BatchAsset(int i) { return QStringLiteral("B%1").arg(i, 9, 10, QLatin1Char('0')); }

// Two places to move assets between, and the assets, all in A.
void InsertFixture(QSqlDatabase& db) {
    Exec(db, QStringLiteral("BEGIN"));
    Exec(db, QStringLiteral("INSERT INTO EMPRESA (CDEMPRESA, NMEMPRESA) VALUES (?, ?)"), {kEmpresa, "Empresa"});
    Exec(db, QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR) VALUES (?, ?)"), {kA.oper, "Operador"});
    for (const server::Location& l : {kA, kB}) {
        Exec(db, QStringLiteral("INSERT INTO FILIAL (CDFILIAL, CDEMPRESA, NMFILIAL) VALUES (?, ?, ?)"), {l.filial, kEmpresa, "Filial"});
        Exec(db, QStringLiteral("INSERT INTO CENTCUST (CDCENTCUST, NMCENTCUST) VALUES (?, ?)"), {l.centCust, "Centro"});
        Exec(db, QStringLiteral("INSERT INTO CENTCUSTFIL (CDCENTCUST, CDFILIAL) VALUES (?, ?)"), {l.centCust, l.filial});
        Exec(db, QStringLiteral("INSERT INTO SETOR (CDSETOR, CDCENTCUST, NMSETOR) VALUES (?, ?, ?)"), {l.setor, l.centCust, "Setor"});
    }
    Exec(db, QStringLiteral("INSERT INTO TIPOOPERBEM (CDEMPRESA, CDTIPOOPERBEM, NMTIPOOPERBEM, IDTIPOOPERBEM) VALUES (?, ?, ?, ?)"),
         {kEmpresa, "000001", QString::fromUtf8("Transferência entre filiais"), "03"});
    Exec(db, QStringLiteral("INSERT INTO MOTIVOOPER (CDEMPRESA, CDTIPOOPERBEM, CDMOTIVOOPER, NMMOTIVOOPER) VALUES (?, ?, ?, ?)"),
         {kEmpresa, "000001", "000001", "Motivo"});
    auto asset = [&db](const QString& bem, int patrimonio) {
        Exec(db,
             QStringLiteral("INSERT INTO BEMATIVO (CDBEMATIVO, CDEMPRESA, CDPATRIBEMATIVO, NMBEMATIVO, VRAQUIBEMATIVO,"
                            " CDFILIAL, CDCENTCUST, CDSETOR, CDOPERESPBEM) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {bem, kEmpresa, QString::number(patrimonio), QString::fromUtf8("Bem de teste"), 1000.0, kA.filial, kA.centCust,
              kA.setor, kA.oper});
    };
    asset(kHistoryAsset, 1);
    for (int i = 0; i < kBatchAssets; ++i) asset(BatchAsset(i), 1000 + i);
    // The server takes only numbers it handed out: the counters stand above the synthetic ones.
    for (const char* name : {"CAPAOPERABEM", "ITCAPAOPERABEM"})
        Exec(db, QStringLiteral("INSERT INTO SEQUENCIA (CDEMPRESA, IDSIMULOPERABEM, NMSEQUENCIA, NRULTIMO) VALUES (?, 'R', ?, ?)"),
             {kEmpresa, name, 9100000000LL});
    Exec(db, QStringLiteral("COMMIT"));
}

// Header and item numbers below the counters, so the benchmark never waits for them.
QString Synthetic(qint64 n) { return QStringLiteral("9%1").arg(n, 9, 10, QLatin1Char('0')); }

struct Move {
    QString bem;
    server::Location from, to;
};

Json InsertDelta(const std::vector<Move>& moves, qint64& number) {
    orv::TDataSet cds;
    for (const orv::FieldDef& d : contracts::TransferRecordFields()) cds.AddField(d);
    cds.CreateDataSet();
    for (const Move& m : moves) {
        const QString n = Synthetic(number++);
        cds.Append();
        auto set = [&cds](const char* name, const QVariant& v) { cds.FieldByName(QLatin1String(name)).SetValue(v); };
        set("CDEMPRESA", kEmpresa);
        set("IDSITCAPAOPER", QStringLiteral("2"));
        set("DTCAPAOPEBEM", QDateTime(QDate(2030, 1, 2), QTime(0, 0)));
        set("NRSEQCAPAOPEBEM", n);
        set("NRSEQITCAPAOPE", n);
        set("CDTIPOOPERBEM", QStringLiteral("000001"));
        set("CDMOTIVOOPER", QStringLiteral("000001"));
        set("CDOPERESPOPERA", kA.oper);
        set("CDOPEINCCAPA", kA.oper);
        set("QTITCAPAOPEANTE", 1.0);
        set("QTITCAPAOPENOVO", 1.0);
        set("CDFILIALITCANTE", m.from.filial);
        set("CDCENTCUITCANTE", m.from.centCust);
        set("CDSETORITCANTE", m.from.setor);
        set("CDOPERESPBEMANT", m.from.oper);
        set("CDFILIALITCNOVO", m.to.filial);
        set("CDCENTCUITCNOVO", m.to.centCust);
        set("CDSETORITCNOVO", m.to.setor);
        set("CDOPERESPBEMNOV", m.to.oper);
        set("IDSIMULOPERABEM", QStringLiteral("R"));
        set("CDBEMATIVO", m.bem);
        cds.Post();
    }
    return cds.Delta();
}

struct Stats {
    double median = 0, p90 = 0;  // milliseconds
};

Stats Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    return {n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2, ms[std::min(n - 1, (n * 9 + 9) / 10 - 1)]};
}

double Millis(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

// A bare httplib exchange with the real server's transport settings: the request body goes in,
// a prepared reply of the asked size comes back.
class Echo {
public:
    explicit Echo(const std::vector<size_t>& replySizes) {
        for (size_t s : replySizes) replies_[s] = std::string(s, 'x');
        server_.new_task_queue = [] { return new httplib::ThreadPool(8); };
        server_.set_tcp_nodelay(true);
        server_.set_keep_alive_max_count(1000000);
        server_.set_keep_alive_timeout(5);
        server_.set_payload_max_length(32u * 1024u * 1024u);
        server_.Post(R"(/echo/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
            res.set_content(replies_.at(std::stoul(req.matches[1].str())), "application/json");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) Die("echo: bind");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
        client_->set_keep_alive(true);
        client_->set_tcp_nodelay(true);
        client_->set_read_timeout(60, 0);
        client_->set_write_timeout(60, 0);
    }
    ~Echo() {
        client_.reset();  // an open keep-alive connection would hold the server's stop
        server_.stop();
        thread_.join();
    }
    void Exchange(const std::string& request, size_t replySize) {
        auto res = client_->Post(("/echo/" + std::to_string(replySize)).c_str(), request, "application/json");
        if (!res || res->status != 200 || res->body.size() != replySize) Die("echo: exchange failed");
    }

private:
    std::map<size_t, std::string> replies_;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::unique_ptr<httplib::Client> client_;
};

// The request body the module's connection sends and the reply the server gives, as text.
std::string Request(const char* method, const Json& params) {
    return Json{{"jsonrpc", "2.0"}, {"id", 1000000}, {"method", method}, {"params", params}}.dump();
}
std::string Reply(const Json& value, const Json& refs = nullptr) {
    Json result = {{"value", value}};
    if (!refs.is_null()) result["refs"] = refs;
    return Json{{"jsonrpc", "2.0"}, {"id", 1000000}, {"result", result}}.dump();
}

void Check(const contracts::ServerResult& r, const char* what) {
    if (!r.ok) Die(std::string(what) + ": " + r.error.toStdString());
}

// Left-aligned in a column of `width` characters (not bytes: the names have accents).
std::string Pad(const std::string& text, int width) {
    const int chars = int(QString::fromStdString(text).size());
    return text + std::string(size_t(std::max(0, width - chars)), ' ');
}

struct Row {
    std::string name;
    size_t requestBytes, replyBytes;
    Stats real, echo;
    double beyondEcho = 0;  // median of the floor's work besides the transport (ms)
};

double Median(std::vector<double> v) { return Summarise(std::move(v)).median; }

}  // namespace

int main(int argc, char** argv) {
    orv::PinLocalTimeZone();
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) Die("temporary directory");
    const QString base = QStringLiteral("bench-server");
    // An empty PostgreSQL database may be given (scripts/pg-cluster makes one); SQLite otherwise.
    const QString sqliteFile = dir.filePath(QStringLiteral("bench.db"));
    const QString url = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("sqlite:") + sqliteFile;
    const bool postgres = !url.startsWith(QLatin1String("sqlite:"));
    QSqlDatabase db = orv::OpenDatabase(url, base);
    erpdb::Migrate(db);
    InsertFixture(db);

    // A tool measuring the server: its token writes as the server allows tools to.
    benchserver::InProcessServer inProcess(base, true);
    auto& rdm = inProcess.net().AppServer();

    std::printf("bench_server (%s): %s, servidor e cliente reais no mesmo processo\n", BENCH_BUILD_TYPE,
                postgres ? "PostgreSQL" : qPrintable(QStringLiteral("SQLite em ") + dir.path()));
    qint64 number = 1;
    std::vector<Row> rows;

    // 1. One sequence number.
    {
        const std::string request = Request("PrxCapaOperaBem", {"01", "R"});
        const std::string reply = Reply("0000000001");
        for (int i = 0; i < 200; ++i) Check(rdm.PrxCapaOperaBem(kEmpresa, QStringLiteral("R")), "PrxCapaOperaBem");
        std::vector<double> ms;
        for (int i = 0; i < 3000; ++i) {
            const auto t = Clock::now();
            Check(rdm.PrxCapaOperaBem(kEmpresa, QStringLiteral("R")), "PrxCapaOperaBem");
            ms.push_back(Millis(t));
        }
        rows.push_back({"PrxCapaOperaBem (um número)", request.size(), reply.size(), Summarise(ms), {}});
    }

    // 2. GetCapa of an asset with 1,000 transfers, confirmed first back and forth between A and B.
    Json capa;
    {
        std::vector<Move> moves;
        for (int i = 0; i < kHistory; ++i) moves.push_back({kHistoryAsset, i % 2 ? kB : kA, i % 2 ? kA : kB});
        Json delta = InsertDelta(moves, number), second = nullptr;
        Check(rdm.SetConfirmar(delta, second), "SetConfirmar (histórico)");
        QString bem = kHistoryAsset;
        const auto first = rdm.GetCapa(kEmpresa, bem);
        Check(first, "GetCapa");
        if (first.value["rows"].size() != size_t(kHistory)) Die("GetCapa: wrong number of rows");
        capa = first.value;
        std::vector<double> ms;
        for (int i = 0; i < 40; ++i) {
            const auto t = Clock::now();
            Check(rdm.GetCapa(kEmpresa, bem), "GetCapa");
            ms.push_back(Millis(t));
        }
        // Floor: the same rows read with the C API (Qt SQL on PostgreSQL) and written as JSON,
        // and the client's parse of that text.
        const QString sql = server::Repository::TransfersSql();
        std::vector<double> floor;
        for (int i = 0; i < 40; ++i) {
            std::string json;
            const double read = postgres ? benchfloor::ReadWithQtSqlMs(db, sql, {kEmpresa, kHistoryAsset}, json)
                                         : benchfloor::ReadWithCApiMs(sqliteFile, sql.toStdString(),
                                                                      {kEmpresa.toStdString(), kHistoryAsset.toStdString()}, json);
            floor.push_back(read + benchfloor::ParseMs(Reply(Json::parse(json))));
        }
        rows.push_back({"GetCapa (bem com 1.000 transferências)", Request("GetCapa", {"01", kHistoryAsset.toStdString()}).size(),
                        Reply(capa, Json::array({kHistoryAsset.toStdString()})).size(), Summarise(ms), {}, Median(floor)});
    }

    // 3. SetConfirmar of one delta with 1,000 inserts of distinct assets, alternately A->B and B->A.
    std::string batchRequest, batchReply;
    {
        std::vector<double> ms;
        QString lastBefore;
        for (int run = 0; run < 11; ++run) {
            lastBefore = Synthetic(number - 1);
            std::vector<Move> moves;
            for (int i = 0; i < kBatchAssets; ++i) moves.push_back({BatchAsset(i), run % 2 ? kB : kA, run % 2 ? kA : kB});
            Json delta = InsertDelta(moves, number), second = nullptr;
            if (run == 0) {
                batchRequest = Request("SetConfirmar", {delta, nullptr});
                batchReply = Reply(true, Json::array({delta, nullptr}));
            }
            const auto t = Clock::now();
            Check(rdm.SetConfirmar(delta, second), "SetConfirmar");
            ms.push_back(Millis(t));
        }
        // Floor: the server's parse of the request and the same rows inserted again in one transaction.
        std::vector<double> floor;
        for (int i = 0; i < 11; ++i)
            floor.push_back(benchfloor::ParseMs(batchRequest) + benchfloor::InsertAgainMs(db, lastBefore));
        rows.push_back({"SetConfirmar (delta com 1.000 inclusões)", batchRequest.size(), batchReply.size(), Summarise(ms), {},
                        Median(floor)});
    }

    inProcess.Stop();

    // The same sizes through a bare echo.
    {
        std::vector<size_t> sizes;
        for (const Row& r : rows) sizes.push_back(r.replyBytes);
        Echo echo(sizes);
        const int samples[] = {3000, 40, 11};
        for (size_t k = 0; k < rows.size(); ++k) {
            const std::string request(rows[k].requestBytes, 'x');
            for (int i = 0; i < std::min(200, samples[k]); ++i) echo.Exchange(request, rows[k].replyBytes);
            std::vector<double> ms;
            for (int i = 0; i < samples[k]; ++i) {
                const auto t = Clock::now();
                echo.Exchange(request, rows[k].replyBytes);
                ms.push_back(Millis(t));
            }
            rows[k].echo = Summarise(ms);
        }
    }

    std::printf("\n%s %10s %10s %9s %9s %9s %9s %7s\n", Pad("chamada", 42).c_str(), "envio", "resposta", "mediana", "p90",
                "eco med.", "piso", Pad("razão", 7).c_str());
    for (const Row& r : rows) {
        const double floor = r.echo.median + r.beyondEcho;
        std::printf("%s %9.1fK %9.1fK %6.3f ms %6.3f ms %6.3f ms %6.3f ms %6.1fx\n", Pad(r.name, 42).c_str(), r.requestBytes / 1024.0,
                    r.replyBytes / 1024.0, r.real.median, r.real.p90, r.echo.median, floor, r.real.median / floor);
    }
    std::printf("\npiso: eco HTTP do mesmo tamanho; GetCapa + leitura %s e escrita do JSON + leitura do JSON;\n"
                "SetConfirmar + leitura do JSON enviado e as mesmas linhas inseridas numa transação\n",
                postgres ? "(Qt SQL)" : "pela API C do SQLite");
    orv::InstallHost(nullptr);
    return 0;
}
