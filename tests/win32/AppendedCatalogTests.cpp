// The catalogs the build appends to varnook.exe: one entry per shipped language, each a zlib
// stream of exactly the catalog GNU msgfmt made, written without the hash table the program
// never reads.
#include "support/ScratchFolder.h"
#include "support/WinTestSupport.h"

#include "core/FileLocator.h"
#include "core/Inflate.h"
#include "core/MoFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace varnook::testing {
namespace {

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

uint32_t Word(std::string_view bytes, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

TEST(AppendedCatalogs, EachShippedCatalogIsAStreamOfWhatMsgfmtMade)
{
    const std::string exe = ReadBytes(U16(VarnookExe()));
    ASSERT_FALSE(exe.empty());
    const auto entries = ReadAppendedTable(exe.size(), [&](uint64_t offset, void* buffer, size_t length) {
        if (offset > exe.size() || length > exe.size() - offset)
            return false;
        std::memcpy(buffer, exe.data() + offset, length);
        return true;
    });
    const char* codes[] = {"ab", "da", "de", "el", "es", "fi", "fr", "hr", "hu", "id", "it", "ja", "ko",
                           "lv", "nl", "no", "pl", "pt_BR", "ro", "ru", "sk", "sv", "tr", "uk", "zh"};
    ASSERT_EQ(entries.size(), std::size(codes));
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string name = std::string("locale\\") + codes[i] + "\\LC_MESSAGES\\default.mo";
        SCOPED_TRACE(name);
        EXPECT_EQ(entries[i].name, std::u16string(name.begin(), name.end()));
        const std::string mo = ReadBytes(U16(BuildDir()) + entries[i].name);
        ASSERT_GT(mo.size(), 28u);
        EXPECT_EQ(Word(mo, 0), 0x950412deu);
        EXPECT_EQ(Word(mo, 20), 0u); // no hash table
        const auto* first = reinterpret_cast<const uint8_t*>(exe.data() + entries[i].info.offset);
        const auto inflated = Inflate({first, entries[i].info.size}, kMaxAppendedCatalog);
        ASSERT_TRUE(inflated.has_value());
        EXPECT_EQ(std::string(inflated->begin(), inflated->end()), mo);
    }
}

} // namespace
} // namespace varnook::testing
