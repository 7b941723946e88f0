// What a first-time user meets in the main window: the status labels of the portable and CD
// modes, toolbars shown again, where the window opens, access keys, the inspector's row images,
// the focus after the panel buttons, and a start-up without swallowed faults.
#include "app/InfoPanel.h"
#include "app/MainWindow.h"
#include "app/Options.h"
#include "app/TreeView.h"
#include "core/Strings.h"
#include "support/MessagePump.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnook;
using namespace varnook::testing;

namespace {

const wchar_t kUserKey[] = L"Environment";

class FirstUseTest : public ::testing::Test {
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
    void CloseWindow()
    {
        window_.reset();
        Pump(50);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    static void WriteOptions(std::initializer_list<std::pair<const wchar_t*, DWORD>> values)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Varnook", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        for (const auto& [name, value] : values)
            RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        RegCloseKey(key);
    }

    std::unique_ptr<KeyBackup> optionsBackup_;
    std::unique_ptr<TfrmMain> window_;
};

std::wstring StatusBarText(HWND bar, int part)
{
    const int length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0));
    std::wstring text(length + 1, L'\0');
    SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

RECT WorkAreaOf(HWND window)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " - " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// What the screen shows of a window now, without asking it to paint first.
std::vector<uint32_t> ScreenPixels(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<uint32_t> pixels;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        pixels.assign(p, p + size_t(width) * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Counts the access violations raised in this process, also those some handler swallows.
class AccessViolationCounter {
public:
    AccessViolationCounter()
    {
        count = 0;
        handler_ = AddVectoredExceptionHandler(1, [](EXCEPTION_POINTERS* e) -> LONG {
            if (e->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
                ++count;
            return EXCEPTION_CONTINUE_SEARCH;
        });
    }
    ~AccessViolationCounter() { RemoveVectoredExceptionHandler(handler_); }
    static inline int count = 0;

private:
    void* handler_;
};

} // namespace

TEST_F(FirstUseTest, StartUpRaisesNoAccessViolation)
{
    // WM_SIZE reaches the panels while they are created, before their children exist.
    AccessViolationCounter counter;
    TfrmMain& w = Open();
    SetWindowPos(w.Handle(), nullptr, 0, 0, 500, 420, SWP_NOMOVE | SWP_NOZORDER);
    Pump(50);
    CloseWindow();
    EXPECT_EQ(AccessViolationCounter::count, 0);
}

TEST_F(FirstUseTest, PortableAndCdModesAreShownInTheStatusBar)
{
    // The options file beside the executable, here the test program's.
    const std::u16string ini16 = OptionsFilePath();
    const std::wstring ini(ini16.begin(), ini16.end());
    struct Cleanup {
        std::wstring path;
        ~Cleanup()
        {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    } cleanup{ini};
    HANDLE file = CreateFileW(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    const struct {
        DWORD attributes;
        const wchar_t* text;
    } modes[] = {{FILE_ATTRIBUTE_NORMAL, L"USB (portable) mode"},
                 {FILE_ATTRIBUTE_READONLY, L"CD mode - options will not be saved"}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(Narrow(mode.text));
        ASSERT_TRUE(SetFileAttributesW(ini.c_str(), mode.attributes));
        TfrmMain& w = Open();
        // What the status bar itself shows, not what the window meant it to show.
        EXPECT_EQ(StatusBarText(w.StatusBar(), 1), mode.text);
        EXPECT_NE(SendMessageW(w.StatusBar(), SB_GETICON, 1, 0), 0);
        EXPECT_EQ(StatusBarText(w.StatusBar(), 0), L"");
        // The label is 200 pixels wide whatever the language: resting the mouse on it shows the
        // whole text, in the window's one hint window.
        SetForegroundWindow(w.Handle());
        RECT part{};
        SendMessageW(w.StatusBar(), SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
        POINT at{(part.left + part.right) / 2, (part.top + part.bottom) / 2};
        const LPARAM client = MAKELPARAM(at.x, at.y);
        ClientToScreen(w.StatusBar(), &at);
        SetCursorPos(at.x, at.y);
        PostMessageW(w.StatusBar(), WM_MOUSEMOVE, 0, client);
        HWND tips = reinterpret_cast<HWND>(
            SendMessageW(FindWindowExW(w.Toolbars(), nullptr, TOOLBARCLASSNAMEW, nullptr), TB_GETTOOLTIPS, 0, 0));
        for (int i = 0; i < 40 && !IsWindowVisible(tips); ++i)
            Pump(50);
        wchar_t tip[128]{};
        TTTOOLINFOW current{};
        current.cbSize = sizeof(current);
        current.lpszText = tip;
        EXPECT_TRUE(IsWindowVisible(tips));
        EXPECT_TRUE(SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&current)));
        EXPECT_EQ(current.hwnd, w.StatusBar());
        EXPECT_EQ(std::wstring(tip), mode.text);
        CloseWindow();
    }
}

TEST_F(FirstUseTest, ToolbarsShownAgainLeaveNoStalePixels)
{
    TfrmMain& w = Open();
    HWND sysCaption = w.SysTreeView()->Caption().Handle();
    HWND userCaption = w.UserTreeView()->Caption().Handle();
    for (TActionId toolbar : {TActionId::actViewShowMain, TActionId::actViewShowInterface}) {
        SCOPED_TRACE(std::string(Action(toolbar).name));
        RECT before;
        GetWindowRect(sysCaption, &before);
        ASSERT_TRUE(w.ExecuteAction(toolbar)); // off: the panels move up
        Pump(100);
        ASSERT_TRUE(w.ExecuteAction(toolbar)); // on again: they move back down
        // Whatever moved is to be painted afresh.
        EXPECT_TRUE(GetUpdateRect(sysCaption, nullptr, FALSE));
        EXPECT_TRUE(GetUpdateRect(userCaption, nullptr, FALSE));
        Pump(200);
        Sleep(300); // Wine hands the window's picture to the X server a moment after painting
        RECT after;
        GetWindowRect(sysCaption, &after);
        EXPECT_EQ(after.top, before.top);
        // The title bars on the screen are what they show when painted from scratch.
        const std::vector<uint32_t> shown = ScreenPixels(w.Handle());
        CaptureClient(w.Handle());
        const std::vector<uint32_t> fresh = ScreenPixels(w.Handle());
        ASSERT_EQ(shown.size(), fresh.size());
        RECT frame;
        GetWindowRect(w.Handle(), &frame);
        const int width = frame.right - frame.left;
        int differing = 0;
        for (HWND caption : {sysCaption, userCaption}) {
            RECT r;
            GetWindowRect(caption, &r);
            OffsetRect(&r, -frame.left, -frame.top);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    differing += shown[size_t(y) * width + x] != fresh[size_t(y) * width + x];
        }
        EXPECT_EQ(differing, 0);
    }
}

TEST_F(FirstUseTest, PlacementStaysInsideTheWorkArea)
{
    const struct {
        const char* what;
        int left, top, width, height;
    } stored[] = {
        {"a monitor that is gone", -2600, -1400, 700, 500},
        {"taller than the screen", 100, 200, 700, 5000},
        {"off to the bottom right", 4000, 3000, 700, 500},
    };
    for (const auto& s : stored) {
        SCOPED_TRACE(s.what);
        WriteOptions({{L"left", DWORD(s.left)}, {L"top", DWORD(s.top)}, {L"width", DWORD(s.width)},
                      {L"height", DWORD(s.height)}});
        TfrmMain& w = Open();
        RECT r;
        GetWindowRect(w.Handle(), &r);
        const RECT work = WorkAreaOf(w.Handle());
        EXPECT_TRUE(Inside(r, work)) << Describe(r) << " in " << Describe(work);
        EXPECT_EQ(r.right - r.left, s.width);
        CloseWindow();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
    }
}

// Run by the ctest entry gui_144dpi, in a prefix whose screen is scaled to 150 %: the design size
// is then taller than many screens' work areas.
TEST_F(FirstUseTest, At144DpiTheWindowOpensWhollyOnTheScreen)
{
    if (GetDpiForSystem() != 144)
        GTEST_SKIP() << "runs in the 144 DPI prefix (ctest gui_144dpi)";
    for (bool centred : {true, false}) {
        SCOPED_TRACE(centred ? "centred with the design size" : "a stored rectangle taller than the screen");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
        if (!centred)
            WriteOptions({{L"left", DWORD(50)}, {L"top", DWORD(-300)}, {L"width", DWORD(900)}, {L"height", DWORD(4000)}});
        TfrmMain& w = Open();
        EXPECT_EQ(GetDpiForWindow(w.Handle()), 144u);
        RECT r;
        GetWindowRect(w.Handle(), &r);
        const RECT work = WorkAreaOf(w.Handle());
        EXPECT_TRUE(Inside(r, work)) << Describe(r) << " in " << Describe(work);
        if (centred) {
            // Where it fits, the design client size scaled by 150 %.
            RECT client;
            GetClientRect(w.Handle(), &client);
            if (work.bottom - work.top > 1000)
                EXPECT_EQ(client.bottom, MulDiv(570, 144, 96));
        } else {
            EXPECT_EQ(r.right - r.left, 900);
            EXPECT_EQ(r.bottom - r.top, work.bottom - work.top);
        }
        CloseWindow();
    }
}

TEST_F(FirstUseTest, AccessKeysFocusTheSelectorsAndSwitchTheTabs)
{
    TfrmMain& w = Open();
    auto press = [&](wchar_t letter) {
        MSG msg{GetFocus(), WM_SYSKEYDOWN, static_cast<WPARAM>(letter), static_cast<LPARAM>(KF_ALTDOWN) << 16};
        return w.PreTranslateMessage(msg);
    };
    for (const auto& [letter, box] : {std::pair{L'L', w.LanguageSelector()}, {L'S', w.SkinSelector()}}) {
        SetFocus(w.UserTreeView()->Control());
        EXPECT_TRUE(press(letter)) << char(letter);
        EXPECT_EQ(GetFocus(), box) << char(letter);
    }
    // The user selector, while it can be used.
    SetFocus(w.UserTreeView()->Control());
    if (IsWindowEnabled(w.UserSelector())) {
        EXPECT_TRUE(press(L'U'));
        EXPECT_EQ(GetFocus(), w.UserSelector());
    }
    // The tabs: the tab changes and the keyboard goes back to the active tree.
    SetFocus(w.LanguageSelector());
    EXPECT_TRUE(press(L'D'));
    EXPECT_EQ(w.InfoPanel()->ActiveTab(), TInfoPanel::tabLegend);
    EXPECT_EQ(GetFocus(), w.UserTreeView()->Control());
    EXPECT_TRUE(press(L'I'));
    EXPECT_EQ(w.InfoPanel()->ActiveTab(), TInfoPanel::tabInspector);
    // A hidden information panel comes back for its tab.
    ASSERT_TRUE(w.ExecuteAction(TActionId::actViewShowInformation));
    ASSERT_FALSE(IsWindowVisible(w.InformationPanel()));
    EXPECT_TRUE(press(L'D'));
    EXPECT_TRUE(IsWindowVisible(w.InformationPanel()));
    EXPECT_EQ(w.InfoPanel()->ActiveTab(), TInfoPanel::tabLegend);
    // A selector whose toolbar is hidden cannot take the focus; the key is not ours then.
    ASSERT_TRUE(w.ExecuteAction(TActionId::actViewShowInterface));
    SetFocus(w.UserTreeView()->Control());
    EXPECT_FALSE(w.OnAccessKey('L'));
    EXPECT_EQ(GetFocus(), w.UserTreeView()->Control());
    // Other letters are left to the menu bar.
    EXPECT_FALSE(w.OnAccessKey('F'));
}

TEST_F(FirstUseTest, InspectorRowImagesFollowTheFocusedNode)
{
    const std::wstring plain = UniqueName(L"VNK_IMG_PLAIN"), expand = UniqueName(L"VNK_IMG_EXPAND");
    ValueGuard g1(HKEY_CURRENT_USER, kUserKey, plain), g2(HKEY_CURRENT_USER, kUserKey, expand);
    SetStringValue(HKEY_CURRENT_USER, kUserKey, plain, L"C:\\a;C:\\b");
    SetStringValue(HKEY_CURRENT_USER, kUserKey, expand, L"%SystemRoot%;C:\\b", REG_EXPAND_SZ);
    TfrmMain& w = Open();
    TETree& user = *w.UserVarTree();
    auto find = [&](const std::wstring& name) -> TNode* {
        for (TNode* v = user.FirstVariable(); v; v = v->NextSibling())
            if (TETree::GetVariableName(v) == std::u16string(name.begin(), name.end()))
                return v;
        return nullptr;
    };
    HWND grid = w.InfoPanel()->InspectorGrid();
    auto typeImage = [&] {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = 1;
        item.iSubItem = 1;
        ListView_GetItem(grid, &item);
        return item.iImage;
    };
    TNode* p = find(plain);
    TNode* e = find(expand);
    ASSERT_TRUE(p && e);
    // Variable, its element, the other variable, its element, and back: the "Type" row reads
    // "String" or "Expandable string" throughout; its tag belongs to variables only.
    const struct {
        TNode* node;
        int image;
    } steps[] = {{p, 0}, {p->FirstChild(), I_IMAGENONE}, {p, 0}, {e, 1}, {e->LastChild(), I_IMAGENONE}, {p, 0}};
    for (const auto& step : steps) {
        user.ActivateNode(step.node);
        Pump(450);
        EXPECT_EQ(typeImage(), step.image) << ToUtf8(user.GetNodeAsText(step.node));
    }
}

TEST_F(FirstUseTest, PanelButtonsHandTheKeyboardBackToTheirTree)
{
    TfrmMain& w = Open();
    for (TTreeView* view : {w.SysTreeView(), w.UserTreeView()}) {
        for (size_t button : {size_t(0), size_t(1)}) { // Expand All, Collapse All
            SetFocus(w.LanguageSelector());
            SendMessageW(view->Caption().Button(button), BM_CLICK, 0, 0);
            Pump(20);
            EXPECT_EQ(GetFocus(), view->Control()) << button;
        }
    }
}

// The hints of the toolbar, the selectors, the panels' buttons and the status bar's labels live
// in one hint window of the main window, each with its own text: every hidden window costs the
// start-up.
TEST_F(FirstUseTest, SelectorsAndPanelButtonsShareOneHintWindow)
{
    // The mouse away from where the window opens: resting on a tool would ask for the hint window.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    TfrmMain& w = Open();
    const auto hintWindows = [&] {
        struct Found {
            HWND owner;
            std::vector<HWND> tips;
        } found{w.Handle(), {}};
        EnumThreadWindows(GetCurrentThreadId(), [](HWND h, LPARAM p) -> BOOL {
            auto& f = *reinterpret_cast<Found*>(p);
            wchar_t cls[64]{};
            GetClassNameW(h, cls, 64);
            if (GetWindow(h, GW_OWNER) == f.owner && lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0)
                f.tips.push_back(h);
            return TRUE;
        }, reinterpret_cast<LPARAM>(&found));
        return found.tips;
    };
    // Under Wine the toolbar makes its hint window when first asked for it: none is made before
    // the mouse rests on a tool.
    EXPECT_TRUE(hintWindows().empty());

    const auto hintOf = [](HWND tips, HWND control) {
        wchar_t text[128]{};
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.hwnd = GetParent(control);
        info.uId = reinterpret_cast<UINT_PTR>(control);
        info.lpszText = text;
        SendMessageW(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&info));
        return std::wstring(text);
    };
    HWND infoCaption = FindWindowExW(w.InfoPanel()->Handle(), nullptr, L"VarnookPanelCaption", nullptr);
    const std::pair<HWND, const wchar_t*> hinted[] = {
        {w.SysTreeView()->Caption().Button(0), L"Expand All (Ctrl+Shift++)"},
        {w.UserTreeView()->Caption().Button(1), L"Collapse All (Ctrl+Shift+-)"},
        {FindWindowExW(infoCaption, nullptr, WC_BUTTONW, nullptr), L"Close"},
        {w.LanguageSelector(), L"Change language"},
    };

    // Resting on a toolbar button first: the toolbar makes its hint window itself and tells the
    // window, whose tools join it.
    SetForegroundWindow(w.Handle());
    HWND toolbar = FindWindowExW(w.Toolbars(), nullptr, TOOLBARCLASSNAMEW, nullptr);
    {
        RECT button{};
        SendMessageW(toolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
        POINT at{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
        const LPARAM client = MAKELPARAM(at.x, at.y);
        ClientToScreen(toolbar, &at);
        SetCursorPos(at.x, at.y);
        PostMessageW(toolbar, WM_MOUSEMOVE, 0, client);
        HWND tips = nullptr;
        for (int i = 0; i < 40 && !(tips && IsWindowVisible(tips)); ++i) {
            Pump(50);
            const std::vector<HWND> made = hintWindows();
            tips = made.size() == 1 ? made[0] : nullptr;
        }
        ASSERT_TRUE(tips && IsWindowVisible(tips));
        TTTOOLINFOW current{};
        current.cbSize = sizeof(current);
        EXPECT_TRUE(SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&current)));
        EXPECT_EQ(current.hwnd, toolbar);
        for (const auto& [control, hint] : hinted)
            EXPECT_EQ(hintOf(tips, control), hint);
        SendMessageW(tips, TTM_POP, 0, 0);
    }

    // The hint window learns of the mouse over the other tools from the message loop: resting on
    // a panel button or a selector shows its hint.
    HWND shared = nullptr;
    for (const auto& [control, hint] : {hinted[1], hinted[3]}) {
        RECT r;
        GetWindowRect(control, &r);
        const POINT screen{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        SetCursorPos(screen.x, screen.y);
        POINT client = screen;
        ScreenToClient(control, &client);
        PostMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
        bool shown = false;
        for (int i = 0; i < 40 && !shown; ++i) {
            Pump(50);
            const std::vector<HWND> tips = hintWindows();
            shared = tips.size() == 1 ? tips[0] : nullptr;
            shown = shared && IsWindowVisible(shared);
        }
        ASSERT_TRUE(shown) << Narrow(hint);
        wchar_t text[128]{};
        TTTOOLINFOW current{};
        current.cbSize = sizeof(current);
        current.lpszText = text;
        EXPECT_TRUE(SendMessageW(shared, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&current)));
        EXPECT_EQ(std::wstring(text), hint);
        SendMessageW(shared, TTM_POP, 0, 0);
    }

    // One hint window, the main toolbar's own, with the tools added before it was made; the
    // status bar's labels use it too.
    EXPECT_EQ(hintWindows().size(), 1u);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0)), shared);
    for (const auto& [control, hint] : hinted)
        EXPECT_EQ(hintOf(shared, control), hint);
    EXPECT_EQ(hintWindows().size(), 1u);
}

