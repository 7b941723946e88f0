// In-place editing in the real window: keys typed into the name and element editors, what the
// trees hold afterwards, and the completion popup's place, size and keys.
#include "app/MainWindow.h"
#include "app/TreeView.h"
#include "edit/InPlaceEditor.h"
#include "res/resource.h"
#include "support/MessagePump.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";

std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

// Answers the program's message boxes with one button and remembers what they said.
class BoxWatcher {
public:
    explicit BoxWatcher(int button = IDOK) : button_(button)
    {
        self_ = this;
        timer_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~BoxWatcher()
    {
        KillTimer(nullptr, timer_);
        self_ = nullptr;
    }
    std::vector<std::wstring> said;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND box = VisibleDialog();
        if (!box || !self_)
            return;
        wchar_t text[512]{};
        GetDlgItemTextW(box, IDC_MSG_TEXT, text, 512);
        self_->said.push_back(text);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(self_->button_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, self_->button_)));
    }
    static inline BoxWatcher* self_ = nullptr;
    int button_;
    UINT_PTR timer_ = 0;
};

class InPlaceEditorTest : public ::testing::Test {
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
    TfrmMain& Open()
    {
        window_ = std::make_unique<TfrmMain>();
        TfrmMain::TStartOptions start;
        start.runCommandLine = false;
        EXPECT_TRUE(window_->Create(start));
        Pump(100);
        return *window_;
    }
    TETree& User() { return *window_->UserVarTree(); }
    TTreeView& UserView() { return *window_->UserTreeView(); }
    TNode* Find(std::u16string_view name)
    {
        for (TNode* v = User().FirstVariable(); v; v = v->NextSibling())
            if (TETree::GetVariableName(v) == name)
                return v;
        return nullptr;
    }
    // F2 on the node, as the user presses it in the tree.
    HWND StartEdit(TNode* node)
    {
        SetFocus(UserView().Control());
        User().ActivateNode(node);
        Key(VK_F2);
        TETreeStringEditLink* link = UserView().EditLink();
        return link ? link->Editor()->Handle() : nullptr;
    }
    // A key pressed where the focus is, through the application's loop.
    static void Key(UINT vk, bool ctrl = false)
    {
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        PostMessageW(GetFocus(), WM_KEYDOWN, vk, 1);
        Pump(30);
        state[VK_CONTROL] = 0;
        SetKeyboardState(state);
    }
    static void Type(std::wstring_view text)
    {
        for (wchar_t c : text)
            PostMessageW(GetFocus(), WM_CHAR, c, 1);
        Pump(30);
    }
    static std::wstring TextOf(HWND edit)
    {
        std::wstring text(GetWindowTextLengthW(edit) + 1, L'\0');
        GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
        text.resize(text.size() - 1);
        return text;
    }
    TContentAssist* Assist()
    {
        TETreeStringEditLink* link = UserView().EditLink();
        return link ? link->Editor()->ContentAssist() : nullptr;
    }
    std::vector<std::u16string> Rows()
    {
        std::vector<std::u16string> rows;
        if (TContentAssist* ca = Assist(); ca && ca->IsVisible())
            for (const auto& row : ca->Rows())
                rows.push_back(row.text);
        return rows;
    }
    std::u16string Elements(const TNode* v)
    {
        std::u16string out;
        for (const TNode* e = v->FirstChild(); e; e = e->NextSibling())
            out += (e == v->FirstChild() ? u"" : u"|") + TETree::GetElement(e);
        return out;
    }

    std::unique_ptr<KeyBackup> optionsBackup_;
    std::vector<std::unique_ptr<ValueGuard>> guards_;
    std::unique_ptr<TfrmMain> window_;
};

} // namespace

