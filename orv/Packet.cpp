#include "orv/Packet.h"

#include <cstdint>
#include <stdexcept>

namespace orv {

namespace {

[[noreturn]] void Malformed(const std::string& what) { throw std::invalid_argument("malformed packet: " + what); }

int IndexIn(const std::vector<FieldDef>& fields, const QString& name) {
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

// The texts of the row read before and what they became, by column: rows repeat their company,
// dates and codes, and an equal text then shares the value read before instead of its own copy.
struct LastTexts {
    explicit LastTexts(size_t columns) : text(columns, nullptr), value(columns) {}
    std::vector<const std::string*> text;
    std::vector<QVariant> value;
};

PacketRow RowFromJson(const nlohmann::json& row, const std::vector<FieldDef>& fields, LastTexts& last) {
    if (!row.is_array() || row.size() != fields.size()) Malformed("row size differs from the field list");
    PacketRow out;
    out.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const nlohmann::json& cell = row[i];
        if (!cell.is_string()) {
            out.push_back(ValueFromJson(cell, fields[i].type));
            continue;
        }
        const std::string& text = cell.get_ref<const std::string&>();
        if (!last.text[i] || *last.text[i] != text) {
            last.value[i] = ValueFromJson(cell, fields[i].type);
            last.text[i] = &text;
        }
        out.push_back(last.value[i]);
    }
    return out;
}

}  // namespace

QString DateTimeToWire(const QDateTime& value) {
    return value.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QDateTime WallClock(const QDate& date, const QTime& time) {
    if (!date.isValid()) return {};
    return QDateTime(date, time.isValid() ? time : QTime(0, 0), Qt::UTC);
}

QDateTime WallClock(const QDateTime& value) {
    if (value.timeSpec() == Qt::UTC) return value;
    return WallClock(value.date(), value.time());
}

namespace {

// Parsing in UTC never meets a skipped hour; the text is the wall clock.
QDateTime ParseWall(const QString& text, const QString& format) {
    QDateTime dt = QDateTime::fromString(text, format);
    dt.setTimeSpec(Qt::UTC);
    return dt;
}

}  // namespace

namespace {

// "2026-11-15" or "2026-11-15T10:30:00" read digit by digit: QDateTime::fromString with a
// format costs microseconds, and this runs for every date of every packet and stored row.
QDateTime FastWire(const QString& text) {
    const qsizetype n = text.size();
    if (n != 10 && !(n == 19 && text[10] == QLatin1Char('T'))) return {};
    auto num = [&](int from, int count, int& out) {
        out = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9') return false;
            out = out * 10 + (c - u'0');
        }
        return true;
    };
    int y, mo, d, h = 0, mi = 0, s = 0;
    if (text[4] != QLatin1Char('-') || text[7] != QLatin1Char('-') || !num(0, 4, y) || !num(5, 2, mo) || !num(8, 2, d))
        return {};
    if (n == 19 && (text[13] != QLatin1Char(':') || text[16] != QLatin1Char(':') || !num(11, 2, h) || !num(14, 2, mi) ||
                    !num(17, 2, s)))
        return {};
    if (!QDate::isValid(y, mo, d) || !QTime::isValid(h, mi, s)) return {};
    return WallClock(QDate(y, mo, d), QTime(h, mi, s));
}

}  // namespace

QDateTime DateTimeFromWire(const QString& text) {
    if (const QDateTime fast = FastWire(text); fast.isValid()) return fast;
    // The usual shapes first, picked by length.
    if (text.size() == 19 && text[10] == QLatin1Char('T')) {
        const QDateTime dt = ParseWall(text, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        if (dt.isValid()) return dt;
    }
    if (text.size() == 10) {
        const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid()) return WallClock(d);
    }
    QDateTime dt = ParseWall(text, QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    if (!dt.isValid()) dt = ParseWall(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return dt;
}

nlohmann::json ValueToJson(const QVariant& value, FieldType type) {
    if (!value.isValid()) return nullptr;
    switch (type) {
    case FieldType::String: return value.toString().toStdString();
    case FieldType::Float: return value.toDouble();
    case FieldType::DateTime: return DateTimeToWire(value.toDateTime()).toStdString();
    }
    return nullptr;
}

QVariant ValueFromJson(const nlohmann::json& value, FieldType type) {
    if (value.is_null()) return QVariant();
    switch (type) {
    case FieldType::String:
        // By reference: no copy of the text on its way to QString.
        if (value.is_string()) return QString::fromStdString(value.get_ref<const std::string&>());
        if (value.is_number()) return QString::fromStdString(value.dump());
        Malformed("string expected");
    case FieldType::Float:
        if (value.is_number()) return value.get<double>();
        Malformed("number expected");
    case FieldType::DateTime: {
        if (!value.is_string()) Malformed("date expected");
        const std::string& text = value.get_ref<const std::string&>();
        const QDateTime dt = DateTimeFromWire(QString::fromStdString(text));
        if (!dt.isValid()) Malformed("invalid date " + text);
        return dt;
    }
    }
    return QVariant();
}

nlohmann::json FieldDefsToJson(const std::vector<FieldDef>& defs) {
    nlohmann::json out = nlohmann::json::array();
    for (const FieldDef& def : defs) {
        nlohmann::json f = {{"name", def.name.toStdString()}, {"type", FieldTypeName(def.type).toStdString()}};
        if (def.type == FieldType::String) f["size"] = def.EffectiveSize();
        out.push_back(std::move(f));
    }
    return out;
}

std::vector<FieldDef> FieldDefsFromJson(const nlohmann::json& fields) {
    if (!fields.is_array()) Malformed("fields must be an array");
    std::vector<FieldDef> defs;
    for (const auto& f : fields) {
        if (!f.is_object() || !f.contains("name") || !f["name"].is_string()) Malformed("field without a name");
        FieldDef def;
        def.name = QString::fromStdString(f["name"].get<std::string>());
        if (f.contains("type") && !f["type"].is_string()) Malformed("field type must be a string");
        try {
            def.type = FieldTypeFromName(QString::fromStdString(f.value("type", std::string("string"))));
        } catch (const std::invalid_argument& e) {
            Malformed(e.what());
        }
        if (f.contains("size") && f["size"].is_number_integer()) def.size = f["size"].get<int>();
        defs.push_back(std::move(def));
    }
    return defs;
}

Packet MakePacket(const std::vector<FieldDef>& defs, const std::vector<PacketRow>& rows) {
    nlohmann::json jrows = nlohmann::json::array();
    for (const PacketRow& row : rows) {
        nlohmann::json r = nlohmann::json::array();
        for (size_t i = 0; i < defs.size(); ++i)
            r.push_back(ValueToJson(i < row.size() ? row[i] : QVariant(), defs[i].type));
        jrows.push_back(std::move(r));
    }
    return {{"fields", FieldDefsToJson(defs)}, {"rows", std::move(jrows)}};
}

namespace {
// "P": what no binary value of the wire carries (packets and deltas have none).
constexpr std::uint8_t kPacketTextSubtype = 0x50;
}  // namespace

bool IsPacketText(const Packet& packet) {
    return packet.is_binary() && packet.get_binary().has_subtype() && packet.get_binary().subtype() == kPacketTextSubtype;
}

Packet PacketFromText(std::string_view text) {
    return Packet::binary(Packet::binary_t::container_type(text.begin(), text.end()), kPacketTextSubtype);
}

Packet PacketFromBytes(std::vector<std::uint8_t>&& text) { return Packet::binary(std::move(text), kPacketTextSubtype); }

std::string_view PacketTextOf(const Packet& packet) {
    const auto& bytes = packet.get_binary();
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

Packet ExpandPacketText(const Packet& packet) {
    try {
        return Packet::parse(PacketTextOf(packet));
    } catch (const Packet::parse_error& e) {
        Malformed(e.what());
    }
}

int ParsedPacket::IndexOf(const QString& name) const { return IndexIn(fields, name); }
int ParsedDelta::IndexOf(const QString& name) const {
    if (const auto it = byName.constFind(name); it != byName.cend()) return *it;
    return IndexIn(fields, name);
}

ParsedPacket ParsePacket(const Packet& packet) {
    if (IsPacketText(packet)) return ParsePacket(ExpandPacketText(packet));
    if (!packet.is_object() || !packet.contains("fields") || !packet.contains("rows")) Malformed("fields and rows expected");
    ParsedPacket out;
    out.fields = FieldDefsFromJson(packet["fields"]);
    const auto& rows = packet["rows"];
    if (!rows.is_array()) Malformed("rows must be an array");
    out.rows.reserve(rows.size());
    LastTexts last(out.fields.size());
    for (const auto& row : rows) out.rows.push_back(RowFromJson(row, out.fields, last));
    return out;
}

ParsedDelta ParseDelta(const Packet& delta) {
    ParsedDelta out;
    if (delta.is_null()) return out;
    if (!delta.is_object() || !delta.contains("fields") || !delta.contains("changes")) Malformed("fields and changes expected");
    out.fields = FieldDefsFromJson(delta["fields"]);
    // Only where the case-insensitive search would find the same column.
    for (size_t i = 0; i < out.fields.size(); ++i)
        if (IndexIn(out.fields, out.fields[i].name) == static_cast<int>(i)) out.byName.insert(out.fields[i].name, int(i));
    const auto& changes = delta["changes"];
    if (!changes.is_array()) Malformed("changes must be an array");
    out.changes.reserve(changes.size());
    LastTexts last(out.fields.size());
    for (const auto& c : changes) {
        if (!c.is_object() || !c.contains("op") || !c["op"].is_string()) Malformed("change without op");
        const std::string op = c["op"].get<std::string>();
        DeltaChange change;
        if (op == "insert") {
            change.op = DeltaChange::Insert;
            if (!c.contains("new")) Malformed("insert without new");
            change.newRow = RowFromJson(c["new"], out.fields, last);
        } else if (op == "update") {
            change.op = DeltaChange::Update;
            if (!c.contains("old") || !c.contains("new")) Malformed("update without old and new");
            change.oldRow = RowFromJson(c["old"], out.fields, last);
            change.newRow = RowFromJson(c["new"], out.fields, last);
        } else if (op == "delete") {
            change.op = DeltaChange::Delete;
            if (!c.contains("old")) Malformed("delete without old");
            change.oldRow = RowFromJson(c["old"], out.fields, last);
        } else {
            Malformed("unknown op " + op);
        }
        out.changes.push_back(std::move(change));
    }
    return out;
}

}  // namespace orv
