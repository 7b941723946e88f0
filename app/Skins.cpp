#include "app/Skins.h"

#include "app/Window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <string>
#include <vector>

namespace varnook {

namespace {

enum TSkin { skDefault, skClassic, skDark };
TSkin gSkin = skDefault;
HHOOK gDialogHook = nullptr;
// Some window was given a look other than the default one it is created with.
bool gSkinned = false;

constexpr COLORREF kDarkWindow = RGB(32, 32, 32);
constexpr COLORREF kDarkFace = RGB(45, 45, 48);
constexpr COLORREF kDarkText = RGB(230, 230, 230);
constexpr COLORREF kDarkGreyText = RGB(128, 128, 128);
constexpr COLORREF kDarkEdge = RGB(85, 85, 90);
constexpr COLORREF kDarkHot = RGB(62, 62, 66);
constexpr COLORREF kDarkPressed = RGB(0, 84, 153);
constexpr COLORREF kDarkMenu = RGB(43, 43, 43);
constexpr COLORREF kDarkMenuSelected = RGB(65, 65, 70);
constexpr COLORREF kDarkLink = RGB(110, 170, 255);
constexpr COLORREF kDarkTip = RGB(60, 60, 64);
constexpr wchar_t kOwnLook[] = L"VarnookOwnLook";
// The skin a hint was given, plus one.
constexpr wchar_t kTipSkin[] = L"VarnookTipSkin";

HBRUSH DarkFaceBrush()
{
    static HBRUSH brush = CreateSolidBrush(kDarkFace);
    return brush;
}

HBRUSH DarkWindowBrush()
{
    static HBRUSH brush = CreateSolidBrush(kDarkWindow);
    return brush;
}

bool IsClass(HWND window, const wchar_t* name);

HBRUSH DarkEdgeBrush()
{
    static HBRUSH brush = CreateSolidBrush(kDarkEdge);
    return brush;
}

HBRUSH DarkMenuBrush()
{
    static HBRUSH brush = CreateSolidBrush(kDarkMenu);
    return brush;
}

void Fill(HDC dc, const RECT& rc, COLORREF color)
{
    SetDCBrushColor(dc, color);
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Frame(HDC dc, const RECT& rc, COLORREF color)
{
    SetDCBrushColor(dc, color);
    FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

int Scale(int pixels, HWND window)
{
    const UINT dpi = GetDpiForWindow(window);
    return MulDiv(pixels, dpi ? static_cast<int>(dpi) : 96, 96);
}

// --- Toolbars and the rebar ------------------------------------------------------------------
// Toolbars draw their buttons' faces and hot frames in system colours whatever their custom
// colours say, so in the dark skin a button is drawn here in full, but for a button showing
// text: its owner draws the text on the face drawn here.

// parent: the link of the look's procedure with the toolbar's parent.
bool DrawToolbarItem(const TFrontLink& parent, NMTBCUSTOMDRAW* draw, LRESULT& result, WPARAM wParam, LPARAM lParam)
{
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        result = CDRF_NOTIFYITEMDRAW;
        return true;
    }
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT)
        return false;
    HWND bar = draw->nmcd.hdr.hwndFrom;
    HDC dc = draw->nmcd.hdc;
    const UINT state = draw->nmcd.uItemState;
    RECT rc = draw->nmcd.rc;
    const bool down = state & (CDIS_SELECTED | CDIS_CHECKED);
    Fill(dc, rc, down ? kDarkHot : (state & CDIS_HOT) ? kDarkHot : kDarkFace);
    if (down || (state & CDIS_HOT))
        Frame(dc, rc, down ? kDarkPressed : kDarkEdge);
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_IMAGE | TBIF_STYLE;
    SendMessageW(bar, TB_GETBUTTONINFOW, draw->nmcd.dwItemSpec, reinterpret_cast<LPARAM>(&info));
    if (info.fsStyle & BTNS_SHOWTEXT) {
        result = CallBehind(parent, WM_NOTIFY, wParam, lParam);
        return true;
    }
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETIMAGELIST, 0, 0));
    if (state & CDIS_DISABLED) {
        if (HIMAGELIST grey = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETDISABLEDIMAGELIST, 0, 0)))
            images = grey;
    }
    int cx = 0, cy = 0;
    if (images && info.iImage >= 0 && ImageList_GetIconSize(images, &cx, &cy)) {
        const int x = rc.left + (rc.right - rc.left - cx) / 2 + (down ? 1 : 0);
        const int y = rc.top + (rc.bottom - rc.top - cy) / 2 + (down ? 1 : 0);
        ImageList_Draw(images, info.iImage, dc, x, y, ILD_TRANSPARENT);
    }
    result = CDRF_SKIPDEFAULT;
    return true;
}

