#include "app/Window.h"

#include "platform/win32/WinString.h"

#include <commctrl.h>

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace varnook {

TWindow::~TWindow()
{
    if (hwnd_) {
        // The object is going away: the window must not call back into it.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void TWindow::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon, HICON smallIcon)
{
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &wc))
        return;
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    RegisterClassExW(&wc);
}

HWND TWindow::CreateWindowFor(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                              int width, int height, HWND parent, HMENU menu)
{
    return CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                           GetModuleHandleW(nullptr), this);
}

LRESULT TWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultProc(message, wParam, lParam);
}

LRESULT TWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A window without frame, edge or scroll bars has no non-client area: there is nothing to
    // draw, and under Wine drawing nothing still asks the window server about the display.
    if (message == WM_NCPAINT) {
        constexpr LONG_PTR kFramed = WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_VSCROLL | WS_HSCROLL;
        constexpr LONG_PTR kEdged = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME;
        if (!(GetWindowLongPtrW(hwnd_, GWL_STYLE) & kFramed) && !(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & kEdged))
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK TWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        LRESULT result = self->OnMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
    } catch (...) {
        ReportUnhandledFailure();
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int ScaleForDpi(int pixels, UINT dpi)
{
    return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

bool PlaceChild(HWND child, int x, int y, int width, int height, bool repaint)
{
    RECT now;
    GetWindowRect(child, &now);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&now), 2);
    if (now.left == x && now.top == y && now.right - now.left == width && now.bottom - now.top == height)
        return false;
    MoveWindow(child, x, y, width, height, repaint);
    return true;
}

namespace {
// The procedures the controls had before SkipEmptyFramePaint; the interface thread's alone.
std::unordered_map<HWND, WNDPROC> gFramelessNext;

LRESULT CALLBACK FramelessProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto found = gFramelessNext.find(hwnd);
    if (found == gFramelessNext.end())
        return DefWindowProcW(hwnd, message, wParam, lParam);
    const WNDPROC next = found->second;
    if (message == WM_NCPAINT) {
        // The client area fills the window: there is no pixel outside it to paint.
        RECT window{}, client{};
        GetWindowRect(hwnd, &window);
        GetClientRect(hwnd, &client);
        if (window.right - window.left == client.right && window.bottom - window.top == client.bottom)
            return 0;
    }
    if (message == WM_NCDESTROY)
        gFramelessNext.erase(found);
    return CallWindowProcW(next, hwnd, message, wParam, lParam);
}

struct TSharedTooltip {
    HWND top = nullptr;
    HWND tooltip = nullptr;
    std::vector<HWND> relayed; // tools fed by the message loop
} gShared;

// Hints stay long enough to read.
void KeepHintsLonger(HWND tooltip)
{
    SendMessageW(tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
}
} // namespace

void SkipEmptyFramePaint(HWND control)
{
    if (!control || gFramelessNext.contains(control))
        return;
    const auto next = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FramelessProc)));
    if (next)
        gFramelessNext.emplace(control, next);
}

HWND SharedTooltip(HWND anyWindowOfTop)
{
    HWND top = GetAncestor(anyWindowOfTop, GA_ROOT);
    if (gShared.top != top || !IsWindow(gShared.tooltip)) {
        HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                       top, nullptr, GetModuleHandleW(nullptr), nullptr);
        KeepHintsLonger(tooltip);
        gShared = {top, tooltip, {}};
    }
    return gShared.tooltip;
}

void ShareTooltip(HWND anyWindowOfTop, HWND tooltip)
{
    // Hints also over a window that is not the active one, as the others always had.
    SetWindowLongPtrW(tooltip, GWL_STYLE, GetWindowLongPtrW(tooltip, GWL_STYLE) | TTS_ALWAYSTIP);
    KeepHintsLonger(tooltip);
    gShared = {GetAncestor(anyWindowOfTop, GA_ROOT), tooltip, {}};
}

void AddSharedTool(HWND owner, HWND control, const std::u16string& text)
{
    HWND tooltip = SharedTooltip(owner);
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = const_cast<wchar_t*>(platform::W(text));
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    RelayMouseToSharedTooltip(control);
}

void SetSharedToolText(HWND owner, UINT_PTR id, const std::u16string& text)
{
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.uId = id;
    info.lpszText = const_cast<wchar_t*>(platform::W(text));
    SendMessageW(SharedTooltip(owner), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void RemoveSharedTool(HWND owner, UINT_PTR id)
{
    if (!IsWindow(gShared.tooltip) || gShared.top != GetAncestor(owner, GA_ROOT))
        return;
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.uId = id;
    SendMessageW(gShared.tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void RelayMouseToSharedTooltip(HWND window)
{
    // Windows gone since leave the list here: a handle made anew is not a tool and the hint
    // window ignores what it is handed for it.
    std::erase_if(gShared.relayed, [](HWND h) { return !IsWindow(h); });
    gShared.relayed.push_back(window);
}

void RelayToSharedTooltip(const MSG& msg)
{
    if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST || !gShared.tooltip)
        return;
    if (std::find(gShared.relayed.begin(), gShared.relayed.end(), msg.hwnd) == gShared.relayed.end())
        return;
    MSG relayed = msg;
    SendMessageW(gShared.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

UINT WindowDpi(HWND hwnd)
{
    UINT dpi = hwnd ? GetDpiForWindow(hwnd) : 0;
    if (!dpi) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

} // namespace varnook
