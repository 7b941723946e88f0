// Other users' variables in the real window: a second profile in the prefix (a ProfileList entry
// for an account Wine resolves, a profile folder with an ntuser.dat written by RegSaveKeyW),
// picked in the user selector, edited, saved and unloaded again; the logged-in user through its
// mounted hive; the question before a switch; a hive that cannot be loaded.
#include "app/MainWindow.h"
#include "platform/AdminServices.h"
#include "platform/Services.h"
#include "support/BoxAnswers.h"
#include "support/MainWindowFixture.h"
#include "core/Translate.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace varnook;
using namespace varnook::testing;

namespace {

// Wine resolves the built-in administrator account of its machine domain as a user account.
const wchar_t kOtherSid[] = L"S-1-5-21-0-0-0-500";
const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void EnableTokenPrivilege(const wchar_t* name)
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
    TOKEN_PRIVILEGES p{1};
    p.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueW(nullptr, name, &p.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &p, 0, nullptr, nullptr);
    CloseHandle(token);
}

std::wstring ItemText(HWND box, int index)
{
    std::wstring text(SendMessageW(box, CB_GETLBTEXTLEN, index, 0) + 1, L'\0');
    text.resize(SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data())));
    return text;
}

int ItemEndingWith(HWND box, const std::wstring& end)
{
    const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const std::wstring text = ItemText(box, i);
        if (text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0)
            return i;
    }
    return -1;
}

// What a pick in the drop-down list sends.
void Pick(TfrmMain& w, int index)
{
    SendMessageW(w.UserSelector(), CB_SETCURSEL, index, 0);
    SendMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(w.UserSelector()));
    Pump(50);
}

class SaveDialogAnswer final : public platform::ISaveFileDialog {
public:
    std::u16string answer;
    std::u16string suggested, filter;
    bool AskFileName(uintptr_t, std::u16string_view f, std::u16string& fileName) override
    {
        suggested = fileName;
        filter = std::u16string(f);
        if (answer.empty())
            return false;
        fileName = answer;
        return true;
    }
};

class UsersTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        profileBackup_ = std::make_unique<KeyBackup>(HKEY_LOCAL_MACHINE, std::wstring(kProfileList) + L"\\" + kOtherSid);
        EnableTokenPrivilege(L"SeRestorePrivilege");
        RegUnLoadKeyW(HKEY_USERS, kOtherSid);
        folder_ = std::make_unique<ScratchFolder>();
        profile_ = std::wstring(folder_->Path().begin(), folder_->Path().end());
        MakeHive(profile_ + L"\\ntuser.dat");
        SetProfilePath(profile_);
        userVar_ = UniqueName(L"VNK_OWN");
        guard_ = std::make_unique<ValueGuard>(HKEY_CURRENT_USER, L"Environment", userVar_);
        SetStringValue(HKEY_CURRENT_USER, L"Environment", userVar_, L"1");
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        RegUnLoadKeyW(HKEY_USERS, kOtherSid);
        guard_.reset();
        profileBackup_.reset();
    }

    // A profile hive as Windows keeps one: the user's keys, written to a file.
    static void MakeHive(const std::wstring& file)
    {
        const std::wstring source = L"Software\\VarnookTests\\" + UniqueName(L"hive");
        SetStringValue(HKEY_CURRENT_USER, source + L"\\Environment", L"VNK_HIVE", L"C:\\hive");
        SetStringValue(HKEY_CURRENT_USER, source + L"\\Environment", L"VNK_HIVE_EXP", L"%SystemRoot%\\x", REG_EXPAND_SZ);
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, source.c_str(), 0, KEY_ALL_ACCESS, &key);
        EnableTokenPrivilege(L"SeBackupPrivilege");
        DeleteFileW(file.c_str());
        ASSERT_EQ(RegSaveKeyW(key, file.c_str(), nullptr), ERROR_SUCCESS);
        RegCloseKey(key);
        RegDeleteTreeW(HKEY_CURRENT_USER, source.c_str());
    }
    static void SetProfilePath(const std::wstring& folder)
    {
        // Stored the way Windows stores it: expandable.
        std::wstring stored = folder;
        if (stored.rfind(L"C:", 0) == 0)
            stored.replace(0, 2, L"%SystemDrive%");
        SetStringValue(HKEY_LOCAL_MACHINE, std::wstring(kProfileList) + L"\\" + kOtherSid, L"ProfileImagePath", stored,
                       REG_EXPAND_SZ);
    }

    std::unique_ptr<KeyBackup> profileBackup_;
    std::unique_ptr<ScratchFolder> folder_;
    std::unique_ptr<ValueGuard> guard_;
    std::wstring profile_;
    std::wstring userVar_;
};

} // namespace

