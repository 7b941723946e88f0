// What the main window shows as text: menu bar titles, toolbar hints, captions, status labels.
#pragma once

#include "app/MainWindow.h"

#include <commctrl.h>

#include <string>

namespace varnook::testing {

inline std::wstring MenuBarItem(HWND window, int index)
{
    wchar_t text[128]{};
    GetMenuStringW(GetMenu(window), index, text, 128, MF_BYPOSITION);
    return text;
}

inline std::wstring TextOf(HWND window)
{
    wchar_t text[256]{};
    GetWindowTextW(window, text, 256);
    return text;
}

// The main toolbar: the rebar's band 0.
inline HWND MainToolbar(TfrmMain& window)
{
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD;
    SendMessageW(window.Toolbars(), RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    return band.hwndChild;
}

// The button texts serve as the toolbar's hints.
inline std::wstring ToolbarText(HWND toolbar, TActionId id)
{
    wchar_t text[256]{};
    SendMessageW(toolbar, TB_GETBUTTONTEXTW, TfrmMain::kCommandBase + static_cast<unsigned>(id),
                 reinterpret_cast<LPARAM>(text));
    return text;
}

inline std::wstring StatusText(HWND statusBar, int part)
{
    wchar_t text[256]{};
    SendMessageW(statusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return text;
}

} // namespace varnook::testing
