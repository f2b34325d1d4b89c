#include "server/Repository.h"

#include "contracts/TransferRecord.h"
#include "server/FieldDefs.h"
#include "server/Sql.h"
#include "server/SqliteRows.h"

#include <QRegularExpression>
#include <QSqlRecord>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>

namespace server {

namespace {

using orv::FieldDef;
using orv::FieldType;

using defs::D;
using defs::F;
using defs::S;

// A date as it travels ("2026-11-15T00:00:00"); false when the value is no date.
bool WireDate(const QVariant& v, std::string& out) {
    const QDateTime dt = ReadDateTime(v);
    if (!dt.isValid()) return false;
    out = orv::DateTimeToWire(dt).toStdString();
    return true;
}

// Writes the rows of a query, whose columns come in the order of `defs`, straight into a packet.
orv::Packet ToPacket(Query& q, const std::vector<FieldDef>& defs) {
    nlohmann::json rows = nlohmann::json::array();
    std::string date;
    while (q.next()) {
        nlohmann::json row = nlohmann::json::array();
        auto& cells = row.get_ref<nlohmann::json::array_t&>();
        cells.reserve(defs.size());
        for (size_t i = 0; i < defs.size(); ++i) {
            const QVariant v = q.value(static_cast<int>(i));
            if (v.isNull()) {
                cells.emplace_back(nullptr);
                continue;
            }
            switch (defs[i].type) {
            case FieldType::String: {
                QString s = v.toString();
                if (s.size() > defs[i].EffectiveSize()) s.truncate(defs[i].EffectiveSize());
                cells.emplace_back(s.toStdString());
                break;
            }
            case FieldType::Float: cells.emplace_back(v.toDouble()); break;
            case FieldType::DateTime:
                if (WireDate(v, date)) cells.emplace_back(date);
                else cells.emplace_back(nullptr);
                break;
            }
        }
        rows.get_ref<nlohmann::json::array_t&>().push_back(std::move(row));
    }
    return {{"fields", orv::FieldDefsToJson(defs)}, {"rows", std::move(rows)}};
}

const QString kTransferSelect = QStringLiteral(
    "SELECT C.CDEMPRESA, C.IDSITCAPAOPER, C.DTCAPAOPEBEM, C.NRSEQCAPAOPEBEM, C.CDTIPOOPERBEM,"
    "       T.NMTIPOOPERBEM, C.IDIDENTCAPAOPER, C.DTINCCAPAOPER, C.CDOPEINCCAPA, OI.NMOPERADOR,"
    "       C.DTATUCAPAOPER, C.CDOPEATUCAPA, OA.NMOPERADOR, C.CDMOTIVOOPER, M.NMMOTIVOOPER,"
    "       C.CDOPERESPOPERA, OP.NMOPERADOR, I.NRSEQOPERABEM, I.NRSEQITCAPAOPE, I.QTITCAPAOPEANTE,"
    "       I.QTITCAPAOPENOVO, I.CDFILIALITCANTE, I.CDCENTCUITCANTE, I.CDSETORITCANTE, I.CDOPERESPBEMANT,"
    "       I.CDFILIALITCNOVO, I.CDCENTCUITCNOVO, I.CDSETORITCNOVO, I.CDOPERESPBEMNOV, I.IDSIMULOPERABEM,"
    "       I.VRITCAPAOPERA, I.QTMESDEPITCANTE, I.QTMESDEPITCNOVO, I.VRTAXDEPITCANTE, I.VRTAXDEPITCNOVO,"
    "       I.DTINCITCAPAOPER, I.DTATUITCAPAOPER, I.CDOPEATUITCAPA, I.CDOPEINCITCAPA,"
    "       B.QTMESDEPBEM, B.VRAQUIBEMATIVO, B.VRINIDEPBEM, B.QTATUABEMATIVO, I.CDBEMATIVO, B.NMBEMATIVO,"
    "       NULL, C.CDCLIENTE, I.CDSERIENFITCAPA, I.NRNOTAFIITCAPA,"
    "       CL.NRINSJURCLIE, CL.NMFANTCLIE, CL.IDTPIJURCLIE"
    "  FROM ITCAPAOPERABEM I"
    "  JOIN CAPAOPERABEM C ON (C.CDEMPRESA = I.CDEMPRESA AND C.NRSEQCAPAOPEBEM = I.NRSEQCAPAOPEBEM)"
    "  LEFT JOIN TIPOOPERBEM T ON (T.CDEMPRESA = C.CDEMPRESA AND T.CDTIPOOPERBEM = C.CDTIPOOPERBEM)"
    "  LEFT JOIN MOTIVOOPER M ON (M.CDEMPRESA = C.CDEMPRESA AND M.CDTIPOOPERBEM = C.CDTIPOOPERBEM"
    "                             AND M.CDMOTIVOOPER = C.CDMOTIVOOPER)"
    "  LEFT JOIN OPERADOR OI ON (OI.CDOPERADOR = C.CDOPEINCCAPA)"
    "  LEFT JOIN OPERADOR OA ON (OA.CDOPERADOR = C.CDOPEATUCAPA)"
    "  LEFT JOIN OPERADOR OP ON (OP.CDOPERADOR = C.CDOPERESPOPERA)"
    "  LEFT JOIN BEMATIVO B ON (B.CDBEMATIVO = I.CDBEMATIVO)"
    "  LEFT JOIN CLIENTE CL ON (CL.CDCLIENTE = C.CDCLIENTE)");

const QString kStoredSelect = QStringLiteral(
    "SELECT I.CDEMPRESA, I.NRSEQCAPAOPEBEM, I.NRSEQITCAPAOPE, I.CDBEMATIVO, I.NRSEQOPERABEM, C.DTCAPAOPEBEM,"
    "       I.CDFILIALITCANTE, I.CDCENTCUITCANTE, I.CDSETORITCANTE, I.CDOPERESPBEMANT,"
    "       I.CDFILIALITCNOVO, I.CDCENTCUITCNOVO, I.CDSETORITCNOVO, I.CDOPERESPBEMNOV"
    "  FROM ITCAPAOPERABEM I"
    "  JOIN CAPAOPERABEM C ON (C.CDEMPRESA = I.CDEMPRESA AND C.NRSEQCAPAOPEBEM = I.NRSEQCAPAOPEBEM)");

std::optional<StoredTransfer> ReadStored(Query& q) {
    if (!q.next()) return std::nullopt;
    StoredTransfer t;
    t.key = {Text(q.value(0)), Text(q.value(1)), Text(q.value(2))};
    t.bem = Text(q.value(3));
    t.nrSeqOpera = Text(q.value(4));
    t.data = ReadDateTime(q.value(5));
    t.ante = {Text(q.value(6)), Text(q.value(7)), Text(q.value(8)), Text(q.value(9))};
    t.novo = {Text(q.value(10)), Text(q.value(11)), Text(q.value(12)), Text(q.value(13))};
    return t;
}

}  // namespace

const QVariant& Repository::Stamp(const QDateTime& now) {
    // One time for a whole delta: formatting it for each row costs more than the row's insert.
    if (now != stampOf_) {
        stampOf_ = now;
        stamp_ = TimestampParam(now);
    }
    return stamp_;
}

// --- long lists as packet text ---------------------------------------------------------------
//
// A long list is written straight into the answer's JSON text, row by row from the database
// (the C API's values on SQLite, the driver's on PostgreSQL), instead of a packet document built
// value by value and dumped: the same document, several times faster on ten thousand rows.

namespace {

// The expressions of "SELECT a, b, ... FROM ...", for selects whose columns are plain names.
QStringList SelectList(const QString& select) {
    const qsizetype from = select.indexOf(QLatin1String(" FROM "));
    QStringList out;
    for (const QString& part : select.mid(7, from - 7).split(QLatin1Char(','))) out << part.trimmed();
    return out;
}

QString FromOn(const QString& select) { return select.mid(select.indexOf(QLatin1String(" FROM "))); }

// One column as PostgreSQL hands it over for the packet: strings cut to the field's size, dates
// as "2026-11-15T00:00:00" (AppendSqliteRows does the same for SQLite as it writes).
QString Cell(const QString& expr, const FieldDef& def) {
    switch (def.type) {
    case FieldType::String: return QStringLiteral("substr(%1, 1, %2)").arg(expr).arg(def.EffectiveSize());
    case FieldType::Float: return expr;
    case FieldType::DateTime: return QStringLiteral("to_char(%1, 'YYYY-MM-DD\"T\"HH24:MI:SS')").arg(expr);
    }
    return expr;
}

// Rows as JSON arrays, as AppendSqliteRows writes them: texts escaped, numbers in their shortest
// exact form, dates already text (formatted by the statement), NULL as null.
void WriteRows(Query& q, const std::vector<FieldDef>& defs, std::string& out) {
    out += '[';
    bool firstRow = true;
    while (q.next()) {
        out += firstRow ? "[" : ",[";
        firstRow = false;
        for (size_t i = 0; i < defs.size(); ++i) {
            if (i) out += ',';
            const QVariant v = q.value(int(i));
            if (v.isNull()) {
                out += "null";
            } else if (defs[i].type == FieldType::Float) {
                AppendJsonNumber(v.toDouble(), out);
            } else {
                const QByteArray text = v.toString().toUtf8();
                AppendJsonString(text.constData(), size_t(text.size()), out);
            }
        }
        out += ']';
    }
    out += ']';
}

}  // namespace

namespace {

// `from` without its "LEFT JOIN table alias ON (...)" clause.
QString WithoutJoin(const QString& from, const QString& table, const QString& alias) {
    const QString head = QStringLiteral("LEFT JOIN %1 %2 ON (").arg(table, alias);
    const qsizetype start = from.indexOf(head);
    if (start < 0) throw std::logic_error("packet: join not found");
    qsizetype end = start + head.size();
    for (int depth = 1; depth > 0; ++end) {
        if (end >= from.size()) throw std::logic_error("packet: unbalanced join");
        if (from[end] == QLatin1Char('(')) ++depth;
        if (from[end] == QLatin1Char(')')) --depth;
    }
    return from.left(start) + from.mid(end);
}

}  // namespace

std::string Repository::PacketText(const std::vector<FieldDef>& defs, const QString& select, const QString& orderBy,
                                   Binds binds, const std::map<size_t, QString>& computed,
                                   const std::vector<NameJoin>& lookups, const std::map<size_t, RowText>& written) {
    const bool postgres = IsPostgres();
    struct Built {
        QString sql;
        std::string fields;
        std::vector<bool> computed;
        std::vector<RowLookup> lookups;
        std::map<size_t, RowText> written;
        // The size of the last answer: the next one is written into room of that size instead of
        // growing by doubling, each step copying megabytes into freshly faulted pages.
        mutable std::atomic<size_t> lastSize{0};
    };
    // Built once per statement and engine; the cache of prepared statements keys on the text.
    static std::mutex mutex;
    static std::map<std::pair<QString, bool>, Built> built;
    const Built* packet = nullptr;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        Built& entry = built[{select + orderBy, postgres}];
        if (entry.sql.isEmpty()) {
            const QStringList exprs = SelectList(select);
            if (static_cast<size_t>(exprs.size()) != defs.size()) throw std::logic_error("packet: columns and fields differ");
            QStringList cells;
            entry.computed.assign(defs.size(), false);
            for (size_t i = 0; i < defs.size(); ++i) {
                const auto c = computed.find(i);
                entry.computed[i] = c != computed.end();
                cells << (entry.computed[i] ? c->second : postgres ? Cell(exprs[qsizetype(i)], defs[i]) : exprs[qsizetype(i)]);
            }
            QString from = FromOn(select);
            if (!postgres) {
                int extra = int(defs.size());
                for (const NameJoin& join : lookups) {
                    RowLookup lookup;
                    QStringList columns, where;
                    const QString prefix = join.alias + QLatin1Char('.');
                    for (size_t i = 0; i < defs.size(); ++i) {
                        if (entry.computed[i] || !exprs[qsizetype(i)].startsWith(prefix)) continue;
                        columns << exprs[qsizetype(i)].mid(prefix.size());
                        lookup.packetColumns.push_back(i);
                        cells[qsizetype(i)] = QStringLiteral("NULL");
                    }
                    for (size_t k = 0; k < join.on.size(); ++k) {
                        where << QStringLiteral("%1 = ?%2").arg(join.on[k].first).arg(k + 1);
                        cells << join.on[k].second;
                        lookup.keyColumns.push_back(extra++);
                    }
                    lookup.sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                                     .arg(columns.join(QStringLiteral(", ")), join.table, where.join(QStringLiteral(" AND ")));
                    from = WithoutJoin(from, join.table, join.alias);
                    entry.lookups.push_back(std::move(lookup));
                }
                for (const auto& [column, text] : written) {
                    for (const RowLookup& lookup : entry.lookups)
                        for (const size_t c : text.from)
                            if (std::count(lookup.packetColumns.begin(), lookup.packetColumns.end(), c))
                                throw std::logic_error("packet: a written column reads a looked-up one");
                    cells[qsizetype(column)] = QStringLiteral("NULL");
                    entry.written.emplace(column, text);
                }
            }
            entry.sql = QStringLiteral("SELECT %1%2 ORDER BY %3").arg(cells.join(QStringLiteral(", ")), from, orderBy);
            entry.fields = orv::FieldDefsToJson(defs).dump();
        }
        packet = &entry;
    }
    std::string out;
    out.reserve(packet->lastSize.load(std::memory_order_relaxed) + 64);
    out.append(R"({"fields":)").append(packet->fields).append(R"(,"rows":)");
    if (postgres) {
        Query q = Exec(db_, packet->sql, binds);
        WriteRows(q, defs, out);
    } else {
        AppendSqliteRows(db_, packet->sql, binds, defs, packet->computed, packet->lookups, packet->written, out);
    }
    out += '}';
    packet->lastSize.store(out.size(), std::memory_order_relaxed);
    return out;
}

