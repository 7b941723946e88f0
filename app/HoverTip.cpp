#include "app/HoverTip.h"

#include "app/Skins.h"
#include "app/TipText.h"
#include "app/Window.h"
#include "platform/win32/WinString.h"

#include <commctrl.h>

#include <algorithm>

namespace varnook {

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPopTimer = 2;
// Hints stay long enough to read a long value.
constexpr UINT kPopDelay = 20000;
constexpr wchar_t kClassName[] = L"VarnookHoverHint";
constexpr int kMargin = 4;

void RegisterHintClass()
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DROPSHADOW | CS_SAVEBITS;
    wc.lpfnWndProc = DefWindowProcW; // replaced per window, with its THoverTip
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    registered = true;
}

} // namespace

THoverTip::THoverTip(HWND control, TTextAt textAt, TFeed feed)
    : control_(control), feed_(feed), textAt_(std::move(textAt))
{
    if (feed_ == TFeed::Subclass) {
        link_ = new TFeedLink{this, nullptr};
        SetWindowLongPtrW(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(link_));
        link_->original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&THoverTip::ControlProc)));
    }
    dpi_ = WindowDpi(control_);
}

bool THoverTip::MakeWindow()
{
    // Made when a hint is first due: most controls never show one, and a window of its own costs
    // the start-up of the program.
    if (tip_)
        return true;
    RegisterHintClass();
    // Owned by the top-level window so that it stays above it and goes with it; never activated.
    tip_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, nullptr,
                           WS_POPUP | WS_BORDER, 0, 0, 0, 0, GetAncestor(control_, GA_ROOT), nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    if (!tip_)
        return false;
    SetWindowLongPtrW(tip_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(tip_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HintProc));
    UpdateDpi(dpi_);
    return true;
}

THoverTip::~THoverTip()
{
    // The control and the tip go with the main window when it is destroyed first.
    if (link_) {
        if (GetWindowLongPtrW(control_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&THoverTip::ControlProc)) {
            SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(link_->original));
            SetWindowLongPtrW(control_, GWLP_USERDATA, 0);
            delete link_;
        } else {
            // Someone subclassed the control after us: the procedure stays, passing every
            // message on, until the control goes.
            link_->owner = nullptr;
        }
    }
    if (tip_ && IsWindow(tip_)) {
        SetWindowLongPtrW(tip_, GWLP_USERDATA, 0);
        DestroyWindow(tip_);
    }
    if (font_)
        DeleteObject(font_);
}

void THoverTip::UpdateDpi(UINT dpi)
{
    dpi_ = dpi ? dpi : 96;
    if (!tip_)
        return;
    // The font the system's own tips use, at the control's scale.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = metrics.lfStatusFont;
    const UINT systemDpi = GetDpiForSystem();
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi_), static_cast<int>(systemDpi ? systemDpi : 96));
    if (font_)
        DeleteObject(font_);
    font_ = CreateFontIndirectW(&font);
}

void THoverTip::Update(POINT client)
{
    uintptr_t spot = UINTPTR_MAX;
    const std::u16string text = textAt_ ? textAt_(client, spot) : std::u16string();
    const std::u16string wrapped = WrapForTip(text, kLineLength);
    const std::wstring shown(wrapped.begin(), wrapped.end());
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, control_, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    if (spot == spot_ && shown == shown_)
        return;
    spot_ = spot;
    shown_ = shown;
    // Another spot: the tip of the last one goes, and the new one comes after the usual delay.
    Hide();
    if (!shown_.empty() && MakeWindow())
        SetTimer(tip_, kShowTimer, GetDoubleClickTime(), nullptr);
}

void THoverTip::Hide()
{
    if (!tip_)
        return;
    KillTimer(tip_, kShowTimer);
    KillTimer(tip_, kPopTimer);
    if (IsWindowVisible(tip_))
        ShowWindow(tip_, SW_HIDE);
}

