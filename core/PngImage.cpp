#include "core/PngImage.h"

#include "core/Inflate.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace varnook {

namespace {

uint32_t BigEndian32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

int Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

} // namespace

std::optional<TBgraImage> DecodePng(std::span<const uint8_t> data, int maxSide)
{
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() < 8 || std::memcmp(data.data(), kSignature, 8) != 0)
        return std::nullopt;
    size_t at = 8;
    uint32_t width = 0, height = 0;
    bool header = false, ended = false;
    std::vector<uint8_t> compressed;
    while (!ended) {
        if (data.size() - at < 12)
            return std::nullopt;
        const uint32_t length = BigEndian32(data.data() + at);
        const uint8_t* type = data.data() + at + 4;
        if (length > data.size() - at - 12)
            return std::nullopt;
        const uint8_t* body = type + 4;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            // Only the icons' own form: 8 bits per channel, RGBA, standard compression and
            // filters, no interlacing.
            if (header || length != 13 || body[8] != 8 || body[9] != 6 || body[10] != 0 || body[11] != 0 ||
                body[12] != 0)
                return std::nullopt;
            width = BigEndian32(body);
            height = BigEndian32(body + 4);
            if (width == 0 || height == 0 || width > static_cast<uint32_t>(maxSide) ||
                height > static_cast<uint32_t>(maxSide))
                return std::nullopt;
            header = true;
        } else if (!header) {
            return std::nullopt;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(), body, body + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        } else if (!(type[0] & 0x20)) {
            // A chunk the image cannot be shown without.
            return std::nullopt;
        }
        at += 12 + static_cast<size_t>(length);
    }
    const size_t stride = 4 * static_cast<size_t>(width);
    const size_t rawSize = height * (stride + 1);
    const auto raw = Inflate(compressed, rawSize);
    if (!raw || raw->size() != rawSize)
        return std::nullopt;

    TBgraImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.resize(stride * height);
    uint8_t* previous = nullptr;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* source = raw->data() + y * (stride + 1);
        const uint8_t filter = source[0];
        ++source;
        uint8_t* row = image.pixels.data() + y * stride;
        for (size_t x = 0; x < stride; ++x) {
            const int left = x >= 4 ? row[x - 4] : 0;
            const int up = previous ? previous[x] : 0;
            const int upLeft = previous && x >= 4 ? previous[x - 4] : 0;
            int predicted;
            switch (filter) {
            case 0: predicted = 0; break;
            case 1: predicted = left; break;
            case 2: predicted = up; break;
            case 3: predicted = (left + up) / 2; break;
            case 4: predicted = Paeth(left, up, upLeft); break;
            default: return std::nullopt;
            }
            row[x] = static_cast<uint8_t>(source[x] + predicted);
        }
        previous = row;
    }
    for (size_t i = 0; i < image.pixels.size(); i += 4)
        std::swap(image.pixels[i], image.pixels[i + 2]);
    return image;
}

} // namespace varnook