bool Repository::IsPostgres() const { return orv::EngineOf(db_) == orv::DbEngine::PostgreSQL; }

// --- reads ------------------------------------------------------------------------------------

namespace {
const std::vector<FieldDef> kAssetDefs = {S("CDPATRIBEMATIVO", 20), S("CDBEMATIVO", 15), S("NMBEMATIVO", 40),
                                          F("VRAQUIBEMATIVO"),       S("CDFILIAL", 4),    F("QTMESDEPBEM"),
                                          F("VRINIDEPBEM"),          F("QTATUABEMATIVO"), S("CDSETOR", 4),
                                          S("CDCENTCUST", 4),        F("VRTAXANODEPBEM")};
const QString kAssetSelect = QStringLiteral(
    "SELECT CDPATRIBEMATIVO, CDBEMATIVO, NMBEMATIVO, VRAQUIBEMATIVO, CDFILIAL,"
    "       QTMESDEPBEM, VRINIDEPBEM, QTATUABEMATIVO, CDSETOR, CDCENTCUST, VRTAXANODEPBEM"
    "  FROM BEMATIVO"
    " WHERE CDEMPRESA = :E AND (:ALL = 'T' OR CDPATRIBEMATIVO = :P)");
const QString kAssetOrder = QStringLiteral("CDPATRIBEMATIVO, CDBEMATIVO");
}  // namespace

std::string Repository::AssetsText(const QString& empresa, const QString& patrimonio, bool all) {
    return PacketText(kAssetDefs, kAssetSelect, kAssetOrder,
                      {{":E", empresa}, {":ALL", all ? QStringLiteral("T") : QStringLiteral("N")}, {":P", patrimonio}});
}

orv::Packet Repository::CurrentLocation(const QString& bem) {
    static const std::vector<FieldDef> defs = {S("CDFILIAL", 4), S("NMFILIAL", 30),   S("CDCENTCUST", 4), S("NMCENTCUST", 40),
                                               S("CDSETOR", 4),  S("NMSETOR", 30),    S("CDOPERADOR", 12), S("NMOPERADOR", 40)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT B.CDFILIAL, F.NMFILIAL, B.CDCENTCUST, C.NMCENTCUST, B.CDSETOR, S.NMSETOR,"
                                      "       B.CDOPERESPBEM, O.NMOPERADOR"
                                      "  FROM BEMATIVO B"
                                      "  LEFT JOIN FILIAL F ON (F.CDFILIAL = B.CDFILIAL)"
                                      "  LEFT JOIN CENTCUST C ON (C.CDCENTCUST = B.CDCENTCUST)"
                                      "  LEFT JOIN SETOR S ON (S.CDSETOR = B.CDSETOR)"
                                      "  LEFT JOIN OPERADOR O ON (O.CDOPERADOR = B.CDOPERESPBEM)"
                                      " WHERE B.CDBEMATIVO = :B AND B.CDFILIAL IS NOT NULL"),
                       {{":B", bem}});
    return ToPacket(q, defs);
}

