// The "VariableClipboard" record of a copied variable. It carries the name, the value and the
// kind themselves, so that any instance of the program, also one started later (after a restart
// as administrator), can paste it; a checksum tells it from a damaged or foreign block.
#pragma once

#include "core/ByteStream.h"
#include "core/Registry.h"

#include <optional>
#include <string>

namespace varnook {

struct TVariableRecord {
    std::u16string name;
    std::u16string value; // the joined value, references not expanded
    TRegDataType kind = rdString;
    bool operator==(const TVariableRecord&) const = default;
};

// The bytes of the record: a signature and version, the kind, the length of the record, the
// name and the value as counted UTF-16 strings, and a checksum of all that comes before it.
TBytes WriteVariableRecord(const TVariableRecord& record);

// The record held in a block of size bytes (the clipboard may hand over a larger block than was
// written; the slack is ignored). None when the block is not a whole, undamaged record of a
// variable with a name and a kind of string.
std::optional<TVariableRecord> ReadVariableRecord(const uint8_t* data, size_t size);

} // namespace varnook
