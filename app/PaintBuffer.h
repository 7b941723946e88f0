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

// Answers WM_NCPAINT of a themed control whose frame is at most a client edge, with the system's
// scroll bars: frame, bars and the box between them are drawn with the theme's images into an
// off-screen picture, part by part as Wine draws them, and the picture goes to the screen at
// once. Wine asks the display about itself for every image drawn onto a window's DC, which made
// the frame of a tree with both bars cost 8 to 12 ms, a third of that off-screen. Elsewhere, and
// while the mouse is over or holds a bar (whose look then changes), the system paints: false.
bool PaintFrameOffScreen(HWND control, HRGN region);

// For a control whose WM_NCPAINT and WM_NCMOUSEMOVE come here first (original: its procedure
// behind); true when the message was answered. offScreen tells whether the frame shown was
// painted off-screen. Wine shows a bar's hover look only on a bar it painted itself: when the
// mouse first comes to the frame after an off-screen paint, the system paints the frame again.
bool OnFrameMessage(HWND control, WNDPROC original, UINT message, WPARAM wParam, bool& offScreen);

// The same for a control of the system's: a procedure put in front of its own answers
// WM_NCPAINT and WM_NCMOUSEMOVE with OnFrameMessage.
void PaintFrameThroughBuffer(HWND control);

} // namespace varnook
