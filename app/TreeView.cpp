#include "app/TreeView.h"

#include "app/FormOK.h"
#include "core/Presentation.h"
#include "core/Translate.h"
#include "edit/InPlaceEdit.h"
#include "core/Strings.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include <uxtheme.h>
#include <windowsx.h>

namespace varnook {

namespace {
constexpr wchar_t kClassName[] = L"VarnookTreePanel";
constexpr COLORREF kReadOnlyBackground = RGB(240, 240, 240);
// Type-ahead forgets what was typed after this pause, as the system's own lists do.
constexpr DWORD kTypeAheadPause = 1000;
// Posted to the panel: release ended editors outside their own messages; open the editor of a
// double-clicked row.
constexpr UINT kReleaseEditors = WM_APP + 41;
constexpr UINT kEditDoubleClicked = WM_APP + 42;
// Posted to the panel: repaint the rows whose look changed since the last time.
constexpr UINT kRepaintRows = WM_APP + 43;
// More changed rows than this repaint the whole control: cheaper than asking for each rectangle.
constexpr size_t kRowsRepaintedOneByOne = 64;

COLORREF ToColorRef(const TRgb& c)
{
    return RGB(c.r, c.g, c.b);
}
} // namespace

TTreeView::TTreeView(HWND parent, int iconId, std::u16string caption, std::vector<TPanelCaption::TButton> extraButtons,
                     THooks hooks)
    : hooks_(std::move(hooks)), dpi_(WindowDpi(parent))
{
    RegisterWindowClass(kClassName, 0, nullptr);
    // Made without a size: its children are placed once, when the main window lays it out.
    CreateWindowFor(WS_EX_CONTROLPARENT, kClassName, platform::W(caption), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                    0, 0, 0, 0, parent, nullptr);
    std::vector<TPanelCaption::TButton> buttons;
    TPanelCaption::TButton collapse;
    collapse.iconId = IDI_PANEL_COLLAPSE;
    collapse.hint = N_(u"Collapse All (Ctrl+Shift+-)");
    // The buttons hand the keyboard back to the tree: arrows and type-ahead go on working.
    collapse.onClick = [this] {
        CollapseAll();
        SetFocus(control_);
    };
    TPanelCaption::TButton expand;
    expand.iconId = IDI_PANEL_EXPAND;
    expand.hint = N_(u"Expand All (Ctrl+Shift++)");
    expand.onClick = [this] {
        ExpandAll();
        SetFocus(control_);
    };
    // Laid out from the right: Expand All outermost, Collapse All to its left, extras further left.
    buttons.push_back(expand);
    buttons.push_back(collapse);
    for (auto& b : extraButtons)
        buttons.push_back(std::move(b));
    caption_ = std::make_unique<TPanelCaption>(Handle(), iconId, std::move(caption), std::move(buttons));

    control_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                   TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS,
                               0, 0, 10, 10, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    // The control's own procedure is replaced once, here: a subclass chain would look its data
    // up on every message the control gets, and under Wine each lookup asks the server.
    SetWindowLongPtrW(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    controlProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TTreeView::ControlProc)));
    // The row's hint (why it is red, why it is excluded), or the whole text of a row wider than
    // the tree. Wine's tree control never asks for info tips, and its own label tip would
    // compete with ours: the control has none. The control's procedure above hands it the
    // mouse.
    hint_ = std::make_unique<THoverTip>(control_, [this](POINT p, uintptr_t& spot) { return HintAt(p, spot); },
                                        THoverTip::TFeed::ByOwner);
    UpdateDpi(dpi_);
}

std::u16string TTreeView::HintAt(POINT client, uintptr_t& spot) const
{
    TVHITTESTINFO hit{};
    hit.pt = client;
    HTREEITEM item = TreeView_HitTest(control_, &hit);
    if (!item || !tree_ || !(hit.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT)))
        return {};
    const TNode* node = NodeOf(item);
    if (!node)
        return {};
    spot = reinterpret_cast<uintptr_t>(item);
    std::u16string hint = tree_->GetHint(node);
    // A row cut at the edge shows whole, below its errors when it has any.
    RECT text, shown;
    if (TreeView_GetItemRect(control_, item, &text, TRUE) && GetClientRect(control_, &shown) &&
        (text.right > shown.right || text.left < shown.left))
        return hint.empty() ? tree_->GetNodeAsText(node) : hint + u"\r\n\r\n" + tree_->GetNodeAsText(node);
    return hint;
}

