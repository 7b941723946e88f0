#include "app/TreeDragDrop.h"

#include "app/FormYesNo.h"
#include "app/MainWindow.h"
#include "app/TreeView.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "edit/DropRules.h"

#include <commctrl.h>

namespace varnook {

class TTreeDragDrop::THandler final : public IDropHandler {
public:
    THandler(TTreeDragDrop& owner, TTreeView& view) : owner_(owner), view_(view) {}
    DWORD DragOver(POINT screen) override { return owner_.Over(view_, screen); }
    void DragLeave() override { owner_.ClearMark(view_); }
    DWORD Drop(POINT screen) override { return owner_.Drop(view_, screen); }

private:
    TTreeDragDrop& owner_;
    TTreeView& view_;
};

TTreeDragDrop::TTreeDragDrop(TfrmMain& window) : window_(window)
{
    // Drag and drop needs OLE on this thread; without it the trees simply take no drops.
    oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
    sysHandler_ = std::make_unique<THandler>(*this, *window_.SysTreeView());
    userHandler_ = std::make_unique<THandler>(*this, *window_.UserTreeView());
    sysTarget_ = std::make_unique<TDropTargetRegistration>(window_.SysTreeView()->Control(), *sysHandler_);
    userTarget_ = std::make_unique<TDropTargetRegistration>(window_.UserTreeView()->Control(), *userHandler_);
}

TTreeDragDrop::~TTreeDragDrop()
{
    sysTarget_.reset();
    userTarget_.reset();
    if (oleStarted_)
        OleUninitialize();
}

IDropTarget* TTreeDragDrop::TargetOf(const TTreeView& view) const
{
    return &view == window_.SysTreeView() ? sysTarget_->Target() : userTarget_->Target();
}

TETree* TTreeDragDrop::TreeOf(const TTreeView& view) const
{
    return view.Tree();
}

void TTreeDragDrop::BeginDrag(TTreeView& view, TNode* node)
{
    if (!Start(view, node))
        return;
    TETree& tree = *TreeOf(view);
    TBytes records;
    TByteWriter writer(records);
    tree.WriteSubtree(node, writer);
    IDataObject* data = CreateNodeDataObject(std::move(records), tree.GetNodeAsText(node));
    RunNodeDrag(data);
    data->Release();
    Finish();
}

bool TTreeDragDrop::Start(TTreeView& view, TNode* node)
{
    window_.FinishEditing();
    TETree* tree = TreeOf(view);
    if (!tree || !node || !CanStartDrag(*tree, node, !view.ReadOnlyLook()))
        return false;
    // The dragged node is the focused one; the model's rules look at it.
    tree->ActivateNode(node);
    sourceView_ = &view;
    dropView_ = nullptr;
    dropped_ = false;
    return true;
}

TTreeDragDrop::TPlace TTreeDragDrop::PlaceAt(TTreeView& view, POINT screen) const
{
    TPlace place;
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(view.Control(), &hit.pt);
    HTREEITEM item = TreeView_HitTest(view.Control(), &hit);
    if (!item || !(hit.flags & (TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON | TVHT_ONITEMRIGHT)))
        return place;
    place.over = const_cast<TNode*>(view.NodeOf(item));
    RECT row{};
    if (TreeView_GetItemRect(view.Control(), item, &row, FALSE))
        place.below = hit.pt.y >= row.top + 2 * (row.bottom - row.top) / 3;
    return place;
}

DWORD TTreeDragDrop::Over(TTreeView& view, POINT screen)
{
    if (!sourceView_ || !sourceView_->Tree() || !view.Tree())
        return DROPEFFECT_NONE;
    const TPlace place = PlaceAt(view, screen);
    const bool accepted = CanDrop(*sourceView_->Tree(), *view.Tree(), place.over, !view.ReadOnlyLook());
    ShowMark(view, place, accepted);
    return accepted ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
}

DWORD TTreeDragDrop::Drop(TTreeView& view, POINT screen)
{
    if (Over(view, screen) != DROPEFFECT_MOVE)
        return DROPEFFECT_NONE;
    // The nodes move once the drag loop is over: a question may have to be asked first.
    dropView_ = &view;
    dropPoint_ = screen;
    dropped_ = true;
    return DROPEFFECT_MOVE;
}

void TTreeDragDrop::ShowMark(TTreeView& view, const TPlace& place, bool accepted)
{
    HWND control = view.Control();
    HTREEITEM item = accepted && place.over ? view.ItemOf(place.over) : nullptr;
    const bool element = sourceView_ && !TETree::IsVariable(sourceView_->Tree()->FocusedNode());
    if (!item || !element) {
        // A variable goes to its sorted place: the whole tree takes it, no row is marked.
        ClearMark(view);
        return;
    }
    // Between rows where the element will stand; a variable row itself when it goes last there.
    if (TETree::IsVariable(place.over) && !place.below) {
        TreeView_SetInsertMark(control, nullptr, FALSE);
        TreeView_SelectDropTarget(control, item);
    } else {
        TreeView_SelectDropTarget(control, nullptr);
        TreeView_SetInsertMark(control, item, place.below);
    }
}

void TTreeDragDrop::ClearMark(TTreeView& view)
{
    TreeView_SetInsertMark(view.Control(), nullptr, FALSE);
    TreeView_SelectDropTarget(view.Control(), nullptr);
}

void TTreeDragDrop::Finish()
{
    for (TTreeView* view : {window_.SysTreeView(), window_.UserTreeView()})
        ClearMark(*view);
    if (dropped_ && sourceView_ && dropView_)
        Perform();
    sourceView_ = dropView_ = nullptr;
    dropped_ = false;
}

void TTreeDragDrop::Perform()
{
    TTreeView& view = *dropView_;
    TETree& source = *sourceView_->Tree();
    TETree& target = *view.Tree();
    TNode* dragged = source.FocusedNode();
    // An edit still open in either tree ends before the place is looked up: accepting it may
    // change the rows.
    window_.FinishEditing();
    if (source.FocusedNode() != dragged)
        return;
    const TPlace place = PlaceAt(view, dropPoint_);
    if (!CanDrop(source, target, place.over, !view.ReadOnlyLook()))
        return;
    if (TETree::IsVariable(dragged)) {
        const std::u16string& name = TETree::GetVariableName(dragged);
        bool overwrite = false;
        if (target.IsExist(name)) {
            const std::u16string question =
                FormatMessage1(gettext(u"Variable '%s' already exists\r\nDo you want to overwrite it?"), name);
            if (TfrmYesNo::createAndShowModal(question) != mrYes)
                return;
            overwrite = true;
        }
        SetFocus(view.Control());
        DropVariable(source, target, overwrite);
    } else {
        SetFocus(view.Control());
        DropElement(source, target, place.over, place.below);
    }
}

} // namespace varnook
