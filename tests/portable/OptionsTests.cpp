// The options in their three storage modes: an in-memory registry, and options files in a
// scratch folder that stands for the program's folder (read and written through the profile
// functions under Wine, through the native build's INI substitute otherwise).
#include "app/Options.h"
#include "platform/MemoryRegistry.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

using namespace varnook;
using namespace varnook::platform;
using varnook::testing::ProgramIn;
using varnook::testing::ReadBytes;
using varnook::testing::ScratchFolder;
using varnook::testing::WriteBytes;
using namespace std::string_literals;

namespace {

// Toolbars as the main window would describe them.
class Toolbars : public IToolbarOwner {
public:
    Toolbars()
    {
        for (const char16_t* name : {u"tbxMainmenu", u"tbMain", u"tbInterface", u"tbUser"})
            bars.push_back({name, true, u"dockTop", u"dockTop", 0, 0, 0, 0});
    }
    std::vector<TToolbarArrangement> GetToolbarArrangement() override { return bars; }
    void ApplyToolbarArrangement(const TToolbarArrangement& arrangement) override { applied.push_back(arrangement); }

    std::vector<TToolbarArrangement> bars;
    std::vector<TToolbarArrangement> applied;
};

class OptionsTest : public ::testing::Test {
protected:
    std::u16string IniPath() const { return folder.Path() + u"\\varnook.ini"; }
    void WriteIni(const std::string& text) { WriteBytes(IniPath(), text); }

    // A value as the store holds it, through the registry layer.
    bool StoredValue(const std::u16string& key, const std::u16string& name, uint32_t& type, std::vector<uint8_t>& data)
    {
        RegHandle handle = 0;
        if (store.OpenKey(kRootCurrentUser, key, kKeyRead, handle) != kErrorSuccess)
            return false;
        uint32_t size = 0;
        const bool found = store.QueryValue(handle, name, type, size, &data) == kErrorSuccess;
        store.CloseKey(handle);
        return found;
    }
    int32_t StoredInteger(const std::u16string& key, const std::u16string& name)
    {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        EXPECT_TRUE(StoredValue(key, name, type, data)) << ToUtf8(name);
        EXPECT_EQ(type, kRegDword) << ToUtf8(name);
        int32_t value = -12345;
        if (data.size() == 4)
            std::memcpy(&value, data.data(), 4);
        return value;
    }
    bool KeyExists(const std::u16string& key)
    {
        RegHandle handle = 0;
        if (store.OpenKey(kRootCurrentUser, key, kKeyRead, handle) != kErrorSuccess)
            return false;
        store.CloseKey(handle);
        return true;
    }
    void SetRaw(const std::u16string& key, const std::u16string& name, uint32_t type, const void* data, uint32_t size)
    {
        RegHandle handle = 0;
        ASSERT_EQ(store.CreateKey(kRootCurrentUser, key, kKeyAllAccess, handle), kErrorSuccess);
        ASSERT_EQ(store.SetValue(handle, name, type, data, size), kErrorSuccess);
        store.CloseKey(handle);
    }
    void SetRawString(const std::u16string& key, const std::u16string& name, const std::u16string& text)
    {
        SetRaw(key, name, kRegSz, text.c_str(), static_cast<uint32_t>((text.size() + 1) * 2));
    }
    void SetRawInteger(const std::u16string& key, const std::u16string& name, int32_t value)
    {
        SetRaw(key, name, kRegDword, &value, 4);
    }

