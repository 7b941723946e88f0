// The main window, created in this process against scratch variables in the prefix's own
// Environment keys, driven with the messages a user's keys and clicks produce.
#include "app/FormOK.h"
#include "app/MainWindow.h"
#include "app/OneInst.h"
#include "app/TreeView.h"
#include "core/Presentation.h"
#include "platform/MemoryRegistry.h"
#include "platform/Services.h"
#include "res/resource.h"
#include "support/MessagePump.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";
const wchar_t kSystemKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// Answers the next boxes the window shows, in order, and remembers what they asked.
class BoxAnswers {
public:
    explicit BoxAnswers(std::vector<int> buttons) : buttons_(std::move(buttons))
    {
        self_ = this;
        timer_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~BoxAnswers()
    {
        KillTimer(nullptr, timer_);
        self_ = nullptr;
    }
    const std::vector<std::wstring>& Asked() const { return asked_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (!self_ || self_->buttons_.empty())
            return;
        HWND box = VisibleDialog();
        if (!box)
            return;
        wchar_t text[512]{};
        GetDlgItemTextW(box, IDC_MSG_TEXT, text, 512);
        self_->asked_.push_back(text);
        const int button = self_->buttons_.front();
        self_->buttons_.erase(self_->buttons_.begin());
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    }

    static inline BoxAnswers* self_ = nullptr;
    std::vector<int> buttons_;
    std::vector<std::wstring> asked_;
    UINT_PTR timer_ = 0;
};

// Records the broadcasts of changed settings that reach top-level windows.
class SettingChangeListener {
public:
    SettingChangeListener()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_SETTINGCHANGE && l && lstrcmpW(reinterpret_cast<const wchar_t*>(l), L"Environment") == 0)
                ++count;
            return DefWindowProcW(h, m, w, l);
        };
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VarnookTestListener";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowW(L"VarnookTestListener", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
        count = 0;
    }
    ~SettingChangeListener() { DestroyWindow(hwnd_); }
    static inline int count = 0;

private:
    HWND hwnd_;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The options start from their defaults and are put back afterwards.
        optionsBackup_ = std::make_unique<KeyBackup>(HKEY_CURRENT_USER, L"Software\\Varnook");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
    }
    void TearDown() override
    {
        window_.reset();
        Pump(50);
    }

    // A scratch variable in a shared key, removed again when the test ends.
    void PutUser(const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ)
    {
        guards_.push_back(std::make_unique<ValueGuard>(HKEY_CURRENT_USER, kUserKey, name));
        SetStringValue(HKEY_CURRENT_USER, kUserKey, name, value, type);
    }
    void PutSystem(const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ)
    {
        guards_.push_back(std::make_unique<ValueGuard>(HKEY_LOCAL_MACHINE, kSystemKey, name));
        SetStringValue(HKEY_LOCAL_MACHINE, kSystemKey, name, value, type);
    }
    void Guard(HKEY root, const wchar_t* key, const std::wstring& name)
    {
        guards_.push_back(std::make_unique<ValueGuard>(root, key, name));
    }

    TfrmMain& Open()
    {
        window_ = std::make_unique<TfrmMain>();
        TfrmMain::TStartOptions start;
        start.runCommandLine = false;
        EXPECT_TRUE(window_->Create(start));
        Pump(100);
        return *window_;
    }

    static std::vector<std::u16string> Names(const TETree& tree)
    {
        std::vector<std::u16string> names;
        for (TNode* v = tree.FirstVariable(); v; v = v->NextSibling())
            names.push_back(TETree::GetVariableName(v));
        return names;
    }
    static size_t IndexOf(const TETree& tree, std::u16string_view name)
    {
        size_t i = 0;
        for (TNode* v = tree.FirstVariable(); v; v = v->NextSibling(), ++i)
            if (TETree::GetVariableName(v) == name)
                return i;
        return SIZE_MAX;
    }
    static TNode* Find(const TETree& tree, std::u16string_view name)
    {
        for (TNode* v = tree.FirstVariable(); v; v = v->NextSibling())
            if (TETree::GetVariableName(v) == name)
                return v;
        return nullptr;
    }

    // An undoable edit of a variable's value, as the edit operations will make them.
    static void Edit(TETree& tree, TNode* variable, const std::u16string& value)
    {
        tree.PushSnapshot();
        tree.SetVariableValue(variable, value);
    }

    std::unique_ptr<KeyBackup> optionsBackup_;
    std::vector<std::unique_ptr<ValueGuard>> guards_;
    std::unique_ptr<TfrmMain> window_;
};

