// Drives the main window through the situations a first-time user meets and writes a picture of
// each, tooltips and menus included, as a 24-bit BMP. Used by tools/review-shots under a
// virtual display; the same scenarios run against any build, so pictures of two builds compare.
//   varnook_reviewshots.exe OUTPUT_FOLDER PROGRAM [SCENARIO...]
#include "app/Actions.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr unsigned kCommandBase = 40000;

struct Found {
    DWORD process;
    const wchar_t* className;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam)
{
    auto* f = reinterpret_cast<Found*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[128];
    GetClassNameW(hwnd, cls, 128);
    if (pid == f->process && IsWindowVisible(hwnd) && lstrcmpiW(cls, f->className) == 0)
        f->windows.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChildren(HWND hwnd, LPARAM lParam)
{
    auto* f = reinterpret_cast<Found*>(lParam);
    wchar_t cls[128];
    GetClassNameW(hwnd, cls, 128);
    if (lstrcmpiW(cls, f->className) == 0)
        f->windows.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> Children(HWND parent, const wchar_t* className)
{
    Found f{0, className, {}};
    EnumChildWindows(parent, CollectChildren, reinterpret_cast<LPARAM>(&f));
    return f.windows;
}

bool SaveBmp(const std::wstring& path, HBITMAP bitmap, int width, int height)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> bits(static_cast<size_t>(stride) * height);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, height, bits.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(bits.size());
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out)
        return false;
    fwrite(&file, sizeof(file), 1, out);
    fwrite(&header, sizeof(header), 1, out);
    fwrite(bits.data(), 1, bits.size(), out);
    fclose(out);
    return true;
}

void Wait(DWORD ms)
{
    Sleep(ms);
}

class Program {
public:
    explicit Program(const std::wstring& exe) : exe_(exe) {}
    ~Program() { Stop(); }

    bool Start()
    {
        std::wstring commandLine = L"\"" + exe_ + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
            return false;
        Found f{pi_.dwProcessId, L"TfrmMain", {}};
        const DWORD deadline = GetTickCount() + 30000;
        while (f.windows.empty() && GetTickCount() < deadline) {
            EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&f));
            if (f.windows.empty())
                Sleep(100);
        }
        if (f.windows.empty())
            return false;
        main_ = f.windows.front();
        WaitForInputIdle(pi_.hProcess, 5000);
        // The first verification passes (every 200 ms) paint their findings.
        Wait(1500);
        return true;
    }

    void Stop()
    {
        if (!pi_.hProcess)
            return;
        if (IsWindow(main_))
            PostMessageW(main_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi_.hProcess, 8000) == WAIT_TIMEOUT) {
            std::printf("  (the program did not end within 8 s of WM_CLOSE; ended)\n");
            TerminateProcess(pi_.hProcess, 0);
        }
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
        pi_ = {};
        main_ = nullptr;
    }

    HWND Main() const { return main_; }
    DWORD Id() const { return pi_.dwProcessId; }

    void Command(varnook::TActionId id, DWORD settle = 400)
    {
        SendMessageW(main_, WM_COMMAND, MAKEWPARAM(kCommandBase + static_cast<unsigned>(id), 0), 0);
        Wait(settle);
    }

    HWND Tree(int which) const
    {
        auto trees = Children(main_, WC_TREEVIEWW);
        return which < static_cast<int>(trees.size()) ? trees[which] : nullptr;
    }

    // Type-ahead in a tree: focuses the first node whose text starts with the prefix.
    void Type(int tree, const wchar_t* prefix)
    {
        HWND control = Tree(tree);
        Click(control, 4, 4, false);
        for (const wchar_t* c = prefix; *c; ++c)
            PostMessageW(control, WM_CHAR, *c, 0);
        Wait(800);
    }

    void Click(HWND control, int x, int y, bool wait = true)
    {
        SetFocus(control);
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        if (wait)
            Wait(500);
    }

    void Hover(HWND control, int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(control, &p);
        SetCursorPos(p.x - 6, p.y);
        Wait(100);
        SetCursorPos(p.x, p.y);
        Wait(2500);
    }

    void Size(int width, int height)
    {
        SetWindowPos(main_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        Wait(600);
    }

    int Scale(int pixels) const { return MulDiv(pixels, static_cast<int>(GetDpiForWindow(main_)), 96); }

    // The window with the program's popups (tooltips, menus) that lie over or beside it.
    bool Shoot(const std::wstring& path)
    {
        SetCursorPos(5000, 5000);
        return ShootAsIs(path);
    }

    bool ShootAsIs(const std::wstring& path)
    {
        RECT area;
        GetWindowRect(main_, &area);
        Found popups{pi_.dwProcessId, L"tooltips_class32", {}};
        EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&popups));
        popups.className = L"VarnookHoverHint";
        EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&popups));
        popups.className = L"#32768"; // menus
        EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&popups));
        for (HWND popup : popups.windows) {
            RECT r;
            GetWindowRect(popup, &r);
            UnionRect(&area, &area, &r);
        }
        RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        IntersectRect(&area, &area, &screen);
        const int width = area.right - area.left, height = area.bottom - area.top;
        HDC screenDc = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screenDc);
        HBITMAP bitmap = CreateCompatibleBitmap(screenDc, width, height);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screenDc, area.left, area.top, SRCCOPY | CAPTUREBLT);
        SelectObject(memory, old);
        const bool saved = SaveBmp(path, bitmap, width, height);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screenDc);
        return saved;
    }

