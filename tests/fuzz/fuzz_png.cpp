// An icon image is read from the program's own resources, but the decoder must still stay inside
// the bytes it is given whatever they hold (the sanitizers watch), and what it gives back must be
// a whole image of the size it claims.
#include "core/Inflate.h"
#include "core/PngImage.h"

#include <cstdint>
#include <cstdlib>

using namespace varnook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto image = DecodePng(std::span(data, size), 64);
    if (image && (image->width < 1 || image->width > 64 || image->height < 1 || image->height > 64 ||
                  image->pixels.size() != size_t(4) * image->width * image->height))
        std::abort();
    // The bare stream too: no more than the limit, ever.
    const auto raw = Inflate(std::span(data, size), 4096);
    if (raw && raw->size() > 4096)
        std::abort();
    return 0;
}
