// The backup file: value lines and escaping as a table, the choice between the two formats, the
// whole file, reading the sections from the store, and writing the file in one step.
#include "core/RegExport.h"
#include "platform/AdminServices.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using namespace varnook;
using namespace varnook::platform;
using varnook::testing::ScratchFolder;

namespace {

// A single-byte code page holding ASCII and U+00A0 to U+00FF at their own numbers.
bool Latin1(std::u16string_view text, std::string& bytes)
{
    bytes.clear();
    for (char16_t c : text) {
        if (c >= 0x80 && (c < 0xA0 || c > 0xFF))
            return false;
        bytes += static_cast<char>(c);
    }
    return true;
}

std::string U8(std::u16string_view s)
{
    return ToUtf8(s);
}

constexpr auto v4 = TRegFileFormat::Regedit4;
constexpr auto v5 = TRegFileFormat::Regedit5;

} // namespace

TEST(RegExport, EscapeDoublesBackslashesAndEscapesQuotesOnly)
{
    EXPECT_EQ(EscapeRegText(u"C:\\Tools\\"), u"C:\\\\Tools\\\\");
    EXPECT_EQ(EscapeRegText(u"say \"hi\""), u"say \\\"hi\\\"");
    EXPECT_EQ(EscapeRegText(u"a=b;%X%\t\u0416"), u"a=b;%X%\t\u0416");
    EXPECT_EQ(EscapeRegText(u""), u"");
}

