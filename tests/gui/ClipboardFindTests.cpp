// Copy, paste, find and find next in the real main window, created in this process against
// scratch variables in the prefix's Environment keys; other programs at the clipboard are a
// small peer program and a second varnook process. What a save writes is read back with reg.exe.
#include "app/InfoPanel.h"
#include "app/MainWindow.h"
#include "app/TreeView.h"
#include "edit/ClipboardRecord.h"
#include "platform/Clipboard.h"
#include "res/resource.h"
#include "support/MessagePump.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <thread>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";
const wchar_t kSystemKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const wchar_t kUserKeyForReg[] = L"HKCU\\Environment";
const wchar_t kSystemKeyForReg[] = L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::u16string U(const std::wstring& s)
{
    return std::u16string(s.begin(), s.end());
}

std::wstring DialogText(HWND dlg, int id)
{
    wchar_t text[512]{};
    GetDlgItemTextW(dlg, id, text, 512);
    return text;
}

// Handles the next dialogs of this thread in order (message boxes, the find dialog) and keeps
// the message of each box.
class DialogScript {
public:
    using Step = std::function<void(HWND dlg)>;
    explicit DialogScript(std::deque<Step> steps) : steps_(std::move(steps))
    {
        self_ = this;
        timer_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~DialogScript()
    {
        KillTimer(nullptr, timer_);
        self_ = nullptr;
    }
    const std::vector<std::wstring>& Asked() const { return asked_; }
    bool Done() const { return steps_.empty(); }

    static Step Press(int button)
    {
        return [button](HWND dlg) {
            PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, button)));
        };
    }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (!self_ || self_->steps_.empty() || self_->busy_)
            return;
        HWND dlg = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
            wchar_t cls[16]{};
            GetClassNameW(w, cls, 16);
            if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w) && IsWindowEnabled(w)) {
                *reinterpret_cast<HWND*>(p) = w;
                return FALSE;
            }
            return TRUE;
        }, reinterpret_cast<LPARAM>(&dlg));
        if (!dlg)
            return;
        if (dlg == self_->last_) {
            // A step that did not close its dialog must not leave the test waiting for ever.
            if (GetTickCount() - self_->stepTick_ > 5000) {
                self_->asked_.push_back(L"<still open>");
                EndDialog(dlg, IDCANCEL);
                self_->last_ = nullptr;
            }
            return;
        }
        self_->last_ = dlg;
        self_->stepTick_ = GetTickCount();
        if (GetDlgItem(dlg, IDC_MSG_TEXT))
            self_->asked_.push_back(DialogText(dlg, IDC_MSG_TEXT));
        Step step = std::move(self_->steps_.front());
        self_->steps_.pop_front();
        self_->busy_ = true;
        step(dlg);
        self_->busy_ = false;
    }

    static inline DialogScript* self_ = nullptr;
    std::deque<Step> steps_;
    std::vector<std::wstring> asked_;
    HWND last_ = nullptr;
    DWORD stepTick_ = 0;
    bool busy_ = false;
    UINT_PTR timer_ = 0;
};

std::wstring PeerExe()
{
    return BuildDir() + L"tests\\clipboard_peer.exe";
}

// What the clipboard holds, read as any program would.
std::wstring ClipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return L"<busy>";
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

bool HasVariableFormat()
{
    return IsClipboardFormatAvailable(RegisterClipboardFormatW(L"VariableClipboard")) != FALSE;
}

