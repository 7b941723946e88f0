#include "edit/UndoStack.h"

#include "core/ETree.h"

#include <unordered_set>

namespace varnook {

void TUndoStack::Clear()
{
    stack.clear();
    pos = 0;
}

void TUndoStack::Push(TETree& systemTree, TETree& userTree)
{
    PushTree(systemTree);
    PushTree(userTree);
}

void TUndoStack::Undo()
{
    StepBack();
    StepBack();
}

void TUndoStack::Redo()
{
    if (pos == Count())
        return;
    SwapEntry(pos);
    ++pos;
}

std::shared_ptr<const TBytes> TUndoStack::Share(TETree* tree, TBytes&& bytes, int near, const UndoEntry* also) const
{
    auto same = [&](const UndoEntry& e) { return e.tree == tree && e.snapshot && *e.snapshot == bytes; };
    if (also && same(*also))
        return also->snapshot;
    // Entries come in pairs, so the neighbours of the same tree are two places away.
    for (int i : {near - 2, near - 1, near + 1, near + 2})
        if (i >= 0 && i < Count() && same(stack[static_cast<size_t>(i)]))
            return stack[static_cast<size_t>(i)].snapshot;
    bytes.shrink_to_fit();
    return std::make_shared<const TBytes>(std::move(bytes));
}

void TUndoStack::PushTree(TETree& tree)
{
    UndoEntry entry;
    entry.tree = &tree;
    entry.focusIndex = tree.GetFocusIndex();
    TBytes bytes;
    tree.SaveSnapshot(bytes);
    stack.resize(static_cast<size_t>(pos)); // the redo part is gone for good
    entry.snapshot = Share(&tree, std::move(bytes), pos, nullptr);
    stack.push_back(std::move(entry));
    ++pos;
}

void TUndoStack::StepBack()
{
    if (pos <= 0)
        return;
    SwapEntry(pos - 1);
    --pos;
}

void TUndoStack::SwapEntry(int index)
{
    UndoEntry& stored = stack.at(static_cast<size_t>(index));
    TETree& tree = *stored.tree;

    UndoEntry current;
    current.tree = &tree;
    current.focusIndex = tree.GetFocusIndex();
    TBytes bytes;
    tree.SaveSnapshot(bytes);
    current.snapshot = Share(&tree, std::move(bytes), index, &stored);

    // Restoring raises only on damaged data; the entry then stays as it was.
    tree.LoadSnapshot(*stored.snapshot);
    tree.RestoreFocus(stored.focusIndex);
    stored = std::move(current);
}

size_t TUndoStack::SnapshotBytes() const
{
    std::unordered_set<const TBytes*> seen;
    size_t total = 0;
    for (const auto& e : stack)
        if (e.snapshot && seen.insert(e.snapshot.get()).second)
            total += e.snapshot->size();
    return total;
}

void TTreePairPusher::Push()
{
    if (system_ && user_)
        stack_.Push(*system_, *user_);
}

} // namespace varnook