TEST(RegExport, ValueLines)
{
    struct Case {
        const char* what;
        TRegValue value;
        TRegFileFormat format;
        std::u16string line;
    } cases[] = {
        {"backslashes", {u"EDITOR", rdString, u"C:\\Tools\\ed.exe"}, v4, u"\"EDITOR\"=\"C:\\\\Tools\\\\ed.exe\""},
        {"backslash in the name", {u"A\\B", rdString, u"x"}, v4, u"\"A\\\\B\"=\"x\""},
        {"quotes", {u"Q\"N", rdString, u"say \"hi\""}, v4, u"\"Q\\\"N\"=\"say \\\"hi\\\"\""},
        {"equals signs", {u"A=B", rdString, u"x=y"}, v4, u"\"A=B\"=\"x=y\""},
        {"empty string", {u"E", rdString, u""}, v4, u"\"E\"=\"\""},
        {"default value", {u"", rdString, u"v"}, v4, u"@=\"v\""},
        {"default expandable", {u"", rdExpandString, u"%A%"}, v4, u"@=hex(2):25,41,25,00"},
        {"percent in expandable", {u"P", rdExpandString, u"%PATH%"}, v4, u"\"P\"=hex(2):25,50,41,54,48,25,00"},
        {"backslash in expandable", {u"T", rdExpandString, u"%U%\\T"}, v4, u"\"T\"=hex(2):25,55,25,5C,54,00"},
        {"empty expandable", {u"X", rdExpandString, u""}, v4, u"\"X\"=hex(2):00"},
        {"ANSI bytes of an expandable", {u"L", rdExpandString, u"\u00E9"}, v4, u"\"L\"=hex(2):E9,00"},
        {"line break in a string", {u"M", rdString, u"A\r\nB"}, v5, u"\"M\"=hex(1):41,00,0D,00,0A,00,42,00,00,00"},
        {"line break in an expandable", {u"M", rdExpandString, u"A\nB"}, v4, u"\"M\"=hex(2):41,0A,42,00"},
        {"non-ANSI string in quotes", {u"\u0416", rdString, u"\u0416\u00E9"}, v5, u"\"\u0416\"=\"\u0416\u00E9\""},
        {"expandable as UTF-16", {u"P", rdExpandString, u"%P%"}, v5, u"\"P\"=hex(2):25,00,50,00,25,00,00,00"},
        {"astral character", {u"S", rdExpandString, u"\U0001F600"}, v5, u"\"S\"=hex(2):3D,D8,00,DE,00,00"},
        {"astral in a string", {u"S", rdString, u"\U0001F600"}, v5, u"\"S\"=\"\U0001F600\""},
        {"quotes in version 5", {u"a\"b", rdString, u"\\\""}, v5, u"\"a\\\"b\"=\"\\\\\\\"\""},
        {"empty expandable in version 5", {u"X", rdExpandString, u""}, v5, u"\"X\"=hex(2):00,00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(U8(RegValueLine(c.value, c.format, Latin1)), U8(c.line)) << c.what;
}

TEST(RegExport, FormatIsVersion4UnlessAValueNeedsMore)
{
    auto format = [](TRegSection section) { return ChooseRegFileFormat({section}, Latin1); };
    EXPECT_EQ(format({u"; User: b\r\n[K]", {{u"A", rdString, u"C:\\x \"q\" \u00E9"}, {u"B", rdExpandString, u"a\r\nb"}}}), v4);
    EXPECT_EQ(format({u"; User: \u0416\r\n[K]", {}}), v5);
    EXPECT_EQ(format({u"[K]", {{u"\u0416", rdString, u"x"}}}), v5);
    EXPECT_EQ(format({u"[K]", {{u"A", rdExpandString, u"\u20AC"}}}), v5);
    EXPECT_EQ(format({u"[K]", {{u"A", rdString, u"line\nbreak"}}}), v5);
    EXPECT_EQ(format({u"[K]", {{u"A", rdString, u"cr\ronly"}}}), v5);
}

TEST(RegExport, Version4FileIsTheAnsiTextOfTheSections)
{
    TRegExport file(Latin1);
    file.AddSection({u"; User: builder\r\n[HKEY_CURRENT_USER\\Environment]",
                     {{u"TEMP", rdExpandString, u"%USERPROFILE%\\Temp"}, {u"EDITOR", rdString, u"C:\\Tools\\ed.exe"}}});
    file.AddSection({u"; System variables\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session "
                     u"Manager\\Environment]",
                     {{u"OS", rdString, u"Windows_NT"}}});
    EXPECT_EQ(file.Render(), "REGEDIT4\r\n"
                             "\r\n"
                             "; User: builder\r\n"
                             "[HKEY_CURRENT_USER\\Environment]\r\n"
                             "\"TEMP\"=hex(2):25,55,53,45,52,50,52,4F,46,49,4C,45,25,5C,54,65,6D,70,00\r\n"
                             "\"EDITOR\"=\"C:\\\\Tools\\\\ed.exe\"\r\n"
                             "\r\n"
                             "; System variables\r\n"
                             "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment]\r\n"
                             "\"OS\"=\"Windows_NT\"\r\n");
}

TEST(RegExport, Version5FileIsUtf16WithByteOrderMark)
{
    TRegExport file(Latin1);
    file.AddSection({u"; User: \u0416\r\n[HKEY_CURRENT_USER\\Environment]", {}});
    file.AddSection({u"; System variables\r\n[S]", {{u"A", rdString, u"x"}}});
    const std::string bytes = file.Render();
    std::u16string expected = u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n; User: \u0416\r\n"
                              u"[HKEY_CURRENT_USER\\Environment]\r\n\r\n; System variables\r\n[S]\r\n\"A\"=\"x\"\r\n";
    std::string le;
    for (char16_t c : expected) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
    }
    EXPECT_EQ(bytes, le);
}

TEST(RegExport, HostileTextStaysInsideItsOwnValue)
{
    const std::u16string hostile = u"x\"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil]\r\n\"Run\"=\"calc\"\r\n\"";
    const std::u16string oneLine = u"x\" [HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil] \"Run\"=\"calc\" \"";
    for (bool wide : {false, true}) {
        // A line break in a plain string needs version 5; without one, version 4 does.
        TRegExport file(Latin1);
        file.AddSection({u"; User: u\r\n[HKEY_CURRENT_USER\\Environment]",
                         {{u"N\"]=\"[HKEY_LOCAL_MACHINE\\X]", rdString, wide ? hostile : oneLine},
                          {u"E", rdExpandString, hostile},
                          {u"W", rdString, oneLine}}});
        EXPECT_EQ(file.Format(), wide ? v5 : v4);
        const std::string bytes = file.Render();
        std::u16string text;
        if (wide) {
            ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
            for (size_t i = 2; i + 1 < bytes.size(); i += 2)
                text += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
        } else {
            text.assign(bytes.begin(), bytes.end());
        }
        // One key line, the heading's; each value on one line of its own.
        std::vector<std::u16string> lines;
        for (size_t start = 0; start < text.size();) {
            const size_t end = text.find(u"\r\n", start);
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        ASSERT_EQ(lines.size(), 7u) << U8(text);
        EXPECT_EQ(lines[3], u"[HKEY_CURRENT_USER\\Environment]");
        for (size_t i = 4; i < 7; ++i) {
            EXPECT_EQ(lines[i].find_first_of(u"\r\n"), std::u16string::npos);
            EXPECT_EQ(lines[i].front(), u'"') << U8(lines[i]);
        }
        EXPECT_EQ(U8(lines[4].substr(0, 33)), "\"N\\\"]=\\\"[HKEY_LOCAL_MACHINE\\\\X]\"=");
    }
    // Quoted without line breaks: every quote inside is escaped, so the text ends where it began.
    const std::u16string quoted = RegValueLine({u"N", rdString, u"a\"]=\"b\\"}, v5, Latin1);
    EXPECT_EQ(U8(quoted), "\"N\"=\"a\\\"]=\\\"b\\\\\"");
}

namespace {

class RegExportStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static std::atomic<int> counter{0};
        const std::string s = "Software\\VarnookTests\\export_" +
                              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "_" +
                              std::to_string(++counter);
        path = std::u16string(s.begin(), s.end());
        ASSERT_TRUE(reg.OpenKey(u"\\" + path, true));
    }
    void TearDown() override
    {
        reg.CloseKey();
        RegistryAccess cleaner;
        cleaner.DeleteKey(u"\\" + path);
    }
    std::u16string path;
    RegistryAccess reg;
};

} // namespace