    MemoryRegistry store;
    ScopedOverride<IRegistryBackend> useStore{store};
    ScratchFolder folder;
    ProgramIn program{folder.Path()};
    ScopedOverride<IProgramFiles> useProgram{program};
};

void SetEveryOption(TOptions& o)
{
    o.onExitConfirmation = true;
    o.onDeleteConfirmation = true;
    o.checkForUpdates = false;
    o.isAnimation = false;
    o.showInformation = false;
    o.showReadonly = false;
    o.skin = u"Office 2007 Blue";
    o.isMaximized = true;
    o.left = -5;
    o.top = 20;
    o.width = 1024;
    o.height = 2147483647;
    o.SetLanguage(u"Deutsch");
    o.id = -123456;
    TExclusions& e = o.GetExclusions();
    e.Clear();
    e.Add(u"Path", true, true);     // listed, neither flag: 0
    e.Add(u"PATHEXT", false, true); // do not split: 1
    e.Add(u"TEMP", true, false);    // do not validate: 2
    e.Add(u"windir", false, false); // both: 3
}

void ExpectEveryOption(TOptions& o)
{
    EXPECT_TRUE(o.onExitConfirmation);
    EXPECT_TRUE(o.onDeleteConfirmation);
    EXPECT_FALSE(o.checkForUpdates);
    EXPECT_FALSE(o.isAnimation);
    EXPECT_FALSE(o.showInformation);
    EXPECT_FALSE(o.showReadonly);
    EXPECT_EQ(o.skin, u"Office 2007 Blue");
    EXPECT_TRUE(o.isMaximized);
    EXPECT_EQ(o.left, -5);
    EXPECT_EQ(o.top, 20);
    EXPECT_EQ(o.width, 1024);
    EXPECT_EQ(o.height, 2147483647);
    EXPECT_EQ(o.GetLanguage(), u"Deutsch");
    EXPECT_EQ(o.id, -123456);
    TExclusions& e = o.GetExclusions();
    ASSERT_EQ(e.Count(), 4);
    EXPECT_TRUE(e.ContainsKey(u"Path") && e.isSplit(u"Path") && e.isCheck(u"Path"));
    EXPECT_TRUE(!e.isSplit(u"PATHEXT") && e.isCheck(u"PATHEXT"));
    EXPECT_TRUE(e.isSplit(u"TEMP") && !e.isCheck(u"TEMP"));
    EXPECT_TRUE(!e.isSplit(u"windir") && !e.isCheck(u"windir"));
}

void ExpectEveryDefault(TOptions& o)
{
    EXPECT_FALSE(o.onExitConfirmation);
    EXPECT_FALSE(o.onDeleteConfirmation);
    EXPECT_TRUE(o.checkForUpdates);
    EXPECT_TRUE(o.isAnimation);
    EXPECT_TRUE(o.showInformation);
    EXPECT_TRUE(o.showReadonly);
    EXPECT_EQ(o.skin, u"Default");
    EXPECT_FALSE(o.isMaximized);
    EXPECT_EQ(o.left, -1);
    EXPECT_EQ(o.top, -1);
    EXPECT_EQ(o.width, -1);
    EXPECT_EQ(o.height, -1);
    EXPECT_EQ(o.GetLanguage(), u"English");
    EXPECT_NEAR(o.id, LocalTimeId(), 2);
    EXPECT_EQ(o.GetExclusions().Count(), 0);
}

} // namespace

TEST_F(OptionsTest, FirstStartAndEmptyFileGiveEveryDefault)
{
    {
        TOptions options(nullptr);
        options.Load();
        EXPECT_FALSE(options.IsPortable());
        EXPECT_FALSE(options.IsCD());
        ExpectEveryDefault(options);
        EXPECT_FALSE(KeyExists(u"Software\\Varnook")) << "reading created the key";
    }
    WriteIni("");
    TOptions options(nullptr);
    options.Load();
    EXPECT_TRUE(options.IsPortable());
    ExpectEveryDefault(options);
}

TEST_F(OptionsTest, IdDefaultIsTheLocalTimeAndAStoredIdIsKept)
{
    // Seconds since 1970 in local time: within a day of the universal time.
    EXPECT_NEAR(static_cast<double>(LocalTimeId()), static_cast<double>(std::time(nullptr)), 14 * 3600 + 5);
    SetRawInteger(u"Software\\Varnook", u"id", 77);
    TOptions options(nullptr);
    options.Load();
    EXPECT_EQ(options.id, 77);
}