private:
    std::wstring exe_;
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
};

void ForgetOptions()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Varnook");
}

// A value longer than any tree or cell shows: 2,367 characters of folder names.
void PutLongValue()
{
    std::wstring value;
    for (int i = 0; value.size() < 2367; ++i)
        value += L"C:\\Program Files\\Vendor Tools " + std::to_wstring(i) + L"\\bin;";
    value.resize(2367);
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Environment", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"LONG_VALUE", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

using varnook::TActionId;

struct Scenario {
    const wchar_t* name;
    const char* what;
    std::function<bool(Program&, const std::wstring& out)> run;
};

// A picture of a tab of the information panel's tab control.
void ClickTab(Program& p, int index)
{
    auto tabs = Children(p.Main(), WC_TABCONTROLW);
    if (tabs.empty())
        return;
    // Tab rectangles cannot be asked for across processes: the tabs are about 90 pixels wide.
    p.Click(tabs[0], p.Scale(45 + 90 * index), p.Scale(10));
}

// The middle of a row's value cell in the visible grid, in its client coordinates. Messages with
// pointers do not cross processes: the row height comes from the rows a page holds.
POINT InspectorCell(HWND grid, int row)
{
    RECT client;
    GetClientRect(grid, &client);
    const int perPage = std::max(1, static_cast<int>(SendMessageW(grid, LVM_GETCOUNTPERPAGE, 0, 0)));
    const int rowHeight = client.bottom / perPage;
    return {client.right * 2 / 3, rowHeight * row + rowHeight / 2};
}

HWND VisibleGrid(Program& p)
{
    for (HWND g : Children(p.Main(), WC_LISTVIEWW))
        if (IsWindowVisible(g))
            return g;
    return nullptr;
}

std::vector<Scenario> Scenarios(const std::wstring& exe)
{
    return {
        {L"start", "the window as it opens: toolbar images, Donate label, fonts, status bar",
         [](Program& p, const std::wstring& out) { return p.Shoot(out); }},
        {L"toolbars-reshow", "View > Toolbars: Main and Interface off, then on again (stale pixels)",
         [](Program& p, const std::wstring& out) {
             p.Command(TActionId::actViewShowMain);
             p.Command(TActionId::actViewShowInterface);
             p.Command(TActionId::actViewShowMain);
             p.Command(TActionId::actViewShowInterface);
             return p.Shoot(out);
         }},
        {L"bands-narrow", "the window at its minimum width: toolbar bands and their chevrons",
         [](Program& p, const std::wstring& out) {
             p.Size(p.Scale(380), p.Scale(600));
             return p.Shoot(out);
         }},
        {L"bands-chevron", "the main toolbar's chevron pressed at the minimum width",
         [](Program& p, const std::wstring& out) {
             p.Size(p.Scale(380), p.Scale(600));
             auto rebars = Children(p.Main(), REBARCLASSNAMEW);
             if (rebars.empty())
                 return false;
             // The chevron sits at the right end of the first row; rectangles do not cross
             // processes, so it is found from the dock's own size.
             HWND rebar = rebars[0];
             RECT dock;
             GetClientRect(rebar, &dock);
             const int x = dock.right - p.Scale(7), y = p.Scale(13);
             PostMessageW(rebar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
             PostMessageW(rebar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
             Wait(1000);
             const bool shot = p.ShootAsIs(out);
             keybd_event(VK_ESCAPE, 0, 0, 0);
             keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
             Wait(300);
             return shot;
         }},
        {L"bands-restart", "started again after Interface was hidden: where the User band lands",
         [exe](Program& p, const std::wstring& out) {
             p.Command(TActionId::actViewShowInterface);
             p.Stop();
             Wait(500);
             if (!p.Start())
                 return false;
             const bool shot = p.Shoot(out);
             return shot;
         }},
        {L"inspector", "a variable with errors focused: the inspector grid's lines, shading and columns",
         [](Program& p, const std::wstring& out) {
             p.Type(1, L"Path");
             return p.Shoot(out);
         }},
        {L"inspector-narrow", "the same at the minimum width: captions must stay whole",
         [](Program& p, const std::wstring& out) {
             p.Type(1, L"Path");
             p.Size(p.Scale(380), p.Scale(600));
             return p.Shoot(out);
         }},
        {L"legend", "the Legend tab: its title, access keys and rows",
         [](Program& p, const std::wstring& out) {
             ClickTab(p, 1);
             return p.Shoot(out);
         }},
        {L"help-menu", "the Help menu: the italic \"Donate...\" among its neighbours",
         [](Program& p, const std::wstring& out) {
             SetForegroundWindow(p.Main());
             PostMessageW(p.Main(), WM_SYSCOMMAND, SC_KEYMENU, 'h');
             Wait(800);
             const bool shot = p.ShootAsIs(out);
             PostMessageW(p.Main(), WM_CANCELMODE, 0, 0);
             keybd_event(VK_ESCAPE, 0, 0, 0);
             keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
             Wait(300);
             return shot;
         }},
        {L"long-value", "a 2,367-character value: the tree's scroll bar and the inspector's tooltip",
         [](Program& p, const std::wstring& out) {
             p.Type(1, L"LONG_VALUE");
             Wait(500);
             if (HWND grid = VisibleGrid(p)) {
                 const POINT cell = InspectorCell(grid, 2);
                 p.Hover(grid, cell.x, cell.y);
             }
             return p.ShootAsIs(out);
         }},
        {L"error-hint", "the pointer resting on a row with a missing path: the row's hint",
         [](Program& p, const std::wstring& out) {
             p.Type(1, L"OneDrive");
             HWND tree = p.Tree(1);
             // The focused row's place: visible rows above it times the row height.
             HTREEITEM selected = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
             int index = 0;
             for (auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
                  item && item != selected;
                  item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE,
                                                                  reinterpret_cast<LPARAM>(item))))
                 ++index;
             const int height = static_cast<int>(SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0));
             p.Hover(tree, p.Scale(60), index * height + height / 2);
             return p.ShootAsIs(out);
         }},
        {L"grow", "the window grown after it opened small: the status bar's size grip",
         [](Program& p, const std::wstring& out) {
             p.Size(p.Scale(420), p.Scale(420));
             p.Size(p.Scale(760), p.Scale(640));
             return p.Shoot(out);
         }},
    };
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: reviewshots OUTPUT_FOLDER PROGRAM [SCENARIO...]\n");
        return 2;
    }
    const std::wstring folder = std::wstring(argv[1]) + L"\\";
    const std::wstring exe = argv[2];
    PutLongValue();
    int failures = 0;
    for (const Scenario& s : Scenarios(exe)) {
        bool wanted = argc == 3;
        for (int i = 3; i < argc; ++i)
            wanted |= lstrcmpiW(argv[i], s.name) == 0;
        if (!wanted)
            continue;
        ForgetOptions();
        Program program(exe);
        const std::wstring out = folder + s.name + L".bmp";
        const bool ok = program.Start() && s.run(program, out);
        std::printf("%-18ls %s  (%s)\n", s.name, ok ? "written" : "FAILED", s.what);
        failures += ok ? 0 : 1;
    }
    ForgetOptions();
    return failures ? 1 : 0;
}
