#include "app/HoverTip.h"

#include "app/TipText.h"
#include "app/Window.h"
#include "platform/win32/WinString.h"

#include <commctrl.h>

namespace varnook {

namespace {
constexpr UINT_PTR kSubclassId = 0x7469; // one of several subclasses of the same control
constexpr UINT_PTR kToolId = 1;
} // namespace

THoverTip::THoverTip(HWND control, TTextAt textAt, TFeed feed)
    : control_(control), feed_(feed), textAt_(std::move(textAt))
{
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0,
                           control, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (feed_ == TFeed::Subclass)
        SetWindowSubclass(control_, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    // Fed by the owner, the tip is handed the mouse messages rather than subclassing for them.
    info.uFlags = feed_ == TFeed::Subclass ? TTF_SUBCLASS : 0;
    info.hwnd = control_;
    info.uId = kToolId;
    // The whole control is one tool; its text changes with the spot under the pointer.
    info.rect = {0, 0, 0x3FFFFFFF, 0x3FFFFFFF};
    info.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    // Hints stay long enough to read a long value.
    SendMessageW(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
    UpdateDpi(WindowDpi(control_));
}

THoverTip::~THoverTip()
{
    // The control and the tip go with the main window when it is destroyed first.
    if (feed_ == TFeed::Subclass && IsWindow(control_))
        RemoveWindowSubclass(control_, Proc, kSubclassId);
    if (tip_ && IsWindow(tip_))
        DestroyWindow(tip_);
}

void THoverTip::UpdateDpi(UINT dpi)
{
    // Wide enough for a line of kLineLength characters; the lines are broken before.
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(800, dpi));
}

void THoverTip::Update(POINT client)
{
    uintptr_t spot = UINTPTR_MAX;
    const std::u16string text = textAt_ ? textAt_(client, spot) : std::u16string();
    const std::u16string wrapped = WrapForTip(text, kLineLength);
    const std::wstring shown(wrapped.begin(), wrapped.end());
    if (spot == spot_ && shown == shown_)
        return;
    spot_ = spot;
    shown_ = shown;
    // Another spot: the tip of the last one goes, and the new one comes after the usual delay.
    SendMessageW(tip_, TTM_POP, 0, 0);
}

bool THoverTip::OnOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_MOUSEMOVE:
        Update({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        if (feed_ == TFeed::ByOwner) {
            MSG msg{control_, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
            msg.pt.x = static_cast<short>(LOWORD(GetMessagePos()));
            msg.pt.y = static_cast<short>(HIWORD(GetMessagePos()));
            SendMessageW(tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
        }
        return false;
    case WM_MOUSELEAVE:
        spot_ = UINTPTR_MAX;
        return false;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == tip_ && header->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            info->lpszText = const_cast<wchar_t*>(shown_.c_str());
            info->szText[0] = 0;
            info->hinst = nullptr;
            result = 0;
            return true;
        }
        return false;
    }
    }
    return false;
}

LRESULT CALLBACK THoverTip::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    auto* self = reinterpret_cast<THoverTip*>(data);
    LRESULT result = 0;
    try {
        if (self->OnOwnerMessage(message, wParam, lParam, result))
            return result;
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace varnook
