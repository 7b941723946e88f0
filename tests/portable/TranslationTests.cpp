// The translation layer: catalogs made by GNU msgfmt, appended to a program file (as made, or as
// the zlib streams the build stores) or lying beside it, found from the end of the file and read
// in place or from their inflated copy.
#include "core/FileLocator.h"
#include "core/MoFile.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "platform/CatalogFiles.h"
#include "platform/Services.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace varnook::fixtures {
extern const std::string_view kCatalog_de;
extern const std::string_view kCatalog_de_big;
extern const std::string_view kCatalog_pt_BR;
extern const std::string_view kCatalog_latin1;
// zlib streams made by Python's zlib: of de.mo, of de.po (no catalog) and of 16 MiB and a byte.
extern const std::string_view kCatalog_de_z;
extern const std::string_view kCatalog_po_z;
extern const std::string_view kCatalog_oversized_z;
} // namespace varnook::fixtures

namespace varnook {
namespace {

using namespace fixtures;

class BytesView final : public platform::IFileView {
public:
    explicit BytesView(std::string bytes) : bytes_(std::move(bytes)) {}
    const unsigned char* Data() const override { return reinterpret_cast<const unsigned char*>(bytes_.data()); }
    size_t Size() const override { return bytes_.size(); }

private:
    std::string bytes_;
};

std::unique_ptr<TMoFile> OpenBytes(std::string_view bytes)
{
    return TMoFile::Open(std::make_unique<BytesView>(std::string(bytes)), u"test.mo");
}

std::string Find(const TMoFile& catalog, std::string_view id)
{
    std::string_view translation;
    return catalog.Lookup(id, translation) ? std::string(translation) : std::string("<none>");
}

TEST(MoFile, FindsTranslationsInEitherByteOrder)
{
    for (std::string_view bytes : {kCatalog_de, kCatalog_de_big}) {
        auto catalog = OpenBytes(bytes);
        ASSERT_TRUE(catalog);
        EXPECT_EQ(Find(*catalog, "Save"), "Speichern");
        EXPECT_EQ(Find(*catalog, "&File"), "&Datei");
        EXPECT_EQ(Find(*catalog, "Variable name"), "Variablenname");
        EXPECT_EQ(Find(*catalog, "Variable"), "<none>"); // a prefix of an identifier
        EXPECT_EQ(Find(*catalog, "Variable name "), "<none>");
        EXPECT_EQ(Find(*catalog, "Sav"), "<none>");
        EXPECT_TRUE(HeaderDeclaresUtf8(catalog->Header()));
    }
    EXPECT_TRUE(HeaderDeclaresUtf8(OpenBytes(kCatalog_pt_BR)->Header())); // "charset=utf-8"
    EXPECT_FALSE(HeaderDeclaresUtf8(OpenBytes(kCatalog_latin1)->Header()));
    EXPECT_FALSE(HeaderDeclaresUtf8("Project-Id-Version: x\ncharset=UTF-8\n")); // not in Content-Type
}

TEST(MoFile, DamagedCatalogIsNoCatalogAndNeverReadsOutside)
{
    const std::string good(kCatalog_de);
    EXPECT_THROW(OpenBytes(""), std::runtime_error);
    EXPECT_THROW(OpenBytes("\x12\x34\x56\x78 and more bytes than four"), std::runtime_error);
    // Every truncation: either refused or, when nothing needed was cut, still consistent.
    for (size_t length = 4; length < good.size(); ++length) {
        std::unique_ptr<TMoFile> catalog = OpenBytes(good.substr(0, length));
        if (catalog)
            Find(*catalog, "Save");
    }
    // Each 32-bit field of the header and the tables made huge, one at a time.
    for (size_t at = 8; at + 4 <= 28 + 5 * 16 && at + 4 <= good.size(); at += 4) {
        std::string bad = good;
        std::memset(bad.data() + at, 0x7f, 4);
        std::unique_ptr<TMoFile> catalog = OpenBytes(bad);
        if (catalog)
            Find(*catalog, "Save");
    }
}

std::string_view BytesOf(const platform::IFileView& view)
{
    return {reinterpret_cast<const char*>(view.Data()), view.Size()};
}

TEST(MoFile, AppendedStreamInflatesToTheCatalogMsgfmtMade)
{
    auto inflated = [](std::string_view stored, size_t limit) {
        auto view = InflateAppendedCatalog(std::make_unique<BytesView>(std::string(stored)), limit);
        return view ? std::string(BytesOf(*view)) : std::string("<null>");
    };
    EXPECT_EQ(inflated(kCatalog_de_z, kMaxAppendedCatalog), kCatalog_de);
    EXPECT_EQ(inflated(kCatalog_de_z, kCatalog_de.size()), kCatalog_de);
    // One byte past the limit and the stream is handed back as it is, to open as no catalog.
    EXPECT_EQ(inflated(kCatalog_de_z, kCatalog_de.size() - 1), kCatalog_de_z);
    EXPECT_EQ(inflated(kCatalog_oversized_z, kMaxAppendedCatalog), kCatalog_oversized_z);
    // A plain catalog, as older executables append them, is read in place.
    EXPECT_EQ(inflated(kCatalog_de, kMaxAppendedCatalog), kCatalog_de);
    EXPECT_EQ(InflateAppendedCatalog(nullptr), nullptr);
}

// A program file: some code bytes that hold the begin signature as a constant, then the tail.
std::string ProgramWithTail(const std::vector<std::pair<std::string, std::string>>& files, size_t codeBytes = 5000)
{
    std::string program(codeBytes, 'M');
    program.replace(100, 39, kBeginSignature, 39);
    return program + BuildAppendedTail(files);
}

std::vector<TEmbeddedEntry> ReadTable(const std::string& file, uint64_t* bytesRead = nullptr)
{
    return ReadAppendedTable(
        file.size(),
        [&](uint64_t offset, void* buffer, size_t length) {
            if (offset > file.size() || length > file.size() - offset)
                return false;
            std::memcpy(buffer, file.data() + offset, length);
            return true;
        },
        bytesRead);
}

TEST(AppendedCatalogs, TableIsFoundFromTheEndDespiteTheSignatureInTheCode)
{
    const std::string file = ProgramWithTail({{"locale\\de\\LC_MESSAGES\\default.mo", std::string(kCatalog_de)},
                                              {"locale\\pt_BR\\LC_MESSAGES\\default.mo", std::string(kCatalog_pt_BR)}});
    const auto entries = ReadTable(file);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, u"locale\\de\\LC_MESSAGES\\default.mo");
    EXPECT_EQ(file.substr(entries[0].info.offset, entries[0].info.size), kCatalog_de);
    EXPECT_EQ(entries[1].name, u"locale\\pt_BR\\LC_MESSAGES\\default.mo");
    EXPECT_EQ(file.substr(entries[1].info.offset, entries[1].info.size), kCatalog_pt_BR);
}

TEST(AppendedCatalogs, IndexReadsOnlyTheTailOfALargeFile)
{
    // 200 MB of program before a tail of 25 catalogs, served without holding the file.
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 25; ++i)
        files.emplace_back("locale\\l" + std::to_string(i) + "\\LC_MESSAGES\\default.mo", std::string(kCatalog_de));
    const std::string tail = BuildAppendedTail(files);
    const uint64_t code = 200u << 20, size = code + tail.size();
    uint64_t bytesRead = 0;
    const auto entries = ReadAppendedTable(
        size,
        [&](uint64_t offset, void* buffer, size_t length) {
            auto* out = static_cast<char*>(buffer);
            for (size_t i = 0; i < length; ++i)
                out[i] = offset + i >= code ? tail[offset + i - code] : 'M';
            return offset + length <= size;
        },
        &bytesRead);
    EXPECT_EQ(entries.size(), 25u);
    EXPECT_LE(bytesRead, 64u * 1024);
}