QString Repository::TransfersSql() {
    return kTransferSelect + QStringLiteral(" WHERE I.CDEMPRESA = :E AND I.CDBEMATIVO = :B ORDER BY I.NRSEQOPERABEM");
}

std::string Repository::TransfersText(const QString& empresa, const QString& bem) {
    static const std::vector<FieldDef> defs = contracts::TransferRecordFields();
    static const QString select = kTransferSelect + QStringLiteral(" WHERE I.CDEMPRESA = :E AND I.CDBEMATIVO = :B");
    // The navigator caption: "Nº 0000000012 - 15/11/2026 - Transferência entre filiais", at most 63.
    auto caption = [](bool postgres) {
        const int number = defs[3].EffectiveSize(), type = defs[5].EffectiveSize();
        const QString date = postgres ? QStringLiteral("COALESCE(to_char(C.DTCAPAOPEBEM, 'DD/MM/YYYY'), '')")
                                      : QStringLiteral("CASE WHEN length(C.DTCAPAOPEBEM) >= 10 THEN substr(C.DTCAPAOPEBEM, 9, 2)"
                                                       " || '/' || substr(C.DTCAPAOPEBEM, 6, 2) || '/' ||"
                                                       " substr(C.DTCAPAOPEBEM, 1, 4) ELSE '' END");
        const QString full = QStringLiteral("('Nº ' || COALESCE(substr(C.NRSEQCAPAOPEBEM, 1, %1), '') || ' - ' || %2 || ' - ' ||"
                                            " COALESCE(substr(T.NMTIPOOPERBEM, 1, %3), ''))")
                                 .arg(number)
                                 .arg(date)
                                 .arg(type);
        // A long type name is cut where the field ends, and says so.
        return QStringLiteral("CASE WHEN length(%1) > 63 THEN substr(%1, 1, 62) || '…' ELSE %1 END").arg(full);
    };
    static const auto indexOf = [](const char* name) {
        for (size_t i = 0; i < defs.size(); ++i)
            if (defs[i].name == QLatin1String(name)) return i;
        throw std::logic_error("transfer record without its column");
    };
    static const size_t captionIndex = indexOf("CAPADBTNOME");
    // The same operators, motive, asset and client on row after row.
    static const std::vector<NameJoin> lookups = {
        {QStringLiteral("MOTIVOOPER"), QStringLiteral("M"),
         {{QStringLiteral("CDEMPRESA"), QStringLiteral("C.CDEMPRESA")},
          {QStringLiteral("CDTIPOOPERBEM"), QStringLiteral("C.CDTIPOOPERBEM")},
          {QStringLiteral("CDMOTIVOOPER"), QStringLiteral("C.CDMOTIVOOPER")}}},
        {QStringLiteral("OPERADOR"), QStringLiteral("OI"), {{QStringLiteral("CDOPERADOR"), QStringLiteral("C.CDOPEINCCAPA")}}},
        {QStringLiteral("OPERADOR"), QStringLiteral("OA"), {{QStringLiteral("CDOPERADOR"), QStringLiteral("C.CDOPEATUCAPA")}}},
        {QStringLiteral("OPERADOR"), QStringLiteral("OP"), {{QStringLiteral("CDOPERADOR"), QStringLiteral("C.CDOPERESPOPERA")}}},
        {QStringLiteral("BEMATIVO"), QStringLiteral("B"), {{QStringLiteral("CDBEMATIVO"), QStringLiteral("I.CDBEMATIVO")}}},
        {QStringLiteral("CLIENTE"), QStringLiteral("CL"), {{QStringLiteral("CDCLIENTE"), QStringLiteral("C.CDCLIENTE")}}},
    };
    // On SQLite the same caption is put together from the row's cells (a fifth of the list's time
    // went on the expression above).
    static const RowText written{
        {indexOf("NRSEQCAPAOPEBEM"), indexOf("DTCAPAOPEBEM"), indexOf("NMTIPOOPERBEM")},
        [](const std::vector<std::optional<std::string_view>>& t, std::string& out) {
            static const size_t number = size_t(defs[indexOf("NRSEQCAPAOPEBEM")].EffectiveSize());
            static const size_t type = size_t(defs[indexOf("NMTIPOOPERBEM")].EffectiveSize());
            std::string text = "Nº ";
            if (t[0]) text += Substr(*t[0], 1, number);
            text += " - ";
            if (t[1] && Length(*t[1]) >= 10)
                text.append(Substr(*t[1], 9, 2)).append("/").append(Substr(*t[1], 6, 2)).append("/").append(Substr(*t[1], 1, 4));
            text += " - ";
            if (t[2]) text += Substr(*t[2], 1, type);
            if (Length(text) > 63) text = std::string(Substr(text, 1, 62)) + "…";
            AppendJsonString(text.data(), text.size(), out);
        }};
    return PacketText(defs, select, QStringLiteral("I.NRSEQOPERABEM"), {{":E", empresa}, {":B", bem}},
                      {{captionIndex, caption(IsPostgres())}}, lookups, {{captionIndex, written}});
}

orv::Packet Repository::LastOperation(const QString& empresa, const QString& bem) {
    static const std::vector<FieldDef> defs = {D("DTCAPAOPEBEM"), S("NRSEQITCAPAOPE", 10)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT C.DTCAPAOPEBEM, I.NRSEQITCAPAOPE"
                                      "  FROM ITCAPAOPERABEM I"
                                      "  JOIN CAPAOPERABEM C ON (C.CDEMPRESA = I.CDEMPRESA AND C.NRSEQCAPAOPEBEM = I.NRSEQCAPAOPEBEM)"
                                      " WHERE I.CDEMPRESA = :E AND I.CDBEMATIVO = :B"
                                      " ORDER BY I.NRSEQOPERABEM DESC LIMIT 1"),
                       {{":E", empresa}, {":B", bem}});
    return ToPacket(q, defs);
}

orv::Packet Repository::LastDepreciation(const QString& empresa, const QString& bem) {
    static const std::vector<FieldDef> defs = {D("DTULTDEPBEM")};
    Query q = Exec(db_, QStringLiteral("SELECT DTULTDEPBEM FROM BEMATIVO WHERE CDEMPRESA = :E AND CDBEMATIVO = :B"),
                       {{":E", empresa}, {":B", bem}});
    return ToPacket(q, defs);
}

orv::Packet Repository::LastTransferNumbers(const QString& empresa, const QString& bem) {
    static const std::vector<FieldDef> defs = {S("NRSEQCAPAOPEBEM", 10), S("NRSEQITCAPAOPE", 10)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT NRSEQCAPAOPEBEM, NRSEQITCAPAOPE FROM ITCAPAOPERABEM"
                                      " WHERE CDEMPRESA = :E AND CDBEMATIVO = :B"
                                      " ORDER BY NRSEQOPERABEM DESC LIMIT 1"),
                       {{":E", empresa}, {":B", bem}});
    return ToPacket(q, defs);
}

namespace {
const std::vector<FieldDef>& RateioDefs(int branchSize) {
    static const std::vector<FieldDef> wide = {S("CDEMPRESA", 2),  S("IDSIMULOPERABEM", 1), S("NRSEQCAPAOPEBEM", 10),
                                               S("NRSEQITCAPAOPE", 10), S("CDBEMATIVO", 10), S("CDFILICCUST", 8),
                                               S("CDCENTCUSBEM", 4), F("VRRATEBEM"), S("NMCENTCUST", 40), S("NMFILIAL", 30)};
    static const std::vector<FieldDef> narrow = [] {
        auto d = wide;
        d[5].size = 4;
        return d;
    }();
    return branchSize == 8 ? wide : narrow;
}
const QString kRateioSelect = QStringLiteral(
    "SELECT R.CDEMPRESA, R.IDSIMULOPERABEM, R.NRSEQCAPAOPEBEM, R.NRSEQITCAPAOPE, R.CDBEMATIVO, R.CDFILICCUST,"
    "       R.CDCENTCUSBEM, R.VRRATEBEM, C.NMCENTCUST, F.NMFILIAL"
    "  FROM RATEIOITCAPA R"
    "  LEFT JOIN CENTCUST C ON (C.CDCENTCUST = R.CDCENTCUSBEM)"
    "  LEFT JOIN FILIAL F ON (F.CDFILIAL = SUBSTR(R.CDFILICCUST, 1, 4))");  // branch (4) + cost centre (4)
}  // namespace

