// The payloads of the variable tree's nodes and their snapshot records.
#pragma once

#include "core/ByteStream.h"
#include "core/Registry.h"

#include <memory>
#include <string>

namespace varnook {

// What every node carries: the verdict of the last path validation.
class TNodeData {
public:
    // Only so that a node can own its payload through this base; nothing else is virtual.
    virtual ~TNodeData() = default;

    bool GetWrongPath() const { return wrongPath; }
    void SetWrongPath(bool wrong) { wrongPath = wrong; }

protected:
    TNodeData() = default;
    TNodeData(const TNodeData&) = default;
    TNodeData& operator=(const TNodeData&) = default;

private:
    bool wrongPath = false;
};

// The payload of a variable node.
class TVarData : public TNodeData {
public:
    TVarData(std::u16string name, TRegDataType dataType, bool readOnly)
        : dataType(dataType), name(std::move(name)), readOnly(readOnly) {}

    TRegDataType GetDataType() const { return dataType; }
    void SetDataType(TRegDataType type) { dataType = type; }
    const std::u16string& GetVariableName() const { return name; }
    void SetVariableName(std::u16string newName) { name = std::move(newName); }
    // Fixed when the payload is made: special variables are read-only for life.
    bool GetReadOnly() const { return readOnly; }

private:
    TRegDataType dataType;
    std::u16string name;
    bool readOnly;
};

// The payload of an element node.
class TElemData : public TNodeData {
public:
    explicit TElemData(std::u16string text) : text(std::move(text)) {}

    const std::u16string& GetElement() const { return text; }
    void SetElement(std::u16string newText) { text = std::move(newText); }

private:
    std::u16string text;
};

// Snapshot records. A string field is a 32-bit little-endian count of UTF-16 code units and the
// code units, little-endian, without a terminator. Flags are one byte, 0 or 1.
//   variable: dataType (1 byte: 1 plain, 2 expandable), name, wrongPath, readOnly
//   element:  text, wrongPath
void WriteVarRecord(const TVarData& data, TByteWriter& out);
void WriteElemRecord(const TElemData& data, TByteWriter& out);
// Raise EVarnookError when the record is cut short or holds an impossible value.
std::unique_ptr<TVarData> ReadVarRecord(TByteReader& in);
std::unique_ptr<TElemData> ReadElemRecord(TByteReader& in);

} // namespace varnook
