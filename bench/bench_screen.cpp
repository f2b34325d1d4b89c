// How long the transfer screen takes for what a clerk does most, end to end: the real screen
// offscreen, the real server in process, SQLite (or PostgreSQL). Prints medians; not a test.
#include "tests/screen/ScreenHarness.h"

#include "orv/widgets/Widgets.h"

#include "orv/Format.h"
#include "orv/Host.h"
#include "shell/PickListDialog.h"
#include "shell/ShellHost.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

using screentest::ScreenHarness;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Ms(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// An asset with `count` past transfers, moving back and forth between Matriz and Campinas.
void AddHistory(ScreenHarness& h, int count) {
    QSqlDatabase db = h.db();
    db.transaction();
    QSqlQuery asset(db);
    asset.prepare("INSERT INTO BEMATIVO (CDBEMATIVO, CDEMPRESA, CDPATRIBEMATIVO, NMBEMATIVO, QTATUABEMATIVO,"
                  " VRINIDEPBEM, CDFILIAL, CDCENTCUST) VALUES ('0000000099', '01', '100099', 'Servidor de rede', 1,"
                  " 1000, :F, '0001')");
    asset.bindValue(":F", count % 2 ? "0002" : "0001");
    asset.exec();
    QSqlQuery header(db), item(db);
    header.prepare("INSERT INTO CAPAOPERABEM (CDEMPRESA, NRSEQCAPAOPEBEM, IDSITCAPAOPER, DTCAPAOPEBEM, CDTIPOOPERBEM,"
                   " IDIDENTCAPAOPER, CDMOTIVOOPER, CDOPEINCCAPA, DTINCCAPAOPER)"
                   " VALUES ('01', :N, '2', :D, '000001', '03', '000001', '000000000001', :D)");
    item.prepare("INSERT INTO ITCAPAOPERABEM (CDEMPRESA, NRSEQCAPAOPEBEM, NRSEQITCAPAOPE, IDSIMULOPERABEM,"
                 " NRSEQOPERABEM, CDBEMATIVO, CDFILIALITCANTE, CDCENTCUITCANTE, CDFILIALITCNOVO, CDCENTCUITCNOVO)"
                 " VALUES ('01', :N, :N, 'R', :N, '0000000099', :A, '0001', :B, '0001')");
    const QDate start(1990, 1, 1);
    for (int i = 0; i < count; ++i) {
        const QString n = QStringLiteral("%1").arg(1000 + i, 10, 10, QLatin1Char('0'));
        const QString date = start.addDays(i).toString("yyyy-MM-dd");
        header.bindValue(":N", n);
        header.bindValue(":D", date);
        header.exec();
        item.bindValue(":N", n);
        item.bindValue(":A", i % 2 ? "0002" : "0001");
        item.bindValue(":B", i % 2 ? "0001" : "0002");
        item.exec();
    }
    QSqlQuery(db).exec(QString("UPDATE SEQUENCIA SET NRULTIMO = %1").arg(1000 + count));
    db.commit();
}

// `count` more assets of company 01, spread over the fixture's branches, cost centres and groups.
void AddAssets(ScreenHarness& h, int count) {
    static const char* const kNames[] = {"Cadeira giratória", "Mesa de reunião", "Notebook", "Monitor 24 polegadas",
                                         "Impressora laser", "Armário de aço", "Ar-condicionado split", "Empilhadeira"};
    static const char* const kPlaces[][3] = {{"0001", "0001", "0001"}, {"0001", "0002", "0002"},
                                             {"0002", "0001", "0001"}, {"00A1", "0003", "0003"}};
    QSqlDatabase db = h.db();
    db.transaction();
    QSqlQuery q(db);
    q.prepare("INSERT INTO BEMATIVO (CDBEMATIVO, CDEMPRESA, CDPATRIBEMATIVO, NMBEMATIVO, CDGRUPOBEM, VRAQUIBEMATIVO,"
              " QTMESDEPBEM, VRINIDEPBEM, QTATUABEMATIVO, VRTAXANODEPBEM, CDFILIAL, CDCENTCUST, CDSETOR)"
              " VALUES (:C, '01', :P, :N, :G, :V, 60, :V, 1, 20, :F, :CC, :S)");
    for (int i = 0; i < count; ++i) {
        const auto& place = kPlaces[i % 4];
        q.bindValue(":C", QStringLiteral("%1").arg(1000000 + i, 10, 10, QLatin1Char('0')));
        q.bindValue(":P", QString::number(500000 + i));
        q.bindValue(":N", QStringLiteral("%1 %2").arg(QString::fromUtf8(kNames[i % 8])).arg(i + 1));
        q.bindValue(":G", i % 3 ? "000001" : "000002");
        q.bindValue(":V", 500.0 + (i % 977) * 13.25);
        q.bindValue(":F", place[0]);
        q.bindValue(":CC", place[1]);
        q.bindValue(":S", place[2]);
        q.exec();
    }
    db.commit();
}

// The process's resident memory now (VmRSS) or its peak (VmHWM), in MB.
double StatusMb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.startsWith(key)) continue;
        return line.mid(static_cast<int>(qstrlen(key))).trimmed().split(' ').value(0).toDouble() / 1024;  // kB
    }
    return 0;
}

// Starts the peak (VmHWM) over from the current resident size.
void ResetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

