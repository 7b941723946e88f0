// The options dialog, the exclusion editor and the about box, opened from the real main window
// by its menu item, toolbar button and key, and driven while their modal loops run.
#include "app/Credits.h"
#include "app/FormAbout.h"
#include "app/MainWindow.h"
#include "app/TreeView.h"
#include "app/Version.h"
#include "res/resource.h"
#include "support/MessagePump.h"
#include "support/ScratchFolder.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <functional>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";

// The enabled, visible dialog of this thread: the one a modal loop runs now.
HWND ActiveDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
        wchar_t cls[16]{};
        GetClassNameW(w, cls, 16);
        if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w) && IsWindowEnabled(w)) {
            *reinterpret_cast<HWND*>(p) = w;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring Text(HWND w)
{
    wchar_t text[512]{};
    GetWindowTextW(w, text, 512);
    return text;
}

// Steps run one per timer tick, each once the dialog with its caption is the active one. A
// step never blocks: buttons that open a dialog are clicked by posting.
class DialogScript {
public:
    struct Step {
        std::wstring caption;
        std::function<void(HWND)> action;
    };
    explicit DialogScript(std::vector<Step> steps) : steps_(std::move(steps))
    {
        self_ = this;
        timer_ = SetTimer(nullptr, 0, 60, Tick);
    }
    ~DialogScript()
    {
        KillTimer(nullptr, timer_);
        self_ = nullptr;
    }
    bool Finished() const { return next_ >= steps_.size(); }
    size_t Done() const { return next_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        DialogScript* s = self_;
        if (!s || s->busy_)
            return;
        HWND dialog = ActiveDialog();
        // A script that stalls, or a dialog left open after the last step, must not keep a modal
        // loop running for ever: the dialog is cancelled.
        if (dialog && (s->Finished() || GetTickCount() - s->start_ > 30000)) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        if (s->Finished())
            return;
        if (!dialog || Text(dialog) != s->steps_[s->next_].caption)
            return;
        s->busy_ = true;
        s->steps_[s->next_++].action(dialog);
        s->busy_ = false;
    }
    static inline DialogScript* self_ = nullptr;
    std::vector<Step> steps_;
    size_t next_ = 0;
    bool busy_ = false;
    DWORD start_ = GetTickCount();
    UINT_PTR timer_ = 0;
};

void Click(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A check box clicked as the mouse would: it toggles and tells the dialog.
void Toggle(HWND dialog, int id)
{
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

std::vector<std::wstring> Rows(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_OPT_LIST);
    std::vector<std::wstring> rows;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t text[256]{};
        ListView_GetItemText(list, i, 0, text, 256);
        rows.push_back(text);
    }
    return rows;
}

int RowOf(HWND dialog, const std::wstring& name)
{
    const auto rows = Rows(dialog);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i] == name)
            return static_cast<int>(i);
    return -1;
}