TEST_F(InPlaceEditorTest, RenameWithEachOutcome)
{
    const std::wstring a = UniqueName(L"VNK_REN_A"), b = UniqueName(L"VNK_REN_B");
    PutUser(a, L"x;y");
    PutUser(b, L"z");
    TfrmMain& w = Open();
    BoxWatcher boxes;
    struct Case {
        std::wstring typed;
        std::wstring said; // the error box, if any
        bool renamed;
        int undoSteps;
    } cases[] = {
        {L"   ", L"Variable name can't be empty", false, 0},
        {L"A=B", L"Variable name can't contain '='", false, 0},
        {b.substr(0, 4) + L"ren_b" + b.substr(9), L"Variable '" + b.substr(0, 4) + L"ren_b" + b.substr(9) +
                                                      L"' already exists", false, 0},
        {a, L"", false, 0},                                       // unchanged
        {a.substr(0, 4) + L"ren_a" + a.substr(9), L"", true, 2},  // letter case alone
    };
    for (const auto& c : cases) {
        TNode* v = Find(U(a)) ? Find(U(a)) : Find(U(c.typed));
        ASSERT_NE(v, nullptr);
        const std::u16string before = TETree::GetVariableName(v);
        HWND edit = StartEdit(v);
        ASSERT_NE(edit, nullptr) << Narrow(c.typed);
        EXPECT_EQ(U(TextOf(edit)), before) << "the name alone";
        DWORD start = 1, end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, before.size()) << "all selected";
        Type(c.typed);
        boxes.said.clear();
        Key(VK_RETURN);
        Pump(200);
        EXPECT_FALSE(UserView().IsEditing()) << "closed in either case";
        EXPECT_EQ(boxes.said, c.said.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.said})
            << Narrow(c.typed);
        EXPECT_EQ(Find(U(c.typed)) != nullptr && !Find(U(a)), c.renamed) << Narrow(c.typed);
        EXPECT_EQ(w.GetUndoStack().GetPos(), c.undoSteps) << Narrow(c.typed);
        EXPECT_EQ(GetFocus(), UserView().Control());
    }
    // A new name moves the variable to its place and keeps its elements; Escape changes nothing.
    TNode* v = Find(U(a.substr(0, 4) + L"ren_a" + a.substr(9)));
    ASSERT_NE(v, nullptr);
    StartEdit(v);
    Type(L"AAA_" + a);
    Key(VK_ESCAPE);
    EXPECT_EQ(Find(U(L"AAA_" + a)), nullptr);
    StartEdit(v);
    Type(L"AAA_" + a);
    Key(VK_RETURN);
    ASSERT_NE(Find(U(L"AAA_" + a)), nullptr);
    EXPECT_EQ(User().FirstVariable(), Find(U(L"AAA_" + a)));
    EXPECT_EQ(Elements(Find(U(L"AAA_" + a))), u"x|y");
    // Tab accepts the name and opens the next visible row that may be edited.
    v = Find(U(L"AAA_" + a));
    User().SetExpanded(v, true);
    StartEdit(v);
    Type(L"AAA_" + b);
    Key(VK_TAB);
    ASSERT_NE(Find(U(L"AAA_" + b)), nullptr);
    ASSERT_TRUE(UserView().IsEditing());
    EXPECT_EQ(UserView().EditLink()->Node(), Find(U(L"AAA_" + b))->FirstChild());
    Key(VK_ESCAPE);
}

TEST_F(InPlaceEditorTest, ElementAcceptedWithAndWithoutSemicolon)
{
    const std::wstring split = UniqueName(L"VNK_SPLIT"), joined = UniqueName(L"VNK_JOINED");
    PutUser(split, L"C:\\one;C:\\two");
    PutUser(joined, L"p");
    TfrmMain& w = Open();
    w.Options().GetExclusions().Add(U(joined), false, true);
    TNode* v = Find(U(split));
    HWND edit = StartEdit(v->FirstChild());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(TextOf(edit), L"C:\\one");
    Type(L"a;b");
    Key(VK_RETURN);
    EXPECT_EQ(Elements(v), u"a|b|C:\\two");
    EXPECT_EQ(w.GetUndoStack().GetPos(), 2);
    EXPECT_EQ(GetFocus(), UserView().Control());
    // Enter on an unchanged text pushes nothing.
    StartEdit(v->LastChild());
    Key(VK_RETURN);
    EXPECT_EQ(w.GetUndoStack().GetPos(), 2);

    TNode* j = Find(U(joined));
    StartEdit(j->FirstChild());
    Type(L"a;b");
    Key(VK_RETURN);
    EXPECT_EQ(Elements(j), u"a;b");
    // Delete and Ctrl+Z are the editor's keys, not the tree's commands.
    StartEdit(j->FirstChild());
    Key(VK_END);
    Key(VK_BACK);
    Key(VK_HOME);
    Key(VK_DELETE);
    TETreeStringEditLink* link = UserView().EditLink();
    ASSERT_NE(link, nullptr) << "Delete ended the edit";
    EXPECT_EQ(TextOf(link->Editor()->Handle()), L";");
    Key(VK_RETURN);
    EXPECT_EQ(Elements(j), u";");
    EXPECT_EQ(w.GetUndoStack().GetPos(), 6);
}

