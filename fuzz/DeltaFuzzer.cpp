// Deltas as the server reads them off the wire (ParseDelta). A malformed delta must end in
// std::invalid_argument; anything else is a finding. Every field a delta names must be found by
// its name.

#include "orv/Packet.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orv::Packet delta = orv::Packet::parse(data, data + size, nullptr, false);
    if (delta.is_discarded()) return 0;
    try {
        const orv::ParsedDelta parsed = orv::ParseDelta(delta);
        for (const auto& change : parsed.changes) {
            const size_t expected = parsed.fields.size();
            const bool oldOk = change.op == orv::DeltaChange::Insert ? change.oldRow.empty() : change.oldRow.size() == expected;
            const bool newOk = change.op == orv::DeltaChange::Delete ? change.newRow.empty() : change.newRow.size() == expected;
            if (!oldOk || !newOk) std::abort();
        }
        for (const orv::FieldDef& f : parsed.fields)
            if (parsed.IndexOf(f.name) < 0) std::abort();
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
