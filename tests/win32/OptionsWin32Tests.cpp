// The options against the real registry and the profile functions of Windows (Wine's), with
// HKEY_CURRENT_USER "Software\Varnook" moved aside and a scratch folder as the program's folder.
#include "app/Options.h"
#include "support/ScratchFolder.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

using namespace varnook;
using namespace varnook::testing;

namespace {

class OptionsOnWindows : public ::testing::Test {
protected:
    std::u16string IniPath() const { return folder.Path() + u"\\varnook.ini"; }
    std::wstring IniPathW() const
    {
        const std::u16string path = IniPath();
        return std::wstring(path.begin(), path.end());
    }
    static bool KeyExists(const wchar_t* path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    KeyBackup backup{HKEY_CURRENT_USER, L"Software\\Varnook"};
    ScratchFolder folder;
    ProgramIn program{folder.Path()};
    platform::ScopedOverride<platform::IProgramFiles> useProgram{program};
};

class OneToolbar : public IToolbarOwner {
public:
    std::vector<TToolbarArrangement> GetToolbarArrangement() override
    {
        return {{u"tbMain", false, u"+", u"dockLeft", 1, 2, 300, 400}};
    }
    void ApplyToolbarArrangement(const TToolbarArrangement& arrangement) override { applied.push_back(arrangement); }
    std::vector<TToolbarArrangement> applied;
};

} // namespace

TEST_F(OptionsOnWindows, FirstStartWithNeitherFileNorKeyGivesDefaultsAndCreatesNothing)
{
    OneToolbar toolbar;
    TOptions options(&toolbar);
    options.Load();
    EXPECT_FALSE(options.IsPortable());
    EXPECT_FALSE(options.IsCD());
    EXPECT_TRUE(options.checkForUpdates && options.isAnimation && options.showInformation && options.showReadonly);
    EXPECT_FALSE(options.onExitConfirmation || options.onDeleteConfirmation || options.isMaximized);
    EXPECT_EQ(options.left, -1);
    EXPECT_EQ(options.height, -1);
    EXPECT_EQ(options.skin, u"Default");
    EXPECT_EQ(options.GetLanguage(), u"English");
    EXPECT_NEAR(options.id, LocalTimeId(), 2);
    EXPECT_EQ(options.GetExclusions().Count(), 0);
    EXPECT_TRUE(toolbar.applied.empty());
    EXPECT_FALSE(KeyExists(L"Software\\Varnook"));
}

TEST_F(OptionsOnWindows, RegistryRoundTripAsRegExeSeesIt)
{
    OneToolbar toolbar;
    {
        TOptions options(&toolbar);
        options.Load();
        options.onExitConfirmation = true;
        options.left = -5;
        options.skin = u"Office 2007 Blue";
        options.id = 1700000000;
        TExclusions& e = options.GetExclusions();
        e.Add(u"Path", true, true);
        e.Add(u"PATHEXT", false, true);
        e.Add(u"TEMP", true, false);
        e.Add(u"windir", false, false);
        options.Save();
    }
    const struct {
        const wchar_t *key, *name;
        const char *type, *data;
    } expected[] = {
        {L"HKCU\\Software\\Varnook", L"onExitConfirmation", "REG_DWORD", "0x1"},
        {L"HKCU\\Software\\Varnook", L"checkForUpdates", "REG_DWORD", "0x1"},
        {L"HKCU\\Software\\Varnook", L"left", "REG_DWORD", "0xfffffffb"},
        {L"HKCU\\Software\\Varnook", L"skin", "REG_SZ", "Office 2007 Blue"},
        {L"HKCU\\Software\\Varnook", L"id", "REG_DWORD", "0x6553f100"},
        {L"HKCU\\Software\\Varnook\\Exclusions", L"Path", "REG_DWORD", "0x0"},
        {L"HKCU\\Software\\Varnook\\Exclusions", L"PATHEXT", "REG_DWORD", "0x1"},
        {L"HKCU\\Software\\Varnook\\Exclusions", L"TEMP", "REG_DWORD", "0x2"},
        {L"HKCU\\Software\\Varnook\\Exclusions", L"windir", "REG_DWORD", "0x3"},
        {L"HKCU\\Software\\Varnook\\tbMain", L"Rev", "REG_SZ", "2000"},
        {L"HKCU\\Software\\Varnook\\tbMain", L"DockedTo", "REG_SZ", "+"},
        {L"HKCU\\Software\\Varnook\\tbMain", L"FloatTop", "REG_SZ", "400"},
    };
    for (const auto& v : expected) {
        SCOPED_TRACE(Narrow(v.name));
        RegExeValue seen = RegExeQuery(v.key, v.name);
        EXPECT_TRUE(seen.exists);
        EXPECT_EQ(seen.type, v.type);
        EXPECT_EQ(seen.data, v.data);
    }

    TOptions options(&toolbar);
    options.Load();
    EXPECT_TRUE(options.onExitConfirmation);
    EXPECT_EQ(options.left, -5);
    EXPECT_EQ(options.skin, u"Office 2007 Blue");
    EXPECT_EQ(options.id, 1700000000);
    TExclusions& e = options.GetExclusions();
    ASSERT_EQ(e.Count(), 4);
    EXPECT_TRUE(e.isSplit(u"Path") && e.isCheck(u"Path"));
    EXPECT_TRUE(!e.isSplit(u"PATHEXT") && e.isCheck(u"PATHEXT"));
    EXPECT_TRUE(e.isSplit(u"TEMP") && !e.isCheck(u"TEMP"));
    EXPECT_TRUE(!e.isSplit(u"windir") && !e.isCheck(u"windir"));
    ASSERT_EQ(toolbar.applied.size(), 1u);
    EXPECT_EQ(toolbar.applied[0].floatLeft, 300);
}

// The profile functions keep Unicode only in a UTF-16 file: an ANSI file is converted when
// the options are written, and keeps what it held.
TEST_F(OptionsOnWindows, PortableModeWritesOnlyTheFileAndKeepsEveryCharacter)
{
    WriteBytes(IniPath(), "[Other]\r\nname=M\xFCller\r\n");
    wchar_t expectedName[16]{};
    MultiByteToWideChar(CP_ACP, 0, "M\xFC" "ller", -1, expectedName, 16);
    const std::u16string unicodeName = u"\u00C4rger_\u03A9";
    {
        TOptions options(nullptr);
        options.Load();
        ASSERT_TRUE(options.IsPortable());
        options.GetExclusions().Add(unicodeName, false, false);
        options.skin = u"\u0160koda";
        options.Save();
    }
    EXPECT_FALSE(KeyExists(L"Software\\Varnook"));
    const std::string bytes = ReadBytes(IniPath());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    wchar_t text[64]{};
    GetPrivateProfileStringW(L"Other", L"name", L"", text, 64, IniPathW().c_str());
    EXPECT_STREQ(text, expectedName);

    TOptions options(nullptr);
    options.Load();
    EXPECT_EQ(options.skin, u"\u0160koda");
    EXPECT_TRUE(options.GetExclusions().ContainsKey(unicodeName));
    EXPECT_FALSE(options.GetExclusions().isSplit(unicodeName));
}

TEST_F(OptionsOnWindows, CDModeWritesNeitherTheFileNorTheRegistry)
{
    WriteBytes(IniPath(), "[Varnook]\r\nskin=Black\r\n");
    ASSERT_TRUE(SetFileAttributesW(IniPathW().c_str(), FILE_ATTRIBUTE_READONLY));
    TOptions options(nullptr);
    options.Load();
    ASSERT_TRUE(options.IsCD());
    options.skin = u"White";
    options.Save();
    EXPECT_EQ(options.skin, u"White");
    EXPECT_EQ(ReadBytes(IniPath()), "[Varnook]\r\nskin=Black\r\n");
    EXPECT_FALSE(KeyExists(L"Software\\Varnook"));
    SetFileAttributesW(IniPathW().c_str(), FILE_ATTRIBUTE_NORMAL);
}
