#include "app/SelectorBox.h"

#include "app/Skins.h"
#include "app/Window.h"
#include "core/Translate.h"
#include "platform/win32/WinString.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

namespace varnook {

void TSelectorBox::Place(HWND strip, HWND label, int x, int width, int rows, std::u16string hint, HFONT font,
                         UINT dpi)
{
    strip_ = strip;
    label_ = label;
    // Made as high as it shows closed: the rows of its open list come from CB_SETMINVISIBLE, and a
    // taller box has its list (a top-level window) sized again and again while it is made.
    rect_ = {x, ScaleForDpi(1, dpi), x + width, ScaleForDpi(1, dpi) + ScaleForDpi(24, dpi)};
    rows_ = rows;
    hint_ = std::move(hint);
    font_ = font;
}

HWND TSelectorBox::Handle() const
{
    if (box_ || !strip_)
        return box_;
    box_ = CreateWindowExW(0, WC_COMBOBOXW, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                           rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, strip_, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    if (!box_)
        return nullptr;
    // Right after its label, as if made with it: the order of the strip's children is the order
    // Tab visits them in.
    SetWindowPos(box_, label_ ? label_ : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SkipEmptyFramePaint(box_);
    SendMessageW(box_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(box_, CB_SETMINVISIBLE, rows_, 0);
    for (const auto& item : items_)
        SendMessageW(box_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::W(item)));
    SendMessageW(box_, CB_SETCURSEL, static_cast<WPARAM>(selected_), 0);
    EnableWindow(box_, enabled_);
    AddSharedTool(strip_, box_, gettext(hint_));
    SkinWindow(box_);
    return box_;
}

void TSelectorBox::Clear()
{
    if (box_) {
        SendMessageW(box_, CB_RESETCONTENT, 0, 0);
        return;
    }
    items_.clear();
    selected_ = -1;
    Invalidate();
}

void TSelectorBox::Add(const std::u16string& text)
{
    if (box_)
        SendMessageW(box_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::W(text)));
    else
        items_.push_back(text);
}

void TSelectorBox::Select(int row)
{
    if (box_) {
        SendMessageW(box_, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
        return;
    }
    // As the control does: a row that is not there selects none.
    selected_ = row >= 0 && row < static_cast<int>(items_.size()) ? row : -1;
    Invalidate();
}

int TSelectorBox::Selected() const
{
    return box_ ? static_cast<int>(SendMessageW(box_, CB_GETCURSEL, 0, 0)) : selected_;
}

std::u16string TSelectorBox::SelectedText() const
{
    if (!box_)
        return selected_ >= 0 ? items_[static_cast<size_t>(selected_)] : std::u16string();
    std::wstring text(GetWindowTextLengthW(box_) + 1, L'\0');
    text.resize(GetWindowTextW(box_, text.data(), static_cast<int>(text.size())));
    return std::u16string(text.begin(), text.end());
}

void TSelectorBox::Enable(bool enabled)
{
    if (box_) {
        EnableWindow(box_, enabled);
        return;
    }
    enabled_ = enabled;
    Invalidate();
}

bool TSelectorBox::Enabled() const
{
    return box_ ? IsWindowEnabled(box_) != FALSE : enabled_;
}

void TSelectorBox::MoveTo(int x)
{
    const int width = Width();
    Invalidate();
    rect_.left = x;
    rect_.right = x + width;
    if (box_) {
        RECT r;
        GetWindowRect(box_, &r);
        MapWindowPoints(nullptr, strip_, reinterpret_cast<POINT*>(&r), 2);
        PlaceChild(box_, x, r.top, r.right - r.left, r.bottom - r.top);
    }
    Invalidate();
}

void TSelectorBox::Invalidate() const
{
    if (!box_ && strip_)
        InvalidateRect(strip_, &rect_, TRUE);
}

void TSelectorBox::PaintClosed(HDC dc) const
{
    if (box_ || !strip_)
        return;
    HGDIOBJ oldFont = SelectObject(dc, font_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // The closed list is as high as a row of its font with room around it, a border of two
    // pixels, and the button as wide as a scroll bar, as the control draws itself.
    RECT box = rect_;
    box.bottom = box.top + metrics.tmHeight + 8;
    RECT text{box.left + 2, box.top + 2, box.right - 2 - GetSystemMetrics(SM_CXVSCROLL), box.bottom - 2};
    RECT button{text.right, text.top, box.right - 2, text.bottom};
    if (HTHEME theme = OpenThemeData(strip_, L"COMBOBOX")) {
        const int state = enabled_ ? CBXS_NORMAL : CBXS_DISABLED;
        DrawThemeBackground(theme, dc, 0, state, &box, nullptr);
        DrawThemeBackground(theme, dc, CP_DROPDOWNBUTTON, state, &button, nullptr);
        CloseThemeData(theme);
    } else {
        RECT inside = box;
        DrawEdge(dc, &inside, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        FillRect(dc, &inside, GetSysColorBrush(enabled_ ? COLOR_WINDOW : COLOR_BTNFACE));
        DrawFrameControl(dc, &button, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (enabled_ ? 0 : DFCS_INACTIVE));
    }
    InflateRect(&text, -1, -1);
    SetTextColor(dc, GetSysColor(enabled_ ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    const std::u16string shown = SelectedText();
    ExtTextOutW(dc, text.left + 1, text.top + 1, ETO_OPAQUE | ETO_CLIPPED, &text, platform::W(shown),
                static_cast<UINT>(shown.size()), nullptr);
    SelectObject(dc, oldFont);
}

} // namespace varnook
