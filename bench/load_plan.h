#pragma once
// What a load run works on, read from the ERP database before it starts: the clerks' assets and
// where each stands, and the places, operation type and people a transfer may name.

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace load {

// A location as a transfer stores it: branch, cost centre, sector, responsible.
struct Place {
    QString filial, centCust, setor, oper;
    bool operator==(const Place&) const = default;
    QString Text() const;  // "0002/0001/0003/000000000004", for messages
};

struct Asset {
    QString bem;
    Place at;  // where it stood when the run began
    // Copied into every transfer of it, as the screen copies them from the asset.
    QVariant qtAtual, qtMesDep, vrAquisicao, vrIniDep, vrTaxa;
};

struct Plan {
    QString empresa;
    QString tipo, motivo;          // a physical-transfer operation type of the company and a motive of it
    QString operador;              // who records the transfers
    std::vector<Place> destinos;   // branch, a cost centre of it, a sector of that centre (no responsible)
    QStringList responsaveis;      // active operators
    std::vector<Asset> assets;     // distinct, in the order the clerks take them
};

// Reads the company's reference data and draws `count` distinct assets that stand in one of its
// branches. Throws std::runtime_error (Portuguese) when the database lacks what a run needs.
Plan ReadPlan(const QString& url, const QString& empresa, int count, quint64 seed);

// The connection the load tool's own reads use (main thread), opened by ReadPlan.
QString PlanConnection();
// A forward-only query on it, one value per "?"; throws std::runtime_error when it fails.
QSqlQuery Read(const QString& sql, const QVariantList& binds = {});

}  // namespace load
