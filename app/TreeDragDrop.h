// Dragging nodes within a tree and between the two trees of the main window: starts the drag
// from the tree control's gesture, answers the drop targets of both controls with the model's
// rules and a drop mark, and moves the nodes once the drag loop has ended.
#pragma once

#include "edit/DragDrop.h"

#include <memory>

namespace varnook {

class TfrmMain;
class TTreeView;
class TETree;
class TNode;

class TTreeDragDrop {
public:
    // Registers both tree controls of window as drop targets.
    explicit TTreeDragDrop(TfrmMain& window);
    ~TTreeDragDrop();
    TTreeDragDrop(const TTreeDragDrop&) = delete;
    TTreeDragDrop& operator=(const TTreeDragDrop&) = delete;

    // The tree control's begin-drag gesture on node: the whole drag, modal.
    void BeginDrag(TTreeView& view, TNode* node);

    // The steps of BeginDrag, for tests that cannot hold a mouse button down: Start makes node
    // the dragged one (false when it may not be dragged), Over and Drop are what the drop
    // target of view asks, Finish moves the nodes dropped and ends the drag.
    bool Start(TTreeView& view, TNode* node);
    DWORD Over(TTreeView& view, POINT screen);
    DWORD Drop(TTreeView& view, POINT screen);
    void Finish();
    // The drop target registered for the view.
    IDropTarget* TargetOf(const TTreeView& view) const;

private:
    class THandler;
    struct TPlace {
        TNode* over = nullptr;
        bool below = false;
    };
    TETree* TreeOf(const TTreeView& view) const;
    TPlace PlaceAt(TTreeView& view, POINT screen) const;
    void ShowMark(TTreeView& view, const TPlace& place, bool accepted);
    void ClearMark(TTreeView& view);
    void Perform();

    TfrmMain& window_;
    bool oleStarted_ = false;
    std::unique_ptr<THandler> sysHandler_, userHandler_;
    std::unique_ptr<TDropTargetRegistration> sysTarget_, userTarget_;
    TTreeView* sourceView_ = nullptr;
    TTreeView* dropView_ = nullptr;
    POINT dropPoint_{};
    bool dropped_ = false;
};

} // namespace varnook
