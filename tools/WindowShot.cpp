// Starts a program, waits for its main window and writes a picture of the whole window (frame
// included) as a 24-bit BMP. Used by tools/screenshot under a virtual display.
//   varnook_windowshot.exe OUTPUT.bmp WINDOWCLASS TIMEOUT_MS PROGRAM [ARGS...]
// VARNOOK_SCENE chooses what is on screen: "main" (default) the window alone, "addvar" the
// new-variable dialog over it with a name that exists, "menu" the context menu of the user tree,
// "options" the options dialog, "about" the about box (after its thanks have scrolled in),
// "popup" the completion popup of the element editor opened on the user Path's element
// C:\Python312\Scripts with VARNOOK_SCENE_TEXT (default %Sys) typed into it, "inspector" the
// user Path's element C:\Python27 (a folder that does not exist) focused with the inspector
// showing its errors, "update" the update dialog that the start-up check opens when the server
// offers a newer version, "find" the find dialog, "filemenu" the File menu of the menu bar.
#include "app/Actions.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD process;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM lParam)
{
    auto* s = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[128];
    GetClassNameW(hwnd, cls, 128);
    if (pid == s->process && IsWindowVisible(hwnd) && lstrcmpW(cls, s->className) == 0) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool SaveBmp(const wchar_t* path, HBITMAP bitmap, int width, int height)
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
    FILE* out = _wfopen(path, L"wb");
    if (!out)
        return false;
    fwrite(&file, sizeof(file), 1, out);
    fwrite(&header, sizeof(header), 1, out);
    fwrite(bits.data(), 1, bits.size(), out);
    fclose(out);
    return true;
}

// The main window's command of an action (its menu and accelerator identifier).
constexpr unsigned kCommandBase = 40000;

struct Popup {
    DWORD process;
    const wchar_t* className;
    HWND found;
};

HWND WaitForPopup(DWORD process, const wchar_t* className, DWORD timeoutMs)
{
    Popup popup{process, className, nullptr};
    const DWORD deadline = GetTickCount() + timeoutMs;
    while (!popup.found && GetTickCount() < deadline) {
        EnumWindows([](HWND hwnd, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Popup*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            wchar_t cls[64];
            GetClassNameW(hwnd, cls, 64);
            if (pid == s->process && IsWindowVisible(hwnd) && lstrcmpW(cls, s->className) == 0) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        }, reinterpret_cast<LPARAM>(&popup));
        if (!popup.found)
            Sleep(100);
    }
    return popup.found;
}

