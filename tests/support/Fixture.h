#pragma once

// Helpers to build small fixtures and read results, always with bound parameters.
// They throw std::runtime_error with the driver's message, so a broken fixture fails loudly.

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

namespace erptest {

// INSERT INTO table (keys of values) VALUES (bound values).
void InsertRow(QSqlDatabase db, const QString& table, const QVariantMap& values);
void InsertRows(QSqlDatabase db, const QString& table, const QList<QVariantMap>& rows);

// All rows of a query, each as a list of column values.
QList<QVariantList> QueryRows(QSqlDatabase db, const QString& sql, const QVariantList& params = {});
// First column of the first row; invalid QVariant when there is no row.
QVariant QueryValue(QSqlDatabase db, const QString& sql, const QVariantList& params = {});

// Values as text the same way on both engines (PostgreSQL hands back dates and numbers as
// typed values): null -> "<null>", dates "yyyy-MM-dd", timestamps "yyyy-MM-ddTHH:mm:ss",
// numbers in their shortest form.
QString Canonical(const QVariant& value);

// The password fixture operators get from GivePasswords.
inline const QString kTestPassword = QStringLiteral("senha-de-teste");
// Gives these operators kTestPassword, hashed at the cheapest cost (fixtures hash on every set-up).
void GivePasswords(QSqlDatabase db, const QStringList& operators);

}  // namespace erptest
