// Another program at the clipboard, for the tests of copy and paste:
//   clipboard_peer get          prints the clipboard's text as UTF-8 (exit 2 when it holds none)
//   clipboard_peer put TEXT     empties the clipboard and puts TEXT there as Unicode text
// Exit code 1 when the clipboard could not be opened.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool Open()
{
    for (int i = 0; i < 40; ++i) {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(25);
    }
    return false;
}

int Get()
{
    if (!Open())
        return 1;
    int rc = 2;
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(block))) {
            const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
            std::string utf8(size > 0 ? size - 1 : 0, '\0');
            if (size > 1)
                WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
            fwrite(utf8.data(), 1, utf8.size(), stdout);
            GlobalUnlock(block);
            rc = 0;
        }
    }
    CloseClipboard();
    return rc;
}

int Put(const wchar_t* text)
{
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block)
        return 1;
    std::memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    if (!Open()) {
        GlobalFree(block);
        return 1;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!set)
        GlobalFree(block);
    return set ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && wcscmp(argv[1], L"get") == 0)
        return Get();
    if (argc == 3 && wcscmp(argv[1], L"put") == 0)
        return Put(argv[2]);
    fputs("usage: clipboard_peer get | put TEXT\n", stderr);
    return 1;
}