TEST(AppendedCatalogs, DamagedTailsGiveNoEntriesOrTheOnesBeforeTheDamage)
{
    const std::vector<std::pair<std::string, std::string>> two = {{"a.mo", "AAAA"}, {"b.mo", "BBBBBB"}};
    const std::string file = ProgramWithTail(two);
    const size_t tail = file.size() - BuildAppendedTail(two).size();
    const size_t base = tail + 39, table = base + 10, end = file.size();
    auto put64 = [](std::string s, size_t at, uint64_t v) {
        for (int i = 0; i < 8; ++i)
            s[at + i] = char(v >> (8 * i));
        return s;
    };
    struct Case {
        const char* what;
        std::string bytes;
        size_t entries;
    } cases[] = {
        {"intact", file, 2},
        {"no end signature", file.substr(0, end - 1), 0},
        {"nothing appended", std::string(6000, 'M'), 0},
        {"begin signature damaged", std::string(file).replace(tail + 5, 1, "#"), 0},
        {"table offset past the table", put64(file, end - 39 - 8, 1000000), 0},
        {"first next-entry offset points back", put64(file, table, 0), 0},
        {"first next-entry offset points at itself", put64(file, table, 10), 0},
        {"file beyond the data area", put64(file, table + 8, 8), 0},
        {"size beyond the data area", put64(file, table + 256 + 16, 7), 1},
        {"huge size", put64(file, table + 16, ~uint64_t(0)), 0},
        {"duplicate name", std::string(file).replace(table + 256 + 24, 4, "a.mo"), 1},
        {"truncated in the middle", file.substr(0, tail + 20) + file.substr(end - 100), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadTable(c.bytes).size(), c.entries) << c.what;
    // Any single damaged byte of the tail: never more entries than there are, never a crash.
    for (size_t at = tail; at < end; ++at) {
        std::string bad = file;
        bad[at] = char(bad[at] ^ 0x5a);
        EXPECT_LE(ReadTable(bad).size(), 2u);
    }
}

class TranslatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::make_unique<testing::ScratchFolder>();
        exe_ = folder_->Path() + u"\\varnook.exe";
        testing::WriteBytes(exe_, ProgramWithTail({{"locale\\de\\LC_MESSAGES\\default.mo", std::string(kCatalog_de_big)},
                                                   {"locale\\pt_BR\\LC_MESSAGES\\default.mo", std::string(kCatalog_pt_BR)},
                                                   {"locale\\fr\\LC_MESSAGES\\default.mo", std::string(kCatalog_latin1)},
                                                   {"locale\\it\\LC_MESSAGES\\default.mo", "not a catalog at all"}}));
        SetLocalizationProblemReporter([this](const std::u16string& caption, const std::u16string& text) {
            problems_.push_back(caption + u": " + text);
        });
        StartTranslator(exe_);
    }
    void TearDown() override
    {
        SetLocalizationProblemReporter(nullptr);
        StartTranslator(u"");
        UseLanguage(u"en");
    }

    std::unique_ptr<testing::ScratchFolder> folder_;
    std::u16string exe_;
    std::vector<std::u16string> problems_;
};

