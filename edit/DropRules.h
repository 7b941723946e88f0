// Moving nodes by drag and drop, as model operations: which drops are accepted, where a dropped
// element lands, and the move itself as one undo step. Only moves exist; the window side
// (edit/DragDrop.h) turns mouse gestures into these calls.
#pragma once

#include "core/ETree.h"

namespace varnook {

// Whether a drag may start at node: the tree allows editing and the node's variable is not
// read-only.
bool CanStartDrag(const TETree& tree, const TNode* node, bool treeEditable);

// Whether the focused node of source (the dragged node) may be dropped on target with the row
// over under the pointer (none: below the last row): an element onto a row of a split,
// writable variable; a variable onto the other tree only. The target must allow editing.
bool CanDrop(const TETree& source, const TETree& target, const TNode* over, bool targetEditable);

// Where an element dropped on the row over lands: below a variable row it becomes the first
// element, on or above it the last; below an element row it goes after it, on or above it before.
void ElementDropPlace(TNode* over, bool below, TNode*& anchor, TAttachMode& mode);

// Moves the focused element of source to its place at over in target (the same tree or the
// other one): one snapshot pushed first, the element keeps its record, then it is focused in
// target. Requires CanDrop; open edits must have ended before over was found. Returns the
// element in target.
TNode* DropElement(TETree& source, TETree& target, TNode* over, bool below);

// Moves the focused variable of source with its elements into target, where the sort order
// places it: one snapshot pushed first. With overwrite, target's writable variables of the same
// name (in any letter case) go first; its read-only ones stay beside it. Returns the variable
// in target.
TNode* DropVariable(TETree& source, TETree& target, bool overwrite);

} // namespace varnook
