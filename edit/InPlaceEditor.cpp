#include "edit/InPlaceEditor.h"

#include "platform/win32/WinString.h"

#include <commctrl.h>

#include <algorithm>

namespace varnook {

namespace {
constexpr wchar_t kEditorProperty[] = L"VarnookInPlaceEditor";
constexpr UINT_PTR kEditSubclass = 1;
constexpr int kMinWidth = 30;
// The tree's text margin, on each side of the text.
constexpr int kTextMargin = 4;

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }
} // namespace

bool IsInPlaceEditor(HWND hwnd)
{
    return hwnd && GetPropW(hwnd, kEditorProperty) != nullptr;
}

bool IsCommandKeyWhileEditing(UINT key, bool ctrl, bool shift, bool alt)
{
    switch (key) {
    case VK_F1:
    case VK_F3:
    case VK_F5:
    case VK_F6:
    case VK_F7:
    case VK_F8:
        return !ctrl && !alt;
    case 'S': // save
    case 'Q': // exit
    case 'F': // find
    case 'H': // read-only variables
        return ctrl && !shift && !alt;
    default:
        return false;
    }
}

// ---- TETreeEdit

TETreeEdit::TETreeEdit(TETreeStringEditLink* link, HWND parent, HFONT font, UINT dpi, bool withContentAssist)
    : FLink(link), parent_(parent), font_(font), dpi_(dpi)
{
    hwnd_ = CreateWindowExW(0, L"EDIT", nullptr, WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 10, 10, parent, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetPropW(hwnd_, kEditorProperty, reinterpret_cast<HANDLE>(1));
    if (font)
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // No silent cut at the control's default 32,767 characters: a long value stays whole.
    SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
    SendMessageW(hwnd_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                 MAKELPARAM(ScaleForDpi(1, dpi), ScaleForDpi(1, dpi)));
    SetWindowSubclass(hwnd_, EditProc, kEditSubclass, reinterpret_cast<DWORD_PTR>(this));
    if (withContentAssist) {
        contentAssist_ = std::make_unique<TContentAssist>(this, hwnd_, font, dpi);
        contentAssist_->isSplitVariable = [this] {
            return FLink->Tree() && FLink->Node() && FLink->Tree()->IsVariableSplit(FLink->Node()->Parent());
        };
    }
}

TETreeEdit::~TETreeEdit()
{
    contentAssist_.reset();
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, EditProc, kEditSubclass);
        RemovePropW(hwnd_, kEditorProperty);
        DestroyWindow(hwnd_);
    }
}

