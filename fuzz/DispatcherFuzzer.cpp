// The application server end to end without the socket: the body of a POST to the RPC path,
// handed to the dispatcher as the HTTP handler hands it, with the bearer of an operator's session
// admitted the same way. The database is an in-memory SQLite one, migrated and with a small demo;
// it is copied back from a pristine image after every call that may write, so that each input
// meets the same data. The answer must always be one JSON-RPC document.

#include "db/Credentials.h"
#include "db/Demo.h"
#include "orv/Format.h"
#include "server/AuthService.h"
#include "server/Dispatcher.h"
#include "server/Repository.h"
#include "server/Sql.h"
#include "server/TransFisicaService.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const QString kBase = QStringLiteral("erp-fuzz");
const QString kPristine = QStringLiteral("erp-fuzz-pristine");
const QString kOperador = QStringLiteral("000000000001");
const std::string kAddress = "127.0.0.1";

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "fuzz_dispatcher: %s\n", what);
    std::abort();
}

void Run(QSqlDatabase& db, const QString& sql, const QVariantList& binds = {}) {
    QSqlQuery q(db);
    if (!q.prepare(sql)) Die(qPrintable(q.lastError().text()));
    for (const QVariant& v : binds) q.addBindValue(v);
    if (!q.exec()) Die(qPrintable(q.lastError().text()));
}

sqlite3* Handle(const QSqlDatabase& db) {
    const QVariant v = db.driver()->handle();
    sqlite3* handle = v.isValid() ? *static_cast<sqlite3* const*>(v.data()) : nullptr;
    if (!handle) Die("sem o handle do SQLite");
    return handle;
}

void Copy(const QSqlDatabase& from, const QSqlDatabase& to) {
    sqlite3_backup* backup = sqlite3_backup_init(Handle(to), "main", Handle(from), "main");
    if (!backup) Die(sqlite3_errmsg(Handle(to)));
    const int step = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE) Die(sqlite3_errstr(step));
}

struct World {
    QSqlDatabase keeper;    // keeps the shared in-memory database alive; the server's connections are its clones
    QSqlDatabase pristine;  // the image copied back after a write
    std::unique_ptr<server::AuthService> auth;
    std::unique_ptr<server::TransFisicaService> service;
    std::unique_ptr<server::Dispatcher> dispatcher;
    std::string authorization;

    World() {
        keeper = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kBase);
        keeper.setDatabaseName(QStringLiteral("file:erp-fuzz?mode=memory&cache=shared"));
        keeper.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (!keeper.open()) Die(qPrintable(keeper.lastError().text()));
        Run(keeper, QStringLiteral("PRAGMA foreign_keys=ON"));
        erpdb::DemoOptions demo;
        demo.assets = 40;
        erpdb::GenerateDemo(keeper, demo);
        // Logins check Argon2id hashes: at the interactive cost, one wrong password would take a
        // tenth of a second and 64 MiB.
        const erpdb::HashCost cheap = erpdb::HashCost::Cheapest();
        Run(keeper, QStringLiteral("UPDATE SENHAOPERADOR SET DSHASHSENHA = ?"),
            {QString::fromStdString(erpdb::HashPassword(erpdb::kDemoPassword, cheap))});

        server::AuthOptions options;
        options.toolToken = "fuzz-tool-token";
        options.dummyOps = cheap.ops;
        options.dummyMemory = cheap.memory;
        options.clock = [] { return QDateTime(QDate(2026, 11, 16), QTime(9, 0), Qt::UTC); };
        auth = std::make_unique<server::AuthService>([] { return server::CallConnection(kBase); }, options);
        authorization = "Bearer " + auth->Login(kOperador, erpdb::kDemoPassword, kAddress);

        pristine = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kPristine);
        pristine.setDatabaseName(QStringLiteral(":memory:"));
        if (!pristine.open()) Die(qPrintable(pristine.lastError().text()));
        Copy(keeper, pristine);
        Rebuild();
    }

    // The service keeps blocks of numbers in memory: a fresh one goes with a fresh database. An
    // insert needs numbers this server handed out, so a few are taken at once, as a client
    // would before its insert (the seeds' inserts use 0000000020).
    void Rebuild() {
        dispatcher = std::make_unique<server::Dispatcher>();
        service = std::make_unique<server::TransFisicaService>(
            [] { return server::Repository(server::CallConnection(kBase)); });
        service->RegisterMethods(*dispatcher);
        auth->RegisterMethods(*dispatcher);
        const server::Caller caller = auth->Admit(authorization, kAddress);
        for (const char* method : {"PrxFaixaCapaOperaBem", "PrxFaixaItCapaOperaBem"}) {
            const std::string call = std::string(R"({"jsonrpc":"2.0","id":1,"method":")") + method + R"(","params":["01","R","3"]})";
            if (dispatcher->Dispatch(call, caller).errorCode != 0) Die("números não reservados");
        }
    }

    void Restore() {
        Copy(pristine, keeper);
        Rebuild();
    }
};

World* g_world = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    orv::PinLocalTimeZone();
    static QCoreApplication app(*argc, *argv);
    // Warnings of the database layer on every refused call would bury libFuzzer's report.
    qSetMessagePattern(QString());
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            std::abort();
        }
    });
    g_world = new World();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = *g_world;
    const std::string body(reinterpret_cast<const char*>(data), size);
    // As RpcServer's handler: the workers picked by a glance at the method, the bearer admitted,
    // then the body dispatched.
    (void)w.dispatcher->Writes(server::Dispatcher::MethodOf(body));
    server::Caller caller = w.auth->Admit(w.authorization, kAddress);
    const server::Dispatcher::Outcome out = w.dispatcher->Dispatch(body, caller);
    // ERP_FUZZ_ECHO=1 shows each answer: to see what a seed reaches (run the target on the seed files).
    static const bool echo = qEnvironmentVariableIsSet("ERP_FUZZ_ECHO");
    if (echo) std::fprintf(stderr, "%s\n", out.response.c_str());
    const nlohmann::json answer = nlohmann::json::parse(out.response, nullptr, false);
    if (answer.is_discarded() || !answer.is_object() || answer.value("jsonrpc", "") != "2.0" ||
        answer.contains("result") == answer.contains("error"))
        Die("resposta que não é um documento JSON-RPC");
    if (w.dispatcher->Writes(out.method) || out.method == "rpc.login" || out.method == "rpc.logout") w.Restore();
    return 0;
}