void PutOnClipboard(const std::wstring& text, const std::vector<uint8_t>* variableBlock)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    auto block = [](const void* data, size_t size) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
        memcpy(GlobalLock(h), data, size);
        GlobalUnlock(h);
        return h;
    };
    if (variableBlock)
        SetClipboardData(RegisterClipboardFormatW(L"VariableClipboard"), block(variableBlock->data(), variableBlock->size()));
    SetClipboardData(CF_UNICODETEXT, block(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    CloseClipboard();
}

class ClipboardFindTest : public ::testing::Test {
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
    void GuardUser(const std::wstring& name) { guards_.push_back(std::make_unique<ValueGuard>(HKEY_CURRENT_USER, kUserKey, name)); }
    void GuardSystem(const std::wstring& name)
    {
        guards_.push_back(std::make_unique<ValueGuard>(HKEY_LOCAL_MACHINE, kSystemKey, name));
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
    // Gives the tree the keyboard focus, as a click would, and focuses the node.
    void Focus(TTreeView& view, TNode* node)
    {
        SetFocus(view.Control());
        view.Tree()->ActivateNode(node);
        Pump(20);
    }
    static TNode* Find(const TETree& tree, std::u16string_view name)
    {
        for (TNode* v = tree.FirstVariable(); v; v = v->NextSibling())
            if (TETree::GetVariableName(v) == name)
                return v;
        return nullptr;
    }

    std::unique_ptr<KeyBackup> optionsBackup_;
    std::vector<std::unique_ptr<ValueGuard>> guards_;
    std::unique_ptr<TfrmMain> window_;
};

} // namespace

TEST_F(ClipboardFindTest, VariablesGoBetweenTheTreesWithTheOverwriteQuestion)
{
    const std::wstring name = UniqueName(L"VNK_CLIP");
    std::wstring lower = name;
    CharLowerW(lower.data());
    const std::wstring onlySystem = UniqueName(L"VNK_CLIP_SYS");
    PutUser(name, L"%SystemRoot%\\a;C:\\b", REG_EXPAND_SZ);
    PutSystem(lower, L"old"); // the same variable in other letters, a plain string
    PutSystem(onlySystem, L"D:\\sys");
    GuardUser(onlySystem);
    TfrmMain& w = Open();
    TETree& user = *w.UserVarTree();
    TETree& system = *w.SysVarTree();

    // Copy from the user tree: the record and NAME=value as text.
    Focus(*w.UserTreeView(), Find(user, U(name)));
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditCopy));
    EXPECT_EQ(ClipboardText(), name + L"=%SystemRoot%\\a;C:\\b");
    EXPECT_TRUE(HasVariableFormat());

    // Into the system tree: the name exists there, so it asks. No changes nothing.
    Focus(*w.SysTreeView(), Find(system, U(onlySystem)));
    ASSERT_EQ(w.ActiveTree(), &system);
    const std::wstring question = L"Variable '" + name + L"' already exists\r\nDo you want to overwrite it?";
    {
        DialogScript script({DialogScript::Press(IDNO)});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditPaste));
        EXPECT_EQ(script.Asked(), std::vector<std::wstring>{question});
    }
    EXPECT_FALSE(w.IsModified());
    EXPECT_EQ(TETree::GetVariableValue(Find(system, U(lower))), u"old");

    // Yes replaces the value and takes the pasted kind with it, in one undo step.
    {
        DialogScript script({DialogScript::Press(IDYES)});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditPaste));
        EXPECT_EQ(script.Asked(), std::vector<std::wstring>{question});
    }
    TNode* replaced = Find(system, U(lower));
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(TETree::GetVariableValue(replaced), u"%SystemRoot%\\a;C:\\b");
    EXPECT_EQ(TETree::GetVariableType(replaced), rdExpandString);
    EXPECT_EQ(replaced->ChildCount(), 2u);
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditUndo));
    EXPECT_EQ(TETree::GetVariableValue(Find(system, U(lower))), u"old");
    EXPECT_EQ(TETree::GetVariableType(Find(system, U(lower))), rdString);
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditRedo));

    // And back: a plain variable of the system tree arrives in the user tree as it was, unasked.
    Focus(*w.SysTreeView(), Find(system, U(onlySystem)));
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditCopy));
    Focus(*w.UserTreeView(), Find(user, U(name))->FirstChild());
    {
        DialogScript script({});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditPaste));
        EXPECT_TRUE(script.Asked().empty());
    }
    TNode* arrived = Find(user, U(onlySystem));
    ASSERT_NE(arrived, nullptr);
    EXPECT_EQ(TETree::GetVariableType(arrived), rdString);
    EXPECT_EQ(user.FocusedNode(), arrived);

    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    const RegExeValue sys = RegExeQuery(kSystemKeyForReg, lower);
    EXPECT_EQ(sys.type, "REG_EXPAND_SZ");
    EXPECT_EQ(sys.data, "%SystemRoot%\\a;C:\\b");
    const RegExeValue usr = RegExeQuery(kUserKeyForReg, onlySystem);
    EXPECT_EQ(usr.type, "REG_SZ");
    EXPECT_EQ(usr.data, "D:\\sys");
}

