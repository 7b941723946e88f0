// The backup action in the real window: the save dialog's suggestion, the file it writes for the
// logged-in user, a file that cannot be written.
#include "app/MainWindow.h"
#include "platform/AdminServices.h"
#include "platform/Services.h"
#include "support/BoxAnswers.h"
#include "support/MainWindowFixture.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <regex>

using namespace varnook;
using namespace varnook::testing;

namespace {

class SaveDialogAnswer final : public platform::ISaveFileDialog {
public:
    std::u16string answer; // empty: the user cancels
    std::u16string suggested, filter;
    int asked = 0;
    bool AskFileName(uintptr_t, std::u16string_view f, std::u16string& fileName) override
    {
        ++asked;
        suggested = fileName;
        filter = std::u16string(f);
        if (answer.empty())
            return false;
        fileName = answer;
        return true;
    }
};

class BackupTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        userVar_ = UniqueName(L"VNK_BACKUP");
        guards_.push_back(std::make_unique<ValueGuard>(HKEY_CURRENT_USER, L"Environment", userVar_));
        SetStringValue(HKEY_CURRENT_USER, L"Environment", userVar_, L"C:\\saved");
    }
    SaveDialogAnswer dialog_;
    platform::ScopedOverride<platform::ISaveFileDialog> useDialog_{dialog_};
    ScratchFolder out_;
    std::wstring userVar_;
    std::vector<std::unique_ptr<ValueGuard>> guards_;
};

} // namespace

TEST_F(BackupTest, CancelledDialogWritesNothing)
{
    TfrmMain& w = Open();
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileBackup));
    EXPECT_EQ(dialog_.asked, 1);
    EXPECT_TRUE(std::regex_match(ToUtf8(dialog_.suggested), std::regex("backup_[0-9]{6}_[0-9]{6}\\.reg")))
        << ToUtf8(dialog_.suggested);
    EXPECT_EQ(dialog_.filter, u"Registry Files (*.reg)|*.reg");
}

TEST_F(BackupTest, FileHoldsTheStoredVariablesOfBothScopes)
{
    dialog_.answer = out_.Path() + u"\\no extension";
    WriteBytes(dialog_.answer, "an older file, replaced without a question");
    TfrmMain& w = Open();
    Edit(*w.UserVarTree(), U(userVar_), u"C:\\unsaved");
    {
        BoxAnswers answers({IDOK});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actFileBackup));
        Pump(100);
        EXPECT_TRUE(answers.Asked().empty());
    }
    const std::string file = ReadBytes(dialog_.answer);
    wchar_t name[256];
    DWORD length = ARRAYSIZE(name);
    GetUserNameW(name, &length);
    EXPECT_EQ(file.rfind("REGEDIT4\r\n\r\n; User: " + Narrow(name) + "\r\n[HKEY_CURRENT_USER\\Environment]\r\n", 0), 0u)
        << file;
    EXPECT_NE(file.find("\"" + Narrow(userVar_) + "\"=\"C:\\\\saved\"\r\n"), std::string::npos) << file;
    EXPECT_EQ(file.find("unsaved"), std::string::npos);
    EXPECT_NE(file.find("\r\n\r\n; System variables\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session "
                        "Manager\\Environment]\r\n"),
              std::string::npos);
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    EXPECT_NE(file.substr(file.size() - 4), "\r\n\r\n");
    EXPECT_TRUE(w.IsModified()); // the backup leaves the edits alone
}

TEST_F(BackupTest, FileThatCannotBeWrittenIsReportedWithItsName)
{
    dialog_.answer = out_.Path() + u"\\missing folder\\backup.reg";
    TfrmMain& w = Open();
    BoxAnswers answers({IDOK});
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileBackup));
    Pump(100);
    ASSERT_EQ(answers.Asked().size(), 1u);
    EXPECT_EQ(answers.Asked()[0], L"Can not write the file '" + std::wstring(dialog_.answer.begin(), dialog_.answer.end()) + L"'");
    EXPECT_FALSE(FileExists(dialog_.answer));
    EXPECT_FALSE(FileExists(dialog_.answer + u".tmp~"));
}