TEST_F(UsersTest, OtherUserIsPickedEditedSavedAndUnloaded)
{
    TfrmMain& w = Open();
    EXPECT_TRUE(IsWindowEnabled(w.UserSelector()));
    const int other = ItemEndingWith(w.UserSelector(), L"\\Administrator");
    const int own = ItemEndingWith(w.UserSelector(), L" [logged in]");
    ASSERT_GE(other, 0);
    ASSERT_GE(own, 0);
    EXPECT_LT(other, own); // one domain: Administrator before root
    EXPECT_EQ(w.CurrentUser(), own);
    EXPECT_EQ(SendMessageW(w.UserSelector(), CB_GETCURSEL, 0, 0), own);
    ASSERT_NE(Find(*w.UserVarTree(), U(userVar_)), nullptr);

    Pick(w, other);
    EXPECT_EQ(w.CurrentUser(), other);
    TETree& user = *w.UserVarTree();
    EXPECT_EQ(user.root, platform::kRootUsers);
    EXPECT_EQ(user.key, u"\\S-1-5-21-0-0-0-500\\Environment");
    EXPECT_EQ(ValueOf(user, u"VNK_HIVE"), u"C:\\hive");
    EXPECT_EQ(TETree::GetVariableType(Find(user, u"VNK_HIVE_EXP")), rdExpandString);
    EXPECT_EQ(Find(user, U(userVar_)), nullptr);
    EXPECT_EQ(Find(user, u"USERNAME"), nullptr); // the logged-in user's special variables are not another's
    EXPECT_TRUE(w.UserHive().LoadedHere());
    EXPECT_FALSE(w.IsModified());

    Edit(user, u"VNK_HIVE", u"C:\\edited");
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    EXPECT_EQ(ReadRawValue(HKEY_USERS, std::wstring(kOtherSid) + L"\\Environment", L"VNK_HIVE").text, L"C:\\edited");

    // Back to the logged-in user: the other hive is unloaded, the own one used where it is.
    Pick(w, own);
    EXPECT_EQ(w.CurrentUser(), own);
    EXPECT_FALSE(KeyExists(HKEY_USERS, kOtherSid));
    EXPECT_FALSE(w.UserHive().LoadedHere());
    EXPECT_EQ(w.UserVarTree()->root, platform::kRootUsers);
    EXPECT_EQ(ValueOf(*w.UserVarTree(), U(userVar_)), u"1");
    EXPECT_NE(Find(*w.UserVarTree(), u"USERNAME"), nullptr);

    // The profile file is free again and still a hive. (Wine keeps a loaded hive's changes in
    // memory only, so the edit itself is checked in the mounted key above.)
    ASSERT_EQ(RegLoadKeyW(HKEY_USERS, L"VarnookCheck", (profile_ + L"\\ntuser.dat").c_str()), ERROR_SUCCESS);
    EXPECT_TRUE(ReadRawValue(HKEY_USERS, L"VarnookCheck\\Environment", L"VNK_HIVE").exists);
    RegUnLoadKeyW(HKEY_USERS, L"VarnookCheck");
}

TEST_F(UsersTest, LoggedInUserIsEditedThroughItsMountedHive)
{
    TfrmMain& w = Open();
    const int other = ItemEndingWith(w.UserSelector(), L"\\Administrator");
    const int own = ItemEndingWith(w.UserSelector(), L" [logged in]");
    Pick(w, other);
    Pick(w, own);
    ASSERT_EQ(w.CurrentUser(), own);
    EXPECT_FALSE(w.UserHive().LoadedHere());
    Edit(*w.UserVarTree(), U(userVar_), u"through the hive");
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, L"Environment", userVar_).text, L"through the hive");
    // Refresh keeps the hive it shows.
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditRefresh));
    EXPECT_EQ(ValueOf(*w.UserVarTree(), U(userVar_)), u"through the hive");
}