// The selectors are made as high as they show closed; an open list shows as many rows as its
// selector is given (or all its entries, when fewer), whatever the height it was made with.
TEST_F(FirstUseTest, SelectorListsOpenWithTheirRows)
{
    TfrmMain& w = Open();
    SetForegroundWindow(w.Handle());
    for (HWND box : {w.LanguageSelector(), w.SkinSelector(), w.UserSelector()}) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetComboBoxInfo(box, &info));
        const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
        const int rows = std::min(count, static_cast<int>(SendMessageW(box, CB_GETMINVISIBLE, 0, 0)));
        ASSERT_GT(rows, 0);
        SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
        Pump(50);
        ASSERT_TRUE(IsWindowVisible(info.hwndList));
        RECT list;
        GetClientRect(info.hwndList, &list);
        const int row = static_cast<int>(SendMessageW(info.hwndList, LB_GETITEMHEIGHT, 0, 0));
        EXPECT_EQ(list.bottom / row, rows) << list.bottom << " / " << row;
        SendMessageW(box, CB_SHOWDROPDOWN, FALSE, 0);
        Pump(20);
    }
}

// At the minimum width the Interface band cannot show both selectors: the one cut off is offered
// by the band's chevron as a submenu of its entries. Run at 96 DPI and, by gui_144dpi, at 144.
TEST_F(FirstUseTest, ACutBandOffersWhatItHidesOnItsChevronAt144DpiToo)
{
    TfrmMain& w = Open();
    const UINT dpi = GetDpiForWindow(w.Handle());
    SetWindowPos(w.Handle(), nullptr, 0, 0, MulDiv(380, dpi, 96), MulDiv(600, dpi, 96), SWP_NOMOVE | SWP_NOZORDER);
    Pump(100);
    HWND rebar = w.Toolbars();
    RECT dock;
    GetClientRect(rebar, &dock);
    const int index = static_cast<int>(SendMessageW(rebar, RB_IDTOINDEX, 1, 0)); // the Interface band
    REBARBANDINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = RBBIM_CHILD;
    SendMessageW(rebar, RB_GETBANDINFOW, index, reinterpret_cast<LPARAM>(&info));
    RECT band{}, strip{}, skin{};
    SendMessageW(rebar, RB_GETRECT, index, reinterpret_cast<LPARAM>(&band));
    GetWindowRect(info.hwndChild, &strip);
    MapWindowPoints(nullptr, rebar, reinterpret_cast<POINT*>(&strip), 2);
    GetWindowRect(w.SkinSelector(), &skin);
    MapWindowPoints(nullptr, rebar, reinterpret_cast<POINT*>(&skin), 2);
    // The band stays inside the dock, its strip leaves room for the chevron and the Skin box is
    // what is cut.
    EXPECT_LE(band.right, dock.right) << Describe(band);
    EXPECT_LT(strip.right, band.right) << Describe(strip) << " in " << Describe(band);
    EXPECT_GT(skin.right, strip.right) << Describe(skin);

    static std::vector<std::wstring> offered;
    offered.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND popup = FindWindowW(L"#32768", nullptr);
        if (!popup || !IsWindowVisible(popup))
            return;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
        for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128]{};
            GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
            offered.push_back(text);
            if (HMENU entries = GetSubMenu(menu, i))
                offered.push_back(L"entries: " + std::to_wstring(GetMenuItemCount(entries)));
        }
        EndMenu();
    });
    const int x = (strip.right + band.right) / 2, y = (band.top + band.bottom) / 2;
    SendMessageW(rebar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(rebar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    KillTimer(nullptr, timer);
    Pump(50);
    ASSERT_EQ(offered.size(), 2u) << "no chevron menu at " << x << "," << y;
    EXPECT_EQ(offered[0], L"&Skin"); // the label's access key works in the menu too
    EXPECT_EQ(offered[1], L"entries: 3");
}