std::u16string U(const std::wstring& s)
{
    return std::u16string(s.begin(), s.end());
}

} // namespace

TEST_F(MainWindowTest, StartUpShowsBothScopesSortedWithSpecialVariables)
{
    const std::wstring b = UniqueName(L"VNK_B"), a = UniqueName(L"vnk_a"), sys = UniqueName(L"VNK_SYS");
    PutUser(b, L"C:\\b");
    PutUser(a, L"C:\\a;C:\\a2");
    PutSystem(sys, L"%SystemRoot%\\x", REG_EXPAND_SZ);
    TfrmMain& w = Open();

    wchar_t caption[128]{};
    GetWindowTextW(w.Handle(), caption, 128);
    EXPECT_EQ(std::wstring(caption).rfind(L"Varnook 0.1 build ", 0), 0u) << Narrow(caption);

    TETree& user = *w.UserVarTree();
    TETree& system = *w.SysVarTree();
    EXPECT_LT(IndexOf(user, U(a)), IndexOf(user, U(b))); // vnk_a before VNK_B: letter case folded
    ASSERT_NE(Find(system, U(sys)), nullptr);
    EXPECT_EQ(TETree::GetVariableType(Find(system, U(sys))), rdExpandString);
    EXPECT_EQ(Find(user, U(a))->ChildCount(), 2u);
    EXPECT_EQ(user.root, platform::kRootCurrentUser);
    EXPECT_EQ(system.root, platform::kRootLocalMachine);

    // The special variables come from the program's own environment, read-only.
    TNode* windir = Find(system, u"SystemRoot");
    ASSERT_NE(windir, nullptr);
    bool anyReadOnly = false;
    for (TNode* v = system.FirstVariable(); v; v = v->NextSibling())
        anyReadOnly |= TETree::GetVariableReadOnly(v);
    EXPECT_TRUE(anyReadOnly);

    // The controls mirror the models: a row per variable, elements once a variable is
    // expanded; the user tree focused first.
    EXPECT_EQ(w.ActiveTree(), &user);
    EXPECT_EQ(GetFocus(), w.UserTreeView()->Control());
    for (TETree* tree : {&user, &system}) {
        TTreeView& view = *(tree == &user ? w.UserTreeView() : w.SysTreeView());
        size_t rows = 0;
        for (const TNode* v = tree->FirstVariable(); v; v = v->NextSibling())
            rows += v->IsVisible() ? 1 + (v->IsExpanded() ? v->ChildCount() : 0) : 0;
        EXPECT_EQ(view.ItemCount(), rows);
        tree->FullExpand();
        EXPECT_EQ(view.ItemCount(), tree->NodeCount());
        EXPECT_EQ(SendMessageW(view.Control(), TVM_GETCOUNT, 0, 0), static_cast<LRESULT>(tree->NodeCount()));
    }
    EXPECT_FALSE(w.IsModified());
    EXPECT_EQ(w.StatusText(0), u"");
}