// The last tree control of the window: the user tree, right of the system tree.
HWND UserTree(HWND main)
{
    HWND found = nullptr;
    EnumChildWindows(main, [](HWND hwnd, LPARAM p) -> BOOL {
        wchar_t cls[64];
        GetClassNameW(hwnd, cls, 64);
        if (lstrcmpW(cls, WC_TREEVIEWW) == 0)
            *reinterpret_cast<HWND*>(p) = hwnd;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Puts the scene on screen; the rectangle to capture grows to take in what it shows. Gives the
// dialog or menu the scene opened, none for the window alone.
HWND SetScene(const std::wstring& scene, HWND main, DWORD process, RECT& area)
{
    HWND popup = nullptr;
    if (scene == L"addvar") {
        PostMessageW(main, WM_COMMAND,
                     kCommandBase + static_cast<unsigned>(varnook::TActionId::actEditAddVariable), 0);
        popup = WaitForPopup(process, L"#32770", 5000);
        if (popup)
            if (HWND edit = FindWindowExW(popup, nullptr, L"Edit", nullptr))
                SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"path"));
    } else if (scene == L"find") {
        PostMessageW(main, WM_COMMAND, kCommandBase + static_cast<unsigned>(varnook::TActionId::actEditFind), 0);
        popup = WaitForPopup(process, L"#32770", 5000);
    } else if (scene == L"filemenu") {
        PostMessageW(main, WM_SYSCOMMAND, SC_KEYMENU, 'f');
        popup = WaitForPopup(process, L"#32768", 5000);
    } else if (scene == L"options" || scene == L"about") {
        const auto action = scene == L"options" ? varnook::TActionId::actFileOptions : varnook::TActionId::actHelpAbout;
        PostMessageW(main, WM_COMMAND, kCommandBase + static_cast<unsigned>(action), 0);
        popup = WaitForPopup(process, L"#32770", 5000);
        if (popup && scene == L"about")
            Sleep(3000); // the thanks start below their area's bottom edge
    } else if (scene == L"menu") {
        HWND tree = UserTree(main);
        RECT rc{};
        GetWindowRect(tree, &rc);
        // The second row, right-clicked: the click activates it and opens the menu there.
        POINT at{rc.left + 60, rc.top + 32};
        SetCursorPos(at.x, at.y);
        POINT client = at;
        ScreenToClient(tree, &client);
        PostMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
        PostMessageW(tree, WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        popup = WaitForPopup(process, L"#32768", 5000);
    } else if (scene == L"inspector") {
        // Type-ahead finds the element; the next timer tick fills the inspector.
        HWND tree = UserTree(main);
        for (wchar_t c : std::wstring(L"C:\\Python2"))
            PostMessageW(tree, WM_CHAR, c, 1);
        Sleep(1000);
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(300);
        return nullptr; // nothing opens: the window shows it all
    } else if (scene == L"message") {
        // An element deleted, then Refresh: the question whether to drop the change.
        HWND tree = UserTree(main);
        for (wchar_t c : std::wstring(L"C:\\Python2"))
            PostMessageW(tree, WM_CHAR, c, 1);
        Sleep(1000);
        PostMessageW(main, WM_COMMAND, kCommandBase + static_cast<unsigned>(varnook::TActionId::actEditDelete), 0);
        Sleep(300);
        PostMessageW(main, WM_COMMAND, kCommandBase + static_cast<unsigned>(varnook::TActionId::actEditRefresh), 0);
        popup = WaitForPopup(process, L"#32770", 5000);
    } else if (scene == L"update") {
        // It opened before the window was brought to the front: raise it again.
        popup = WaitForPopup(process, L"#32770", 15000);
        if (popup) {
            SetForegroundWindow(popup);
            RedrawWindow(popup, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        }
    } else if (scene == L"popup") {
        // Type-ahead finds the element, F2 opens its editor, and the text replaces its own. Each
        // key is handed over and handled before the next, as a typist's would be.
        HWND tree = UserTree(main);
        auto type = [](HWND to, const wchar_t* text) {
            for (const wchar_t* c = text; *c; ++c) {
                DWORD_PTR unused = 0;
                SendMessageTimeoutW(to, WM_CHAR, *c, 1, SMTO_NORMAL, 2000, &unused);
                Sleep(50);
            }
        };
        type(tree, L"C:\\Python3");
        Sleep(300);
        PostMessageW(tree, WM_KEYDOWN, VK_F2, 1);
        HWND editor = nullptr;
        for (int i = 0; i < 50 && !editor; ++i, Sleep(100))
            editor = FindWindowExW(tree, nullptr, L"Edit", nullptr);
        Sleep(300);
        wchar_t text[64] = L"%Sys";
        GetEnvironmentVariableW(L"VARNOOK_SCENE_TEXT", text, 64);
        if (editor)
            type(editor, text);
        popup = WaitForPopup(process, L"VarnookBorderedForm", 5000);
    }
    if (!popup) {
        if (scene != L"main")
            std::fprintf(stderr, "the scene opened no window\n");
        return nullptr;
    }
    Sleep(800);
    RedrawWindow(popup, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300);
    RECT extra{};
    GetWindowRect(popup, &extra);
    UnionRect(&area, &area, &extra);
    return popup;
}

// Closes what the scene opened, as Escape would, so that the window can close normally.
void EndScene(HWND popup, HWND main)
{
    if (!popup)
        return;
    wchar_t cls[32]{};
    GetClassNameW(popup, cls, 32);
    if (lstrcmpW(cls, L"#32770") == 0)
        PostMessageW(popup, WM_COMMAND, IDCANCEL, 0);
    else if (lstrcmpW(cls, L"VarnookBorderedForm") == 0)
        PostMessageW(FindWindowExW(UserTree(main), nullptr, L"Edit", nullptr), WM_KEYDOWN, VK_ESCAPE, 1);
    else
        PostMessageW(main, WM_CANCELMODE, 0, 0);
    Sleep(300);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: windowshot OUTPUT.bmp WINDOWCLASS TIMEOUT_MS PROGRAM [ARGS...]\n");
        return 2;
    }
    std::wstring commandLine = L"\"" + std::wstring(argv[4]) + L"\"";
    for (int i = 5; i < argc; ++i)
        commandLine += L" \"" + std::wstring(argv[i]) + L"\"";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start the program\n");
        return 1;
    }
    Search search{pi.dwProcessId, argv[2], nullptr};
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(_wtoi(argv[3]));
    while (!search.found && GetTickCount() < deadline) {
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(100);
    }
    int rc = 1;
    if (search.found) {
        WaitForInputIdle(pi.hProcess, 5000);
        // Let the first verification pass (every 200 ms) paint its findings.
        Sleep(1500);
        SetForegroundWindow(search.found);
        RedrawWindow(search.found, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        Sleep(300);
        RECT rc2;
        GetWindowRect(search.found, &rc2);
        wchar_t scene[32] = L"main";
        GetEnvironmentVariableW(L"VARNOOK_SCENE", scene, 32);
        HWND popup = SetScene(scene, search.found, pi.dwProcessId, rc2);
        const int width = rc2.right - rc2.left, height = rc2.bottom - rc2.top;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rc2.left, rc2.top, SRCCOPY | CAPTUREBLT);
        SelectObject(memory, old);
        rc = SaveBmp(argv[1], bitmap, width, height) ? 0 : 1;
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        EndScene(popup, search.found);
        PostMessageW(search.found, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi.hProcess, 5000) == WAIT_TIMEOUT)
            TerminateProcess(pi.hProcess, 0);
    } else {
        std::fprintf(stderr, "no window of that class appeared; process %lu; top-level windows:\n", pi.dwProcessId);
        EnumWindows([](HWND hwnd, LPARAM) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            wchar_t cls[128];
            GetClassNameW(hwnd, cls, 128);
            std::fprintf(stderr, "  %lu %ls visible=%d\n", pid, cls, IsWindowVisible(hwnd));
            return TRUE;
        }, 0);
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return rc;
}