// The rebar's bands on the dark face, a thin line between them.
void EraseRebar(HWND rebar, HDC dc)
{
    RECT client;
    GetClientRect(rebar, &client);
    Fill(dc, client, kDarkFace);
    const int count = static_cast<int>(SendMessageW(rebar, RB_GETBANDCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT band{};
        if (!SendMessageW(rebar, RB_GETRECT, i, reinterpret_cast<LPARAM>(&band)))
            continue;
        Fill(dc, {band.left, band.bottom - 1, band.right, band.bottom}, kDarkEdge);
        if (band.right < client.right)
            Fill(dc, {band.right - 1, band.top, band.right, band.bottom}, kDarkEdge);
    }
}

// The grips the rebar draws in system colours at each band's start, drawn again in dark ones.
void PaintRebarGrips(HWND rebar)
{
    HDC dc = GetDC(rebar);
    const int count = static_cast<int>(SendMessageW(rebar, RB_GETBANDCOUNT, 0, 0));
    const int dot = std::max(1, Scale(2, rebar));
    for (int i = 0; i < count; ++i) {
        RECT band{}, borders{};
        if (!SendMessageW(rebar, RB_GETRECT, i, reinterpret_cast<LPARAM>(&band)))
            continue;
        SendMessageW(rebar, RB_GETBANDBORDERS, i, reinterpret_cast<LPARAM>(&borders));
        const RECT grip{band.left, band.top + 1, band.left + borders.left, band.bottom - 1};
        if (grip.right <= grip.left)
            continue;
        Fill(dc, grip, kDarkFace);
        const int x = grip.left + std::max<int>(1, (grip.right - grip.left) / 2 - dot);
        for (int y = grip.top + dot; y + dot <= grip.bottom - dot; y += dot * 2)
            Fill(dc, {x, y, x + dot, y + dot}, kDarkGreyText);
    }
    ReleaseDC(rebar, dc);
}

// A drop-down list's sunken frame and button, drawn again in dark colours over the system's.
void PaintComboFrame(HWND combo)
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (!GetComboBoxInfo(combo, &info) || (GetWindowLongPtrW(combo, GWL_STYLE) & 3) != CBS_DROPDOWNLIST)
        return;
    HDC dc = GetDC(combo);
    RECT client;
    GetClientRect(combo, &client);
    Frame(dc, client, kDarkEdge);
    RECT inner = client;
    // The system's frame is two pixels deep, with a light line inside it on some.
    for (int ring = 0; ring < 2; ++ring) {
        InflateRect(&inner, -1, -1);
        Frame(dc, inner, kDarkWindow);
    }
    RECT button = info.rcButton;
    if (button.right > button.left) {
        Fill(dc, button, IsWindowEnabled(combo) ? kDarkHot : kDarkFace);
        // A small triangle pointing down.
        const int half = std::max(2, Scale(4, combo));
        const int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2 - half / 2;
        for (int row = 0; row < half; ++row)
            Fill(dc, {cx - half + row, cy + row, cx + half - row, cy + row + 1},
                 IsWindowEnabled(combo) ? kDarkText : kDarkGreyText);
    }
    ReleaseDC(combo, dc);
}

// The sunken edge of an edit box, tree or list: light lines of the system's, drawn dark.
void PaintSunkenEdge(HWND window)
{
    RECT rc;
    GetWindowRect(window, &rc);
    OffsetRect(&rc, -rc.left, -rc.top);
    HDC dc = GetWindowDC(window);
    Frame(dc, rc, kDarkEdge);
    InflateRect(&rc, -1, -1);
    Frame(dc, rc, kDarkWindow);
    ReleaseDC(window, dc);
}

// --- Status bar and tab strips ---------------------------------------------------------------
// Both draw in system colours under visual styles; in the dark skin they are painted here from
// what they hold, so their texts, icons and tips stay theirs.

void PaintStatusBar(HWND bar, HDC dc)
{
    RECT client;
    GetClientRect(bar, &client);
    Fill(dc, client, kDarkFace);
    Fill(dc, {client.left, client.top, client.right, client.top + 1}, kDarkEdge);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kDarkText);
    const int parts = static_cast<int>(SendMessageW(bar, SB_GETPARTS, 0, 0));
    const int pad = Scale(3, bar);
    for (int i = 0; i < parts; ++i) {
        RECT rc{};
        SendMessageW(bar, SB_GETRECT, i, reinterpret_cast<LPARAM>(&rc));
        if (i + 1 < parts)
            Fill(dc, {rc.right, rc.top + pad, rc.right + 1, rc.bottom - pad}, kDarkEdge);
        int x = rc.left + pad;
        if (HICON icon = reinterpret_cast<HICON>(SendMessageW(bar, SB_GETICON, i, 0))) {
            ICONINFO info{};
            int size = GetSystemMetrics(SM_CXSMICON);
            if (GetIconInfo(icon, &info)) {
                BITMAP bitmap{};
                if (GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap))
                    size = bitmap.bmWidth;
                if (info.hbmColor)
                    DeleteObject(info.hbmColor);
                if (info.hbmMask)
                    DeleteObject(info.hbmMask);
            }
            DrawIconEx(dc, x, rc.top + (rc.bottom - rc.top - size) / 2, icon, size, size, 0, nullptr, DI_NORMAL);
            x += size + pad;
        }
        const LRESULT length = SendMessageW(bar, SB_GETTEXTLENGTHW, i, 0);
        if (HIWORD(length) & SBT_OWNERDRAW)
            continue;
        std::wstring text(LOWORD(length) + 1, L'\0');
        SendMessageW(bar, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(text.data()));
        RECT textRect{x, rc.top, rc.right - pad, rc.bottom};
        DrawTextW(dc, text.c_str(), -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    SelectObject(dc, oldFont);
    if ((GetWindowLongPtrW(bar, GWL_STYLE) & SBARS_SIZEGRIP) && !IsZoomed(GetAncestor(bar, GA_ROOT))) {
        // The grip: dots in a triangle, as the system draws it.
        const int dot = std::max(1, Scale(2, bar)), step = dot * 2;
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col <= row; ++col) {
                const int x = client.right - step * (col + 1) - 1, y = client.bottom - step * (3 - row) - 1;
                Fill(dc, {x, y + step - dot, x + dot, y + step}, kDarkGreyText);
            }
    }
}

