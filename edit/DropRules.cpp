#include "edit/DropRules.h"

#include "platform/Services.h"

#include <vector>

namespace varnook {

bool CanStartDrag(const TETree& tree, const TNode* node, bool treeEditable)
{
    (void)tree;
    const TNode* variable = TETree::GetVariableNode(const_cast<TNode*>(node));
    return treeEditable && variable && !TETree::GetVariableReadOnly(variable);
}

bool CanDrop(const TETree& source, const TETree& target, const TNode* over, bool targetEditable)
{
    const TNode* dragged = source.FocusedNode();
    if (!dragged || dragged == over || !targetEditable)
        return false;
    if (TETree::IsVariable(dragged))
        return &source != &target;
    const TNode* variable = TETree::GetVariableNode(const_cast<TNode*>(over));
    return variable && !TETree::GetVariableReadOnly(variable) && target.IsVariableSplit(variable);
}

void ElementDropPlace(TNode* over, bool below, TNode*& anchor, TAttachMode& mode)
{
    anchor = over;
    if (TETree::IsVariable(over))
        mode = below ? TAttachMode::FirstChild : TAttachMode::LastChild;
    else
        mode = below ? TAttachMode::After : TAttachMode::Before;
}

namespace {

// The node and its children as the snapshot records them, ready for the other tree.
TBytes Record(const TETree& tree, const TNode* node)
{
    TBytes bytes;
    TByteWriter writer(bytes);
    tree.WriteSubtree(node, writer);
    return bytes;
}

// Where the focus of the tree a node leaves goes, as after deleting it: the next visible
// sibling, else the previous one, else the parent (nothing for a variable).
TNode* FocusAfterRemoval(TNode* node)
{
    for (TNode* n = node->NextSibling(); n; n = n->NextSibling())
        if (n->IsVisible())
            return n;
    for (TNode* n = node->PrevSibling(); n; n = n->PrevSibling())
        if (n->IsVisible())
            return n;
    return node->Parent();
}

// Takes the node out of its tree, which focuses what DeleteSelectedNodes would.
void Remove(TETree& tree, TNode* node)
{
    TNode* next = FocusAfterRemoval(node);
    tree.BeginUpdate();
    tree.DeleteNode(node);
    tree.ActivateNode(next);
    tree.EndUpdate();
}

} // namespace

TNode* DropElement(TETree& source, TETree& target, TNode* over, bool below)
{
    TNode* dragged = source.FocusedNode();
    TNode* anchor = nullptr;
    TAttachMode mode{};
    ElementDropPlace(over, below, anchor, mode);
    source.PushSnapshot();
    TNode* moved = dragged;
    if (&source == &target) {
        target.MoveNode(dragged, anchor, mode);
    } else {
        const TBytes bytes = Record(source, dragged);
        Remove(source, dragged);
        TByteReader reader(bytes);
        moved = target.ReadSubtree(reader, anchor, mode);
    }
    target.ActivateNode(moved);
    return moved;
}

TNode* DropVariable(TETree& source, TETree& target, bool overwrite)
{
    TNode* dragged = source.FocusedNode();
    const std::u16string name = TETree::GetVariableName(dragged);
    source.PushSnapshot();
    if (overwrite) {
        std::vector<TNode*> doomed;
        for (TNode* v = target.FirstVariable(); v; v = v->NextSibling())
            if (!TETree::GetVariableReadOnly(v) && platform::Text().EqualIgnoreCase(TETree::GetVariableName(v), name))
                doomed.push_back(v);
        for (TNode* v : doomed)
            target.DeleteNode(v);
    }
    const TBytes bytes = Record(source, dragged);
    Remove(source, dragged);
    TByteReader reader(bytes);
    TNode* moved = target.ReadSubtree(reader, nullptr, TAttachMode::LastChild);
    target.ActivateNode(moved);
    return moved;
}

} // namespace varnook
