// The window in another language and another skin: a stored language translates the menus,
// toolbar hints, panel captions, tabs, status bar and users list at start-up; picking a row of
// the language list translates the running window at once; a message box and a dialog shown
// afterwards speak the language too. Skins change the window's look and persist by name.
#include "app/FormAddVar.h"
#include "app/FormYesNo.h"
#include "app/InfoPanel.h"
#include "app/PanelCaption.h"
#include "app/Skins.h"
#include "app/TreeView.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "platform/Services.h"
#include "support/MainWindowFixture.h"
#include "support/WindowTexts.h"
#include "support/ScratchFolder.h"
#include "res/resource.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>

namespace varnook::fixtures {
extern const std::string_view kCatalog_ui_ru;
}

namespace varnook::testing {
namespace {

std::wstring W(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::wstring FromUtf8W(std::string_view text) { return W(FromUtf8(text)); }

std::wstring TabText(HWND tabs, int index)
{
    wchar_t text[128]{};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 128;
    TabCtrl_GetItem(tabs, index, &item);
    return text;
}

// The mean brightness (0 to 255) of what the screen shows in a rectangle.
int Brightness(RECT rc)
{
    const Screenshot shot = CaptureScreen(rc);
    if (shot.pixels.empty())
        return -1;
    long long sum = 0;
    for (uint32_t p : shot.pixels)
        sum += (((p >> 16) & 0xFF) * 299 + ((p >> 8) & 0xFF) * 587 + (p & 0xFF) * 114) / 1000;
    return static_cast<int>(sum / static_cast<long long>(shot.pixels.size()));
}

RECT ScreenRectOf(HWND window)
{
    RECT rc{};
    GetWindowRect(window, &rc);
    return rc;
}

bool OwnerDrawn(HMENU menu, UINT position)
{
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, position, TRUE, &item);
    return (item.fType & MFT_OWNERDRAW) != 0;
}

int RowNamed(HWND box, const wchar_t* name)
{
    return static_cast<int>(SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name)));
}

class LanguageSkinTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        // The catalog beside an executable in a folder of its own, as a translator's file
        // beside varnook.exe would be.
        const std::filesystem::path dir =
            platform::HostPath(folder_.Path() + u"\\locale\\ru\\LC_MESSAGES");
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "default.mo", std::ios::binary).write(fixtures::kCatalog_ui_ru.data(), fixtures::kCatalog_ui_ru.size());
        StartTranslator(folder_.Path() + u"\\varnook.exe");
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        ApplySkin(0, nullptr);
        StartTranslator(u"");
        UseLanguage(u"en");
    }
    static void StoreOption(const wchar_t* name, const wchar_t* value)
    {
        SetStringValue(HKEY_CURRENT_USER, L"Software\\Varnook", name, value);
    }
    void Pick(HWND box, const wchar_t* name)
    {
        const int row = RowNamed(box, name);
        ASSERT_GE(row, 0) << Narrow(name);
        SendMessageW(box, CB_SETCURSEL, row, 0);
        SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
        Pump(50);
    }
    void ExpectRussian(TfrmMain& window)
    {
        EXPECT_EQ(MenuBarItem(window.Handle(), 0), FromUtf8W("&Файл"));
        EXPECT_EQ(MenuBarItem(window.Handle(), 1), FromUtf8W("&Правка"));
        EXPECT_EQ(MenuBarItem(window.Handle(), 2), FromUtf8W("&Вид"));
        EXPECT_EQ(MenuBarItem(window.Handle(), 3), FromUtf8W("&Справка"));
        // A text the catalog lacks stays English.
        HMENU file = GetSubMenu(GetMenu(window.Handle()), 0);
        wchar_t item[128]{};
        GetMenuStringW(file, 1, item, 128, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(item), L"Backup...");
        GetMenuStringW(file, 0, item, 128, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(item), FromUtf8W("Сохранить\tCtrl+S"));
        EXPECT_EQ(ToolbarText(MainToolbar(window), TActionId::actEditAddVariable),
                  FromUtf8W("Добавить новую переменную"));
        EXPECT_EQ(TextOf(window.SysTreeView()->Caption().Handle()), FromUtf8W("Системные переменные"));
        EXPECT_EQ(TextOf(window.UserTreeView()->Caption().Handle()), FromUtf8W("Переменные пользователя"));
        EXPECT_EQ(TabText(window.InfoPanel()->Tabs(), 0), FromUtf8W("&Инспектор"));
        EXPECT_EQ(TabText(window.InfoPanel()->Tabs(), 1), FromUtf8W("&Легенда"));
        EXPECT_EQ(TextOf(GetWindow(window.LanguageSelector(), GW_HWNDPREV)), FromUtf8W(" &Язык: "));
        EXPECT_NE(TextOf(window.UserSelector()).find(FromUtf8W("[текущий пользователь]")), std::wstring::npos)
            << Narrow(TextOf(window.UserSelector()));
    }

    ScratchFolder folder_;
};