TEST_F(TranslatorTest, TranslatesThroughTheAppendedCatalogs)
{
    UseLanguage(u"de");
    EXPECT_EQ(gettext(u"Save"), u"Speichern");
    EXPECT_EQ(gettext(u"All changes will be lost after refreshing\r\nAre you sure?"),
              u"Alle \u00c4nderungen gehen beim Aktualisieren verloren\r\nSind Sie sicher?");
    EXPECT_EQ(gettext(u"Unknown\nline\r\nbreaks\rhere"), u"Unknown\r\nline\r\nbreaks" u"here");
    UseLanguage(u"de_DE");
    EXPECT_EQ(gettext(u"Save"), u"Speichern");
    UseLanguage(u"pt_br");
    EXPECT_EQ(gettext(u"Save"), u"Salvar");
    UseLanguage(u"en");
    EXPECT_EQ(gettext(u"Save"), u"Save");
    UseLanguage(u"sv");
    EXPECT_EQ(gettext(u"Save"), u"Save");
    EXPECT_TRUE(problems_.empty());
    EXPECT_LE(CatalogIndexBytesRead(), 64u * 1024);
}

// The system names Norwegian Bokmål nb and Nynorsk nn; the catalog is no.
TEST_F(TranslatorTest, NorwegianLocalesFindTheNorwegianCatalog)
{
    testing::WriteBytes(exe_, ProgramWithTail({{"locale\\no\\LC_MESSAGES\\default.mo", std::string(kCatalog_de)}}));
    StartTranslator(exe_);
    for (const char16_t* code : {u"nb_NO", u"nb", u"nn_NO", u"no_NO", u"no"}) {
        UseLanguage(code);
        EXPECT_EQ(gettext(u"Save"), u"Speichern") << ToUtf8(code);
    }
    UseLanguage(u"nl_NL");
    EXPECT_EQ(gettext(u"Save"), u"Save");
}

TEST_F(TranslatorTest, CatalogBesideTheProgramReplacesTheAppendedOne)
{
    folder_->Make(u"locale\\de\\LC_MESSAGES", true);
    testing::WriteBytes(folder_->Path() + u"\\locale\\de\\LC_MESSAGES\\default.mo", std::string(kCatalog_pt_BR));
    StartTranslator(exe_);
    UseLanguage(u"de");
    EXPECT_EQ(gettext(u"Save"), u"Salvar");
}

TEST_F(TranslatorTest, CatalogWithoutUtf8TurnsTranslationOffWithOneMessage)
{
    UseLanguage(u"fr");
    EXPECT_EQ(gettext(u"Save"), u"Save");
    EXPECT_EQ(gettext(u"Save"), u"Save");
    ASSERT_EQ(problems_.size(), 1u);
    EXPECT_EQ(problems_[0], u"Localization problem: The translation for the language code fr (in " + folder_->Path() +
                                u"\\locale\\fr\\LC_MESSAGES\\default.mo) does not have charset=utf-8 in its "
                                u"Content-Type. Translations are turned off.");
    UseLanguage(u"de");
    EXPECT_EQ(gettext(u"Save"), u"Save"); // turned off for good
}

