#include "app/Window.h"

#include "platform/win32/WinString.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
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

namespace {
// Whether a window has pixels outside its client area (a frame, an edge, a scroll bar shown).
// Without, there is nothing to paint there, and under Wine painting nothing still asks the window
// server about the display.
bool HasNonClientArea(HWND hwnd)
{
    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    return window.right - window.left != client.right || window.bottom - window.top != client.bottom;
}
} // namespace

LRESULT TWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCPAINT && !HasNonClientArea(hwnd_))
        return 0;
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

bool RunningOnWine()
{
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
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
// A few dozen: the skinned windows and the controls without a frame.
std::vector<TFrontLink> gFrontLinks;

std::vector<TFrontLink>::iterator FindFrontLink(HWND window, WNDPROC front)
{
    return std::find_if(gFrontLinks.begin(), gFrontLinks.end(),
                        [&](const TFrontLink& l) { return l.window == window && l.front == front; });
}

LRESULT CALLBACK FramelessProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCPAINT && !HasNonClientArea(hwnd))
        return 0;
    return CallBehind(FrontLink(hwnd, &FramelessProc), message, wParam, lParam);
}

// A tool added before the hint window was made.
struct TWaitingTool {
    HWND owner;
    UINT_PTR id;
    UINT flags;
    RECT rect;
    std::u16string text;
};

struct TSharedTooltip {
    HWND top = nullptr;
    HWND tooltip = nullptr;
    HWND toolbar = nullptr;          // whose own hint window becomes the shared one
    std::vector<HWND> relayed;       // tools fed by the message loop
    std::vector<TWaitingTool> waiting;
} gShared;

// Hints stay long enough to read.
void KeepHintsLonger(HWND tooltip)
{
    SendMessageW(tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
}

// The shared hint window of the top window, if it was made.
HWND MadeTooltip(HWND anyWindowOfTop)
{
    if (!IsWindow(gShared.tooltip) || gShared.top != GetAncestor(anyWindowOfTop, GA_ROOT))
        return nullptr;
    return gShared.tooltip;
}

// Tools of another top window, or of one gone, are of no use any more.
void ForOtherTop(HWND top)
{
    if (gShared.top != top)
        gShared = {top, nullptr, nullptr, {}, {}};
}

TWaitingTool* Waiting(HWND owner, UINT_PTR id)
{
    for (auto& tool : gShared.waiting)
        if (tool.owner == owner && tool.id == id)
            return &tool;
    return nullptr;
}

void AddTool(HWND tooltip, const TWaitingTool& tool)
{
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = tool.flags;
    info.hwnd = tool.owner;
    info.uId = tool.id;
    info.rect = tool.rect;
    info.lpszText = const_cast<wchar_t*>(platform::W(tool.text));
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void AddOrWait(TWaitingTool tool)
{
    ForOtherTop(GetAncestor(tool.owner, GA_ROOT));
    if (HWND tooltip = MadeTooltip(tool.owner))
        AddTool(tooltip, tool);
    else if (TWaitingTool* known = Waiting(tool.owner, tool.id))
        *known = std::move(tool);
    else
        gShared.waiting.push_back(std::move(tool));
}
} // namespace

void PutInFront(HWND window, WNDPROC front, LONG_PTR data)
{
    if (const auto found = FindFrontLink(window, front); found != gFrontLinks.end()) {
        found->data = data;
        return;
    }
    if (!window || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
        return;
    if (const auto next =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(front))))
        gFrontLinks.push_back({window, front, next, data});
}

TFrontLink FrontLink(HWND window, WNDPROC front)
{
    const auto found = FindFrontLink(window, front);
    return found != gFrontLinks.end() ? *found : TFrontLink{window, front, nullptr, 0};
}

LRESULT CallBehind(const TFrontLink& link, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!link.next)
        return DefWindowProcW(link.window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        if (const auto found = FindFrontLink(link.window, link.front); found != gFrontLinks.end())
            gFrontLinks.erase(found);
    return CallWindowProcW(link.next, link.window, message, wParam, lParam);
}