TEST_F(MainWindowTest, ExpandingARowInTheControlShowsItsElements)
{
    const std::wstring name = UniqueName(L"VNK_EXPAND");
    PutUser(name, L"C:\\one;C:\\two;C:\\three");
    TfrmMain& w = Open();
    TETree& user = *w.UserVarTree();
    TTreeView& view = *w.UserTreeView();
    TNode* v = Find(user, U(name));
    ASSERT_NE(v, nullptr);
    ASSERT_FALSE(v->IsExpanded());
    HTREEITEM item = view.ItemOf(v);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(TreeView_GetChild(view.Control(), item), nullptr) << "no element rows before the first expansion";

    // As the user does it, with the keys of the focused row: the control expands, the model
    // follows.
    user.ActivateNode(v);
    SendMessageW(view.Control(), WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_TRUE(v->IsExpanded());
    EXPECT_EQ(view.ItemOf(v), item) << "the rows stay; nothing was filled again";
    std::vector<std::wstring> texts;
    for (HTREEITEM child = TreeView_GetChild(view.Control(), item); child;
         child = TreeView_GetNextSibling(view.Control(), child)) {
        wchar_t text[64]{};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = child;
        tv.pszText = text;
        tv.cchTextMax = 64;
        ASSERT_TRUE(TreeView_GetItem(view.Control(), &tv));
        texts.push_back(text);
    }
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"C:\\one", L"C:\\two", L"C:\\three"}));

    SendMessageW(view.Control(), WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_FALSE(v->IsExpanded());
    SendMessageW(view.Control(), WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_TRUE(v->IsExpanded());
    EXPECT_EQ(SendMessageW(view.Control(), TVM_GETCOUNT, 0, 0), static_cast<LRESULT>(view.ItemCount()));
}

TEST_F(MainWindowTest, ReadOnlyVariablesHideAndShowAgain)
{
    TfrmMain& w = Open();
    TETree& system = *w.SysVarTree();
    TNode* special = nullptr;
    for (TNode* v = system.FirstVariable(); v && !special; v = v->NextSibling())
        if (TETree::GetVariableReadOnly(v))
            special = v;
    ASSERT_NE(special, nullptr);
    ASSERT_NE(w.SysTreeView()->ItemOf(special), nullptr);
    EXPECT_TRUE(w.ExecuteAction(TActionId::actViewShowReadOnly));
    EXPECT_FALSE(w.Options().showReadonly);
    EXPECT_EQ(w.SysTreeView()->ItemOf(special), nullptr);
    EXPECT_FALSE(w.IsModified()); // hiding is no edit
    EXPECT_TRUE(w.ExecuteAction(TActionId::actViewShowReadOnly));
    EXPECT_NE(w.SysTreeView()->ItemOf(special), nullptr);
}

TEST_F(MainWindowTest, TimerMarksMissingPaths)
{
    const std::wstring name = UniqueName(L"VNK_PATHS");
    PutUser(name, L"C:\\windows;C:\\no\\such\\folder\\here");
    TfrmMain& w = Open();
    Pump(500); // more than two ticks of the 200 ms timer
    TNode* v = Find(*w.UserVarTree(), U(name));
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->Data()->GetWrongPath());
    EXPECT_FALSE(v->FirstChild()->Data()->GetWrongPath());
    EXPECT_TRUE(v->LastChild()->Data()->GetWrongPath());
    const TRowStyle style = RowStyle(w.UserVarTree()->GetRowFacts(v->LastChild()), false);
    EXPECT_TRUE(style.bold);
    EXPECT_EQ(style.color, kWrongPathColor);
}

TEST_F(MainWindowTest, SaveWritesBothScopesAndBroadcasts)
{
    const std::wstring user = UniqueName(L"VNK_SAVE_U"), system = UniqueName(L"VNK_SAVE_S");
    PutUser(user, L"old", REG_EXPAND_SZ);
    PutSystem(system, L"sys");
    SettingChangeListener listener;
    TfrmMain& w = Open();
    EXPECT_FALSE(w.IsActionEnabled(TActionId::actFileSave));

    Edit(*w.UserVarTree(), Find(*w.UserVarTree(), U(user)), u"new;value");
    Edit(*w.SysVarTree(), Find(*w.SysVarTree(), U(system)), u"changed");
    EXPECT_TRUE(w.IsModified());
    Pump(50);
    EXPECT_EQ(w.StatusText(0), u"Modified");
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    EXPECT_FALSE(w.IsModified());
    EXPECT_EQ(w.StatusText(0), u"");
    EXPECT_GE(SettingChangeListener::count, 1);

    RawValue u = ReadRawValue(HKEY_CURRENT_USER, kUserKey, user);
    EXPECT_EQ(u.text, L"new;value");
    EXPECT_EQ(u.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(ReadRawValue(HKEY_LOCAL_MACHINE, kSystemKey, system).text, L"changed");
    // Special variables stay out of the store.
    if (Find(*w.UserVarTree(), u"USERPROFILE"))
        EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, kUserKey, L"USERPROFILE").exists);
}