orv::Packet Repository::Apportionment(const QString& empresa, const QString& bem, const QString& capa, const QString& item) {
    Query q = Exec(db_, kRateioSelect + QStringLiteral(" WHERE R.CDEMPRESA = :E AND R.CDBEMATIVO = :B"
                                                            "   AND R.NRSEQCAPAOPEBEM = :C AND R.NRSEQITCAPAOPE = :I"
                                                            " ORDER BY R.CDFILICCUST, R.CDCENTCUSBEM"),
                       {{":E", empresa}, {":B", bem}, {":C", capa}, {":I", item}});
    return ToPacket(q, RateioDefs(8));
}

orv::Packet Repository::ApportionmentPair(const QString& bem, const QString& empresa, const QString& filial,
                                          const QString& centCust, const QString& capa, const QString& item) {
    Query q = Exec(db_, kRateioSelect + QStringLiteral(" WHERE R.CDEMPRESA = :E AND R.CDBEMATIVO = :B"
                                                            "   AND R.NRSEQCAPAOPEBEM = :C AND R.NRSEQITCAPAOPE = :I"
                                                            "   AND R.CDFILICCUST = :F AND R.CDCENTCUSBEM = :CC"),
                       {{":E", empresa}, {":B", bem}, {":C", capa}, {":I", item}, {":F", filial}, {":CC", centCust}});
    return ToPacket(q, RateioDefs(4));
}

orv::Packet Repository::BranchesForApportionment(const QString& empresa, const QString& filial) {
    static const std::vector<FieldDef> defs = {S("CDFILIAL", 10), S("NMFILIAL", 45)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT CDFILIAL, NMFILIAL FROM FILIAL"
                                      " WHERE CDEMPRESA = :E AND (:ALL = 'T' OR CDFILIAL = :F) ORDER BY CDFILIAL"),
                       {{":E", empresa}, {":ALL", filial == QLatin1String("T") ? QStringLiteral("T") : QStringLiteral("N")},
                        {":F", filial}});
    return ToPacket(q, defs);
}

orv::Packet Repository::CostCentresForApportionment(const QString& centCust, const QString& filial) {
    static const std::vector<FieldDef> defs = {S("CDCENTCUST", 10), S("NMCENTCUST", 45)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT C.CDCENTCUST, C.NMCENTCUST FROM CENTCUST C"
                                      "  JOIN CENTCUSTFIL L ON (L.CDCENTCUST = C.CDCENTCUST)"
                                      " WHERE L.CDFILIAL = :F AND (:ALL = 'T' OR C.CDCENTCUST = :C)"
                                      " ORDER BY C.CDCENTCUST"),
                       {{":F", filial}, {":ALL", centCust == QLatin1String("T") ? QStringLiteral("T") : QStringLiteral("N")},
                        {":C", centCust}});
    return ToPacket(q, defs);
}

orv::Packet Repository::AccountingRows(const QString& empresa, const QString& bem) {
    static const std::vector<FieldDef> defs = {S("CDEMPRESA", 2),       S("CDBEMATIVO", 10),      S("CDTIPOCONTABEM", 6),
                                               S("CDHISTPADR", 4),      S("DSHISTPADR", 60),      S("CDCONTCTBLBEM", 20),
                                               S("CDOPEATUCTBLBEM", 12), D("DTULTATU"),           S("CDOPEINCCTBLBEM", 12),
                                               D("DTINCLUCTBLBEM"),     S("NMCONTCTBL", 40),      S("NMTIPOCONTABEM", 50)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT P.CDEMPRESA, P.CDBEMATIVO, P.CDTIPOCONTABEM, P.CDHISTPADR, H.DSHISTPADR,"
                                      "       P.CDCONTCTBLBEM, P.CDOPEATUCTBLBEM, P.DTULTATU, P.CDOPEINCCTBLBEM,"
                                      "       P.DTINCLUCTBLBEM, A.NMCONTCTBL, T.NMTIPOCONTABEM"
                                      "  FROM CTBLBEMATIVO P"
                                      "  LEFT JOIN HISTPADR H ON (H.CDHISTPADR = P.CDHISTPADR)"
                                      "  LEFT JOIN CONTCTBL A ON (A.CDCONTCTBL = P.CDCONTCTBLBEM)"
                                      "  LEFT JOIN TIPOCONTABEM T ON (T.CDEMPRESA = P.CDEMPRESA AND T.CDTIPOCONTABEM = P.CDTIPOCONTABEM)"
                                      " WHERE P.CDEMPRESA = :E AND P.CDBEMATIVO = :B ORDER BY P.CDTIPOCONTABEM"),
                       {{":E", empresa}, {":B", bem}});
    return ToPacket(q, defs);
}

orv::Packet Repository::AccountTypes(const QString& empresa) {
    static const std::vector<FieldDef> defs = {S("CDTIPOCONTABEM", 6), S("NMTIPOCONTABEM", 50)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT CDTIPOCONTABEM, NMTIPOCONTABEM FROM TIPOCONTABEM WHERE CDEMPRESA = :E"
                                      " ORDER BY CDTIPOCONTABEM"),
                       {{":E", empresa}});
    return ToPacket(q, defs);
}

orv::Packet Repository::Accounts(const QString& empresa) {
    static const std::vector<FieldDef> defs = {S("CDCONTCTBL", 20), S("CDCONTREDU", 20), S("NMCONTCTBL", 40)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT CDCONTCTBL, CDCONTREDU, NMCONTCTBL FROM CONTCTBL"
                                      " WHERE CDEMPRESA = :E OR CDEMPRESA IS NULL ORDER BY CDCONTCTBL"),
                       {{":E", empresa}});
    return ToPacket(q, defs);
}

// The type's own row, then one row per parameter row of the asset that already uses it: more
// than one row tells the screen the type is already registered for the asset.
orv::Packet Repository::AccountTypeCheck(const QString& empresa, const QString& tipo, const QString& bem) {
    static const std::vector<FieldDef> defs = {S("CDTIPOCONTABEM", 6), S("NMTIPOCONTABEM", 50)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT CDTIPOCONTABEM, NMTIPOCONTABEM FROM TIPOCONTABEM"
                                      " WHERE CDEMPRESA = :E AND CDTIPOCONTABEM = :T"
                                      " UNION ALL "
                                      "SELECT T.CDTIPOCONTABEM, T.NMTIPOCONTABEM FROM CTBLBEMATIVO P"
                                      "  JOIN TIPOCONTABEM T ON (T.CDEMPRESA = P.CDEMPRESA AND T.CDTIPOCONTABEM = P.CDTIPOCONTABEM)"
                                      " WHERE P.CDEMPRESA = :E AND P.CDBEMATIVO = :B AND P.CDTIPOCONTABEM = :T"),
                       {{":E", empresa}, {":T", tipo}, {":B", bem}});
    return ToPacket(q, defs);
}

orv::Packet Repository::AccountCheck(const QString& conta, const QString& empresa, const QString& bem) {
    static const std::vector<FieldDef> defs = {S("CDCONTCTBL", 20), S("CDCONTREDU", 20), S("NMCONTCTBL", 40)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT CDCONTCTBL, CDCONTREDU, NMCONTCTBL FROM CONTCTBL"
                                      " WHERE CDCONTCTBL = :C AND (CDEMPRESA = :E OR CDEMPRESA IS NULL)"
                                      " UNION ALL "
                                      "SELECT A.CDCONTCTBL, A.CDCONTREDU, A.NMCONTCTBL FROM CTBLBEMATIVO P"
                                      "  JOIN CONTCTBL A ON (A.CDCONTCTBL = P.CDCONTCTBLBEM)"
                                      " WHERE P.CDEMPRESA = :E AND P.CDBEMATIVO = :B AND P.CDCONTCTBLBEM = :C"),
                       {{":C", conta}, {":E", empresa}, {":B", bem}});
    return ToPacket(q, defs);
}

orv::Packet Repository::Series(const QString& filial, const QString& serie) {
    static const std::vector<FieldDef> defs = {S("CDSERIE", 5)};
    Query q = Exec(db_, QStringLiteral("SELECT CDSERIE FROM SERIENF WHERE CDFILIAL = :F AND CDSERIE = :S"),
                       {{":F", filial}, {":S", serie}});
    return ToPacket(q, defs);
}

