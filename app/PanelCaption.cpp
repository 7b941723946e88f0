#include "app/PanelCaption.h"
#include "app/Skins.h"

#include "core/Translate.h"
#include "platform/win32/WinString.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <map>
#include <string>
#include <utility>

namespace varnook {

namespace {
constexpr wchar_t kClassName[] = L"VarnookPanelCaption";
constexpr int kButtonIdBase = 100;
} // namespace

TPanelCaption::TPanelCaption(HWND parent, int iconId, std::u16string caption, std::vector<TButton> buttons)
    : dpi_(WindowDpi(parent)), iconId_(iconId), caption_(std::move(caption)), buttons_(std::move(buttons))
{
    RegisterWindowClass(kClassName, CS_HREDRAW | CS_VREDRAW, nullptr);
    // Made without a width: the buttons are placed once, when the panel lays it out.
    CreateWindowFor(0, kClassName, platform::W(caption_), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0,
                    HeightFor(dpi_), parent, nullptr);
    // A hidden button is made when first shown: every window made costs the start-up.
    buttonWindows_.resize(buttons_.size(), nullptr);
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i].visible)
            MakeButton(i);
    LoadIcons();
    Layout();
}

HWND TPanelCaption::MakeButton(size_t index)
{
    if (buttonWindows_[index])
        return buttonWindows_[index];
    const auto& b = buttons_[index];
    DWORD style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (b.visible ? WS_VISIBLE : 0);
    if (b.text.empty())
        style |= BS_ICON | BS_FLAT;
    const std::u16string text = gettext(b.text);
    HWND button = CreateWindowExW(0, WC_BUTTONW, platform::W(text), style, 0, 0, 10, 10, Handle(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonIdBase + index)),
                                  GetModuleHandleW(nullptr), nullptr);
    SkipEmptyFramePaint(button);
    if (font_)
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (b.shield)
        SendMessageW(button, BCM_SETSHIELD, 0, TRUE);
    if (!b.hint.empty())
        AddSharedTool(Handle(), button, gettext(b.hint));
    buttonWindows_[index] = button;
    SkinWindow(button);
    return button;
}

TPanelCaption::~TPanelCaption()
{
    // The hint window goes with the top window; only this caption's tools leave it.
    for (size_t i = 0; i < buttons_.size() && i < buttonWindows_.size(); ++i)
        if (!buttons_[i].hint.empty() && buttonWindows_[i])
            RemoveSharedTool(Handle(), reinterpret_cast<UINT_PTR>(buttonWindows_[i]));
}

int TPanelCaption::HeightFor(UINT dpi)
{
    return ScaleForDpi(24, dpi);
}

namespace {
// The buttons' icons, one per image and size for every caption: the panels show the same ones,
// and under Wine loading an icon, and a button's copy of it, each ask the window server.
HICON ButtonIcon(const wchar_t* name, int size)
{
    static std::map<std::pair<std::wstring, int>, platform::unique_hicon> loaded;
    const std::wstring key = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<UINT_PTR>(name)) : name;
    auto& icon = loaded[{key, size}];
    if (!icon)
        icon.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, 0)));
    return icon.get();
}
} // namespace

void TPanelCaption::LoadIcons()
{
    const int size = ScaleForDpi(16, dpi_);
    icon_.reset(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId_), IMAGE_ICON, size, size, 0)));
    buttonIconDpi_.resize(buttons_.size(), 0);
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i].visible && buttonWindows_[i])
            SetButtonIcon(i);
}