TEST_F(MainWindowTest, RefreshReadsTheStoreAgainAndForgetsTheHistory)
{
    const std::wstring name = UniqueName(L"VNK_REFRESH");
    PutUser(name, L"one");
    TfrmMain& w = Open();
    SetStringValue(HKEY_CURRENT_USER, kUserKey, name, L"two");
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditRefresh)); // not modified: nothing is asked
    EXPECT_EQ(TETree::GetVariableValue(Find(*w.UserVarTree(), U(name))), u"two");

    Edit(*w.UserVarTree(), Find(*w.UserVarTree(), U(name)), u"edited");
    {
        BoxAnswers answers({IDNO});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditRefresh));
        ASSERT_EQ(answers.Asked().size(), 1u);
        EXPECT_EQ(answers.Asked()[0], L"All changes will be lost after refreshing\r\nAre you sure?");
    }
    EXPECT_EQ(TETree::GetVariableValue(Find(*w.UserVarTree(), U(name))), u"edited");
    {
        BoxAnswers answers({IDYES});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditRefresh));
    }
    EXPECT_EQ(TETree::GetVariableValue(Find(*w.UserVarTree(), U(name))), u"two");
    EXPECT_FALSE(w.IsModified());
    EXPECT_FALSE(w.GetUndoStack().IsUndoable());
}

TEST_F(MainWindowTest, ModifiedStateFollowsUndoRedoAndALostSavedPosition)
{
    const std::wstring name = UniqueName(L"VNK_MOD");
    PutUser(name, L"a");
    TfrmMain& w = Open();
    TETree& tree = *w.UserVarTree();
    Edit(tree, Find(tree, U(name)), u"b");
    EXPECT_TRUE(w.IsModified());
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditUndo));
    EXPECT_FALSE(w.IsModified()); // back at the saved state
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditRedo));
    EXPECT_TRUE(w.IsModified());
    EXPECT_EQ(TETree::GetVariableValue(Find(tree, U(name))), u"b");

    // Save at "b", undo to "a", then a different edit "c": the position equals the saved one
    // again, but the trees differ from the store.
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditUndo));
    Edit(tree, Find(tree, U(name)), u"c");
    EXPECT_EQ(w.GetUndoStack().GetPos(), 2);
    EXPECT_TRUE(w.IsModified());
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditUndo));
    EXPECT_TRUE(w.IsModified()); // "a" is not what the store holds either
}

TEST_F(MainWindowTest, ClosingAsksAsTheOptionsSay)
{
    struct Case {
        const char* what;
        bool confirmExit;
        bool modified;
        std::vector<int> answers;
        std::vector<std::wstring> asked;
        bool closes;
        bool saved;
    };
    const std::wstring exitQuestion = L"Are you sure you want to exit?";
    const std::wstring saveQuestion = L"Do you want to save the changes?";
    const Case cases[] = {
        {"nothing to ask", false, false, {}, {}, true, false},
        {"exit confirmed", true, false, {IDYES}, {exitQuestion}, true, false},
        {"exit declined", true, true, {IDNO}, {exitQuestion}, false, false},
        {"save: yes", false, true, {IDYES}, {saveQuestion}, true, true},
        {"save: no", false, true, {IDNO}, {saveQuestion}, true, false},
        {"save: cancel", true, true, {IDYES, IDCANCEL}, {exitQuestion, saveQuestion}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring name = UniqueName(L"VNK_CLOSE");
        PutUser(name, L"stored");
        TfrmMain& w = Open();
        w.Options().onExitConfirmation = c.confirmExit;
        if (c.modified)
            Edit(*w.UserVarTree(), Find(*w.UserVarTree(), U(name)), u"edited");
        HWND hwnd = w.Handle();
        BoxAnswers answers(c.answers);
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        Pump(100);
        EXPECT_EQ(answers.Asked(), c.asked);
        EXPECT_EQ(IsWindow(hwnd) == FALSE, c.closes);
        EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, name).text, c.saved ? L"edited" : L"stored");
        // The options are written only by a window that closes.
        RegistryAccess options;
        EXPECT_EQ(options.OpenKey(u"\\Software\\Varnook", false), c.closes);
        if (!c.closes) {
            w.Options().onExitConfirmation = false;
            BoxAnswers discard({IDNO});
            SendMessageW(hwnd, WM_CLOSE, 0, 0);
            Pump(50);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
        window_.reset();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
}

TEST_F(MainWindowTest, WindowPlacementComesFromTheOptions)
{
    {
        TfrmMain& w = Open();
        RECT client;
        GetClientRect(w.Handle(), &client);
        const UINT dpi = GetDpiForWindow(w.Handle());
        EXPECT_EQ(client.right, MulDiv(631, dpi, 96));
        EXPECT_EQ(client.bottom, MulDiv(570, dpi, 96));
        MoveWindow(w.Handle(), 40, 50, 700, 500, TRUE);
        SendMessageW(w.Handle(), WM_CLOSE, 0, 0);
        Pump(50);
        window_.reset();
    }
    RegistryAccess stored;
    ASSERT_TRUE(stored.OpenKey(u"\\Software\\Varnook", false));
    EXPECT_EQ(stored.ReadInteger(u"left"), 40);
    EXPECT_EQ(stored.ReadInteger(u"width"), 700);
    TfrmMain& again = Open();
    WINDOWPLACEMENT placement{sizeof(placement)};
    GetWindowPlacement(again.Handle(), &placement);
    EXPECT_EQ(placement.rcNormalPosition.left, 40);
    EXPECT_EQ(placement.rcNormalPosition.top, 50);
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 700);
}