TEST_F(ClipboardFindTest, ASpecialReadOnlyVariableIsNotReplacedByAPaste)
{
    TfrmMain& w = Open();
    TETree& user = *w.UserVarTree();
    TNode* special = nullptr;
    for (TNode* v = user.FirstVariable(); v && !special; v = v->NextSibling())
        if (TETree::GetVariableReadOnly(v) && user.FindVariable(TETree::GetVariableName(v)) == v)
            special = v;
    ASSERT_NE(special, nullptr) << "the process environment gives the user tree no special variable";
    const std::u16string name = TETree::GetVariableName(special);
    const std::u16string value = TETree::GetVariableValue(special);
    const auto record = WriteVariableRecord({name, u"C:\\elsewhere", rdExpandString});
    PutOnClipboard(std::wstring(name.begin(), name.end()) + L"=C:\\elsewhere", &record);

    Focus(*w.UserTreeView(), user.GetFirstVisible());
    {
        DialogScript script({DialogScript::Press(IDOK)});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditPaste));
        EXPECT_EQ(script.Asked(), std::vector<std::wstring>{L"Variable '" + std::wstring(name.begin(), name.end()) +
                                                            L"' is a special read-only variable and cannot be replaced"});
    }
    EXPECT_FALSE(w.IsModified());
    EXPECT_EQ(TETree::GetVariableValue(user.FindVariable(name)), value);
}

TEST_F(ClipboardFindTest, TextFromAnotherProgramBecomesOneElement)
{
    const std::wstring name = UniqueName(L"VNK_PASTE_TEXT");
    PutUser(name, L"C:\\one;C:\\two");
    TfrmMain& w = Open();
    TETree& user = *w.UserVarTree();
    ProcessResult put = RunProcess(L"\"" + PeerExe() + L"\" put \"D:\\from;E:\\other\"");
    ASSERT_EQ(put.exitCode, 0u) << put.output;
    EXPECT_FALSE(HasVariableFormat());

    TNode* v = Find(user, U(name));
    Focus(*w.UserTreeView(), v->FirstChild());
    EXPECT_TRUE(w.IsActionEnabled(TActionId::actEditPaste));
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditPaste));
    ASSERT_EQ(v->ChildCount(), 3u);
    EXPECT_EQ(TETree::GetElement(v->FirstChild()->NextSibling()), u"D:\\from;E:\\other"); // ";" and all
    EXPECT_EQ(user.FocusedNode(), v->FirstChild()->NextSibling());
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    EXPECT_EQ(RegExeQuery(kUserKeyForReg, name).data, "C:\\one;D:\\from;E:\\other;C:\\two");

    // A record that does not read back is passed over for the text that came with it.
    const std::vector<uint8_t> foreign = {0x10, 0x32, 0x54, 0x00, 0x20, 0x42, 0x64, 0x00, 0x02, 0x00, 0x00, 0x00};
    PutOnClipboard(L"F:\\fallback", &foreign);
    Focus(*w.UserTreeView(), v);
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditPaste));
    EXPECT_EQ(TETree::GetElement(v->FirstChild()), u"F:\\fallback");
}

TEST_F(ClipboardFindTest, ACopiedElementIsTextForOtherProgramsOnly)
{
    const std::wstring name = UniqueName(L"VNK_COPY_ELEM");
    PutUser(name, L"C:\\first;D:\\Straße\\bin");
    TfrmMain& w = Open();
    TNode* v = Find(*w.UserVarTree(), U(name));
    Focus(*w.UserTreeView(), v->LastChild());
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditCopy));
    EXPECT_FALSE(HasVariableFormat());
    ProcessResult get = RunProcess(L"\"" + PeerExe() + L"\" get");
    EXPECT_EQ(get.exitCode, 0u);
    EXPECT_EQ(get.output, "D:\\Stra\xC3\x9F" "e\\bin");

    // Copy is for the tree itself: with the focus elsewhere it is unavailable.
    SetFocus(w.InfoPanel()->InspectorGrid());
    EXPECT_FALSE(w.IsActionEnabled(TActionId::actEditCopy));
}

