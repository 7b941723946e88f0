// The in-place edit of one tree row: a single-line edit box over the row's text. Enter accepts,
// Escape cancels, leaving the box accepts. The tree view owns at most one and only talks to it
// through this interface, so a richer editor can take its place.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>

namespace varnook {

class TETree;
class TNode;

class TInPlaceEdit {
public:
    virtual ~TInPlaceEdit() = default;
    // Hands the text to the tree when it was changed; later calls do nothing.
    virtual void Accept() = 0;
    // Leaves the node as it was; a node an add operation just made is taken back.
    virtual void Cancel() = 0;
    // Ends the edit without touching the tree, for a tree that changed under it.
    virtual void Abandon() = 0;
    // True once the edit has ended in any way.
    virtual bool Stopped() const = 0;
    // The editor control (the keyboard focus while editing).
    virtual HWND Control() const = 0;
};

// Opens the editor over the row of node; onEnded runs once the edit has ended, after the tree
// was given the new text, and may release the editor later (not from within the call).
std::unique_ptr<TInPlaceEdit> StartInPlaceEdit(TETree& tree, TNode* node, HWND treeControl, HTREEITEM item,
                                               HFONT font, std::function<void()> onEnded);

} // namespace varnook