// The server answering in this process holds memory of its own for the list (in the threads of
// the screen's connection). The same call made first on that connection, from another thread whose
// memory is not the screen's, brings it to its steady size: the growth measured is the client's.
void WarmServer(zmt02600::TFrmTransferenciaFisica& f) {
    std::thread([&f] {
        for (int i = 0; i < 4; ++i) f.Server().GetBemAtivo(QStringLiteral("01"), QString(), QStringLiteral("T"));
    }).join();
}

// Notes when the shell's pick list first shows and closes it from its own event loop.
class PickListWatch : public QObject {
public:
    QElapsedTimer clock;
    double shownMs = -1;
    double rssShownMb = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && shownMs < 0) {
            if (auto* dialog = dynamic_cast<shell::PickListDialog*>(watched)) {
                shownMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                rssShownMb = StatusMb("VmRSS:");
                QTimer::singleShot(0, dialog, &QDialog::reject);
            }
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    orv::PinLocalTimeZone();
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int transfers = argc > 1 ? std::atoi(argv[1]) : 10000;
    // A third argument "postgresql" runs on the database of ERP_TEST_PG_URL.
    const QString engine = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("sqlite");
    ScreenHarness h(engine);
    AddHistory(h, transfers);
    zmt02600::TFrmTransferenciaFisica& f = h.frm();

    std::vector<double> open, scroll, record;
    for (int run = 0; run < 7; ++run) {
        h.Focus(f.medEmpresa);  // closes the list
        h.Set(f.medEmpresa, "01");
        h.Focus(f.medBem);
        h.Set(f.medBem, "100099");
        open.push_back(Ms([&] { h.Focus(f.dbgPadrao); }));
        if (f.cdsCapa.RecordCount() < transfers) {
            std::fprintf(stderr, "a lista não carregou: %d\n", f.cdsCapa.RecordCount());
            return 1;
        }
    }
    f.cdsCapa.First();
    for (int i = 0; i < 60; ++i) scroll.push_back(Ms([&] { i % 2 ? f.cdsCapa.Prior() : f.cdsCapa.Next(); }));

    f.cdsCapa.Last();
    if (!f.sbtIncluir->isEnabled()) {
        std::fprintf(stderr, "Incluir desabilitado na última transferência\n");
        return 1;
    }
    for (int run = 0; run < 9; ++run) {
        const QString to = f.cdsCapa.FieldByName("CDFILIALITCNOVO").AsString() == "0001" ? "0002" : "0001";
        record.push_back(Ms([&] {
            h.Click(f.sbtIncluir);
            h.Set(f.depDataTransf, QDate::currentDate().toString("dd/MM/yyyy"));
            h.Set(f.dbeCdTipoOper, "1");
            h.Set(f.dbeCdMotivoOper, "1");
            h.Set(f.dbeCdFilialNovo, to);
            h.Set(f.dbeCdCentCustNovo, "1");
            h.Click(f.sbtConfirmar);
        }));
        if (!h.TakeMessages().isEmpty() || f.cdsCapa.ChangeCount() != 0) {
            std::fprintf(stderr, "a transferência não foi confirmada\n");
            return 1;
        }
    }
    // The asset lookup of a big company through the shell's own pick list.
    const int assets = argc > 2 ? std::atoi(argv[2]) : 33000;
    AddAssets(h, assets);
    shell::ShellHost shellHost;
    shellHost.webUrl = h.host().webUrl;
    shellHost.webPort = h.host().webPort;
    shellHost.token = h.host().token;
    orv::InstallHost(&shellHost);
    PickListWatch watch;
    app.installEventFilter(&watch);
    std::vector<double> lookup;
    double rssBefore = 0, rssShown = 0, rssPeak = 0;
    for (int run = 0; run < 7; ++run) {
        h.Focus(f.medBem);
        if (run == 0) {
            // What the earlier lines freed goes back to the system, so the growth is this line's.
            malloc_trim(0);
            WarmServer(f);
            rssBefore = StatusMb("VmRSS:");
            ResetPeak();
        }
        watch.shownMs = -1;
        watch.clock.start();
        h.Click(f.btpBem);
        if (watch.shownMs < 0 || f.cdsBemAtivo.RecordCount() < assets) {
            std::fprintf(stderr, "a lista de bens não apareceu (%d bens)\n", f.cdsBemAtivo.RecordCount());
            return 1;
        }
        if (run == 0) {
            rssShown = watch.rssShownMb;
            rssPeak = StatusMb("VmHWM:");
        }
        lookup.push_back(watch.shownMs);
    }
    app.removeEventFilter(&watch);
    orv::InstallHost(&h.host());

    std::printf("bench_screen (%s), bem com %d transferências, %s\n", BENCH_BUILD_TYPE, transfers,
                engine == QLatin1String("postgresql") ? "PostgreSQL" : "SQLite");
    std::printf("%-58s %10.2f ms\n", "abrir o bem (saída do painel até a grade preenchida)", Median(open));
    std::printf("%-58s %10.2f ms\n", "rolar para outra transferência (after-scroll completo)", Median(scroll));
    std::printf("%-58s %10.2f ms\n", "incluir + gravar + confirmar uma transferência", Median(record));
    const QByteArray lookupLine = QStringLiteral("pesquisa de bens (%1 bens, clique até a lista)").arg(assets).toUtf8();
    std::printf("%-58s %10.2f ms\n", lookupLine.constData(), Median(lookup));
    std::printf("%-58s %+10.1f MB  (pico %+.1f MB)\n", "  memória do cliente ao mostrar a lista (VmRSS, 1ª vez)",
                rssShown - rssBefore, rssPeak - rssBefore);
    return 0;
}