std::u16string TETreeEdit::Text() const
{
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(hwnd_, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return platform::U16(text);
}

std::vector<std::u16string> TETreeEdit::GetVariablesStartedWith(std::u16string_view prefix)
{
    TETree* tree = FLink->Tree();
    return tree ? tree->GetVariablesStartedWith(prefix) : std::vector<std::u16string>();
}

std::vector<std::u16string> TETreeEdit::GetResolvedVariablesStartedWith(std::u16string_view prefix)
{
    TETree* tree = FLink->Tree();
    TETree* resolving = tree ? tree->GetResolvingTree() : nullptr;
    return resolving ? resolving->GetVariablesStartedWith(prefix) : std::vector<std::u16string>();
}

void TETreeEdit::UpdateContentAssist(bool explicitRequest)
{
    if (!contentAssist_ || FLink->Stopping() || !FLink->Node())
        return;
    DWORD caret = 0;
    SendMessageW(hwnd_, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    const TNode* variable = FLink->Node()->Parent();
    const bool expandable = TETree::GetVariableType(variable) == rdExpandString;
    const TAssistRequest request = DecideContentAssist(Text(), caret, expandable, explicitRequest);
    if (!request.open) {
        contentAssist_->Hide();
        return;
    }
    contentAssist_->Initialize(request.position, request.list);
    contentAssist_->UpdatePopup();
}

void TETreeEdit::AdjustWidth()
{
    RECT rc;
    GetWindowRect(hwnd_, &rc);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rc), 2);
    RECT client;
    GetClientRect(parent_, &client);
    const std::u16string text = Text();
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32W(dc, platform::W(text), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    // Margins on both sides, the border, and room for the caret after the last character.
    int width = size.cx + 2 * ScaleForDpi(kTextMargin, dpi_) + 2 * GetSystemMetrics(SM_CXBORDER) + ScaleForDpi(2, dpi_);
    width = std::max(width, ScaleForDpi(kMinWidth, dpi_));
    const int left = std::max<int>(rc.left, 0);
    width = std::min<int>(width, std::max<int>(client.right - left, ScaleForDpi(kMinWidth, dpi_)));
    const int oldWidth = rc.right - rc.left;
    if (width == oldWidth && left == rc.left)
        return;
    SetWindowPos(hwnd_, nullptr, left, rc.top, width, rc.bottom - rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // A character typed before the editor grew scrolled the text; now it fits, it shows from
    // its start again (the popup is placed from the characters' positions).
    DWORD start = 0, end = 0;
    SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    SendMessageW(hwnd_, EM_SETSEL, 0, 0);
    SendMessageW(hwnd_, EM_SETSEL, start, end);
    if (width < oldWidth) {
        // The row behind the part given up shows again.
        RECT behind{left + width, rc.top, rc.right, rc.bottom};
        InvalidateRect(parent_, &behind, TRUE);
    }
}

bool TETreeEdit::OnKeyDown(WPARAM key, LPARAM flags, LRESULT& result)
{
    const bool ctrl = KeyDown(VK_CONTROL), shift = KeyDown(VK_SHIFT), alt = KeyDown(VK_MENU);
    TContentAssist* ca = contentAssist_.get();
    const bool visible = ca && ca->IsVisible();
    result = 0;
    switch (key) {
    case VK_RETURN:
        swallowChar_ = true;
        if (visible && ca->GetSelectionIndex() >= 0) {
            ca->ProcessKeyEnter();
            AdjustWidth();
            return true;
        }
        FLink->EndEdit(TEditEnd::Key);
        return true;
    case VK_ESCAPE:
        swallowChar_ = true;
        if (visible)
            ca->Hide();
        FLink->CancelEdit();
        return true;
    case VK_TAB:
        swallowChar_ = true;
        if (!ca)
            FLink->EndEdit(TEditEnd::Tab);
        return true;
    case VK_UP:
        if (visible) {
            ca->ProcessKeyUp();
            return true;
        }
        // Up and Down move the caret, as Left and Right do.
        result = DefSubclassProc(hwnd_, WM_KEYDOWN, VK_LEFT, flags);
        return true;
    case VK_DOWN:
        if (visible) {
            ca->ProcessKeyDown();
            return true;
        }
        result = DefSubclassProc(hwnd_, WM_KEYDOWN, VK_RIGHT, flags);
        return true;
    case VK_SPACE:
        if (ctrl && !alt) {
            swallowChar_ = true;
            UpdateContentAssist(true);
            return true;
        }
        return false;
    case 'A':
        if (ctrl && !shift && !alt) {
            swallowChar_ = true;
            if (visible)
                ca->Hide();
            SendMessageW(hwnd_, EM_SETSEL, 0, -1);
            return true;
        }
        return false;
    default:
        if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU)
            return false;
        result = DefSubclassProc(hwnd_, WM_KEYDOWN, key, flags);
        // Keys that move the caret or delete (Left, Home, Delete, ...) refresh an open list;
        // typed characters come as WM_CHAR.
        if (visible)
            UpdateContentAssist(false);
        return true;
    }
}

bool TETreeEdit::OnChar(WPARAM c, LPARAM flags, LRESULT& result)
{
    result = 0;
    if (std::exchange(swallowChar_, false) || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x1B)
        return true;
    const bool wasVisible = contentAssist_ && contentAssist_->IsVisible();
    result = DefSubclassProc(hwnd_, WM_CHAR, c, flags);
    AdjustWidth();
    // A typed character updates the popup always; Backspace and the clipboard keys (control
    // characters) only while it shows, as the other editing keys do.
    if (c >= L' ' || wasVisible)
        UpdateContentAssist(false);
    return true;
}

LRESULT CALLBACK TETreeEdit::EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    auto* self = reinterpret_cast<TETreeEdit*>(data);
    LRESULT result = 0;
    try {
        switch (message) {
        case WM_GETDLGCODE:
            // Every key is the editor's: arrows, Tab, Enter and Escape included.
            return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB | DLGC_HASSETSEL;
        case WM_KEYDOWN:
            if (self->OnKeyDown(wParam, lParam, result))
                return result;
            break;
        case WM_CHAR:
            if (self->OnChar(wParam, lParam, result))
                return result;
            break;
        case WM_PASTE:
        case WM_CUT:
        case WM_CLEAR:
        case WM_UNDO:
        case EM_UNDO:
        case EM_REPLACESEL:
        case WM_SETTEXT:
            result = DefSubclassProc(hwnd, message, wParam, lParam);
            self->AdjustWidth();
            return result;
        case WM_KILLFOCUS:
            // Leaving the editor accepts it; the popup goes first.
            if (self->contentAssist_)
                self->contentAssist_->Hide();
            result = DefSubclassProc(hwnd, message, wParam, lParam);
            if (!self->FLink->Stopping())
                self->FLink->EndEdit(TEditEnd::FocusLost);
            return result;
        case WM_MOUSEWHEEL:
            return 0;
        }
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// ---- TETreeStringEditLink

TETreeStringEditLink::TETreeStringEditLink(THost host) : host_(std::move(host)) {}

TETreeStringEditLink::~TETreeStringEditLink()
{
    FStopping = true;
    FEdit.reset();
}

bool TETreeStringEditLink::PrepareEdit(TETree* tree, TNode* node, int column, HWND control, const RECT& textBounds,
                                       HFONT font, UINT dpi)
{
    if (!tree || !node)
        return false;
    FTree = tree;
    FNode = node;
    FColumn = column;
    FTextBounds = textBounds;
    const bool isVariable = TETree::IsVariable(node);
    // The row text of a variable while IsStartEditing is set is its name alone.
    tree->IsStartEditing = isVariable;
    original_ = tree->GetNodeAsText(node);
    tree->IsStartEditing = false;
    FEdit = std::make_unique<TETreeEdit>(this, control, font, dpi, !isVariable);
    SetWindowTextW(FEdit->Handle(), platform::W(original_));
    SetBounds(textBounds);
    return true;
}

bool TETreeStringEditLink::BeginEdit()
{
    if (FStopping || !FEdit)
        return false;
    HWND edit = FEdit->Handle();
    ShowWindow(edit, SW_SHOW);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
    if (original_.empty() && FEdit->ContentAssist()) {
        FEdit->ContentAssist()->Initialize(1, TContentAssistType::Hints);
        FEdit->ContentAssist()->UpdatePopup();
    }
    return true;
}

bool TETreeStringEditLink::EndEdit(TEditEnd how)
{
    if (FStopping || !FEdit)
        return true;
    FStopping = true;
    if (FEdit->ContentAssist())
        FEdit->ContentAssist()->Hide();
    const std::u16string text = FEdit->Text();
    try {
        if (text != original_ && host_.accept)
            host_.accept(FNode, text);
    } catch (...) {
        FStopping = false;
        throw;
    }
    if (how != TEditEnd::FocusLost)
        SetFocus(GetParent(FEdit->Handle()));
    ShowWindow(FEdit->Handle(), SW_HIDE);
    if (host_.ended)
        host_.ended(how);
    return true;
}

bool TETreeStringEditLink::CancelEdit()
{
    if (FStopping || !FEdit)
        return true;
    FStopping = true;
    if (FEdit->ContentAssist())
        FEdit->ContentAssist()->Hide();
    SetFocus(GetParent(FEdit->Handle()));
    ShowWindow(FEdit->Handle(), SW_HIDE);
    if (host_.cancel)
        host_.cancel(FNode);
    if (host_.ended)
        host_.ended(TEditEnd::Cancel);
    return true;
}

void TETreeStringEditLink::Discard()
{
    FStopping = true;
    if (FEdit && FEdit->ContentAssist())
        FEdit->ContentAssist()->Hide();
}

RECT TETreeStringEditLink::GetBounds() const
{
    RECT rc{};
    if (FEdit) {
        GetWindowRect(FEdit->Handle(), &rc);
        MapWindowPoints(nullptr, GetParent(FEdit->Handle()), reinterpret_cast<POINT*>(&rc), 2);
    }
    return rc;
}

void TETreeStringEditLink::SetBounds(const RECT& bounds)
{
    if (!FEdit)
        return;
    SetWindowPos(FEdit->Handle(), HWND_TOP, bounds.left, bounds.top, std::max<int>(bounds.right - bounds.left, 1),
                 bounds.bottom - bounds.top, SWP_NOACTIVATE);
    FEdit->AdjustWidth();
}

LRESULT TETreeStringEditLink::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return FEdit ? SendMessageW(FEdit->Handle(), message, wParam, lParam) : 0;
}

} // namespace varnook
