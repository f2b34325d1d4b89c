#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace erpdb {

// The password of every demo operator (README, scripts/run and the demo sessions use it).
inline const QString kDemoPassword = QStringLiteral("demo1234");

// Where a demo being written stands: `done` of the `total` rows of the asset and transfer
// tables (the reference tables are too small to count), and what is being done.
struct DemoProgress {
    QString stage;
    qint64 done = 0;
    qint64 total = 0;
};

struct DemoOptions {
    int assets = 2000;
    quint32 seed = 1;
    // Told at each stage and as the rows are written, every few hundred; may be empty.
    std::function<void(const DemoProgress&)> progress;
};

// What GenerateDemo wrote, table by table.
struct DemoSummary {
    int companies = 0;
    int branches = 0;
    int costCentres = 0;
    int costCentreBranches = 0;      // CENTCUSTFIL
    int operators = 0;
    int sectors = 0;
    int operationTypes = 0;
    int motives = 0;
    int assetGroups = 0;
    int assets = 0;
    int assetsWithoutLocation = 0;
    int standardHistories = 0;       // HISTPADR
    int accounts = 0;                // CONTCTBL
    int accountTypes = 0;            // TIPOCONTABEM
    int assetAccounts = 0;           // CTBLBEMATIVO
    int assetApportionments = 0;     // RATEIOBEM
    int clients = 0;
    int invoiceSeries = 0;           // SERIENF
    int invoices = 0;                // NOTAFISCAL
    int transfers = 0;               // CAPAOPERABEM, one ITCAPAOPERABEM each
    int transferApportionments = 0;  // RATEIOITCAPA
    int sequences = 0;               // SEQUENCIA

    // One line, in Portuguese, for the erp-db tool.
    QString toString() const;
};

// Fills an empty, migrated-or-not database with a realistic, deterministic demo: the same
// options always give identical table contents. Migrates first; writes everything in one
// transaction. Throws std::runtime_error (Portuguese message) when the database already has
// companies or on any database error (nothing is left behind).
DemoSummary GenerateDemo(QSqlDatabase& db, const DemoOptions& options = {});

}  // namespace erpdb