TEST_F(InPlaceEditorTest, CancelOfANewNodesFirstEditTakesItBack)
{
    const std::wstring name = UniqueName(L"VNK_NEW");
    PutUser(name, L"keep");
    TfrmMain& w = Open();
    TNode* v = Find(U(name));
    SetFocus(UserView().Control());
    User().ActivateNode(v->FirstChild());
    // As adding a value does: one step, the new element, its edit with the step already taken.
    User().PushSnapshot();
    TNode* added = User().InsertEmptyElement();
    User().IsOnEdited = false;
    ASSERT_TRUE(UserView().EditNode(added));
    EXPECT_EQ(Rows().size(), 2u) << "an empty element opens the hints";
    Key(VK_ESCAPE);
    EXPECT_FALSE(UserView().IsEditing());
    EXPECT_TRUE(User().IsOnEdited);
    EXPECT_EQ(Elements(Find(U(name))), u"keep");
    EXPECT_FALSE(w.IsModified());
    // A later cancelled edit of another element undoes nothing.
    StartEdit(Find(U(name))->FirstChild());
    Type(L"changed");
    Key(VK_ESCAPE);
    EXPECT_EQ(Elements(Find(U(name))), u"keep");
    EXPECT_EQ(w.GetUndoStack().GetPos(), 0);
}

TEST_F(InPlaceEditorTest, PopupOpensUnderTheCaretForReferencesAndPaths)
{
    const std::wstring name = UniqueName(L"VNK_POP");
    PutUser(name, L"x", REG_EXPAND_SZ);
    TfrmMain& w = Open();
    HWND edit = StartEdit(Find(U(name))->FirstChild());
    ASSERT_NE(edit, nullptr);
    Type(L"C:\\x;%Sys");
    TContentAssist* ca = Assist();
    ASSERT_NE(ca, nullptr);
    ASSERT_TRUE(ca->IsVisible());
    EXPECT_EQ(ca->ListType(), TContentAssistType::Variable);
    EXPECT_EQ(ca->Position(), 6);
    const auto rows = Rows();
    EXPECT_NE(std::find(rows.begin(), rows.end(), u"%SystemRoot%"), rows.end()) << "system variables offered";
    for (const auto& row : rows) {
        std::wstring head(row.begin(), row.begin() + std::min<size_t>(4, row.size()));
        CharUpperW(head.data());
        EXPECT_EQ(head, L"%SYS") << Narrow(std::wstring(row.begin(), row.end()));
    }
    auto expectUnder = [&](int charIndex) {
        const LRESULT pos = SendMessageW(edit, EM_POSFROMCHAR, charIndex, 0);
        POINT caret{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
        ClientToScreen(edit, &caret);
        RECT popup;
        GetWindowRect(ca->PopupHandle(), &popup);
        // On the monitor: a popup that would reach past its right edge moves left.
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(edit, MONITOR_DEFAULTTONEAREST), &monitor);
        if (caret.x + 600 <= monitor.rcWork.right)
            EXPECT_EQ(popup.left, caret.x);
        else
            EXPECT_EQ(popup.right, monitor.rcWork.right);
        RECT er;
        GetWindowRect(edit, &er);
        EXPECT_EQ(popup.top, caret.y + 16) << "editor " << er.left << "," << er.top;
        EXPECT_EQ(popup.right - popup.left, 600);
        EXPECT_EQ(popup.bottom - popup.top, 120);
        EXPECT_TRUE(GetWindowLongW(ca->PopupHandle(), GWL_EXSTYLE) & WS_EX_NOACTIVATE);
        EXPECT_EQ(GetFocus(), edit) << "the keyboard stays in the editor";
    };
    expectUnder(5);
    // The closing '%' hides it; Ctrl+Space opens every reference at the caret.
    Type(L"temRoot%");
    EXPECT_FALSE(ca->IsVisible());
    Key(VK_SPACE, true);
    EXPECT_TRUE(ca->IsVisible());
    EXPECT_EQ(ca->Position(), static_cast<int>(TextOf(edit).size()) + 1);
    EXPECT_GT(Rows().size(), 5u);
    Key(VK_ESCAPE);

    // A path from the start of the text, the rows the folder's entries.
    edit = StartEdit(Find(U(name))->FirstChild());
    Type(L"C:\\win");
    ca = Assist();
    ASSERT_TRUE(ca && ca->IsVisible());
    EXPECT_EQ(ca->ListType(), TContentAssistType::Path);
    EXPECT_EQ(Rows(), std::vector<std::u16string>{u"C:\\windows"});
    expectUnder(0);
    Key(VK_DOWN);
    Key(VK_RETURN);
    EXPECT_EQ(TextOf(edit), L"C:\\windows");
    EXPECT_FALSE(ca->IsVisible());
    Type(L"\\");
    EXPECT_TRUE(ca->IsVisible());
    EXPECT_GT(Rows().size(), 5u);
    for (const auto& row : Rows())
        EXPECT_NE(row.back(), u'.') << "no . or .. entries";
    Key(VK_ESCAPE);
    (void)w;
}