// Invoices the previous branch issued to the new one, as its outgoing invoices: the receiver's
// entry of the same invoice ('E') is not offered. An empty branch or series does not filter.
orv::Packet Repository::Invoices(const QString& nota, const QString& filialNova, const QString& serie,
                                 const QString& filialAnte) {
    static const std::vector<FieldDef> defs = {S("NRLANCTONF", 20), S("NRNOTAFISC", 20), S("DESCRICAO", 15),
                                               D("DTENTRSAID"),     S("CDFILIRECE", 4),  S("CDFILIEMIT", 4),
                                               S("CDTIPOOPER", 2),  S("CDSERIE", 5),     S("IDENTRSAIDOP", 1),
                                               S("CDFILIAL", 4)};
    Query q = Exec(db_,
                       QStringLiteral("SELECT NRLANCTONF, NRNOTAFISC, DESCRICAO, DTENTRSAID, CDFILIRECE, CDFILIEMIT,"
                                      "       CDTIPOOPER, CDSERIE, IDENTRSAIDOP, CDFILIAL"
                                      "  FROM NOTAFISCAL"
                                      " WHERE IDENTRSAIDOP = 'S'"
                                      "   AND (:N = 'T' OR NRLANCTONF = :N)"
                                      "   AND (:FN = '' OR CDFILIRECE = :FN)"
                                      "   AND (:FA = '' OR CDFILIEMIT = :FA)"
                                      "   AND (:S = '' OR CDSERIE = :S)"
                                      " ORDER BY DTENTRSAID DESC, NRLANCTONF"),
                       {{":N", nota}, {":FN", filialNova}, {":FA", filialAnte}, {":S", serie}});
    return ToPacket(q, defs);
}

// --- sequences --------------------------------------------------------------------------------

qint64 Repository::ReserveNumbers(const QString& empresa, const QString& simulacao, const QString& name, qint64 count) {
    const Binds key = {{":E", empresa}, {":S", simulacao}, {":N", name}};
    auto take = [&] {
        Query q = Exec(db_,
                       QStringLiteral("UPDATE SEQUENCIA SET NRULTIMO = NRULTIMO + :K"
                                      " WHERE CDEMPRESA = :E AND IDSIMULOPERABEM = :S AND NMSEQUENCIA = :N"
                                      " RETURNING NRULTIMO"),
                       {{":K", count}, {":E", empresa}, {":S", simulacao}, {":N", name}});
        return q.next() ? q.value(0).toLongLong() : 0;
    };
    counters_.erase(empresa + QLatin1Char('|') + simulacao + QLatin1Char('|') + name);
    // The counter exists after its first number: one statement per block from then on.
    if (const qint64 n = take(); n > 0) return n;
    Exec(db_,
         QStringLiteral("INSERT INTO SEQUENCIA (CDEMPRESA, IDSIMULOPERABEM, NMSEQUENCIA, NRULTIMO)"
                        " VALUES (:E, :S, :N, 0) ON CONFLICT DO NOTHING"),
         key);
    if (const qint64 n = take(); n > 0) return n;
    throw std::runtime_error("contador de sequência não encontrado");
}

qint64 Repository::CurrentNumber(const QString& empresa, const QString& simulacao, const QString& name) {
    // Counters only grow: within one call the value read first still bounds what was handed out.
    const QString memo = empresa + QLatin1Char('|') + simulacao + QLatin1Char('|') + name;
    if (const auto it = counters_.find(memo); it != counters_.end()) return it->second;
    Query q = Exec(db_,
                   QStringLiteral("SELECT NRULTIMO FROM SEQUENCIA"
                                  " WHERE CDEMPRESA = :E AND IDSIMULOPERABEM = :S AND NMSEQUENCIA = :N"),
                   {{":E", empresa}, {":S", simulacao}, {":N", name}});
    const qint64 n = q.next() ? q.value(0).toLongLong() : 0;
    counters_.emplace(memo, n);
    return n;
}

// --- schema -----------------------------------------------------------------------------------

const std::map<QString, int>& Repository::ColumnSizes(const QString& table) {
    // Every connection of the process serves the same migrated schema, so one read per table does.
    static std::mutex mutex;
    static std::map<QString, std::map<QString, int>> cache;
    const std::lock_guard<std::mutex> lock(mutex);
    const QString key = table.toUpper();
    if (const auto it = cache.find(key); it != cache.end()) return it->second;
    std::map<QString, int> sizes;
    if (IsPostgres()) {
        Query q = Exec(db_,
                           QStringLiteral("SELECT column_name, character_maximum_length FROM information_schema.columns"
                                          " WHERE table_schema = current_schema() AND table_name = :T"
                                          "   AND character_maximum_length IS NOT NULL"),
                           {{":T", key.toLower()}});
        while (q.next()) sizes[q.value(0).toString().toUpper()] = q.value(1).toInt();
    } else {
        // SQLite keeps the declared type as written: "VARCHAR(12)".
        static const QRegularExpression declared(QStringLiteral("CHAR\\s*\\(\\s*(\\d+)\\s*\\)"),
                                                 QRegularExpression::CaseInsensitiveOption);
        Query q = Exec(db_, QStringLiteral("SELECT name, type FROM pragma_table_info(:T)"), {{":T", key}});
        while (q.next()) {
            const QRegularExpressionMatch m = declared.match(q.value(1).toString());
            if (m.hasMatch()) sizes[q.value(0).toString().toUpper()] = m.captured(1).toInt();
        }
    }
    if (sizes.empty()) throw std::runtime_error("tabela " + key.toStdString() + " sem colunas de texto no esquema");
    return cache.emplace(key, std::move(sizes)).first->second;
}

// --- transfers --------------------------------------------------------------------------------

std::optional<AssetRow> Repository::FindAsset(const QString& bem) { return ReadAsset(bem, false); }

std::optional<AssetRow> Repository::LockAsset(const QString& bem) { return ReadAsset(bem, true); }

std::optional<AssetRow> Repository::ReadAsset(const QString& bem, bool lock) {
    // SQLite writers are already serialised by BEGIN IMMEDIATE; PostgreSQL locks the row.
    Query q = Exec(db_,
                       QStringLiteral("SELECT CDEMPRESA, CDFILIAL, CDCENTCUST, CDSETOR, CDOPERESPBEM FROM BEMATIVO"
                                      " WHERE CDBEMATIVO = :B") +
                           (lock && IsPostgres() ? QStringLiteral(" FOR UPDATE") : QString()),
                       {{":B", bem}});
    if (!q.next()) return std::nullopt;
    return AssetRow{Text(q.value(0)), {Text(q.value(1)), Text(q.value(2)), Text(q.value(3)), Text(q.value(4))}};
}

namespace {

// Codes in groups of a fixed size, the last padded with its own last code, so that every group
// runs the same prepared statement ("IN (:K0, ..., :K63)").
constexpr int kGroup = 64;

// ":K0" ... ":K63", made once.
const QStringList& GroupNames() {
    static const QStringList names = [] {
        QStringList n;
        for (int i = 0; i < kGroup; ++i) n << QStringLiteral(":K%1").arg(i);
        return n;
    }();
    return names;
}

QString InList() { return QLatin1Char('(') + GroupNames().join(QStringLiteral(", ")) + QLatin1Char(')'); }

template <typename Each>
void InGroups(QSqlDatabase& db, const QString& sql, const std::set<QString>& codes, Each each) {
    const std::vector<QString> all(codes.begin(), codes.end());
    const QStringList& names = GroupNames();
    for (size_t from = 0; from < all.size(); from += kGroup) {
        Query q = Prepare(db, sql);
        for (int i = 0; i < kGroup; ++i) q.Raw().bindValue(names[i], all[std::min(all.size() - 1, from + size_t(i))]);
        q.Run();
        while (q.next()) each(q);
    }
}

}  // namespace

std::map<QString, AssetRow> Repository::LockAssets(const std::set<QString>& bens) {
    // PostgreSQL locks the rows in the order they are sorted, so batches cannot deadlock.
    static const QString base = QStringLiteral("SELECT CDBEMATIVO, CDEMPRESA, CDFILIAL, CDCENTCUST, CDSETOR, CDOPERESPBEM"
                                               "  FROM BEMATIVO WHERE CDBEMATIVO IN ") +
                                InList() + QStringLiteral(" ORDER BY CDBEMATIVO");
    std::map<QString, AssetRow> out;
    InGroups(db_, IsPostgres() ? base + QStringLiteral(" FOR UPDATE") : base, bens, [&](Query& q) {
        out[Text(q.value(0))] = AssetRow{Text(q.value(1)), {Text(q.value(2)), Text(q.value(3)), Text(q.value(4)), Text(q.value(5))}};
    });
    return out;
}

