// The main window's children and where they go: the toolbar dock, the two tree panels with the
// splitter between them, the information panel and the status bar.
#include "app/InfoPanel.h"
#include "app/MainWindow.h"
#include "app/PaintBuffer.h"
#include "app/PanelLayout.h"
#include "app/SelectorBox.h"
#include "app/Skins.h"
#include "app/TreeView.h"
#include "core/Translate.h"
#include "platform/win32/IconList.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include <windowsx.h>

namespace varnook {

namespace {

constexpr int kSplitterWidth = 4;
constexpr int kBandMain = 0, kBandInterface = 1, kBandUser = 2;
constexpr const char16_t* kToolbarNames[] = {u"tbMain", u"tbInterface", u"tbUser"};
constexpr const char16_t kLanguageLabel[] = N_(u" &Language: ");
constexpr const char16_t kSkinLabel[] = N_(u" &Skin: ");
constexpr const char16_t kUserLabel[] = N_(u" &User: ");
// The twenty toolbar icons, in the order the actions number them.
constexpr const wchar_t* kToolbarIconNames[20] = {
    L"_ICO_SAVE",   L"_ICO_UNDO",      L"_ICO_REDO",       L"_ICO_COPY",     L"_ICO_PASTE",
    L"_ICO_DELETE", L"_ICO_ADD",       L"_ICO_ADDVALUE",   L"_ICO_EDIT",     L"_ICO_EDITASPATH",
    L"_ICO_EDITASFILE", L"_ICO_CHANGETYPE", L"_ICO_MOVEUP", L"_ICO_MOVEDOWN", L"_ICO_OPTIONS",
    L"_ICO_SHOWINFORMATION", L"_ICO_CHECKUPDATES", L"_ICO_ABOUT", L"_ICO_SHOWREADONLY", L"_ICO_SHIELD"};

HFONT MakeFont(UINT dpi, int weight, bool italic = false, bool underline = false)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    // The metrics are at the system DPI; the window may be on another monitor.
    const UINT systemDpi = GetDpiForSystem();
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi ? systemDpi : 96));
    font.lfWeight = weight;
    font.lfItalic = italic;
    font.lfUnderline = underline;
    return CreateFontIndirectW(&font);
}

