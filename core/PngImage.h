// The program's own icons are PNG images inside icon resources. The system decodes one icon at a
// time with a round of bitmap and handle calls each; start-up needs about sixty of them, so the
// images are decoded here and handed to the image lists in one strip.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace varnook {

// Pixels as the system's 32-bit bitmaps hold them: blue, green, red, alpha (not premultiplied),
// rows from the top.
struct TBgraImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// Decodes a PNG of 8-bit RGBA pixels without interlacing, the form the icons are stored in;
// other forms, damaged data and images larger than maxSide on a side give nothing.
std::optional<TBgraImage> DecodePng(std::span<const uint8_t> data, int maxSide = 256);

} // namespace varnook