TEST_F(UsersTest, SwitchWithUnsavedChangesAsksFirst)
{
    TfrmMain& w = Open();
    const int other = ItemEndingWith(w.UserSelector(), L"\\Administrator");
    const int own = ItemEndingWith(w.UserSelector(), L" [logged in]");
    Edit(*w.UserVarTree(), U(userVar_), u"2");
    {
        BoxAnswers answers({IDCANCEL});
        Pick(w, other);
        ASSERT_EQ(answers.Asked().size(), 1u);
        EXPECT_EQ(answers.Asked()[0], L"All changes will be lost after switching user\r\nDo you want to save the changes?");
    }
    EXPECT_EQ(w.CurrentUser(), own);
    EXPECT_EQ(SendMessageW(w.UserSelector(), CB_GETCURSEL, 0, 0), own);
    EXPECT_EQ(ValueOf(*w.UserVarTree(), U(userVar_)), u"2");
    EXPECT_TRUE(w.IsModified());

    {
        BoxAnswers answers({IDNO});
        Pick(w, other);
        EXPECT_EQ(answers.Asked().size(), 1u);
    }
    EXPECT_EQ(w.CurrentUser(), other);
    EXPECT_FALSE(w.IsModified());
    EXPECT_FALSE(w.GetUndoStack().IsUndoable());
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, L"Environment", userVar_).text, L"1");

    Pick(w, own);
    Edit(*w.UserVarTree(), U(userVar_), u"3");
    {
        BoxAnswers answers({IDYES});
        Pick(w, other);
        EXPECT_EQ(answers.Asked().size(), 1u);
    }
    EXPECT_EQ(w.CurrentUser(), other);
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, L"Environment", userVar_).text, L"3"); // saved to the previous user
    EXPECT_EQ(ValueOf(*w.UserVarTree(), u"VNK_HIVE"), u"C:\\hive");

    // Picking the user shown asks nothing and loads nothing.
    Edit(*w.UserVarTree(), u"VNK_HIVE", u"x");
    {
        BoxAnswers answers({IDCANCEL});
        Pick(w, other);
        EXPECT_TRUE(answers.Asked().empty());
    }
    EXPECT_EQ(ValueOf(*w.UserVarTree(), u"VNK_HIVE"), u"x");
}

TEST_F(UsersTest, HiveThatCannotBeLoadedChangesNothing)
{
    ScratchFolder empty; // a profile folder without ntuser.dat
    SetProfilePath(std::wstring(empty.Path().begin(), empty.Path().end()));
    TfrmMain& w = Open();
    const int other = ItemEndingWith(w.UserSelector(), L"\\Administrator");
    const int own = ItemEndingWith(w.UserSelector(), L" [logged in]");
    ASSERT_GE(other, 0);
    Edit(*w.UserVarTree(), U(userVar_), u"2");
    {
        BoxAnswers answers({IDNO, IDOK});
        Pick(w, other);
        ASSERT_EQ(answers.Asked().size(), 2u);
        EXPECT_EQ(answers.Asked()[1], L"Can not load profile of the user 'Administrator'");
    }
    EXPECT_EQ(w.CurrentUser(), own);
    EXPECT_EQ(SendMessageW(w.UserSelector(), CB_GETCURSEL, 0, 0), own);
    EXPECT_EQ(ValueOf(*w.UserVarTree(), U(userVar_)), u"2");
    EXPECT_TRUE(w.IsModified());
    EXPECT_TRUE(w.GetUndoStack().IsUndoable());
    EXPECT_EQ(w.UserVarTree()->root, platform::kRootCurrentUser);
    EXPECT_FALSE(KeyExists(HKEY_USERS, kOtherSid));
}

TEST_F(UsersTest, HiveLoadedForAUserIsUnloadedWhenTheWindowEnds)
{
    TfrmMain& w = Open();
    Pick(w, ItemEndingWith(w.UserSelector(), L"\\Administrator"));
    ASSERT_TRUE(KeyExists(HKEY_USERS, kOtherSid));
    window_.reset();
    EXPECT_FALSE(KeyExists(HKEY_USERS, kOtherSid));
}

TEST_F(UsersTest, BackupOfTheUserShownComesFromItsHive)
{
    SaveDialogAnswer dialog;
    platform::ScopedOverride<platform::ISaveFileDialog> use(dialog);
    ScratchFolder out;
    dialog.answer = out.Path() + u"\\other.reg";
    TfrmMain& w = Open();
    Pick(w, ItemEndingWith(w.UserSelector(), L"\\Administrator"));
    Edit(*w.UserVarTree(), u"VNK_HIVE", u"C:\\unsaved"); // not in the store, not in the file
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileBackup));
    const std::string file = ReadBytes(dialog.answer);
    EXPECT_EQ(file.rfind("REGEDIT4\r\n\r\n; User: Administrator\r\n[HKEY_CURRENT_USER\\Environment]\r\n", 0), 0u) << file;
    EXPECT_NE(file.find("\"VNK_HIVE\"=\"C:\\\\hive\"\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\r\n\r\n; System variables\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session "
                        "Manager\\Environment]\r\n"),
              std::string::npos);
    EXPECT_EQ(file.find(ToUtf8(U(userVar_))), std::string::npos);
    EXPECT_TRUE(KeyExists(HKEY_USERS, kOtherSid)); // still shown, still mounted
}