void FocusRow(HWND dialog, int row)
{
    HWND list = GetDlgItem(dialog, IDC_OPT_LIST);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int FocusedRow(HWND dialog)
{
    return ListView_GetNextItem(GetDlgItem(dialog, IDC_OPT_LIST), -1, LVNI_FOCUSED);
}

std::u16string U(const std::wstring& s)
{
    return std::u16string(s.begin(), s.end());
}

class OptionsAboutTest : public ::testing::Test {
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
    TfrmMain& Open()
    {
        window_ = std::make_unique<TfrmMain>();
        TfrmMain::TStartOptions start;
        start.runCommandLine = false;
        EXPECT_TRUE(window_->Create(start));
        Pump(100);
        return *window_;
    }
    void PutUser(const std::wstring& name, const std::wstring& value)
    {
        guards_.push_back(std::make_unique<ValueGuard>(HKEY_CURRENT_USER, kUserKey, name));
        SetStringValue(HKEY_CURRENT_USER, kUserKey, name, value);
    }
    // Runs the window's messages until the script is done and no dialog is left open.
    void RunUntil(const DialogScript& script, DWORD timeoutMs = 20000)
    {
        const DWORD end = GetTickCount() + timeoutMs;
        while (GetTickCount() < end && !(script.Finished() && !ActiveDialog()))
            Pump(50);
        EXPECT_TRUE(script.Finished()) << "stopped after step " << script.Done();
    }
    // The menu command as the menu sends it, once the menu has said it is available.
    void ChooseMenuItem(TfrmMain& w, TActionId id)
    {
        HMENU file = GetSubMenu(GetMenu(w.Handle()), id == TActionId::actHelpAbout ? 3 : 0);
        SendMessageW(w.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        const UINT command = TfrmMain::kCommandBase + static_cast<UINT>(id);
        EXPECT_EQ(GetMenuState(file, command, MF_BYCOMMAND) & MF_GRAYED, 0u);
        PostMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    // A click on the main toolbar's button of an action.
    void ClickToolbarButton(TfrmMain& w, TActionId id)
    {
        const UINT command = TfrmMain::kCommandBase + static_cast<UINT>(id);
        HWND toolbar = nullptr;
        struct Search {
            UINT command;
            HWND found;
        } search{command, nullptr};
        EnumChildWindows(w.Handle(), [](HWND child, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            wchar_t cls[32]{};
            GetClassNameW(child, cls, 32);
            if (lstrcmpW(cls, TOOLBARCLASSNAMEW) == 0 && SendMessageW(child, TB_COMMANDTOINDEX, s->command, 0) >= 0) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        }, reinterpret_cast<LPARAM>(&search));
        toolbar = search.found;
        ASSERT_NE(toolbar, nullptr);
        EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, command, 0));
        RECT button{};
        SendMessageW(toolbar, TB_GETRECT, command, reinterpret_cast<LPARAM>(&button));
        const LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(toolbar, WM_LBUTTONUP, 0, at);
    }

    std::unique_ptr<KeyBackup> optionsBackup_;
    std::vector<std::unique_ptr<ValueGuard>> guards_;
    std::unique_ptr<TfrmMain> window_;
};

// The editing session both storage modes run: every check box changed, an entry added, a
// case-only rename refused, the last and then the only row deleted, another entry added.
std::vector<DialogScript::Step> EditEverything(const std::wstring& kept, const std::wstring& other)
{
    return {
        {L"Options", [](HWND d) {
             EXPECT_FALSE(Checked(d, IDC_OPT_ONDELETE) || Checked(d, IDC_OPT_ONEXIT));
             EXPECT_TRUE(Checked(d, IDC_OPT_CHECKUPDATES) && Checked(d, IDC_OPT_ANIMATION));
             for (int id : {IDC_OPT_ONDELETE, IDC_OPT_ONEXIT, IDC_OPT_CHECKUPDATES, IDC_OPT_ANIMATION})
                 Toggle(d, id);
             EXPECT_TRUE(Rows(d).empty());
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_OPT_DELETE)));
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_OPT_EDIT)));
             Click(d, IDC_OPT_ADD);
         }},
        {L"Variable", [other](HWND d) {
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDOK))) << "OK starts unavailable";
             EXPECT_EQ(Text(GetDlgItem(d, IDC_EXCL_ERROR)), L"");
             SetDlgItemTextW(d, IDC_EXCL_NAME, (L"  " + other + L" ").c_str());
             EXPECT_EQ(Text(GetDlgItem(d, IDC_EXCL_ERROR)), L"At least one option must be selected");
             EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, IDC_EXCL_ERRORIMAGE)));
             Toggle(d, IDC_EXCL_NOTCHECK);
             EXPECT_EQ(Text(GetDlgItem(d, IDC_EXCL_ERROR)), L"");
             EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDOK)));
             Click(d, IDOK);
         }},
        {L"Options", [other](HWND d) {
             EXPECT_EQ(Rows(d), std::vector<std::wstring>{other}) << "stored as validated: trimmed";
             Click(d, IDC_OPT_ADD);
         }},
        {L"Variable", [kept](HWND d) {
             SetDlgItemTextW(d, IDC_EXCL_NAME, kept.c_str());
             Toggle(d, IDC_EXCL_NOTSPLIT);
             Click(d, IDOK);
         }},
        {L"Options", [kept](HWND d) {
             ASSERT_EQ(Rows(d).size(), 2u);
             FocusRow(d, RowOf(d, kept));
             EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_OPT_EDIT)));
             Click(d, IDC_OPT_EDIT);
         }},
        {L"Variable", [kept](HWND d) {
             EXPECT_TRUE(Checked(d, IDC_EXCL_NOTSPLIT));
             EXPECT_FALSE(Checked(d, IDC_EXCL_NOTCHECK));
             std::wstring lower = kept;
             for (wchar_t& c : lower)
                 c = static_cast<wchar_t>(towlower(c));
             SetDlgItemTextW(d, IDC_EXCL_NAME, lower.c_str());
             EXPECT_EQ(Text(GetDlgItem(d, IDC_EXCL_ERROR)), L"This variable already exists");
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDOK)));
             PostMessageW(GetDlgItem(d, IDC_EXCL_NAME), WM_KEYDOWN, VK_ESCAPE, 0);
         }},
        {L"Options", [kept, other](HWND d) {
             const auto rows = Rows(d);
             ASSERT_EQ(rows.size(), 2u);
             EXPECT_NE(RowOf(d, kept), -1) << "the refused rename changed nothing";
             // Delete the last row: the focus moves to the row above.
             FocusRow(d, 1);
             Click(d, IDC_OPT_DELETE);
         }},
        {L"Options", [](HWND d) {
             ASSERT_EQ(Rows(d).size(), 1u);
             EXPECT_EQ(FocusedRow(d), 0);
             EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_OPT_LIST));
             Click(d, IDC_OPT_DELETE); // the only row
         }},
        {L"Options", [](HWND d) {
             EXPECT_TRUE(Rows(d).empty());
             EXPECT_EQ(FocusedRow(d), -1);
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_OPT_DELETE)));
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_OPT_EDIT)));
             Click(d, IDC_OPT_ADD);
         }},
        {L"Variable", [kept](HWND d) {
             SetDlgItemTextW(d, IDC_EXCL_NAME, kept.c_str());
             Toggle(d, IDC_EXCL_NOTSPLIT);
             Toggle(d, IDC_EXCL_NOTCHECK);
             PostMessageW(GetDlgItem(d, IDC_EXCL_NAME), WM_KEYDOWN, VK_RETURN, 0); // Enter presses OK
         }},
        {L"Options", [kept](HWND d) {
             EXPECT_EQ(Rows(d), std::vector<std::wstring>{kept});
             PostMessageW(GetDlgItem(d, IDC_OPT_LIST), WM_KEYDOWN, VK_RETURN, 0); // Enter: OK
         }},
    };
}

} // namespace

