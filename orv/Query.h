#pragma once

#include "orv/DataSet.h"
#include "orv/Database.h"

#include <QStringList>

#include <map>

namespace orv {

// Read-only query on a database connection (the shared one unless told otherwise). Open
// fetches every row into memory and releases the statement, like a client-side cursor, so no
// read transaction stays open. Parameters are bound as strings, never pasted into the text.
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

    QStringList SQL, SQL_ORACLE, SQL_MSSQL, SQL_IB, SQL_SQLITE, SQL_PG;

    void SetConnectionName(const QString& name) { connection_ = name; }
    const QString& ConnectionName() const { return connection_; }

    Param& ParamByName(const QString& name);
    QStringList ParamNames() const;
    // The parameters the query's texts name, in order of first appearance.
    QStringList SQLParamNames() const;

    void Open();
    // The text that runs on the given engine.
    QString ActiveSQL(DbEngine engine) const;

private:
    QString connection_;  // empty: the shared connection
    std::map<QString, Param> params_;
};

}  // namespace orv
