// A batch of many assets in all mode, end to end through the real dialog offscreen and the real
// server in process (SQLite): building (the numbers come in two calls), the one send and its
// apply, beside the raw insert of the same rows with prepared statements in one transaction, and
// what two bare calls per asset would cost on the same connection. Prints the parts; not a test.
#include "tests/screen/ScreenHarness.h"

#include "bench/Floors.h"

#include "Cli_zmt02602/TfrmCadAuto.h"
#include "orv/Format.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlQuery>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using screentest::ScreenHarness;

double Ms(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// `count` more assets of company 01; every asset of the company stands in Matriz.
void AddAssets(ScreenHarness& h, int count) {
    QSqlDatabase db = h.db();
    db.transaction();
    QSqlQuery q(db);
    q.prepare("INSERT INTO BEMATIVO (CDBEMATIVO, CDEMPRESA, CDPATRIBEMATIVO, NMBEMATIVO, CDGRUPOBEM, QTATUABEMATIVO,"
              " QTMESDEPBEM, VRINIDEPBEM, VRAQUIBEMATIVO, VRTAXANODEPBEM, CDFILIAL, CDCENTCUST)"
              " VALUES (:B, '01', :P, 'Bem do lote', '000001', 1, 60, 1000, 1200, 20, '0001', '0001')");
    for (int i = 0; i < count; ++i) {
        q.bindValue(":B", QStringLiteral("L%1").arg(i, 9, 10, QLatin1Char('0')));
        q.bindValue(":P", QString::number(500000 + i));
        q.exec();
    }
    QSqlQuery(db).exec("UPDATE BEMATIVO SET CDFILIAL = '0001', CDCENTCUST = '0001' WHERE CDEMPRESA = '01'");
    db.commit();
}

}  // namespace

int main(int argc, char** argv) {
    orv::PinLocalTimeZone();
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // bench_batch [ASSETS] [postgresql]: PostgreSQL is the database of ERP_TEST_PG_URL.
    const int extra = argc > 1 ? std::atoi(argv[1]) : 10000;
    const QString engine = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("sqlite");
    ScreenHarness h(engine);
    AddAssets(h, extra - 5);  // with the five of the fixture
    h.OpenAsset("01", "100001");
    const QString lastBefore = h.Sql("SELECT MAX(NRSEQCAPAOPEBEM) FROM CAPAOPERABEM").toString();
    const int assets = h.Sql("SELECT COUNT(*) FROM BEMATIVO WHERE CDEMPRESA = '01' AND CDFILIAL IS NOT NULL").toInt();

    QElapsedTimer clock;
    double built = 0, total = 0;
    h.host().onBusy = [&](int kind) {
        if (kind == 6 && built == 0) built = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    };
    h.Modal([&h] { h.Click(h.frm().sbtCadAut); },
            [&](QDialog& dialog) {
                auto& d = static_cast<zmt02602::TfrmCadAuto&>(dialog);
                h.Click(d.rbtGrupoBtodos);
                h.Click(d.rbtTodosFil);
                h.Click(d.rbtBemTodos);
                h.Set(d.depData, "01/01/2031");  // after every transfer of the fixture
                h.Set(d.dbeCdTipoOper, "000001");
                h.Set(d.dbeCDMOTIVOOPER, "000001");
                h.Set(d.dbeCdFilialNovo, "0002");
                h.Set(d.dbeCdCentCustNovo, "0001");
                clock.start();
                total = Ms([&] { h.Click(d.sbtConfirma); });
            });
    h.host().onBusy = nullptr;
    const QStringList messages = h.TakeMessages();
    const int sent = h.Sql("SELECT COUNT(*) FROM CAPAOPERABEM WHERE NRSEQCAPAOPEBEM > '" + lastBefore + "'").toInt();
    if (!messages.isEmpty() || sent != assets) {
        std::fprintf(stderr, "o lote não foi gravado inteiro (%d de %d): %s\n", sent, assets,
                     qPrintable(messages.join(" | ")));
        return 1;
    }

    orv::TNetConnection& net = h.frm().netTransFisica;
    const double bare = Ms([&] {
        for (int i = 0; i < 2 * assets; ++i) net.Call("rpc.ping", nlohmann::json::array());
    });
    const double raw = benchfloor::InsertAgainMs(h.db(), lastBefore);
    const double send = total - built;

    std::printf("bench_batch (%s), lote de %d bens no modo Todos, %s\n", BENCH_BUILD_TYPE, assets,
                engine == QLatin1String("postgresql") ? "PostgreSQL" : "SQLite");
    std::printf("%-62s %10.0f ms\n", "lote de ponta a ponta (Confirmar até o diálogo fechar)", total);
    std::printf("%-62s %10.0f ms\n", "  montagem (números do servidor em 2 chamadas)", built);
    std::printf("%-62s %10.0f ms\n", "  envio, gravação e recarga da tela principal", send);
    std::printf("%-62s %10.0f ms\n", "referência: 2 chamadas vazias por bem na conexão", bare);
    std::printf("%-62s %10.0f ms   (envio / inserção: %.1fx)\n", "piso: as mesmas linhas inseridas numa transação", raw,
                raw > 0 ? send / raw : 0.0);
    return 0;
}
