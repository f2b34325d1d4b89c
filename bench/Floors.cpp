#include "bench/Floors.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QStringList>
#include <QSqlRecord>
#include <QVariant>

#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

namespace benchfloor {

namespace {

double Elapsed(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// Date-only texts travel with their midnight.
std::string Cell(std::string text) {
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        static const char midnight[] = "T00:00:00";
        text.resize(19);
        std::copy(midnight, midnight + 9, text.begin() + 10);
    }
    return text;
}

std::string Packet(nlohmann::json rows, int columns) {
    nlohmann::json fields = nlohmann::json::array();
    for (int i = 0; i < columns; ++i) fields.push_back({{"name", std::string("C").append(std::to_string(i))}, {"type", "string"}, {"size", 40}});
    return nlohmann::json{{"fields", std::move(fields)}, {"rows", std::move(rows)}}.dump();
}

}  // namespace

double InsertAgainMs(QSqlDatabase db, const QString& afterCapa) {
    // Every column of both tables, as the server wrote them; only the numbers change.
    struct Table {
        const char* name;
        QStringList columns;
        std::vector<std::vector<QVariant>> rows;
    };
    std::vector<Table> tables = {{"CAPAOPERABEM", {}, {}}, {"ITCAPAOPERABEM", {}, {}}};
    for (Table& t : tables) {
        QSqlQuery read(db);
        read.setForwardOnly(true);
        read.prepare(QStringLiteral("SELECT * FROM %1 WHERE NRSEQCAPAOPEBEM > ? ORDER BY NRSEQCAPAOPEBEM").arg(t.name));
        read.addBindValue(afterCapa);
        if (!read.exec()) throw std::runtime_error("piso: leitura das linhas gravadas");
        const QSqlRecord record = read.record();
        for (int c = 0; c < record.count(); ++c) t.columns << record.fieldName(c).toUpper();
        while (read.next()) {
            std::vector<QVariant> row;
            for (int c = 0; c < record.count(); ++c) row.push_back(read.value(c));
            t.rows.push_back(std::move(row));
        }
    }
    const QStringList renumbered = {QStringLiteral("NRSEQCAPAOPEBEM"), QStringLiteral("NRSEQITCAPAOPE"),
                                    QStringLiteral("NRSEQOPERABEM")};
    QElapsedTimer t;
    t.start();
    db.transaction();
    {
        std::vector<std::unique_ptr<QSqlQuery>> inserts;
        for (const Table& table : tables) {
            auto q = std::make_unique<QSqlQuery>(db);
            QStringList marks;
            for (qsizetype c = 0; c < table.columns.size(); ++c) marks << QStringLiteral("?");
            q->prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(table.name, table.columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
            inserts.push_back(std::move(q));
        }
        for (size_t r = 0; r < tables[0].rows.size(); ++r) {
            const QString number = QStringLiteral("8%1").arg(qint64(r), 9, 10, QLatin1Char('0'));
            for (size_t k = 0; k < tables.size(); ++k) {
                if (r >= tables[k].rows.size()) continue;
                for (qsizetype c = 0; c < tables[k].columns.size(); ++c)
                    inserts[k]->addBindValue(renumbered.contains(tables[k].columns[c]) ? QVariant(number)
                                                                                       : tables[k].rows[r][size_t(c)]);
                if (!inserts[k]->exec()) throw std::runtime_error("piso: inserção");
            }
        }
    }
    db.rollback();
    return Elapsed(t);
}

double ReadWithCApiMs(const QString& file, const std::string& sql, const std::vector<std::string>& params,
                      std::string& json) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toStdString().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("piso: sqlite3_open");
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("piso: ") + sqlite3_errmsg(db));
    for (size_t i = 0; i < params.size(); ++i)
        sqlite3_bind_text(st, int(i + 1), params[i].c_str(), int(params[i].size()), SQLITE_STATIC);
    const int columns = sqlite3_column_count(st);
    nlohmann::json rows = nlohmann::json::array();
    while (sqlite3_step(st) == SQLITE_ROW) {
        nlohmann::json row = nlohmann::json::array();
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_NULL: row.push_back(nullptr); break;
            case SQLITE_INTEGER:
            case SQLITE_FLOAT: row.push_back(sqlite3_column_double(st, c)); break;
            default:
                row.push_back(Cell(std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                               size_t(sqlite3_column_bytes(st, c)))));
            }
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    json = Packet(std::move(rows), columns);
    const double ms = Elapsed(t);
    sqlite3_close(db);
    return ms;
}

double ReadWithQtSqlMs(QSqlDatabase db, const QString& sql, const QStringList& params, std::string& json) {
    QElapsedTimer t;
    t.start();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QString& p : params) q.addBindValue(p);
    if (!q.exec()) throw std::runtime_error("piso: leitura");
    nlohmann::json rows = nlohmann::json::array();
    int columns = 0;
    while (q.next()) {
        nlohmann::json row = nlohmann::json::array();
        columns = q.record().count();
        for (int c = 0; c < columns; ++c) {
            const QVariant v = q.value(c);
            if (v.isNull()) row.push_back(nullptr);
            else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
                row.push_back(v.toDouble());
            else row.push_back(Cell(v.toString().toStdString()));
        }
        rows.push_back(std::move(row));
    }
    json = Packet(std::move(rows), columns);
    return Elapsed(t);
}

double ParseMs(const std::string& json) {
    QElapsedTimer t;
    t.start();
    const auto parsed = nlohmann::json::parse(json);
    const double ms = Elapsed(t);
    if (parsed.is_discarded()) throw std::runtime_error("piso: JSON");
    return ms;
}

}  // namespace benchfloor
