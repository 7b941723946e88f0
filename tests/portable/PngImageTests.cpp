// The decoder of the icons' PNG images: deflate streams of every block type, the icons' own
// images, and damaged or unexpected input, which must give nothing rather than read astray.
#include "core/Inflate.h"
#include "core/PngImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

namespace varnook::fixtures {
extern const std::string_view kIcon_add;
}

namespace varnook {
namespace {

// The text the zlib streams below were made from.
std::vector<uint8_t> Pattern(size_t n)
{
    const char* words[] = {"PATH", "%SystemRoot%", "C:\\Program Files", ";", "Varnook", "\\bin"};
    std::vector<uint8_t> out;
    uint32_t x = 7;
    while (out.size() < n) {
        x = (x * 1103515245u + 12345u) & 0x7fffffffu;
        const char* word = words[x % 6];
        out.insert(out.end(), word, word + std::strlen(word));
    }
    out.resize(n);
    return out;
}

// Stored: 300 bytes of Pattern() compressed by zlib
const char kStored[] =
    "7801012c01d3fe504154483b5661726e6f6f6b3b504154482553797374656d526f6f7425504154483b504154483b5041"
    "54485c62696e5661726e6f6f6b5c62696e433a5c50726f6772616d2046696c65732553797374656d526f6f7425504154"
    "483b5661726e6f6f6b5c62696e433a5c50726f6772616d2046696c65732553797374656d526f6f7425433a5c50726f67"
    "72616d2046696c65735c62696e433a5c50726f6772616d2046696c65735c62696e433a5c50726f6772616d2046696c65"
    "732553797374656d526f6f74255661726e6f6f6b3b433a5c50726f6772616d2046696c65735c62696e5661726e6f6f6b"
    "3b504154485c62696e433a5c50726f6772616d2046696c65735c62696e5661726e6f6f6b5c62696e504154483b504154"
    "483b433a5c50726f6772616d2046696c65735c4f2b6c6e"
    ;
// Fixed: 200 bytes of Pattern() compressed by zlib
const char kFixed[] =
    "78010b700cf1b00e4b2ccacbcfcfb60e007254832b8b4b527383f2f34b54417c6b3811939499075509623a5bc50414e5"
    "a71725e62ab865e6a416636824522dba1c36f584cc084b0400e19f4816"
    ;
// Dynamic: 5000 bytes of Pattern() compressed by zlib
const char kDynamic[] =
    "78daad58c96e02310cfd955ef889fa5455aa7a1c41d5131790508558220d5cfaf72d120c99c4cbb3930b6206c7f1f29e"
    "1786b7af4ffade8ce7940e34fc3f2c56bf97ebeeb44ce9bab83dd3f4b1deeecf77c9dbd7f7d7f530a69f71737af9d81f"
    "7797ea20285bfec6c95b3a1e0e70e772e724dd99a94f9f39c13242b972022c645e19619d92c368c8c34cb53a2add2ade"
    "5706f36e703788329e4c8b3759f010d3a3e18003b791a152048125e283884582bd25e828184f53970479098c3acc3573"
    "42a947b85d9a1a2933161e08a94308601e06eade9674ce4f099e370603c7a795c70e4cd5d480d71b982134e179d4a706"
    "82957f9c2af22bac18049baa6060ee2e0227178f4a24bbea65a72a0320d0053bcf7c341f4480ce640d07e5850aa50048"
    "1845866500da5248035634a7e4e69f513450afab24d60f1ecc7044d3a6322eed64f31ae13361e32b58c01042798a31de"
    "fa1076a9edd8ea66f0b0a21508feebccaee0ba554d130cae24b8220b01b73e521b3f437b55ac2373d62bf8f5163c2697"
    "2d0ce8be6cb5f6bca60dcf18de91e5cc5c7863adb507341df07045383a93217aa2e38e63da0616ddc064a1ce589d78e0"
    "fdfb672efe07eb7229a8"
    ;

std::vector<uint8_t> FromHex(const char* hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
    return bytes;
}

TEST(PngImageTest, InflateReadsEveryBlockType)
{
    const struct {
        const char* stream;
        size_t size;
    } cases[] = {{kStored, 300}, {kFixed, 200}, {kDynamic, 5000}};
    for (const auto& c : cases) {
        const auto out = Inflate(FromHex(c.stream), c.size);
        ASSERT_TRUE(out.has_value()) << c.size;
        EXPECT_EQ(*out, Pattern(c.size));
        // One byte less room than the data needs is a failure, not a cut result.
        EXPECT_FALSE(Inflate(FromHex(c.stream), c.size - 1).has_value()) << c.size;
    }
}

TEST(PngImageTest, DamagedStreamsGiveNothing)
{
    const std::vector<uint8_t> good = FromHex(kDynamic);
    auto changed = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> bytes = good;
        bytes[at] = value;
        return bytes;
    };
    std::vector<uint8_t> stored = FromHex(kStored);
    stored[5] ^= 0x01; // the block's length no longer matches its complement
    const std::vector<std::vector<uint8_t>> bad = {
        {},
        std::vector<uint8_t>(good.begin(), good.end() - 1), // checksum cut short
        changed(good.size() - 1, good.back() ^ 0xFF),       // checksum wrong
        changed(0, 0x77),                                   // not deflate
        changed(1, 0xFA),                                   // preset dictionary
        {0x78, 0x01, 0x07, 0, 0, 0, 0, 0},                  // reserved block type
        stored,
    };
    for (size_t i = 0; i < bad.size(); ++i)
        EXPECT_FALSE(Inflate(bad[i], 10000).has_value()) << i;
    // Every prefix of a stream fails cleanly.
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(Inflate(std::span(good.data(), n), 10000).has_value()) << n;
}

// The PNG images of an icon file, as its directory lists them.
std::vector<std::vector<uint8_t>> ImagesOf(std::string_view ico)
{
    auto word = [&](size_t at) { return static_cast<uint32_t>(uint8_t(ico[at]) | uint8_t(ico[at + 1]) << 8); };
    auto dword = [&](size_t at) { return word(at) | word(at + 2) << 16; };
    std::vector<std::vector<uint8_t>> images;
    for (uint32_t i = 0; i < word(4); ++i) {
        const size_t entry = 6 + 16 * i;
        const std::string_view data = ico.substr(dword(entry + 12), dword(entry + 8));
        images.emplace_back(data.begin(), data.end());
    }
    return images;
}

TEST(PngImageTest, TheIconsImagesDecodeWithTheirTransparency)
{
    const auto images = ImagesOf(fixtures::kIcon_add);
    ASSERT_EQ(images.size(), 2u);
    for (const auto& png : images) {
        const auto image = DecodePng(png);
        ASSERT_TRUE(image.has_value());
        EXPECT_TRUE(image->width == 16 || image->width == 32);
        EXPECT_EQ(image->height, image->width);
        ASSERT_EQ(image->pixels.size(), size_t(4 * image->width * image->height));
        size_t clear = 0, opaque = 0;
        for (size_t i = 3; i < image->pixels.size(); i += 4) {
            clear += image->pixels[i] == 0;
            opaque += image->pixels[i] == 255;
        }
        EXPECT_GT(clear, 0u);
        EXPECT_GT(opaque, 0u);
        // Larger than allowed: nothing.
        EXPECT_FALSE(DecodePng(png, image->width - 1).has_value());
    }
}

TEST(PngImageTest, OtherFormsAndDamagedImagesGiveNothing)
{
    const std::vector<uint8_t> png = ImagesOf(fixtures::kIcon_add)[0];
    ASSERT_TRUE(DecodePng(png).has_value());
    // IHDR's fields follow the signature (8), the chunk's length (4) and type (4).
    auto withHeaderByte = [&](size_t field, uint8_t value) {
        std::vector<uint8_t> bytes = png;
        bytes[16 + field] = value;
        return bytes;
    };
    EXPECT_FALSE(DecodePng(withHeaderByte(9, 2)).has_value());  // RGB without alpha
    EXPECT_FALSE(DecodePng(withHeaderByte(8, 16)).has_value()); // 16 bits a channel
    EXPECT_FALSE(DecodePng(withHeaderByte(12, 1)).has_value()); // interlaced
    EXPECT_FALSE(DecodePng(withHeaderByte(3, 0)).has_value());  // no width
    std::vector<uint8_t> unknown = png;
    std::memcpy(unknown.data() + 12, "IHDq", 4); // a critical chunk before the header
    EXPECT_FALSE(DecodePng(unknown).has_value());
    for (size_t n = 0; n < png.size(); ++n)
        EXPECT_FALSE(DecodePng(std::span(png.data(), n)).has_value()) << n;
}

} // namespace
} // namespace varnook