std::map<QString, QDate> Repository::LastTransferDates(const std::set<QString>& bens) {
    // One step down the asset's index per asset: a test against the maximum on every row of
    // the asset's history grew with the history.
    static const QString sql =
        QStringLiteral("SELECT B.CDBEMATIVO,"
                       "       (SELECT C.DTCAPAOPEBEM FROM ITCAPAOPERABEM I"
                       "          JOIN CAPAOPERABEM C ON (C.CDEMPRESA = I.CDEMPRESA AND C.NRSEQCAPAOPEBEM = I.NRSEQCAPAOPEBEM)"
                       "         WHERE I.CDBEMATIVO = B.CDBEMATIVO ORDER BY I.NRSEQOPERABEM DESC LIMIT 1)"
                       "  FROM BEMATIVO B WHERE B.CDBEMATIVO IN ") +
        InList();
    std::map<QString, QDate> out;
    InGroups(db_, sql, bens, [&](Query& q) {
        if (!q.value(1).isNull()) out[Text(q.value(0))] = ReadDateTime(q.value(1)).date();
    });
    return out;
}

std::optional<StoredTransfer> Repository::FindTransfer(const TransferKey& key) {
    Query q = Exec(db_, kStoredSelect + QStringLiteral(" WHERE I.CDEMPRESA = :E AND I.NRSEQCAPAOPEBEM = :C"
                                                            "   AND I.NRSEQITCAPAOPE = :I"),
                       {{":E", key.empresa}, {":C", key.nrSeqCapa}, {":I", key.nrSeqItem}});
    return ReadStored(q);
}

QDate Repository::LastTransferDate(const QString& bem) {
    static const QString sql = QStringLiteral(
        "SELECT C.DTCAPAOPEBEM FROM ITCAPAOPERABEM I"
        "  JOIN CAPAOPERABEM C ON (C.CDEMPRESA = I.CDEMPRESA AND C.NRSEQCAPAOPEBEM = I.NRSEQCAPAOPEBEM)"
        " WHERE I.CDBEMATIVO = :B ORDER BY I.NRSEQOPERABEM DESC LIMIT 1");
    Query q = Exec(db_, sql, {{":B", bem}});
    return q.next() ? ReadDateTime(q.value(0)).date() : QDate();
}

std::optional<StoredTransfer> Repository::LastTransfer(const QString& bem) {
    Query q = Exec(db_, kStoredSelect + QStringLiteral(" WHERE I.CDBEMATIVO = :B ORDER BY I.NRSEQOPERABEM DESC LIMIT 1"),
                       {{":B", bem}});
    return ReadStored(q);
}

std::optional<StoredTransfer> Repository::PreviousTransfer(const QString& bem, const QString& nrSeqOpera) {
    Query q = Exec(db_,
                       kStoredSelect + QStringLiteral(" WHERE I.CDBEMATIVO = :B AND I.NRSEQOPERABEM < :O"
                                                      " ORDER BY I.NRSEQOPERABEM DESC LIMIT 1"),
                       {{":B", bem}, {":O", nrSeqOpera}});
    return ReadStored(q);
}

bool Repository::HeaderExists(const QString& empresa, const QString& capa) {
    Query q = Exec(db_, QStringLiteral("SELECT 1 FROM CAPAOPERABEM WHERE CDEMPRESA = :E AND NRSEQCAPAOPEBEM = :C"),
                       {{":E", empresa}, {":C", capa}});
    return q.next();
}

std::optional<QString> Repository::BranchCompany(const QString& filial) {
    if (const auto it = branchCompany_.find(filial); it != branchCompany_.end()) return it->second;
    Query q = Exec(db_, QStringLiteral("SELECT CDEMPRESA FROM FILIAL WHERE CDFILIAL = :F"), {{":F", filial}});
    const std::optional<QString> company = q.next() ? std::optional<QString>(Text(q.value(0))) : std::nullopt;
    branchCompany_.emplace(filial, company);
    return company;
}

bool Repository::Remembered(const QString& key, const std::function<bool()>& read) {
    if (const auto it = exists_.find(key); it != exists_.end()) return it->second;
    const bool found = read();
    exists_.emplace(key, found);
    return found;
}

bool Repository::CostCentreOfBranch(const QString& filial, const QString& centCust) {
    return Remembered(QStringLiteral("CC|") + filial + QLatin1Char('|') + centCust, [&] {
        Query q = Exec(db_, QStringLiteral("SELECT 1 FROM CENTCUSTFIL WHERE CDFILIAL = :F AND CDCENTCUST = :C"),
                           {{":F", filial}, {":C", centCust}});
        return q.next();
    });
}

bool Repository::TransferTypeExists(const QString& empresa, const QString& tipo) {
    return Remembered(QStringLiteral("TO|") + empresa + QLatin1Char('|') + tipo, [&] {
        Query q = Exec(db_,
                           QStringLiteral("SELECT 1 FROM TIPOOPERBEM WHERE CDEMPRESA = :E AND CDTIPOOPERBEM = :T"
                                          " AND IDTIPOOPERBEM = '03'"),
                           {{":E", empresa}, {":T", tipo}});
        return q.next();
    });
}

bool Repository::MotiveExists(const QString& empresa, const QString& tipo, const QString& motivo) {
    return Remembered(QStringLiteral("MO|") + empresa + QLatin1Char('|') + tipo + QLatin1Char('|') + motivo, [&] {
        Query q = Exec(db_,
                           QStringLiteral("SELECT 1 FROM MOTIVOOPER WHERE CDEMPRESA = :E AND CDTIPOOPERBEM = :T"
                                          " AND CDMOTIVOOPER = :M"),
                           {{":E", empresa}, {":T", tipo}, {":M", motivo}});
        return q.next();
    });
}

bool Repository::OperatorExists(const QString& operador) {
    return Remembered(QStringLiteral("OP|") + operador, [&] {
        Query q = Exec(db_, QStringLiteral("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = :O"), {{":O", operador}});
        return q.next();
    });
}

bool Repository::ClientExists(const QString& cliente) {
    return Remembered(QStringLiteral("CL|") + cliente, [&] {
        Query q = Exec(db_, QStringLiteral("SELECT 1 FROM CLIENTE WHERE CDCLIENTE = :C"), {{":C", cliente}});
        return q.next();
    });
}

namespace {

struct RowReader {
    const orv::ParsedDelta& d;
    const orv::PacketRow& row;
    QVariant Get(const char* name) const {
        const int i = d.IndexOf(QString::fromLatin1(name));
        return i < 0 ? QVariant() : row[static_cast<size_t>(i)];
    }
    QVariant Str(const char* name) const {
        const QVariant v = Get(name);
        return v.isValid() && !v.toString().isEmpty() ? v : QVariant(QMetaType::fromType<QString>());
    }
    QVariant Num(const char* name) const {
        const QVariant v = Get(name);
        return v.isValid() ? v : QVariant(QMetaType::fromType<double>());
    }
};

}  // namespace