TTreeView::~TTreeView()
{
    DiscardEdit();
    retired_.clear();
    hint_.reset();
    if (tree_)
        tree_->SetObserver(nullptr);
    ReleaseControl();
}

void TTreeView::ReleaseControl()
{
    if (control_ && controlProc_ && IsWindow(control_)) {
        // A procedure put in front of ours later (a skin's) keeps its place: ours stays in the
        // chain and passes every message on.
        if (GetWindowLongPtrW(control_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TTreeView::ControlProc))
            SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc_));
        SetWindowLongPtrW(control_, GWLP_USERDATA, 0);
    }
    controlProc_ = nullptr;
}

void TTreeView::Attach(TETree* tree)
{
    DiscardEdit();
    if (tree_)
        tree_->SetObserver(nullptr);
    tree_ = tree;
    if (tree_)
        tree_->SetObserver(this);
    Rebuild();
}

void TTreeView::SetImages(HIMAGELIST images)
{
    images_ = images;
    TreeView_SetImageList(control_, images, TVSIL_NORMAL);
    TreeView_SetItemHeight(control_, ScaleForDpi(20, dpi_));
}

void TTreeView::SetFont(HFONT font, HFONT boldFont)
{
    font_ = font;
    boldFont_ = boldFont;
    SendMessageW(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    TreeView_SetItemHeight(control_, ScaleForDpi(20, dpi_));
    caption_->SetFont(font, boldFont);
}

void TTreeView::UpdateDpi(UINT dpi)
{
    dpi_ = dpi;
    if (hint_)
        hint_->UpdateDpi(dpi);
    caption_->UpdateDpi(dpi);
    TreeView_SetItemHeight(control_, ScaleForDpi(20, dpi_));
    Layout();
}

void TTreeView::SetReadOnlyLook(bool readOnly)
{
    readOnly_ = readOnly;
    TreeView_SetBkColor(control_, readOnly ? kReadOnlyBackground : static_cast<COLORREF>(-1));
    InvalidateRect(control_, nullptr, TRUE);
}

void TTreeView::CollapseAll()
{
    if (tree_)
        tree_->FullCollapse();
}

void TTreeView::ExpandAll()
{
    if (tree_)
        tree_->FullExpand();
}

HTREEITEM TTreeView::ItemOf(const TNode* node) const
{
    auto it = items_.find(node);
    return it == items_.end() ? nullptr : it->second;
}

const TNode* TTreeView::NodeOf(HTREEITEM item) const
{
    if (!item)
        return nullptr;
    TVITEMW tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!TreeView_GetItem(control_, &tv))
        return nullptr;
    return reinterpret_cast<const TNode*>(tv.lParam);
}

void TTreeView::Rebuild()
{
    syncing_ = true;
    SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(control_);
    items_.clear();
    dirtyRows_.clear();
    if (tree_) {
        items_.reserve(tree_->VariableCount() * 2);
        // Text and icon come from TVN_GETDISPINFO when a row is painted; the elements of a
        // variable only when it is first expanded.
        TVINSERTSTRUCTW insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        insert.item.pszText = LPSTR_TEXTCALLBACKW;
        insert.item.iImage = insert.item.iSelectedImage = I_IMAGECALLBACK;
        for (TNode* variable = tree_->FirstVariable(); variable; variable = variable->NextSibling()) {
            if (!variable->IsVisible())
                continue;
            insert.item.cChildren = variable->ChildCount() ? 1 : 0;
            insert.item.lParam = reinterpret_cast<LPARAM>(variable);
            HTREEITEM item = TreeView_InsertItem(control_, &insert);
            items_[variable] = item;
            if (variable->IsExpanded()) {
                InsertElements(variable, item);
                TreeView_Expand(control_, item, TVE_EXPAND);
            }
        }
    }
    SyncSelection();
    SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control_, nullptr, TRUE);
    syncing_ = false;
}

