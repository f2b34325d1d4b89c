#pragma once

// The tables and columns the client's SQL relies on, shared by the db tests.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace dbtest {

// In an order that satisfies the foreign keys.
const std::vector<std::pair<QString, QStringList>>& ExpectedTables();

// Column names of a table, upper case (PostgreSQL reports them folded to lower case).
QStringList ColumnsOf(QSqlDatabase db, const QString& table);

// Every row of the table, ordered by all columns, each row as "v1|v2|..." in the
// engine-neutral form of erptest::Canonical.
QStringList Dump(QSqlDatabase db, const QString& table);

}  // namespace dbtest
