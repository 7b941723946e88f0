#include "platform/PixelScaling.h"

#include <algorithm>
#include <cmath>

namespace varnook::platform {

namespace {

// Which source pixels along one axis cover a target pixel, and how much of each.
struct TSpan {
    int first = 0;
    std::vector<double> weights; // sum to 1
};

std::vector<TSpan> Spans(int sourceLength, int targetLength)
{
    std::vector<TSpan> spans(static_cast<size_t>(targetLength));
    const double step = double(sourceLength) / targetLength;
    for (int i = 0; i < targetLength; ++i) {
        const double begin = i * step, end = std::min((i + 1) * step, double(sourceLength));
        TSpan& span = spans[size_t(i)];
        span.first = std::min(int(begin), sourceLength - 1);
        for (int j = span.first; j < sourceLength && j < end; ++j)
            span.weights.push_back((std::min(end, j + 1.0) - std::max(begin, double(j))) / (end - begin));
    }
    return spans;
}

} // namespace

std::vector<uint32_t> ScaleByArea(const uint32_t* source, int sourceWidth, int sourceHeight, int width, int height)
{
    if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0)
        return {};
    const std::vector<TSpan> columns = Spans(sourceWidth, width), rows = Spans(sourceHeight, height);

    // Across first, into four channels per pixel, then down.
    std::vector<double> across(size_t(sourceHeight) * width * 4, 0.0);
    for (int y = 0; y < sourceHeight; ++y)
        for (int x = 0; x < width; ++x) {
            double* out = &across[(size_t(y) * width + x) * 4];
            const TSpan& span = columns[size_t(x)];
            for (size_t k = 0; k < span.weights.size(); ++k) {
                const uint32_t pixel = source[size_t(y) * sourceWidth + span.first + k];
                for (int c = 0; c < 4; ++c)
                    out[c] += span.weights[k] * double((pixel >> (8 * c)) & 0xFF);
            }
        }

    std::vector<uint32_t> result(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const TSpan& span = rows[size_t(y)];
            double sum[4] = {};
            for (size_t k = 0; k < span.weights.size(); ++k) {
                const double* in = &across[((span.first + k) * size_t(width) + x) * 4];
                for (int c = 0; c < 4; ++c)
                    sum[c] += span.weights[k] * in[c];
            }
            uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c)
                pixel |= uint32_t(std::clamp(std::lround(sum[c]), 0L, 255L)) << (8 * c);
            result[size_t(y) * width + x] = pixel;
        }
    return result;
}

} // namespace varnook::platform