// A small strip that holds labelled selectors, as a band of the toolbar dock.
HWND MakeSelectorStrip(HWND parent)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            // Selector notifications belong to the main window.
            if (message == WM_COMMAND || message == WM_NOTIFY || message == WM_CTLCOLORSTATIC) {
                if (message == WM_CTLCOLORSTATIC) {
                    SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
                    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
                }
                return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
            }
            // No frame: nothing to draw outside the client area.
            if (message == WM_NCPAINT)
                return 0;
            if (message == WM_PAINT) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                if (const auto* boxes = reinterpret_cast<const TSelectorBoxes*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
                    for (const TSelectorBox* box : *boxes)
                        box->PaintClosed(dc);
                EndPaint(hwnd, &ps);
                return 0;
            }
            return DefWindowProcW(hwnd, message, wParam, lParam);
        };
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = L"VarnookSelectorStrip";
        RegisterClassExW(&wc);
        registered = true;
    }
    return CreateWindowExW(WS_EX_CONTROLPARENT, L"VarnookSelectorStrip", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                           0, 0, 10, 10, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The width a selector's label needs for its text in the font.
int LabelWidth(HFONT font, const wchar_t* text)
{
    RECT measure{0, 0, 0, 0};
    if (HDC dc = CreateCompatibleDC(nullptr)) {
        HGDIOBJ old = SelectObject(dc, font);
        DrawTextW(dc, text, -1, &measure, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    return measure.right;
}

// A label and a drop-down list side by side; gives the strip's width.
int PlaceSelector(HWND strip, UINT dpi, HFONT font, int x, const char16_t* label, const char16_t* hint,
                  int width, int rows, TSelectorBox& box)
{
    const std::u16string text = gettext(label);
    // Measured first, so that the label is made where it stays.
    const int labelWidth = LabelWidth(font, platform::W(text));
    const int height = ScaleForDpi(24, dpi);
    HWND staticLabel = CreateWindowExW(0, WC_STATICW, platform::W(text), WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, x, 0,
                                       labelWidth, height, strip, nullptr, GetModuleHandleW(nullptr), nullptr);
    SkipEmptyFramePaint(staticLabel);
    SendMessageW(staticLabel, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    x += labelWidth;
    const int boxWidth = ScaleForDpi(width, dpi);
    box.Place(strip, staticLabel, x, boxWidth, rows, hint, font, dpi);
    return x + boxWidth + ScaleForDpi(4, dpi);
}

// The letter after the '&' of a label, as a virtual-key code (capital); 0 for none.
UINT AccessKeyOf(std::u16string_view text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        const char16_t c = text[i + 1];
        return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c;
    }
    return 0;
}

constexpr int kStatusParts = 4;

// Four labels: at least 120, 200 and 200 pixels, the fourth takes the rest.
void SetStatusParts(HWND statusBar, UINT dpi)
{
    const int widths[kStatusParts - 1] = {ScaleForDpi(120, dpi), ScaleForDpi(200, dpi), ScaleForDpi(200, dpi)};
    int edges[kStatusParts];
    int x = 0;
    for (int i = 0; i < kStatusParts - 1; ++i) {
        x += widths[i];
        edges[i] = x;
    }
    edges[kStatusParts - 1] = -1;
    SendMessageW(statusBar, SB_SETPARTS, kStatusParts, reinterpret_cast<LPARAM>(edges));
}

// Where a status bar label is: its hint tool's rectangle (the part's number is the tool's id).
RECT StatusPartRect(HWND statusBar, int part)
{
    RECT rect{};
    SendMessageW(statusBar, SB_GETRECT, part, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

// A child's own visibility, also while the window is still hidden: the layout made before the
// window shows is then the one it shows with, and the first show moves no child.
bool ShownInParent(HWND child)
{
    return (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0;
}

// Moves a child window. When it moved up or down (a toolbar or the information panel came or
// went), the copied pixels of the old place are worthless: the window and all its children are
// painted afresh.
void MoveWindowAndRepaint(HWND window, int x, int y, int width, int height)
{
    RECT old;
    GetWindowRect(window, &old);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&old), 2);
    const bool shifted = old.top != y || old.left != x;
    if (!shifted && old.right - old.left == width && old.bottom - old.top == height)
        return;
    SetWindowPos(window, nullptr, x, y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | (shifted ? SWP_NOCOPYBITS : 0));
    if (shifted)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

} // namespace

void TfrmMain::CreateChildren()
{
    uiFont_.reset(MakeFont(dpi_, FW_NORMAL));
    boldFont_.reset(MakeFont(dpi_, FW_BOLD));
    italicMenuFont_.reset(MakeFont(dpi_, FW_NORMAL, true));
    linkFont_.reset(MakeFont(dpi_, FW_BOLD, false, true));
    LoadImageLists();
    CreateMenus();
    CreateAccelerators();
    CreateToolbars();
    CreateStatusBar();

    TTreeView::THooks sysHooks{[this] { SetActiveTree(sysTree_.get()); },
                               [this](POINT p) { ShowTreeContextMenu(sysView_->Control(), p); },
                               [this] { return ExecuteAction(TActionId::actEditEditAsText); },
                               [this](TNode* node) { BeginNodeDrag(*sysView_, node); }};
    TPanelCaption::TButton restart;
    restart.text = N_(u"Restart as administrator");
    restart.shield = true;
    restart.visible = false;
    restart.onClick = [this] { ExecuteAction(TActionId::actFileRestartAsAdmin); };
    sysView_ = std::make_unique<TTreeView>(Handle(), IDI_PANEL_SYSTEM, N_(u"System Variables"),
                                           std::vector<TPanelCaption::TButton>{restart}, sysHooks);
    TTreeView::THooks userHooks{[this] { SetActiveTree(userTree_.get()); },
                                [this](POINT p) { ShowTreeContextMenu(userView_->Control(), p); },
                                [this] { return ExecuteAction(TActionId::actEditEditAsText); },
                                [this](TNode* node) { BeginNodeDrag(*userView_, node); }};
    userView_ = std::make_unique<TTreeView>(Handle(), IDI_PANEL_USER, N_(u"User Variables"),
                                            std::vector<TPanelCaption::TButton>{}, userHooks);
    for (TTreeView* view : {sysView_.get(), userView_.get()}) {
        view->SetImages(treeImages_);
        view->SetFont(uiFont_.get(), boldFont_.get());
    }
    infoPanel_ = std::make_unique<TInfoPanel>(
        Handle(), treeImages_, [this] { ExecuteAction(TActionId::actViewShowInformation); },
        [this] {
            if (activeTree_)
                SetFocus((activeTree_ == sysTree_.get() ? sysView_ : userView_)->Control());
        });
    infoPanel_->SetFonts(uiFont_.get(), boldFont_.get());
    CreateInspector();
}

void TfrmMain::LoadImageLists()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Icons are loaded at the list's size: a 32-pixel image squeezed by the list looks blurred.
    const int size = ScaleForDpi(16, dpi_);
    auto fill = [&](HIMAGELIST& list, int count, auto nameOf) {
        if (list)
            ImageList_Destroy(list);
        std::vector<const wchar_t*> names;
        for (int i = 0; i < count; ++i)
            names.push_back(nameOf(i));
        list = platform::LoadIconList(instance, names, size);
        if (!list)
            throw EVarnookError(gettext(u"Invalid ImageList"));
    };
    fill(toolbarIcons_, 20, [](int i) { return kToolbarIconNames[i]; });
    fill(toolbarDisabledIcons_, 20, [](int i) { return MAKEINTRESOURCEW(IDI_TOOLBAR_DISABLED_FIRST + i); });
    fill(treeImages_, IDI_TREE_COUNT, [](int i) { return MAKEINTRESOURCEW(IDI_TREE_STRING + i); });
    for (auto& icon : statusIcons_)
        icon.reset();
}

HICON TfrmMain::StatusIcon(int image)
{
    if (image < 0 || image >= IDI_STATUS_COUNT)
        return nullptr;
    if (!statusIcons_[image]) {
        const int size = ScaleForDpi(16, dpi_);
        statusIcons_[image].reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                                                MAKEINTRESOURCEW(IDI_STATUS_MODIFIED + image),
                                                                IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    }
    return statusIcons_[image].get();
}

void TfrmMain::CreateToolbars()
{
    rebar_ = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                 RBS_BANDBORDERS | RBS_DBLCLKTOGGLE | CCS_NODIVIDER | CCS_TOP,
                             0, 0, 0, 0, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SkipEmptyFramePaint(rebar_);

    // tbMain: the action buttons, and last the "Donate" link.
    tbMain_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS |
                                  CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                              0, 0, 0, 0, rebar_, nullptr, GetModuleHandleW(nullptr), nullptr);
    PaintThroughBuffer(tbMain_);
    SkipEmptyFramePaint(tbMain_);
    // The toolbar's own hint window serves the selectors and the panels' buttons too: every
    // hidden window of its own costs the start-up. Not asked for here: under Wine the toolbar
    // makes it only then, and it is not needed before the mouse rests on a tool.
    ShareToolbarTooltip(tbMain_);
    SendMessageW(tbMain_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // Only the "Donate" label shows text; the other buttons keep theirs for the tooltips.
    SendMessageW(tbMain_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS | TBSTYLE_EX_HIDECLIPPEDBUTTONS);
    SendMessageW(tbMain_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarIcons_));
    // Greyed pictures of their own: the toolbar's own greying of a coloured icon looks enabled.
    SendMessageW(tbMain_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarDisabledIcons_));
    std::vector<TBBUTTON> buttons;
    static std::vector<std::u16string> tips;
    tips.clear();
    tips.reserve(MainToolbar().size() + 1);
    for (TActionId id : MainToolbar()) {
        TBBUTTON b{};
        if (id == kSeparator) {
            b.fsStyle = BTNS_SEP;
        } else {
            const TAction& action = Action(id);
            tips.push_back(gettext(ActionTooltip(action)));
            b.iBitmap = action.icon;
            b.idCommand = static_cast<int>(kCommandBase + static_cast<unsigned>(id));
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | (action.autoCheck ? BTNS_CHECK : 0);
            b.iString = reinterpret_cast<INT_PTR>(platform::W(tips.back()));
        }
        buttons.push_back(b);
    }
    // Last, the bold link label that opens the donation page; drawn as a link by OnNotify.
    TBBUTTON donate{};
    tips.push_back(gettext(u"Donate"));
    donate.iBitmap = I_IMAGENONE;
    donate.idCommand = static_cast<int>(kCommandBase + static_cast<unsigned>(TActionId::actHelpDonate));
    donate.fsState = TBSTATE_ENABLED;
    donate.fsStyle = BTNS_BUTTON | BTNS_SHOWTEXT;
    donate.iString = reinterpret_cast<INT_PTR>(platform::W(tips.back()));
    buttons.push_back(donate);
    SendMessageW(tbMain_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    {
        // The label is drawn bold (OnNotify): its button is as wide as the bold text.
        HDC dc = GetDC(tbMain_);
        HGDIOBJ old = SelectObject(dc, linkFont_.get());
        SIZE extent{};
        GetTextExtentPoint32W(dc, platform::W(tips.back()), static_cast<int>(tips.back().size()), &extent);
        SelectObject(dc, old);
        ReleaseDC(tbMain_, dc);
        TBBUTTONINFOW size{};
        size.cbSize = sizeof(size);
        size.dwMask = TBIF_SIZE;
        size.cx = static_cast<WORD>(extent.cx + ScaleForDpi(16, dpi_));
        SendMessageW(tbMain_, TB_SETBUTTONINFOW, donate.idCommand, reinterpret_cast<LPARAM>(&size));
    }
    SendMessageW(tbMain_, TB_AUTOSIZE, 0, 0);
    SIZE ideal{};
    SendMessageW(tbMain_, TB_GETIDEALSIZE, FALSE, reinterpret_cast<LPARAM>(&ideal));
    const int mainWidth = ideal.cx;

    // tbInterface: the language and skin selectors.
    tbInterface_ = MakeSelectorStrip(rebar_);
    int x = PlaceSelector(tbInterface_, dpi_, uiFont_.get(), 0, kLanguageLabel, N_(u"Change language"), 141, 15,
                          languageBox_);
    const int interfaceMinimum = x;
    x = PlaceSelector(tbInterface_, dpi_, uiFont_.get(), x, kSkinLabel, N_(u"Change skin"), 123, 14, skinBox_);
    const int interfaceWidth = x;
    // tbUser: whose variables the right panel shows.
    tbUser_ = MakeSelectorStrip(rebar_);
    const int userWidth = PlaceSelector(tbUser_, dpi_, uiFont_.get(), 0, kUserLabel, N_(u"Change user"), 180, 10,
                                        userBox_);
    // The strips paint the boxes not made yet, as Wine draws them. Elsewhere a drop-down list
    // costs little and is made with the window.
    interfaceBoxes_ = {&languageBox_, &skinBox_};
    userBoxes_ = {&userBox_};
    SetWindowLongPtrW(tbInterface_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&interfaceBoxes_));
    SetWindowLongPtrW(tbUser_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&userBoxes_));
    if (!RunningOnWine())
        MakeSelectorBoxes();

    const int height = std::max(ScaleForDpi(26, dpi_), static_cast<int>(HIWORD(SendMessageW(tbMain_, TB_GETBUTTONSIZE, 0, 0))));
    // The smallest a band may be squeezed to: the first button of the main toolbar, the first
    // selector of a strip; what is cut off then is offered by the band's chevron.
    RECT firstButton{};
    SendMessageW(tbMain_, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&firstButton));
    struct Band {
        HWND child;
        int width;
        int minimum;
        bool breakBefore;
    } bands[] = {{tbMain_, mainWidth, static_cast<int>(firstButton.right), false},
                 {tbInterface_, interfaceWidth, interfaceMinimum, true},
                 {tbUser_, userWidth, userWidth, false}};
    for (int i = 0; i < 3; ++i) {
        REBARBANDINFOW band{};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_IDEALSIZE | RBBIM_ID;
        band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | RBBS_USECHEVRON | (bands[i].breakBefore ? RBBS_BREAK : 0);
        band.hwndChild = bands[i].child;
        band.cxMinChild = bands[i].minimum;
        band.cyMinChild = height;
        band.cx = bands[i].width;
        band.cxIdeal = bands[i].width;
        band.wID = static_cast<UINT>(i);
        SendMessageW(rebar_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
    }
    // Each band starts at its full width: its header and edges come on top of its controls.
    for (int i = 0; i < 3; ++i)
        SizeBandToIdeal(i);
}