void PaintTabs(HWND tabs, HDC dc)
{
    RECT client;
    GetClientRect(tabs, &client);
    Fill(dc, client, kDarkFace);
    const int count = TabCtrl_GetItemCount(tabs);
    const int selected = TabCtrl_GetCurSel(tabs);
    const bool ownerDraw = GetWindowLongPtrW(tabs, GWL_STYLE) & TCS_OWNERDRAWFIXED;
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tabs, WM_GETFONT, 0, 0)));
    int lineY = client.bottom - 1;
    for (int i = 0; i < count; ++i) {
        RECT rc{};
        TabCtrl_GetItemRect(tabs, i, &rc);
        lineY = std::min<int>(lineY, rc.bottom);
        if (i == selected)
            InflateRect(&rc, 2, 2);
        if (ownerDraw) {
            TCITEMW item{};
            item.mask = TCIF_PARAM;
            TabCtrl_GetItem(tabs, i, &item);
            DRAWITEMSTRUCT draw{};
            draw.CtlType = ODT_TAB;
            draw.CtlID = static_cast<UINT>(GetDlgCtrlID(tabs));
            draw.itemID = static_cast<UINT>(i);
            draw.itemAction = ODA_DRAWENTIRE;
            draw.itemState = i == selected ? ODS_SELECTED : 0;
            draw.hwndItem = tabs;
            draw.hDC = dc;
            draw.rcItem = rc;
            draw.itemData = static_cast<ULONG_PTR>(item.lParam);
            SendMessageW(GetParent(tabs), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
        } else {
            wchar_t text[128]{};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 128;
            TabCtrl_GetItem(tabs, i, &item);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, kDarkText);
            DrawTextW(dc, text, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        }
        // Left, top and right edges; the selected tab opens onto what it shows.
        Fill(dc, {rc.left, rc.top, rc.right, rc.top + 1}, kDarkEdge);
        Fill(dc, {rc.left, rc.top, rc.left + 1, rc.bottom}, kDarkEdge);
        Fill(dc, {rc.right - 1, rc.top, rc.right, rc.bottom}, kDarkEdge);
        if (i == selected)
            Fill(dc, {rc.left + 1, rc.top + 1, rc.right - 1, rc.top + 2}, kDarkPressed);
    }
    SelectObject(dc, oldFont);
    if (count > 0 && lineY < client.bottom)
        Fill(dc, {client.left, lineY, client.right, lineY + 1}, kDarkEdge);
}