TEST_F(OptionsTest, RegistryRoundTripOfEveryKeyAndEachExclusionFlag)
{
    SetRawInteger(u"Software\\Varnook\\Exclusions", u"Stale", 3);
    {
        TOptions options(nullptr);
        options.Load();
        SetEveryOption(options);
        options.Save();
    }
    const std::u16string key = u"Software\\Varnook";
    EXPECT_EQ(StoredInteger(key, u"onExitConfirmation"), 1);
    EXPECT_EQ(StoredInteger(key, u"checkForUpdates"), 0);
    EXPECT_EQ(StoredInteger(key, u"left"), -5);
    EXPECT_EQ(StoredInteger(key, u"id"), -123456);
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(StoredValue(key, u"skin", type, data));
    EXPECT_EQ(type, kRegSz);
    const std::u16string exclusions = u"Software\\Varnook\\Exclusions";
    EXPECT_EQ(StoredInteger(exclusions, u"Path"), 0);
    EXPECT_EQ(StoredInteger(exclusions, u"PATHEXT"), 1);
    EXPECT_EQ(StoredInteger(exclusions, u"TEMP"), 2);
    EXPECT_EQ(StoredInteger(exclusions, u"windir"), 3);
    EXPECT_FALSE(StoredValue(exclusions, u"Stale", type, data)) << "the old exclusions were not cleared";

    TOptions options(nullptr);
    options.Load();
    EXPECT_FALSE(options.IsPortable());
    ExpectEveryOption(options);
}

TEST_F(OptionsTest, PortableModeRoundTripWritesOnlyTheFileAndKeepsItsOtherContent)
{
    WriteIni("[Other]\r\nkeep=me\r\n[Exclusions]\r\nStale=3\r\n");
    {
        TOptions options(nullptr);
        options.Load();
        ASSERT_TRUE(options.IsPortable());
        SetEveryOption(options);
        options.Save();
    }
    EXPECT_FALSE(KeyExists(u"Software\\Varnook"));
    EXPECT_FALSE(varnook::testing::FileExists(IniPath() + u".new"));
    auto& ini = IniFiles();
    std::u16string text;
    EXPECT_TRUE(ini.ReadString(IniPath(), u"Other", u"keep", text) && text == u"me");
    EXPECT_FALSE(ini.ReadString(IniPath(), u"Exclusions", u"Stale", text));
    EXPECT_TRUE(ini.ReadString(IniPath(), u"Exclusions", u"TEMP", text) && text == u"2");
    EXPECT_TRUE(ini.ReadString(IniPath(), u"Varnook", u"isMaximized", text) && text == u"1");
    EXPECT_TRUE(ini.ReadString(IniPath(), u"Varnook", u"id", text) && text == u"-123456");

    TOptions options(nullptr);
    options.Load();
    ExpectEveryOption(options);
}

TEST_F(OptionsTest, CDModeWritesNothingAndKeepsChangesInMemory)
{
    WriteIni("[Varnook]\r\nskin=Black\r\n");
    const std::string before = ReadBytes(IniPath());
    varnook::testing::SetReadOnly(IniPath(), true);
    TOptions options(nullptr);
    options.Load();
    ASSERT_TRUE(options.IsCD());
    EXPECT_FALSE(options.IsPortable());
    EXPECT_EQ(options.skin, u"Black");
    SetEveryOption(options);
    EXPECT_NO_THROW(options.Save());
    ExpectEveryOption(options);
    EXPECT_EQ(ReadBytes(IniPath()), before);
    EXPECT_FALSE(varnook::testing::FileExists(IniPath() + u".new"));
    EXPECT_FALSE(KeyExists(u"Software\\Varnook"));
}

// Missing, wrong kind, unreadable: the default. An empty string is the default in the registry
// but a value in the file.
TEST_F(OptionsTest, RegistryValuesOfTheWrongKindTakeTheirDefault)
{
    const std::u16string key = u"Software\\Varnook";
    SetRawString(key, u"checkForUpdates", u"0");
    const uint8_t four[4] = {1, 0, 0, 0};
    SetRaw(key, u"left", kRegBinary, four, 4);
    const uint64_t eight = 5;
    SetRaw(key, u"top", kRegQword, &eight, 8);
    SetRaw(key, u"width", kRegDword, four, 3); // too short to be an integer
    SetRawInteger(key, u"skin", 1);
    SetRawString(key, u"language", u"");
    SetRawInteger(key, u"isAnimation", 7);
    SetRawInteger(key, u"showInformation", 0);
    SetRawInteger(key, u"height", 600);
    const std::u16string exclusions = u"Software\\Varnook\\Exclusions";
    SetRawString(exclusions, u"AsText", u"3");
    SetRawInteger(exclusions, u"Zero", 0);
    SetRawInteger(exclusions, u"NoCheck", 2);

    TOptions options(nullptr);
    options.Load();
    EXPECT_TRUE(options.checkForUpdates);
    EXPECT_EQ(options.left, -1);
    EXPECT_EQ(options.top, -1);
    EXPECT_EQ(options.width, -1);
    EXPECT_EQ(options.skin, u"Default");
    EXPECT_EQ(options.GetLanguage(), u"English");
    EXPECT_TRUE(options.isAnimation);
    EXPECT_FALSE(options.showInformation);
    EXPECT_EQ(options.height, 600);
    TExclusions& e = options.GetExclusions();
    EXPECT_EQ(e.Count(), 3);
    EXPECT_TRUE(e.ContainsKey(u"AsText") && e.isSplit(u"AsText") && e.isCheck(u"AsText"));
    EXPECT_TRUE(e.ContainsKey(u"Zero") && e.isSplit(u"Zero") && e.isCheck(u"Zero"));
    EXPECT_TRUE(e.isSplit(u"NoCheck") && !e.isCheck(u"NoCheck"));
}