TEST_F(MainWindowTest, PanelsKeepTheirRatioAndTabTogglesTheTrees)
{
    TfrmMain& w = Open();
    auto widthOf = [](HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        return r.right - r.left;
    };
    HWND sys = w.SysTreeView()->Handle(), user = w.UserTreeView()->Handle();
    EXPECT_NEAR(widthOf(sys), widthOf(user), 1);
    // Drag the splitter to a quarter of the width.
    RECT sysRect, userRect;
    GetWindowRect(sys, &sysRect);
    GetWindowRect(user, &userRect);
    POINT grip{(sysRect.right + userRect.left) / 2, (sysRect.top + sysRect.bottom) / 2};
    ScreenToClient(w.Handle(), &grip);
    RECT client;
    GetClientRect(w.Handle(), &client);
    const int target = client.right / 4;
    SendMessageW(w.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(grip.x, grip.y));
    SendMessageW(w.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(target, grip.y));
    SendMessageW(w.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(target, grip.y));
    const double ratio = w.Proportion();
    EXPECT_NEAR(ratio, 0.25, 0.02);
    for (int width : {500, 900, 1200}) {
        SetWindowPos(w.Handle(), nullptr, 0, 0, width, 600, SWP_NOZORDER | SWP_NOMOVE);
        Pump(20);
        const double shown = double(widthOf(sys)) / (widthOf(sys) + widthOf(user));
        EXPECT_NEAR(shown, ratio, 0.01) << width;
    }
    // The window is never narrower than 380 pixels at 96 DPI.
    SetWindowPos(w.Handle(), nullptr, 0, 0, 100, 600, SWP_NOZORDER | SWP_NOMOVE);
    RECT shrunk;
    GetWindowRect(w.Handle(), &shrunk);
    EXPECT_GE(shrunk.right - shrunk.left, MulDiv(380, GetDpiForWindow(w.Handle()), 96));

    SetFocus(w.UserTreeView()->Control());
    MSG tab{w.UserTreeView()->Control(), WM_KEYDOWN, VK_TAB, 0};
    EXPECT_TRUE(w.PreTranslateMessage(tab));
    EXPECT_EQ(GetFocus(), w.SysTreeView()->Control());
    EXPECT_EQ(w.ActiveTree(), w.SysVarTree());
    tab.hwnd = w.SysTreeView()->Control();
    EXPECT_TRUE(w.PreTranslateMessage(tab));
    EXPECT_EQ(GetFocus(), w.UserTreeView()->Control());
}