void TfrmMain::SizeBandToIdeal(int index)
{
    REBARBANDINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = RBBIM_IDEALSIZE | RBBIM_SIZE;
    SendMessageW(rebar_, RB_GETBANDINFOW, index, reinterpret_cast<LPARAM>(&info));
    RECT borders{};
    SendMessageW(rebar_, RB_GETBANDBORDERS, index, reinterpret_cast<LPARAM>(&borders));
    const UINT wanted = info.cxIdeal + borders.left + borders.right;
    if (info.cx == wanted)
        return;
    info.fMask = RBBIM_SIZE;
    info.cx = wanted;
    SendMessageW(rebar_, RB_SETBANDINFOW, index, reinterpret_cast<LPARAM>(&info));
}

void TfrmMain::FitToolbarRows()
{
    // Changing a band's row makes the dock report a new height, which lays the window out again.
    if (fittingToolbars_ || !rebar_)
        return;
    fittingToolbars_ = true;
    RECT client;
    GetClientRect(Handle(), &client);
    const int count = static_cast<int>(SendMessageW(rebar_, RB_GETBANDCOUNT, 0, 0));
    int used = 0, lastRow = -1;
    bool first = true;
    for (int i = 0; i < count; ++i) {
        REBARBANDINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = RBBIM_STYLE | RBBIM_IDEALSIZE | RBBIM_ID;
        SendMessageW(rebar_, RB_GETBANDINFOW, i, reinterpret_cast<LPARAM>(&info));
        if (info.fStyle & RBBS_HIDDEN)
            continue;
        RECT borders{};
        SendMessageW(rebar_, RB_GETBANDBORDERS, i, reinterpret_cast<LPARAM>(&borders));
        const int need = static_cast<int>(info.cxIdeal) + borders.left + borders.right;
        const int row = info.wID < 3 ? toolbarRow_[info.wID] : lastRow;
        // A band shares the row it was given only while the whole row fits; the first shown band
        // of a row starts it, also when the row's first band is hidden.
        const bool breakBefore = !first && (row != lastRow || used + need > client.right);
        used = breakBefore || first ? need : used + need;
        lastRow = row;
        first = false;
        const bool hasBreak = (info.fStyle & RBBS_BREAK) != 0;
        if (hasBreak == breakBefore)
            continue;
        info.fMask = RBBIM_STYLE;
        info.fStyle = breakBefore ? (info.fStyle | RBBS_BREAK) : (info.fStyle & ~RBBS_BREAK);
        SendMessageW(rebar_, RB_SETBANDINFOW, i, reinterpret_cast<LPARAM>(&info));
        SizeBandToIdeal(i);
    }
    fittingToolbars_ = false;
}