void TTreeView::InsertElements(const TNode* variable, HTREEITEM parent)
{
    if (!variable->FirstChild() || items_.count(variable->FirstChild()))
        return;
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    insert.item.iImage = insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.cChildren = 0;
    for (const TNode* element = variable->FirstChild(); element; element = element->NextSibling()) {
        insert.item.lParam = reinterpret_cast<LPARAM>(element);
        items_[element] = TreeView_InsertItem(control_, &insert);
    }
}

void TTreeView::SyncSelection()
{
    const bool was = syncing_;
    syncing_ = true;
    HTREEITEM item = tree_ ? ItemOf(tree_->FocusedNode()) : nullptr;
    TreeView_SelectItem(control_, item);
    if (item) {
        TreeView_EnsureVisible(control_, item);
        // Making a long row visible scrolls the tree sideways and hides the buttons and images
        // of every row; the left edge stays in view, the scroll bar reaches the rest.
        SendMessageW(control_, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    }
    syncing_ = was;
}

void TTreeView::TreeChanged()
{
    // A row the user expanded or collapsed in the control is shown already: only the model
    // followed it.
    if (!followingControl_)
        Rebuild();
    if (!IsEditing())
        return;
    // The nodes under an open editor may be gone (undo, refresh): the edit cannot go on. The
    // operations that change the tree end an edit before they start, so this is a safety net
    // that keeps the editor from writing into a node that is gone.
    if (!HoldsNode(link_->Node())) {
        DiscardEdit();
        if (tree_)
            tree_->IsOnEdited = true;
        return;
    }
    RECT rc;
    HTREEITEM item = ItemOf(link_->Node());
    if (item && TreeView_GetItemRect(control_, item, &rc, TRUE)) {
        const RECT old = link_->GetBounds();
        rc.right = rc.left + (old.right - old.left);
        link_->SetBounds(rc);
    }
}

bool TTreeView::HoldsNode(const TNode* node) const
{
    if (!tree_ || !node)
        return false;
    for (const TNode* v = tree_->FirstVariable(); v; v = v->NextSibling()) {
        if (v == node)
            return true;
        for (const TNode* e = v->FirstChild(); e; e = e->NextSibling())
            if (e == node)
                return true;
    }
    return false;
}

void TTreeView::NodeChanged(const TNode* node)
{
    // The variable's row shows its value and its overlays: an element change shows there too.
    // A verification pass may change many rows at once: each is repainted once, after the pass.
    const TNode* rows[] = {node, node->Level() == 1 ? node->Parent() : nullptr};
    for (const TNode* row : rows) {
        if (!row || !items_.count(row))
            continue;
        if (dirtyRows_.empty())
            PostMessageW(Handle(), kRepaintRows, 0, 0);
        dirtyRows_.insert(row);
    }
}

void TTreeView::RepaintRows()
{
    if (dirtyRows_.size() > kRowsRepaintedOneByOne) {
        InvalidateRect(control_, nullptr, TRUE);
    } else {
        for (const TNode* row : dirtyRows_) {
            RECT rc;
            HTREEITEM item = ItemOf(row);
            if (item && TreeView_GetItemRect(control_, item, &rc, FALSE))
                InvalidateRect(control_, &rc, TRUE);
        }
    }
    dirtyRows_.clear();
}

void TTreeView::FocusChanged()
{
    SyncSelection();
}

void TTreeView::FinishEditing()
{
    if (IsEditing())
        link_->EndEdit(TEditEnd::Key);
    SetFocus(control_);
}

bool TTreeView::IsEditing() const
{
    return link_ && !link_->Stopping();
}

bool TTreeView::EditNode(TNode* node)
{
    if (!tree_ || !node || readOnly_ || !HoldsNode(node) || TETree::GetVariableReadOnly(TETree::GetVariableNode(node)))
        return false;
    if (IsEditing())
        link_->EndEdit(TEditEnd::Key);
    // Ending the former edit may have resorted the tree; the node itself stays.
    if (tree_->FocusedNode() != node)
        tree_->ActivateNode(node);
    HTREEITEM item = ItemOf(node);
    if (!item)
        return false;
    TreeView_EnsureVisible(control_, item);
    RECT rc;
    if (!TreeView_GetItemRect(control_, item, &rc, TRUE))
        return false;
    TETreeStringEditLink::THost host;
    host.accept = [this](TNode* edited, const std::u16string& text) {
        if (!TETree::IsVariable(edited)) {
            AcceptElementText(*tree_, edited, text);
            return;
        }
        const std::u16string refusal = AcceptVariableName(*tree_, edited, text);
        if (!refusal.empty())
            TfrmOK::createAndShowModal(refusal, mtError);
    };
    host.cancel = [this](TNode*) { CancelInPlaceEdit(*tree_); };
    host.ended = [this, node](TEditEnd how) { EditEnded(node, how); };
    auto link = std::make_unique<TETreeStringEditLink>(std::move(host));
    if (!link->PrepareEdit(tree_, node, -1, control_, rc, font_, dpi_))
        return false;
    link_ = std::move(link);
    link_->BeginEdit();
    return true;
}

bool TTreeView::NodesInView(std::vector<const TNode*>& nodes)
{
    if (!control_ || !IsWindowVisible(control_))
        return true; // nothing on screen
    // The rows from the first visible one down, one page and the partly shown row.
    const int count = static_cast<int>(SendMessageW(control_, TVM_GETVISIBLECOUNT, 0, 0)) + 1;
    HTREEITEM item = TreeView_GetFirstVisible(control_);
    for (int i = 0; item && i < count; ++i, item = TreeView_GetNextVisible(control_, item))
        if (const TNode* node = NodeOf(item))
            nodes.push_back(node);
    return true;
}

void TTreeView::EditEnded(TNode* node, TEditEnd how)
{
    tree_->IsOnEdited = true;
    retired_.push_back(std::move(link_));
    PostMessageW(Handle(), kReleaseEditors, 0, 0);
    if (how == TEditEnd::Cancel)
        return;
    // A renamed variable moves to its place.
    tree_->Sort();
    if (how != TEditEnd::Tab || !HoldsNode(node))
        return;
    HTREEITEM item = ItemOf(node);
    HTREEITEM next = item ? TreeView_GetNextVisible(control_, item) : nullptr;
    if (next)
        EditNode(const_cast<TNode*>(NodeOf(next)));
}

void TTreeView::DiscardEdit()
{
    if (!link_)
        return;
    link_->Discard();
    if (HWND edit = link_->Editor() ? link_->Editor()->Handle() : nullptr) {
        if (GetFocus() == edit)
            SetFocus(control_);
        ShowWindow(edit, SW_HIDE);
    }
    retired_.push_back(std::move(link_));
    if (Handle())
        PostMessageW(Handle(), kReleaseEditors, 0, 0);
}

bool TTreeView::FindAndActivate(std::u16string_view prefix)
{
    if (!tree_ || prefix.empty() || !tree_->FirstVariable())
        return false;
    const std::u16string wanted = AsciiUpper(prefix);
    auto matches = [&](const TNode* node) {
        const std::u16string& text = TETree::IsVariable(node) ? TETree::GetVariableName(node) : TETree::GetElement(node);
        return text.size() >= wanted.size() && AsciiUpper(std::u16string_view(text).substr(0, wanted.size())) == wanted;
    };
    TNode* start = tree_->FocusedNode();
    // A longer prefix may still match the focused node itself; a first letter moves on.
    TNode* node = start && wanted.size() > 1 ? start : (start ? TETree::GetNextNode(start) : tree_->FirstVariable());
    for (size_t steps = 0; steps <= tree_->NodeCount(); ++steps) {
        if (!node)
            node = tree_->FirstVariable();
        if (matches(node) && TETree::IsDisplayed(node)) {
            tree_->ActivateNode(node);
            return true;
        }
        node = TETree::GetNextNode(node);
    }
    return false;
}

void TTreeView::Layout()
{
    // WM_SIZE arrives while the panel is created, before its children exist.
    if (!caption_ || !control_)
        return;
    RECT rc;
    GetClientRect(Handle(), &rc);
    if (rc.right <= 0 || rc.bottom <= 0)
        return;
    const int captionHeight = TPanelCaption::HeightFor(dpi_);
    PlaceChild(caption_->Handle(), 0, 0, rc.right, captionHeight);
    PlaceChild(control_, 0, captionHeight, rc.right, std::max(0L, rc.bottom - captionHeight));
}

void TTreeView::DrawOverlays(NMTVCUSTOMDRAW* draw, const TNode* node)
{
    if (!images_)
        return;
    const TOverlays overlays = RowOverlays(tree_->GetRowFacts(node));
    if (!overlays.count)
        return;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
    RECT text;
    if (!TreeView_GetItemRect(control_, item, &text, TRUE))
        return;
    int imageWidth = 16, imageHeight = 16;
    ImageList_GetIconSize(images_, &imageWidth, &imageHeight);
    // The control puts the icon just left of the text, with a gap of 3 pixels.
    const int iconLeft = text.left - imageWidth - 3;
    const int rowHeight = TreeView_GetItemHeight(control_);
    const TPoint at = OverlayPosition(iconLeft, draw->nmcd.rc.top, 0, 0, rowHeight, imageHeight);
    for (int i = 0; i < overlays.count; ++i)
        ImageList_Draw(images_, overlays.images[i], draw->nmcd.hdc, at.x, at.y, ILD_TRANSPARENT);
}

LRESULT TTreeView::OnCustomDraw(NMTVCUSTOMDRAW* draw)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return tree_ ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT: {
        const auto* node = reinterpret_cast<const TNode*>(draw->nmcd.lItemlParam);
        if (!node)
            return CDRF_DODEFAULT;
        const bool selected = (draw->nmcd.uItemState & CDIS_SELECTED) != 0;
        const TRowFacts facts = tree_->GetRowFacts(node);
        const TRowStyle style = RowStyle(facts, selected);
        // A row is told of again after its painting only to draw its overlays on its icon.
        LRESULT result = node->Level() == 0 && RowOverlays(facts).count ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
        if (style.color)
            draw->clrText = ToColorRef(*style.color);
        // The editor is as wide as its text: the row's own text and its selection box would
        // show beside it.
        if (IsEditing() && link_->Node() == node) {
            const COLORREF back = TreeView_GetBkColor(control_);
            draw->clrText = draw->clrTextBk = back == CLR_NONE ? GetSysColor(COLOR_WINDOW) : back;
        }
        if (style.bold && boldFont_) {
            SelectObject(draw->nmcd.hdc, boldFont_);
            result |= CDRF_NEWFONT;
        }
        return result;
    }
    case CDDS_ITEMPOSTPAINT: {
        const auto* node = reinterpret_cast<const TNode*>(draw->nmcd.lItemlParam);
        if (node && node->Level() == 0)
            DrawOverlays(draw, node);
        return CDRF_DODEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}

LRESULT TTreeView::OnNotify(NMHDR* header)
{
    switch (header->code) {
    case TVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMTVDISPINFOW*>(header);
        const auto* node = reinterpret_cast<const TNode*>(info->item.lParam);
        if (!node || !tree_)
            return 0;
        if (info->item.mask & TVIF_TEXT) {
            textBuffer_ = tree_->GetNodeAsText(node);
            lstrcpynW(info->item.pszText, platform::W(textBuffer_), info->item.cchTextMax);
        }
        if (info->item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
            // Elements have no icon: an index past the list draws nothing.
            const int image = node->Level() == 0 ? TETree::GetImage(node) : 99;
            info->item.iImage = info->item.iSelectedImage = image;
        }
        return 0;
    }
    case TVN_SELCHANGEDW: {
        auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
        if (!syncing_ && tree_) {
            auto* node = const_cast<TNode*>(reinterpret_cast<const TNode*>(info->itemNew.lParam));
            if (node != tree_->FocusedNode()) {
                syncing_ = true;
                tree_->ActivateNode(node);
                syncing_ = false;
            }
        }
        return 0;
    }
    case TVN_ITEMEXPANDINGW: {
        auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
        const auto* node = reinterpret_cast<const TNode*>(info->itemNew.lParam);
        if (tree_ && node && (info->action & TVE_EXPAND))
            InsertElements(node, info->itemNew.hItem);
        return FALSE;
    }
    case TVN_ITEMEXPANDEDW: {
        auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
        if (!syncing_ && tree_) {
            auto* node = const_cast<TNode*>(reinterpret_cast<const TNode*>(info->itemNew.lParam));
            syncing_ = true;
            followingControl_ = true;
            tree_->SetExpanded(node, (info->action & TVE_EXPAND) != 0);
            followingControl_ = false;
            syncing_ = false;
            // Collapsing may have moved the focus onto the variable.
            SyncSelection();
        }
        return 0;
    }
    case TVN_BEGINDRAGW: {
        auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
        if (tree_ && hooks_.onBeginDrag)
            hooks_.onBeginDrag(const_cast<TNode*>(reinterpret_cast<const TNode*>(info->itemNew.lParam)));
        return 0;
    }
    case NM_RCLICK: {
        // A right click first activates the node under the pointer: focus and selection move
        // together, so the commands of the menu act on the row the user clicked.
        POINT screen;
        GetCursorPos(&screen);
        TVHITTESTINFO hit{};
        hit.pt = screen;
        ScreenToClient(control_, &hit.pt);
        HTREEITEM item = TreeView_HitTest(control_, &hit);
        if (item && tree_)
            tree_->ActivateNode(const_cast<TNode*>(NodeOf(item)));
        SetFocus(control_);
        if (hooks_.onContextMenu)
            hooks_.onContextMenu(screen);
        return TRUE;
    }
    case NM_CUSTOMDRAW:
        return OnCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(header));
    case NM_DBLCLK: {
        // A double click on the text or icon of a row that may be edited starts an edit instead
        // of expanding the row. The editor opens once the control has finished with the click,
        // which would otherwise take the focus back.
        TVHITTESTINFO hit{};
        GetCursorPos(&hit.pt);
        ScreenToClient(control_, &hit.pt);
        HTREEITEM item = TreeView_HitTest(control_, &hit);
        const TNode* node = NodeOf(item);
        if (!item || !(hit.flags & TVHT_ONITEM) || !node || readOnly_ ||
            TETree::GetVariableReadOnly(TETree::GetVariableNode(const_cast<TNode*>(node))))
            return FALSE;
        PostMessageW(Handle(), kEditDoubleClicked, 0, reinterpret_cast<LPARAM>(node));
        return TRUE;
    }
    }
    return 0;
}

