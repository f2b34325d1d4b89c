#include "bench/load_plan.h"

#include "orv/Database.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <random>
#include <stdexcept>

namespace load {

namespace {

[[noreturn]] void Fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

QString Str(const QSqlQuery& q, int i) { return q.value(i).toString().trimmed(); }

}  // namespace

QString Place::Text() const { return filial + QLatin1Char('/') + centCust + QLatin1Char('/') + setor + QLatin1Char('/') + oper; }

QString PlanConnection() { return QStringLiteral("load"); }

QSqlQuery Read(const QString& sql, const QVariantList& binds) {
    QSqlQuery q(QSqlDatabase::database(PlanConnection(), false));
    q.setForwardOnly(true);
    if (!q.prepare(sql)) Fail(QStringLiteral("Falha ao ler o banco: %1").arg(q.lastError().text()));
    for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
    if (!q.exec()) Fail(QStringLiteral("Falha ao ler o banco: %1").arg(q.lastError().text()));
    return q;
}

Plan ReadPlan(const QString& url, const QString& empresa, int count, quint64 seed) {
    orv::OpenDatabase(url, PlanConnection());
    Plan plan;
    plan.empresa = empresa;

    // A physical transfer ("03") and the first motive of it.
    {
        QSqlQuery q = Read(QStringLiteral("SELECT T.CDTIPOOPERBEM, M.CDMOTIVOOPER FROM TIPOOPERBEM T"
                                          " JOIN MOTIVOOPER M ON M.CDEMPRESA = T.CDEMPRESA AND M.CDTIPOOPERBEM = T.CDTIPOOPERBEM"
                                          " WHERE T.CDEMPRESA = ? AND T.IDTIPOOPERBEM = '03'"
                                          " ORDER BY T.CDTIPOOPERBEM, M.CDMOTIVOOPER"),
                           {empresa});
        if (!q.next())
            Fail(QStringLiteral("A empresa %1 não tem tipo de operação de transferência física com motivo.").arg(empresa));
        plan.tipo = Str(q, 0);
        plan.motivo = Str(q, 1);
    }
    {
        QSqlQuery q = Read(QStringLiteral("SELECT CDOPERADOR FROM OPERADOR WHERE IDOPERATIVO = 'A' ORDER BY CDOPERADOR"));
        while (q.next()) plan.responsaveis << Str(q, 0);
        if (plan.responsaveis.isEmpty()) Fail(QStringLiteral("Não há operador ativo no banco."));
        plan.operador = plan.responsaveis.first();
    }
    // Every branch of the company with each cost centre linked to it and each sector of that centre.
    {
        QSqlQuery q = Read(QStringLiteral("SELECT F.CDFILIAL, L.CDCENTCUST, S.CDSETOR FROM FILIAL F"
                                          " JOIN CENTCUSTFIL L ON L.CDFILIAL = F.CDFILIAL"
                                          " JOIN SETOR S ON S.CDCENTCUST = L.CDCENTCUST"
                                          " WHERE F.CDEMPRESA = ? ORDER BY F.CDFILIAL, L.CDCENTCUST, S.CDSETOR"),
                           {empresa});
        QStringList branches;
        while (q.next()) {
            plan.destinos.push_back({Str(q, 0), Str(q, 1), Str(q, 2), QString()});
            if (!branches.contains(Str(q, 0))) branches << Str(q, 0);
        }
        if (branches.size() < 2)
            Fail(QStringLiteral("A empresa %1 precisa de duas filiais com centro de custo e setor.").arg(empresa));
    }
    // Assets that stand in a branch of the company, drawn at random so that runs on one database
    // spread over its assets instead of lengthening the same lists.
    {
        QSqlQuery q = Read(QStringLiteral("SELECT B.CDBEMATIVO, B.CDFILIAL, B.CDCENTCUST, B.CDSETOR, B.CDOPERESPBEM,"
                                          " B.QTATUABEMATIVO, B.QTMESDEPBEM, B.VRAQUIBEMATIVO, B.VRINIDEPBEM, B.VRTAXANODEPBEM"
                                          " FROM BEMATIVO B JOIN FILIAL F ON F.CDFILIAL = B.CDFILIAL"
                                          " WHERE B.CDEMPRESA = ? AND F.CDEMPRESA = ? ORDER BY B.CDBEMATIVO"),
                           {empresa, empresa});
        std::vector<Asset> all;
        while (q.next())
            all.push_back({Str(q, 0), {Str(q, 1), Str(q, 2), Str(q, 3), Str(q, 4)}, q.value(5), q.value(6), q.value(7),
                           q.value(8), q.value(9)});
        if (int(all.size()) < count)
            Fail(QStringLiteral("A empresa %1 tem %2 bens localizados; a carga precisa de %3.")
                     .arg(empresa)
                     .arg(all.size())
                     .arg(count));
        std::mt19937_64 rng(seed);
        std::shuffle(all.begin(), all.end(), rng);
        all.resize(size_t(count));
        plan.assets = std::move(all);
    }
    return plan;
}

}  // namespace load
