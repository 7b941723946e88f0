// The edit actions of the real main window, run from their keys and their menu items, with the
// questions, the new-variable dialog and the in-place editor answered as a user would; what is
// saved is read back with Wine's reg.exe.
#include "app/MainWindow.h"
#include "app/TreeDragDrop.h"
#include "app/TreeView.h"
#include "edit/DragDrop.h"
#include "platform/win32/ShellLauncher.h"
#include "res/resource.h"
#include "support/MessagePump.h"
#include "support/ScratchFolder.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";

std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[1024]{};
    GetWindowTextW(hwnd, text, 1024);
    return text;
}

// The first visible dialog of this thread with the caption; none if there is none.
HWND FindDialog(const wchar_t* caption)
{
    struct TFind {
        const wchar_t* caption;
        HWND found;
    } find{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
        auto* f = reinterpret_cast<TFind*>(p);
        wchar_t cls[16]{};
        GetClassNameW(w, cls, 16);
        if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w) && (!f->caption || WindowText(w) == f->caption)) {
            f->found = w;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

// Runs the steps, in order, each once a dialog with its caption is on screen (a modal loop of
// the window is running then); a step that returns false is tried again at the next tick.
class DialogScript {
public:
    using TStep = std::pair<const wchar_t*, std::function<bool(HWND)>>;
    explicit DialogScript(std::vector<TStep> steps) : steps_(std::move(steps))
    {
        self_ = this;
        timer_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~DialogScript()
    {
        KillTimer(nullptr, timer_);
        self_ = nullptr;
    }
    bool Done() const { return steps_.empty(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (!self_ || self_->steps_.empty() || self_->running_)
            return;
        HWND dialog = FindDialog(self_->steps_.front().first);
        if (!dialog)
            return;
        self_->running_ = true;
        auto step = self_->steps_.front().second;
        if (step(dialog))
            self_->steps_.erase(self_->steps_.begin());
        self_->running_ = false;
    }

    static inline DialogScript* self_ = nullptr;
    std::vector<TStep> steps_;
    UINT_PTR timer_ = 0;
    bool running_ = false;
};

// A button press as the dialog manager sees a click.
void Click(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The answer of a message box, remembering its text.
DialogScript::TStep Answer(int button, std::wstring* asked = nullptr)
{
    return {nullptr, [button, asked](HWND box) {
                if (asked) {
                    wchar_t text[512]{};
                    GetDlgItemTextW(box, IDC_MSG_TEXT, text, 512);
                    *asked = text;
                }
                Click(box, button);
                return true;
            }};
}

// A key pressed while the focus is on target, with the modifiers held, handled as the
// application's loop handles it.
void PressKey(HWND target, UINT key, bool ctrl = false, bool shift = false, bool alt = false)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_MENU] = alt ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? (1 | (1 << 29)) : 1);
    Pump(60);
    state[VK_CONTROL] = state[VK_SHIFT] = state[VK_MENU] = 0;
    SetKeyboardState(state);
}

// The menu item of the action in the menu bar's Edit menu, clicked.
void ChooseEditMenuItem(TfrmMain& w, TActionId id)
{
    HMENU edit = GetSubMenu(GetMenu(w.Handle()), 1);
    SendMessageW(w.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
    const UINT command = TfrmMain::kCommandBase + static_cast<UINT>(id);
    ASSERT_FALSE(GetMenuState(edit, command, MF_BYCOMMAND) & MF_GRAYED) << Action(id).name;
    PostMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    Pump(60);
}

class RecordingLauncher : public platform::IShellLauncher {
public:
    std::wstring file, parameters;
    int calls = 0;
    void Open(HWND, const std::wstring& f, const std::wstring& p) override
    {
        file = f;
        parameters = p;
        ++calls;
    }
};

class EditActionsTest : public ::testing::Test {
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
    std::wstring PutUser(const wchar_t* stem, const std::wstring& value, DWORD type = REG_SZ)
    {
        std::wstring name = UniqueName(stem);
        guards_.push_back(std::make_unique<ValueGuard>(HKEY_CURRENT_USER, kUserKey, name));
        SetStringValue(HKEY_CURRENT_USER, kUserKey, name, value, type);
        return name;
    }
    TfrmMain& Open()
    {
        window_ = std::make_unique<TfrmMain>();
        TfrmMain::TStartOptions start;
        start.runCommandLine = false;
        EXPECT_TRUE(window_->Create(start));
        Pump(100);
        SetFocus(window_->UserTreeView()->Control());
        Pump(20);
        return *window_;
    }
    TETree& User() { return *window_->UserVarTree(); }
    HWND UserControl() { return window_->UserTreeView()->Control(); }
    TNode* Var(const std::wstring& name) { return User().FindVariable(U(name)); }
    std::u16string Value(const std::wstring& name) { return TETree::GetVariableValue(Var(name)); }
    void Focus(TNode* node)
    {
        SetFocus(UserControl());
        User().ActivateNode(node);
        Pump(20);
    }
    // Types text into the open in-place editor and ends the edit with the key.
    void TypeIntoEditor(const std::wstring& text, UINT key)
    {
        HWND editor = window_->UserTreeView()->EditorControl();
        ASSERT_NE(editor, nullptr);
        ASSERT_EQ(GetFocus(), editor);
        SetWindowTextW(editor, text.c_str());
        PostMessageW(editor, WM_KEYDOWN, key, 1);
        Pump(60);
    }

    std::unique_ptr<KeyBackup> optionsBackup_;
    std::vector<std::unique_ptr<ValueGuard>> guards_;
    std::unique_ptr<TfrmMain> window_;
};

} // namespace

TEST_F(EditActionsTest, KeysAndMenuItemsRunTheSimpleEditsOneUndoStepEach)
{
    const std::wstring name = PutUser(L"VNK_KEYS", L"a;b;;A");
    TfrmMain& w = Open();
    Focus(Var(name)->FirstChild());

    PressKey(UserControl(), VK_DOWN, true); // Ctrl+Down
    EXPECT_EQ(Value(name), u"b;a;;A");
    ChooseEditMenuItem(w, TActionId::actEditMoveUp);
    EXPECT_EQ(Value(name), u"a;b;;A");
    EXPECT_FALSE(w.IsActionEnabled(TActionId::actEditMoveUp)) << "the first element";

    PressKey(UserControl(), VK_F6);
    EXPECT_EQ(TETree::GetVariableType(Var(name)), rdExpandString);
    ChooseEditMenuItem(w, TActionId::actEditChangeType);
    EXPECT_EQ(TETree::GetVariableType(Var(name)), rdString);

    Focus(Var(name));
    EXPECT_FALSE(w.IsActionEnabled(TActionId::actEditMoveDown)) << "a variable";
    ChooseEditMenuItem(w, TActionId::actEditCleanup);
    EXPECT_EQ(Value(name), u"a;b");
    EXPECT_EQ(w.GetUndoStack().GetPos(), 2 * 5);

    // Each step back by one: cleanup, the two type changes, the two moves.
    for (int i = 0; i < 5; ++i)
        PressKey(UserControl(), 'Z', true);
    EXPECT_EQ(Value(name), u"a;b;;A");
    EXPECT_FALSE(w.IsModified());
    PressKey(UserControl(), 'Z', true, true); // Ctrl+Shift+Z
    EXPECT_EQ(Value(name), u"b;a;;A");
}

TEST_F(EditActionsTest, ConversionsThatChangeNothingLeaveTheWindowUnmodified)
{
    const std::wstring name = PutUser(L"VNK_CONV", L"C:\\no\\such\\place;%OTHER%");
    TfrmMain& w = Open();
    Focus(Var(name));
    for (TActionId id : {TActionId::actEditLong2Short, TActionId::actEditShort2Long, TActionId::actEditInline})
        ChooseEditMenuItem(w, id);
    EXPECT_EQ(Value(name), u"C:\\no\\such\\place;%OTHER%");
    EXPECT_FALSE(w.IsModified());
    EXPECT_FALSE(w.GetUndoStack().IsUndoable());
}

TEST_F(EditActionsTest, DeleteAsksAsTheOptionSaysAndDeletesTheRowThatWasAskedAbout)
{
    const std::wstring name = PutUser(L"VNK_DEL", L"one;two;three");
    TfrmMain& w = Open();
    Focus(Var(name)->FirstChild()->NextSibling());

    w.Options().onDeleteConfirmation = true;
    std::wstring asked;
    {
        DialogScript script({Answer(IDNO, &asked)});
        PressKey(UserControl(), VK_DELETE);
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(asked, L"Are you sure you want to delete value 'two' from the variable '" + name + L"'?");
    EXPECT_EQ(Value(name), u"one;two;three");
    {
        DialogScript script({Answer(IDYES)});
        ChooseEditMenuItem(w, TActionId::actEditDelete);
    }
    EXPECT_EQ(Value(name), u"one;three");
    EXPECT_EQ(TETree::GetElement(User().FocusedNode()), u"three");

    w.Options().onDeleteConfirmation = false;
    Focus(Var(name));
    PressKey(UserControl(), VK_DELETE);
    EXPECT_EQ(Var(name), nullptr);
    PressKey(UserControl(), 'Z', true);
    EXPECT_EQ(Value(name), u"one;three");
}

TEST_F(EditActionsTest, NewVariableDialogChecksTheNameAndTheFirstElementOpensForTyping)
{
    const std::wstring existing = PutUser(L"VNK_EXISTS", L"x");
    const std::wstring fresh = UniqueName(L"VNK_NEW");
    guards_.push_back(std::make_unique<ValueGuard>(HKEY_CURRENT_USER, kUserKey, fresh));
    TfrmMain& w = Open();

    std::vector<std::wstring> errors;
    std::vector<bool> okEnabled;
    auto tryName = [&](HWND dlg, const std::wstring& text) {
        SetDlgItemTextW(dlg, IDC_ADDVAR_NAME, text.c_str());
        wchar_t error[256]{};
        GetDlgItemTextW(dlg, IDC_ADDVAR_ERROR, error, 256);
        errors.push_back(error);
        okEnabled.push_back(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
    };
    {
        DialogScript script({{L"New variable", [&](HWND dlg) {
                                  okEnabled.push_back(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
                                  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_ADDVAR_NAME));
                                  tryName(dlg, L"   ");
                                  tryName(dlg, L"A=B");
                                  std::wstring lower = existing;
                                  for (auto& c : lower)
                                      c = towlower(c);
                                  tryName(dlg, lower);
                                  tryName(dlg, fresh);
                                  CheckRadioButton(dlg, IDC_ADDVAR_STRING, IDC_ADDVAR_EXPSTRING, IDC_ADDVAR_EXPSTRING);
                                  Click(dlg, IDOK);
                                  return true;
                              }}});
        PressKey(UserControl(), VK_INSERT);
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(errors, (std::vector<std::wstring>{L"Variable name can't be empty", L"Variable name can't contain '='",
                                                  L"This variable already exists", L""}));
    EXPECT_EQ(okEnabled, (std::vector<bool>{false, false, false, false, true}));

    // The new variable's first element is open for typing; Enter takes the text.
    ASSERT_NE(Var(fresh), nullptr);
    EXPECT_EQ(TETree::GetVariableType(Var(fresh)), rdExpandString);
    TypeIntoEditor(L"%SystemRoot%\\new", VK_RETURN);
    EXPECT_EQ(Value(fresh), u"%SystemRoot%\\new");
    EXPECT_EQ(GetFocus(), UserControl());
    EXPECT_TRUE(User().IsOnEdited);

    // Saved and read back by Wine's own reg.exe: one step made both.
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    const RegExeValue stored = RegExeQuery(L"HKCU\\Environment", fresh);
    EXPECT_TRUE(stored.exists);
    EXPECT_EQ(stored.type, "REG_EXPAND_SZ");
    EXPECT_EQ(stored.data, "%SystemRoot%\\new");
    PressKey(UserControl(), 'Z', true);
    EXPECT_EQ(Var(fresh), nullptr);
}

TEST_F(EditActionsTest, CancellingTheFirstEditOfANewVariableOrValueTakesItBack)
{
    const std::wstring name = PutUser(L"VNK_CANCEL", L"a");
    const std::wstring fresh = UniqueName(L"VNK_GONE");
    TfrmMain& w = Open();
    {
        DialogScript script({{L"New variable", [&](HWND dlg) {
                                  SetDlgItemTextW(dlg, IDC_ADDVAR_NAME, fresh.c_str());
                                  Click(dlg, IDOK);
                                  return true;
                              }}});
        ChooseEditMenuItem(w, TActionId::actEditAddVariable);
    }
    ASSERT_NE(Var(fresh), nullptr);
    TypeIntoEditor(L"typed", VK_ESCAPE);
    EXPECT_EQ(Var(fresh), nullptr);
    EXPECT_FALSE(w.IsModified());

    Focus(Var(name)->FirstChild());
    PressKey(UserControl(), VK_INSERT, false, false, true); // Alt+Ins
    EXPECT_EQ(Var(name)->ChildCount(), 2u);
    TypeIntoEditor(L"b", VK_ESCAPE);
    EXPECT_EQ(Value(name), u"a");
    EXPECT_FALSE(w.IsModified());

    // F2 on an existing element, cancelled: nothing changes and nothing is undone.
    Focus(Var(name)->FirstChild());
    PressKey(UserControl(), VK_F2);
    TypeIntoEditor(L"changed", VK_ESCAPE);
    EXPECT_EQ(Value(name), u"a");
    // Accepted: one step, split at ';' in a split variable.
    PressKey(UserControl(), VK_F2);
    TypeIntoEditor(L"x;y", VK_RETURN);
    EXPECT_EQ(Value(name), u"x;y");
    EXPECT_EQ(Var(name)->ChildCount(), 2u);
    EXPECT_EQ(w.GetUndoStack().GetPos(), 2);
}

TEST_F(EditActionsTest, DelInsideTheEditorDeletesTheCharacterAfterTheCaret)
{
    const std::wstring name = PutUser(L"VNK_DELCHAR", L"abc");
    TfrmMain& w = Open();
    Focus(Var(name)->FirstChild());
    PressKey(UserControl(), VK_F2);
    HWND editor = w.UserTreeView()->EditorControl();
    ASSERT_NE(editor, nullptr);
    SendMessageW(editor, EM_SETSEL, 1, 1);
    PressKey(editor, VK_DELETE);
    EXPECT_EQ(WindowText(editor), L"ac");
    EXPECT_NE(Var(name), nullptr);
    PostMessageW(editor, WM_KEYDOWN, VK_RETURN, 1);
    Pump(50);
    EXPECT_EQ(Value(name), u"ac");
}

TEST_F(EditActionsTest, OpenFolderStartsTheExplorerOfTheWindowsFolderWithTheFolderQuoted)
{
    ScratchFolder root;
    const std::u16string folder = root.Make(u"a, b", true);
    const std::u16string file = root.Make(u"a, b\\tool.exe", false);
    const std::wstring name =
        PutUser(L"VNK_OPEN", std::wstring(folder.begin(), folder.end()) + L";" + std::wstring(file.begin(), file.end()));
    TfrmMain& w = Open();
    Pump(300); // the path check runs on the timer
    RecordingLauncher launcher;
    platform::ScopedShellLauncher use(launcher);
    wchar_t windows[MAX_PATH]{};
    GetWindowsDirectoryW(windows, MAX_PATH);

    Focus(Var(name)->FirstChild());
    ChooseEditMenuItem(w, TActionId::actEditOpenFolder);
    EXPECT_EQ(launcher.file, std::wstring(windows) + L"\\explorer.exe");
    EXPECT_EQ(launcher.parameters, L"\"" + std::wstring(folder.begin(), folder.end()) + L"\"");
    Focus(Var(name)->LastChild());
    ChooseEditMenuItem(w, TActionId::actEditOpenFolder);
    EXPECT_EQ(launcher.parameters, L"/select, \"" + std::wstring(file.begin(), file.end()) + L"\"");
    EXPECT_EQ(launcher.calls, 2);
}

namespace {

// The screen point over a node's row: its text, near the top or near the bottom of the row.
POINT RowPoint(TTreeView& view, const TNode* node, bool below)
{
    RECT rc{};
    TreeView_GetItemRect(view.Control(), view.ItemOf(node), &rc, TRUE);
    POINT p{rc.left + 4, below ? rc.bottom - 2 : rc.top + 2};
    ClientToScreen(view.Control(), &p);
    return p;
}

} // namespace

TEST_F(EditActionsTest, DraggingAnElementMovesItWithinItsVariable)
{
    const std::wstring name = PutUser(L"VNK_DRAG", L"a;b;c");
    TfrmMain& w = Open();
    TTreeView& view = *w.UserTreeView();
    User().SetExpanded(Var(name), true);
    Pump(20);
    TTreeDragDrop& drag = *w.DragDrop();

    ASSERT_TRUE(drag.Start(view, Var(name)->LastChild()));
    EXPECT_EQ(drag.Over(view, RowPoint(view, Var(name)->LastChild(), false)), static_cast<DWORD>(DROPEFFECT_NONE))
        << "onto itself";
    EXPECT_EQ(drag.Over(view, RowPoint(view, Var(name), true)), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(TreeView_GetDropHilight(view.Control()), nullptr) << "the mark stands between rows";
    EXPECT_EQ(drag.Drop(view, RowPoint(view, Var(name)->FirstChild(), false)), static_cast<DWORD>(DROPEFFECT_MOVE));
    drag.Finish();
    EXPECT_EQ(Value(name), u"c;a;b");
    EXPECT_EQ(TETree::GetElement(User().FocusedNode()), u"c");

    // On the variable's row it goes last; one undo step each.
    ASSERT_TRUE(drag.Start(view, Var(name)->FirstChild()));
    EXPECT_EQ(drag.Over(view, RowPoint(view, Var(name), false)), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(TreeView_GetDropHilight(view.Control()), view.ItemOf(Var(name)));
    drag.Drop(view, RowPoint(view, Var(name), false));
    drag.Finish();
    EXPECT_EQ(TreeView_GetDropHilight(view.Control()), nullptr);
    EXPECT_EQ(Value(name), u"a;b;c");
    EXPECT_EQ(w.GetUndoStack().GetPos(), 4);

    // A read-only variable can be neither dragged nor dropped on.
    TNode* special = nullptr;
    for (TNode* v = User().FirstVariable(); v && !special; v = v->NextSibling())
        if (TETree::GetVariableReadOnly(v) && v->IsVisible())
            special = v;
    if (special) {
        EXPECT_FALSE(drag.Start(view, special));
        ASSERT_TRUE(drag.Start(view, Var(name)->FirstChild()));
        EXPECT_EQ(drag.Over(view, RowPoint(view, special, false)), static_cast<DWORD>(DROPEFFECT_NONE));
        drag.Finish();
    }
}

TEST_F(EditActionsTest, DraggingAVariableToTheOtherTreeAsksBeforeOverwritingAndSavesBothScopes)
{
    const std::wstring name = PutUser(L"VNK_MOVE", L"user;value");
    guards_.push_back(std::make_unique<ValueGuard>(
        HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", name));
    SetStringValue(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", name,
                   L"system");
    TfrmMain& w = Open();
    TTreeView& userView = *w.UserTreeView();
    TTreeView& sysView = *w.SysTreeView();
    TTreeDragDrop& drag = *w.DragDrop();
    TETree& system = *w.SysVarTree();
    RECT sysRect{};
    GetWindowRect(sysView.Control(), &sysRect);
    const POINT inSystem{sysRect.left + 30, sysRect.bottom - 10};

    ASSERT_TRUE(drag.Start(userView, Var(name)));
    EXPECT_EQ(drag.Over(userView, RowPoint(userView, Var(name), false)), static_cast<DWORD>(DROPEFFECT_NONE))
        << "a variable stays out of its own tree";
    std::wstring asked;
    {
        DialogScript script({Answer(IDNO, &asked)});
        EXPECT_EQ(drag.Drop(sysView, inSystem), static_cast<DWORD>(DROPEFFECT_MOVE));
        drag.Finish();
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(asked, L"Variable '" + name + L"' already exists\r\nDo you want to overwrite it?");
    EXPECT_EQ(Value(name), u"user;value");
    EXPECT_EQ(TETree::GetVariableValue(system.FindVariable(U(name))), u"system");
    EXPECT_FALSE(w.GetUndoStack().IsUndoable());

    {
        DialogScript script({Answer(IDYES)});
        ASSERT_TRUE(drag.Start(userView, Var(name)));
        drag.Drop(sysView, inSystem);
        drag.Finish();
    }
    EXPECT_EQ(Var(name), nullptr);
    EXPECT_EQ(TETree::GetVariableValue(system.FindVariable(U(name))), u"user;value");
    EXPECT_EQ(system.FocusedNode(), system.FindVariable(U(name)));
    EXPECT_EQ(GetFocus(), sysView.Control());
    EXPECT_EQ(w.GetUndoStack().GetPos(), 2);

    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    EXPECT_FALSE(RegExeQuery(L"HKCU\\Environment", name).exists);
    const RegExeValue moved =
        RegExeQuery(L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", name);
    EXPECT_EQ(moved.data, "user;value");
}

TEST_F(EditActionsTest, DropsFromOtherProgramsAreRefused)
{
    const std::wstring name = PutUser(L"VNK_FOREIGN", L"a;b");
    TfrmMain& w = Open();
    TTreeView& view = *w.UserTreeView();
    User().SetExpanded(Var(name), true);
    Pump(20);
    // Data that is not this process's running drag, offering the very formats a drag offers.
    TBytes records;
    IDataObject* foreign = CreateNodeDataObject(records, u"X=1");
    IDropTarget* target = w.DragDrop()->TargetOf(view);
    const POINT p = RowPoint(view, Var(name), false);
    DWORD effect = DROPEFFECT_MOVE | DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(foreign, MK_LBUTTON, {p.x, p.y}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(target->Drop(foreign, 0, {p.x, p.y}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    foreign->Release();
    EXPECT_EQ(Value(name), u"a;b");
    EXPECT_FALSE(w.IsModified());
}

TEST_F(EditActionsTest, ARightClickActivatesTheRowItOpensTheMenuFor)
{
    const std::wstring name = PutUser(L"VNK_RCLICK", L"one;two");
    TfrmMain& w = Open();
    TTreeView& view = *w.UserTreeView();
    User().SetExpanded(Var(name), true);
    Focus(Var(name)->FirstChild());
    TNode* clicked = Var(name)->LastChild();
    const POINT at = RowPoint(view, clicked, false);
    SetCursorPos(at.x, at.y);
    POINT client = at;
    ScreenToClient(view.Control(), &client);
    static bool menuShown = false;
    menuShown = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (menu && IsWindowVisible(menu)) {
            menuShown = true;
            EndMenu();
        }
    });
    PostMessageW(view.Control(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
    PostMessageW(view.Control(), WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    Pump(600);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(menuShown);
    // Focus and selection moved together: Delete now removes the row that was clicked.
    EXPECT_EQ(User().FocusedNode(), clicked);
    EXPECT_EQ(User().SelectedNode(), clicked);
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditDelete));
    EXPECT_EQ(Value(name), u"one");
}

TEST_F(EditActionsTest, InsertFilePathPutsThePickedFileIntoTheElementQuotedWhenItHoldsASemicolon)
{
    ScratchFolder root;
    const std::u16string file = root.Make(u"a;b.txt", false);
    const std::wstring name = PutUser(L"VNK_F8", L"first;second");
    TfrmMain& w = Open();
    Focus(Var(name)->LastChild());
    {
        DialogScript script({{nullptr, [&](HWND dlg) {
                                  HWND edit = nullptr;
                                  EnumChildWindows(dlg, [](HWND child, LPARAM p) -> BOOL {
                                      wchar_t cls[16]{};
                                      GetClassNameW(child, cls, 16);
                                      if (lstrcmpiW(cls, L"Edit") == 0 && IsWindowVisible(child)) {
                                          *reinterpret_cast<HWND*>(p) = child;
                                          return FALSE;
                                      }
                                      return TRUE;
                                  }, reinterpret_cast<LPARAM>(&edit));
                                  if (!edit)
                                      return false;
                                  SetWindowTextW(edit, std::wstring(file.begin(), file.end()).c_str());
                                  Click(dlg, IDOK);
                                  return true;
                              }}});
        PressKey(UserControl(), VK_F8);
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(Value(name), u"first;\"" + file + u"\"");
    EXPECT_EQ(Var(name)->ChildCount(), 2u);
    EXPECT_TRUE(w.ExecuteAction(TActionId::actFileSave));
    EXPECT_TRUE(w.ExecuteAction(TActionId::actEditRefresh));
    EXPECT_EQ(Var(name)->ChildCount(), 2u) << "still one element after reading it back";
}

TEST_F(EditActionsTest, InsertDirectoryPathPutsThePickedFolderIntoTheElement)
{
    ScratchFolder root;
    const std::u16string folder = root.Make(u"Picked", true);
    const std::wstring name = PutUser(L"VNK_F7", L"old");
    TfrmMain& w = Open();
    Focus(Var(name)->FirstChild());
    std::vector<std::wstring> statics;
    {
        int ticks = 0;
        DialogScript script({{nullptr, [&](HWND dlg) {
                                  // The folder tree fills after the dialog shows: the selection
                                  // is made once it is there, and confirmed a moment later.
                                  const std::wstring path(folder.begin(), folder.end());
                                  if (++ticks < 4) {
                                      SendMessageW(dlg, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
                                      return false;
                                  }
                                  EnumChildWindows(dlg, [](HWND child, LPARAM p) -> BOOL {
                                      wchar_t cls[16]{};
                                      GetClassNameW(child, cls, 16);
                                      if (lstrcmpiW(cls, L"Static") == 0)
                                          reinterpret_cast<std::vector<std::wstring>*>(p)->push_back(WindowText(child));
                                      return TRUE;
                                  }, reinterpret_cast<LPARAM>(&statics));
                                  Click(dlg, IDOK);
                                  return true;
                              }}});
        PressKey(UserControl(), VK_F7);
        EXPECT_TRUE(script.Done());
    }
    EXPECT_NE(std::find(statics.begin(), statics.end(), L"Select directory"), statics.end());
    EXPECT_EQ(Value(name), folder);
    PressKey(UserControl(), 'Z', true);
    EXPECT_EQ(Value(name), u"old");
    EXPECT_FALSE(w.IsModified());
}

TEST_F(EditActionsTest, AnEditOpenInTheTargetTreeEndsBeforeADropChangesIt)
{
    const std::wstring name = PutUser(L"VNK_EDITDROP", L"moved");
    const std::wstring sysName = UniqueName(L"VNK_SYSEDIT");
    const wchar_t kSystemKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    guards_.push_back(std::make_unique<ValueGuard>(HKEY_LOCAL_MACHINE, kSystemKey, sysName));
    SetStringValue(HKEY_LOCAL_MACHINE, kSystemKey, sysName, L"before");
    TfrmMain& w = Open();
    TETree& system = *w.SysVarTree();
    TTreeView& sysView = *w.SysTreeView();

    // An edit under way in the system tree, its text typed but not yet accepted.
    SetFocus(sysView.Control());
    system.ActivateNode(system.FindVariable(U(sysName))->FirstChild());
    Pump(20);
    PressKey(sysView.Control(), VK_F2);
    ASSERT_NE(sysView.EditorControl(), nullptr);
    SetWindowTextW(sysView.EditorControl(), L"typed");

    TTreeDragDrop& drag = *w.DragDrop();
    ASSERT_TRUE(drag.Start(*w.UserTreeView(), Var(name)));
    EXPECT_FALSE(sysView.IsEditing()) << "the edit ended, its text accepted";
    RECT rc{};
    GetWindowRect(sysView.Control(), &rc);
    drag.Drop(sysView, {rc.left + 30, rc.bottom - 10});
    drag.Finish();
    EXPECT_EQ(TETree::GetVariableValue(system.FindVariable(U(sysName))), u"typed");
    EXPECT_NE(system.FindVariable(U(name)), nullptr);
    // Two steps: the edit, then the drop.
    EXPECT_EQ(w.GetUndoStack().GetPos(), 4);
    PressKey(sysView.Control(), 'Z', true);
    EXPECT_EQ(system.FindVariable(U(name)), nullptr);
    EXPECT_EQ(TETree::GetVariableValue(system.FindVariable(U(sysName))), u"typed");
}

TEST_F(EditActionsTest, KeysOfUnavailableCommandsReachTheInPlaceEditor)
{
    const std::wstring name = PutUser(L"VNK_EDITKEYS", L"abc");
    TfrmMain& w = Open();
    Focus(Var(name)->FirstChild());
    PressKey(UserControl(), VK_F2);
    HWND editor = w.UserTreeView()->EditorControl();
    ASSERT_NE(editor, nullptr);
    // Ctrl+C belongs to Copy, which waits for the tree itself to hold the focus: the editor copies.
    SendMessageW(editor, EM_SETSEL, 0, 2);
    PressKey(editor, 'C', true);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    if (data)
        GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(copied, L"ab");
    EXPECT_TRUE(w.UserTreeView()->IsEditing());
}

TEST_F(EditActionsTest, RenamingInPlaceRefusesAnotherVariablesNameAndAcceptsALetterCaseChange)
{
    const std::wstring name = PutUser(L"VNK_REN", L"v");
    const std::wstring other = PutUser(L"VNK_OTHER", L"o");
    TfrmMain& w = Open();
    Focus(Var(name));
    PressKey(UserControl(), VK_F2);
    HWND editor = w.UserTreeView()->EditorControl();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(WindowText(editor), name) << "the name alone";
    std::wstring lowerOther = other;
    for (auto& c : lowerOther)
        c = towlower(c);
    std::wstring asked;
    {
        DialogScript script({Answer(IDOK, &asked)});
        TypeIntoEditor(lowerOther, VK_RETURN);
        Pump(200);
    }
    EXPECT_EQ(asked, L"Variable '" + lowerOther + L"' already exists");
    EXPECT_NE(Var(name), nullptr);
    EXPECT_FALSE(w.IsModified());

    std::wstring lower = name;
    for (auto& c : lower)
        c = towlower(c);
    Focus(Var(name));
    PressKey(UserControl(), VK_F2);
    TypeIntoEditor(lower, VK_RETURN);
    EXPECT_EQ(TETree::GetVariableName(User().FindVariable(U(name))), U(lower));
    EXPECT_EQ(w.GetUndoStack().GetPos(), 2);
}
