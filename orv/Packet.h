#pragma once

#include "orv/Field.h"

#include <QHash>
#include <QVariant>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string_view>
#include <vector>

namespace orv {

// Data packets and deltas travel as JSON (see docs/wire-format.md).
using Packet = nlohmann::json;

// JSON <-> field value. Dates are local time without zone, "2026-11-15T00:00:00"; a reader
// also accepts "2026-11-15". Null is JSON null.
nlohmann::json ValueToJson(const QVariant& value, FieldType type);
QVariant ValueFromJson(const nlohmann::json& value, FieldType type);
QString DateTimeToWire(const QDateTime& value);
QDateTime DateTimeFromWire(const QString& text);

// Dates and times of the data model are calendar values read off the wall, with no zone. They
// are carried in UTC so that no day lacks its midnight where the local clock skips an hour
// (2018-11-04 in São Paulo): a local midnight that does not exist would make the date invalid.
QDateTime WallClock(const QDate& date, const QTime& time = QTime(0, 0));
// The same date and time as read on the wall, whatever the value's zone.
QDateTime WallClock(const QDateTime& value);

// A packet kept in the text the server wrote (see PacketsAsText), for a data set to read with no
// document in between. ParsePacket and TDataSet::SetData take it as they take the document.
bool IsPacketText(const Packet& packet);
Packet PacketFromText(std::string_view text);
Packet PacketFromBytes(std::vector<std::uint8_t>&& text);
std::string_view PacketTextOf(const Packet& packet);
// Its document; std::invalid_argument when the text is not JSON.
Packet ExpandPacketText(const Packet& packet);

nlohmann::json FieldDefsToJson(const std::vector<FieldDef>& defs);
std::vector<FieldDef> FieldDefsFromJson(const nlohmann::json& fields);

using PacketRow = std::vector<QVariant>;

// Builds a packet from field definitions and rows (the server's way to answer a read).
Packet MakePacket(const std::vector<FieldDef>& defs, const std::vector<PacketRow>& rows);

// A packet read back into typed rows. Throws std::invalid_argument on a malformed packet.
struct ParsedPacket {
    std::vector<FieldDef> fields;
    std::vector<PacketRow> rows;
    int IndexOf(const QString& name) const;  // case-insensitive; -1 when absent
};
ParsedPacket ParsePacket(const Packet& packet);

// A delta read back into typed changes. Null parses as no change at all.
struct DeltaChange {
    enum Op { Insert, Update, Delete };
    Op op;
    PacketRow oldRow;  // update, delete
    PacketRow newRow;  // insert, update
};
struct ParsedDelta {
    std::vector<FieldDef> fields;
    std::vector<DeltaChange> changes;
    int IndexOf(const QString& name) const;  // case-insensitive; -1 when absent
    QHash<QString, int> byName;               // exact names, filled by ParseDelta: rules read many fields per row
};
ParsedDelta ParseDelta(const Packet& delta);

}  // namespace orv
