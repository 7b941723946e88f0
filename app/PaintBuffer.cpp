#include "app/PaintBuffer.h"

#include "app/Window.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <memory>

namespace varnook {

void TPaintBuffer::Paint(HWND control, const std::function<void(HDC dc, bool offScreen)>& draw)
{
    RECT client;
    GetClientRect(control, &client);
    PAINTSTRUCT ps;
    HDC screen = BeginPaint(control, &ps);
    if (!screen)
        return;
    if (client.right <= 0 || client.bottom <= 0 || IsRectEmpty(&ps.rcPaint)) {
        EndPaint(control, &ps);
        return;
    }
    if (!dc_ || size_.cx < client.right || size_.cy < client.bottom) {
        if (dc_ && original_)
            SelectObject(dc_.get(), original_);
        original_ = nullptr;
        dc_.reset(CreateCompatibleDC(screen));
        // Top-down, 32 bits a pixel.
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!dc_ || !bitmap_) {
            dc_.reset();
            bitmap_.reset();
            size_ = {};
            draw(screen, false);
            EndPaint(control, &ps);
            return;
        }
        original_ = SelectObject(dc_.get(), bitmap_.get());
        size_ = {client.right, client.bottom};
    }
    HDC buffer = dc_.get();
    // What lies outside the update region is not copied: the control need not draw it.
    SelectClipRgn(buffer, nullptr);
    IntersectClipRect(buffer, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
    draw(buffer, true);
    BitBlt(screen, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, buffer, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    EndPaint(control, &ps);
}

namespace {
struct TBufferedControl {
    WNDPROC original;
    TPaintBuffer buffer;
};

LRESULT CALLBACK BufferedControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TBufferedControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    const WNDPROC original = self->original;
    switch (message) {
    case WM_PAINT:
        if (wParam)
            break;
        try {
            // The control's own background first: some controls draw it only when asked to erase.
            self->buffer.Paint(hwnd, [&](HDC dc, bool) {
                CallWindowProcW(original, hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
                CallWindowProcW(original, hwnd, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
            });
        } catch (const std::exception& failure) {
            ReportUnhandledFailure(failure);
        }
        return 0;
    case WM_ERASEBKGND:
        // Erased in the picture, with the rest.
        if (!reinterpret_cast<HDC>(wParam) || WindowFromDC(reinterpret_cast<HDC>(wParam)) == hwnd)
            return 1;
        break;
    case WM_NCDESTROY: {
        // A subclass put in front of this procedure later keeps its place.
        if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&BufferedControlProc))
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        std::unique_ptr<TBufferedControl> gone(self);
        return CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
    }
    return CallWindowProcW(original, hwnd, message, wParam, lParam);
}
} // namespace

void PaintThroughBuffer(HWND control)
{
    if (!control || GetWindowLongPtrW(control, GWLP_USERDATA))
        return;
    auto owner = std::make_unique<TBufferedControl>();
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner.get()));
    owner->original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BufferedControlProc)));
    owner.release();
}