// The trees repaint a row at a time and redraw their scroll bars only when a paint moved them:
// what the screen shows after each change is what a whole repaint of the tree draws.
TEST_F(MainWindowTest, TreesRepaintedInPartsLookAsRepaintedWhole)
{
    const std::wstring longName = UniqueName(L"VNK_WIDE");
    PutUser(longName, L"C:\\short");
    for (int i = 0; i < 12; ++i)
        PutUser(UniqueName(L"VNK_ROWS"), L"C:\\a;C:\\b;C:\\c");
    TfrmMain& w = Open();
    // The first pass after start-up marks the rows of missing folders: a change of its own,
    // painted before the test's.
    Pump(450);
    SetForegroundWindow(w.Handle());
    TETree& user = *w.UserVarTree();
    HWND control = w.UserTreeView()->Control();
    const auto onScreen = [&] {
        UpdateWindow(control);
        Pump(50);
        Sleep(300); // Wine hands the window's picture to the X server a moment after painting
        RECT r;
        GetWindowRect(control, &r);
        return CaptureScreen(r);
    };
    const auto expectWhole = [&](const char* after) {
        const Screenshot parts = onScreen();
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        const Screenshot whole = onScreen();
        ASSERT_EQ(parts.width, whole.width);
        const size_t differing = DifferingPixels(parts, whole);
        EXPECT_EQ(differing, 0u) << "after " << after;
        if (differing) {
            const std::string name(after);
            KeepPictures(parts, L"repaint-parts-" + std::wstring(name.begin(), name.end()), whole,
                         L"repaint-whole-" + std::wstring(name.begin(), name.end()));
        }
    };
    expectWhole("start-up");
    user.FullExpand();
    expectWhole("expanding every variable");
    SendMessageW(control, WM_VSCROLL, SB_BOTTOM, 0);
    expectWhole("scrolling to the end");
    TNode* wide = Find(user, U(longName));
    ASSERT_NE(wide, nullptr);
    Edit(user, wide, u"C:\\" + std::u16string(300, u'w'));
    user.ActivateNode(wide);
    expectWhole("a row wider than the tree");
    SendMessageW(control, WM_HSCROLL, SB_RIGHT, 0);
    expectWhole("scrolling to the right");
    user.FullCollapse();
    expectWhole("collapsing every variable");
}

// The layout made before the window shows is the one it shows with: the panels lie between the
// toolbars and the information panel already, and the first show moves nothing.
TEST_F(MainWindowTest, HiddenWindowIsLaidOutAsItShows)
{
    window_ = std::make_unique<TfrmMain>();
    TfrmMain::TStartOptions start;
    start.runCommandLine = false;
    start.show = false;
    ASSERT_TRUE(window_->Create(start));
    TfrmMain& w = *window_;
    auto rectOf = [&](HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, w.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const HWND children[] = {w.SysTreeView()->Handle(), w.UserTreeView()->Handle(), w.InformationPanel()};
    std::vector<RECT> before;
    for (HWND h : children)
        before.push_back(rectOf(h));
    const RECT bar = rectOf(w.Toolbars());
    EXPECT_GT(bar.bottom, 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_GE(before[i].top, bar.bottom) << i;
        EXPECT_LE(before[i].bottom, before[2].top) << i;
    }
    ShowWindow(w.Handle(), SW_SHOW);
    Pump(50);
    for (size_t i = 0; i < before.size(); ++i) {
        const RECT after = rectOf(children[i]);
        EXPECT_TRUE(EqualRect(&before[i], &after)) << i;
    }
}

TEST_F(MainWindowTest, InformationPanelAndToolbarsToggle)
{
    TfrmMain& w = Open();
    EXPECT_TRUE(IsWindowVisible(w.InformationPanel()));
    EXPECT_TRUE(w.ExecuteAction(TActionId::actViewShowInformation));
    EXPECT_FALSE(IsWindowVisible(w.InformationPanel()));
    EXPECT_FALSE(w.Options().showInformation);
    EXPECT_TRUE(w.IsActionChecked(TActionId::actViewShowMain));
    EXPECT_TRUE(w.ExecuteAction(TActionId::actViewShowMain));
    EXPECT_FALSE(w.IsActionChecked(TActionId::actViewShowMain));
    // The arrangement the options will keep says so too.
    bool found = false;
    for (const auto& a : w.GetToolbarArrangement())
        if (a.name == u"tbMain") {
            found = true;
            EXPECT_FALSE(a.visible);
        }
    EXPECT_TRUE(found);
}

TEST_F(MainWindowTest, TypeAheadFindsCollapsedElements)
{
    const std::wstring name = UniqueName(L"VNK_TYPE");
    PutUser(name, L"C:\\first;D:\\zebra\\stripes");
    TfrmMain& w = Open();
    TNode* v = Find(*w.UserVarTree(), U(name));
    ASSERT_NE(v, nullptr);
    EXPECT_FALSE(v->IsExpanded());
    SetFocus(w.UserTreeView()->Control());
    EXPECT_TRUE(w.UserTreeView()->FindAndActivate(u"d:\\ZEB"));
    EXPECT_EQ(w.UserVarTree()->FocusedNode(), v->LastChild());
    EXPECT_TRUE(v->IsExpanded());
    EXPECT_EQ(TreeView_GetSelection(w.UserTreeView()->Control()), w.UserTreeView()->ItemOf(v->LastChild()));
}

TEST(MainWindowProcess, SecondInstanceOpensItsOwnWindowAndArgumentsNeverShowOne)
{
    ChildProcess first(L"\"" + VarnookExe() + L"\"");
    HWND one = first.WaitForWindow(L"TfrmMain", 20000);
    ASSERT_NE(one, nullptr);
    ChildProcess second(L"\"" + VarnookExe() + L"\"");
    HWND two = second.WaitForWindow(L"TfrmMain", 20000);
    EXPECT_NE(two, nullptr);
    EXPECT_NE(one, two);
    for (HWND w : {one, two})
        if (w)
            PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_TRUE(first.WaitForExit(10000));
    EXPECT_TRUE(second.WaitForExit(10000));
    EXPECT_EQ(first.ExitCode(), 0u);

    const std::wstring name = UniqueName(L"VNK_ARGS");
    ValueGuard guard(HKEY_CURRENT_USER, kUserKey, name);
    ChildProcess withArguments(L"\"" + VarnookExe() + L"\" -S " + name + L" v");
    EXPECT_TRUE(withArguments.WaitForExit(20000));
    EXPECT_EQ(withArguments.ExitCode(), 0u);
    EXPECT_EQ(withArguments.WaitForWindow(L"TfrmMain", 10), nullptr);
}

TEST_F(MainWindowTest, FailedSaveKeepsTheWindowModifiedAndSaysWhy)
{
    const std::wstring name = UniqueName(L"VNK_FAIL");
    PutUser(name, L"stored");
    TfrmMain& w = Open();
    Edit(*w.UserVarTree(), Find(*w.UserVarTree(), U(name)), u"edited");
    SettingChangeListener listener;
    {
        // A store in which the scope keys cannot be opened, as when another process holds them.
        platform::MemoryRegistry locked;
        platform::ScopedOverride<platform::IRegistryBackend> use(locked);
        BoxAnswers answers({IDOK});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
        EXPECT_EQ(answers.Asked(),
                  std::vector<std::wstring>{L"Error writing to the registry, the registry key is locked by another process"});
    }
    EXPECT_TRUE(w.IsModified());
    EXPECT_EQ(SettingChangeListener::count, 0);
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, name).text, L"stored");
    Pump(50);
    EXPECT_EQ(w.StatusText(0), u"Modified");
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave)); // and it can be tried again
    EXPECT_FALSE(w.IsModified());
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, name).text, L"edited");
}