LRESULT PaintInPlace(HWND window, WPARAM wParam, void (*paint)(HWND, HDC))
{
    if (wParam) {
        paint(window, reinterpret_cast<HDC>(wParam));
        return 0;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    paint(window, dc);
    EndPaint(window, &ps);
    return 0;
}

// --- Push buttons ----------------------------------------------------------------------------

// Buttons draw their faces in system colours; in the dark skin a push button is painted here,
// and painted again after whatever makes the control draw itself at once.

bool IsPushButton(HWND window)
{
    const LONG_PTR type = GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

void PaintPushButton(HWND button, HDC dc)
{
    RECT rc;
    GetClientRect(button, &rc);
    const LRESULT state = SendMessageW(button, BM_GETSTATE, 0, 0);
    const bool disabled = !IsWindowEnabled(button);
    const bool pressed = state & BST_PUSHED;
    const bool isDefault = (GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    const bool focused = GetFocus() == button;
    Fill(dc, rc, pressed ? kDarkPressed : RGB(55, 55, 60));
    Frame(dc, rc, (isDefault || focused) && !disabled ? RGB(0, 120, 215) : kDarkEdge);
    RECT inner = rc;
    const int length = GetWindowTextLengthW(button);
    if (HICON icon = reinterpret_cast<HICON>(SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0))) {
        const int size = Scale(16, button);
        int x = inner.left + (inner.right - inner.left - size) / 2;
        if (length > 0)
            x = inner.left + Scale(6, button);
        DrawIconEx(dc, x, inner.top + (inner.bottom - inner.top - size) / 2, icon, size, size, 0, nullptr, DI_NORMAL);
        if (length > 0)
            inner.left = x + size;
        else
            return;
    }
    if (length <= 0)
        return;
    std::wstring text(length + 1, L'\0');
    GetWindowTextW(button, text.data(), length + 1);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? kDarkGreyText : kDarkText);
    const bool noAccel = SendMessageW(button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL;
    DrawTextW(dc, text.c_str(), -1, &inner, DT_SINGLELINE | DT_VCENTER | DT_CENTER | (noAccel ? DT_HIDEPREFIX : 0));
    SelectObject(dc, old);
    if (focused && !noAccel) {
        RECT focus = rc;
        InflateRect(&focus, -Scale(3, button), -Scale(3, button));
        SetTextColor(dc, kDarkText);
        SetBkColor(dc, RGB(55, 55, 60));
        DrawFocusRect(dc, &focus);
    }
}

// A group box: its etched frame would be white and grey lines on the dark face.
bool IsGroupBox(HWND window)
{
    return (GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

void PaintGroupBox(HWND box, HDC dc)
{
    RECT rc;
    GetClientRect(box, &rc);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int length = GetWindowTextLengthW(box);
    std::wstring text(length + 1, L'\0');
    GetWindowTextW(box, text.data(), length + 1);
    text.resize(length);
    RECT frame = rc;
    frame.top += metrics.tmHeight / 2;
    Frame(dc, frame, kDarkEdge);
    if (!text.empty()) {
        const bool noAccel = SendMessageW(box, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL;
        RECT label{rc.left + Scale(8, box), rc.top, rc.right - Scale(8, box), rc.top + metrics.tmHeight};
        DrawTextW(dc, text.c_str(), length, &label, DT_SINGLELINE | DT_CALCRECT | (noAccel ? DT_HIDEPREFIX : 0));
        RECT back = label;
        InflateRect(&back, Scale(2, box), 0);
        Fill(dc, back, kDarkFace);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, IsWindowEnabled(box) ? kDarkText : kDarkGreyText);
        DrawTextW(dc, text.c_str(), length, &label, DT_SINGLELINE | (noAccel ? DT_HIDEPREFIX : 0));
    }
    SelectObject(dc, old);
}

// --- Menus -----------------------------------------------------------------------------------
// In the dark skin every item of the menu bar and its popups is drawn here: the item keeps its
// text (menu texts are read as before) and gets owner drawing with a record of where it sits.
// Items the window draws itself are left to it.

struct MenuRecord {
    HMENU menu = nullptr;
    UINT position = 0;
    bool bar = false;
};
std::vector<MenuRecord> gMenuRecords;
constexpr ULONG_PTR kMenuTag = static_cast<ULONG_PTR>(0x5B1EC0DEull << 32);
constexpr ULONG_PTR kMenuTagMask = static_cast<ULONG_PTR>(0xFFFFFFFFull << 32);

bool IsMenuTag(ULONG_PTR data)
{
    return (data & kMenuTagMask) == kMenuTag && (data & ~kMenuTagMask) < gMenuRecords.size();
}

const MenuRecord* RecordOf(ULONG_PTR data)
{
    return IsMenuTag(data) ? &gMenuRecords[data & ~kMenuTagMask] : nullptr;
}

ULONG_PTR TagFor(HMENU menu, UINT position, bool bar)
{
    for (size_t i = 0; i < gMenuRecords.size(); ++i)
        if (gMenuRecords[i].menu == menu && gMenuRecords[i].position == position) {
            gMenuRecords[i].bar = bar;
            return kMenuTag | i;
        }
    // The record of an item whose menu is gone is used again.
    size_t free = 0;
    while (free < gMenuRecords.size() && IsMenu(gMenuRecords[free].menu))
        ++free;
    if (free == gMenuRecords.size())
        gMenuRecords.push_back({});
    gMenuRecords[free] = {menu, position, bar};
    return kMenuTag | free;
}

void SkinMenu(HMENU menu, bool bar, bool deep)
{
    if (!menu || !IsMenu(menu))
        return;
    const bool dark = gSkin == skDark;
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = dark ? DarkMenuBrush() : nullptr;
    SetMenuInfo(menu, &info);
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item))
            continue;
        const bool ours = IsMenuTag(item.dwItemData);
        if (dark && (ours || !(item.fType & MFT_OWNERDRAW))) {
            item.fMask = MIIM_FTYPE | MIIM_DATA;
            item.fType |= MFT_OWNERDRAW;
            item.dwItemData = TagFor(menu, static_cast<UINT>(i), bar);
            SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        } else if (!dark && ours) {
            item.fMask = MIIM_FTYPE | MIIM_DATA;
            item.fType &= ~MFT_OWNERDRAW;
            item.dwItemData = 0;
            SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        }
        if (deep && item.hSubMenu)
            SkinMenu(item.hSubMenu, false, true);
    }
}

std::wstring MenuItemText(const MenuRecord& record, UINT& type, UINT& state, HMENU& submenu)
{
    wchar_t text[256]{};
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
    item.dwTypeData = text;
    item.cch = 256;
    if (!GetMenuItemInfoW(record.menu, record.position, TRUE, &item))
        return {};
    type = item.fType;
    state = item.fState;
    submenu = item.hSubMenu;
    return text;
}

HFONT MenuFont(HWND window)
{
    static HFONT font = nullptr;
    static UINT fontDpi = 0;
    const UINT dpi = GetDpiForWindow(window) ? GetDpiForWindow(window) : 96;
    if (!font || fontDpi != dpi) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        const UINT systemDpi = GetDpiForSystem();
        metrics.lfMenuFont.lfHeight =
            MulDiv(metrics.lfMenuFont.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi ? systemDpi : 96));
        if (font)
            DeleteObject(font);
        font = CreateFontIndirectW(&metrics.lfMenuFont);
        fontDpi = dpi;
    }
    return font;
}

SIZE TextExtent(HDC dc, const std::wstring& text)
{
    RECT rc{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_CALCRECT | DT_SINGLELINE);
    return {rc.right, rc.bottom};
}