TEST_F(ClipboardFindTest, ABusyClipboardIsReportedNotPassedOver)
{
    const std::wstring name = UniqueName(L"VNK_BUSY");
    PutUser(name, L"C:\\x");
    TfrmMain& w = Open();
    PutOnClipboard(L"before", nullptr);
    Focus(*w.UserTreeView(), Find(*w.UserVarTree(), U(name)));

    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        // Another window holds the clipboard open until told to let go.
        HWND other = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        const bool got = OpenClipboard(other);
        SetEvent(opened);
        WaitForSingleObject(release, 10000);
        if (got)
            CloseClipboard();
        DestroyWindow(other);
    });
    WaitForSingleObject(opened, 5000);
    const std::wstring busy = L"The clipboard is in use by another program.\r\nPlease try again.";
    {
        DialogScript script({DialogScript::Press(IDOK), DialogScript::Press(IDOK)});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditCopy));
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditPaste));
        EXPECT_EQ(script.Asked(), (std::vector<std::wstring>{busy, busy}));
    }
    SetEvent(release);
    holder.join();
    CloseHandle(opened);
    CloseHandle(release);
    EXPECT_EQ(ClipboardText(), L"before");
    EXPECT_FALSE(w.IsModified());
}

TEST_F(ClipboardFindTest, AVariableCopiedBeforeARestartPastesInTheNewProcess)
{
    const std::wstring name = UniqueName(L"VNK_RESTART");
    PutSystem(name, L"%SystemRoot%\\restart;C:\\x", REG_EXPAND_SZ);
    GuardUser(name);
    {
        TfrmMain& w = Open();
        Focus(*w.SysTreeView(), Find(*w.SysVarTree(), U(name)));
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditCopy));
        window_.reset(); // this instance ends; only the clipboard remembers
        Pump(50);
    }
    ASSERT_TRUE(HasVariableFormat());

    ChildProcess next(L"\"" + VarnookExe() + L"\"");
    HWND main = next.WaitForWindow(L"TfrmMain", 20000);
    ASSERT_NE(main, nullptr);
    auto run = [main](TActionId id) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(TfrmMain::kCommandBase + static_cast<UINT>(id), 1), 0);
    };
    run(TActionId::actEditPaste); // into its user tree, which has the focus at start
    run(TActionId::actFileSave);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(next.WaitForExit(20000));
    const RegExeValue pasted = RegExeQuery(kUserKeyForReg, name);
    EXPECT_TRUE(pasted.exists);
    EXPECT_EQ(pasted.type, "REG_EXPAND_SZ");
    EXPECT_EQ(pasted.data, "%SystemRoot%\\restart;C:\\x");
}