void TfrmMain::RememberToolbarRows()
{
    // The user dragged a band: its new row is the one to keep from now on.
    const int count = static_cast<int>(SendMessageW(rebar_, RB_GETBANDCOUNT, 0, 0));
    int row = 0;
    bool first = true;
    for (int i = 0; i < count; ++i) {
        REBARBANDINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = RBBIM_STYLE | RBBIM_ID;
        SendMessageW(rebar_, RB_GETBANDINFOW, i, reinterpret_cast<LPARAM>(&info));
        if (info.fStyle & RBBS_HIDDEN || info.wID >= 3)
            continue;
        if (!first && (info.fStyle & RBBS_BREAK))
            ++row;
        first = false;
        toolbarRow_[info.wID] = row;
    }
}

void TfrmMain::ShowChevronMenu(const NMREBARCHEVRON& chevron)
{
    REBARBANDINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = RBBIM_CHILD;
    SendMessageW(rebar_, RB_GETBANDINFOW, chevron.uBand, reinterpret_cast<LPARAM>(&info));
    HWND child = info.hwndChild;
    RECT shown;
    GetClientRect(child, &shown);
    HMENU menu = CreatePopupMenu();
    // Selectors cut off by the band's edge: a submenu of each one's entries.
    constexpr UINT kSelectorBase = 1000;
    std::vector<HWND> boxes;
    if (child == tbMain_) {
        // The toolbar buttons cut off: the same commands, as enabled and checked as the buttons.
        const int count = static_cast<int>(SendMessageW(tbMain_, TB_BUTTONCOUNT, 0, 0));
        bool pendingSeparator = false;
        for (int i = 0; i < count; ++i) {
            RECT r{};
            SendMessageW(tbMain_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
            if (r.right <= shown.right)
                continue;
            TBBUTTON button{};
            SendMessageW(tbMain_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
            if (button.fsStyle & BTNS_SEP) {
                pendingSeparator = GetMenuItemCount(menu) > 0;
                continue;
            }
            const UINT command = static_cast<UINT>(button.idCommand);
            if (command < kCommandBase || command >= kCommandBase + static_cast<UINT>(TActionId::Count))
                continue;
            const auto id = static_cast<TActionId>(command - kCommandBase);
            if (pendingSeparator)
                AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            pendingSeparator = false;
            const std::u16string text = gettext(Action(id).caption);
            UINT flags = MF_STRING | (IsActionEnabled(id) ? MF_ENABLED : MF_GRAYED);
            if (button.fsState & TBSTATE_CHECKED)
                flags |= MF_CHECKED;
            AppendMenuW(menu, flags, command, platform::W(text));
        }
    } else {
        for (HWND box = GetWindow(child, GW_CHILD); box; box = GetWindow(box, GW_HWNDNEXT)) {
            wchar_t cls[32]{};
            GetClassNameW(box, cls, 32);
            if (lstrcmpiW(cls, WC_COMBOBOXW) != 0)
                continue;
            RECT r;
            GetWindowRect(box, &r);
            MapWindowPoints(nullptr, child, reinterpret_cast<POINT*>(&r), 2);
            if (r.right <= shown.right)
                continue;
            // The label before the box names the submenu.
            wchar_t label[128]{};
            if (HWND before = GetWindow(box, GW_HWNDPREV))
                GetWindowTextW(before, label, 128);
            std::wstring name = label;
            while (!name.empty() && (name.back() == L' ' || name.back() == L':'))
                name.pop_back();
            while (!name.empty() && name.front() == L' ')
                name.erase(name.begin());
            HMENU entries = CreatePopupMenu();
            const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
            const int selected = static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
            for (int i = 0; i < count && i < 500; ++i) {
                std::wstring text(SendMessageW(box, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
                SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
                text.resize(wcslen(text.c_str()));
                const UINT flags = MF_STRING | (i == selected ? MF_CHECKED : 0) |
                                   (IsWindowEnabled(box) ? MF_ENABLED : MF_GRAYED);
                AppendMenuW(entries, flags, kSelectorBase + boxes.size() * 500 + i, text.c_str());
            }
            AppendMenuW(menu, MF_POPUP | (count && IsWindowEnabled(box) ? MF_ENABLED : MF_GRAYED),
                        reinterpret_cast<UINT_PTR>(entries), name.c_str());
            boxes.push_back(box);
        }
    }
    if (GetMenuItemCount(menu) > 0) {
        POINT at{chevron.rc.left, chevron.rc.bottom};
        ClientToScreen(rebar_, &at);
        SkinPopupMenu(menu); // shown without notifications: no WM_INITMENUPOPUP gives it the look
        const UINT chosen =
            TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, Handle(), nullptr);
        if (chosen >= kCommandBase) {
            ExecuteAction(static_cast<TActionId>(chosen - kCommandBase));
        } else if (chosen >= kSelectorBase && (chosen - kSelectorBase) / 500 < boxes.size()) {
            HWND box = boxes[(chosen - kSelectorBase) / 500];
            SendMessageW(box, CB_SETCURSEL, (chosen - kSelectorBase) % 500, 0);
            // As if the user had picked the entry in the box itself.
            SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(box));
        }
    }
    DestroyMenu(menu);
}

void TfrmMain::CreateStatusBar()
{
    // The labels' hints come from the window's shared hint window: a hint window of the bar's
    // own (SBARS_TOOLTIPS) is one more window for every start.
    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                 Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SkipEmptyFramePaint(statusBar_);
    SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_.get()), FALSE);
    SendMessageW(statusBar_, SB_SETMINHEIGHT, ScaleForDpi(22, dpi_), 0);
    // The labels exist from the start: texts set before the first layout must not be lost.
    SetStatusParts(statusBar_, dpi_);
    for (int part = 0; part < kStatusParts; ++part)
        AddSharedRectTool(statusBar_, static_cast<UINT_PTR>(part), StatusPartRect(statusBar_, part), u"");
    RelayMouseToSharedTooltip(statusBar_);
}