void MeasureMenuItem(HWND window, MEASUREITEMSTRUCT* measure, const MenuRecord& record)
{
    UINT type = 0, state = 0;
    HMENU submenu = nullptr;
    const std::wstring text = MenuItemText(record, type, state, submenu);
    if (type & MFT_SEPARATOR) {
        measure->itemWidth = Scale(10, window);
        measure->itemHeight = Scale(7, window);
        return;
    }
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, MenuFont(window));
    const size_t tab = text.find(L'\t');
    const SIZE label = TextExtent(dc, text.substr(0, tab));
    const SIZE keys = tab == std::wstring::npos ? SIZE{0, 0} : TextExtent(dc, text.substr(tab + 1));
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    if (record.bar) {
        measure->itemWidth = label.cx + Scale(12, window);
        measure->itemHeight = GetSystemMetrics(SM_CYMENU);
        return;
    }
    measure->itemWidth = Scale(28, window) + label.cx + (keys.cx ? Scale(28, window) + keys.cx : 0) + Scale(20, window);
    measure->itemHeight = std::max<UINT>(label.cy + Scale(8, window), GetSystemMetrics(SM_CYMENUSIZE));
}

void DrawCheck(HDC dc, const RECT& box, COLORREF color, bool radio)
{
    const int w = box.right - box.left, h = box.bottom - box.top;
    const int unit = std::max(1, std::min(w, h) / 8);
    if (radio) {
        const int r = unit * 2;
        const int cx = box.left + w / 2, cy = box.top + h / 2;
        SetDCBrushColor(dc, color);
        SetDCPenColor(dc, color);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
        Ellipse(dc, cx - r, cy - r, cx + r + 1, cy + r + 1);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        return;
    }
    // A tick: a short stroke down to the right, then a long one up.
    HPEN pen = CreatePen(PS_SOLID, std::max(2, unit), color);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const int cx = box.left + w / 2, cy = box.top + h / 2;
    POINT points[] = {{cx - unit * 3, cy}, {cx - unit, cy + unit * 2}, {cx + unit * 3, cy - unit * 2}};
    Polyline(dc, points, 3);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void DrawMenuItem(HWND window, DRAWITEMSTRUCT* draw, const MenuRecord& record)
{
    UINT type = 0, state = 0;
    HMENU submenu = nullptr;
    const std::wstring text = MenuItemText(record, type, state, submenu);
    HDC dc = draw->hDC;
    RECT rc = draw->rcItem;
    const bool selected = draw->itemState & (ODS_SELECTED | ODS_HOTLIGHT);
    const bool grayed = draw->itemState & (ODS_GRAYED | ODS_DISABLED);
    const COLORREF back = selected && !(record.bar && grayed) ? kDarkMenuSelected : kDarkMenu;
    Fill(dc, rc, back);
    const COLORREF color = grayed ? kDarkGreyText : kDarkText;
    // What the system draws after this (a submenu's arrow) takes these colours.
    SetTextColor(dc, color);
    SetBkColor(dc, back);
    if (type & MFT_SEPARATOR) {
        const int y = (rc.top + rc.bottom) / 2;
        Fill(dc, {rc.left + Scale(4, window), y, rc.right - Scale(4, window), y + 1}, kDarkEdge);
        return;
    }
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, MenuFont(window));
    const UINT prefix = (draw->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    const size_t tab = text.find(L'\t');
    const std::wstring label = text.substr(0, tab);
    if (record.bar) {
        DrawTextW(dc, label.c_str(), -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_CENTER | prefix);
    } else {
        const int checkWidth = Scale(24, window);
        if (draw->itemState & ODS_CHECKED)
            DrawCheck(dc, {rc.left + Scale(4, window), rc.top, rc.left + checkWidth - Scale(4, window), rc.bottom}, color,
                      (type & MFT_RADIOCHECK) != 0);
        RECT labelRect{rc.left + checkWidth + Scale(4, window), rc.top, rc.right - Scale(20, window), rc.bottom};
        DrawTextW(dc, label.c_str(), -1, &labelRect, DT_SINGLELINE | DT_VCENTER | prefix);
        if (tab != std::wstring::npos) {
            const std::wstring keys = text.substr(tab + 1);
            DrawTextW(dc, keys.c_str(), -1, &labelRect, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
        }
    }
    SelectObject(dc, old);
}

// Under Wine the menu bar's empty end keeps the system colour whatever the menu's background
// says: painted over after the frame.
void PaintMenuBarEnd(HWND window)
{
    HMENU bar = GetMenu(window);
    if (!bar)
        return;
    MENUBARINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMenuBarInfo(window, OBJID_MENU, 0, &info))
        return;
    RECT windowRect;
    GetWindowRect(window, &windowRect);
    RECT whole = info.rcBar;
    OffsetRect(&whole, -windowRect.left, -windowRect.top);
    RECT area = info.rcBar;
    const int count = GetMenuItemCount(bar);
    RECT last{};
    if (count > 0 && GetMenuItemRect(window, bar, static_cast<UINT>(count - 1), &last))
        area.left = std::max(area.left, last.right);
    OffsetRect(&area, -windowRect.left, -windowRect.top);
    HDC dc = GetWindowDC(window);
    Fill(dc, area, kDarkMenu);
    // The light line the system draws under the bar belongs to it as well.
    Fill(dc, {whole.left, whole.bottom, whole.right, whole.bottom + 1}, kDarkMenu);
    ReleaseDC(window, dc);
}

bool IsClass(HWND window, const wchar_t* name)
{
    wchar_t cls[64]{};
    GetClassNameW(window, cls, 64);
    return lstrcmpiW(cls, name) == 0;
}

// Windows of the program's own classes and dialogs paint their background from the face colour.
bool PaintsFace(HWND window)
{
    wchar_t cls[64]{};
    GetClassNameW(window, cls, 64);
    return wcsncmp(cls, L"Varnook", 7) == 0 || wcsncmp(cls, L"Tfrm", 4) == 0 || lstrcmpW(cls, L"#32770") == 0;
}

// What a skinned window is, found once as it gets the look (the data of the look's link with
// it): the look asks on every message.
enum TKind : LONG_PTR { kOther, kFace, kToolbar, kRebar, kStatusBar, kTabs, kButton, kCombo, kTopLevel, kSunken };

TKind KindOf(HWND window)
{
    if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
        return kTopLevel; // a form or a dialog, perhaps with a menu bar
    if (PaintsFace(window))
        return kFace;
    if (IsClass(window, TOOLBARCLASSNAMEW))
        return kToolbar;
    if (IsClass(window, REBARCLASSNAMEW))
        return kRebar;
    if (IsClass(window, STATUSCLASSNAMEW))
        return kStatusBar;
    if (IsClass(window, WC_TABCONTROLW))
        return kTabs;
    if (IsClass(window, WC_BUTTONW))
        return kButton;
    if (IsClass(window, WC_COMBOBOXW))
        return kCombo;
    if (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
        return kSunken;
    return kOther;
}

void SkinTooltip(HWND tip);
void SkinOne(HWND window);

LRESULT CALLBACK SkinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const TFrontLink link = FrontLink(window, &SkinProc);
    const auto kind = static_cast<TKind>(link.data);
    switch (message) {
    case WM_INITDIALOG: {
        // A dialog gets the look once its controls exist and its own set-up ran, unless it
        // keeps a look of its own.
        const LRESULT result = CallBehind(link, message, wParam, lParam);
        if (gSkin != skDefault && IsWindow(window) && !GetPropW(window, kOwnLook))
            SkinWindow(window);
        return result;
    }
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == TTN_SHOW)
            SkinTooltip(reinterpret_cast<NMHDR*>(lParam)->hwndFrom);
        break;
    case WM_PARENTNOTIFY:
        // A control made after the look was applied (a panel shown for the first time, an
        // editor) gets it as it is made; every ancestor hears of it, its parent gives it.
        if (LOWORD(wParam) == WM_CREATE) {
            const auto child = reinterpret_cast<HWND>(lParam);
            if (child && GetParent(child) == window)
                SkinOne(child);
        }
        break;
    case WM_INITMENUPOPUP: {
        // The window enables and checks the items first; then they get the current look, or
        // lose the dark one.
        // The window menu is left to the system.
        const LRESULT result = CallBehind(link, message, wParam, lParam);
        if (!HIWORD(lParam))
            SkinMenu(reinterpret_cast<HMENU>(wParam), false, false);
        return result;
    }
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType == ODT_MENU)
            if (const MenuRecord* record = RecordOf(measure->itemData)) {
                MeasureMenuItem(window, measure, *record);
                return TRUE;
            }
        break;
    }
    case WM_DRAWITEM: {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (draw->CtlType == ODT_MENU)
            if (const MenuRecord* record = RecordOf(draw->itemData)) {
                DrawMenuItem(window, draw, *record);
                return TRUE;
            }
        break;
    }
    }
    if (gSkin == skDark) {
        switch (message) {
        case WM_NCPAINT:
        case WM_NCACTIVATE: {
            const LRESULT result = CallBehind(link, message, wParam, lParam);
            if (kind == kTopLevel && GetMenu(window))
                PaintMenuBarEnd(window);
            if (kind == kSunken && message == WM_NCPAINT)
                PaintSunkenEdge(window);
            return result;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code == NM_CUSTOMDRAW) {
                LRESULT result = 0;
                if (IsClass(header->hwndFrom, TOOLBARCLASSNAMEW) &&
                    DrawToolbarItem(link, reinterpret_cast<NMTBCUSTOMDRAW*>(lParam), result, wParam, lParam))
                    return result;
            }
            break;
        }
        case BM_SETSTATE:
        case BM_SETSTYLE:
        case BM_SETIMAGE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SETTEXT:
        case WM_UPDATEUISTATE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (kind == kButton && (IsPushButton(window) || IsGroupBox(window))) {
                const LRESULT result = CallBehind(link, message, wParam, lParam);
                if (IsWindow(window))
                    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                return result;
            }
            break;
        case WM_PAINT:
            if (kind == kRebar) {
                const LRESULT result = CallBehind(link, message, wParam, lParam);
                PaintRebarGrips(window);
                return result;
            }
            if (kind == kCombo) {
                const LRESULT result = CallBehind(link, message, wParam, lParam);
                PaintComboFrame(window);
                return result;
            }
            [[fallthrough]];
        case WM_PRINTCLIENT:
            if (kind == kButton && IsPushButton(window))
                return PaintInPlace(window, wParam, PaintPushButton);
            if (kind == kButton && IsGroupBox(window))
                return PaintInPlace(window, wParam, PaintGroupBox);
            if (kind == kStatusBar)
                return PaintInPlace(window, wParam, PaintStatusBar);
            if (kind == kTabs)
                return PaintInPlace(window, wParam, PaintTabs);
            break;
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            // A text the window colours itself (an error in red, a link) keeps its colour on the
            // dark face; a window with a look of its own keeps it whole.
            HDC dc = reinterpret_cast<HDC>(wParam);
            constexpr COLORREF kUnset = RGB(1, 2, 3);
            SetTextColor(dc, kUnset);
            const LRESULT brush = CallBehind(link, message, wParam, lParam);
            const COLORREF chosen = GetTextColor(dc);
            const bool ownColour = chosen != kUnset && chosen != GetSysColor(COLOR_WINDOWTEXT) &&
                                   chosen != GetSysColor(COLOR_BTNTEXT);
            if (ownColour && brush && brush != reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)))
                return brush;
            SetTextColor(dc, !ownColour ? kDarkText : chosen == RGB(0, 102, 204) ? kDarkLink : chosen);
            SetBkColor(dc, kDarkFace);
            return reinterpret_cast<LRESULT>(DarkFaceBrush());
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kDarkText);
            SetBkColor(dc, kDarkWindow);
            return reinterpret_cast<LRESULT>(DarkWindowBrush());
        }
        case WM_ERASEBKGND:
            if (kind == kRebar) {
                EraseRebar(window, reinterpret_cast<HDC>(wParam));
                return 1;
            }
            if (kind == kStatusBar || kind == kTabs || (kind == kButton && IsPushButton(window)))
                return 1;
            if (kind == kFace || kind == kToolbar || (kind == kTopLevel && PaintsFace(window))) {
                RECT rc;
                GetClientRect(window, &rc);
                FillRect(reinterpret_cast<HDC>(wParam), &rc, DarkFaceBrush());
                return 1;
            }
            break;
        }
    }
    return CallBehind(link, message, wParam, lParam);
}