TEST_F(OptionsTest, FileValuesThatAreNoNumbersTakeTheirDefault)
{
    WriteIni("[Varnook]\r\n"
             "skin=\r\n"
             "isMaximized=yes\r\n"
             "checkForUpdates=0\r\n"
             "left= -5 \r\n"
             "top=12abc\r\n"
             "width=99999999999\r\n"
             "height=0x10\r\n"
             "id=\r\n"
             "onExitConfirmation\r\n"
             "[Exclusions]\r\n"
             "Path\r\n"
             "Temp=abc\r\n"
             "X=2\r\n");
    TOptions options(nullptr);
    options.Load();
    EXPECT_EQ(options.skin, u"");
    EXPECT_EQ(options.GetLanguage(), u"English");
    EXPECT_FALSE(options.isMaximized);
    EXPECT_FALSE(options.checkForUpdates);
    EXPECT_EQ(options.left, -5);
    EXPECT_EQ(options.top, -1);
    EXPECT_EQ(options.width, -1);
    EXPECT_EQ(options.height, -1);
    EXPECT_NEAR(options.id, LocalTimeId(), 2);
    EXPECT_FALSE(options.onExitConfirmation);
    TExclusions& e = options.GetExclusions();
    EXPECT_FALSE(e.ContainsKey(u"Path")) << "a line without '=' names no key";
    EXPECT_TRUE(e.ContainsKey(u"Temp") && e.isSplit(u"Temp") && e.isCheck(u"Temp"));
    EXPECT_TRUE(e.isSplit(u"X") && !e.isCheck(u"X"));
}

