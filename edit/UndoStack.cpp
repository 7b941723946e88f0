#include "edit/UndoStack.h"

#include "core/ETree.h"

#include <algorithm>
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

namespace {

using TRecord = TTreeRecords::TRecord;
using TRun = TTreeRecords::TRun;

// A record among the candidates' equal to bytes, looked for where the variable stood in them:
// at the same place, or one place off after a variable was added, removed or renamed before it.
TRecord FindRecord(const std::vector<const TTreeRecords*>& candidates, size_t index, const TBytes& bytes)
{
    for (const TTreeRecords* records : candidates)
        for (size_t at : {index, index - 1, index + 1})
            if (at < records->size() && *records->at(at) == bytes)
                return records->at(at);
    return nullptr;
}

} // namespace

std::shared_ptr<const TTreeRecords> TUndoStack::Capture(TETree& tree, int near, const UndoEntry* also) const
{
    std::vector<const std::shared_ptr<const TTreeRecords>*> owners;
    if (also && also->tree == &tree && also->snapshot)
        owners.push_back(&also->snapshot);
    // Entries come in pairs, so the neighbours of the same tree are two places away.
    for (int i : {near - 2, near + 2, near - 1, near + 1})
        if (i >= 0 && i < Count() && stack[static_cast<size_t>(i)].tree == &tree && stack[static_cast<size_t>(i)].snapshot)
            owners.push_back(&stack[static_cast<size_t>(i)].snapshot);
    std::vector<const TTreeRecords*> candidates;
    for (const auto* owner : owners)
        candidates.push_back(owner->get());

    std::vector<TRecord> records;
    records.reserve(tree.VariableCount());
    TBytes scratch;
    for (const TNode* v = tree.FirstVariable(); v; v = v->NextSibling()) {
        scratch.clear();
        TByteWriter writer(scratch);
        tree.WriteSubtree(v, writer);
        TRecord record = FindRecord(candidates, records.size(), scratch);
        records.push_back(record ? std::move(record) : std::make_shared<const TBytes>(scratch));
    }

    TTreeRecords result;
    result.count_ = records.size();
    for (size_t first = 0; first < records.size(); first += TTreeRecords::kRun) {
        const size_t last = std::min(records.size(), first + TTreeRecords::kRun);
        const size_t run = first / TTreeRecords::kRun;
        std::shared_ptr<const TRun> shared;
        for (const TTreeRecords* c : candidates)
            if (run < c->runs_.size() && std::equal(records.begin() + first, records.begin() + last,
                                                    c->runs_[run]->begin(), c->runs_[run]->end()))
                shared = c->runs_[run];
        result.runs_.push_back(shared ? std::move(shared)
                                      : std::make_shared<const TRun>(records.begin() + first, records.begin() + last));
    }
    // A tree the edit did not touch costs nothing more.
    for (const auto* owner : owners)
        if (**owner == result)
            return *owner;
    return std::make_shared<const TTreeRecords>(std::move(result));
}

TBytes TUndoStack::JoinRecords(const TTreeRecords& records)
{
    size_t size = 5;
    for (const auto& run : records.Runs())
        for (const auto& record : *run)
            size += record->size();
    TBytes bytes;
    bytes.reserve(size);
    TByteWriter writer(bytes);
    writer.WriteVarUInt(static_cast<uint32_t>(records.size()));
    for (const auto& run : records.Runs())
        for (const auto& record : *run)
            bytes.insert(bytes.end(), record->begin(), record->end());
    return bytes;
}

void TUndoStack::PushTree(TETree& tree)
{
    UndoEntry entry;
    entry.tree = &tree;
    entry.focusIndex = tree.GetFocusIndex();
    stack.resize(static_cast<size_t>(pos)); // the redo part is gone for good
    entry.snapshot = Capture(tree, pos, nullptr);
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
    current.snapshot = Capture(tree, index, &stored);

    // Restoring raises only on damaged data; the entry then stays as it was.
    tree.LoadSnapshot(JoinRecords(*stored.snapshot));
    tree.RestoreFocus(stored.focusIndex);
    stored = std::move(current);
}

size_t TUndoStack::SnapshotBytes() const
{
    std::unordered_set<const TBytes*> seen;
    size_t total = 0;
    for (const auto& e : stack)
        if (e.snapshot)
            for (const auto& run : e.snapshot->Runs())
                for (const auto& record : *run)
                    if (seen.insert(record.get()).second)
                        total += record->size();
    return total;
}

void TTreePairPusher::Push()
{
    if (system_ && user_)
        stack_.Push(*system_, *user_);
}

} // namespace varnook
