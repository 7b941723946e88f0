// Resizing of 32-bit pictures with premultiplied alpha, for artwork drawn at other DPIs.
#pragma once

#include <cstdint>
#include <vector>

namespace varnook::platform {

// Every target pixel is the average of the source area it covers, weighted by how much of each
// source pixel lies in it; thin lines and soft edges stay smooth where a plain stretch would drop
// or double pixels. Pixels are four 8-bit channels in any order, rows in any order (the same for
// source and result); with premultiplied alpha all four channels average alike.
std::vector<uint32_t> ScaleByArea(const uint32_t* source, int sourceWidth, int sourceHeight, int width, int height);

} // namespace varnook::platform