TEST_F(OptionsTest, DamagedFilesReadWithoutFailing)
{
    std::string junk;
    srand(7);
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>(rand() & 0xFF);
    const struct {
        const char* name;
        std::string bytes;
        bool onExitConfirmation;
    } cases[] = {
        {"random bytes", junk, false},
        {"random bytes after a byte order mark", "\xFF\xFE" + junk, false},
        {"half-written", "[Varnook]\r\nonExitConfirmation=1\r\nskin=Bl", true},
        {"UTF-16 of odd length", "\xFF\xFE[\0V\0a\0r\0n\0o\0o\0k\0]\0\r\0\n\0o"s, false},
        {"NULs inside", "[Varnook]\r\nonExitConfirmation=1\r\n\0\0\0skin=x\r\n"s, true},
        {"unterminated section", "[Varnook\r\nonExitConfirmation=1\r\n", false},
        {"a very long line", "[Varnook]\r\nskin=" + std::string(100000, 'x') + "\r\nonExitConfirmation=1\r\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(c.bytes);
        TOptions options(nullptr);
        ASSERT_NO_THROW(options.Load());
        EXPECT_TRUE(options.IsPortable());
        EXPECT_EQ(options.onExitConfirmation, c.onExitConfirmation);
        EXPECT_EQ(options.left, -1);
        ASSERT_NO_THROW(options.Save());
    }
}

// The exclusion list refuses a second entry for a name; the file's first entry wins and the
// next save keeps exactly the entries that were read.
TEST_F(OptionsTest, AVariableNamedTwiceInTheFileKeepsItsFirstEntry)
{
    WriteIni("[Exclusions]\r\nPath=1\r\nPATH=2\r\npath=3\r\nTemp=2\r\n[Exclusions]\r\nOther=3\r\n");
    TOptions options(nullptr);
    options.Load();
    TExclusions& e = options.GetExclusions();
    ASSERT_EQ(e.Count(), 2);
    EXPECT_FALSE(e.isSplit(u"PATH"));
    EXPECT_TRUE(e.isCheck(u"PATH"));
    EXPECT_FALSE(e.isCheck(u"Temp"));
    options.Save();
    auto names = IniFiles().ReadKeyNames(IniPath(), u"Exclusions");
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Path", u"Temp"}));
    std::u16string text;
    EXPECT_TRUE(IniFiles().ReadString(IniPath(), u"Exclusions", u"Path", text) && text == u"1");
}

TEST_F(OptionsTest, ToolbarRecordsOfAnotherRevAreIgnored)
{
    const std::u16string records[][9] = {
        // name, Rev, Visible, DockedTo, LastDock, DockRow, DockPos, FloatLeft, FloatTop
        {u"tbMain", u"2000", u"0", u"+", u"dockLeft", u"2", u"37", u"300", u"200"},
        {u"tbUser", u"1999", u"0", u"dockBottom", u"dockBottom", u"1", u"5", u"0", u"0"},
        {u"tbInterface", u"", u"0", u"dockBottom", u"dockBottom", u"1", u"5", u"0", u"0"},
    };
    const char16_t* keys[] = {u"Rev", u"Visible", u"DockedTo", u"LastDock", u"DockRow", u"DockPos", u"FloatLeft", u"FloatTop"};
    for (bool file : {false, true}) {
        SCOPED_TRACE(file ? "options file" : "registry");
        std::string ini;
        for (const auto& r : records) {
            if (file)
                ini += "[Toolbars_" + ToUtf8(r[0]) + "]\r\n";
            for (int k = 0; k < 8; ++k) {
                if (r[k + 1].empty())
                    continue;
                if (file)
                    ini += ToUtf8(keys[k]) + "=" + ToUtf8(r[k + 1]) + "\r\n";
                else
                    SetRawString(u"Software\\Varnook\\" + r[0], keys[k], r[k + 1]);
            }
        }
        if (file)
            WriteIni(ini);
        Toolbars toolbars;
        TOptions options(&toolbars);
        options.Load();
        ASSERT_EQ(toolbars.applied.size(), 1u);
        const TToolbarArrangement& t = toolbars.applied[0];
        EXPECT_EQ(t.name, u"tbMain");
        EXPECT_FALSE(t.visible);
        EXPECT_EQ(t.dockedTo, u"+");
        EXPECT_EQ(t.lastDock, u"dockLeft");
        EXPECT_EQ(t.dockRow, 2);
        EXPECT_EQ(t.dockPos, 37);
        EXPECT_EQ(t.floatLeft, 300);
        EXPECT_EQ(t.floatTop, 200);

        // What is saved comes back, for every toolbar.
        toolbars.bars[3].visible = false;
        toolbars.bars[3].dockRow = 4;
        options.Save();
        Toolbars again;
        TOptions reread(&again);
        reread.Load();
        ASSERT_EQ(again.applied.size(), 4u);
        EXPECT_FALSE(again.applied[3].visible);
        EXPECT_EQ(again.applied[3].dockRow, 4);
        EXPECT_EQ(again.applied[0].dockedTo, u"dockTop");
    }
}

namespace {

// The real INI files, failing at a chosen step.
class FailingIniFiles : public IIniFiles {
public:
    bool ReadString(const std::u16string& f, std::u16string_view s, std::u16string_view k, std::u16string& v) override
    {
        return DefaultIniFiles().ReadString(f, s, k, v);
    }
    std::vector<std::u16string> ReadKeyNames(const std::u16string& f, std::u16string_view s) override
    {
        return DefaultIniFiles().ReadKeyNames(f, s);
    }
    bool WriteString(const std::u16string& f, std::u16string_view s, std::u16string_view k, std::u16string_view v) override
    {
        return ++writes != failAtWrite && DefaultIniFiles().WriteString(f, s, k, v);
    }
    bool EraseSection(const std::u16string& f, std::u16string_view s) override
    {
        return !failErase && DefaultIniFiles().EraseSection(f, s);
    }
    bool CreateWorkingCopy(const std::u16string& f, const std::u16string& c) override
    {
        return !failCopy && DefaultIniFiles().CreateWorkingCopy(f, c);
    }
    int writes = 0, failAtWrite = -1;
    bool failErase = false, failCopy = false;
};

class FailingMove : public ProgramIn {
public:
    using ProgramIn::ProgramIn;
    bool MoveReplacing(const std::u16string&, const std::u16string&) override { return false; }
};

// The in-memory store, refusing to set one value.
class FailingStore : public MemoryRegistry {
public:
    long SetValue(RegHandle key, std::u16string_view name, uint32_t type, const void* data, uint32_t size) override
    {
        if (name == failName)
            return kErrorAccessDenied;
        return MemoryRegistry::SetValue(key, name, type, data, size);
    }
    std::u16string failName;
};

} // namespace

TEST_F(OptionsTest, AFileWriteFailingPartWayLeavesThePreviousOptionsWhole)
{
    const std::string previous = "[Varnook]\r\nskin=Black\r\n[Exclusions]\r\nPath=3\r\n";
    const struct {
        const char* name;
        int failAtWrite;
        bool failErase, failCopy, failMove;
    } cases[] = {
        {"working copy", -1, false, true, false},
        {"fifth value", 5, false, false, false},
        {"second exclusion entry", 14 + 4 * 8 + 2, false, false, false},
        {"erasing the exclusions", -1, true, false, false},
        {"replacing the file", -1, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(previous);
        FailingIniFiles ini;
        ini.failAtWrite = c.failAtWrite;
        ini.failErase = c.failErase;
        ini.failCopy = c.failCopy;
        ScopedOverride<IIniFiles> useIni(ini);
        FailingMove failingMove(folder.Path());
        std::optional<ScopedOverride<IProgramFiles>> useMove;
        if (c.failMove)
            useMove.emplace(failingMove);
        Toolbars toolbars;
        TOptions options(&toolbars);
        options.Load();
        SetEveryOption(options);
        try {
            options.Save();
            ADD_FAILURE() << "no error";
        } catch (const EIniFileException& e) {
            EXPECT_EQ(e.Message(), u"Unable to write to " + IniPath());
        }
        EXPECT_EQ(ReadBytes(IniPath()), previous);
        EXPECT_FALSE(varnook::testing::FileExists(IniPath() + u".new"));
    }
}

TEST_F(OptionsTest, ARegistryWriteFailingKeepsWhatWasWrittenAndRaises)
{
    FailingStore failing;
    ScopedOverride<IRegistryBackend> useFailing(failing);
    RegHandle handle = 0;
    const int32_t three = 3;
    ASSERT_EQ(failing.CreateKey(kRootCurrentUser, u"Software\\Varnook\\Exclusions", kKeyAllAccess, handle), kErrorSuccess);
    failing.SetValue(handle, u"Kept", kRegDword, &three, 4);
    failing.CloseKey(handle);
    failing.failName = u"skin";

    TOptions options(nullptr);
    options.Load();
    SetEveryOption(options);
    try {
        options.Save();
        ADD_FAILURE() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), u"Failed to set data for 'skin'");
    }
    RegistryAccess reg(kRootCurrentUser);
    ASSERT_TRUE(reg.OpenKey(u"\\Software\\Varnook", false));
    EXPECT_TRUE(reg.ReadBool(u"showReadOnly") == false && reg.ValueExists(u"showReadOnly")) << "written before skin";
    EXPECT_FALSE(reg.ValueExists(u"isMaximized")) << "written after skin";
    ASSERT_TRUE(reg.OpenKey(u"\\Software\\Varnook\\Exclusions", false));
    EXPECT_TRUE(reg.ValueExists(u"Kept")) << "the exclusions come after the failure";
    reg.CloseKey();
    EXPECT_EQ(failing.OpenHandleCount(), 0u);

    // A key that cannot be created.
    MemoryRegistry readOnly;
    readOnly.SetReadOnlyRoot(kRootCurrentUser, true);
    ScopedOverride<IRegistryBackend> useReadOnly(readOnly);
    TOptions second(nullptr);
    second.Load();
    try {
        second.Save();
        ADD_FAILURE() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), u"Failed to create key Software\\Varnook");
    }
}