TEST_F(UsersTest, AnotherProgramChangingTheShownUsersHiveIsSeen)
{
    TfrmMain& w = Open();
    const int other = ItemEndingWith(w.UserSelector(), L"\\Administrator");
    const int own = ItemEndingWith(w.UserSelector(), L" [logged in]");
    Pick(w, other);
    ASSERT_EQ(w.CurrentUser(), other);
    Pump(300);

    // A change to the logged-in user's own key is not what the window shows now.
    SetStringValue(HKEY_CURRENT_USER, L"Environment", userVar_, L"2");
    Pump(500);
    const std::wstring hiveKey = std::wstring(L"HKU\\") + kOtherSid + L"\\Environment";
    ProcessResult r = RunProcess(L"reg.exe add " + hiveKey + L" /v VNK_HIVE /d C:\\outside /f");
    ASSERT_EQ(r.exitCode, 0u) << r.output;
    for (int i = 0; i < 30 && ValueOf(*w.UserVarTree(), u"VNK_HIVE") != u"C:\\outside"; ++i)
        Pump(100);
    EXPECT_EQ(ValueOf(*w.UserVarTree(), u"VNK_HIVE"), u"C:\\outside");
    EXPECT_EQ(Find(*w.UserVarTree(), U(userVar_)), nullptr);

    // Watching the hive does not keep it loaded once the user is left.
    Pick(w, own);
    EXPECT_FALSE(KeyExists(HKEY_USERS, kOtherSid));
}

namespace varnook::fixtures {
extern const std::string_view kCatalog_ui_ru;
}

// A language change while another user's variables are shown: the list is filled again with
// the mark in the new language, and the shown user stays the one selected, so Backup and
// Refresh still act on the variables in the tree.
TEST_F(UsersTest, LanguageChangeKeepsTheShownUserAndTranslatesTheMark)
{
    ScratchFolder program;
    program.Make(u"locale\\ru\\LC_MESSAGES", true);
    WriteBytes(program.Path() + u"\\locale\\ru\\LC_MESSAGES\\default.mo", std::string(fixtures::kCatalog_ui_ru));
    StartTranslator(program.Path() + u"\\varnook.exe");
    TfrmMain& w = Open();
    const int own = ItemEndingWith(w.UserSelector(), L" [logged in]");
    Pick(w, ItemEndingWith(w.UserSelector(), L"\\Administrator"));
    auto pickLanguage = [&](const wchar_t* name) {
        HWND box = w.LanguageSelector();
        SendMessageW(box, CB_SETCURSEL, SendMessageW(box, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(name)), 0);
        SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
        Pump(50);
    };
    auto expectOtherShown = [&] {
        const int other = ItemEndingWith(w.UserSelector(), L"\\Administrator");
        EXPECT_EQ(w.CurrentUser(), other);
        EXPECT_EQ(SendMessageW(w.UserSelector(), CB_GETCURSEL, 0, 0), other);
        EXPECT_EQ(w.UserVarTree()->key, u"\\S-1-5-21-0-0-0-500\\Environment");
        EXPECT_EQ(ValueOf(*w.UserVarTree(), u"VNK_HIVE"), u"C:\\hive");
        EXPECT_TRUE(KeyExists(HKEY_USERS, kOtherSid));
    };

    pickLanguage(L"Russian");
    expectOtherShown();
    EXPECT_EQ(ItemEndingWith(w.UserSelector(), L" [logged in]"), -1);
    EXPECT_EQ(ItemEndingWith(w.UserSelector(), L" [\x0442\x0435\x043a\x0443\x0449\x0438\x0439 "
                                               L"\x043f\x043e\x043b\x044c\x0437\x043e\x0432\x0430\x0442\x0435\x043b\x044c]"),
              own);

    pickLanguage(L"English");
    expectOtherShown();
    EXPECT_EQ(ItemEndingWith(w.UserSelector(), L" [logged in]"), own);

    // Refresh reads the shown user's hive, not the logged-in user's key.
    SetStringValue(HKEY_USERS, std::wstring(kOtherSid) + L"\\Environment", L"VNK_HIVE", L"C:\\refreshed");
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditRefresh));
    EXPECT_EQ(ValueOf(*w.UserVarTree(), u"VNK_HIVE"), u"C:\\refreshed");
    EXPECT_EQ(w.CurrentUser(), ItemEndingWith(w.UserSelector(), L"\\Administrator"));
    StartTranslator(u"");
    UseLanguage(u"en");
}
