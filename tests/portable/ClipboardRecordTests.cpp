// The record of a copied variable: what goes in comes out, from any process; a block that is not
// a whole, undamaged record is refused so that the paste falls back to the clipboard's text.
#include "edit/ClipboardRecord.h"
#include "core/Strings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace varnook;

TEST(ClipboardRecord, WhatIsWrittenIsReadBack)
{
    const TVariableRecord records[] = {
        {u"Path", u"C:\\Windows;%SystemRoot%\\System32", rdExpandString},
        {u"TEMP", u"C:\\Temp", rdString},
        {u"EMPTY", u"", rdString},
        {u"Ünïcødé", u"Straße;\U0001F600;a=b", rdExpandString},
        {u"LONG", std::u16string(40000, u'x'), rdString},
    };
    for (const auto& record : records) {
        SCOPED_TRACE(ToUtf8(record.name));
        TBytes bytes = WriteVariableRecord(record);
        auto read = ReadVariableRecord(bytes.data(), bytes.size());
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, record);
        // The clipboard may hand back a block rounded up, with zeros or anything after the record.
        bytes.insert(bytes.end(), {0, 0, 0, 0, 0xFF, 0x13});
        read = ReadVariableRecord(bytes.data(), bytes.size());
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, record);
    }
}

TEST(ClipboardRecord, DamagedOrForeignBlocksAreRefused)
{
    const TBytes good = WriteVariableRecord({u"Path", u"C:\\bin", rdExpandString});
    auto patched = [&](const std::function<void(TBytes&)>& change) {
        TBytes b = good;
        change(b);
        return b;
    };
    // The checksum covers everything but itself, so fix it where a case wants to reach a later check.
    auto resealed = [](TBytes b) {
        uint32_t hash = 2166136261u;
        for (size_t i = 0; i + 4 < b.size(); ++i)
            hash = (hash ^ b[i]) * 16777619u;
        for (int i = 0; i < 4; ++i)
            b[b.size() - 4 + i] = static_cast<uint8_t>(hash >> (8 * i));
        return b;
    };
    struct Case {
        const char* what;
        TBytes bytes;
    };
    const Case cases[] = {
        {"nothing", {}},
        {"a record of pointers into another process's memory, as 12 bytes",
         {0x10, 0x32, 0x54, 0x00, 0x20, 0x42, 0x64, 0x00, 0x02, 0x00, 0x00, 0x00}},
        {"cut short", TBytes(good.begin(), good.end() - 1)},
        {"only the header", TBytes(good.begin(), good.begin() + 12)},
        {"a changed character of the name", patched([](TBytes& b) { b[16] ^= 0x01; })},
        {"a changed checksum", patched([](TBytes& b) { b.back() ^= 0x80; })},
        {"another signature", resealed(patched([](TBytes& b) { b[0] = 'X'; }))},
        {"another version", resealed(patched([](TBytes& b) { b[4] = 2; }))},
        {"a kind that is no string", resealed(patched([](TBytes& b) { b[5] = 3; }))},
        {"the kind zero", resealed(patched([](TBytes& b) { b[5] = 0; }))},
        {"a length past the block", patched([](TBytes& b) { b[8] += 1; })},
        {"a name count past the record", resealed(patched([](TBytes& b) { b[12] = 0xFF; }))},
        {"an empty name", resealed(WriteVariableRecord({u"", u"x", rdString}))},
        {"a name with a NUL in it", WriteVariableRecord({std::u16string(u"A\0B", 3), u"x", rdString})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(ReadVariableRecord(c.bytes.data(), c.bytes.size()).has_value());
    }
    EXPECT_FALSE(ReadVariableRecord(nullptr, 100).has_value());
}
