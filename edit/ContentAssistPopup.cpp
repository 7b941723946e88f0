#include "edit/ContentAssistPopup.h"

#include "app/Skins.h"
#include "platform/win32/WinString.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

namespace varnook {

namespace {

// Pixel sizes at 96 DPI.
constexpr int kWidth = 600;
constexpr int kRowHeight = 24;
constexpr int kRows = 5;
constexpr int kBelowCaret = 16;
constexpr COLORREF kFrameColor = RGB(128, 128, 128);
constexpr COLORREF kKeyColor = RGB(128, 0, 0);
// The main window sends it to every popup before it changes size or moves.
constexpr UINT kHidePopupMessage = WM_USER + 999;
constexpr UINT_PTR kListSubclass = 1;

} // namespace

// ---- TBorderedForm

TBorderedForm::TBorderedForm(TContentAssist* owner, HWND ownerWindow) : ca(owner)
{
    RegisterWindowClass(kClassName, CS_DROPSHADOW, GetSysColorBrush(COLOR_WINDOW));
    CreateWindowFor(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP | WS_CLIPCHILDREN, 0,
                    0, kWidth, kRowHeight * kRows, ownerWindow, nullptr);
    // Owner-data rows: the controller keeps them, so thousands of paths cost no strings here.
    listBox_ = CreateWindowExW(0, L"LISTBOX", nullptr,
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NODATA |
                                   LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                               1, 1, kWidth - 2, kRowHeight * kRows - 2, Handle(), nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    SetWindowSubclass(listBox_, ListProc, kListSubclass, reinterpret_cast<DWORD_PTR>(this));
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                               0, 0, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(listBox_);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 2000);
}

TBorderedForm::~TBorderedForm()
{
    if (listBox_)
        RemoveWindowSubclass(listBox_, ListProc, kListSubclass);
    if (tooltip_)
        DestroyWindow(tooltip_);
}

LRESULT CALLBACK TBorderedForm::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data)
{
    auto* self = reinterpret_cast<TBorderedForm*>(data);
    try {
        switch (message) {
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            // Handled here in full: the list's own handling would take the keyboard focus from
            // the editor, and losing the focus ends the edit.
            const LRESULT hit = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, lParam);
            if (self->ca && HIWORD(hit) == 0)
                self->ca->ClickedRow(LOWORD(hit));
            return 0;
        }
        case WM_MOUSEMOVE: {
            const LRESULT hit = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, lParam);
            if (self->ca)
                self->ca->MouseMovedTo(HIWORD(hit) == 0 ? LOWORD(hit) : -1);
            break;
        }
        case WM_SETFOCUS:
            // Should the list ever get the focus, it goes straight back to the editor.
            if (wParam)
                SetFocus(reinterpret_cast<HWND>(wParam));
            return 0;
        }
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT TBorderedForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT rc;
        GetClientRect(Handle(), &rc);
        platform::unique_hbrush frame(CreateSolidBrush(kFrameColor));
        FrameRect(dc, &rc, frame.get());
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_SIZE:
        MoveWindow(listBox_, 1, 1, std::max(0, LOWORD(lParam) - 2), std::max(0, HIWORD(lParam) - 2), TRUE);
        return 0;
    case WM_DRAWITEM:
        if (ca)
            ca->DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLORLISTBOX:
        // Below the last row: the background of the rows.
        SetDCBrushColor(reinterpret_cast<HDC>(wParam), SkinWindowColor());
        return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == TTN_GETDISPINFOW && ca) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
            info->lpszText = const_cast<wchar_t*>(platform::W(ca->RowText(ca->HoveredRow())));
            return 0;
        }
        break;
    }
    case kHidePopupMessage:
        if (ca)
            ca->Hide();
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}

// ---- TContentAssist