TEST_F(LanguageSkinTest, AStoredLanguageTranslatesTheWindowAtStartAndAPickedOneAtOnce)
{
    StoreOption(L"language", L"Russian");
    TfrmMain& window = Open();
    EXPECT_EQ(TextOf(window.LanguageSelector()), L"Russian");
    ExpectRussian(window);
    // The status bar: a change marks the window modified, in the language in use.
    window.UserVarTree()->PushSnapshot();
    window.UserVarTree()->SetVariableValue(window.UserVarTree()->FirstVariable(), u"changed");
    window.UpdateStatusBar();
    EXPECT_EQ(StatusText(window.StatusBar(), 0), FromUtf8W("Изменено"));
    if (const std::wstring dir = TestOutputDir(); !dir.empty())
        CaptureClient(window.Handle()).SaveBmp(dir + L"language-ru-main-window.bmp");

    // English again, while running: every text returns, action categories and names untouched.
    const int shownUser = window.CurrentUser();
    Pick(window.LanguageSelector(), L"English");
    EXPECT_EQ(MenuBarItem(window.Handle(), 0), L"&File");
    EXPECT_EQ(ToolbarText(MainToolbar(window), TActionId::actEditAddVariable), L"Add new variable");
    EXPECT_EQ(TextOf(window.SysTreeView()->Caption().Handle()), L"System Variables");
    EXPECT_EQ(TabText(window.InfoPanel()->Tabs(), 1), L"Legen&d");
    EXPECT_EQ(StatusText(window.StatusBar(), 0), L"Modified");
    EXPECT_NE(TextOf(window.UserSelector()).find(L"[logged in]"), std::wstring::npos);
    EXPECT_EQ(window.CurrentUser(), shownUser);
    EXPECT_EQ(Action(TActionId::actFileSave).category, TActionCategory::File);

    Pick(window.LanguageSelector(), L"Russian");
    ExpectRussian(window);
    EXPECT_EQ(window.CurrentUser(), shownUser);
}

