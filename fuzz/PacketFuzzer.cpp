// Packets as the client and the server read them off the wire: the JSON text of a packet, a
// field list or a single value. A malformed packet must end in std::invalid_argument (or, for a
// data set, EDatabaseError); anything else (a crash, another exception, undefined behaviour)
// is a finding. A packet read back and written again must read back the same.

#include "contracts/TransferRecord.h"
#include "orv/DataSet.h"
#include "orv/Packet.h"

#include <cstdint>
#include <cstdlib>

namespace {

void CheckRoundTrip(const orv::ParsedPacket& parsed) {
    const orv::Packet once = orv::MakePacket(parsed.fields, parsed.rows);
    const orv::ParsedPacket again = orv::ParsePacket(once);
    if (orv::MakePacket(again.fields, again.rows) != once) std::abort();
}

bool LoadInto(orv::TDataSet& cds, const orv::Packet& packet) {
    try {
        cds.SetData(packet);
        (void)cds.Data();
        return true;
    } catch (const std::invalid_argument&) {
    } catch (const orv::EDatabaseError&) {
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orv::Packet packet = orv::Packet::parse(data, data + size, nullptr, false);
    if (packet.is_discarded()) return 0;
    try {
        CheckRoundTrip(orv::ParsePacket(packet));
    } catch (const std::invalid_argument&) {
    }
    try {
        (void)orv::FieldDefsFromJson(packet);
    } catch (const std::invalid_argument&) {
    }
    for (const orv::FieldType type : {orv::FieldType::String, orv::FieldType::Float, orv::FieldType::DateTime}) {
        try {
            (void)orv::ValueFromJson(packet, type);
        } catch (const std::invalid_argument&) {
        }
    }
    // The client's way in: a data set without declared fields, and one with the transfer record's.
    // The declared one is made once: SetData replaces every row, as on a screen reading again.
    orv::TDataSet open;
    const bool loaded = LoadInto(open, packet);
    // The same text kept as the server wrote it loads as its document does, or fails as it does.
    orv::TDataSet fromText;
    if (LoadInto(fromText, orv::PacketFromText({reinterpret_cast<const char*>(data), size})) != loaded ||
        (loaded && fromText.Data() != open.Data()))
        std::abort();
    static orv::TDataSet* declared = [] {
        auto* cds = new orv::TDataSet();
        for (const orv::FieldDef& def : contracts::TransferRecordFields()) cds->AddField(def);
        return cds;
    }();
    LoadInto(*declared, packet);
    return 0;
}