void SetDarkTitleBar(HWND window, bool dark)
{
    using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const auto set = reinterpret_cast<SetAttribute>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"dwmapi.dll"), "DwmSetWindowAttribute")));
    if (!set)
        return;
    const BOOL value = dark;
    // The attribute's number before Windows 10 version 2004 was 19.
    constexpr DWORD kUseImmersiveDarkMode = 20, kUseImmersiveDarkModeBefore2004 = 19;
    if (FAILED(set(window, kUseImmersiveDarkMode, &value, sizeof(value))))
        set(window, kUseImmersiveDarkModeBefore2004, &value, sizeof(value));
}

void SkinOne(HWND window)
{
    const bool dark = gSkin == skDark;
    if (gSkin == skClassic)
        SetWindowTheme(window, L"", L"");
    else if (dark && (IsClass(window, WC_TREEVIEWW) || IsClass(window, WC_LISTVIEWW)))
        SetWindowTheme(window, L"DarkMode_Explorer", nullptr); // dark scroll bars where Windows has them
    else if (dark && IsClass(window, WC_COMBOBOXW))
        SetWindowTheme(window, L"DarkMode_CFD", nullptr);
    else
        SetWindowTheme(window, nullptr, nullptr);
    PutInFront(window, &SkinProc, KindOf(window));
    if (IsClass(window, WC_TREEVIEWW)) {
        TreeView_SetTextColor(window, dark ? kDarkText : static_cast<COLORREF>(-1));
        // A tree with a background of its own (the read-only look) keeps it.
        const COLORREF back = TreeView_GetBkColor(window);
        if (back == static_cast<COLORREF>(-1) || back == kDarkWindow)
            TreeView_SetBkColor(window, dark ? kDarkWindow : static_cast<COLORREF>(-1));
    } else if (IsClass(window, WC_LISTVIEWW)) {
        const COLORREF back = dark ? kDarkWindow : GetSysColor(COLOR_WINDOW);
        ListView_SetBkColor(window, back);
        ListView_SetTextBkColor(window, back);
        ListView_SetTextColor(window, dark ? kDarkText : GetSysColor(COLOR_WINDOWTEXT));
    } else if (IsClass(window, STATUSCLASSNAMEW)) {
        SendMessageW(window, SB_SETBKCOLOR, 0, dark ? kDarkFace : CLR_DEFAULT);
    } else if (IsClass(window, REBARCLASSNAMEW)) {
        SendMessageW(window, RB_SETBKCOLOR, 0, dark ? kDarkFace : CLR_DEFAULT);
        SendMessageW(window, RB_SETTEXTCOLOR, 0, dark ? kDarkText : CLR_DEFAULT);
    }
}