// The drop-down lists of the dock are made once the window has shown: until then each strip
// paints them closed, as they look once made, and a close before then stores the stored choices
// again, not empty ones.
TEST_F(LanguageSkinTest, TheSelectorsComeOnceTheWindowShowsLookingAsTheirStripsPaintedThem)
{
    if (!RunningOnWine())
        GTEST_SKIP() << "elsewhere the lists are made with the window";
    StoreOption(L"language", L"Russian");
    StoreOption(L"skin", L"Default");
    SetCursorPos(0, 0); // no list under the mouse, hot
    window_ = std::make_unique<TfrmMain>();
    TfrmMain::TStartOptions start;
    start.runCommandLine = false;
    ASSERT_TRUE(window_->Create(start));
    TfrmMain& window = *window_;
    auto boxes = [&] {
        std::vector<HWND> found;
        EnumChildWindows(window.Handle(), [](HWND child, LPARAM list) -> BOOL {
            wchar_t cls[32]{};
            GetClassNameW(child, cls, 32);
            if (lstrcmpiW(cls, WC_COMBOBOXW) == 0)
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        }, reinterpret_cast<LPARAM>(&found));
        return found;
    };
    std::vector<HWND> strips;
    for (HWND child = GetWindow(window.Toolbars(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (TextOf(child).empty() && child != MainToolbar(window))
            strips.push_back(child);
    ASSERT_EQ(strips.size(), 2u);
    ASSERT_TRUE(boxes().empty());
    std::vector<Screenshot> closed;
    for (HWND strip : strips)
        closed.push_back(CaptureClient(strip));
    ASSERT_TRUE(boxes().empty()) << "painting the window made the lists";

    window.StoreWindowState();
    EXPECT_EQ(window.Options().GetLanguage(), u"Russian");
    EXPECT_EQ(window.Options().skin, u"Default");

    Pump(100);
    const std::vector<HWND> made = boxes();
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(TextOf(window.LanguageSelector()), L"Russian");
    EXPECT_EQ(SendMessageW(window.LanguageSelector(), CB_GETCOUNT, 0, 0), static_cast<LRESULT>(kLanguages.size()));
    EXPECT_EQ(TextOf(window.SkinSelector()), L"Default");
    EXPECT_NE(TextOf(window.UserSelector()).find(FromUtf8W("[текущий пользователь]")), std::wstring::npos);
    // Each list right after its label: the strip's order is the order Tab visits them in.
    EXPECT_EQ(TextOf(GetWindow(window.LanguageSelector(), GW_HWNDPREV)), FromUtf8W(" &Язык: "));
    EXPECT_EQ(GetWindow(GetWindow(window.LanguageSelector(), GW_HWNDNEXT), GW_HWNDNEXT), window.SkinSelector());
    for (size_t i = 0; i < strips.size(); ++i) {
        const Screenshot shown = CaptureClient(strips[i]);
        ASSERT_EQ(shown.pixels.size(), closed[i].pixels.size());
        const size_t differing = DifferingPixels(shown, closed[i]);
        EXPECT_EQ(differing, 0u) << "strip " << i;
        if (differing)
            KeepPictures(closed[i], L"selectors-closed-" + std::to_wstring(i), shown,
                         L"selectors-made-" + std::to_wstring(i));
    }
}

TEST_F(LanguageSkinTest, AnUnknownStoredLanguageLeavesTheListUnselectedAndTheWindowEnglish)
{
    StoreOption(L"language", L"russian"); // names match exactly
    TfrmMain& window = Open();
    EXPECT_EQ(SendMessageW(window.LanguageSelector(), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(MenuBarItem(window.Handle(), 0), L"&File");
    EXPECT_EQ(SendMessageW(window.LanguageSelector(), CB_GETCOUNT, 0, 0), static_cast<LRESULT>(kLanguages.size()));
}

// A box and a dialog opened after the change speak the language; kept as pictures, the
// Cyrillic must show without missing glyphs.
TEST_F(LanguageSkinTest, MessageBoxesAndDialogsOpenInTheLanguageInUse)
{
    StoreOption(L"language", L"Russian");
    TfrmMain& window = Open();
    struct Seen {
        std::wstring caption, yes, no, dialogCaption, label, ok;
    };
    static Seen seen;
    seen = {};
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND box = VisibleDialog();
        if (!box)
            return;
        const std::wstring dir = TestOutputDir();
        if (GetDlgItem(box, IDC_MSG_TEXT)) {
            seen.caption = TextOf(box);
            seen.yes = TextOf(GetDlgItem(box, IDYES));
            seen.no = TextOf(GetDlgItem(box, IDNO));
            if (!dir.empty())
                CaptureClient(box).SaveBmp(dir + L"language-ru-message-box.bmp");
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        } else {
            seen.dialogCaption = TextOf(box);
            seen.label = TextOf(GetDlgItem(box, IDC_ADDVAR_LABEL));
            seen.ok = TextOf(GetDlgItem(box, IDCANCEL));
            if (!dir.empty())
                CaptureClient(box).SaveBmp(dir + L"language-ru-dialog.bmp");
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    });
    TfrmYesNo::createAndShowModal(gettext(u"Are you sure you want to exit?"));
    EXPECT_EQ(seen.caption, FromUtf8W("Подтверждение"));
    EXPECT_EQ(seen.yes, FromUtf8W("&Да"));
    EXPECT_EQ(seen.no, FromUtf8W("&Нет"));
    TfrmAddVar::TOutput output;
    TfrmAddVar::createAndShowModal(window.Handle(), *window.UserVarTree(), {}, output);
    KillTimer(nullptr, timer);
    EXPECT_EQ(seen.dialogCaption, FromUtf8W("Новая переменная"));
    EXPECT_EQ(seen.label, FromUtf8W("&Имя переменной:"));
    EXPECT_EQ(seen.ok, FromUtf8W("Отмена"));
}

TEST_F(LanguageSkinTest, SkinsAreListedDefaultFirstAndAnUnknownNameAppliesTheFirstRow)
{
    StoreOption(L"skin", L"Velvet");
    TfrmMain& window = Open();
    ASSERT_EQ(SendMessageW(window.SkinSelector(), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(window.SkinSelector(), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(TextOf(window.SkinSelector()), L"Default");
    EXPECT_EQ(CurrentSkinRow(), 0);
    EXPECT_GE(RowNamed(window.SkinSelector(), L"Classic"), 1);
    EXPECT_GE(RowNamed(window.SkinSelector(), L"Dark"), 1);
}

// The parts of the main window that paint themselves, by name, where the screen shows them.
std::vector<std::pair<std::string, RECT>> PaintedAreas(TfrmMain& window)
{
    std::vector<std::pair<std::string, RECT>> areas;
    areas.emplace_back("toolbar band", ScreenRectOf(MainToolbar(window)));
    areas.emplace_back("toolbar dock", ScreenRectOf(window.Toolbars()));
    areas.emplace_back("system caption", ScreenRectOf(window.SysTreeView()->Caption().Handle()));
    areas.emplace_back("user caption", ScreenRectOf(window.UserTreeView()->Caption().Handle()));
    areas.emplace_back("information caption",
                       ScreenRectOf(FindWindowExW(window.InfoPanel()->Handle(), nullptr, L"VarnookPanelCaption", nullptr)));
    areas.emplace_back("information tabs", ScreenRectOf(window.InfoPanel()->Tabs()));
    areas.emplace_back("status bar", ScreenRectOf(window.StatusBar()));
    MENUBARINFO bar{};
    bar.cbSize = sizeof(bar);
    GetMenuBarInfo(window.Handle(), OBJID_MENU, 0, &bar);
    areas.emplace_back("menu bar", bar.rcBar);
    return areas;
}

// Dark: every painted part of the window is dark, menus drawn by the window with their texts
// still readable, also after the language changes; the default look brings the light ones back.
TEST_F(LanguageSkinTest, TheDarkSkinDarkensEveryPartOfTheWindowAndTheDefaultOneRestoresThem)
{
    StoreOption(L"skin", L"Dark");
    TfrmMain& window = Open();
    if (!IsWindowVisible(window.InfoPanel()->Handle()))
        window.ExecuteAction(TActionId::actViewShowInformation);
    SetForegroundWindow(window.Handle());
    window.UserVarTree()->PushSnapshot();
    window.UserVarTree()->SetVariableValue(window.UserVarTree()->FirstVariable(), u"changed");
    window.UpdateStatusBar();
    const HWND hwnd = window.Handle();
    const auto expectAreas = [&](bool dark, const char* when) {
        CaptureClient(hwnd);
        for (const auto& [name, rc] : PaintedAreas(window)) {
            const int brightness = Brightness(rc);
            if (dark)
                EXPECT_LT(brightness, 90) << name << " " << when;
            else
                EXPECT_GT(brightness, 150) << name << " " << when;
        }
    };
    const auto popupOwnerDrawn = [&] {
        HMENU file = GetSubMenu(GetMenu(hwnd), 0);
        SendMessageW(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        return OwnerDrawn(file, 0);
    };
    expectAreas(true, "dark at start");
    const HWND tips = reinterpret_cast<HWND>(SendMessageW(MainToolbar(window), TB_GETTOOLTIPS, 0, 0));
    ASSERT_TRUE(tips);
    const auto tipBrightness = [&] {
        const COLORREF c = static_cast<COLORREF>(SendMessageW(tips, TTM_GETTIPBKCOLOR, 0, 0));
        return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
    };
    EXPECT_LT(tipBrightness(), 90);
    EXPECT_TRUE(OwnerDrawn(GetMenu(hwnd), 0));
    EXPECT_TRUE(popupOwnerDrawn());
    EXPECT_EQ(MenuBarItem(hwnd, 0), L"&File");
    wchar_t item[128]{};
    GetMenuStringW(GetSubMenu(GetMenu(hwnd), 0), 0, item, 128, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(item), L"Save\tCtrl+S");
    EXPECT_EQ(StatusText(window.StatusBar(), 0), L"Modified");

    Pick(window.LanguageSelector(), L"Russian");
    EXPECT_EQ(MenuBarItem(hwnd, 0), FromUtf8W("&Файл"));
    EXPECT_TRUE(OwnerDrawn(GetMenu(hwnd), 0));
    expectAreas(true, "dark in Russian");
    Pick(window.LanguageSelector(), L"English");

    for (const wchar_t* light : {L"Default", L"Classic"}) {
        Pick(window.SkinSelector(), light);
        expectAreas(false, Narrow(light).c_str());
        EXPECT_FALSE(OwnerDrawn(GetMenu(hwnd), 0)) << Narrow(light);
        EXPECT_FALSE(popupOwnerDrawn()) << Narrow(light);
        EXPECT_EQ(MenuBarItem(hwnd, 0), L"&File");
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tips, TTM_GETTIPBKCOLOR, 0, 0)), GetSysColor(COLOR_INFOBK));
        Pick(window.SkinSelector(), L"Dark");
        EXPECT_LT(tipBrightness(), 90);
        expectAreas(true, "dark again");
    }
    // A control made later, as a panel shown for the first time makes its own, is dark too.
    HWND later = CreateWindowExW(0, WC_TREEVIEWW, nullptr, WS_CHILD, 0, 0, 10, 10, window.InfoPanel()->Handle(),
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(TreeView_GetBkColor(later), TreeView_GetBkColor(window.UserTreeView()->Control()));
    DestroyWindow(later);
    // The legend is made when its tab first shows: dark, filled and placed as the inspector.
    const auto grids = [&] {
        int count = 0;
        for (HWND w = nullptr; (w = FindWindowExW(window.InfoPanel()->Handle(), w, WC_LISTVIEWW, nullptr));)
            ++count;
        return count;
    };
    EXPECT_EQ(grids(), 1);
    window.InfoPanel()->SelectTab(TInfoPanel::tabLegend);
    EXPECT_EQ(grids(), 2);
    const HWND legend = window.InfoPanel()->LegendGrid(), inspector = window.InfoPanel()->InspectorGrid();
    EXPECT_TRUE(IsWindowVisible(legend));
    EXPECT_FALSE(IsWindowVisible(inspector));
    EXPECT_EQ(ListView_GetBkColor(legend), ListView_GetBkColor(inspector));
    EXPECT_EQ(ListView_GetItemCount(legend), 5);
    const RECT legendPlace = ScreenRectOf(legend), inspectorPlace = ScreenRectOf(inspector);
    EXPECT_TRUE(EqualRect(&legendPlace, &inspectorPlace));
    if (const std::wstring dir = TestOutputDir(); !dir.empty())
        CaptureClient(hwnd).SaveBmp(dir + L"skin-dark-parts.bmp");
}

// A dialog in the dark skin: its labels light on the dark face, its error line still red.
TEST_F(LanguageSkinTest, InTheDarkSkinADialogKeepsItsRedErrorLineOnTheDarkFace)
{
    StoreOption(L"skin", L"Dark");
    TfrmMain& window = Open();
    struct Seen {
        COLORREF labelText = 0, labelBack = 0, errorText = 0, errorBack = 0;
        bool done = false;
    };
    static Seen seen;
    seen = {};
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND box = VisibleDialog();
        if (!box || seen.done)
            return;
        HDC dc = CreateCompatibleDC(nullptr);
        const auto colours = [&](int id, COLORREF& text, COLORREF& back) {
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(255, 255, 255));
            SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
            text = GetTextColor(dc);
            back = GetBkColor(dc);
        };
        colours(IDC_ADDVAR_LABEL, seen.labelText, seen.labelBack);
        colours(IDC_ADDVAR_ERROR, seen.errorText, seen.errorBack);
        DeleteDC(dc);
        seen.done = true;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    TfrmAddVar::TOutput output;
    TfrmAddVar::createAndShowModal(window.Handle(), *window.UserVarTree(), {}, output);
    KillTimer(nullptr, timer);
    ASSERT_TRUE(seen.done);
    const auto light = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) > 3 * 180; };
    EXPECT_TRUE(light(seen.labelText)) << std::hex << seen.labelText;
    EXPECT_FALSE(light(seen.labelBack)) << std::hex << seen.labelBack;
    EXPECT_EQ(seen.errorText, RGB(255, 0, 0));
    EXPECT_FALSE(light(seen.errorBack)) << std::hex << seen.errorBack;
}

// Back from the dark skin, the window looks exactly as it did before it.
TEST_F(LanguageSkinTest, TheDefaultSkinPickedAgainRestoresTheFormerLook)
{
    TfrmMain& window = Open();
    SetForegroundWindow(window.Handle());
    // What start-up leaves to timers (the inspector's rows) shows first.
    Screenshot before = CaptureClient(window.Handle());
    for (int i = 0; i < 20; ++i) {
        Pump(100);
        Screenshot again = CaptureClient(window.Handle());
        if (again.pixels == before.pixels)
            break;
        before = std::move(again);
    }
    Pick(window.SkinSelector(), L"Dark");
    Pick(window.SkinSelector(), L"Default");
    const Screenshot after = CaptureClient(window.Handle());
    ASSERT_EQ(before.width, after.width);
    ASSERT_EQ(before.height, after.height);
    const size_t differing = DifferingPixels(before, after);
    EXPECT_EQ(differing, 0u);
    if (differing)
        KeepPictures(before, L"skin-default-before", after, L"skin-default-after");
}

TEST_F(LanguageSkinTest, EachSkinChangesTheRunningWindowAndIsStoredAtClose)
{
    StoreOption(L"skin", L"dark"); // letter case aside
    TfrmMain& window = Open();
    EXPECT_EQ(TextOf(window.SkinSelector()), L"Dark");
    const HWND tree = window.UserTreeView()->Control();
    const COLORREF dark = TreeView_GetBkColor(tree);
    EXPECT_NE(dark, static_cast<COLORREF>(-1));
    EXPECT_LT(GetRValue(dark) + GetGValue(dark) + GetBValue(dark), 3 * 80);
    const std::wstring dir = TestOutputDir();
    for (const wchar_t* skin : {L"Dark", L"Classic", L"Default"}) {
        Pick(window.SkinSelector(), skin);
        EXPECT_EQ(TextOf(window.SkinSelector()), skin);
        if (!dir.empty())
            CaptureClient(window.Handle()).SaveBmp(dir + L"skin-" + skin + L"-main-window.bmp");
    }
    EXPECT_EQ(TreeView_GetBkColor(tree), static_cast<COLORREF>(-1));
    Pick(window.SkinSelector(), L"Classic");
    Pick(window.LanguageSelector(), L"Russian");
    window.StoreWindowState();
    EXPECT_EQ(window.Options().skin, u"Classic");
    EXPECT_EQ(window.Options().GetLanguage(), u"Russian");
}

} // namespace
} // namespace varnook::testing
