// Several clients at once, each on its own connection, really concurrent: numbers are never
// repeated and two transfers of the same asset never both apply.

#include "tests/server/Harness.h"

#include "tests/support/Fixture.h"

#include <QRegularExpression>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>
#include <latch>
#include <map>
#include <set>
#include <thread>

namespace srvtest {
namespace {

using namespace fx;

class ServerConcurrency : public ServerTest {};

TEST_P(ServerConcurrency, HeaderNumbersAreUniqueAcrossClients) {
    constexpr int kThreads = 8;
    // PostgreSQL pays a round trip per statement; fewer numbers keep the suite short.
    const int perThread = h().isPostgres() ? 2000 : 10000;

    std::vector<std::unique_ptr<orv::TNetConnection>> clients;
    for (int i = 0; i < kThreads; ++i) clients.push_back(h().Connect());
    std::vector<std::vector<std::string>> taken(kThreads);
    std::vector<std::string> failures(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            auto& app = clients[size_t(t)]->AppServer();
            taken[size_t(t)].reserve(size_t(perThread));
            start.arrive_and_wait();
            for (int i = 0; i < perThread; ++i) {
                const auto r = app.PrxCapaOperaBem(kEmpresa, QStringLiteral("R"));
                if (!r.ok || !r.value.is_string()) {
                    failures[size_t(t)] = Why(r);
                    return;
                }
                taken[size_t(t)].push_back(r.value.get<std::string>());
            }
        });
    }
    for (auto& th : threads) th.join();
    for (const auto& f : failures) ASSERT_TRUE(f.empty()) << f;

    std::set<std::string> all;
    const QRegularExpression tenDigits(QStringLiteral("^\\d{10}$"));
    for (const auto& list : taken) {
        ASSERT_EQ(list.size(), size_t(perThread));
        // Each client sees its own numbers rising.
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
        for (const std::string& n : list) {
            ASSERT_TRUE(tenDigits.match(QString::fromStdString(n)).hasMatch()) << n;
            ASSERT_TRUE(all.insert(n).second) << "duplicate " << n;
        }
    }
    const size_t total = size_t(kThreads) * size_t(perThread);
    ASSERT_EQ(all.size(), total);
    // Nothing lost either: exactly 1..N were handed out.
    EXPECT_EQ(*all.begin(), "0000000001");
    EXPECT_EQ(*all.rbegin(), QStringLiteral("%1").arg(total, 10, 10, QLatin1Char('0')).toStdString());
}

