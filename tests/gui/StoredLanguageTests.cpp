// Every language the program ships, as the user sees the window: the translator reads the
// catalogs appended to the built varnook.exe, and the menu bar, a toolbar hint, both panel
// captions and a status text must be what the language's .po file says.
#include "app/FormSaveConflict.h"
#include "app/FormYesNoCancel.h"
#include "app/InfoPanel.h"
#include "app/PanelCaption.h"
#include "app/TreeView.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "support/MainWindowFixture.h"
#include "support/WindowTexts.h"
#include "res/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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
        {"Add new variable", [](TfrmMain& w) { return ToolbarText(MainToolbar(w), TActionId::actEditAddVariable); }},
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

// How far a single line of text reaches when drawn: Wine measures its interface font wider than
// it draws it, so the pixels decide.
int InkWidth(HDC reference, const wchar_t* text, UINT format)
{
    RECT box{};
    DrawTextW(reference, text, -1, &box, format | DT_CALCRECT);
    const int width = box.right + 8, height = std::max<int>(box.bottom, 1);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(reference);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, GetCurrentObject(reference, OBJ_FONT));
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text, -1, &all, format);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    int reach = 0;
    for (int y = 0; y < height; ++y)
        for (int x = width - 1; x >= reach; --x)
            if ((pixels[y * width + x] & 0xffffff) != 0xffffff) {
                reach = x + 1;
                break;
            }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return reach;
}

// A control's text cut at its edges, or nothing. The margins are those the common controls keep
// around a text.
std::string CutText(HWND control)
{
    wchar_t cls[32]{}, text[512]{};
    GetClassNameW(control, cls, 32);
    GetWindowTextW(control, text, 512);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (!text[0] || !IsWindowVisible(control))
        return {};
    const bool button = lstrcmpiW(cls, L"Button") == 0;
    if (!button && (lstrcmpiW(cls, L"Static") != 0 || (style & SS_TYPEMASK) > SS_RIGHT))
        return {};
    RECT room{};
    GetClientRect(control, &room);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    bool cut = false;
    if (button) {
        const int edge = GetSystemMetrics(SM_CXEDGE);
        int margin = 0;
        switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON: margin = 2 * 2 * edge; break;
        case BS_GROUPBOX: margin = 2 * 4 * edge; break;
        default: margin = GetSystemMetrics(SM_CXMENUCHECK) + 2 * edge; break;
        }
        cut = InkWidth(dc, text, DT_SINGLELINE) + margin > room.right;
    } else {
        // The control wraps by the measured widths: its lines must fit its height.
        RECT needed{0, 0, room.right, 0};
        DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
        cut = needed.bottom > room.bottom || needed.right > room.right;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return cut ? Narrow(text) : std::string();
}

// Every text of the dialogs and boxes a user meets first shows whole in every language: buttons,
// check boxes, group captions, labels and the options list's column titles.
TEST_F(StoredLanguageTest, DialogTextsAreWholeInEachLanguage)
{
    TfrmMain& window = Open();
    static std::set<std::string> cut;
    static std::string language;
    cut.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = VisibleDialog();
        if (!dialog)
            return;
        const std::string where = language + ", " + Narrow(TextOf(dialog)) + ": ";
        const size_t before = cut.size();
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (const std::string text = CutText(child); !text.empty())
                cut.insert(where + text);
        if (const HWND list = GetDlgItem(dialog, IDC_OPT_LIST)) {
            const HWND header = ListView_GetHeader(list);
            HDC dc = GetDC(header);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
            int total = 0;
            for (int i = 0; i < Header_GetItemCount(header); ++i) {
                wchar_t title[128]{};
                HDITEMW item{};
                item.mask = HDI_TEXT | HDI_WIDTH;
                item.pszText = title;
                item.cchTextMax = 128;
                Header_GetItem(header, i, &item);
                SIZE extent{};
                GetTextExtentPoint32W(dc, title, lstrlenW(title), &extent);
                if (i > 0 && extent.cx + 2 * 3 * GetSystemMetrics(SM_CXEDGE) > item.cxy)
                    cut.insert(where + Narrow(title));
                total += item.cxy;
            }
            SelectObject(dc, old);
            ReleaseDC(header, dc);
            RECT room{};
            GetClientRect(list, &room);
            if (total > room.right)
                cut.insert(where + "columns wider than the list");
        }
        // Kept as a picture for whoever shortens the text.
        if (const std::wstring dir = TestOutputDir(); !dir.empty() && cut.size() > before)
            CaptureClient(dialog).SaveBmp(dir + L"cut-text-" + std::to_wstring(cut.size()) + L".bmp");
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    for (size_t row = 0; row < kLanguages.size(); ++row) {
        PickLanguage(window, row);
        language = ToUtf8(kLanguages[row].name);
        window.ExecuteAction(TActionId::actFileOptions);
        window.ExecuteAction(TActionId::actEditAddVariable);
        window.ExecuteAction(TActionId::actEditFind);
        TfrmYesNoCancel::createAndShowModal(gettext(u"Do you want to save the changes?"));
        TfrmSaveConflict::createAndShowModal({u"PATH", u"TEMP"});
    }
    KillTimer(nullptr, timer);
    EXPECT_TRUE(cut.empty()) << ::testing::PrintToString(cut);
}

} // namespace
} // namespace varnook::testing
