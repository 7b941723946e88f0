// Area-averaging resize of premultiplied 32-bit pictures (the logo at other DPIs).
#include "platform/PixelScaling.h"

#include <gtest/gtest.h>

using varnook::platform::ScaleByArea;

namespace {

constexpr uint32_t Grey(uint32_t v) { return v * 0x01010101u; }

} // namespace

TEST(ScaleByArea, AveragesTheCoveredArea)
{
    struct {
        const char* what;
        std::vector<uint32_t> source;
        int sourceWidth, sourceHeight, width, height;
        std::vector<uint32_t> expected;
    } const cases[] = {
        {"same size is a copy", {Grey(1), Grey(2), Grey(3), Grey(4)}, 2, 2, 2, 2, {Grey(1), Grey(2), Grey(3), Grey(4)}},
        {"halving averages 2x2 blocks",
         {Grey(0), Grey(100), Grey(10), Grey(10), Grey(200), Grey(40), Grey(10), Grey(10)}, 4, 2, 2, 1,
         {Grey(85), Grey(10)}},
        {"doubling repeats pixels", {Grey(10), Grey(20)}, 2, 1, 4, 2,
         {Grey(10), Grey(10), Grey(20), Grey(20), Grey(10), Grey(10), Grey(20), Grey(20)}},
        // 3 -> 2: each target pixel covers one and a half source pixels.
        {"fractional cover is weighted", {Grey(30), Grey(90), Grey(150)}, 3, 1, 2, 1, {Grey(50), Grey(130)}},
        // Channels average independently: an opaque white next to a transparent pixel gives a
        // half-transparent white, still premultiplied.
        {"alpha averages like colour", {0xFFFFFFFFu, 0x00000000u}, 2, 1, 1, 1, {0x80808080u}},
        {"one pixel fills any size", {0x11223344u}, 1, 1, 3, 2, std::vector<uint32_t>(6, 0x11223344u)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ScaleByArea(c.source.data(), c.sourceWidth, c.sourceHeight, c.width, c.height), c.expected);
    }
}

TEST(ScaleByArea, EmptySizesGiveNothing)
{
    const uint32_t pixel = Grey(1);
    EXPECT_TRUE(ScaleByArea(&pixel, 1, 1, 0, 5).empty());
    EXPECT_TRUE(ScaleByArea(&pixel, 0, 1, 2, 2).empty());
}
