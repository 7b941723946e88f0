// Controls painted through an off-screen picture. The control draws into a DIB section and the
// screen gets the finished picture at once: no flicker, and under Wine none of the control's
// drawing (an image list's icons, a themed part) has to ask the window server about the display,
// as drawing onto the screen's DC does every time.
#pragma once

#include "platform/win32/Handles.h"

#include <windows.h>

#include <functional>

namespace varnook {

class TPaintBuffer {
public:
    // Answers a control's WM_PAINT. draw paints the whole client area into the DC it is given;
    // the update region then goes to the screen. Without memory for the picture, draw paints
    // straight onto the screen (offScreen false).
    void Paint(HWND control, const std::function<void(HDC dc, bool offScreen)>& draw);

private:
    platform::unique_hbitmap bitmap_;
    platform::unique_hdc dc_; // after the bitmap: deleted first, it lets go of it
    HGDIOBJ original_ = nullptr;
    SIZE size_{};
};

// Paints a common control through a buffer of its own from now on: its window procedure is
// replaced once (GWLP_USERDATA holds the buffer) and given the buffer's DC with WM_PAINT, which
// the common controls draw into.
void PaintThroughBuffer(HWND control);

} // namespace varnook