void TfrmMain::PlaceStatusTips()
{
    for (int part = 0; part < kStatusParts; ++part)
        PlaceSharedTool(statusBar_, static_cast<UINT_PTR>(part), StatusPartRect(statusBar_, part));
}

RECT TfrmMain::PanelsArea() const
{
    RECT rc;
    GetClientRect(Handle(), &rc);
    if (rebar_ && ShownInParent(rebar_)) {
        RECT bar;
        GetWindowRect(rebar_, &bar);
        rc.top += bar.bottom - bar.top;
    }
    if (statusBar_) {
        RECT bar;
        GetWindowRect(statusBar_, &bar);
        rc.bottom -= bar.bottom - bar.top;
    }
    if (InformationVisible())
        rc.bottom -= TInfoPanel::DefaultHeight(dpi_) + ScaleForDpi(kSplitterWidth, dpi_);
    rc.bottom = std::max(rc.top, rc.bottom);
    return rc;
}

void TfrmMain::LayoutChildren()
{
    if (!rebar_ || !statusBar_ || layoutHeld_)
        return;
    FitToolbarRows();
    RECT rc;
    GetClientRect(Handle(), &rc);
    laidOut_ = {rc.right, rc.bottom};
    SendMessageW(rebar_, WM_SIZE, 0, 0);
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    SetStatusParts(statusBar_, dpi_);
    PlaceStatusTips();
    // The bar does not repaint what it drew before it grew: the size grip would stay behind.
    InvalidateRect(statusBar_, nullptr, TRUE);

    RECT area = PanelsArea();
    if (infoPanel_) {
        if (InformationVisible()) {
            const int top = area.bottom + ScaleForDpi(kSplitterWidth, dpi_);
            MoveWindowAndRepaint(infoPanel_->Handle(), 0, top, rc.right, TInfoPanel::DefaultHeight(dpi_));
        }
    }
    LayoutTreePanels();
}