TEST_F(TranslatorTest, CompressedCatalogTranslatesLikeThePlainOne)
{
    const char16_t* texts[] = {u"Save", u"&File", u"Variable name",
                               u"All changes will be lost after refreshing\r\nAre you sure?", u"Variable", u"Sav", u""};
    std::vector<std::u16string> plain, compressed;
    for (auto [stored, into] : {std::pair{kCatalog_de, &plain}, std::pair{kCatalog_de_z, &compressed}}) {
        testing::WriteBytes(exe_, ProgramWithTail({{"locale\\de\\LC_MESSAGES\\default.mo", std::string(stored)}}));
        StartTranslator(exe_);
        UseLanguage(u"de");
        for (const char16_t* text : texts)
            into->push_back(gettext(text));
    }
    EXPECT_EQ(compressed, plain);
    EXPECT_EQ(compressed[0], u"Speichern");
    EXPECT_TRUE(problems_.empty());
}

// Whatever the damage, an appended entry that is no catalog gives the same message once and the
// program stays English.
TEST_F(TranslatorTest, NotACatalogRaisesOnceThenStaysEnglish)
{
    std::string badChecksum(kCatalog_de_z);
    badChecksum.back() = char(badChecksum.back() ^ 0x01);
    const struct {
        const char* what;
        std::string stored;
    } cases[] = {
        {"not a catalog at all", "not a catalog at all"},
        {"stream cut short", std::string(kCatalog_de_z.substr(0, kCatalog_de_z.size() / 2))},
        {"stream without its last checksum byte", std::string(kCatalog_de_z.substr(0, kCatalog_de_z.size() - 1))},
        {"Adler-32 wrong", badChecksum},
        {"stream of a .po text", std::string(kCatalog_po_z)},
        {"stream of more than 16 MiB", std::string(kCatalog_oversized_z)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing::WriteBytes(exe_, ProgramWithTail({{"locale\\it\\LC_MESSAGES\\default.mo", c.stored}}));
        StartTranslator(exe_);
        UseLanguage(u"it");
        try {
            gettext(u"Save");
            ADD_FAILURE() << "no failure raised";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(FromUtf8(e.what()), u"This file is not a valid GNU gettext mo file: " + folder_->Path() +
                                              u"\\locale\\it\\LC_MESSAGES\\default.mo");
        }
        EXPECT_EQ(gettext(u"Save"), u"Save");
    }
    EXPECT_TRUE(problems_.empty());
}

// A translator's catalog beside the program is a plain .mo as msgfmt writes it; only the
// executable's own tail holds streams.
TEST_F(TranslatorTest, CatalogBesideTheProgramIsNeverInflated)
{
    folder_->Make(u"locale\\de\\LC_MESSAGES", true);
    testing::WriteBytes(folder_->Path() + u"\\locale\\de\\LC_MESSAGES\\default.mo", std::string(kCatalog_de_z));
    StartTranslator(exe_);
    UseLanguage(u"de");
    EXPECT_THROW(gettext(u"Save"), std::runtime_error);
    EXPECT_EQ(gettext(u"Save"), u"Save");
}

class FakeEnvironment final : public platform::IProcessEnvironment {
public:
    std::u16string lang;
    std::u16string GetVariable(std::u16string_view name) const override { return name == u"LANG" ? lang : u""; }
};

class FakeLocale final : public platform::ICatalogFiles {
public:
    platform::TLocaleNames names;
    bool GetFileSize(const std::u16string&, uint64_t&) override { return false; }
    bool ReadAt(const std::u16string&, uint64_t, void*, size_t) override { return false; }
    bool FileExists(const std::u16string&) override { return false; }
    std::unique_ptr<platform::IFileView> MapRange(const std::u16string&, uint64_t, uint64_t) override { return nullptr; }
    platform::TLocaleNames LocaleNames() override { return names; }
};

TEST(Translator, LanguageFromTheEnvironment)
{
    FakeEnvironment environment;
    FakeLocale locale;
    platform::ScopedOverride<platform::IProcessEnvironment> useEnvironment(environment);
    platform::ScopedCatalogFiles useLocale(locale);
    struct Case {
        std::u16string lang, language, country;
        uint32_t id;
        std::u16string code;
    } cases[] = {
        {u"de_AT.UTF-8", u"fr", u"FR", 1036, u"de_AT"},
        {u"ja", u"", u"", 0, u"ja"},
        {u"", u"fr", u"CA", 3084, u"fr_CA"},
        {u"", u"no", u"NO", 1044, u"nb_NO"},
        {u"", u"", u"", 1046, u"pt_BR"},
        {u"", u"", u"", 3082, u"es_ES"},
        {u"", u"", u"", 1041, u"C"},
    };
    for (const Case& c : cases) {
        environment.lang = c.lang;
        locale.names = {c.language, c.country, c.id};
        EXPECT_EQ(LanguageFromEnvironment(), c.code) << ToUtf8(c.code);
    }
}

} // namespace
} // namespace varnook
