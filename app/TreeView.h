// A docked panel showing one variable tree: its title bar and a tree control that mirrors the
// TETree model. The control never decides anything itself: user gestures become model calls,
// and model changes come back through ITreeObserver.
#pragma once

#include "app/HoverTip.h"
#include "app/PaintBuffer.h"
#include "app/PanelCaption.h"
#include "app/Window.h"
#include "core/ETree.h"
#include "edit/InPlaceEditor.h"
#include "platform/win32/Handles.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace varnook {

class TTreeView final : public TWindow, public ITreeObserver {
public:
    struct THooks {
        std::function<void()> onFocus;                       // the tree control received the focus
        std::function<void(POINT screen)> onContextMenu;    // after a right click activated a node
        std::function<bool()> onDoubleClick;                // on a row; true when it started an edit
        std::function<void(TNode* node)> onBeginDrag;       // the left button drags a row
    };

    // caption, iconId: the panel's title; extraButtons follow Collapse All and Expand All.
    TTreeView(HWND parent, int iconId, std::u16string caption, std::vector<TPanelCaption::TButton> extraButtons,
              THooks hooks);
    ~TTreeView() override;

    // Starts mirroring a model (none stops).
    void Attach(TETree* tree);
    TETree* Tree() const { return tree_; }
    // The tree control itself.
    HWND Control() const { return control_; }
    TPanelCaption& Caption() { return *caption_; }

    void SetImages(HIMAGELIST images);
    void SetFont(HFONT font, HFONT boldFont);
    void UpdateDpi(UINT dpi);
    // The light grey of a tree that can be looked at but not edited.
    void SetReadOnlyLook(bool readOnly);
    bool ReadOnlyLook() const { return readOnly_; }

    void CollapseAll();
    void ExpandAll();

    // Type-ahead: the next node, after the focused one and wrapping around, whose name (a
    // variable) or text (an element) starts with prefix, ASCII letters compared as capitals.
    // Collapsed nodes are searched too. Focuses it; false when none matches.
    bool FindAndActivate(std::u16string_view prefix);

    // The control item of a node, or none while it is not shown.
    HTREEITEM ItemOf(const TNode* node) const;
    const TNode* NodeOf(HTREEITEM item) const;
    // Rows the control holds now: the visible variables, and the elements of those expanded
    // since the control was last filled.
    size_t ItemCount() const { return items_.size(); }
    // The hover hint of the tree's rows.
    THoverTip& Hint() { return *hint_; }

    // ITreeObserver
    void TreeChanged() override;
    void NodeChanged(const TNode* node) override;
    void FocusChanged() override;
    void FinishEditing() override;
    // In-place editing (edit/InPlaceEditor.h): a variable row opens the name editor, an element
    // row the element editor. Not in a tree shown read-only nor on a read-only variable.
    bool EditNode(TNode* node) override;
    bool IsEditing() const override;
    // The open edit, or none.
    TETreeStringEditLink* EditLink() const { return IsEditing() ? link_.get() : nullptr; }
    // The in-place editor's control while an edit is open; none otherwise.
    HWND EditorControl() const { return IsEditing() ? link_->Editor()->Handle() : nullptr; }
    bool NodesInView(std::vector<const TNode*>& nodes) override;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Gives the control its own procedure back.
    void ReleaseControl();
    bool OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT OnNotify(NMHDR* header);
    LRESULT OnCustomDraw(NMTVCUSTOMDRAW* draw);
    void DrawOverlays(NMTVCUSTOMDRAW* draw, const TNode* node);
    void Rebuild();
    // The element rows of an expanded variable, once.
    void InsertElements(const TNode* variable, HTREEITEM parent);
    void RepaintRows();
    // The control's WM_PAINT, drawn into a buffer while its redrawing is off.
    void PaintBuffered();
    void SyncSelection();
    void Layout();
    std::u16string HintAt(POINT client, uintptr_t& spot) const;
    // The window is going away or the model changed under the editor: the text goes nowhere.
    void DiscardEdit();
    void EditEnded(TNode* node, TEditEnd how);
    bool HoldsNode(const TNode* node) const;

    TETree* tree_ = nullptr;
    THooks hooks_;
    std::unique_ptr<TPanelCaption> caption_;
    HWND control_ = nullptr;
    WNDPROC controlProc_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
    UINT dpi_;
    bool readOnly_ = false;
    // True while the control is being brought in line with the model, so that the control's
    // own notifications are not taken for user gestures.
    bool syncing_ = false;
    // True while the model follows an expansion the user made in the control.
    bool followingControl_ = false;
    // Rows whose look changed, repainted together on a posted message.
    std::unordered_set<const TNode*> dirtyRows_;
    std::unordered_map<const TNode*, HTREEITEM> items_;
    std::u16string typed_;
    DWORD lastTypedTick_ = 0;
    std::u16string textBuffer_;
    std::unique_ptr<TETreeStringEditLink> link_;
    // Ended edits, released on a posted message: an editor never goes from inside its own keys.
    std::vector<std::unique_ptr<TETreeStringEditLink>> retired_;
    std::unique_ptr<THoverTip> hint_;
    TPaintBuffer paintBuffer_;
    // Set while the control paints into the buffer with its WS_VISIBLE bit cleared.
    bool paintFrozen_ = false;
    // Paints in a row that changed the scroll bars; a control that never settles is not
    // repainted again and again.
    int unsettledPaints_ = 0;
    // The frame shown was painted off-screen (see OnFrameMessage).
    bool frameOffScreen_ = false;
};

} // namespace varnook