void TfrmMain::LayoutTreePanels()
{
    if (!sysView_ || !userView_)
        return;
    const RECT area = PanelsArea();
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const TPanelLayout layout = varnook::LayoutTreePanels(width, ScaleForDpi(kSplitterWidth, dpi_), proportion_);
    MoveWindowAndRepaint(sysView_->Handle(), area.left, area.top, layout.sysWidth, height);
    MoveWindowAndRepaint(userView_->Handle(), area.left + layout.userLeft, area.top, layout.userWidth, height);
    RECT gap{area.left + layout.splitterLeft, area.top, area.left + layout.userLeft, area.bottom};
    InvalidateRect(Handle(), &gap, TRUE);
}

bool TfrmMain::OverSplitter(POINT client) const
{
    const RECT area = PanelsArea();
    const TPanelLayout layout =
        varnook::LayoutTreePanels(area.right - area.left, ScaleForDpi(kSplitterWidth, dpi_), proportion_);
    return client.y >= area.top && client.y < area.bottom && client.x >= area.left + layout.splitterLeft &&
           client.x < area.left + layout.userLeft;
}

void TfrmMain::OnSplitterMouse(UINT message, LPARAM lParam)
{
    const RECT area = PanelsArea();
    const int splitter = ScaleForDpi(kSplitterWidth, dpi_);
    const int width = area.right - area.left;
    switch (message) {
    case WM_LBUTTONDOWN: {
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (OverSplitter(pt)) {
            const TPanelLayout layout = varnook::LayoutTreePanels(width, splitter, proportion_);
            trackingSplitter_ = true;
            splitterGrab_ = pt.x - (area.left + layout.splitterLeft);
            SetCapture(Handle());
        }
        break;
    }
    case WM_MOUSEMOVE:
        if (trackingSplitter_) {
            const int x = GET_X_LPARAM(lParam) - splitterGrab_ - area.left;
            const int sysWidth = std::clamp(x, 0, std::max(0, width - splitter));
            // vSplitterMoved: the new ratio holds from now on.
            proportion_ = ProportionFor(sysWidth, width, splitter);
            LayoutTreePanels();
        }
        break;
    case WM_LBUTTONUP:
        if (trackingSplitter_)
            ReleaseCapture();
        break;
    case WM_CAPTURECHANGED:
        trackingSplitter_ = false;
        break;
    }
}