void SkipEmptyFramePaint(HWND control)
{
    PutInFront(control, &FramelessProc);
}

HWND SharedTooltip(HWND anyWindowOfTop)
{
    HWND top = GetAncestor(anyWindowOfTop, GA_ROOT);
    if (HWND made = MadeTooltip(top))
        return made;
    ForOtherTop(top);
    // The toolbar tells of the hint window it makes (NM_TOOLTIPSCREATED), which then is shared.
    if (IsWindow(gShared.toolbar))
        if (HWND own = reinterpret_cast<HWND>(SendMessageW(gShared.toolbar, TB_GETTOOLTIPS, 0, 0)))
            if (!MadeTooltip(top))
                ShareTooltip(top, own);
    if (!MadeTooltip(top)) {
        HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                       top, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (tooltip)
            ShareTooltip(top, tooltip);
    }
    return gShared.tooltip;
}

void ShareToolbarTooltip(HWND toolbar)
{
    ForOtherTop(GetAncestor(toolbar, GA_ROOT));
    gShared.toolbar = toolbar;
}

void ShareTooltip(HWND anyWindowOfTop, HWND tooltip)
{
    ForOtherTop(GetAncestor(anyWindowOfTop, GA_ROOT));
    // Hints also over a window that is not the active one, as the others always had.
    SetWindowLongPtrW(tooltip, GWL_STYLE, GetWindowLongPtrW(tooltip, GWL_STYLE) | TTS_ALWAYSTIP);
    KeepHintsLonger(tooltip);
    gShared.tooltip = tooltip;
    for (const TWaitingTool& tool : std::exchange(gShared.waiting, {}))
        if (IsWindow(tool.owner))
            AddTool(tooltip, tool);
}

void AddSharedTool(HWND owner, HWND control, const std::u16string& text)
{
    AddOrWait({owner, reinterpret_cast<UINT_PTR>(control), TTF_IDISHWND, {}, text});
    RelayMouseToSharedTooltip(control);
}

void AddSharedRectTool(HWND owner, UINT_PTR id, const RECT& rect, const std::u16string& text)
{
    AddOrWait({owner, id, 0, rect, text});
}

void PlaceSharedTool(HWND owner, UINT_PTR id, const RECT& rect)
{
    if (HWND tooltip = MadeTooltip(owner)) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.hwnd = owner;
        info.uId = id;
        info.rect = rect;
        SendMessageW(tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
    } else if (TWaitingTool* tool = Waiting(owner, id)) {
        tool->rect = rect;
    }
}

void SetSharedToolText(HWND owner, UINT_PTR id, const std::u16string& text)
{
    if (HWND tooltip = MadeTooltip(owner)) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.hwnd = owner;
        info.uId = id;
        info.lpszText = const_cast<wchar_t*>(platform::W(text));
        SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    } else if (TWaitingTool* tool = Waiting(owner, id)) {
        tool->text = text;
    }
}

void RemoveSharedTool(HWND owner, UINT_PTR id)
{
    std::erase_if(gShared.waiting, [&](const TWaitingTool& tool) { return tool.owner == owner && tool.id == id; });
    HWND tooltip = MadeTooltip(owner);
    if (!tooltip)
        return;
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.uId = id;
    SendMessageW(tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void RelayMouseToSharedTooltip(HWND window)
{
    ForOtherTop(GetAncestor(window, GA_ROOT));
    // Windows gone since leave the list here: a handle made anew is not a tool and the hint
    // window ignores what it is handed for it.
    std::erase_if(gShared.relayed, [](HWND h) { return !IsWindow(h); });
    gShared.relayed.push_back(window);
}

void RelayToSharedTooltip(const MSG& msg)
{
    if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST)
        return;
    if (std::find(gShared.relayed.begin(), gShared.relayed.end(), msg.hwnd) == gShared.relayed.end())
        return;
    // The relayed windows are the current top window's: its hint window, once made, is the one.
    HWND tooltip = IsWindow(gShared.tooltip) ? gShared.tooltip : SharedTooltip(msg.hwnd);
    if (!tooltip)
        return;
    MSG relayed = msg;
    SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
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
