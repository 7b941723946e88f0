// Starts a program, waits for its main window and writes a picture of the whole window (frame
// included) as a 24-bit BMP. Used by tools/screenshot under a virtual display.
//   varnook_windowshot.exe OUTPUT.bmp WINDOWCLASS TIMEOUT_MS PROGRAM [ARGS...]
#include <windows.h>

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
