// The least a window of two filled variable trees can cost: a top window with two tree views,
// each filled from its scope's environment key with callback texts, shown and painted. No
// toolbars, status bar, information panel, icons or fonts. The start-up figure times it beside
// varnook.exe and regedit.exe, so what the rest of the window costs can be told from what any
// such window costs under the same system.
#include <windows.h>
#include <commctrl.h>

namespace {

HWND gTrees[2];
wchar_t gText[64];

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == TVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTVDISPINFOW*>(lParam);
            wsprintfW(gText, L"VARIABLE_%d", static_cast<int>(info->item.lParam));
            info->item.pszText = gText;
        }
        return 0;
    case WM_SIZE: {
        const int width = LOWORD(lParam), height = HIWORD(lParam);
        MoveWindow(gTrees[0], 0, 0, width / 2, height, TRUE);
        MoveWindow(gTrees[1], width / 2, 0, width - width / 2, height, TRUE);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Fill(HWND tree, HKEY root, const wchar_t* path)
{
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    // Filled as the program fills its views: no redrawing after every row.
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    static wchar_t name[16384];
    static BYTE data[65536];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = ARRAYSIZE(name), dataLength = sizeof(data), kind = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &kind, data, &dataLength) != ERROR_SUCCESS)
            break;
        TVINSERTSTRUCTW insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = LPSTR_TEXTCALLBACKW;
        insert.item.lParam = static_cast<LPARAM>(i);
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    }
    RegCloseKey(key);
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"VarnookBareWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Bare window", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 640, 600, nullptr, nullptr, instance, nullptr);
    for (HWND& tree : gTrees)
        tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                   TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS,
                               0, 0, 10, 10, window, nullptr, instance, nullptr);
    Fill(gTrees[0], HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment");
    Fill(gTrees[1], HKEY_CURRENT_USER, L"Environment");
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