TEST_F(ClipboardFindTest, FindOpensCollapsedVariablesAndFindNextStopsAtTheEnd)
{
    const std::wstring name = UniqueName(L"VNK_FIND");
    PutUser(name, L"C:\\alpha;D:\\needle_qz7;E:\\NEEDLE_QZ7b;F:\\omega");
    TfrmMain& w = Open();
    TETree& user = *w.UserVarTree();
    TNode* v = Find(user, U(name));
    Focus(*w.UserTreeView(), user.GetFirstVisible());
    ASSERT_FALSE(v->IsExpanded());
    EXPECT_TRUE(w.IsActionEnabled(TActionId::actEditFind));
    EXPECT_FALSE(w.IsActionEnabled(TActionId::actEditFindNext)); // nothing searched yet

    bool okAtOpen = true, okWhenEmpty = true, okWithText = false;
    {
        DialogScript script({[&](HWND dlg) {
            wchar_t caption[64]{};
            GetWindowTextW(dlg, caption, 64);
            EXPECT_STREQ(caption, L"Find");
            EXPECT_EQ(DialogText(dlg, IDC_FIND_LABEL), L"&Find text:");
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_FIND_TEXT));
            okAtOpen = IsWindowEnabled(GetDlgItem(dlg, IDOK));
            SetDlgItemTextW(dlg, IDC_FIND_TEXT, L"Needle_QZ");
            okWithText = IsWindowEnabled(GetDlgItem(dlg, IDOK));
            SetDlgItemTextW(dlg, IDC_FIND_TEXT, L"");
            okWhenEmpty = IsWindowEnabled(GetDlgItem(dlg, IDOK));
            SetDlgItemTextW(dlg, IDC_FIND_TEXT, L"Needle_QZ");
            // Enter presses the default button.
            PostMessageW(GetDlgItem(dlg, IDC_FIND_TEXT), WM_KEYDOWN, VK_RETURN, 0);
        }});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditFind));
        EXPECT_TRUE(script.Asked().empty()) << "the dialog closed on Enter";
    }
    EXPECT_FALSE(okAtOpen);
    EXPECT_TRUE(okWithText);
    EXPECT_FALSE(okWhenEmpty);
    EXPECT_EQ(w.SearchString(), u"Needle_QZ");
    EXPECT_EQ(user.FocusedNode(), v->FirstChild()->NextSibling());
    EXPECT_TRUE(v->IsExpanded());
    EXPECT_EQ(TreeView_GetSelection(w.UserTreeView()->Control()), w.UserTreeView()->ItemOf(user.FocusedNode()));

    // F3, as the key arrives at the window.
    SetFocus(w.UserTreeView()->Control());
    MSG f3{w.UserTreeView()->Control(), WM_KEYDOWN, VK_F3, 0};
    EXPECT_TRUE(w.PreTranslateMessage(f3));
    EXPECT_EQ(user.FocusedNode(), v->FirstChild()->NextSibling()->NextSibling());

    // No further match: the box says so and the focus stays on the last match.
    TNode* last = user.FocusedNode();
    {
        DialogScript script({DialogScript::Press(IDOK)});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditFindNext));
        EXPECT_EQ(script.Asked(), std::vector<std::wstring>{L"Search string 'Needle_QZ' not found"});
    }
    EXPECT_EQ(user.FocusedNode(), last);

    // Escape keeps the text; a new Find starts again from the top.
    {
        DialogScript script({[](HWND dlg) {
            EXPECT_EQ(DialogText(dlg, IDC_FIND_TEXT), L"Needle_QZ");
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
            SetDlgItemTextW(dlg, IDC_FIND_TEXT, L"other");
            PostMessageW(GetDlgItem(dlg, IDC_FIND_TEXT), WM_KEYDOWN, VK_ESCAPE, 0);
        }});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditFind));
        EXPECT_TRUE(script.Asked().empty()) << "the dialog closed on Escape";
    }
    EXPECT_EQ(w.SearchString(), u"Needle_QZ");
    EXPECT_EQ(user.FocusedNode(), last);
    {
        DialogScript script({DialogScript::Press(IDOK)});
        EXPECT_TRUE(w.ExecuteAction(TActionId::actEditFind));
    }
    EXPECT_EQ(user.FocusedNode(), v->FirstChild()->NextSibling());
}

TEST_F(ClipboardFindTest, PasteWhileEditingInPlaceGoesIntoTheEditor)
{
    const std::wstring name = UniqueName(L"VNK_PASTE_EDIT");
    PutUser(name, L"C:\\ab");
    TfrmMain& w = Open();
    TNode* v = Find(*w.UserVarTree(), U(name));
    Focus(*w.UserTreeView(), v->FirstChild());
    PutOnClipboard(L"XY", nullptr);
    ASSERT_TRUE(w.ExecuteAction(TActionId::actEditEditAsText));
    HWND editor = w.UserTreeView()->EditorControl();
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(GetFocus(), editor);
    SendMessageW(editor, EM_SETSEL, 4, 4);
    // Copy belongs to the editor's own keys now; Paste goes to the editor.
    EXPECT_FALSE(w.IsActionEnabled(TActionId::actEditCopy));
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditPaste));
    wchar_t text[64]{};
    GetWindowTextW(editor, text, 64);
    EXPECT_STREQ(text, L"C:\\aXYb");
    EXPECT_EQ(v->ChildCount(), 1u);
    EXPECT_FALSE(w.IsModified());
    PostMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 1);
    Pump(50);
    EXPECT_EQ(TETree::GetVariableValue(v), u"C:\\ab");
}