void Repository::InsertTransfer(const orv::ParsedDelta& d, const orv::PacketRow& row, const QString& nrSeqOpera,
                                const QDateTime& now) {
    const RowReader r{d, row};
    // No placeholder twice: for a repeated one Qt's SQLite driver matches every value to its name
    // again on each run, which cost more than a quarter of the two inserts.
    Exec(db_,
         QStringLiteral("INSERT INTO CAPAOPERABEM (CDEMPRESA, NRSEQCAPAOPEBEM, IDSITCAPAOPER, DTCAPAOPEBEM, CDTIPOOPERBEM,"
                        "  IDIDENTCAPAOPER, CDMOTIVOOPER, CDOPERESPOPERA, DTINCCAPAOPER, CDOPEINCCAPA, DTATUCAPAOPER,"
                        "  CDOPEATUCAPA, CDCLIENTE)"
                        " VALUES (:E, :C, :SIT, :DT, :TIPO, :ID, :MOT, :RESP, :NOWI, :OPI, :NOWA, :OPA, :CLI)"),
         {{":E", r.Str("CDEMPRESA")}, {":C", r.Str("NRSEQCAPAOPEBEM")}, {":SIT", r.Str("IDSITCAPAOPER")},
          {":DT", DateParam(r.Get("DTCAPAOPEBEM"))}, {":TIPO", r.Str("CDTIPOOPERBEM")},
          {":ID", r.Str("IDIDENTCAPAOPER")}, {":MOT", r.Str("CDMOTIVOOPER")}, {":RESP", r.Str("CDOPERESPOPERA")},
          {":NOWI", Stamp(now)}, {":OPI", r.Str("CDOPEINCCAPA")}, {":NOWA", Stamp(now)},
          {":OPA", r.Str("CDOPEATUCAPA")}, {":CLI", r.Str("CDCLIENTE")}});
    Exec(db_,
         QStringLiteral("INSERT INTO ITCAPAOPERABEM (CDEMPRESA, NRSEQCAPAOPEBEM, NRSEQITCAPAOPE, IDSIMULOPERABEM,"
                        "  NRSEQOPERABEM, CDBEMATIVO, QTITCAPAOPEANTE, QTITCAPAOPENOVO, CDFILIALITCANTE, CDCENTCUITCANTE,"
                        "  CDSETORITCANTE, CDOPERESPBEMANT, CDFILIALITCNOVO, CDCENTCUITCNOVO, CDSETORITCNOVO,"
                        "  CDOPERESPBEMNOV, VRITCAPAOPERA, QTMESDEPITCANTE, QTMESDEPITCNOVO, VRTAXDEPITCANTE,"
                        "  VRTAXDEPITCNOVO, DTINCITCAPAOPER, DTATUITCAPAOPER, CDOPEATUITCAPA, CDOPEINCITCAPA,"
                        "  CDSERIENFITCAPA, NRNOTAFIITCAPA)"
                        " VALUES (:E, :C, :I, 'R', :OPERA, :B, :QA, :QN, :FA, :CA, :SA, :OA, :FN, :CN, :SN, :ON, :VR,"
                        "  :MA, :MN, :TA, :TN, :NOWI, :NOWA, :OPA, :OPI, :SER, :NF)"),
         {{":E", r.Str("CDEMPRESA")}, {":C", r.Str("NRSEQCAPAOPEBEM")}, {":I", r.Str("NRSEQITCAPAOPE")},
          {":OPERA", nrSeqOpera}, {":B", r.Str("CDBEMATIVO")}, {":QA", r.Num("QTITCAPAOPEANTE")},
          {":QN", r.Num("QTITCAPAOPENOVO")}, {":FA", r.Str("CDFILIALITCANTE")}, {":CA", r.Str("CDCENTCUITCANTE")},
          {":SA", r.Str("CDSETORITCANTE")}, {":OA", r.Str("CDOPERESPBEMANT")}, {":FN", r.Str("CDFILIALITCNOVO")},
          {":CN", r.Str("CDCENTCUITCNOVO")}, {":SN", r.Str("CDSETORITCNOVO")}, {":ON", r.Str("CDOPERESPBEMNOV")},
          {":VR", r.Num("VRITCAPAOPERA")}, {":MA", r.Num("QTMESDEPITCANTE")}, {":MN", r.Num("QTMESDEPITCNOVO")},
          {":TA", r.Num("VRTAXDEPITCANTE")}, {":TN", r.Num("VRTAXDEPITCNOVO")}, {":NOWI", Stamp(now)},
          {":NOWA", Stamp(now)}, {":OPA", r.Str("CDOPEATUITCAPA")}, {":OPI", r.Str("CDOPEINCITCAPA")},
          {":SER", r.Str("CDSERIENFITCAPA")}, {":NF", r.Str("NRNOTAFIITCAPA")}});
}

void Repository::UpdateTransfer(const orv::ParsedDelta& d, const orv::PacketRow& row, const TransferKey& key,
                                const QDateTime& now) {
    const RowReader r{d, row};
    Exec(db_,
         QStringLiteral("UPDATE CAPAOPERABEM SET IDSITCAPAOPER = :SIT, DTCAPAOPEBEM = :DT, CDTIPOOPERBEM = :TIPO,"
                        "  IDIDENTCAPAOPER = :ID, CDMOTIVOOPER = :MOT, CDOPERESPOPERA = :RESP, DTATUCAPAOPER = :NOW,"
                        "  CDOPEATUCAPA = :OPA, CDCLIENTE = :CLI"
                        " WHERE CDEMPRESA = :E AND NRSEQCAPAOPEBEM = :C"),
         {{":SIT", r.Str("IDSITCAPAOPER")}, {":DT", DateParam(r.Get("DTCAPAOPEBEM"))}, {":TIPO", r.Str("CDTIPOOPERBEM")},
          {":ID", r.Str("IDIDENTCAPAOPER")}, {":MOT", r.Str("CDMOTIVOOPER")}, {":RESP", r.Str("CDOPERESPOPERA")},
          {":NOW", Stamp(now)}, {":OPA", r.Str("CDOPEATUCAPA")}, {":CLI", r.Str("CDCLIENTE")},
          {":E", key.empresa}, {":C", key.nrSeqCapa}});
    Exec(db_,
         // The previous location is never rewritten: it was the asset's when the transfer was
         // made, and undoing the transfer returns the asset there.
         QStringLiteral("UPDATE ITCAPAOPERABEM SET QTITCAPAOPEANTE = :QA, QTITCAPAOPENOVO = :QN, CDFILIALITCNOVO = :FN,"
                        "  CDCENTCUITCNOVO = :CN, CDSETORITCNOVO = :SN, CDOPERESPBEMNOV = :ON, VRITCAPAOPERA = :VR,"
                        "  QTMESDEPITCANTE = :MA, QTMESDEPITCNOVO = :MN, VRTAXDEPITCANTE = :TA, VRTAXDEPITCNOVO = :TN,"
                        "  DTATUITCAPAOPER = :NOW, CDOPEATUITCAPA = :OPA, CDSERIENFITCAPA = :SER, NRNOTAFIITCAPA = :NF"
                        " WHERE CDEMPRESA = :E AND NRSEQCAPAOPEBEM = :C AND NRSEQITCAPAOPE = :I"),
         {{":QA", r.Num("QTITCAPAOPEANTE")}, {":QN", r.Num("QTITCAPAOPENOVO")}, {":FN", r.Str("CDFILIALITCNOVO")}, {":CN", r.Str("CDCENTCUITCNOVO")}, {":SN", r.Str("CDSETORITCNOVO")},
          {":ON", r.Str("CDOPERESPBEMNOV")}, {":VR", r.Num("VRITCAPAOPERA")}, {":MA", r.Num("QTMESDEPITCANTE")},
          {":MN", r.Num("QTMESDEPITCNOVO")}, {":TA", r.Num("VRTAXDEPITCANTE")}, {":TN", r.Num("VRTAXDEPITCNOVO")},
          {":NOW", Stamp(now)}, {":OPA", r.Str("CDOPEATUITCAPA")}, {":SER", r.Str("CDSERIENFITCAPA")},
          {":NF", r.Str("NRNOTAFIITCAPA")}, {":E", key.empresa}, {":C", key.nrSeqCapa}, {":I", key.nrSeqItem}});
}

void Repository::DeleteTransfer(const TransferKey& key) {
    const Binds binds = {{":E", key.empresa}, {":C", key.nrSeqCapa}, {":I", key.nrSeqItem}};
    Exec(db_, QStringLiteral("DELETE FROM RATEIOITCAPA WHERE CDEMPRESA = :E AND NRSEQCAPAOPEBEM = :C AND NRSEQITCAPAOPE = :I"),
         binds);
    Exec(db_, QStringLiteral("DELETE FROM ITCAPAOPERABEM WHERE CDEMPRESA = :E AND NRSEQCAPAOPEBEM = :C AND NRSEQITCAPAOPE = :I"),
         binds);
    Exec(db_,
         QStringLiteral("DELETE FROM CAPAOPERABEM WHERE CDEMPRESA = :E AND NRSEQCAPAOPEBEM = :C"
                        "   AND NOT EXISTS (SELECT 1 FROM ITCAPAOPERABEM I"
                        "                    WHERE I.CDEMPRESA = :E AND I.NRSEQCAPAOPEBEM = :C)"),
         {{":E", key.empresa}, {":C", key.nrSeqCapa}});
}

void Repository::MoveAsset(const QString& bem, const Location& to) {
    Exec(db_,
         QStringLiteral("UPDATE BEMATIVO SET CDFILIAL = :F, CDCENTCUST = :C, CDSETOR = :S, CDOPERESPBEM = :O"
                        " WHERE CDBEMATIVO = :B"),
         {{":F", CodeOrNull(to.filial)}, {":C", CodeOrNull(to.centCust)}, {":S", CodeOrNull(to.setor)},
          {":O", CodeOrNull(to.oper)}, {":B", bem}});
}

// --- apportionment ----------------------------------------------------------------------------

bool Repository::ItemExists(const QString& empresa, const QString& capa, const QString& item) {
    Query q = Exec(db_,
                       QStringLiteral("SELECT 1 FROM ITCAPAOPERABEM WHERE CDEMPRESA = :E AND NRSEQCAPAOPEBEM = :C"
                                      " AND NRSEQITCAPAOPE = :I"),
                       {{":E", empresa}, {":C", capa}, {":I", item}});
    return q.next();
}