TEST_F(OptionsAboutTest, OptionsFromTheMenuStoreInTheRegistryAndReSplitTheTree)
{
    const std::wstring kept = UniqueName(L"VNK_OPT_KEEP"), other = UniqueName(L"VNK_OPT_OTHER");
    PutUser(kept, L"C:\\a;C:\\b;C:\\c");
    TfrmMain& w = Open();
    TNode* variable = nullptr;
    for (TNode* v = w.UserVarTree()->FirstVariable(); v && !variable; v = v->NextSibling())
        if (TETree::GetVariableName(v) == U(kept))
            variable = v;
    ASSERT_NE(variable, nullptr);
    EXPECT_EQ(variable->ChildCount(), 3u);
    const size_t historyBefore = w.GetUndoStack().GetPos();

    DialogScript script(EditEverything(kept, other));
    ChooseMenuItem(w, TActionId::actFileOptions);
    RunUntil(script);

    // The tree keeps the value whole at once, as one element; no edit was made.
    EXPECT_EQ(variable->ChildCount(), 1u);
    EXPECT_EQ(TETree::GetVariableValue(variable), u"C:\\a;C:\\b;C:\\c");
    EXPECT_FALSE(w.IsModified());
    EXPECT_EQ(w.GetUndoStack().GetPos(), historyBefore);
    EXPECT_TRUE(w.Options().onDeleteConfirmation && w.Options().onExitConfirmation);
    EXPECT_FALSE(w.Options().checkForUpdates || w.Options().isAnimation);

    // What reg.exe finds in the store.
    EXPECT_EQ(RegExeQuery(L"HKCU\\Software\\Varnook", L"onDeleteConfirmation").data, "0x1");
    EXPECT_EQ(RegExeQuery(L"HKCU\\Software\\Varnook", L"onExitConfirmation").data, "0x1");
    EXPECT_EQ(RegExeQuery(L"HKCU\\Software\\Varnook", L"checkForUpdates").data, "0x0");
    EXPECT_EQ(RegExeQuery(L"HKCU\\Software\\Varnook", L"isAnimation").data, "0x0");
    const RegExeValue entry = RegExeQuery(L"HKCU\\Software\\Varnook\\Exclusions", kept);
    EXPECT_EQ(entry.type, "REG_DWORD");
    EXPECT_EQ(entry.data, "0x3");
    EXPECT_FALSE(RegExeQuery(L"HKCU\\Software\\Varnook\\Exclusions", other).exists);

    // Removing the entry again splits the value as before, and Cancel changes nothing.
    DialogScript cancel({{L"Options", [&](HWND d) {
                              Toggle(d, IDC_OPT_ONDELETE);
                              FocusRow(d, 0);
                              Click(d, IDC_OPT_DELETE);
                          }},
                         {L"Options", [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }}});
    ClickToolbarButton(w, TActionId::actFileOptions);
    RunUntil(cancel);
    EXPECT_EQ(variable->ChildCount(), 1u);
    EXPECT_TRUE(w.Options().onDeleteConfirmation);
    EXPECT_EQ(RegExeQuery(L"HKCU\\Software\\Varnook\\Exclusions", kept).data, "0x3");
}

