#include "app/InfoPanel.h"
#include "app/PaintBuffer.h"

#include "app/PanelCaption.h"
#include "app/Skins.h"
#include "core/Translate.h"
#include "platform/win32/IconList.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include <commctrl.h>

#include <cstdint>
#include <utility>

namespace varnook {

const char16_t* const kLegendTexts[5] = {
    N_(u"A text string"),
    N_(u"An expandable string is a string that contains unexpanded references to environment variables (for "
       u"example, '%PATH%')"),
    N_(u"Special read-only variable"),
    N_(u"Variable contains errors (invalid path or you have no access to it, value exceeds length limit, etc)"),
    N_(u"Variable is in the exclude list"),
};

namespace {
constexpr wchar_t kClassName[] = L"VarnookInfoPanel";
constexpr COLORREF kShadedRow = RGB(245, 245, 245);

// The columns a text's first count characters cover when drawn with the DC's font: [left, right).
std::pair<int, int> InkSpan(HDC reference, const wchar_t* text, int count)
{
    SIZE extent{};
    GetTextExtentPoint32W(reference, text, count, &extent);
    const int width = extent.cx + 8, height = std::max(1, static_cast<int>(extent.cy));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(reference);
    HBITMAP bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::pair<int, int> span{0, 0};
    if (bitmap && bits) {
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        HGDIOBJ oldFont = SelectObject(memory, GetCurrentObject(reference, OBJ_FONT));
        RECT all{0, 0, width, height};
        FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(memory, TRANSPARENT);
        SetTextColor(memory, RGB(0, 0, 0));
        TextOutW(memory, 0, 0, text, count);
        GdiFlush();
        const auto* pixels = static_cast<const uint32_t*>(bits);
        int left = width, right = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if ((pixels[size_t(y) * width + x] & 0xFFFFFF) != 0xFFFFFF) {
                    left = std::min(left, x);
                    right = std::max(right, x + 1);
                }
        span = left < right ? std::pair{left, right} : std::pair{0, 0};
        SelectObject(memory, oldFont);
        SelectObject(memory, oldBitmap);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    return span;
}

// Caption and value columns at 96 DPI; the value column takes whatever width is left over.
constexpr int kCaptionColumnWidth = 150;
constexpr int kValueColumnWidth = 475;

// A grid of rows to read, not to pick from: lines between the cells, no selection shown and no
// focus rectangle.
HWND MakeGrid(HWND parent, int columns, DWORD style = 0)
{
    HWND grid = CreateWindowExW(0, WC_LISTVIEWW, nullptr,
                                WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | style,
                                0, 0, 10, 10, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    // The pages lie over the tab control, which draws its frame around them.
    SetWindowPos(grid, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PaintFrameThroughBuffer(grid);
    // Until the grid is filled: without it every column and row moves the hidden header again.
    SendMessageW(grid, WM_SETREDRAW, FALSE, 0);
    ListView_SetExtendedListViewStyle(grid, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_SUBITEMIMAGES |
                                                LVS_EX_GRIDLINES);
    SendMessageW(grid, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    for (int i = 0; i < columns; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = 100;
        ListView_InsertColumn(grid, i, &column);
    }
    return grid;
}
} // namespace

TInfoPanel::TInfoPanel(HWND parent, HIMAGELIST images, std::function<void()> onClose, std::function<void()> onTabChange)
    : dpi_(WindowDpi(parent)), onTabChange_(std::move(onTabChange))
{
    RegisterWindowClass(kClassName, 0, GetSysColorBrush(COLOR_BTNFACE));
    CreateWindowFor(WS_EX_CONTROLPARENT, kClassName, L"Information", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                    nullptr);
    TPanelCaption::TButton close;
    close.text = u"\u00D7"; // a plain multiplication sign reads as "close" on every theme
    close.hint = N_(u"Close");
    close.onClick = std::move(onClose);
    caption_ = std::make_unique<TPanelCaption>(Handle(), IDI_TAB_INSPECTOR, N_(u"Information"),
                                               std::vector<TPanelCaption::TButton>{close});

    // The tab titles are drawn here: the access key's underline under its letter on every system.
    // Made wide: tabs that do not fit at once make the control's scroll arrows, a window more
    // for every start.
    tabs_ = CreateWindowExW(0, WC_TABCONTROLW, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TCS_OWNERDRAWFIXED, 0, 0, 4096, 10,
                            Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SkipEmptyFramePaint(tabs_);
    // The rows live in the inspector model; the grid asks for them as it paints.
    inspector_ = MakeGrid(Handle(), 2, LVS_OWNERDATA);
    UpdateDpi(dpi_);
    for (int i = 0; i < 2; ++i) {
        const std::u16string text = gettext(TabCaption(static_cast<TTab>(i)));
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(platform::W(text));
        item.iImage = i;
        TabCtrl_InsertItem(tabs_, i, &item);
    }
    SetImages(images);
    // Before the tab shows its grid: on Windows the message also sets the visible style.
    SendMessageW(inspector_, WM_SETREDRAW, TRUE, 0);
    SetActiveTab(tabInspector);
    // A value longer than its cell is read whole in a hover hint.
    inspectorTip_ = std::make_unique<THoverTip>(
        inspector_, [this](POINT p, uintptr_t& spot) { return CutCellAt(inspector_, p, spot); });
}

// The legend is made when its tab is first shown: two windows fewer at every start.
HWND TInfoPanel::LegendGrid()
{
    if (legend_)
        return legend_;
    legend_ = MakeGrid(Handle(), 1);
    ListView_SetImageList(legend_, images_, LVSIL_SMALL);
    if (font_)
        SendMessageW(legend_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    FillLegend();
    SendMessageW(legend_, WM_SETREDRAW, TRUE, 0);
    ShowWindow(legend_, ActiveTab() == tabLegend ? SW_SHOW : SW_HIDE);
    legendTip_ =
        std::make_unique<THoverTip>(legend_, [this](POINT p, uintptr_t& spot) { return CutCellAt(legend_, p, spot); });
    Layout();
    return legend_;
}

THoverTip& TInfoPanel::LegendTip()
{
    LegendGrid();
    return *legendTip_;
}

std::u16string TInfoPanel::CellText(HWND grid, int row, int column) const
{
    if (grid == legend_)
        return row >= 0 && row < 5 && column == 0 ? gettext(kLegendTexts[row]) : std::u16string();
    return model_ ? model_->Cells(row, column) : std::u16string();
}

std::u16string TInfoPanel::CutCellAt(HWND grid, POINT client, uintptr_t& spot) const
{
    LVHITTESTINFO hit{};
    hit.pt = client;
    if (ListView_SubItemHitTest(grid, &hit) < 0 || hit.iItem < 0 || hit.iSubItem < 0)
        return {};
    spot = static_cast<uintptr_t>(hit.iItem) * 2 + static_cast<uintptr_t>(hit.iSubItem);
    const std::u16string text = CellText(grid, hit.iItem, hit.iSubItem);
    if (text.empty())
        return {};
    RECT cell{};
    if (!ListView_GetSubItemRect(grid, hit.iItem, hit.iSubItem, LVIR_LABEL, &cell))
        return {};
    RECT shown;
    GetClientRect(grid, &shown);
    cell.right = std::min(cell.right, shown.right);
    HDC dc = GetDC(grid);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(grid, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, platform::W(text), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(grid, dc);
    // The grid leaves a few pixels of margin on each side of the text.
    const int room = cell.right - cell.left - ScaleForDpi(12, dpi_);
    return extent.cx > room || text.find_first_of(u"\r\n") != std::u16string::npos ? text : std::u16string();
}

TInfoPanel::~TInfoPanel()
{
    if (tabIcons_)
        ImageList_Destroy(tabIcons_);
}

int TInfoPanel::DefaultHeight(UINT dpi)
{
    return ScaleForDpi(163, dpi);
}

void TInfoPanel::UpdateDpi(UINT dpi)
{
    dpi_ = dpi;
    for (THoverTip* tip : {inspectorTip_.get(), legendTip_.get()})
        if (tip)
            tip->UpdateDpi(dpi);
    caption_->UpdateDpi(dpi);
    if (tabIcons_)
        ImageList_Destroy(tabIcons_);
    const int size = ScaleForDpi(16, dpi);
    const wchar_t* const names[] = {MAKEINTRESOURCEW(IDI_TAB_INSPECTOR), MAKEINTRESOURCEW(IDI_TAB_LEGEND)};
    tabIcons_ = platform::LoadIconList(GetModuleHandleW(nullptr), names, size);
    TabCtrl_SetImageList(tabs_, tabIcons_);
    Layout();
}

void TInfoPanel::SetImages(HIMAGELIST images)
{
    images_ = images;
    ListView_SetImageList(inspector_, images, LVSIL_SMALL);
    if (legend_)
        ListView_SetImageList(legend_, images, LVSIL_SMALL);
}

void TInfoPanel::SetInspector(const TInspector* model, std::function<bool()> showImages)
{
    model_ = model;
    showImages_ = std::move(showImages);
    SetRowCount(model_ ? model_->RowCount() : 0);
    Repaint();
}

void TInfoPanel::SetRowCount(int32_t rows)
{
    ListView_SetItemCountEx(inspector_, rows, LVSICF_NOSCROLL);
}

void TInfoPanel::Repaint()
{
    InvalidateRect(inspector_, nullptr, TRUE);
}

void TInfoPanel::SetFonts(HFONT font, HFONT boldFont)
{
    caption_->SetFont(font, boldFont);
    font_ = font;
    for (HWND w : {tabs_, inspector_, legend_})
        if (w)
            SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    Layout();
}

const char16_t* TInfoPanel::TabCaption(TTab tab)
{
    return tab == tabLegend ? N_(u"Legen&d") : N_(u"&Inspector");
}

void TInfoPanel::Retranslate()
{
    caption_->Retranslate();
    for (int i = 0; i < 2; ++i) {
        const std::u16string text = gettext(TabCaption(static_cast<TTab>(i)));
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(platform::W(text));
        TabCtrl_SetItem(tabs_, i, &item);
    }
    InvalidateRect(tabs_, nullptr, TRUE);
    // The legend's texts are translated as its rows are painted.
    if (legend_)
        InvalidateRect(legend_, nullptr, TRUE);
}

void TInfoPanel::SelectTab(TTab tab)
{
    SetActiveTab(tab);
    if (onTabChange_)
        onTabChange_();
}

TInfoPanel::TTab TInfoPanel::ActiveTab() const
{
    return TabCtrl_GetCurSel(tabs_) == tabLegend ? tabLegend : tabInspector;
}

void TInfoPanel::SetActiveTab(TTab tab)
{
    TabCtrl_SetCurSel(tabs_, tab);
    if (tab == tabLegend)
        LegendGrid();
    ShowWindow(inspector_, tab == tabInspector ? SW_SHOW : SW_HIDE);
    if (legend_)
        ShowWindow(legend_, tab == tabLegend ? SW_SHOW : SW_HIDE);
}

void TInfoPanel::FillLegend()
{
    ListView_DeleteAllItems(legend_);
    for (int row = 0; row < 5; ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.iImage = row;
        item.pszText = LPSTR_TEXTCALLBACKW; // translated as it is painted
        ListView_InsertItem(legend_, &item);
    }
}

void TInfoPanel::Layout()
{
    // WM_SIZE arrives while the panel is created, before its children exist.
    if (!caption_ || !tabs_ || !inspector_)
        return;
    RECT rc;
    GetClientRect(Handle(), &rc);
    // A panel not yet given its place has nothing to show; laid out at no width, the tabs would
    // make their scroll arrows.
    if (rc.right <= 0 || rc.bottom <= 0)
        return;
    const int captionHeight = TPanelCaption::HeightFor(dpi_);
    PlaceChild(caption_->Handle(), 0, 0, rc.right, captionHeight);
    RECT page{0, captionHeight, rc.right, rc.bottom};
    PlaceChild(tabs_, page.left, page.top, page.right - page.left, page.bottom - page.top);
    RECT inner = {0, 0, page.right - page.left, page.bottom - page.top};
    TabCtrl_AdjustRect(tabs_, FALSE, &inner);
    OffsetRect(&inner, page.left, page.top);
    for (HWND grid : {inspector_, legend_})
        if (grid)
            PlaceChild(grid, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top);
    const int width = std::max(0L, inner.right - inner.left - GetSystemMetrics(SM_CXVSCROLL));
    // The captions keep their width; the value column takes the rest, and never less than its
    // design width (a narrow window scrolls the grid sideways instead of cutting the captions).
    const int captionWidth = ScaleForDpi(kCaptionColumnWidth, dpi_);
    // Each width set lays the grid out again, also an unchanged one.
    auto setWidth = [](HWND grid, int column, int columnWidth) {
        if (ListView_GetColumnWidth(grid, column) != columnWidth)
            ListView_SetColumnWidth(grid, column, columnWidth);
    };
    setWidth(inspector_, 0, captionWidth);
    setWidth(inspector_, 1, std::max(ScaleForDpi(kValueColumnWidth, dpi_), width - captionWidth));
    if (legend_)
        setWidth(legend_, 0, width);
}

LRESULT TInfoPanel::OnCustomDraw(NMLVCUSTOMDRAW* draw)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        // The rows are read, not picked: a selected or focused row looks like any other.
        draw->nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
        HWND grid = draw->nmcd.hdr.hwndFrom;
        const bool shaded = grid == inspector_ && (draw->nmcd.dwItemSpec % 2) == 1;
        const COLORREF back = shaded ? SkinShade(kShadedRow) : SkinWindowColor();
        // Every second row is shaded across the whole width, as the grid of a property sheet:
        // filled first, so that the image's place and the space past the columns take it too.
        RECT row{};
        ListView_GetItemRect(grid, static_cast<int>(draw->nmcd.dwItemSpec), &row, LVIR_BOUNDS);
        RECT client;
        GetClientRect(grid, &client);
        row.left = client.left;
        row.right = client.right;
        SetDCBrushColor(draw->nmcd.hdc, back);
        FillRect(draw->nmcd.hdc, &row, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        draw->clrTextBk = back;
        draw->clrText = SkinTextColor();
        return CDRF_DODEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}

void TInfoPanel::DrawTab(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT rc = item.rcItem;
    FillRect(dc, &rc, SkinFaceBrush());
    const int pad = ScaleForDpi(4, dpi_);
    const int size = ScaleForDpi(16, dpi_);
    int x = rc.left + pad;
    const int index = static_cast<int>(item.itemID);
    if (tabIcons_ && index >= 0 && index < 2) {
        ImageList_Draw(tabIcons_, index, dc, x, rc.top + (rc.bottom - rc.top - size) / 2, ILD_TRANSPARENT);
        x += size + pad;
    }
    // The caption without its '&', and the letter after it underlined by hand: a prefix drawn by
    // the system lands after the word on some of them ("Legend_").
    const std::u16string caption = gettext(TabCaption(index == tabLegend ? tabLegend : tabInspector));
    std::u16string shown;
    size_t underlined = std::u16string::npos;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != u'&' && underlined == std::u16string::npos)
                underlined = shown.size();
        }
        shown += caption[i];
    }
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tabs_, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int top = rc.top + (rc.bottom - rc.top - metrics.tmHeight) / 2;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SkinFaceTextColor());
    RECT text{x, top, rc.right, top + metrics.tmHeight};
    DrawTextW(dc, platform::W(shown), static_cast<int>(shown.size()), &text, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    if (underlined != std::u16string::npos) {
        // Where the letter was drawn, not where the font's widths say: some fonts (Wine's Tahoma
        // at 11 pixels) draw narrower than they measure.
        const int beforeRight = InkSpan(dc, platform::W(shown), static_cast<int>(underlined)).second;
        const auto [letterLeft, letterRight] = InkSpan(dc, platform::W(shown), static_cast<int>(underlined) + 1);
        const int left = underlined == 0 ? letterLeft : beforeRight + 1;
        const int y = top + metrics.tmAscent + std::max(1, ScaleForDpi(1, dpi_));
        RECT line{x + left, y, x + std::max(left + 1, letterRight), y + std::max(1, ScaleForDpi(1, dpi_))};
        SetDCBrushColor(dc, SkinFaceTextColor());
        FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
    SelectObject(dc, old);
}

LRESULT TInfoPanel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->hwndItem == tabs_) {
            DrawTab(*item);
            return TRUE;
        }
        break;
    }
    case WM_SIZE:
        Layout();
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) {
            SetActiveTab(TabCtrl_GetCurSel(tabs_) == tabLegend ? tabLegend : tabInspector);
            if (onTabChange_)
                onTabChange_();
            return 0;
        }
        if (header->hwndFrom == legend_ && header->code == LVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            if ((info->item.mask & LVIF_TEXT) && info->item.iItem >= 0 && info->item.iItem < 5) {
                static std::u16string shown;
                shown = gettext(kLegendTexts[info->item.iItem]);
                lstrcpynW(info->item.pszText, platform::W(shown), info->item.cchTextMax);
            }
            return 0;
        }
        if (header->hwndFrom == inspector_ && header->code == LVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            const int row = info->item.iItem;
            if ((info->item.mask & LVIF_TEXT) && info->item.cchTextMax > 0) {
                static std::u16string shown;
                shown = model_ ? model_->Cells(row, info->item.iSubItem) : std::u16string();
                lstrcpynW(info->item.pszText, platform::W(shown), info->item.cchTextMax);
            }
            if (info->item.mask & LVIF_IMAGE) {
                const int image = info->item.iSubItem == 1 && model_ && showImages_ && showImages_()
                                      ? model_->Image(row)
                                      : -1;
                info->item.iImage = image >= 0 ? image : I_IMAGENONE;
            }
            return 0;
        }
        if (header->code == NM_CUSTOMDRAW && (header->hwndFrom == inspector_ || header->hwndFrom == legend_))
            return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        break;
    }
    }
    return DefaultProc(message, wParam, lParam);
}

} // namespace varnook
