#pragma once

#include "orv/DataSet.h"
#include "orv/Database.h"

#include <QStringList>

#include <map>
#include <memory>

class QSqlDriver;
class QSqlQuery;

namespace orv {

// Read-only query on a database connection (the shared one unless told otherwise). Open
// fetches every row into memory and finishes the statement, like a client-side cursor, so no
// read transaction stays open; the statement stays prepared for the next Open on the same
// connection and text (a name shown for each row of a list is looked up again and again).
// Parameters are bound as strings, never pasted into the text.
//
// Dialect variants: SQL is the generic text; SQL_ORACLE, SQL_MSSQL and SQL_IB are the host's
// traditional variants; SQL_SQLITE and SQL_PG are this installation's engines. The text run is
// the engine's own variant, else the generic text, else the Oracle text.
class TADOIBQuery : public TDataSet {
public:
    class Param {
    public:
        explicit Param(QString name) : name_(std::move(name)) {}
        const QString& Name() const { return name_; }
        const QString& AsString() const { return value_; }
        void SetAsString(const QString& value) { value_ = value; }
        void Clear() { value_.clear(); }

    private:
        QString name_;
        QString value_;
    };

    explicit TADOIBQuery(QString name = {});
    ~TADOIBQuery() override;

    QStringList SQL, SQL_ORACLE, SQL_MSSQL, SQL_IB, SQL_SQLITE, SQL_PG;

    void SetConnectionName(const QString& name) { connection_ = name; }
    const QString& ConnectionName() const { return connection_; }

    Param& ParamByName(const QString& name);
    QStringList ParamNames() const;
    // The parameters the query's texts name, in order of first appearance.
    QStringList SQLParamNames() const;

    void Open();
    // Open, except that a run with the same text and values as one since ForgetResults() gives
    // that run's rows again without asking the database: for the names shown beside each row
    // of a list, looked up again and again while the list stays loaded.
    void OpenRemembered();
    void ForgetResults() { remembered_.clear(); }
    // The text that runs on the given engine.
    QString ActiveSQL(DbEngine engine) const;

private:
    struct Prepared;

    QString connection_;  // empty: the shared connection
    std::map<QString, Param> params_;
    std::unique_ptr<Prepared> prepared_;
    std::map<QStringList, std::vector<std::vector<QVariant>>> remembered_;  // by text and values

    QSqlDatabase Connection() const;
    std::vector<std::vector<QVariant>> Fetch();
};

}  // namespace orv
