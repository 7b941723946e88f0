#include "app/PaintBuffer.h"

#include "app/Window.h"

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

} // namespace varnook