namespace {

// One scroll bar in its resting look (or greyed), the parts in the order and places Wine's
// themed scroll bars have: the arrows, the track before the thumb, the thumb with its gripper
// where it fits, the track after it.
void DrawScrollBar(HTHEME theme, HDC dc, const RECT& bar, bool vertical, int arrow, int thumbPos, int thumbSize,
                   bool disabled)
{
    const int state = disabled ? SCRBS_DISABLED : SCRBS_NORMAL;
    const int start = vertical ? bar.top : bar.left;
    const int end = vertical ? bar.bottom : bar.right;
    // The part of the bar between two places along it.
    auto span = [&](int from, int to) {
        RECT part = bar;
        (vertical ? part.top : part.left) = from;
        (vertical ? part.bottom : part.right) = to;
        return part;
    };
    RECT part = span(start, start + arrow);
    DrawThemeBackground(theme, dc, SBP_ARROWBTN,
                        vertical ? (disabled ? ABS_UPDISABLED : ABS_UPNORMAL)
                                 : (disabled ? ABS_LEFTDISABLED : ABS_LEFTNORMAL),
                        &part, nullptr);
    part = span(end - arrow, end);
    DrawThemeBackground(theme, dc, SBP_ARROWBTN,
                        vertical ? (disabled ? ABS_DOWNDISABLED : ABS_DOWNNORMAL)
                                 : (disabled ? ABS_RIGHTDISABLED : ABS_RIGHTNORMAL),
                        &part, nullptr);
    if (thumbPos > 0) {
        part = span(start + arrow, start + thumbPos);
        DrawThemeBackground(theme, dc, vertical ? SBP_UPPERTRACKVERT : SBP_UPPERTRACKHORZ, state, &part, nullptr);
    }
    if (thumbSize > 0) {
        part = span(start + thumbPos, start + thumbPos + thumbSize);
        const int thumb = vertical ? SBP_THUMBBTNVERT : SBP_THUMBBTNHORZ;
        const int gripper = vertical ? SBP_GRIPPERVERT : SBP_GRIPPERHORZ;
        DrawThemeBackground(theme, dc, thumb, state, &part, nullptr);
        SIZE grip{};
        MARGINS margins{};
        if (SUCCEEDED(GetThemePartSize(theme, dc, gripper, state, nullptr, TS_DRAW, &grip)) &&
            SUCCEEDED(GetThemeMargins(theme, dc, thumb, state, TMT_CONTENTMARGINS, &part, &margins))) {
            const int room = vertical ? thumbSize - margins.cyTopHeight - margins.cyBottomHeight
                                      : thumbSize - margins.cxLeftWidth - margins.cxRightWidth;
            if ((vertical ? grip.cy : grip.cx) <= room)
                DrawThemeBackground(theme, dc, gripper, state, &part, nullptr);
        }
    }
    const int trackAfter = thumbSize > 0 ? start + thumbPos + thumbSize : start + arrow;
    if (end - arrow > trackAfter) {
        part = span(trackAfter, end - arrow);
        DrawThemeBackground(theme, dc, vertical ? SBP_LOWERTRACKVERT : SBP_LOWERTRACKHORZ, state, &part, nullptr);
    }
}

// The picture the frames are drawn into, kept for the next one.
struct TFrameBuffer {
    platform::unique_hbitmap bitmap;
    platform::unique_hdc dc; // after the bitmap: deleted first, it lets go of it
    HGDIOBJ original = nullptr;
    SIZE size{};

    HDC For(int width, int height)
    {
        if (dc && size.cx >= width && size.cy >= height)
            return dc.get();
        if (dc && original)
            SelectObject(dc.get(), original);
        original = nullptr;
        dc.reset(CreateCompatibleDC(nullptr));
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap.reset(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!dc || !bitmap) {
            dc.reset();
            bitmap.reset();
            size = {};
            return nullptr;
        }
        original = SelectObject(dc.get(), bitmap.get());
        size = {width, height};
        return dc.get();
    }
};

} // namespace