// Drawn without visual styles a hint takes the colours given. Hints made after the look was
// applied get it as they first show.
void SkinTooltip(HWND tip)
{
    const auto applied = reinterpret_cast<UINT_PTR>(GetPropW(tip, kTipSkin));
    if (applied == static_cast<UINT_PTR>(gSkin) + 1)
        return;
    SetPropW(tip, kTipSkin, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(gSkin) + 1));
    const bool dark = gSkin == skDark;
    if (gSkin == skDefault)
        SetWindowTheme(tip, nullptr, nullptr);
    else
        SetWindowTheme(tip, L"", L"");
    SendMessageW(tip, TTM_SETTIPBKCOLOR, dark ? kDarkTip : GetSysColor(COLOR_INFOBK), 0);
    SendMessageW(tip, TTM_SETTIPTEXTCOLOR, dark ? kDarkText : GetSysColor(COLOR_INFOTEXT), 0);
}

// Every dialog of the thread, the system's own included, gets the look's procedure as it is
// made; the procedure gives it the look at WM_INITDIALOG. Hooked on the making of windows only,
// not on every message sent: under Wine each call of a hook asks the window server.
LRESULT CALLBACK DialogHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && gSkin != skDefault) {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (IsClass(window, L"#32770"))
            PutInFront(window, &SkinProc, KindOf(window));
    }
    return CallNextHookEx(gDialogHook, code, wParam, lParam);
}

} // namespace