bool TTreeView::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_PAINT:
        if (wParam)
            return false;
        PaintBuffered();
        return result = 0, true;
    case WM_ERASEBKGND:
        // The buffered paint fills the background itself.
        if (WindowFromDC(reinterpret_cast<HDC>(wParam)) == control_)
            return result = 1, true;
        return false;
    case WM_NCPAINT:
    case WM_NCMOUSEMOVE:
        return OnFrameMessage(control_, controlProc_, message, wParam, frameOffScreen_) ? (result = 0, true) : false;
    case WM_STYLECHANGING:
    case WM_STYLECHANGED:
        // Redrawing turned off and on around a paint: the control would measure every row again.
        if (paintFrozen_)
            return result = 0, true;
        return false;
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_HSCROLL:
        // The editor does not scroll with the rows: scrolling ends the edit, accepting it.
        if (IsEditing())
            FinishEditing();
        return false;
    case WM_SETFOCUS:
        if (hooks_.onFocus)
            hooks_.onFocus();
        return false;
    case WM_KEYDOWN: {
        const bool ctrl = GetKeyState(VK_CONTROL) & 0x8000;
        const bool shift = GetKeyState(VK_SHIFT) & 0x8000;
        if (ctrl && shift && (wParam == VK_OEM_PLUS || wParam == VK_ADD)) {
            ExpandAll();
            return result = 0, true;
        }
        if (ctrl && shift && (wParam == VK_OEM_MINUS || wParam == VK_SUBTRACT)) {
            CollapseAll();
            return result = 0, true;
        }
        return false;
    }
    case WM_CHAR: {
        // Type-ahead over every node, collapsed ones included; the control's own search only
        // sees the rows on screen.
        const auto c = static_cast<char16_t>(wParam);
        if (c < u' ' || (GetKeyState(VK_CONTROL) & 0x8000))
            return false;
        const DWORD now = GetTickCount();
        if (now - lastTypedTick_ > kTypeAheadPause)
            typed_.clear();
        lastTypedTick_ = now;
        typed_ += c;
        if (!FindAndActivate(typed_) && typed_.size() > 1) {
            typed_ = std::u16string(1, c);
            FindAndActivate(typed_);
        }
        return result = 0, true;
    }
    case WM_GETDLGCODE:
        // Keys reach the tree; Tab is the main window's to toggle between the trees.
        result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return true;
    }
    return false;
}

