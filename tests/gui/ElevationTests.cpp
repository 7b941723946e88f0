// Restart as administrator in the real window, with a shell double that starts the new
// instance, fails to, or sees the prompt declined.
#include "app/MainWindow.h"
#include "app/TreeView.h"
#include "platform/AdminServices.h"
#include "platform/Services.h"
#include "support/BoxAnswers.h"
#include "support/MainWindowFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace varnook;
using namespace varnook::testing;

namespace {

class ShellDouble final : public platform::IElevation {
public:
    long answer = 0;
    std::vector<std::u16string> started;
    long RunElevated(const std::u16string& file, uintptr_t) override
    {
        started.push_back(file);
        return answer;
    }
};

// The real registry as a user without administrator rights sees it: the machine scope opens for
// reading only.
class NoAdministratorRegistry final : public platform::IRegistryBackend {
public:
    long OpenKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key) override
    {
        if (IsMachine(base) && (access & platform::kKeySetValue))
            return platform::kErrorAccessDenied;
        const long rc = real_.OpenKey(base, path, access, key);
        if (rc == platform::kErrorSuccess && IsMachine(base))
            machine_.push_back(key);
        return rc;
    }
    long CreateKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key) override
    {
        return IsMachine(base) ? platform::kErrorAccessDenied : real_.CreateKey(base, path, access, key);
    }
    void CloseKey(RegHandle key) override
    {
        std::erase(machine_, key);
        real_.CloseKey(key);
    }
    long QueryInfo(RegHandle key, uint32_t& k, uint32_t& v) override { return real_.QueryInfo(key, k, v); }
    long EnumValue(RegHandle key, uint32_t i, std::u16string& n) override { return real_.EnumValue(key, i, n); }
    long EnumKey(RegHandle key, uint32_t i, std::u16string& n) override { return real_.EnumKey(key, i, n); }
    long QueryValue(RegHandle key, std::u16string_view name, uint32_t& type, uint32_t& size,
                    std::vector<uint8_t>* data) override
    {
        return real_.QueryValue(key, name, type, size, data);
    }
    long SetValue(RegHandle key, std::u16string_view name, uint32_t type, const void* data, uint32_t size) override
    {
        return IsMachine(key) ? platform::kErrorAccessDenied : real_.SetValue(key, name, type, data, size);
    }
    long DeleteValue(RegHandle key, std::u16string_view name) override
    {
        return IsMachine(key) ? platform::kErrorAccessDenied : real_.DeleteValue(key, name);
    }
    long DeleteKey(RegHandle base, std::u16string_view path, uint32_t bits) override
    {
        return IsMachine(base) ? platform::kErrorAccessDenied : real_.DeleteKey(base, path, bits);
    }
    long LoadKey(RegHandle root, std::u16string_view path, std::u16string_view file) override
    {
        return real_.LoadKey(root, path, file);
    }

private:
    bool IsMachine(RegHandle key) const
    {
        return key == platform::kRootLocalMachine || std::find(machine_.begin(), machine_.end(), key) != machine_.end();
    }
    platform::IRegistryBackend& real_ = platform::DefaultRegistry();
    std::vector<RegHandle> machine_;
};

class ElevationTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        userVar_ = UniqueName(L"VNK_ELEVATE");
        guard_ = std::make_unique<ValueGuard>(HKEY_CURRENT_USER, L"Environment", userVar_);
        SetStringValue(HKEY_CURRENT_USER, L"Environment", userVar_, L"1");
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        ResetWriteAccessProbe();
    }
    TfrmMain& OpenWithoutAdministratorRights()
    {
        ResetWriteAccessProbe();
        return Open();
    }
    static bool OptionsStored() { return ReadRawValue(HKEY_CURRENT_USER, L"Software\\Varnook", L"left").exists; }

    ShellDouble shell_;
    platform::ScopedOverride<platform::IElevation> useShell_{shell_};
    NoAdministratorRegistry registry_;
    std::unique_ptr<ValueGuard> guard_;
    std::wstring userVar_;
};

} // namespace

