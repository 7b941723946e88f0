#include "core/NodeInfo.h"

namespace varnook {

namespace {
bool ReadFlag(TByteReader& in)
{
    const uint8_t b = in.ReadByte();
    if (b > 1)
        TByteReader::Damaged();
    return b == 1;
}
} // namespace

void WriteVarRecord(const TVarData& data, TByteWriter& out)
{
    out.WriteByte(static_cast<uint8_t>(data.GetDataType()));
    out.WriteString(data.GetVariableName());
    out.WriteByte(data.GetWrongPath() ? 1 : 0);
    out.WriteByte(data.GetReadOnly() ? 1 : 0);
}

void WriteElemRecord(const TElemData& data, TByteWriter& out)
{
    out.WriteString(data.GetElement());
    out.WriteByte(data.GetWrongPath() ? 1 : 0);
}

std::unique_ptr<TVarData> ReadVarRecord(TByteReader& in)
{
    const uint8_t type = in.ReadByte();
    if (type != rdString && type != rdExpandString)
        TByteReader::Damaged();
    std::u16string name = in.ReadString();
    const bool wrongPath = ReadFlag(in);
    const bool readOnly = ReadFlag(in);
    auto data = std::make_unique<TVarData>(std::move(name), static_cast<TRegDataType>(type), readOnly);
    data->SetWrongPath(wrongPath);
    return data;
}

std::unique_ptr<TElemData> ReadElemRecord(TByteReader& in)
{
    std::u16string text = in.ReadString();
    auto data = std::make_unique<TElemData>(std::move(text));
    data->SetWrongPath(ReadFlag(in));
    return data;
}

} // namespace varnook
