#include "server/SqliteRows.h"

#include "server/RpcError.h"

#include <QSqlDriver>

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <stdexcept>

namespace server {

namespace {

// SQLite counts every allocation under one process-wide lock unless told otherwise before it
// starts; nothing here reads those counts, and every server thread reads lists at once.
const int kNoAllocationCounts = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

sqlite3* HandleOf(QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0)
        throw std::logic_error("not a SQLite connection");
    sqlite3* h = *static_cast<sqlite3* const*>(handle.constData());
    if (!h) throw std::runtime_error("SQL: a conexão com o banco de dados está fechada");
    return h;
}

[[noreturn]] void Failed(sqlite3* h, int code) {
    const int primary = code & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) throw RpcError(kUnavailable, kBusyText);
    throw std::runtime_error(std::string("SQL: ") + sqlite3_errmsg(h));
}

void Bind(sqlite3* h, sqlite3_stmt* st, const char* name, const QVariant& v) {
    const int at = sqlite3_bind_parameter_index(st, name);
    if (at == 0) return;  // not used by this statement
    int rc;
    if (v.isNull()) {
        rc = sqlite3_bind_null(st, at);
    } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::UInt) {
        rc = sqlite3_bind_int64(st, at, v.toLongLong());
    } else if (v.typeId() == QMetaType::Double) {
        rc = sqlite3_bind_double(st, at, v.toDouble());
    } else {
        const QByteArray text = v.toString().toUtf8();
        rc = sqlite3_bind_text(st, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) Failed(h, rc);
}

// Bytes of the first `chars` characters of UTF-8 text (as SQLite's substr counts them).
size_t PrefixBytes(const char* p, size_t size, int chars) {
    if (size <= size_t(chars)) return size;  // fewer bytes than characters allowed: fits
    int seen = 0;
    for (size_t i = 0; i < size; ++i) {
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80 && seen++ == chars) return i;
    }
    return size;
}

}  // namespace

void AppendJsonNumber(double value, std::string& out) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char number[32];
    out.append(number, std::to_chars(number, number + sizeof number, value).ptr);
}

void AppendJsonString(const char* text, size_t size, std::string& out) {
    auto special = [](unsigned char u) { return u < 0x20 || u == '"' || u == '\\'; };
    size_t i = 0;
    while (i < size && !special(static_cast<unsigned char>(text[i]))) ++i;
    // Most texts need no escape: the quotes and the text then go in with one append, not three.
    const size_t at = out.size();
    out.append(i + 2, '"');
    if (i) std::memcpy(&out[at + 1], text, i);
    if (i == size) return;
    out.pop_back();
    size_t plain = i;  // runs of plain bytes are copied at once
    for (; i < size; ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        if (!special(u)) continue;
        out.append(text + plain, i - plain);
        plain = i + 1;
        if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        }
    }
    out.append(text + plain, size - plain);
    out += '"';
}