void THoverTip::ShowNow()
{
    if ((shown_.empty() && !tip_) || !MakeWindow())
        return;
    KillTimer(tip_, kShowTimer);
    POINT cursor;
    GetCursorPos(&cursor);
    if (shown_.empty())
        return;
    // Measured with line breaks where the text has them, at most as wide as the screen allows.
    HMONITOR monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{sizeof(info)};
    GetMonitorInfoW(monitor, &info);
    const RECT work = info.rcWork;
    const int margin = ScaleForDpi(kMargin, dpi_);
    const int border = GetSystemMetrics(SM_CXBORDER);
    HDC dc = GetDC(tip_);
    HGDIOBJ old = SelectObject(dc, font_);
    RECT text{0, 0, (work.right - work.left) - 2 * margin - 2 * border, 0};
    DrawTextW(dc, shown_.c_str(), static_cast<int>(shown_.size()), &text,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_EDITCONTROL);
    SelectObject(dc, old);
    ReleaseDC(tip_, dc);
    // A value too long for the screen shows as much as fits; the editor and Copy have it whole.
    const int width = std::min<int>(text.right + 2 * margin + 2 * border, work.right - work.left);
    const int height = std::min<int>(text.bottom + 2 * margin + 2 * border, work.bottom - work.top);
    // Below the pointer's arrow, or above it when there is no room below; always on the screen.
    const int below = cursor.y + ScaleForDpi(20, dpi_);
    int y = below + height <= work.bottom ? below : cursor.y - ScaleForDpi(4, dpi_) - height;
    y = std::clamp<int>(y, work.top, work.bottom - height);
    const int x = std::clamp<int>(cursor.x, work.left, work.right - width);
    SetWindowPos(tip_, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
    ShowWindow(tip_, SW_SHOWNOACTIVATE);
    InvalidateRect(tip_, nullptr, TRUE);
    SetTimer(tip_, kPopTimer, kPopDelay, nullptr);
}

void THoverTip::Paint(HDC dc)
{
    RECT rc;
    GetClientRect(tip_, &rc);
    SetDCBrushColor(dc, SkinTipColor());
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const int margin = ScaleForDpi(kMargin, dpi_);
    InflateRect(&rc, -margin, -margin);
    HGDIOBJ old = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SkinTipTextColor());
    DrawTextW(dc, shown_.c_str(), static_cast<int>(shown_.size()), &rc,
              DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_EDITCONTROL);
    SelectObject(dc, old);
}

LRESULT CALLBACK THoverTip::HintProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<THoverTip*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        switch (message) {
        case WM_TIMER:
            if (wParam == kShowTimer) {
                // Only while the pointer still rests on the control.
                POINT cursor;
                GetCursorPos(&cursor);
                if (WindowFromPoint(cursor) == self->control_)
                    self->ShowNow();
                else
                    self->Hide();
            } else if (wParam == kPopTimer) {
                self->Hide();
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            self->Paint(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_NCHITTEST:
            // The pointer passes through to what lies below.
            return HTTRANSPARENT;
        }
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool THoverTip::OnOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&)
{
    switch (message) {
    case WM_MOUSEMOVE:
        Update({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return false;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_KEYDOWN:
    case WM_KILLFOCUS:
        Hide();
        return false;
    case WM_MOUSELEAVE:
        tracking_ = false;
        spot_ = UINTPTR_MAX;
        shown_.clear();
        Hide();
        return false;
    }
    (void)wParam;
    return false;
}

LRESULT CALLBACK THoverTip::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* link = reinterpret_cast<TFeedLink*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!link)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    const WNDPROC original = link->original;
    if (message == WM_NCDESTROY) {
        if (link->owner)
            link->owner->link_ = nullptr;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete link;
        return CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
    if (link->owner) {
        LRESULT result = 0;
        try {
            if (link->owner->OnOwnerMessage(message, wParam, lParam, result))
                return result;
        } catch (const std::exception& failure) {
            ReportUnhandledFailure(failure);
        }
    }
    return CallWindowProcW(original, hwnd, message, wParam, lParam);
}

} // namespace varnook
