// Every language the program ships, as the user sees the window: the translator reads the
// catalogs appended to the built varnook.exe, and the menu bar, a toolbar hint, both panel
// captions and a status text must be what the language's .po file says.
#include "app/InfoPanel.h"
#include "app/PanelCaption.h"
#include "app/TreeView.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "support/MainWindowFixture.h"
#include "res/resource.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#ifndef VARNOOK_LOCALE_DIR
#error "the test needs the folder of the .po files"
#endif

namespace varnook::testing {
namespace {

std::wstring W(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// A Unix path from CMake; Wine shows the Unix root as drive Z:.
std::wstring HostFolder(std::string_view unixPath)
{
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

// The built program: the test programs live one folder below it.
std::u16string BuiltProgram()
{
    wchar_t self[MAX_PATH * 2]{};
    GetModuleFileNameW(nullptr, self, ARRAYSIZE(self));
    std::wstring path = self;
    path.resize(path.find_last_of(L'\\'));
    path.resize(path.find_last_of(L'\\'));
    return U(path + L"\\varnook.exe");
}

std::string Unquote(const std::string& line)
{
    const size_t open = line.find('"'), close = line.rfind('"');
    std::string out;
    for (size_t i = open + 1; i < close; ++i) {
        if (line[i] != '\\' || i + 1 >= close) {
            out += line[i];
            continue;
        }
        const char c = line[++i];
        out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

// The translations of a .po file by their English text (continued lines joined, no plurals).
std::map<std::string, std::string> ReadPo(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::map<std::string, std::string> entries;
    std::string line, id, text;
    std::string* current = nullptr;
    auto flush = [&] {
        if (!id.empty())
            entries[id] = text;
        id.clear();
        text.clear();
        current = nullptr;
    };
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("msgid ", 0) == 0) {
            flush();
            id = Unquote(line);
            current = &id;
        } else if (line.rfind("msgstr ", 0) == 0) {
            text = Unquote(line);
            current = &text;
        } else if (!line.empty() && line[0] == '"' && current) {
            *current += Unquote(line);
        }
    }
    flush();
    return entries;
}

// Folder names of the catalogs: the list's codes with the country in capitals (pt_br: pt_BR).
std::wstring CatalogFolder(std::u16string_view code)
{
    std::wstring folder = W(code);
    if (const size_t bar = folder.find(L'_'); bar != std::wstring::npos)
        for (size_t i = bar + 1; i < folder.size(); ++i)
            folder[i] = static_cast<wchar_t>(towupper(folder[i]));
    return folder;
}

std::wstring MenuBarItem(HWND window, int index)
{
    wchar_t text[128]{};
    GetMenuStringW(GetMenu(window), index, text, 128, MF_BYPOSITION);
    return text;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[256]{};
    GetWindowTextW(window, text, 256);
    return text;
}

HWND MainToolbar(TfrmMain& window)
{
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD;
    SendMessageW(window.Toolbars(), RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    return band.hwndChild;
}

// The button texts serve as the toolbar's hints.
std::wstring ToolbarHint(HWND toolbar, TActionId id)
{
    wchar_t text[256]{};
    SendMessageW(toolbar, TB_GETBUTTONTEXTW, TfrmMain::kCommandBase + static_cast<unsigned>(id), reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring StatusText(HWND statusBar, int part)
{
    wchar_t text[256]{};
    SendMessageW(statusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return text;
}

// What a pick in the language list sends.
void PickLanguage(TfrmMain& window, size_t row)
{
    const HWND box = window.LanguageSelector();
    SendMessageW(box, CB_SETCURSEL, row, 0);
    SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

class StoredLanguageTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        StartTranslator(BuiltProgram());
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        StartTranslator(u"");
        UseLanguage(u"en");
    }
};

TEST_F(StoredLanguageTest, EachShippedLanguageShowsItsCatalogsTexts)
{
    const std::wstring locale = HostFolder(VARNOOK_LOCALE_DIR);
    struct Seen {
        const char* english;
        std::wstring (*shown)(TfrmMain&);
    };
    const Seen seen[] = {
        {"&File", [](TfrmMain& w) { return MenuBarItem(w.Handle(), 0); }},
        {"&Edit", [](TfrmMain& w) { return MenuBarItem(w.Handle(), 1); }},
        {"&View", [](TfrmMain& w) { return MenuBarItem(w.Handle(), 2); }},
        {"&Help", [](TfrmMain& w) { return MenuBarItem(w.Handle(), 3); }},
        {"Add new variable", [](TfrmMain& w) { return ToolbarHint(MainToolbar(w), TActionId::actEditAddVariable); }},
        {"System Variables", [](TfrmMain& w) { return TextOf(w.SysTreeView()->Caption().Handle()); }},
        {"User Variables", [](TfrmMain& w) { return TextOf(w.UserTreeView()->Caption().Handle()); }},
        {"Modified", [](TfrmMain& w) { return StatusText(w.StatusBar(), 0); }},
    };
    // The first language stored before the start, each further one picked in the running
    // window's list: both ways end in the same translation of every text, and each switch must
    // leave nothing of the language before.
    SetStringValue(HKEY_CURRENT_USER, L"Software\\Varnook", L"language", W(kLanguages[1].name));
    TfrmMain& window = Open();
    // A change marks the window modified in the status bar.
    window.UserVarTree()->PushSnapshot();
    window.UserVarTree()->SetVariableValue(window.UserVarTree()->FirstVariable(), u"changed");
    window.UpdateStatusBar();
    const HWND box = window.LanguageSelector();
    for (size_t row = 1; row < kLanguages.size(); ++row) {
        const TLanguage& language = kLanguages[row];
        SCOPED_TRACE(ToUtf8(language.name));
        if (row > 1)
            PickLanguage(window, row);
        EXPECT_EQ(SendMessageW(box, CB_GETCURSEL, 0, 0), static_cast<LRESULT>(row));
        const std::wstring po = locale + L"\\" + CatalogFolder(language.code) + L"\\LC_MESSAGES\\default.po";
        const std::map<std::string, std::string> catalog = ReadPo(po);
        ASSERT_FALSE(catalog.empty()) << Narrow(po);
        for (const Seen& text : seen) {
            const auto entry = catalog.find(text.english);
            ASSERT_NE(entry, catalog.end()) << text.english;
            EXPECT_EQ(text.shown(window), W(FromUtf8(entry->second))) << text.english;
        }
    }
}

// The flag columns of the options dialog's exclusion list show their whole titles in every
// language; the name column gives way to them.
TEST_F(StoredLanguageTest, OptionsColumnTitlesAreWholeInEachLanguage)
{
    TfrmMain& window = Open();
    static std::vector<std::string> cut;
    static std::string language;
    cut.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) -> BOOL {
            if (GetDlgItem(w, IDC_OPT_LIST) && IsWindowVisible(w)) {
                *reinterpret_cast<HWND*>(p) = w;
                return FALSE;
            }
            return TRUE;
        }, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog)
            return;
        const HWND header = ListView_GetHeader(GetDlgItem(dialog, IDC_OPT_LIST));
        HDC dc = GetDC(header);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
        // The header draws a title between margins of three edges either side.
        const int margins = 6 * GetSystemMetrics(SM_CXEDGE);
        int total = 0;
        for (int i = 0; i < 3; ++i) {
            wchar_t title[128]{};
            HDITEMW item{};
            item.mask = HDI_TEXT | HDI_WIDTH;
            item.pszText = title;
            item.cchTextMax = 128;
            Header_GetItem(header, i, &item);
            SIZE extent{};
            GetTextExtentPoint32W(dc, title, lstrlenW(title), &extent);
            if (i > 0 && extent.cx + margins > item.cxy)
                cut.push_back(language + ": " + Narrow(title));
            total += item.cxy;
        }
        SelectObject(dc, old);
        ReleaseDC(header, dc);
        RECT list{};
        GetClientRect(GetDlgItem(dialog, IDC_OPT_LIST), &list);
        if (total > list.right)
            cut.push_back(language + ": the columns are wider than the list");
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    for (size_t row = 0; row < kLanguages.size(); ++row) {
        PickLanguage(window, row);
        language = ToUtf8(kLanguages[row].name);
        window.ExecuteAction(TActionId::actFileOptions);
    }
    KillTimer(nullptr, timer);
    EXPECT_TRUE(cut.empty()) << ::testing::PrintToString(cut);
}

} // namespace
} // namespace varnook::testing
