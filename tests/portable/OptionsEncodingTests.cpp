// Options files written by other tools in any encoding: read without a loss, rewritten
// without one, and an original that could not be read in full kept beside the file. Natively
// through the program's own INI reader; under Wine through the profile functions as well.
#include "app/Options.h"
#include "platform/MemoryRegistry.h"
#include "platform/TextEncoding.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

using namespace varnook;
using namespace varnook::platform;
using varnook::testing::FileExists;
using varnook::testing::ProgramIn;
using varnook::testing::ReadBytes;
using varnook::testing::ScratchFolder;
using varnook::testing::WriteBytes;
using namespace std::string_literals;

namespace {

std::string Utf16(std::u16string_view text, bool bigEndian)
{
    std::string bytes;
    for (char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::string Utf8(std::u16string_view text)
{
    std::string bytes;
    for (char16_t c : text) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

// Names outside ASCII: a Latin letter every ANSI code page of the West has, and Cyrillic.
const std::u16string kLatin = u"M\u00FCller_PATH";
const std::u16string kCyrillic = u"\u041F\u0423\u0422\u042C";
const std::u16string kSkin = u"Gr\u00FCn";

std::u16string IniText(bool withCyrillic)
{
    std::u16string text = u"[Varnook]\r\nskin=" + kSkin + u"\r\nonExitConfirmation=1\r\n[Exclusions]\r\n" + kLatin +
                          u"=1\r\n";
    if (withCyrillic)
        text += kCyrillic + u"=2\r\n";
    return text;
}

} // namespace

TEST(TextEncoding, DetectionAsATable)
{
    using E = TTextEncoding;
    const struct {
        const char* name;
        std::string bytes;
        E encoding;
        bool complete;
    } cases[] = {
        {"empty", "", E::Utf8, true},
        {"ASCII", "[a]\r\nb=1\r\n", E::Utf8, true},
        {"UTF-8", Utf8(u"[a]\r\nx=\u00FC\u041F"), E::Utf8, true},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + Utf8(u"x=\u00FC"), E::Utf8Bom, true},
        {"UTF-16 LE with mark", "\xFF\xFE" + Utf16(u"x=\u041F", false), E::Utf16LeBom, true},
        {"UTF-16 BE with mark", "\xFE\xFF" + Utf16(u"x=\u041F", true), E::Utf16BeBom, true},
        {"UTF-16 LE", Utf16(u"[a]\r\nx=\u041F", false), E::Utf16Le, true},
        {"UTF-16 BE", Utf16(u"[a]\r\nx=\u041F", true), E::Utf16Be, true},
        {"UTF-16 LE cut short", Utf16(u"[a]", false) + "x", E::Utf16Le, false},
        {"ANSI", "x=M\xFCller", E::Ansi, false},
        {"a stray NUL in 8-bit text", "[a]\r\nb=1\r\n\0c=2\r\n"s, E::Utf8, true},
        {"overlong UTF-8 is ANSI", "x=\xC0\xAF", E::Ansi, false},
        {"UTF-8 surrogate is ANSI", "x=\xED\xA0\x80", E::Ansi, false},
        {"UTF-8 cut short is ANSI", "x=\xE2\x82", E::Ansi, false},
        {"a marked file that is no UTF-8", "\xEF\xBB\xBFx=\xFF", E::Utf8Bom, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DetectTextEncoding(c.bytes), c.encoding);
        EXPECT_EQ(DecodeTextFile(c.bytes).complete, c.complete);
    }
    EXPECT_EQ(DecodeTextFile("x=M\xFCller").text, u"x=M\u00FCller");
    EXPECT_EQ(DecodeTextFile(Utf16(u"x=\u041F", true)).text, u"x=\u041F");
}

class OptionsEncoding : public ::testing::Test {
protected:
    std::u16string IniPath() const { return folder.Path() + u"\\varnook.ini"; }

    MemoryRegistry store;
    ScopedOverride<IRegistryBackend> useStore{store};
    ScratchFolder folder;
    ProgramIn program{folder.Path()};
    ScopedOverride<IProgramFiles> useProgram{program};
};

TEST_F(OptionsEncoding, EachEncodingRoundTripsItsNamesAndOnlyAGuessKeepsABackup)
{
    const struct {
        const char* name;
        std::string bytes;
        bool cyrillic; // the encoding can hold names beyond the ANSI code page
        bool backup;
    } cases[] = {
        {"UTF-8", Utf8(IniText(true)), true, false},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + Utf8(IniText(true)), true, false},
        {"UTF-16 LE with mark", "\xFF\xFE" + Utf16(IniText(true), false), true, false},
        {"UTF-16 BE with mark", "\xFE\xFF" + Utf16(IniText(true), true), true, false},
        {"UTF-16 LE without mark", Utf16(IniText(true), false), true, false},
        {"UTF-16 BE without mark", Utf16(IniText(true), true), true, false},
        // Windows-1252 (and Latin-1): u-umlaut is 0xFC.
        {"ANSI", "[Varnook]\r\nskin=Gr\xFCn\r\nonExitConfirmation=1\r\n[Exclusions]\r\nM\xFCller_PATH=1\r\n", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(IniPath(), c.bytes);
        program.RemoveFile(IniPath() + u".bak");
        {
            TOptions options(nullptr);
            options.Load();
            ASSERT_TRUE(options.IsPortable());
            EXPECT_EQ(options.skin, kSkin);
            EXPECT_TRUE(options.onExitConfirmation);
            TExclusions& e = options.GetExclusions();
            EXPECT_EQ(e.Count(), c.cyrillic ? 2 : 1);
            EXPECT_FALSE(e.isSplit(kLatin));
            if (c.cyrillic)
                EXPECT_FALSE(e.isCheck(kCyrillic));
            options.isAnimation = false;
            options.Save();
            EXPECT_EQ(FileExists(IniPath() + u".bak"), c.backup);
            if (c.backup) {
                EXPECT_EQ(ReadBytes(IniPath() + u".bak"), c.bytes) << "the original, byte for byte";
                const std::u16string notice = options.TakeNotice();
                EXPECT_NE(notice.find(IniPath() + u".bak"), std::u16string::npos);
                EXPECT_TRUE(options.TakeNotice().empty()) << "said once";
            } else {
                EXPECT_TRUE(options.TakeNotice().empty());
            }
            // The file, now written by the program, reads in full: no second backup, no notice.
            program.RemoveFile(IniPath() + u".bak");
            options.Save();
            EXPECT_FALSE(FileExists(IniPath() + u".bak"));
            EXPECT_TRUE(options.TakeNotice().empty());
        }
        TOptions reread(nullptr);
        reread.Load();
        EXPECT_EQ(reread.skin, kSkin);
        EXPECT_FALSE(reread.isAnimation);
        EXPECT_EQ(reread.GetExclusions().Count(), c.cyrillic ? 2 : 1);
        EXPECT_TRUE(reread.GetExclusions().ContainsKey(kLatin));
        if (c.cyrillic)
            EXPECT_TRUE(reread.GetExclusions().ContainsKey(kCyrillic));
        EXPECT_EQ(ReadBytes(IniPath()).substr(0, 2), "\xFF\xFE") << "rewritten as UTF-16";
    }
}

TEST_F(OptionsEncoding, ABackupThatCannotBeMadeStopsTheRewrite)
{
    class NoCopy : public ProgramIn {
    public:
        using ProgramIn::ProgramIn;
        bool CopyReplacing(const std::u16string&, const std::u16string&) override { return false; }
    } noCopy(folder.Path());
    ScopedOverride<IProgramFiles> useNoCopy(noCopy);
    const std::string ansi = "[Exclusions]\r\nM\xFCller=3\r\n";
    WriteBytes(IniPath(), ansi);
    TOptions options(nullptr);
    options.Load();
    EXPECT_THROW(options.Save(), EIniFileException);
    EXPECT_EQ(ReadBytes(IniPath()), ansi);
    EXPECT_TRUE(options.GetExclusions().ContainsKey(u"M\u00FCller")) << "and the options stay in memory";
}
