#include "edit/ClipboardRecord.h"

namespace varnook {

namespace {

constexpr uint32_t kSignature = 0x4B4E5256; // "VRNK"
constexpr uint8_t kVersion = 1;
// Signature, version, kind, two zero bytes, length.
constexpr size_t kHeaderSize = 12;
constexpr size_t kChecksumSize = 4;

// FNV-1a: cheap, and any changed byte changes it.
uint32_t Checksum(const uint8_t* data, size_t size)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

uint32_t ReadUInt32At(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

TBytes WriteVariableRecord(const TVariableRecord& record)
{
    TBytes bytes;
    TByteWriter out(bytes);
    out.WriteUInt32(kSignature);
    out.WriteByte(kVersion);
    out.WriteByte(static_cast<uint8_t>(record.kind));
    out.WriteByte(0);
    out.WriteByte(0);
    out.WriteUInt32(0); // the length, known below
    out.WriteString(record.name);
    out.WriteString(record.value);
    const auto length = static_cast<uint32_t>(bytes.size() + kChecksumSize);
    for (int i = 0; i < 4; ++i)
        bytes[8 + i] = static_cast<uint8_t>(length >> (8 * i));
    out.WriteUInt32(Checksum(bytes.data(), bytes.size()));
    return bytes;
}

std::optional<TVariableRecord> ReadVariableRecord(const uint8_t* data, size_t size)
{
    if (!data || size < kHeaderSize + kChecksumSize)
        return std::nullopt;
    if (ReadUInt32At(data) != kSignature || data[4] != kVersion || data[6] != 0 || data[7] != 0)
        return std::nullopt;
    const uint32_t length = ReadUInt32At(data + 8);
    if (length < kHeaderSize + kChecksumSize || length > size)
        return std::nullopt;
    if (Checksum(data, length - kChecksumSize) != ReadUInt32At(data + length - kChecksumSize))
        return std::nullopt;
    TVariableRecord record;
    record.kind = static_cast<TRegDataType>(data[5]);
    if (record.kind != rdString && record.kind != rdExpandString)
        return std::nullopt;
    try {
        TByteReader in(data + kHeaderSize, length - kHeaderSize - kChecksumSize);
        record.name = in.ReadString();
        record.value = in.ReadString();
        if (!in.AtEnd())
            return std::nullopt;
    } catch (const EVarnookError&) {
        return std::nullopt;
    }
    // A variable needs a name; a NUL would cut it short in the store.
    if (record.name.empty() || record.name.find(u'\0') != std::u16string::npos)
        return std::nullopt;
    return record;
}

} // namespace varnook
