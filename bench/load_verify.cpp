#include "bench/load_verify.h"

#include <QSqlQuery>

#include <set>

namespace load {

namespace {

QString Str(const QSqlQuery& q, int i) { return q.value(i).toString().trimmed(); }

// Numbers of the company that appear more than once in a column of the items.
void Repeated(const Plan& plan, const char* column, const QString& what, QStringList& failures) {
    QSqlQuery q = Read(QStringLiteral("SELECT %1, COUNT(*) FROM ITCAPAOPERABEM WHERE CDEMPRESA = ?"
                                      " GROUP BY %1 HAVING COUNT(*) > 1 ORDER BY %1")
                           .arg(QString::fromLatin1(column)),
                       {plan.empresa});
    while (q.next()) failures << QStringLiteral("%1 %2 aparece %3 vezes").arg(what, Str(q, 0), Str(q, 1));
}

struct Row {
    QString opera, capa;
    Place ante, novo;
};

}  // namespace

std::map<QString, long> CountTransfers(const Plan& plan) {
    std::map<QString, long> count;
    for (const Asset& a : plan.assets) {
        QSqlQuery q = Read(QStringLiteral("SELECT COUNT(*) FROM ITCAPAOPERABEM WHERE CDBEMATIVO = ?"), {a.bem});
        count[a.bem] = q.next() ? q.value(0).toLongLong() : 0;
    }
    return count;
}

QStringList Verify(const Plan& plan, const Ledger& ledger, const std::map<QString, long>& before, long confirmed,
                   long undone) {
    QStringList failures = ledger.Repeats();

    // Numbers never repeat, and an undone transfer leaves no header behind.
    Repeated(plan, "NRSEQCAPAOPEBEM", QStringLiteral("capa"), failures);
    Repeated(plan, "NRSEQITCAPAOPE", QStringLiteral("item"), failures);
    Repeated(plan, "NRSEQOPERABEM", QStringLiteral("NRSEQOPERABEM"), failures);
    {
        QSqlQuery q = Read(QStringLiteral("SELECT C.NRSEQCAPAOPEBEM FROM CAPAOPERABEM C WHERE C.CDEMPRESA = ? AND NOT EXISTS"
                                          " (SELECT 1 FROM ITCAPAOPERABEM I WHERE I.CDEMPRESA = C.CDEMPRESA"
                                          " AND I.NRSEQCAPAOPEBEM = C.NRSEQCAPAOPEBEM) ORDER BY C.NRSEQCAPAOPEBEM"),
                           {plan.empresa});
        while (q.next()) failures << QStringLiteral("capa %1 sem item").arg(Str(q, 0));
    }

    // Each asset: the chain of its transfers, its location, its count.
    const std::map<QString, Ledger::Written> writes = ledger.Writes();
    std::map<QString, std::set<QString>> present;  // asset -> header numbers in the database
    long total = 0, totalBefore = 0;
    for (const Asset& a : plan.assets) {
        QSqlQuery q = Read(QStringLiteral("SELECT NRSEQOPERABEM, NRSEQCAPAOPEBEM, CDFILIALITCANTE, CDCENTCUITCANTE,"
                                          " CDSETORITCANTE, CDOPERESPBEMANT, CDFILIALITCNOVO, CDCENTCUITCNOVO,"
                                          " CDSETORITCNOVO, CDOPERESPBEMNOV FROM ITCAPAOPERABEM"
                                          " WHERE CDBEMATIVO = ? ORDER BY NRSEQOPERABEM"),
                           {a.bem});
        std::vector<Row> rows;
        while (q.next())
            rows.push_back({Str(q, 0), Str(q, 1), {Str(q, 2), Str(q, 3), Str(q, 4), Str(q, 5)},
                            {Str(q, 6), Str(q, 7), Str(q, 8), Str(q, 9)}});
        for (size_t i = 1; i < rows.size(); ++i)
            if (rows[i].ante != rows[i - 1].novo)
                failures << QStringLiteral("bem %1: a transferência %2 sai de %3, mas a anterior (%4) levou o bem a %5")
                                .arg(a.bem, rows[i].capa, rows[i].ante.Text(), rows[i - 1].capa, rows[i - 1].novo.Text());
        for (const Row& r : rows) present[a.bem].insert(r.capa);

        QSqlQuery where = Read(
            QStringLiteral("SELECT CDFILIAL, CDCENTCUST, CDSETOR, CDOPERESPBEM FROM BEMATIVO WHERE CDBEMATIVO = ?"), {a.bem});
        if (!where.next()) {
            failures << QStringLiteral("bem %1 sumiu do cadastro").arg(a.bem);
            continue;
        }
        const Place at{Str(where, 0), Str(where, 1), Str(where, 2), Str(where, 3)};
        const Place expected = rows.empty() ? a.at : rows.back().novo;
        if (at != expected)
            failures << QStringLiteral("bem %1 está em %2, mas a última transferência (%3) o levou a %4")
                            .arg(a.bem, at.Text(), rows.empty() ? QStringLiteral("nenhuma") : rows.back().capa, expected.Text());
        total += long(rows.size());
        if (const auto it = before.find(a.bem); it != before.end()) totalBefore += it->second;
    }

    if (total != totalBefore + confirmed - undone)
        failures << QStringLiteral("os bens da carga têm %1 transferências; esperadas %2"
                                   " (%3 antes + %4 confirmadas - %5 desfeitas)")
                        .arg(total)
                        .arg(totalBefore + confirmed - undone)
                        .arg(totalBefore)
                        .arg(confirmed)
                        .arg(undone);
    for (const auto& [capa, w] : writes) {
        const bool there = present[w.bem].count(capa) > 0;
        if (!w.undone && !there)
            failures << QStringLiteral("a transferência %1 do bem %2 foi confirmada e não está no banco").arg(capa, w.bem);
        if (w.undone && there)
            failures << QStringLiteral("a transferência %1 do bem %2 foi desfeita e continua no banco").arg(capa, w.bem);
    }
    return failures;
}

}  // namespace load
