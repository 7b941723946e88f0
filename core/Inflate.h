// zlib streams (RFC 1950/1951), read whole into memory: the PNG images of the icons and the
// message catalogs appended to the executable are stored this way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace varnook {

// The zlib stream's data, at most limit bytes of it; nothing when the stream is damaged (any
// block, the Adler-32 check) or holds more than limit.
std::optional<std::vector<uint8_t>> Inflate(std::span<const uint8_t> zlib, size_t limit);

} // namespace varnook