TEST_F(MainWindowTest, CommandsNotBuiltYetStayUnavailable)
{
    TfrmMain& w = Open();
    SetFocus(w.UserTreeView()->Control());
    for (TActionId id : {TActionId::actEditFindNext})
        EXPECT_FALSE(w.IsActionEnabled(id)) << Action(id).name;
    for (TActionId id : {TActionId::actFileBackup, TActionId::actFileExit, TActionId::actEditRefresh,
                         TActionId::actViewShowReadOnly})
        EXPECT_TRUE(w.IsActionEnabled(id)) << Action(id).name;
    // The menus show the same: Edit's "Find Next" is greyed (nothing searched yet), File's
    // "Backup..." is not.
    HMENU edit = GetSubMenu(GetMenu(w.Handle()), 1);
    SendMessageW(w.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 0);
    EXPECT_TRUE(GetMenuState(edit, TfrmMain::kCommandBase + static_cast<UINT>(TActionId::actEditFindNext), MF_BYCOMMAND) &
                MF_GRAYED);
    HMENU file = GetSubMenu(GetMenu(w.Handle()), 0);
    SendMessageW(w.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    EXPECT_FALSE(GetMenuState(file, TfrmMain::kCommandBase + static_cast<UINT>(TActionId::actFileBackup), MF_BYCOMMAND) &
                 MF_GRAYED);
}

TEST_F(MainWindowTest, StoredOptionsShapeTheWindowAtStart)
{
    {
        RegistryAccess options;
        ASSERT_TRUE(options.OpenKey(u"\\Software\\Varnook", true));
        options.WriteBool(u"showReadOnly", false);
        options.WriteBool(u"showInformation", false);
    }
    TfrmMain& w = Open();
    EXPECT_FALSE(IsWindowVisible(w.InformationPanel()));
    EXPECT_FALSE(w.IsActionChecked(TActionId::actViewShowInformation));
    EXPECT_FALSE(w.IsActionChecked(TActionId::actViewShowReadOnly));
    for (TETree* tree : {w.SysVarTree(), w.UserVarTree()})
        for (TNode* v = tree->FirstVariable(); v; v = v->NextSibling())
            EXPECT_EQ(v->IsVisible(), !TETree::GetVariableReadOnly(v)) << ToUtf8(TETree::GetVariableName(v));
    // Nothing focused may hide: the focus sits on a variable that is shown.
    ASSERT_NE(w.UserVarTree()->FocusedNode(), nullptr);
    EXPECT_TRUE(TETree::IsDisplayed(w.UserVarTree()->FocusedNode()));
}

TEST_F(MainWindowTest, ActivationRequestBringsTheWindowBack)
{
    TfrmMain& w = Open();
    ShowWindow(w.Handle(), SW_MINIMIZE);
    Pump(50);
    ASSERT_TRUE(IsIconic(w.Handle()));
    // What a second instance that could not get the mutex sends before it ends.
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"Varnook: Activate Window"), 0, 0);
    Pump(200);
    EXPECT_FALSE(IsIconic(w.Handle()));
}

