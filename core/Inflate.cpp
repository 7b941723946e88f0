#include "core/Inflate.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace varnook {

namespace {

// Reads a deflate stream bit by bit, least significant bit first; reading past the end makes
// every later read fail.
class TBits {
public:
    explicit TBits(std::span<const uint8_t> data) : data_(data) {}

    bool Get(int count, uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < count; ++i) {
            if (at_ >= data_.size())
                return false;
            value |= static_cast<uint32_t>((data_[at_] >> bit_) & 1u) << i;
            if (++bit_ == 8) {
                bit_ = 0;
                ++at_;
            }
        }
        return true;
    }

    // Stored blocks start at a byte.
    void AlignToByte()
    {
        if (bit_) {
            bit_ = 0;
            ++at_;
        }
    }

    bool TakeBytes(size_t count, std::span<const uint8_t>& bytes)
    {
        if (bit_ || count > data_.size() - std::min(at_, data_.size()))
            return false;
        bytes = data_.subspan(at_, count);
        at_ += count;
        return true;
    }

    size_t ByteOffset() const { return at_ + (bit_ ? 1 : 0); }

private:
    std::span<const uint8_t> data_;
    size_t at_ = 0;
    int bit_ = 0;
};

constexpr int kMaxBits = 15;

// A canonical Huffman code: how many codes each length has, and the symbols in code order.
struct THuffman {
    std::array<uint16_t, kMaxBits + 1> counts{};
    std::array<uint16_t, 288> symbols{};

    // False for a set of lengths no code can have (over-subscribed); an incomplete code is
    // allowed, as deflate allows it for a single distance code.
    bool Build(const uint8_t* lengths, int n)
    {
        counts.fill(0);
        for (int i = 0; i < n; ++i)
            ++counts[lengths[i]];
        counts[0] = 0;
        int left = 1;
        for (int len = 1; len <= kMaxBits; ++len) {
            left <<= 1;
            left -= counts[len];
            if (left < 0)
                return false;
        }
        std::array<uint16_t, kMaxBits + 1> offsets{};
        for (int len = 1; len < kMaxBits; ++len)
            offsets[len + 1] = static_cast<uint16_t>(offsets[len] + counts[len]);
        for (int i = 0; i < n; ++i)
            if (lengths[i])
                symbols[offsets[lengths[i]]++] = static_cast<uint16_t>(i);
        return true;
    }

    int Decode(TBits& bits) const
    {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= kMaxBits; ++len) {
            uint32_t bit;
            if (!bits.Get(1, bit))
                return -1;
            code |= static_cast<int>(bit);
            const int count = counts[len];
            if (code - count < first)
                return symbols[index + (code - first)];
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        return -1;
    }
};

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool InflateCodes(TBits& bits, const THuffman& lengths, const THuffman& distances, std::vector<uint8_t>& out,
                  size_t limit)
{
    for (;;) {
        const int symbol = lengths.Decode(bits);
        if (symbol < 0)
            return false;
        if (symbol < 256) {
            if (out.size() >= limit)
                return false;
            out.push_back(static_cast<uint8_t>(symbol));
            continue;
        }
        if (symbol == 256)
            return true;
        const int index = symbol - 257;
        if (index >= 29)
            return false;
        uint32_t extra;
        if (!bits.Get(kLengthExtra[index], extra))
            return false;
        const size_t length = kLengthBase[index] + extra;
        const int distanceSymbol = distances.Decode(bits);
        if (distanceSymbol < 0 || distanceSymbol >= 30)
            return false;
        if (!bits.Get(kDistanceExtra[distanceSymbol], extra))
            return false;
        const size_t distance = kDistanceBase[distanceSymbol] + extra;
        if (distance > out.size() || length > limit - out.size())
            return false;
        // The copy may overlap what it writes: byte by byte.
        const size_t from = out.size() - distance;
        for (size_t i = 0; i < length; ++i)
            out.push_back(out[from + i]);
    }
}

bool InflateFixed(TBits& bits, std::vector<uint8_t>& out, size_t limit)
{
    static const auto codes = [] {
        std::pair<THuffman, THuffman> built;
        uint8_t lengths[288];
        for (int i = 0; i < 144; ++i)
            lengths[i] = 8;
        for (int i = 144; i < 256; ++i)
            lengths[i] = 9;
        for (int i = 256; i < 280; ++i)
            lengths[i] = 7;
        for (int i = 280; i < 288; ++i)
            lengths[i] = 8;
        built.first.Build(lengths, 288);
        uint8_t distances[30];
        std::memset(distances, 5, sizeof(distances));
        built.second.Build(distances, 30);
        return built;
    }();
    return InflateCodes(bits, codes.first, codes.second, out, limit);
}