TEST_P(ServerConcurrency, NumbersNeverRepeatAcrossServersAndRestartsAndOperationsFollowTheApplyOrder) {
    // Item numbers past 32 bits: ten digits go up to 9999999999 on every engine.
    erptest::InsertRow(h().db(), "SEQUENCIA", {{"CDEMPRESA", kEmpresa}, {"IDSIMULOPERABEM", "R"},
                                               {"NMSEQUENCIA", "ITCAPAOPERABEM"}, {"NRULTIMO", 2147483647LL}});
    auto a = h().AnotherServer();
    auto b = h().AnotherServer();
    std::set<QString> all;
    std::map<const void*, QString> lastOf;
    auto take = [&](const void* who, const QString& n) {
        EXPECT_TRUE(all.insert(n).second) << "repeated " << n.toStdString();
        EXPECT_GT(n, lastOf[who]) << "a server's numbers go up";
        lastOf[who] = n;
    };
    auto viaRpc = [&] { return QString::fromStdString(h().app().PrxCapaOperaBem(kEmpresa, QStringLiteral("R")).value.get<std::string>()); };
    for (int i = 0; i < 150; ++i) {
        take(a.get(), a->PrxCapaOperaBem(kEmpresa, QStringLiteral("R")));
        take(b.get(), b->PrxCapaOperaBem(kEmpresa, QStringLiteral("R")));
        take(&h(), viaRpc());
    }
    // A restarted server: what the old process had left becomes a gap, never a repeat.
    a = h().AnotherServer();
    for (int i = 0; i < 100; ++i) take(a.get(), a->PrxCapaOperaBem(kEmpresa, QStringLiteral("R")));
    const qint64 first = b->PrxFaixaCapaOperaBem(kEmpresa, QStringLiteral("R"), QStringLiteral("500")).toLongLong();
    for (qint64 n = first; n < first + 500; ++n)
        EXPECT_TRUE(all.insert(QStringLiteral("%1").arg(n, 10, 10, QLatin1Char('0'))).second) << n;
    take(b.get(), b->PrxCapaOperaBem(kEmpresa, QStringLiteral("R")));
    const qint64 counter =
        erptest::QueryValue(h().db(), "SELECT NRULTIMO FROM SEQUENCIA WHERE NMSEQUENCIA = 'CAPAOPERABEM' AND CDEMPRESA = '01'")
            .toLongLong();
    EXPECT_LE(all.rbegin()->toLongLong(), counter) << "nothing above the counter was handed out";

    // One asset moved by three servers; the numbers of the last move were taken first.
    TransferRow third{kMesa, kEmSaoPaulo, kMesaAt};
    third.date = QDate(2026, 11, 18);
    h().Number(third, h().app());
    TransferRow first_{kMesa, kMesaAt, kEmSaoPaulo};
    first_.capa = a->PrxCapaOperaBem(kEmpresa, QStringLiteral("R"));
    first_.item = a->PrxItCapaOperaBem(kEmpresa, QStringLiteral("R"), first_.capa);
    a->SetConfirmar(InsertDelta({first_}), server::Caller());
    TransferRow second{kMesa, kEmSaoPaulo, kNoNorte};
    second.date = QDate(2026, 11, 17);
    second.ante = kEmSaoPaulo;
    second.capa = b->PrxCapaOperaBem(kEmpresa, QStringLiteral("R"));
    second.item = b->PrxItCapaOperaBem(kEmpresa, QStringLiteral("R"), second.capa);
    b->SetConfirmar(InsertDelta({second}), server::Caller());
    third.ante = kNoNorte;
    h().MustConfirm(third);
    std::vector<QString> applied;
    const orv::Packet list = h().Transfers(kMesa);
    for (const auto& row : list["rows"]) applied.push_back(QString::fromStdString(row[3].get<std::string>()));
    EXPECT_EQ(applied, (std::vector<QString>{first_.capa, second.capa, third.capa}));
    EXPECT_GT(third.item.toLongLong(), 2147483647LL);
}

