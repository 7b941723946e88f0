// The undoable edit operations of a variable tree. Each ends an open in-place edit first (its
// text is accepted, which may itself be a step), then pushes one snapshot of both trees, then
// changes the tree: one user action, one undo step.
#include "core/ETree.h"

#include "core/Expansion.h"
#include "core/Tools.h"
#include "edit/PushInterface.h"

#include <utility>
#include <vector>

namespace varnook {

bool TETree::EditNode(TNode* node)
{
    return fObserver && node && node != fRoot && fObserver->EditNode(node);
}

TNode* TETree::UndoableAddEmptyVariable(std::u16string_view name, TRegDataType kind, bool readOnly)
{
    FinishEditing();
    PushSnapshot();
    TNode* variable = AddVariable(name, std::u16string(), kind, readOnly);
    TNode* element = variable->FirstChild();
    ActivateNode(element);
    // The snapshot for the first edit is already on the stack: accepting it pushes nothing,
    // cancelling it takes the whole variable back.
    IsOnEdited = false;
    if (!EditNode(element))
        IsOnEdited = true;
    return element;
}

TNode* TETree::UndoableAddVariable(std::u16string_view name, const std::u16string& value, bool readOnly,
                                   TRegDataType kind)
{
    FinishEditing();
    PushSnapshot();
    return AddVariable(name, value, kind, readOnly);
}

TNode* TETree::UndoableReplaceVariable(std::u16string_view name, const std::u16string& value)
{
    FinishEditing();
    TNode* variable = FindVariable(name);
    if (!variable)
        return nullptr;
    PushSnapshot();
    SetVariableValue(variable, value);
    ActivateNode(variable);
    return variable;
}

TNode* TETree::UndoableAddEmptyElement()
{
    FinishEditing();
    if (!FocusedNode())
        return nullptr;
    PushSnapshot();
    TNode* element = InsertEmptyElement();
    IsOnEdited = false;
    if (!EditNode(element))
        IsOnEdited = true;
    return element;
}

TNode* TETree::UndoableAddElement(std::u16string_view text)
{
    FinishEditing();
    if (!FocusedNode())
        return nullptr;
    PushSnapshot();
    return InsertElement(text);
}

void TETree::DeleteSelectedNodes()
{
    FinishEditing();
    // The focused node is the one the user confirmed; focus and selection move together, so it
    // is also the selected one.
    TNode* node = FocusedNode();
    if (!node)
        return;
    TNode* next = nullptr;
    for (TNode* n = node->NextSibling(); n && !next; n = n->NextSibling())
        if (n->IsVisible())
            next = n;
    for (TNode* n = node->PrevSibling(); n && !next; n = n->PrevSibling())
        if (n->IsVisible())
            next = n;
    if (!next)
        next = node->Parent(); // the invisible root for a variable: nothing is focused then
    PushSnapshot();
    TBatch batch(*this);
    DeleteNode(node);
    ActivateNode(next);
}

void TETree::UndoableMoveUp()
{
    FinishEditing();
    TNode* node = FocusedNode();
    if (!node || node->Level() != 1 || !node->PrevSibling())
        return;
    PushSnapshot();
    TBatch batch(*this);
    MoveNode(node, node->PrevSibling(), TAttachMode::Before);
    ActivateNode(node);
}

void TETree::UndoableMoveDown()
{
    FinishEditing();
    TNode* node = FocusedNode();
    if (!node || node->Level() != 1 || !node->NextSibling())
        return;
    PushSnapshot();
    TBatch batch(*this);
    MoveNode(node, node->NextSibling(), TAttachMode::After);
    ActivateNode(node);
}

void TETree::UndoableChangeType()
{
    FinishEditing();
    TNode* variable = GetVariableNode(FocusedNode());
    if (!variable)
        return;
    PushSnapshot();
    SetVariableType(variable, GetVariableType(variable) == rdString ? rdExpandString : rdString);
}

void TETree::UndoableCleanupPaths()
{
    FinishEditing();
    TNode* variable = FocusedNode();
    if (!IsVariable(variable))
        return;
    PushSnapshot();
    SetVariableValue(variable, CleanupValue(GetVariableValue(variable)));
}

bool TETree::UndoableDoSomething(const std::function<std::u16string(const TNode*)>& convert)
{
    FinishEditing();
    TNode* node = FocusedNode();
    if (!node)
        return false;
    // Every new text first: a conversion that changes nothing must not count as an edit.
    std::vector<std::pair<TNode*, std::u16string>> changes;
    auto consider = [&](TNode* element) {
        std::u16string text = convert(element);
        if (text != GetElement(element))
            changes.emplace_back(element, std::move(text));
    };
    if (IsVariable(node))
        for (TNode* e = node->FirstChild(); e; e = e->NextSibling())
            consider(e);
    else
        consider(node);
    if (changes.empty())
        return false;
    PushSnapshot();
    TBatch batch(*this);
    for (auto& [element, text] : changes)
        SetElementText(element, std::move(text));
    return true;
}

bool TETree::UndoableInline()
{
    return UndoableDoSomething([this](const TNode* element) -> std::u16string {
        const std::u16string& text = GetElement(element);
        if (GetVariableType(element->Parent()) != rdExpandString)
            return text;
        // A loop has no value to put in place of its references: the text stays as it is rather
        // than becoming the loop message.
        const std::optional<std::u16string>& expanded = RememberedExpansion(text);
        return expanded ? *expanded : text;
    });
}

bool TETree::UndoableLong2Short()
{
    return UndoableDoSomething([](const TNode* element) { return ToShortPath(GetElement(element)); });
}

bool TETree::UndoableShort2Long()
{
    return UndoableDoSomething([](const TNode* element) { return ToLongPath(GetElement(element)); });
}

} // namespace varnook
