#pragma once

#include "orv/Field.h"
#include "server/Sql.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace server {

// Packet columns filled from another table by a key the row carries, looked up once per distinct
// key and call instead of joined on every row: a list of ten thousand transfers names the same
// few operators and the same asset on every row, and each join is two B-tree searches a row.
struct RowLookup {
    // One row by key, its columns those of `packetColumns` in order; the key as ?1, ?2...
    QString sql;
    // Statement columns (after the packet's own) holding the key; a NULL part finds nothing, as
    // a LEFT JOIN on it would.
    std::vector<int> keyColumns;
    std::vector<size_t> packetColumns;
};

// A packet column written from other columns of the same row as the statement read them, rather
// than computed by SQL on every row: the navigator's caption, put together by SQL from three
// columns, cost SQLite more than the rest of a transfer's row.
struct RowText {
    std::vector<size_t> from;  // packet columns whose texts it takes, none of them a lookup's
    // Their texts (nullopt for NULL) written into the cell as JSON.
    void (*write)(const std::vector<std::optional<std::string_view>>& texts, std::string& out) = nullptr;
};

// Runs a SELECT on a SQLite connection and appends its rows to `out` as a packet's rows, a JSON
// array of arrays: texts cut to their field's size (unless the column is in `uncut`), reals in
// their shortest exact form, dates as "2026-11-15T00:00:00", NULL as null. The statement's
// columns for the `packetColumns` of `lookups` and for the columns `written` are placeholders.
//
// Read through the connection's own handle rather than a QSqlQuery: a value per cell through
// QVariant and QString, or the JSON built by SQLite itself (reals through printf), took three
// times as long on a list of thousands of rows.
void AppendSqliteRows(QSqlDatabase& db, const QString& sql, Binds binds, const std::vector<orv::FieldDef>& defs,
                      const std::vector<bool>& uncut, const std::vector<RowLookup>& lookups,
                      const std::map<size_t, RowText>& written, std::string& out);

// A real as JSON, the shortest text that reads back as the same double. JSON has no infinity
// nor NaN: they come as null, so that one bad value stored by another program empties a cell
// rather than making the whole list unreadable.
void AppendJsonNumber(double value, std::string& out);
// A text as a JSON string.
void AppendJsonString(const char* text, size_t size, std::string& out);
// The part of UTF-8 text that SQLite's substr(text, from, count) gives: `from` counts characters
// from 1.
std::string_view Substr(std::string_view text, size_t from, size_t count);
// Characters of UTF-8 text, as SQLite's length() counts them.
size_t Length(std::string_view text);

}  // namespace server
