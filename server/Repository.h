#pragma once

#include "orv/Packet.h"
#include "server/Sql.h"
#include "server/SqliteRows.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace server {

struct Location {
    QString filial, centCust, setor, oper;
    bool operator==(const Location&) const = default;
    bool Empty() const { return filial.isEmpty() && centCust.isEmpty() && setor.isEmpty() && oper.isEmpty(); }
};

struct AssetRow {
    QString empresa;
    Location location;
};

struct TransferKey {
    QString empresa, nrSeqCapa, nrSeqItem;
};

struct StoredTransfer {
    TransferKey key;
    QString bem;
    QString nrSeqOpera;
    QDateTime data;
    Location ante, novo;
};

// Every SQL statement of the server. No rules here: the service decides, this reads and writes.
class Repository {
public:
    explicit Repository(QSqlDatabase db) : db_(std::move(db)) {}
    QSqlDatabase& Db() { return db_; }
    bool IsPostgres() const;

    // Reads answered as packets.
    orv::Packet CurrentLocation(const QString& bem);
    // The statement of the transfer list read row by row (parameters :E and :B), for tools
    // that measure it.
    static QString TransfersSql();
    // Long lists (the transfers of an asset, the assets of a company) as packet text written by
    // the database.
    std::string TransfersText(const QString& empresa, const QString& bem);
    std::string AssetsText(const QString& empresa, const QString& patrimonio, bool all);
    orv::Packet LastOperation(const QString& empresa, const QString& bem);
    orv::Packet LastDepreciation(const QString& empresa, const QString& bem);
    orv::Packet LastTransferNumbers(const QString& empresa, const QString& bem);
    orv::Packet Apportionment(const QString& empresa, const QString& bem, const QString& capa, const QString& item);
    orv::Packet ApportionmentPair(const QString& bem, const QString& empresa, const QString& filial,
                                  const QString& centCust, const QString& capa, const QString& item);
    orv::Packet BranchesForApportionment(const QString& empresa, const QString& filial);
    orv::Packet CostCentresForApportionment(const QString& centCust, const QString& filial);
    orv::Packet AccountingRows(const QString& empresa, const QString& bem);
    orv::Packet AccountTypes(const QString& empresa);
    orv::Packet Accounts(const QString& empresa);
    orv::Packet AccountTypeCheck(const QString& empresa, const QString& tipo, const QString& bem);
    orv::Packet AccountCheck(const QString& conta, const QString& empresa, const QString& bem);
    orv::Packet Series(const QString& filial, const QString& serie);
    orv::Packet Invoices(const QString& nota, const QString& filialNova, const QString& serie, const QString& filialAnte);

    // Sequence counters: takes `count` numbers at once, atomically (inside the caller's
    // transaction); gives the last of them (the first is last - count + 1).
    qint64 ReserveNumbers(const QString& empresa, const QString& simulacao, const QString& name, qint64 count);
    // The last number handed out, without taking one; 0 when none was.
    qint64 CurrentNumber(const QString& empresa, const QString& simulacao, const QString& name);

    // The rows of `select` ("SELECT plain columns FROM ... WHERE ...", one per field of `defs`)
    // in `orderBy` order, as a packet's JSON text; `computed` replaces some columns by
    // expressions already in their wire form. Public for the reads kept in files of their own.
    //
    // On SQLite each of `lookups` ("LEFT JOIN table alias ON (...)" in `select`) is left out of the
    // statement: the columns of its alias are looked up once per distinct key instead (see
    // RowLookup), for joins that repeat the same few rows over a long list; and the columns of
    // `written` are put together from the row's other columns in C++ (see RowText) instead of by
    // their `computed` expression.
    struct NameJoin {
        QString table, alias;
        std::vector<std::pair<QString, QString>> on;  // the table's key column, the expression it equals
    };
    std::string PacketText(const std::vector<orv::FieldDef>& defs, const QString& select, const QString& orderBy,
                           Binds binds, const std::map<size_t, QString>& computed = {},
                           const std::vector<NameJoin>& lookups = {}, const std::map<size_t, RowText>& written = {});

    // Declared size of each text column of a table (upper-case names), read from the schema once.
    const std::map<QString, int>& ColumnSizes(const QString& table);