HWND TfrmMain::InformationPanel() const
{
    return infoPanel_ ? infoPanel_->Handle() : nullptr;
}

bool TfrmMain::InformationVisible() const
{
    return infoPanel_ && ShownInParent(infoPanel_->Handle());
}

void TfrmMain::SetInformationVisible(bool visible)
{
    if (!infoPanel_)
        return;
    ShowWindow(infoPanel_->Handle(), visible ? SW_SHOW : SW_HIDE);
    SendMessageW(tbMain_, TB_CHECKBUTTON, kCommandBase + static_cast<unsigned>(TActionId::actViewShowInformation),
                 visible);
    LayoutChildren();
}

bool TfrmMain::OnAccessKey(UINT key)
{
    if (!created_ || !key)
        return false;
    // The labels are shown translated; so are their letters.
    const struct {
        const char16_t* label;
        const TSelectorBox& box;
        int band;
    } selectors[] = {{kLanguageLabel, languageBox_, kBandInterface},
                     {kSkinLabel, skinBox_, kBandInterface},
                     {kUserLabel, userBox_, kBandUser}};
    for (const auto& s : selectors) {
        if (AccessKeyOf(gettext(s.label)) != key)
            continue;
        if (!ToolbarVisible(s.band) || !s.box.Enabled())
            return false;
        SetFocus(s.box.Handle());
        return true;
    }
    for (TInfoPanel::TTab tab : {TInfoPanel::tabInspector, TInfoPanel::tabLegend}) {
        if (AccessKeyOf(gettext(TInfoPanel::TabCaption(tab))) != key)
            continue;
        if (!InformationVisible())
            ExecuteAction(TActionId::actViewShowInformation);
        infoPanel_->SelectTab(tab);
        return true;
    }
    return false;
}

bool TfrmMain::ToolbarVisible(int band) const
{
    REBARBANDINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = RBBIM_STYLE;
    SendMessageW(rebar_, RB_GETBANDINFOW, band, reinterpret_cast<LPARAM>(&info));
    return !(info.fStyle & RBBS_HIDDEN);
}

void TfrmMain::SetToolbarVisible(int band, bool visible)
{
    SendMessageW(rebar_, RB_SHOWBAND, band, visible);
    if (visible)
        SizeBandToIdeal(band);
    LayoutChildren();
    // The bands left on the dock moved too.
    RedrawWindow(rebar_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TfrmMain::SetSystemReadOnlyLook()
{
    sysView_->Caption().SetCaption(N_(u"System variables (read-only)"));
    sysView_->SetReadOnlyLook(true);
    sysView_->Caption().SetButtonVisible(2, true); // btnRestartAsAdmin
}

void TfrmMain::OnDpiChanged(UINT dpi, const RECT* suggested)
{
    dpi_ = dpi;
    uiFont_.reset(MakeFont(dpi_, FW_NORMAL));
    boldFont_.reset(MakeFont(dpi_, FW_BOLD));
    italicMenuFont_.reset(MakeFont(dpi_, FW_NORMAL, true));
    linkFont_.reset(MakeFont(dpi_, FW_BOLD, false, true));
    LoadImageLists();
    SendMessageW(tbMain_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarIcons_));
    SendMessageW(tbMain_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarDisabledIcons_));
    for (TTreeView* view : {sysView_.get(), userView_.get()}) {
        view->UpdateDpi(dpi);
        view->SetImages(treeImages_);
        view->SetFont(uiFont_.get(), boldFont_.get());
    }
    infoPanel_->UpdateDpi(dpi);
    infoPanel_->SetImages(treeImages_);
    infoPanel_->SetFonts(uiFont_.get(), boldFont_.get());
    SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_.get()), FALSE);
    for (int i = 0; i < 4; ++i)
        SendMessageW(statusBar_, SB_SETICON, i, reinterpret_cast<LPARAM>(StatusIcon(statusImage_[i])));
    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutChildren();
}

