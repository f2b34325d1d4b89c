#pragma once
// What the same work costs with nothing of ours in the way, measured in the same run as the real
// call so that a busy machine moves both alike.

#include <QSqlDatabase>
#include <QString>

#include <string>
#include <vector>

namespace benchfloor {

// The transfers whose header number is above `afterCapa`, every column of header and item,
// inserted again under other numbers with two prepared statements in one transaction, then
// rolled back. Milliseconds.
double InsertAgainMs(QSqlDatabase db, const QString& afterCapa);

// The rows of `sql` (one text parameter per "?" in `params`) read with the SQLite C API from
// the file and written as a packet's JSON text (fields and rows, dates as they travel).
// Milliseconds; `json` gets the text written.
double ReadWithCApiMs(const QString& file, const std::string& sql, const std::vector<std::string>& params,
                      std::string& json);

// The same through Qt SQL (for engines without a C API here), forward only.
double ReadWithQtSqlMs(QSqlDatabase db, const QString& sql, const QStringList& params, std::string& json);

// Parsing a JSON text as any client or server must. Milliseconds.
double ParseMs(const std::string& json);

}  // namespace benchfloor