    // Transfers.
    std::optional<AssetRow> FindAsset(const QString& bem);
    std::optional<AssetRow> LockAsset(const QString& bem);
    // Many assets at once, locked in code order; those that do not exist are left out.
    std::map<QString, AssetRow> LockAssets(const std::set<QString>& bens);
    // The date of each asset's last transfer; assets without one are left out.
    std::map<QString, QDate> LastTransferDates(const std::set<QString>& bens);
    std::optional<StoredTransfer> FindTransfer(const TransferKey& key);
    std::optional<StoredTransfer> LastTransfer(const QString& bem);
    // The date of the asset's last transfer; null without one.
    QDate LastTransferDate(const QString& bem);
    // The asset's transfer applied just before the one numbered `nrSeqOpera`.
    std::optional<StoredTransfer> PreviousTransfer(const QString& bem, const QString& nrSeqOpera);
    bool HeaderExists(const QString& empresa, const QString& capa);
    // The company of a branch (empty when it has none); nothing when the branch does not exist.
    std::optional<QString> BranchCompany(const QString& filial);
    bool CostCentreOfBranch(const QString& filial, const QString& centCust);
    // A physical-transfer operation type (kind "03") of the company.
    bool TransferTypeExists(const QString& empresa, const QString& tipo);
    bool MotiveExists(const QString& empresa, const QString& tipo, const QString& motivo);
    bool OperatorExists(const QString& operador);
    bool ClientExists(const QString& cliente);
    void InsertTransfer(const orv::ParsedDelta& d, const orv::PacketRow& row, const QString& nrSeqOpera,
                        const QDateTime& now);
    void UpdateTransfer(const orv::ParsedDelta& d, const orv::PacketRow& row, const TransferKey& key,
                        const QDateTime& now);
    void DeleteTransfer(const TransferKey& key);
    void MoveAsset(const QString& bem, const Location& to);

    // Apportionment rows of a transfer item, and the asset's current apportionment.
    struct RateioKey {
        QString empresa, simulacao, capa, item, bem, filial, centCust;
    };
    bool ItemExists(const QString& empresa, const QString& capa, const QString& item);
    bool RateioExists(const RateioKey& key);
    void InsertRateio(const RateioKey& key, double valor);
    void UpdateRateio(const RateioKey& old, const RateioKey& now, double valor);
    int DeleteRateio(const RateioKey& key);
    double RateioTotal(const QString& empresa, const QString& simulacao, const QString& capa, const QString& item);
    void ReplaceRateioBem(const QString& empresa, const QString& bem,
                          const std::vector<std::pair<std::pair<QString, QString>, double>>& rows);
    // The asset's current apportionment becomes the rows of its last transfer (none without one).
    void RebuildRateioBem(const QString& bem);

    // Accounting parameters of an asset.
    struct CtblKey {
        QString empresa, bem, tipo;
    };
    bool CtblExists(const CtblKey& key);
    bool AccountTypeExists(const QString& empresa, const QString& tipo);
    // The company of an account (empty: valid for every company); nothing when it does not exist.
    std::optional<QString> AccountCompany(const QString& conta);
    bool HistoryExists(const QString& historico);
    void InsertCtbl(const CtblKey& key, const QString& conta, const QString& historico, const QString& operador,
                    const QDateTime& now);
    void UpdateCtbl(const CtblKey& old, const CtblKey& key, const QString& conta, const QString& historico,
                    const QString& operador, const QDateTime& now);
    int DeleteCtbl(const CtblKey& key);

private:
    std::optional<AssetRow> ReadAsset(const QString& bem, bool lock);
    // Reference rows (branches, types, operators...) do not change under one call, which may
    // check the same ones for a thousand records: each is read once per repository.
    bool Remembered(const QString& key, const std::function<bool()>& read);
    const QVariant& Stamp(const QDateTime& now);

    QSqlDatabase db_;
    std::map<QString, bool> exists_;
    std::map<QString, std::optional<QString>> branchCompany_;
    std::map<QString, qint64> counters_;
    QDateTime stampOf_;
    QVariant stamp_;
};

}  // namespace server