std::vector<TToolbarArrangement> TfrmMain::GetToolbarArrangement()
{
    std::vector<TToolbarArrangement> result;
    if (!rebar_)
        return result;
    const int count = static_cast<int>(SendMessageW(rebar_, RB_GETBANDCOUNT, 0, 0));
    int row = 0, pos = 0;
    for (int i = 0; i < count; ++i) {
        REBARBANDINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = RBBIM_STYLE | RBBIM_ID;
        SendMessageW(rebar_, RB_GETBANDINFOW, i, reinterpret_cast<LPARAM>(&info));
        if (i > 0 && (info.fStyle & RBBS_BREAK)) {
            ++row;
            pos = 0;
        }
        TToolbarArrangement a;
        a.name = kToolbarNames[info.wID < 3 ? info.wID : 0];
        a.visible = !(info.fStyle & RBBS_HIDDEN);
        a.dockedTo = u"TopDock";
        a.lastDock = u"TopDock";
        a.dockRow = row;
        a.dockPos = pos++;
        result.push_back(std::move(a));
    }
    return result;
}

void TfrmMain::ApplyToolbarArrangement(const TToolbarArrangement& arrangement)
{
    // The options are read before the window has its toolbars; the records wait until then.
    if (!rebar_)
        return;
    for (int id = 0; id < 3; ++id) {
        if (arrangement.name != kToolbarNames[id])
            continue;
        const int index = static_cast<int>(SendMessageW(rebar_, RB_IDTOINDEX, id, 0));
        if (index < 0)
            return;
        SendMessageW(rebar_, RB_SHOWBAND, index, arrangement.visible);
        REBARBANDINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = RBBIM_STYLE;
        SendMessageW(rebar_, RB_GETBANDINFOW, index, reinterpret_cast<LPARAM>(&info));
        if (arrangement.dockPos == 0 && index > 0)
            info.fStyle |= RBBS_BREAK;
        else
            info.fStyle &= ~RBBS_BREAK;
        SendMessageW(rebar_, RB_SETBANDINFOW, index, reinterpret_cast<LPARAM>(&info));
        // The row it was on; the next layout clamps the rows to what fits the window.
        toolbarRow_[id] = std::max(0, arrangement.dockRow);
        SizeBandToIdeal(index);
    }
}

void TfrmMain::RetranslateSelectors()
{
    const struct {
        const char16_t* label;
        TSelectorBox& box;
    } selectors[] = {{kLanguageLabel, languageBox_}, {kSkinLabel, skinBox_}, {kUserLabel, userBox_}};
    for (const auto& s : selectors) {
        // A box made later takes its hint in the language then in use.
        if (HWND made = s.box.Made())
            SetSharedToolText(s.box.Strip(), reinterpret_cast<UINT_PTR>(made), gettext(s.box.Hint()));
        SetWindowTextW(s.box.Label(), platform::W(gettext(s.label)));
    }
    // A longer label pushes its list to the right: the strips and their bands follow.
    for (const auto& [boxes, band] : {std::pair{&interfaceBoxes_, kBandInterface}, std::pair{&userBoxes_, kBandUser}}) {
        int x = 0, firstEnd = 0;
        for (TSelectorBox* box : *boxes) {
            RECT r;
            GetWindowRect(box->Label(), &r);
            MapWindowPoints(nullptr, box->Strip(), reinterpret_cast<POINT*>(&r), 2);
            std::wstring text(GetWindowTextLengthW(box->Label()) + 1, L'\0');
            text.resize(GetWindowTextW(box->Label(), text.data(), static_cast<int>(text.size())));
            const int labelWidth = LabelWidth(uiFont_.get(), text.c_str());
            PlaceChild(box->Label(), x, r.top, labelWidth, r.bottom - r.top);
            x += labelWidth;
            box->MoveTo(x);
            x += box->Width() + ScaleForDpi(4, dpi_);
            if (!firstEnd)
                firstEnd = x;
        }
        const int index = static_cast<int>(SendMessageW(rebar_, RB_IDTOINDEX, band, 0));
        if (index < 0)
            continue;
        REBARBANDINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = RBBIM_CHILDSIZE | RBBIM_IDEALSIZE;
        SendMessageW(rebar_, RB_GETBANDINFOW, index, reinterpret_cast<LPARAM>(&info));
        info.cxMinChild = firstEnd;
        info.cxIdeal = x;
        SendMessageW(rebar_, RB_SETBANDINFOW, index, reinterpret_cast<LPARAM>(&info));
        SizeBandToIdeal(index);
        InvalidateRect(boxes->front()->Strip(), nullptr, TRUE);
    }
}

} // namespace varnook