size_t Length(std::string_view text) {
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::string_view Substr(std::string_view text, size_t from, size_t count) {
    auto skip = [&text](size_t chars, size_t at) {
        for (; at < text.size() && chars > 0; --chars)
            for (++at; at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;) ++at;
        return at;
    };
    const size_t begin = skip(from > 0 ? from - 1 : 0, 0);
    return text.substr(begin, skip(count, begin) - begin);
}

namespace {

using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

Statement PrepareOn(sqlite3* h, const QString& sql) {
    sqlite3_stmt* raw = nullptr;
    const QByteArray text = sql.toUtf8();
    if (const int rc = sqlite3_prepare_v2(h, text.constData(), int(text.size()), &raw, nullptr); rc != SQLITE_OK) Failed(h, rc);
    // Finalized on every way out: a statement left open would keep the read snapshot.
    return Statement(raw, sqlite3_finalize);
}

// One cell of a packet column, as the field's type asks.
void AppendCell(sqlite3_stmt* st, int i, const orv::FieldDef& def, bool uncut, std::string& out) {
    const int type = sqlite3_column_type(st, i);
    if (type == SQLITE_NULL) {
        out += "null";
        return;
    }
    char number[32];
    if (type == SQLITE_INTEGER && def.type != orv::FieldType::DateTime) {
        // Text fields keep numbers as text, as the client compares them.
        const auto end = std::to_chars(number, number + sizeof number, sqlite3_column_int64(st, i)).ptr;
        if (def.type == orv::FieldType::String) AppendJsonString(number, size_t(end - number), out);
        else out.append(number, end);
        return;
    }
    if (type == SQLITE_FLOAT && def.type == orv::FieldType::Float) {
        AppendJsonNumber(sqlite3_column_double(st, i), out);
        return;
    }
    const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    size_t size = size_t(sqlite3_column_bytes(st, i));
    if (def.type == orv::FieldType::DateTime) {
        // Stored as "2026-11-15" or "2026-11-15 10:20:30"; at most 19 characters (of up to four
        // bytes each) are kept, so a buffer on the stack does, with no allocation per cell.
        char iso[96];
        size_t n = std::min(size, sizeof iso - 9);
        std::memcpy(iso, p, n);
        if (n == 10) {
            std::memcpy(iso + 10, "T00:00:00", 9);
            n = 19;
        } else {
            std::replace(iso, iso + n, ' ', 'T');
            n = PrefixBytes(iso, n, 19);
        }
        AppendJsonString(iso, n, out);
        return;
    }
    if (def.type == orv::FieldType::String && !uncut) size = PrefixBytes(p, size, def.EffectiveSize());
    AppendJsonString(p, size, out);
}

// A lookup's statement and what it found so far: each key's cells, already as JSON.
struct LookupRun {
    const RowLookup* spec;
    Statement statement{nullptr, sqlite3_finalize};
    std::unordered_map<std::string, std::vector<std::string>> found;
};

const std::vector<std::string>& Find(sqlite3* h, LookupRun& run, sqlite3_stmt* row, const std::vector<orv::FieldDef>& defs) {
    std::string key;
    bool null = false;
    for (const int c : run.spec->keyColumns) {
        if (sqlite3_column_type(row, c) == SQLITE_NULL) {
            null = true;
            break;
        }
        key.append(reinterpret_cast<const char*>(sqlite3_column_text(row, c)), size_t(sqlite3_column_bytes(row, c)));
        key += '\x1f';
    }
    if (null) key.assign(1, '\x1e');  // no text key reads like this
    const auto it = run.found.find(key);
    if (it != run.found.end()) return it->second;
    std::vector<std::string> cells(run.spec->packetColumns.size(), "null");
    if (!null) {
        sqlite3_stmt* st = run.statement.get();
        sqlite3_reset(st);
        for (size_t k = 0; k < run.spec->keyColumns.size(); ++k) {
            const int c = run.spec->keyColumns[k];
            if (const int rc = sqlite3_bind_value(st, int(k) + 1, sqlite3_column_value(row, c)); rc != SQLITE_OK) Failed(h, rc);
        }
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            for (size_t k = 0; k < cells.size(); ++k) {
                cells[k].clear();
                AppendCell(st, int(k), defs[run.spec->packetColumns[k]], false, cells[k]);
            }
        } else if (rc != SQLITE_DONE) {
            Failed(h, rc);
        }
        sqlite3_reset(st);
    }
    return run.found.emplace(std::move(key), std::move(cells)).first->second;
}

}  // namespace

void AppendSqliteRows(QSqlDatabase& db, const QString& sql, Binds binds, const std::vector<orv::FieldDef>& defs,
                      const std::vector<bool>& uncut, const std::vector<RowLookup>& lookups,
                      const std::map<size_t, RowText>& written, std::string& out) {
    sqlite3* h = HandleOf(db);
    const Statement st = PrepareOn(h, sql);
    sqlite3_stmt* raw = st.get();
    if (sqlite3_column_count(raw) < int(defs.size())) throw std::logic_error("packet: columns and fields differ");
    for (const auto& [name, value] : binds) Bind(h, raw, name, value);

    // Where each packet column comes from: the statement (-1) or a lookup, and which of its cells.
    std::vector<std::pair<int, size_t>> from(defs.size(), {-1, 0});
    std::vector<LookupRun> runs;
    runs.reserve(lookups.size());
    for (const RowLookup& lookup : lookups) {
        for (size_t k = 0; k < lookup.packetColumns.size(); ++k) from.at(lookup.packetColumns[k]) = {int(runs.size()), k};
        runs.push_back({&lookup, PrepareOn(h, lookup.sql), {}});
    }

    std::vector<const RowText*> writtenAt(defs.size(), nullptr);
    for (const auto& [column, text] : written) writtenAt.at(column) = &text;
    std::vector<std::optional<std::string_view>> texts;

    out += '[';
    bool firstRow = true;
    int rc;
    std::vector<const std::vector<std::string>*> row(runs.size());
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        out += firstRow ? "[" : ",[";
        firstRow = false;
        for (size_t l = 0; l < runs.size(); ++l) row[l] = &Find(h, runs[l], raw, defs);
        for (size_t i = 0; i < defs.size(); ++i) {
            if (i) out += ',';
            if (const RowText* text = writtenAt[i]) {
                texts.clear();
                for (const size_t c : text->from) {
                    if (sqlite3_column_type(raw, int(c)) == SQLITE_NULL) {
                        texts.emplace_back();
                        continue;
                    }
                    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(raw, int(c)));
                    texts.emplace_back(std::string_view(p, size_t(sqlite3_column_bytes(raw, int(c)))));
                }
                text->write(texts, out);
            } else if (from[i].first < 0) {
                AppendCell(raw, int(i), defs[i], uncut[i], out);
            } else {
                out += (*row[size_t(from[i].first)])[from[i].second];
            }
        }
        out += ']';
    }
    if (rc != SQLITE_DONE) Failed(h, rc);
    out += ']';
}

}  // namespace server