namespace {
// The real registry, as a user without administrator rights sees it: the machine scope opens
// for reading only.
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
        if (IsMachine(base))
            return platform::kErrorAccessDenied;
        return real_.CreateKey(base, path, access, key);
    }
    void CloseKey(RegHandle key) override
    {
        std::erase(machine_, key);
        real_.CloseKey(key);
    }
    long QueryInfo(RegHandle key, uint32_t& subKeys, uint32_t& values) override { return real_.QueryInfo(key, subKeys, values); }
    long EnumValue(RegHandle key, uint32_t index, std::u16string& name) override { return real_.EnumValue(key, index, name); }
    long EnumKey(RegHandle key, uint32_t index, std::u16string& name) override { return real_.EnumKey(key, index, name); }
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
    long DeleteKey(RegHandle base, std::u16string_view path, uint32_t viewBits) override
    {
        return IsMachine(base) ? platform::kErrorAccessDenied : real_.DeleteKey(base, path, viewBits);
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
} // namespace

TEST_F(MainWindowTest, WithoutWriteAccessTheSystemTreeIsShownNotEdited)
{
    const std::wstring user = UniqueName(L"VNK_NOADMIN_U"), system = UniqueName(L"VNK_NOADMIN_S");
    PutUser(user, L"u");
    PutSystem(system, L"s");
    NoAdministratorRegistry registry;
    platform::ScopedOverride<platform::IRegistryBackend> use(registry);
    ResetWriteAccessProbe();
    TfrmMain& w = Open();
    EXPECT_FALSE(w.CanWriteSystem());
    EXPECT_EQ(w.SysTreeView()->Caption().Caption(), u"System variables (read-only)");
    EXPECT_TRUE(w.SysTreeView()->ReadOnlyLook());
    EXPECT_EQ(TreeView_GetBkColor(w.SysTreeView()->Control()), RGB(240, 240, 240));
    EXPECT_TRUE(w.SysTreeView()->Caption().ButtonVisible(2)); // Restart as administrator
    // with the shield, which a hidden button is only given once it shows
    EXPECT_NE(SendMessageW(w.SysTreeView()->Caption().Button(2), BM_GETIMAGE, IMAGE_ICON, 0), 0);
    Pump(50);
    EXPECT_EQ(w.StatusText(2), u"You have no write access to the system variables");
    ASSERT_NE(Find(*w.SysVarTree(), U(system)), nullptr); // still shown

    // A save writes the user scope and leaves the machine scope alone.
    Edit(*w.UserVarTree(), Find(*w.UserVarTree(), U(user)), u"u2");
    Edit(*w.SysVarTree(), Find(*w.SysVarTree(), U(system)), u"s2");
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    EXPECT_FALSE(w.IsModified());
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, user).text, L"u2");
    EXPECT_EQ(ReadRawValue(HKEY_LOCAL_MACHINE, kSystemKey, system).text, L"s");
    window_.reset();
    ResetWriteAccessProbe();
}