TEST_F(RegExportStoreTest, SectionHoldsStringValuesInIndexOrderAndSkipsOtherKinds)
{
    reg.WriteString(u"B", u"1");
    reg.WriteInteger(u"DW", 7);
    reg.WriteExpandString(u"A", u"%B%");
    reg.WriteString(u"", u"default");
    reg.WriteString(u"bad\nname", u"x");
    std::vector<std::u16string> order; // the store's index order, whatever it is
    reg.GetValueNames(order);
    std::erase_if(order, [](const std::u16string& n) { return n == u"DW" || n == u"bad\nname"; });
    TRegExport file(Latin1);
    // A trailing backslash and a leading one are both taken off.
    file.ExportKeyToRegFile(kRootCurrentUser, u"\\" + path + u"\\", u"; H\r\n[K]");
    ASSERT_EQ(file.Sections().size(), 1u);
    const auto& values = file.Sections()[0].values;
    ASSERT_EQ(values.size(), 3u);
    std::string expected = "REGEDIT4\r\n\r\n; H\r\n[K]\r\n";
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(values[i].name, order[i]);
        expected += order[i] == u"B" ? "\"B\"=\"1\"\r\n" : order[i] == u"A" ? "\"A\"=hex(2):25,42,25,00\r\n" : "@=\"default\"\r\n";
    }
    ASSERT_EQ(file.Skipped().size(), 1u);
    EXPECT_EQ(file.Skipped()[0], u"bad\nname");
    EXPECT_EQ(file.Render(), expected); // never expanded
}

TEST_F(RegExportStoreTest, MissingKeyGivesTheHeadingAlone)
{
    TRegExport file(Latin1);
    file.ExportKeyToRegFile(kRootCurrentUser, path + u"\\Missing", u"; User: u\r\n[U]");
    file.ExportKeyToRegFile(kRootCurrentUser, path, u"; System variables\r\n[S]");
    EXPECT_EQ(file.Render(), "REGEDIT4\r\n\r\n; User: u\r\n[U]\r\n\r\n; System variables\r\n[S]\r\n");
}

TEST(RegExportFile, ReplacesTheFileOnlyWhenComplete)
{
    ScratchFolder folder;
    const std::u16string target = folder.Path() + u"\\backup";
    varnook::testing::WriteBytes(target, "old content");
    TRegExport file(Latin1);
    file.AddSection({u"[K]", {{u"A", rdString, u"x"}}});
    file.SaveToFile(target);
    EXPECT_EQ(varnook::testing::ReadBytes(target), file.Render());
    EXPECT_FALSE(varnook::testing::FileExists(target + u".tmp~"));

    const std::u16string nowhere = folder.Path() + u"\\missing\\backup.reg";
    try {
        file.SaveToFile(nowhere);
        ADD_FAILURE() << "no failure";
    } catch (const EVarnookError& e) {
        EXPECT_EQ(e.Message(), u"Can not write the file '" + nowhere + u"'");
    }
    EXPECT_FALSE(varnook::testing::FileExists(nowhere));
}

TEST(RegExportFile, FullDiskLeavesTheChosenFileAsItWas)
{
    // Half the bytes reach the disk, then the write fails.
    class FullDisk final : public IFileWriter {
    public:
        bool WriteWholeFile(const std::u16string& path, std::string_view bytes) override
        {
            DefaultFileWriter().WriteWholeFile(path, bytes.substr(0, bytes.size() / 2));
            return false;
        }
    } disk;
    ScopedOverride<IFileWriter> use(disk);
    ScratchFolder folder;
    const std::u16string target = folder.Path() + u"\\backup.reg";
    varnook::testing::WriteBytes(target, "the previous backup");
    TRegExport file(Latin1);
    file.AddSection({u"[K]", {{u"A", rdString, u"x"}}});
    EXPECT_THROW(file.SaveToFile(target), EVarnookError);
    EXPECT_EQ(varnook::testing::ReadBytes(target), "the previous backup");
    EXPECT_FALSE(varnook::testing::FileExists(target + u".tmp~"));
}

TEST(RegExportFile, SuggestedNameCarriesTheLocalTime)
{
    EXPECT_EQ(BackupFileName(2024, 1, 31, 14, 23, 5), u"backup_240131_142305.reg");
    EXPECT_EQ(BackupFileName(2009, 12, 1, 0, 0, 0), u"backup_091201_000000.reg");
}
