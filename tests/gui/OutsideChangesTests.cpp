// The real window and another program changing the store while it is open: reg.exe from a
// second process, the status bar's notice, the reload, the question at save.
#include "app/MainWindow.h"
#include "res/resource.h"
#include "support/MessagePump.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";

std::u16string U(const std::wstring& s)
{
    return std::u16string(s.begin(), s.end());
}

// Clicks a button of the next box the window shows and keeps its text.
// The fourth status label is shared with the start-up update check, which the tests point at an
// address that fails: only the outside-change notice matters here.
bool ShowsOutsideNotice(TfrmMain& w)
{
    return w.StatusText(3).rfind(u"Another program changed", 0) == 0;
}

class NextBox {
public:
    explicit NextBox(int button) : button_(button)
    {
        self_ = this;
        timer_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~NextBox()
    {
        KillTimer(nullptr, timer_);
        self_ = nullptr;
    }
    std::wstring text;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (!self_ || !self_->text.empty())
            return;
        HWND box = VisibleDialog();
        if (!box)
            return;
        wchar_t text[1024]{};
        GetDlgItemTextW(box, IDC_MSG_TEXT, text, 1024);
        self_->text = text;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(self_->button_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, self_->button_)));
    }

    static inline NextBox* self_ = nullptr;
    int button_;
    UINT_PTR timer_ = 0;
};

class OutsideChangesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        optionsBackup_ = std::make_unique<KeyBackup>(HKEY_CURRENT_USER, L"Software\\Varnook");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
    }
    void TearDown() override
    {
        window_.reset();
        Pump(50);
    }
    void PutUser(const std::wstring& name, const std::wstring& value)
    {
        Guard(name);
        SetStringValue(HKEY_CURRENT_USER, kUserKey, name, value);
    }
    void Guard(const std::wstring& name) { guards_.push_back(std::make_unique<ValueGuard>(HKEY_CURRENT_USER, kUserKey, name)); }
    TfrmMain& Open()
    {
        window_ = std::make_unique<TfrmMain>();
        TfrmMain::TStartOptions start;
        start.runCommandLine = false;
        EXPECT_TRUE(window_->Create(start));
        Pump(300);
        return *window_;
    }
    // Another process sets a user variable.
    static void RegAdd(const std::wstring& name, const std::wstring& value)
    {
        ProcessResult r = RunProcess(L"reg.exe add HKCU\\Environment /v " + name + L" /d \"" + value + L"\" /f");
        EXPECT_EQ(r.exitCode, 0u) << r.output;
    }
    // Runs the window until the condition holds, for at most a few seconds.
    static bool PumpUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 50 && !done(); ++i)
            Pump(100);
        return done();
    }
    static std::u16string Value(const TETree& tree, const std::wstring& name)
    {
        const TNode* v = tree.FindVariable(U(name));
        return v ? TETree::GetVariableValue(v) : u"(none)";
    }
    static void Edit(TETree& tree, const std::wstring& name, const std::u16string& value)
    {
        tree.PushSnapshot();
        tree.SetVariableValue(tree.FindVariable(U(name)), value);
    }

    std::unique_ptr<KeyBackup> optionsBackup_;
    std::vector<std::unique_ptr<ValueGuard>> guards_;
    std::unique_ptr<TfrmMain> window_;
};

} // namespace

TEST_F(OutsideChangesTest, AChangeByAnotherProgramReloadsOrIsAnnounced)
{
    const std::wstring mine = UniqueName(L"VNK_MINE"), added = UniqueName(L"VNK_ADDED");
    PutUser(mine, L"C:\\a;C:\\b");
    Guard(added);
    TfrmMain& w = Open();
    TETree& user = *w.UserVarTree();
    TNode* second = user.FindVariable(U(mine))->LastChild();
    user.ActivateNode(second);
    ASSERT_TRUE(user.FindVariable(U(mine))->IsExpanded());

    // Nothing unsaved: the new variable shows at once, focus and expansion stay.
    RegAdd(added, L"fresh");
    ASSERT_TRUE(PumpUntil([&] { return Value(user, added) == u"fresh"; }));
    TNode* focused = user.FocusedNode();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(TETree::GetElement(focused), u"C:\\b");
    EXPECT_TRUE(user.FindVariable(U(mine))->IsExpanded());
    EXPECT_FALSE(ShowsOutsideNotice(w));

    // With unsaved edits, the status bar says how many variables changed and offers Refresh.
    Edit(user, mine, u"C:\\edited");
    RegAdd(added, L"changed");
    ASSERT_TRUE(PumpUntil([&] { return ShowsOutsideNotice(w); }));
    EXPECT_EQ(w.StatusText(3), u"Another program changed 1 variable - Refresh (F5) loads it and drops your changes");
    EXPECT_EQ(Value(user, added), u"fresh");
    EXPECT_EQ(Value(user, mine), u"C:\\edited");

    // Saving keeps the other program's change; the save itself is not announced, and the
    // window then shows the store as it is.
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, added).text, L"changed");
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, mine).text, L"C:\\edited");
    ASSERT_TRUE(PumpUntil([&] { return Value(user, added) == u"changed"; }));
    EXPECT_FALSE(ShowsOutsideNotice(w));

    // A save of our own alone changes the keys too, and nothing follows from it: no notice, no
    // reload (which would forget the undo history).
    Edit(user, mine, u"C:\\again");
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    Pump(1500);
    EXPECT_FALSE(ShowsOutsideNotice(w));
    EXPECT_TRUE(w.GetUndoStack().IsUndoable());
}

TEST_F(OutsideChangesTest, SaveAsksWhenBothChangedAVariable)
{
    const std::wstring name = UniqueName(L"VNK_BOTH");
    PutUser(name, L"base");
    TfrmMain& w = Open();
    TETree& user = *w.UserVarTree();
    struct Case {
        int button;
        const wchar_t* stored;    // in the store afterwards
        bool modified;            // the window afterwards
    };
    const Case cases[] = {
        {IDCANCEL, L"theirs 0", true},  // nothing written
        {IDNO, L"theirs 1", false},     // the other program's value kept
        {IDYES, L"mine 2", false},      // the user's value kept
        {IDOK, L"theirs 3", false},     // everything reloaded, the user's edits dropped
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(round);
        const std::wstring n = std::to_wstring(round++);
        Edit(user, name, u"mine " + U(n));
        SetStringValue(HKEY_CURRENT_USER, kUserKey, name, L"theirs " + n);
        NextBox box(c.button);
        EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
        EXPECT_NE(box.text.find(L"'" + name + L"'"), std::wstring::npos) << Narrow(box.text);
        EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, name).text, c.stored);
        EXPECT_EQ(w.IsModified(), c.modified);
        if (c.button == IDOK)
            EXPECT_EQ(Value(user, name), U(c.stored));
        Pump(300);
    }
}
