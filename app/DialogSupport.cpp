#include "app/DialogSupport.h"

#include "core/Translate.h"
#include "platform/win32/WinString.h"

#include <algorithm>
#include <vector>

namespace varnook {

std::u16string WindowText(HWND window)
{
    std::vector<wchar_t> buffer(static_cast<size_t>(GetWindowTextLengthW(window)) + 1);
    const int n = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
    return platform::U16(buffer.data(), static_cast<size_t>(std::max(n, 0)));
}

void TranslateDialogTexts(HWND dialog)
{
    const std::u16string caption = WindowText(dialog);
    if (!caption.empty())
        SetWindowTextW(dialog, platform::W(gettext(caption)));
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[32]{};
        GetClassNameW(child, cls, ARRAYSIZE(cls));
        if (lstrcmpiW(cls, L"Button") != 0 && lstrcmpiW(cls, L"Static") != 0)
            continue; // an edit box's text is the user's
        const std::u16string text = WindowText(child);
        if (!text.empty())
            SetWindowTextW(child, platform::W(gettext(text)));
    }
}

void CentreOverMainWindow(HWND window)
{
    HWND owner = GetWindow(window, GW_OWNER);
    HWND main = owner ? GetAncestor(owner, GA_ROOTOWNER) : nullptr;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(MonitorFromWindow(main ? main : window, MONITOR_DEFAULTTOPRIMARY), &info))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    const RECT work = info.rcWork;
    RECT over = work;
    if (main && IsWindowVisible(main) && !IsIconic(main))
        GetWindowRect(main, &over);
    RECT self{};
    GetWindowRect(window, &self);
    const int width = self.right - self.left, height = self.bottom - self.top;
    int left = over.left + ((over.right - over.left) - width) / 2;
    int top = over.top + ((over.bottom - over.top) - height) / 2;
    left = std::clamp<int>(left, work.left, std::max<int>(work.left, work.right - width));
    top = std::clamp<int>(top, work.top, std::max<int>(work.top, work.bottom - height));
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

platform::unique_hicon LoadSmallIcon(int id, UINT dpi)
{
    const int size = MulDiv(16, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    return platform::unique_hicon(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
}

} // namespace varnook