TEST_F(OptionsAboutTest, OptionsFromTheToolbarStoreInAPortableFile)
{
    ScratchFolder folder;
    ProgramIn program(folder.Path());
    platform::ScopedOverride<platform::IProgramFiles> useProgram(program);
    const std::u16string ini = folder.Path() + u"\\varnook.ini";
    // Written by another editor: UTF-8 without a mark, a name outside ASCII.
    WriteBytes(ini, "[Exclusions]\r\nGr\xC3\xBCn=2\r\n");
    const std::wstring kept = UniqueName(L"VNK_OPT_FILE"), other = UniqueName(L"VNK_OPT_GONE");
    TfrmMain& w = Open();
    ASSERT_TRUE(w.Options().IsPortable());
    EXPECT_TRUE(w.Options().GetExclusions().ContainsKey(u"Gr\u00FCn"));

    auto steps = EditEverything(kept, other);
    // The file's own entry is there first; it is left alone.
    steps.front().action = [first = steps.front().action](HWND d) {
        const auto rows = Rows(d);
        EXPECT_EQ(rows, std::vector<std::wstring>{L"Gr\u00FCn"});
        // The session expects an empty list: set the entry aside in the working copy by
        // deleting it, and add it back at the end.
        FocusRow(d, 0);
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_OPT_DELETE, BN_CLICKED), 0);
        first(d);
    };
    DialogScript script(std::move(steps));
    ClickToolbarButton(w, TActionId::actFileOptions);
    RunUntil(script);

    const std::string bytes = ReadBytes(ini);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::u16string text((bytes.size() - 2) / 2, u'\0');
    std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
    EXPECT_NE(text.find(u"onDeleteConfirmation=1"), std::u16string::npos);
    EXPECT_NE(text.find(u"checkForUpdates=0"), std::u16string::npos);
    EXPECT_NE(text.find(U(kept) + u"=3"), std::u16string::npos);
    EXPECT_EQ(text.find(u"Gr\u00FCn"), std::u16string::npos) << "deleted in the dialog";
    EXPECT_EQ(text.find(U(other)), std::u16string::npos);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Varnook", 0, KEY_READ, &key), ERROR_SUCCESS)
        << "a portable copy writes nothing to the registry";
    if (key)
        RegCloseKey(key);
}

