#include "app/MessageBoxWindow.h"

#include "core/Translate.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace varnook {

using platform::U16;
using platform::W;

namespace {

// The layout in pixels at 96 dots per inch; scaled to the window's DPI when placed.
constexpr int kClientWidth = 340;
constexpr int kClientHeight = 130;
constexpr RECT kFrame{8, 8, 332, 89};
constexpr RECT kIconArea{16, 14, 62, 83}; // 46 x 69
constexpr RECT kTextArea{66, 14, 324, 83}; // 258 x 69
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
constexpr int kButtonRight = 332;
constexpr int kButtonTop = 97;

// The same rules the text control draws with, so that the measured height is the drawn one.
constexpr UINT kTextFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;

struct BoxState {
    const TMessageBoxSetup* setup = nullptr;
    platform::unique_hicon ownedIcon; // a DPI-sized copy; the shared fallback is not ours to free
    std::u16string text;
};

std::u16string WindowText(HWND hwnd)
{
    std::vector<wchar_t> buffer(GetWindowTextLengthW(hwnd) + 1);
    int n = GetWindowTextW(hwnd, buffer.data(), static_cast<int>(buffer.size()));
    return U16(buffer.data(), n);
}

bool IsButton(HWND hwnd)
{
    wchar_t cls[16]{};
    GetClassNameW(hwnd, cls, ARRAYSIZE(cls));
    return lstrcmpiW(cls, L"Button") == 0;
}

std::vector<HWND> Buttons(HWND dlg)
{
    std::vector<HWND> buttons;
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsButton(child))
            buttons.push_back(child);
    return buttons;
}

void SetIcon(HWND dlg, BoxState& state, UINT dpi)
{
    HWND iconControl = GetDlgItem(dlg, IDC_MSG_ICON);
    if (!state.setup->icon) {
        ShowWindow(iconControl, SW_HIDE);
        return;
    }
    const int cx = GetSystemMetricsForDpi(SM_CXICON, dpi);
    const int cy = GetSystemMetricsForDpi(SM_CYICON, dpi);
    // The system icon drawn for this DPI when the common controls can scale it (their import
    // library lacks the function, so it is looked up); otherwise the shared one of the system size.
    using LoadScaled = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto loadScaled = reinterpret_cast<LoadScaled>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"comctl32.dll"), "LoadIconWithScaleDown")));
    platform::unique_hicon sized;
    HICON icon = nullptr;
    if (loadScaled && SUCCEEDED(loadScaled(nullptr, state.setup->icon, cx, cy, sized.put())))
        icon = sized.get();
    else
        icon = LoadIconW(nullptr, state.setup->icon);
    SendMessageW(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    // Only now that the control shows the new icon may the old one go.
    state.ownedIcon = std::move(sized);
}

RECT WorkAreaNear(HWND hwnd)
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY);
    if (!GetMonitorInfoW(monitor, &info))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info.rcWork;
}