namespace {
bool SameScrollState(const SCROLLINFO& a, const SCROLLINFO& b)
{
    return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
}
} // namespace

void TTreeView::PaintBuffered()
{
    // The control sets and redraws both scroll bars at the end of every paint, changed or not:
    // under Wine three redraws of themed bars, the most part of repainting a row. It paints
    // into the buffer with its redrawing off (the WS_VISIBLE bit that WM_SETREDRAW clears), and
    // the bars are redrawn only when the paint moved them.
    SCROLLINFO before[2]{}, after[2]{};
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
        before[bar].cbSize = after[bar].cbSize = sizeof(SCROLLINFO);
        before[bar].fMask = after[bar].fMask = SIF_ALL;
        GetScrollInfo(control_, bar, &before[bar]);
    }
    const LONG_PTR style = GetWindowLongPtrW(control_, GWL_STYLE);
    LONG_PTR painted = style;
    paintBuffer_.Paint(control_, [&](HDC dc, bool offScreen) {
        if (!offScreen) {
            CallWindowProcW(controlProc_, control_, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
            return;
        }
        paintFrozen_ = true;
        SetWindowLongPtrW(control_, GWL_STYLE, style & ~WS_VISIBLE);
        CallWindowProcW(controlProc_, control_, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        painted = GetWindowLongPtrW(control_, GWL_STYLE);
        SetWindowLongPtrW(control_, GWL_STYLE, painted | (style & WS_VISIBLE));
        paintFrozen_ = false;
    });
    bool moved = ((style ^ painted) & (WS_HSCROLL | WS_VSCROLL)) != 0;
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
        GetScrollInfo(control_, bar, &after[bar]);
        moved = moved || !SameScrollState(before[bar], after[bar]);
    }
    // A paint that scrolled or showed a bar drew what it drew before it moved: once more, whole,
    // frame and bars included.
    if (moved && ++unsettledPaints_ <= 2)
        RedrawWindow(control_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    else if (!moved)
        unsettledPaints_ = 0;
}

LRESULT CALLBACK TTreeView::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TTreeView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Ours was put in front of the control's class procedure as the control was made.
    if (!self || !self->controlProc_)
        return CallWindowProcW(reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC)), hwnd, message, wParam,
                               lParam);
    const WNDPROC original = self->controlProc_;
    if (message == WM_NCDESTROY) {
        self->ReleaseControl();
        return CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        if (self->hint_ && self->hint_->OnOwnerMessage(message, wParam, lParam, result))
            return result;
        if (self->OnControlMessage(message, wParam, lParam, result))
            return result;
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
        return 0;
    }
    return CallWindowProcW(original, hwnd, message, wParam, lParam);
}

LRESULT TTreeView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == control_)
            return OnNotify(header);
        break;
    }
    case WM_SETFOCUS:
        SetFocus(control_);
        return 0;
    case kReleaseEditors:
        retired_.clear();
        return 0;
    case kRepaintRows:
        RepaintRows();
        return 0;
    case kEditDoubleClicked: {
        // The row may have gone meanwhile: only a node still in the model, and still focused.
        auto* node = reinterpret_cast<TNode*>(lParam);
        if (!HoldsNode(node) || (tree_ && tree_->FocusedNode() != node))
            return 0;
        if (hooks_.onDoubleClick)
            hooks_.onDoubleClick();
        else
            EditNode(node);
        return 0;
    }
    }
    return DefaultProc(message, wParam, lParam);
}

} // namespace varnook