const std::vector<std::u16string>& SkinNames()
{
    static const std::vector<std::u16string> names = [] {
        std::vector<std::u16string> sorted = {u"Classic", u"Dark", u"Default"};
        std::sort(sorted.begin(), sorted.end());
        std::stable_partition(sorted.begin(), sorted.end(), [](const std::u16string& n) { return n == u"Default"; });
        return sorted;
    }();
    return names;
}

int SkinRow(std::u16string_view name)
{
    const auto& names = SkinNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (CompareStringOrdinal(reinterpret_cast<const wchar_t*>(names[i].data()), static_cast<int>(names[i].size()),
                                 reinterpret_cast<const wchar_t*>(name.data()), static_cast<int>(name.size()),
                                 TRUE) == CSTR_EQUAL)
            return static_cast<int>(i);
    return 0;
}

int CurrentSkinRow()
{
    const auto& names = SkinNames();
    const char16_t* name = gSkin == skDark ? u"Dark" : gSkin == skClassic ? u"Classic" : u"Default";
    return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
}

void ApplySkin(int row, HWND window)
{
    const auto& names = SkinNames();
    const std::u16string& name = names[row >= 0 && row < static_cast<int>(names.size()) ? row : 0];
    gSkin = name == u"Dark" ? skDark : name == u"Classic" ? skClassic : skDefault;
    // Until another look is picked there is nothing to undo: no theme to set, and neither a hook
    // on every message sent nor a subclass in front of every control's (under Wine each costs
    // server round trips).
    if (gSkin == skDefault && !gSkinned)
        return;
    gSkinned = true;
    if (!gDialogHook)
        gDialogHook = SetWindowsHookExW(WH_CBT, DialogHook, nullptr, GetCurrentThreadId());
    if (window)
        SkinWindow(window);
}

void SkinWindow(HWND window)
{
    // Nothing to give or undo before another look was first picked.
    if (!window || !gSkinned)
        return;
    if (!GetParent(window) || (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) == 0)
        SetDarkTitleBar(window, gSkin == skDark);
    SkinOne(window);
    EnumChildWindows(window, [](HWND child, LPARAM) -> BOOL {
        SkinOne(child);
        return TRUE;
    }, 0);
    // The hints of the window and its controls are windows of their own, owned by it. Drawn
    // without visual styles they take the colours given.
    EnumThreadWindows(GetCurrentThreadId(), [](HWND popup, LPARAM owner) -> BOOL {
        if (GetWindow(popup, GW_OWNER) == reinterpret_cast<HWND>(owner) && IsClass(popup, TOOLTIPS_CLASSW))
            SkinTooltip(popup);
        return TRUE;
    }, reinterpret_cast<LPARAM>(window));
    if (GetMenu(window) && !(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
        SkinMenu(GetMenu(window), true, false);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    if (GetMenu(window))
        DrawMenuBar(window);
}

void SkinNewHint(HWND tooltip)
{
    if (gSkinned && tooltip)
        SkinTooltip(tooltip);
}

void KeepOwnLook(HWND dialog, bool keep)
{
    if (keep)
        SetPropW(dialog, kOwnLook, reinterpret_cast<HANDLE>(1));
    else
        RemovePropW(dialog, kOwnLook);
}

void SkinMenus(HWND window)
{
    if (!gSkinned || !window || !GetMenu(window))
        return;
    SkinMenu(GetMenu(window), true, false);
    DrawMenuBar(window);
}

void SkinPopupMenu(HMENU menu)
{
    if (gSkinned)
        SkinMenu(menu, false, true);
}

COLORREF SkinColor(COLORREF light, COLORREF dark)
{
    return gSkin == skDark ? dark : light;
}

COLORREF SkinTipColor()
{
    return gSkin == skDark ? kDarkTip : GetSysColor(COLOR_INFOBK);
}

COLORREF SkinTipTextColor()
{
    return gSkin == skDark ? kDarkText : GetSysColor(COLOR_INFOTEXT);
}

HBRUSH SkinFaceBrush()
{
    return gSkin == skDark ? DarkFaceBrush() : GetSysColorBrush(COLOR_BTNFACE);
}

COLORREF SkinFaceTextColor()
{
    return gSkin == skDark ? kDarkText : GetSysColor(COLOR_BTNTEXT);
}

HBRUSH SkinEdgeBrush()
{
    return gSkin == skDark ? DarkEdgeBrush() : GetSysColorBrush(COLOR_BTNSHADOW);
}

COLORREF SkinLinkColor()
{
    return gSkin == skDark ? kDarkLink : RGB(0, 102, 204); // the blue of links on Windows
}

COLORREF SkinMenuColor(bool selected)
{
    if (gSkin == skDark)
        return selected ? kDarkMenuSelected : kDarkMenu;
    return GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU);
}

COLORREF SkinMenuTextColor(bool selected, bool grayed)
{
    if (gSkin == skDark)
        return grayed ? kDarkGreyText : kDarkText;
    return GetSysColor(grayed ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
}

COLORREF SkinWindowColor()
{
    return gSkin == skDark ? kDarkWindow : GetSysColor(COLOR_WINDOW);
}

COLORREF SkinShade(COLORREF light)
{
    return gSkin == skDark ? RGB(55, 55, 60) : light;
}

COLORREF SkinTextColor()
{
    return gSkin == skDark ? kDarkText : GetSysColor(COLOR_WINDOWTEXT);
}

} // namespace varnook