TEST_F(ElevationTest, WithWriteAccessThereIsNothingToRestart)
{
    ResetWriteAccessProbe();
    TfrmMain& w = Open();
    ASSERT_TRUE(w.CanWriteSystem());
    EXPECT_FALSE(w.IsActionEnabled(TActionId::actFileRestartAsAdmin));
    EXPECT_FALSE(w.SysTreeView()->Caption().ButtonVisible(2));
    EXPECT_FALSE(w.ExecuteAction(TActionId::actFileRestartAsAdmin));
    EXPECT_TRUE(shell_.started.empty());
}

TEST_F(ElevationTest, StartedInstanceEndsThisOneWithoutQuestionsOrOptions)
{
    platform::ScopedOverride<platform::IRegistryBackend> use(registry_);
    TfrmMain& w = OpenWithoutAdministratorRights();
    ASSERT_FALSE(w.CanWriteSystem());
    w.Options().onExitConfirmation = true; // would ask on an ordinary close
    {
        BoxAnswers answers({IDYES});
        // The title-bar button does what the menu entry does.
        SendMessageW(w.SysTreeView()->Caption().Button(2), BM_CLICK, 0, 0);
        Pump(100);
        EXPECT_TRUE(answers.Asked().empty());
    }
    ASSERT_EQ(shell_.started.size(), 1u);
    EXPECT_EQ(shell_.started[0], platform::ProgramFiles().ExecutablePath());
    EXPECT_EQ(w.Handle(), nullptr);
    EXPECT_FALSE(OptionsStored());
}

TEST_F(ElevationTest, DeclinedPromptKeepsTheInstanceSilently)
{
    platform::ScopedOverride<platform::IRegistryBackend> use(registry_);
    shell_.answer = platform::kErrorCancelled;
    TfrmMain& w = OpenWithoutAdministratorRights();
    Edit(*w.UserVarTree(), U(userVar_), u"2");
    BoxAnswers answers({IDNO, IDOK});
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileRestartAsAdmin));
    Pump(100);
    EXPECT_EQ(shell_.started.size(), 1u);
    ASSERT_EQ(answers.Asked().size(), 1u); // the question about the changes, nothing after it
    EXPECT_EQ(answers.Asked()[0], L"All changes will be lost after switching user\r\nDo you want to save the changes?");
    ASSERT_NE(w.Handle(), nullptr);
    EXPECT_TRUE(w.IsModified());
    EXPECT_EQ(ValueOf(*w.UserVarTree(), U(userVar_)), u"2");
}

TEST_F(ElevationTest, FailedStartIsReportedAndKeepsTheInstance)
{
    platform::ScopedOverride<platform::IRegistryBackend> use(registry_);
    shell_.answer = 2; // ERROR_FILE_NOT_FOUND
    TfrmMain& w = OpenWithoutAdministratorRights();
    BoxAnswers answers({IDOK});
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileRestartAsAdmin));
    Pump(100);
    ASSERT_EQ(answers.Asked().size(), 1u);
    EXPECT_EQ(answers.Asked()[0].rfind(L"Can not restart as administrator:\r\n", 0), 0u) << Narrow(answers.Asked()[0]);
    EXPECT_NE(w.Handle(), nullptr);
}

TEST_F(ElevationTest, UnsavedChangesAreAskedAbout)
{
    platform::ScopedOverride<platform::IRegistryBackend> use(registry_);
    shell_.answer = platform::kErrorCancelled; // the instance stays, so each answer can be seen
    TfrmMain& w = OpenWithoutAdministratorRights();
    Edit(*w.UserVarTree(), U(userVar_), u"2");
    {
        BoxAnswers answers({IDCANCEL});
        w.ExecuteAction(TActionId::actFileRestartAsAdmin);
        EXPECT_EQ(answers.Asked().size(), 1u);
    }
    EXPECT_TRUE(shell_.started.empty());
    EXPECT_TRUE(w.IsModified());
    {
        BoxAnswers answers({IDYES});
        w.ExecuteAction(TActionId::actFileRestartAsAdmin);
        EXPECT_EQ(answers.Asked().size(), 1u);
    }
    EXPECT_EQ(shell_.started.size(), 1u);
    EXPECT_FALSE(w.IsModified());
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, L"Environment", userVar_).text, L"2");
}