TContentAssist::TContentAssist(IVariablesGetter* getter, HWND editField, HFONT font, UINT dpi)
    : editField(editField), varGetter(getter), font_(font), dpi_(dpi)
{
    LOGFONTW lf{};
    if (font && GetObjectW(font, sizeof(lf), &lf)) {
        lf.lfWeight = FW_BOLD;
        boldFont_.reset(CreateFontIndirectW(&lf));
    }
    form = std::make_unique<TBorderedForm>(this, GetAncestor(editField, GA_ROOT));
    SetWindowPos(form->Handle(), nullptr, 0, 0, ScaleForDpi(kWidth, dpi_), ScaleForDpi(kRowHeight * kRows, dpi_),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(form->List(), LB_SETITEMHEIGHT, 0, ScaleForDpi(kRowHeight, dpi_));
    if (font)
        SendMessageW(form->List(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

TContentAssist::~TContentAssist()
{
    if (form)
        form->ca = nullptr;
}

void TContentAssist::Initialize(int position, TContentAssistType list)
{
    isVars = list;
    contentAssistPos = position;
    Place();
}

void TContentAssist::Place()
{
    // The caret put before the completion start, read without moving the real caret.
    const int length = GetWindowTextLengthW(editField);
    const int index = std::clamp(contentAssistPos - 1, 0, length);
    POINT at{-1, -1};
    if (index < length) {
        const LRESULT pos = SendMessageW(editField, EM_POSFROMCHAR, index, 0);
        if (pos != -1)
            at = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    } else if (length > 0) {
        // After the last character: its left edge plus its width.
        const LRESULT pos = SendMessageW(editField, EM_POSFROMCHAR, length - 1, 0);
        if (pos != -1) {
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            GetWindowTextW(editField, text.data(), length + 1);
            HDC dc = GetDC(editField);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(editField, WM_GETFONT, 0, 0)));
            SIZE size{};
            GetTextExtentPoint32W(dc, &text[static_cast<size_t>(length) - 1], 1, &size);
            SelectObject(dc, old);
            ReleaseDC(editField, dc);
            at = {static_cast<short>(LOWORD(pos)) + size.cx, static_cast<short>(HIWORD(pos))};
        }
    } else {
        const DWORD margins = static_cast<DWORD>(SendMessageW(editField, EM_GETMARGINS, 0, 0));
        at = {LOWORD(margins), 0};
    }
    if (at.x < 0)
        at = {0, 0}; // the editor's top-left corner
    ClientToScreen(editField, &at);
    const int width = ScaleForDpi(kWidth, dpi_), height = ScaleForDpi(kRowHeight * kRows, dpi_);
    int x = at.x, y = at.y + ScaleForDpi(kBelowCaret, dpi_);
    // Kept on the monitor: too far right it moves left, too low it opens above the editor.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        if (x + width > work.right)
            x = std::max<int>(work.left, work.right - width);
        if (y + height > work.bottom) {
            RECT editor;
            GetWindowRect(editField, &editor);
            y = std::max<int>(work.top, editor.top - height);
        }
    }
    SetWindowPos(form->Handle(), HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
}

void TContentAssist::UpdatePopup()
{
    const int length = GetWindowTextLengthW(editField);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(editField, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    DWORD caret = 0;
    SendMessageW(editField, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    std::u16string prefix;
    if (!AssistPrefix(platform::U16(text), contentAssistPos, caret, prefix)) {
        Hide();
        return;
    }
    rows_ = FillAssistRows(isVars, prefix, varGetter);
    if (rows_.empty()) {
        Hide();
        return;
    }
    HWND list = form->List();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_SETCOUNT, rows_.size(), 0);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    fOldIndex = -1;
    visible_ = true;
    ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
}

void TContentAssist::Hide()
{
    if (form) {
        ShowWindow(form->Handle(), SW_HIDE);
        SendMessageW(form->Tooltip(), TTM_POP, 0, 0);
    }
    visible_ = false;
    contentAssistPos = -1;
}

int TContentAssist::GetSelectionIndex() const
{
    if (!visible_)
        return -1;
    const LRESULT index = SendMessageW(form->List(), LB_GETCURSEL, 0, 0);
    return index == LB_ERR || index >= static_cast<LRESULT>(rows_.size()) ? -1 : static_cast<int>(index);
}

std::u16string TContentAssist::GetSelection() const
{
    const int index = GetSelectionIndex();
    return index < 0 ? std::u16string() : rows_[static_cast<size_t>(index)].text;
}

const std::u16string& TContentAssist::RowText(int row) const
{
    static const std::u16string none;
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)].text : none;
}

void TContentAssist::ProcessKeyUp()
{
    const int index = GetSelectionIndex();
    SendMessageW(form->List(), LB_SETCURSEL, index <= 0 ? 0 : index - 1, 0);
}

void TContentAssist::ProcessKeyDown()
{
    const int index = GetSelectionIndex();
    const int last = static_cast<int>(rows_.size()) - 1;
    SendMessageW(form->List(), LB_SETCURSEL, index < 0 ? 0 : std::min(index + 1, last), 0);
}

void TContentAssist::ProcessKeyEnter()
{
    const int index = GetSelectionIndex();
    if (index < 0)
        return;
    if (isVars == TContentAssistType::Hints) {
        // The keys run the main window's path commands, which end the edit themselves.
        PostMessageW(editField, WM_KEYDOWN, index == 0 ? VK_F7 : VK_F8, 1);
        Hide();
        return;
    }
    const int length = GetWindowTextLengthW(editField);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(editField, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    DWORD start = 0, end = 0;
    SendMessageW(editField, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const bool split = isSplitVariable ? isSplitVariable() : true;
    const TInsertion result = InsertCompletion(platform::U16(text), contentAssistPos, end,
                                               rows_[static_cast<size_t>(index)].text, isVars, split);
    Hide();
    SetWindowTextW(editField, platform::W(result.text));
    SendMessageW(editField, EM_SETSEL, result.caret, result.caret);
}

void TContentAssist::MouseMovedTo(int row)
{
    if (row == fOldIndex)
        return;
    // The hint of the former row is withdrawn; the new row's text is asked for afresh.
    fOldIndex = row;
    SendMessageW(form->Tooltip(), TTM_POP, 0, 0);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = form->Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(form->List());
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(form->Tooltip(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(form->Tooltip(), TTM_ACTIVATE, row >= 0, 0);
}

void TContentAssist::ClickedRow(int row)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    SendMessageW(form->List(), LB_SETCURSEL, row, 0);
    ProcessKeyEnter();
}

void TContentAssist::DrawRow(const DRAWITEMSTRUCT& item)
{
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= rows_.size())
        return;
    const TAssistRow& row = rows_[item.itemID];
    const bool selected = item.itemState & ODS_SELECTED;
    HDC dc = item.hDC;
    const RECT& rc = item.rcItem;
    SetDCBrushColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHT) : SkinWindowColor());
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    const COLORREF textColor = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : SkinTextColor();
    HGDIOBJ oldFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    const int y = rc.top + ScaleForDpi(6, dpi_);
    const std::wstring text(platform::W(row.text));
    switch (isVars) {
    case TContentAssistType::Path: {
        // An icon from the name alone: the file is never opened.
        SHFILEINFOW info{};
        const DWORD attributes = row.directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        if (SHGetFileInfoW(text.c_str(), attributes, &info, sizeof(info),
                           SHGFI_ICON | SHGFI_SMALLICON | SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES) &&
            info.hIcon) {
            const int size = ScaleForDpi(16, dpi_);
            DrawIconEx(dc, rc.left + ScaleForDpi(4, dpi_), rc.top + ScaleForDpi(4, dpi_), info.hIcon, size, size, 0,
                       nullptr, DI_NORMAL);
            DestroyIcon(info.hIcon);
        }
        SetTextColor(dc, textColor);
        TextOutW(dc, rc.left + ScaleForDpi(24, dpi_), y, text.c_str(), static_cast<int>(text.size()));
        break;
    }
    case TContentAssistType::Variable:
        SetTextColor(dc, textColor);
        TextOutW(dc, rc.left + ScaleForDpi(4, dpi_), y, text.c_str(), static_cast<int>(text.size()));
        break;
    case TContentAssistType::Hints: {
        const int keyLength = static_cast<int>(std::min<size_t>(2, text.size()));
        SelectObject(dc, boldFont_ ? boldFont_.get() : font_);
        SetTextColor(dc, selected ? textColor : SkinColor(kKeyColor, RGB(240, 120, 120)));
        TextOutW(dc, rc.left + ScaleForDpi(4, dpi_), y, text.c_str(), keyLength);
        SIZE key{};
        GetTextExtentPoint32W(dc, text.c_str(), keyLength, &key);
        SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
        SetTextColor(dc, textColor);
        if (text.size() > 2)
            TextOutW(dc, rc.left + ScaleForDpi(9, dpi_) + key.cx, y, text.c_str() + 2,
                     static_cast<int>(text.size() - 2));
        break;
    }
    }
    SelectObject(dc, oldFont);
}

} // namespace varnook