bool InflateDynamic(TBits& bits, std::vector<uint8_t>& out, size_t limit)
{
    uint32_t literalCount, distanceCount, codeCount;
    if (!bits.Get(5, literalCount) || !bits.Get(5, distanceCount) || !bits.Get(4, codeCount))
        return false;
    literalCount += 257;
    distanceCount += 1;
    codeCount += 4;
    if (literalCount > 286 || distanceCount > 30)
        return false;
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t codeLengths[19] = {};
    for (uint32_t i = 0; i < codeCount; ++i) {
        uint32_t length;
        if (!bits.Get(3, length))
            return false;
        codeLengths[kOrder[i]] = static_cast<uint8_t>(length);
    }
    THuffman codeCode;
    if (!codeCode.Build(codeLengths, 19))
        return false;
    uint8_t lengths[286 + 30] = {};
    uint32_t filled = 0;
    while (filled < literalCount + distanceCount) {
        const int symbol = codeCode.Decode(bits);
        if (symbol < 0)
            return false;
        if (symbol < 16) {
            lengths[filled++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t repeated = 0;
        uint32_t times;
        if (symbol == 16) {
            if (filled == 0 || !bits.Get(2, times))
                return false;
            repeated = lengths[filled - 1];
            times += 3;
        } else if (symbol == 17) {
            if (!bits.Get(3, times))
                return false;
            times += 3;
        } else {
            if (!bits.Get(7, times))
                return false;
            times += 11;
        }
        if (filled + times > literalCount + distanceCount)
            return false;
        while (times--)
            lengths[filled++] = repeated;
    }
    // Without an end-of-block code the block could never end.
    if (lengths[256] == 0)
        return false;
    THuffman literalCode, distanceCode;
    if (!literalCode.Build(lengths, static_cast<int>(literalCount)) ||
        !distanceCode.Build(lengths + literalCount, static_cast<int>(distanceCount)))
        return false;
    return InflateCodes(bits, literalCode, distanceCode, out, limit);
}

uint32_t Adler32(const std::vector<uint8_t>& data)
{
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

uint32_t BigEndian32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

} // namespace

std::optional<std::vector<uint8_t>> Inflate(std::span<const uint8_t> zlib, size_t limit)
{
    if (zlib.size() < 6)
        return std::nullopt;
    const uint8_t method = zlib[0], flags = zlib[1];
    if ((method & 0x0F) != 8 || (method >> 4) > 7 || ((method << 8) | flags) % 31 != 0 || (flags & 0x20))
        return std::nullopt;
    TBits bits(zlib.subspan(2));
    std::vector<uint8_t> out;
    // An icon's limit is its exact size; a catalog's is only a bound against hostile streams,
    // too large to set aside up front.
    out.reserve(std::min(limit, std::max<size_t>(zlib.size() * 4, 64 * 1024)));
    for (;;) {
        uint32_t last, type;
        if (!bits.Get(1, last) || !bits.Get(2, type))
            return std::nullopt;
        if (type == 0) {
            bits.AlignToByte();
            std::span<const uint8_t> header, stored;
            if (!bits.TakeBytes(4, header))
                return std::nullopt;
            const uint16_t length = static_cast<uint16_t>(header[0] | (header[1] << 8));
            const uint16_t complement = static_cast<uint16_t>(header[2] | (header[3] << 8));
            if (length != static_cast<uint16_t>(~complement) || length > limit - out.size() ||
                !bits.TakeBytes(length, stored))
                return std::nullopt;
            out.insert(out.end(), stored.begin(), stored.end());
        } else if (type == 1) {
            if (!InflateFixed(bits, out, limit))
                return std::nullopt;
        } else if (type == 2) {
            if (!InflateDynamic(bits, out, limit))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
        if (last)
            break;
    }
    const size_t end = 2 + bits.ByteOffset();
    if (end + 4 > zlib.size() || BigEndian32(zlib.data() + end) != Adler32(out))
        return std::nullopt;
    return out;
}

} // namespace varnook