namespace {
const QString kRateioWhere = QStringLiteral(
    " WHERE CDEMPRESA = :E AND IDSIMULOPERABEM = :S AND NRSEQCAPAOPEBEM = :C AND NRSEQITCAPAOPE = :I"
    "   AND CDBEMATIVO = :B AND CDFILICCUST = :F AND CDCENTCUSBEM = :CC");
}

bool Repository::RateioExists(const RateioKey& k) {
    Query q = Exec(db_, QStringLiteral("SELECT 1 FROM RATEIOITCAPA") + kRateioWhere,
                       {{":E", k.empresa}, {":S", k.simulacao}, {":C", k.capa}, {":I", k.item}, {":B", k.bem},
                        {":F", k.filial}, {":CC", k.centCust}});
    return q.next();
}

void Repository::InsertRateio(const RateioKey& k, double valor) {
    Exec(db_,
         QStringLiteral("INSERT INTO RATEIOITCAPA (CDEMPRESA, IDSIMULOPERABEM, NRSEQCAPAOPEBEM, NRSEQITCAPAOPE, CDBEMATIVO,"
                        "  CDFILICCUST, CDCENTCUSBEM, VRRATEBEM) VALUES (:E, :S, :C, :I, :B, :F, :CC, :V)"),
         {{":E", k.empresa}, {":S", k.simulacao}, {":C", k.capa}, {":I", k.item}, {":B", k.bem}, {":F", k.filial},
          {":CC", k.centCust}, {":V", valor}});
}

void Repository::UpdateRateio(const RateioKey& old, const RateioKey& k, double valor) {
    Exec(db_,
         QStringLiteral("UPDATE RATEIOITCAPA SET CDFILICCUST = :NF, CDCENTCUSBEM = :NCC, VRRATEBEM = :V") + kRateioWhere,
         {{":NF", k.filial}, {":NCC", k.centCust}, {":V", valor}, {":E", old.empresa}, {":S", old.simulacao},
          {":C", old.capa}, {":I", old.item}, {":B", old.bem}, {":F", old.filial}, {":CC", old.centCust}});
}

int Repository::DeleteRateio(const RateioKey& k) {
    Query q = Exec(db_, QStringLiteral("DELETE FROM RATEIOITCAPA") + kRateioWhere,
                       {{":E", k.empresa}, {":S", k.simulacao}, {":C", k.capa}, {":I", k.item}, {":B", k.bem},
                        {":F", k.filial}, {":CC", k.centCust}});
    return q.numRowsAffected();
}

double Repository::RateioTotal(const QString& empresa, const QString& simulacao, const QString& capa, const QString& item) {
    // Summed here in double precision, as the screen sums its rows.
    Query q = Exec(db_,
                       QStringLiteral("SELECT VRRATEBEM FROM RATEIOITCAPA WHERE CDEMPRESA = :E AND IDSIMULOPERABEM = :S"
                                      " AND NRSEQCAPAOPEBEM = :C AND NRSEQITCAPAOPE = :I"),
                       {{":E", empresa}, {":S", simulacao}, {":C", capa}, {":I", item}});
    double total = 0;
    while (q.next()) total += q.value(0).toDouble();
    return total;
}

void Repository::ReplaceRateioBem(const QString& empresa, const QString& bem,
                                  const std::vector<std::pair<std::pair<QString, QString>, double>>& rows) {
    Exec(db_, QStringLiteral("DELETE FROM RATEIOBEM WHERE CDEMPRESA = :E AND CDBEMATIVO = :B"), {{":E", empresa}, {":B", bem}});
    for (const auto& [pair, valor] : rows)
        Exec(db_,
             QStringLiteral("INSERT INTO RATEIOBEM (CDEMPRESA, CDBEMATIVO, CDFILICCUST, CDCENTCUSBEM, VRRATEBEM)"
                            " VALUES (:E, :B, :F, :C, :V)"),
             {{":E", empresa}, {":B", bem}, {":F", pair.first}, {":C", pair.second}, {":V", valor}});
}

void Repository::RebuildRateioBem(const QString& bem) {
    Exec(db_, QStringLiteral("DELETE FROM RATEIOBEM WHERE CDBEMATIVO = :B"), {{":B", bem}});
    const auto last = LastTransfer(bem);
    if (!last) return;
    Exec(db_,
         QStringLiteral("INSERT INTO RATEIOBEM (CDEMPRESA, CDBEMATIVO, CDFILICCUST, CDCENTCUSBEM, VRRATEBEM)"
                        " SELECT CDEMPRESA, CDBEMATIVO, CDFILICCUST, CDCENTCUSBEM, VRRATEBEM FROM RATEIOITCAPA"
                        "  WHERE CDEMPRESA = :E AND IDSIMULOPERABEM = 'R' AND NRSEQCAPAOPEBEM = :C"
                        "    AND NRSEQITCAPAOPE = :I AND CDBEMATIVO = :B"),
         {{":E", last->key.empresa}, {":C", last->key.nrSeqCapa}, {":I", last->key.nrSeqItem}, {":B", bem}});
}

// --- accounting parameters --------------------------------------------------------------------

bool Repository::CtblExists(const CtblKey& k) {
    Query q = Exec(db_,
                       QStringLiteral("SELECT 1 FROM CTBLBEMATIVO WHERE CDEMPRESA = :E AND CDBEMATIVO = :B"
                                      " AND CDTIPOCONTABEM = :T"),
                       {{":E", k.empresa}, {":B", k.bem}, {":T", k.tipo}});
    return q.next();
}

bool Repository::AccountTypeExists(const QString& empresa, const QString& tipo) {
    Query q = Exec(db_, QStringLiteral("SELECT 1 FROM TIPOCONTABEM WHERE CDEMPRESA = :E AND CDTIPOCONTABEM = :T"),
                       {{":E", empresa}, {":T", tipo}});
    return q.next();
}

std::optional<QString> Repository::AccountCompany(const QString& conta) {
    Query q = Exec(db_, QStringLiteral("SELECT CDEMPRESA FROM CONTCTBL WHERE CDCONTCTBL = :C"), {{":C", conta}});
    if (!q.next()) return std::nullopt;
    return Text(q.value(0));
}

bool Repository::HistoryExists(const QString& historico) {
    Query q = Exec(db_, QStringLiteral("SELECT 1 FROM HISTPADR WHERE CDHISTPADR = :H"), {{":H", historico}});
    return q.next();
}

void Repository::InsertCtbl(const CtblKey& k, const QString& conta, const QString& historico, const QString& operador,
                            const QDateTime& now) {
    Exec(db_,
         QStringLiteral("INSERT INTO CTBLBEMATIVO (CDEMPRESA, CDBEMATIVO, CDTIPOCONTABEM, CDCONTCTBLBEM, CDHISTPADR,"
                        "  CDOPEATUCTBLBEM, DTULTATU, CDOPEINCCTBLBEM, DTINCLUCTBLBEM)"
                        " VALUES (:E, :B, :T, :C, :H, :OP, :NOW, :OP, :NOW)"),
         {{":E", k.empresa}, {":B", k.bem}, {":T", k.tipo}, {":C", conta}, {":H", historico},
          {":OP", CodeOrNull(operador)}, {":NOW", Stamp(now)}});
}

void Repository::UpdateCtbl(const CtblKey& old, const CtblKey& k, const QString& conta, const QString& historico,
                            const QString& operador, const QDateTime& now) {
    Exec(db_,
         QStringLiteral("UPDATE CTBLBEMATIVO SET CDTIPOCONTABEM = :NT, CDCONTCTBLBEM = :C, CDHISTPADR = :H,"
                        "  CDOPEATUCTBLBEM = :OP, DTULTATU = :NOW"
                        " WHERE CDEMPRESA = :E AND CDBEMATIVO = :B AND CDTIPOCONTABEM = :T"),
         {{":NT", k.tipo}, {":C", conta}, {":H", historico}, {":OP", CodeOrNull(operador)},
          {":NOW", Stamp(now)}, {":E", old.empresa}, {":B", old.bem}, {":T", old.tipo}});
}

int Repository::DeleteCtbl(const CtblKey& k) {
    Query q = Exec(db_,
                       QStringLiteral("DELETE FROM CTBLBEMATIVO WHERE CDEMPRESA = :E AND CDBEMATIVO = :B"
                                      " AND CDTIPOCONTABEM = :T"),
                       {{":E", k.empresa}, {":B", k.bem}, {":T", k.tipo}});
    return q.numRowsAffected();
}

}  // namespace server