TEST_F(InPlaceEditorTest, KeysOfTheElementEditor)
{
    const std::wstring name = UniqueName(L"VNK_KEYS");
    PutUser(name, L"x", REG_EXPAND_SZ);
    TfrmMain& w = Open();
    TNode* v = Find(U(name));
    HWND edit = StartEdit(v->FirstChild());
    Type(L"%");
    TContentAssist* ca = Assist();
    ASSERT_TRUE(ca && ca->IsVisible());
    const size_t count = ca->Rows().size();
    ASSERT_GT(count, 2u);
    EXPECT_EQ(ca->GetSelectionIndex(), -1) << "no row selected after filling";
    Key(VK_UP);
    EXPECT_EQ(ca->GetSelectionIndex(), 0) << "Up from no selection: the first row";
    Key(VK_UP);
    EXPECT_EQ(ca->GetSelectionIndex(), 0);
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(ca->GetSelectionIndex(), 2);
    for (size_t i = 0; i < count + 2; ++i)
        Key(VK_DOWN);
    EXPECT_EQ(ca->GetSelectionIndex(), static_cast<int>(count) - 1) << "Down stops at the last row";
    Key(VK_UP);
    const std::u16string chosen = ca->GetSelection();
    Key(VK_RETURN);
    EXPECT_EQ(U(TextOf(edit)), chosen);
    EXPECT_FALSE(ca->IsVisible());
    EXPECT_TRUE(UserView().IsEditing()) << "Enter on a row inserts it and keeps editing";
    // Hidden: Up and Down move the caret.
    DWORD caret = 0;
    Key(VK_UP);
    SendMessageW(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    EXPECT_EQ(caret, chosen.size() - 1);
    Key(VK_DOWN);
    SendMessageW(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    EXPECT_EQ(caret, chosen.size());
    // Ctrl+A hides the popup and selects everything; Tab does nothing.
    Type(L";%");
    EXPECT_TRUE(ca->IsVisible());
    Key('A', true);
    EXPECT_FALSE(ca->IsVisible());
    DWORD start = 1, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, chosen.size() + 2);
    Key(VK_TAB);
    EXPECT_TRUE(UserView().IsEditing());
    EXPECT_EQ(GetFocus(), edit);
    // Escape with the popup open hides it and cancels the edit.
    Type(L"%");
    EXPECT_TRUE(ca->IsVisible());
    Key(VK_ESCAPE);
    EXPECT_FALSE(UserView().IsEditing());
    EXPECT_EQ(Elements(v), u"x");
    EXPECT_FALSE(w.IsModified());
}

TEST_F(InPlaceEditorTest, LeavingTheEditorAcceptsIt)
{
    const std::wstring name = UniqueName(L"VNK_LEAVE");
    PutUser(name, L"old");
    TfrmMain& w = Open();
    StartEdit(Find(U(name))->FirstChild());
    Type(L"typed");
    SetFocus(w.SysTreeView()->Control());
    Pump(50);
    EXPECT_FALSE(UserView().IsEditing());
    EXPECT_EQ(Elements(Find(U(name))), u"typed");
    EXPECT_EQ(GetFocus(), w.SysTreeView()->Control()) << "the focus stays where the user put it";
    EXPECT_TRUE(w.IsModified());
}

TEST_F(InPlaceEditorTest, WholeTreeCommandsEndTheEditFirst)
{
    const std::wstring name = UniqueName(L"VNK_WHOLE");
    PutUser(name, L"one;two");
    TfrmMain& w = Open();
    TNode* v = Find(U(name));
    StartEdit(v->FirstChild());
    Type(L"first");
    Key(VK_RETURN);
    EXPECT_EQ(Elements(Find(U(name))), u"first|two");
    // Undo with an editor open: the typed text is accepted as its own step, then undone; the
    // editor never points into the replaced tree.
    StartEdit(Find(U(name))->LastChild());
    Type(L"second");
    EXPECT_TRUE(w.IsActionEnabled(TActionId::actEditUndo));
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditUndo));
    EXPECT_FALSE(UserView().IsEditing());
    EXPECT_EQ(Elements(Find(U(name))), u"first|two");
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditUndo));
    EXPECT_EQ(Elements(Find(U(name))), u"one|two");
    Key(VK_ESCAPE); // nothing open: nothing undone
    EXPECT_EQ(Elements(Find(U(name))), u"one|two");
    // F2 is unavailable while an editor is open.
    StartEdit(Find(U(name))->FirstChild());
    EXPECT_FALSE(w.IsActionEnabled(TActionId::actEditEditAsText));
    // Closing asks about the typed text, which counts as a change.
    Type(L"closing");
    BoxWatcher boxes(IDNO);
    w.Close();
    Pump(500);
    EXPECT_EQ(boxes.said, std::vector<std::wstring>{L"Do you want to save the changes?"});
    EXPECT_FALSE(IsWindow(w.Handle()));
}

