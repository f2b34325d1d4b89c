// How long the transfer screen takes for what a clerk does most, end to end: the real screen
// offscreen, the real server in process, SQLite. Prints medians; not a test.
#include "tests/screen/ScreenHarness.h"

#include "orv/widgets/Widgets.h"

#include "orv/Format.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <functional>
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

}  // namespace

int main(int argc, char** argv) {
    orv::PinLocalTimeZone();
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int transfers = argc > 1 ? std::atoi(argv[1]) : 10000;
    ScreenHarness h;
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
    std::printf("bench_screen (%s), bem com %d transferências, SQLite\n", BENCH_BUILD_TYPE, transfers);
    std::printf("%-58s %10.2f ms\n", "abrir o bem (saída do painel até a grade preenchida)", Median(open));
    std::printf("%-58s %10.2f ms\n", "rolar para outra transferência (after-scroll completo)", Median(scroll));
    std::printf("%-58s %10.2f ms\n", "incluir + gravar + confirmar uma transferência", Median(record));
    return 0;
}
