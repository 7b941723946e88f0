// Little-endian byte writing and reading for the snapshots of trees and the node transfers.
#pragma once

#include "core/Errors.h"
#include "core/Translate.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnook {

using TBytes = std::vector<uint8_t>;

class TByteWriter {
public:
    explicit TByteWriter(TBytes& out) : out_(out) {}

    void WriteByte(uint8_t b) { out_.push_back(b); }
    void WriteUInt32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    // Seven bits a byte, low first; the high bit says another byte follows.
    void WriteVarUInt(uint32_t v)
    {
        while (v >= 0x80) {
            out_.push_back(static_cast<uint8_t>(v | 0x80));
            v >>= 7;
        }
        out_.push_back(static_cast<uint8_t>(v));
    }
    // A 32-bit count of UTF-16 code units, then the code units, without a terminator.
    void WriteString(std::u16string_view s)
    {
        WriteUInt32(static_cast<uint32_t>(s.size()));
        const size_t at = out_.size();
        out_.resize(at + 2 * s.size());
        uint8_t* p = out_.data() + at;
        for (char16_t c : s) {
            *p++ = static_cast<uint8_t>(c);
            *p++ = static_cast<uint8_t>(c >> 8);
        }
    }

private:
    TBytes& out_;
};

// Reads what TByteWriter wrote. Running past the end raises: the data is damaged.
class TByteReader {
public:
    TByteReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    explicit TByteReader(const TBytes& bytes) : TByteReader(bytes.data(), bytes.size()) {}

    bool AtEnd() const { return p_ == end_; }

    uint8_t ReadByte()
    {
        Need(1);
        return *p_++;
    }
    uint32_t ReadUInt32()
    {
        Need(4);
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(*p_++) << (8 * i);
        return v;
    }
    uint32_t ReadVarUInt()
    {
        uint32_t v = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            const uint8_t b = ReadByte();
            v |= static_cast<uint32_t>(b & 0x7F) << shift;
            if (!(b & 0x80))
                return v;
        }
        Damaged();
    }
    std::u16string ReadString()
    {
        const uint32_t count = ReadUInt32();
        if (count > static_cast<size_t>(end_ - p_) / 2)
            Damaged();
        std::u16string s(count, u'\0');
        for (auto& c : s) {
            c = static_cast<char16_t>(p_[0] | (p_[1] << 8));
            p_ += 2;
        }
        return s;
    }
    // Bytes left; a count read from the data can be checked against it before memory is reserved.
    size_t Remaining() const { return static_cast<size_t>(end_ - p_); }

    [[noreturn]] static void Damaged() { throw EVarnookError(gettext(u"The tree data is damaged")); }

private:
    void Need(size_t n)
    {
        if (static_cast<size_t>(end_ - p_) < n)
            Damaged();
    }

    const uint8_t* p_;
    const uint8_t* end_;
};

} // namespace varnook