bool PaintFrameOffScreen(HWND control, HRGN region)
{
    if (!RunningOnWine() || !IsWindowVisible(control) || GetCapture() == control)
        return false;
    HTHEME theme = GetWindowTheme(control);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_EXSTYLE));
    if (!theme || (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) ||
        (exStyle & (WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_LEFTSCROLLBAR | WS_EX_LAYOUTRTL)))
        return false;
    RECT window;
    GetWindowRect(control, &window);
    RECT client;
    GetClientRect(control, &client);
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&client), 2);
    POINT cursor;
    if (GetCursorPos(&cursor) && PtInRect(&window, cursor) && !PtInRect(&client, cursor))
        return false;
    OffsetRect(&client, -window.left, -window.top);
    const int width = window.right - window.left, height = window.bottom - window.top;
    static TFrameBuffer buffer;
    HDC dc = width > 0 && height > 0 ? buffer.For(width, height) : nullptr;
    if (!dc)
        return false;

    // The client edge in the control's own theme, as the common controls draw it; inside it the
    // bars and the box between them.
    RECT inside{0, 0, width, height};
    SelectClipRgn(dc, nullptr);
    IntersectClipRect(dc, 0, 0, width, height);
    if (exStyle & WS_EX_CLIENTEDGE) {
        if (IsThemeBackgroundPartiallyTransparent(theme, 0, 0))
            DrawThemeParentBackground(control, dc, &inside);
        DrawThemeBackground(theme, dc, 0, 0, &inside, nullptr);
        InflateRect(&inside, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    }
    const bool disabled = !IsWindowEnabled(control);
    if (style & (WS_VSCROLL | WS_HSCROLL)) {
        // At the control's scale, as Wine opens it; the function is Wine's since 5.0, Windows' since
        // 10 (1703), and missing from older import libraries.
        using TOpenForDpi = HTHEME(WINAPI*)(HWND, LPCWSTR, UINT);
        static const auto openForDpi = reinterpret_cast<TOpenForDpi>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"uxtheme.dll"), "OpenThemeDataForDpi")));
        HTHEME bars = openForDpi ? openForDpi(nullptr, L"SCROLLBAR", GetDpiForWindow(control)) : nullptr;
        if (!bars)
            return false;
        for (const LONG id : {OBJID_VSCROLL, OBJID_HSCROLL}) {
            if (!(style & (id == OBJID_VSCROLL ? WS_VSCROLL : WS_HSCROLL)))
                continue;
            SCROLLBARINFO info{};
            info.cbSize = sizeof(info);
            if (!GetScrollBarInfo(control, id, &info) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE))
                continue;
            RECT bar = info.rcScrollBar;
            OffsetRect(&bar, -window.left, -window.top);
            // Wine's arrows are as long as a bar is wide, shorter on a bar too short for two of
            // them and a little room; its dxyLineButton holds the thumb's length, not the arrow's.
            const bool vertical = id == OBJID_VSCROLL;
            const int length = vertical ? bar.bottom - bar.top : bar.right - bar.left;
            const int across = GetSystemMetrics(SM_CXVSCROLL);
            constexpr int kLeastRoom = 4;
            const bool tooShort = length <= 2 * across + kLeastRoom;
            const int arrow = tooShort ? std::max(0, (length - kLeastRoom) / 2) : across;
            const int thumbSize = tooShort ? 0 : info.xyThumbBottom - info.xyThumbTop;
            DrawScrollBar(bars, dc, bar, vertical, arrow, info.xyThumbTop, thumbSize, disabled);
        }
        CloseThemeData(bars);
        if ((style & WS_VSCROLL) && (style & WS_HSCROLL)) {
            RECT box = inside;
            box.left = box.right - GetSystemMetrics(SM_CXVSCROLL) + 1;
            box.top = box.bottom - GetSystemMetrics(SM_CYHSCROLL) + 1;
            FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
        }
    }

    HDC screen = region && region != reinterpret_cast<HRGN>(1)
                     ? GetDCEx(control, region, DCX_WINDOW | DCX_INTERSECTRGN)
                     : GetWindowDC(control);
    if (!screen)
        return false;
    ExcludeClipRect(screen, client.left, client.top, client.right, client.bottom);
    BitBlt(screen, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    ReleaseDC(control, screen);
    return true;
}

bool OnFrameMessage(HWND control, WNDPROC original, UINT message, WPARAM wParam, bool& offScreen)
{
    switch (message) {
    case WM_NCPAINT:
        offScreen = PaintFrameOffScreen(control, reinterpret_cast<HRGN>(wParam));
        return offScreen;
    case WM_NCMOUSEMOVE:
        if (offScreen) {
            offScreen = false;
            CallWindowProcW(original, control, WM_NCPAINT, 1, 0);
        }
        return false;
    }
    return false;
}

namespace {
LRESULT CALLBACK FrameThroughBufferProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const TFrontLink link = FrontLink(hwnd, &FrameThroughBufferProc);
    if (link.next && (message == WM_NCPAINT || message == WM_NCMOUSEMOVE)) {
        bool offScreen = link.data != 0;
        const bool answered = OnFrameMessage(hwnd, link.next, message, wParam, offScreen);
        if (offScreen != (link.data != 0))
            PutInFront(hwnd, &FrameThroughBufferProc, offScreen);
        if (answered)
            return 0;
    }
    return CallBehind(link, message, wParam, lParam);
}
} // namespace

void PaintFrameThroughBuffer(HWND control)
{
    if (RunningOnWine())
        PutInFront(control, &FrameThroughBufferProc);
}

} // namespace varnook