// Places every control for the DPI and sizes the box; centred over the main window (the
// owner chain's root) when that is on screen, otherwise on the work area.
void Layout(HWND dlg, BoxState& state, UINT dpi)
{
    auto px = [dpi](int v) { return MulDiv(v, static_cast<int>(dpi), 96); };
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE));
    HWND owner = GetWindow(dlg, GW_OWNER);
    HWND main = owner ? GetAncestor(owner, GA_ROOTOWNER) : nullptr;
    const RECT work = WorkAreaNear(main ? main : dlg);

    RECT frameSize{0, 0, px(kClientWidth), px(kClientHeight)};
    AdjustWindowRectExForDpi(&frameSize, style, FALSE, exStyle, dpi);
    const int windowWidth = frameSize.right - frameSize.left;
    const int baseWindowHeight = frameSize.bottom - frameSize.top;

    // A message taller than its area makes the box taller rather than being cut off.
    HWND textControl = GetDlgItem(dlg, IDC_MSG_TEXT);
    RECT measured{0, 0, px(kTextArea.right - kTextArea.left), 0};
    {
        HDC dc = GetDC(textControl);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0)));
        DrawTextW(dc, W(state.text), -1, &measured, kTextFormat | DT_CALCRECT);
        SelectObject(dc, old);
        ReleaseDC(textControl, dc);
    }
    const int areaHeight = px(kTextArea.bottom - kTextArea.top);
    const int maxGrow = std::max(0, static_cast<int>(work.bottom - work.top) - baseWindowHeight);
    const int grow = std::clamp(static_cast<int>(measured.bottom) - areaHeight, 0, maxGrow);
    const int textHeight = std::min<int>(measured.bottom, areaHeight + grow);

    MoveWindow(GetDlgItem(dlg, IDC_MSG_FRAME), px(kFrame.left), px(kFrame.top), px(kFrame.right - kFrame.left),
               px(kFrame.bottom - kFrame.top) + grow, FALSE);
    MoveWindow(GetDlgItem(dlg, IDC_MSG_ICON), px(kIconArea.left), px(kIconArea.top),
               px(kIconArea.right - kIconArea.left), px(kIconArea.bottom - kIconArea.top) + grow, FALSE);
    MoveWindow(textControl, px(kTextArea.left), px(kTextArea.top) + (areaHeight + grow - textHeight) / 2,
               px(kTextArea.right - kTextArea.left), textHeight, FALSE);
    std::vector<HWND> buttons = Buttons(dlg);
    int x = kButtonRight - static_cast<int>(buttons.size()) * (kButtonWidth + kButtonGap) + kButtonGap;
    for (HWND button : buttons) {
        MoveWindow(button, px(x), px(kButtonTop) + grow, px(kButtonWidth), px(kButtonHeight), FALSE);
        x += kButtonWidth + kButtonGap;
    }
    SetIcon(dlg, state, dpi);

    const int windowHeight = baseWindowHeight + grow;
    RECT over = work;
    if (main && IsWindowVisible(main) && !IsIconic(main))
        GetWindowRect(main, &over);
    int left = over.left + ((over.right - over.left) - windowWidth) / 2;
    int top = over.top + ((over.bottom - over.top) - windowHeight) / 2;
    left = std::clamp<int>(left, work.left, std::max<int>(work.left, work.right - windowWidth));
    top = std::clamp<int>(top, work.top, std::max<int>(work.top, work.bottom - windowHeight));
    SetWindowPos(dlg, nullptr, left, top, windowWidth, windowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(dlg, nullptr, TRUE);
}

void Init(HWND dlg, BoxState& state)
{
    const TMessageBoxSetup& setup = *state.setup;
    SetWindowTextW(dlg, W(setup.caption ? *setup.caption : gettext(WindowText(dlg))));
    for (HWND button : Buttons(dlg))
        SetWindowTextW(button, W(gettext(WindowText(button))));
    state.text = std::u16string(setup.text);
    SetDlgItemTextW(dlg, IDC_MSG_TEXT, W(state.text));
    Layout(dlg, state, GetDpiForWindow(dlg));
    HWND focus = GetDlgItem(dlg, setup.focusId);
    SendMessageW(dlg, DM_SETDEFID, setup.focusId, 0);
    SendMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
}

INT_PTR CALLBACK BoxProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    // A failure must not cross into the dialog manager; the box then answers Cancel, which no
    // caller takes as consent.
    try {
        switch (message) {
        case WM_INITDIALOG:
            state = reinterpret_cast<BoxState*>(lParam);
            SetWindowLongPtrW(dlg, DWLP_USER, lParam);
            Init(dlg, *state);
            return FALSE; // the focus is set
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDCANCEL: // Esc, or the Cancel button of the three-way box
                EndDialog(dlg, state->setup->escResult);
                return TRUE;
            case IDOK:
            case IDYES:
            case IDNO:
                EndDialog(dlg, LOWORD(wParam));
                return TRUE;
            }
            break;
        case WM_CLOSE: // the frame's close button, Alt+F4, the system menu
            EndDialog(dlg, mrCancel);
            return TRUE;
        case WM_DPICHANGED:
            if (state)
                Layout(dlg, *state, HIWORD(wParam));
            return TRUE;
        }
    } catch (...) {
        EndDialog(dlg, mrCancel);
        return TRUE;
    }
    return FALSE;
}

} // namespace

TModalResult ShowMessageBox(const TMessageBoxSetup& setup)
{
    BoxState state;
    state.setup = &setup;
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(setup.templateId), GetActiveWindow(),
                                     BoxProc, reinterpret_cast<LPARAM>(&state));
    switch (result) {
    case mrOk:
    case mrCancel:
    case mrYes:
    case mrNo:
        return static_cast<TModalResult>(result);
    default: // the box could not be shown
        return mrCancel;
    }
}

std::u16string LoadResString(UINT id)
{
    const wchar_t* text = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return gettext(length > 0 ? U16(text, length) : std::u16string());
}

} // namespace varnook