TEST_F(InPlaceEditorTest, EditorGoingWithTheWindowDiscardsItsText)
{
    const std::wstring name = UniqueName(L"VNK_GONE");
    PutUser(name, L"kept");
    Open();
    StartEdit(Find(U(name))->FirstChild());
    Type(L"never");
    window_.reset(); // no question, no crash, nothing written
    Pump(50);
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, name).text, L"kept");
}

TEST_F(InPlaceEditorTest, LongValuesAreNeverCut)
{
    const std::wstring name = UniqueName(L"VNK_LONG");
    PutUser(name, std::wstring(40000, L'x'));
    TfrmMain& w = Open();
    HWND edit = StartEdit(Find(U(name))->FirstChild());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetWindowTextLengthW(edit), 40000);
    Key(VK_END);
    Type(L"yz");
    Key(VK_RETURN);
    EXPECT_EQ(TETree::GetElement(Find(U(name))->FirstChild()).size(), 40002u);
    EXPECT_TRUE(w.Save());
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kUserKey, name).text.size(), 40002u);
}

TEST_F(InPlaceEditorTest, PopupIsSizedForTheDpi)
{
    // 96 DPI here; a child process at 144 DPI below.
    const std::wstring name = UniqueName(L"VNK_DPI");
    PutUser(name, L"zzq" + name, REG_EXPAND_SZ);
    Open();
    StartEdit(Find(U(name))->FirstChild());
    Type(L"%");
    TContentAssist* ca = Assist();
    ASSERT_TRUE(ca && ca->IsVisible());
    RECT rc;
    GetWindowRect(ca->PopupHandle(), &rc);
    EXPECT_EQ(rc.right - rc.left, 600);
    EXPECT_EQ(rc.bottom - rc.top, 120);
    HWND list = GetWindow(ca->PopupHandle(), GW_CHILD);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), 24);
    Key(VK_ESCAPE);
    window_.reset();
    Pump(50);

    ValueGuard guard(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &desktop, nullptr),
              ERROR_SUCCESS);
    const DWORD dpi = 144;
    SetRawValue(desktop, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
    RegCloseKey(desktop);
    ChildProcess program(L"\"" + VarnookExe() + L"\"");
    HWND main = program.WaitForWindow(L"TfrmMain", 20000);
    ASSERT_NE(main, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    // The user tree has the focus at start: type-ahead to the element, F2, then '%'.
    HWND focus = nullptr;
    for (int i = 0; i < 50 && !focus; ++i, Sleep(100)) {
        GUITHREADINFO info{sizeof(info)};
        if (GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info))
            focus = info.hwndFocus;
    }
    ASSERT_NE(focus, nullptr);
    for (wchar_t c : L"zzq" + name)
        PostMessageW(focus, WM_CHAR, c, 1);
    Sleep(300);
    PostMessageW(focus, WM_KEYDOWN, VK_F2, 1);
    HWND edit = nullptr;
    for (int i = 0; i < 50 && !edit; ++i, Sleep(100))
        edit = FindWindowExW(focus, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    PostMessageW(edit, WM_CHAR, L'%', 1);
    HWND popup = nullptr;
    for (int i = 0; i < 50 && !popup; ++i, Sleep(100)) {
        for (HWND h = FindWindowExW(nullptr, nullptr, TBorderedForm::kClassName, nullptr); h;
             h = FindWindowExW(nullptr, h, TBorderedForm::kClassName, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner == pid && IsWindowVisible(h))
                popup = h;
        }
    }
    ASSERT_NE(popup, nullptr);
    GetWindowRect(popup, &rc);
    EXPECT_EQ(rc.right - rc.left, 900);
    EXPECT_EQ(rc.bottom - rc.top, 180);
    EXPECT_EQ(SendMessageW(GetWindow(popup, GW_CHILD), LB_GETITEMHEIGHT, 0, 0), 36);
    PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
    Sleep(200);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(20000));
}