TEST_P(ServerConcurrency, OfTwoClientsMovingTheSameAssetExactlyOneWins) {
    auto first = h().Connect();
    auto second = h().Connect();
    server::Location at = kMesaAt;
    const std::vector<std::pair<server::Location, server::Location>> rounds = {
        {kEmSaoPaulo, kNoNorte}, {kMesaAt, kArmarioAt}, {kEmSaoPaulo, kNoNorte}, {kMesaAt, kArmarioAt},
        {kEmSaoPaulo, kNoNorte}, {kMesaAt, kArmarioAt}};
    for (size_t round = 0; round < rounds.size(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Both read the asset in the same place and take their numbers.
        TransferRow a{kMesa, at, rounds[round].first};
        TransferRow b{kMesa, at, rounds[round].second};
        h().Number(a, first->AppServer());
        h().Number(b, second->AppServer());
        const int before =
            erptest::QueryValue(h().db(), QStringLiteral("SELECT COUNT(*) FROM ITCAPAOPERABEM WHERE CDBEMATIVO = ?"), {kMesa}).toInt();

        contracts::ServerResult ra, rb;
        std::latch go(2);
        std::thread ta([&] {
            go.arrive_and_wait();
            ra = h().Confirm(a, first->AppServer());
        });
        std::thread tb([&] {
            go.arrive_and_wait();
            rb = h().Confirm(b, second->AppServer());
        });
        ta.join();
        tb.join();

        ASSERT_NE(ra.ok, rb.ok) << "first: " << Why(ra) << "; second: " << Why(rb);
        const TransferRow& winner = ra.ok ? a : b;
        const TransferRow& loser = ra.ok ? b : a;
        EXPECT_TRUE(RefusedWith(ra.ok ? rb : ra, QString::fromUtf8("foi movimentado por outro usuário")));

        EXPECT_EQ(erptest::QueryValue(h().db(), QStringLiteral("SELECT COUNT(*) FROM ITCAPAOPERABEM WHERE CDBEMATIVO = ?"), {kMesa})
                      .toInt(),
                  before + 1);
        EXPECT_EQ(erptest::QueryValue(h().db(), QStringLiteral("SELECT COUNT(*) FROM CAPAOPERABEM WHERE NRSEQCAPAOPEBEM = ?"),
                                      {loser.capa})
                      .toInt(),
                  0);
        const server::Location now = h().AssetAt(kMesa);
        EXPECT_TRUE(now == winner.novo) << now.filial.toStdString() << "/" << now.centCust.toStdString();
        at = winner.novo;
    }
}

TEST_P(ServerConcurrency, ANewClientIsServedWhileMoreClientsThanThreadsKeepCalling) {
    // Desktop clients keep their connection open between calls; more of them than the server
    // has threads must not lock a newcomer out.
    constexpr int kBusy = 8;  // as many as the server's threads, besides the harness's own client
    std::vector<std::unique_ptr<orv::TNetConnection>> clients;
    for (int i = 0; i < kBusy; ++i) clients.push_back(h().Connect());
    std::atomic<bool> stop{false};
    std::latch calling(kBusy);
    std::vector<std::string> failures(kBusy);
    std::vector<std::thread> threads;
    for (int t = 0; t < kBusy; ++t) {
        threads.emplace_back([&, t] {
            bool first = true;
            while (!stop) {
                const auto r = clients[size_t(t)]->AppServer().GetDtultdep(kEmpresa, kMesa);
                if (!r.ok) failures[size_t(t)] = Why(r);
                if (first) calling.count_down();
                first = false;
                if (!r.ok) return;
            }
        });
    }
    calling.wait();

    // Connect() throws when the connection cannot be opened.
    std::unique_ptr<orv::TNetConnection> late;
    EXPECT_NO_THROW(late = h().Connect());
    if (late) {
        const auto r = late->AppServer().CarregaAnte(kMesa);
        EXPECT_TRUE(r.ok) << Why(r);
    }
    const auto own = h().app().CarregaAnte(kMesa);
    EXPECT_TRUE(own.ok) << Why(own);
    stop = true;
    for (auto& th : threads) th.join();
    for (const auto& f : failures) EXPECT_TRUE(f.empty()) << f;
}

ERP_INSTANTIATE_ON_ENGINES(ServerConcurrency);

// SQLite has one writer at a time. Behind a long write, reads go on, and another writer gives up
// after the busy timeout with a message the clerk can act on; nothing of it is kept.
TEST(ServerSqliteWriter, ReadsGoOnBehindALongWriteAndAnotherWriterIsToldToTryAgain) {
    qputenv("ERP_SQLITE_BUSY_MS", "300");
    Harness h("sqlite");
    qunsetenv("ERP_SQLITE_BUSY_MS");
    QSqlDatabase writer = h.db();
    QSqlQuery lock(writer);
    ASSERT_TRUE(lock.exec("BEGIN IMMEDIATE"));  // the long write, as a batch holds it

    const auto read = h.app().GetBemAtivo(kEmpresa, QStringLiteral("1001"), QStringLiteral("N"));
    EXPECT_TRUE(read.ok) << Why(read);
    const auto write = h.app().PrxFaixaCapaOperaBem(kEmpresa, QStringLiteral("R"), QStringLiteral("64"));
    EXPECT_FALSE(write.ok);
    EXPECT_EQ(write.code, -32011);
    EXPECT_EQ(write.error, QString::fromUtf8("O banco de dados está ocupado com outra gravação. Tente novamente em instantes."));

    ASSERT_TRUE(lock.exec("COMMIT"));
    const auto again = h.app().PrxFaixaCapaOperaBem(kEmpresa, QStringLiteral("R"), QStringLiteral("64"));
    EXPECT_TRUE(again.ok) << Why(again);
}

}  // namespace
}  // namespace srvtest
