// Runs the main window's messages for a while, as the application's loop would, for tests that
// create the window in their own process.
#pragma once

#include "app/MainWindow.h"

#include <windows.h>

namespace varnook::testing {

inline void Pump(DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (MainWindow() && MainWindow()->PreTranslateMessage(msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (MainWindow())
            MainWindow()->UpdateActions();
        Sleep(10);
    } while (GetTickCount() < end);
}

} // namespace varnook::testing