TEST_F(InPlaceEditorTest, RowTextDoesNotShowBesideANarrowerEditor)
{
    const std::wstring name = UniqueName(L"VNK_NARROW");
    PutUser(name, L"C:\\Windows\\System32\\drivers\\etc");
    Open();
    TNode* element = Find(U(name))->FirstChild();
    HWND edit = StartEdit(element);
    ASSERT_NE(edit, nullptr);
    HWND control = UserView().Control();
    RECT wide{};
    GetWindowRect(edit, &wide);
    Key(VK_END);
    for (int i = 0; i < 26; ++i)
        Key(VK_BACK);
    ASSERT_EQ(TextOf(edit), L"C:\\Wi");
    RedrawWindow(control, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump(100);
    RECT narrow{};
    GetWindowRect(edit, &narrow);
    ASSERT_LT(narrow.right, wide.right);
    // Where the rest of the old text stood, the row is plain background now.
    POINT from{narrow.right + 2, (narrow.top + narrow.bottom) / 2};
    ScreenToClient(control, &from);
    const int to = from.x + static_cast<int>(wide.right - narrow.right) - 4;
    HDC dc = GetDC(control);
    const COLORREF first = GetPixel(dc, from.x, from.y);
    int differing = 0;
    for (int y = from.y - 3; y <= from.y + 3; ++y)
        for (int x = from.x; x < to; ++x)
            differing += GetPixel(dc, x, y) != first;
    ReleaseDC(control, dc);
    EXPECT_NE(first, CLR_INVALID);
    EXPECT_EQ(differing, 0);
    Key(VK_ESCAPE);
}