TEST_F(OptionsAboutTest, AboutBoxFromF1ShowsVersionPatternAndScrollingThanksAndClosesWithEsc)
{
    TfrmMain& w = Open();
    bool shown = false;
    HWND box = nullptr;
    DialogScript script({{L"", [&](HWND d) {
        shown = true;
        box = d;
        RECT client{};
        GetClientRect(d, &client);
        const UINT dpi = GetDpiForWindow(d);
        EXPECT_EQ(client.right, MulDiv(446, dpi, 96));
        EXPECT_EQ(client.bottom, MulDiv(274, dpi, 96));
        EXPECT_EQ(GetWindowLongW(d, GWL_STYLE) & WS_CAPTION, 0);
        const std::wstring version = Text(GetDlgItem(d, IDC_ABOUT_VERSION));
        EXPECT_EQ(U(version), u"Version " + GetVersionMajor() + u"." + GetVersionMinor() + u" build " + GetVersionBuild());
        EXPECT_EQ(Text(GetDlgItem(d, IDC_ABOUT_THANKS)), L"Special thanks:");
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDOK));

        const Screenshot shot = CaptureClient(d);
        if (!TestOutputDir().empty())
            shot.SaveBmp(TestOutputDir() + L"about.bmp");
        if (dpi == 96) {
            const COLORREF lines = RGB(117, 155, 92), fill = RGB(140, 172, 115), white = RGB(255, 255, 255);
            EXPECT_EQ(shot.At(0, 0), lines) << "outline";
            EXPECT_EQ(shot.At(1, 5), white);
            EXPECT_EQ(shot.At(2, 100), white);
            EXPECT_EQ(shot.At(3, 3), lines) << "x - y = 0";
            EXPECT_EQ(shot.At(4, 3), fill);
            EXPECT_EQ(shot.At(13, 3), lines) << "x - y = 10";
            EXPECT_EQ(shot.At(440, 268), fill) << "x - y = 172";
            EXPECT_EQ(shot.At(438, 268), lines) << "x - y = 170";
            EXPECT_EQ(shot.At(443, 268), white) << "inner outline";
            EXPECT_EQ(shot.At(445, 273), lines) << "outline";
        }
        // The thanks move between two pictures; they start below the bottom edge.
        HWND credits = GetDlgItem(d, IDC_ABOUT_CREDITS);
        ASSERT_NE(credits, nullptr);
        auto runTimer = [credits](DWORD ms) {
            const DWORD end = GetTickCount() + ms;
            MSG m;
            while (GetTickCount() < end) {
                while (PeekMessageW(&m, credits, WM_TIMER, WM_TIMER, PM_REMOVE))
                    DispatchMessageW(&m);
                Sleep(10);
            }
        };
        auto* control = dynamic_cast<TScrollingCredits*>(reinterpret_cast<TWindow*>(GetWindowLongPtrW(credits, GWLP_USERDATA)));
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(control->TimerRunning());
        const int startPos = control->TPos();
        runTimer(2500);
        EXPECT_LT(control->TPos(), startPos - 20) << "about one pixel per 50 ms";
        // Pictures of the whole box, which repaint its children; the thanks' rows compared.
        RECT area{};
        GetWindowRect(credits, &area);
        MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&area), 2);
        auto thanks = [&](const Screenshot& shot) {
            std::vector<uint32_t> rows;
            for (int y = area.top; y < area.bottom; ++y)
                for (int x = area.left; x < area.right; ++x)
                    rows.push_back(shot.pixels[size_t(y) * shot.width + x]);
            return rows;
        };
        const std::vector<uint32_t> first = thanks(CaptureClient(d));
        runTimer(500);
        const Screenshot later = CaptureClient(d);
        if (!TestOutputDir().empty())
            later.SaveBmp(TestOutputDir() + L"about-thanks.bmp");
        const std::vector<uint32_t> second = thanks(later);
        EXPECT_NE(std::count(first.begin(), first.end(), first[0]), ptrdiff_t(first.size())) << "text shows";
        EXPECT_NE(first, second);
        PostMessageW(GetDlgItem(d, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    }}});
    PostMessageW(w.UserTreeView()->Control(), WM_KEYDOWN, VK_F1, 0);
    RunUntil(script);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(IsWindow(box)) << "Esc closed the box";
}

TEST(AboutBox, ThanksNameOnlyWhatWentIntoTheBuild)
{
    const auto lines = TfrmAbout::ThanksLines();
    ASSERT_FALSE(lines.empty());
    for (const auto& line : lines) {
        EXPECT_EQ(line.find(u'&'), std::u16string::npos) << "no markup";
        EXPECT_EQ(line.back(), u')') << "contributor (contribution)";
    }
}