void TPanelCaption::SetButtonIcon(size_t index)
{
    const auto& b = buttons_[index];
    // The shield is the program's own toolbar image, drawn the same on every system, not only
    // where the button control knows how to draw one.
    const wchar_t* name = b.shield ? L"_ICO_SHIELD" : b.iconId ? MAKEINTRESOURCEW(b.iconId) : nullptr;
    if (!name || buttonIconDpi_[index] == dpi_)
        return;
    if (HICON icon = ButtonIcon(name, ScaleForDpi(16, dpi_))) {
        SendMessageW(buttonWindows_[index], BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
        buttonIconDpi_[index] = dpi_;
    }
}

void TPanelCaption::SetFont(HFONT font, HFONT boldFont)
{
    font_ = font;
    boldFont_ = boldFont;
    for (HWND b : buttonWindows_)
        if (b)
            SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Layout();
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TPanelCaption::UpdateDpi(UINT dpi)
{
    // The icons are loaded at the scale's size: the panel that creates the caption tells it its
    // scale again at once, and loading them twice is a good part of its start-up under Wine.
    const bool rescaled = dpi != dpi_ || !icon_;
    dpi_ = dpi;
    if (rescaled)
        LoadIcons();
    Layout();
}

void TPanelCaption::SetCaption(std::u16string caption)
{
    caption_ = std::move(caption);
    SetWindowTextW(Handle(), platform::W(gettext(caption_)));
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TPanelCaption::Retranslate()
{
    for (size_t i = 0; i < buttons_.size() && i < buttonWindows_.size(); ++i) {
        const auto& b = buttons_[i];
        if (!buttonWindows_[i])
            continue; // made later in the language then in use
        if (!b.text.empty())
            SetWindowTextW(buttonWindows_[i], platform::W(gettext(b.text)));
        if (!b.hint.empty())
            SetSharedToolText(Handle(), reinterpret_cast<UINT_PTR>(buttonWindows_[i]), gettext(b.hint));
    }
    // The window's own text is what it shows, for screen readers and tests alike.
    SetWindowTextW(Handle(), platform::W(gettext(caption_)));
    Layout();
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TPanelCaption::SetButtonVisible(size_t index, bool visible)
{
    buttons_[index].visible = visible;
    if (!buttonWindows_[index] && !visible)
        return;
    MakeButton(index);
    if (visible)
        SetButtonIcon(index);
    ShowWindow(buttonWindows_[index], visible ? SW_SHOW : SW_HIDE);
    Layout();
}

bool TPanelCaption::ButtonVisible(size_t index) const
{
    return buttonWindows_[index] && IsWindowVisible(buttonWindows_[index]);
}

HWND TPanelCaption::Button(size_t index)
{
    return MakeButton(index);
}

void TPanelCaption::Layout()
{
    // WM_SIZE arrives while the title bar is created, before its buttons exist.
    if (buttonWindows_.size() != buttons_.size())
        return;
    RECT rc;
    GetClientRect(Handle(), &rc);
    if (rc.right <= 0)
        return;
    const int height = rc.bottom - rc.top;
    const int square = height - ScaleForDpi(4, dpi_);
    const int gap = ScaleForDpi(2, dpi_);
    int right = rc.right - gap;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const auto& b = buttons_[i];
        if (!b.visible || !b.rightAligned || !buttonWindows_[i])
            continue;
        int width = square;
        if (!b.text.empty()) {
            HDC dc = GetDC(buttonWindows_[i]);
            HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
            const std::u16string text = gettext(b.text);
            SIZE extent{};
            GetTextExtentPoint32W(dc, platform::W(text), static_cast<int>(text.size()), &extent);
            SelectObject(dc, old);
            ReleaseDC(buttonWindows_[i], dc);
            width = extent.cx + ScaleForDpi(b.shield || b.iconId ? 36 : 16, dpi_);
        }
        right -= width;
        PlaceChild(buttonWindows_[i], right, (height - square) / 2, width, square);
        right -= gap;
    }
}

void TPanelCaption::Paint(HDC dc)
{
    RECT rc;
    GetClientRect(Handle(), &rc);
    // A flat title strip in the colours of an inactive caption, as docked tool panes have.
    FillRect(dc, &rc, SkinFaceBrush());
    RECT line = rc;
    line.top = line.bottom - 1;
    FillRect(dc, &line, SkinEdgeBrush());

    const int size = ScaleForDpi(16, dpi_);
    const int pad = ScaleForDpi(4, dpi_);
    if (icon_)
        DrawIconEx(dc, pad, (rc.bottom - size) / 2, icon_.get(), size, size, 0, nullptr, DI_NORMAL);
    RECT text = rc;
    text.left = pad + size + pad;
    for (size_t i = 0; i < buttons_.size() && i < buttonWindows_.size(); ++i) {
        if (buttons_[i].visible && buttonWindows_[i]) {
            RECT b;
            GetWindowRect(buttonWindows_[i], &b);
            MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&b), 2);
            text.right = std::min(text.right, b.left - pad);
        }
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SkinFaceTextColor());
    HGDIOBJ old = SelectObject(dc, boldFont_ ? boldFont_ : GetStockObject(DEFAULT_GUI_FONT));
    const std::u16string shown = gettext(caption_);
    DrawTextW(dc, platform::W(shown), static_cast<int>(shown.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, old);
}

LRESULT TPanelCaption::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        Paint(dc);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            const size_t index = LOWORD(wParam) - kButtonIdBase;
            if (index < buttons_.size() && buttons_[index].onClick)
                buttons_[index].onClick();
            return 0;
        }
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

} // namespace varnook
