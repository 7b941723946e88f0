// Small pieces the option dialogs and the about box share.
#pragma once

#include "platform/win32/Handles.h"

#include <windows.h>

#include <string>

namespace varnook {

std::u16string WindowText(HWND window);
// The caption and every child's text, translated (access-key marks and all).
void TranslateDialogTexts(HWND dialog);
// Centres a window over the main window (the root of its owner chain) when that is on screen,
// otherwise on the work area, keeping it on the work area.
void CentreOverMainWindow(HWND window);
// An icon of the executable at the small-icon size of a DPI.
platform::unique_hicon LoadSmallIcon(int id, UINT dpi);

} // namespace varnook
