// Undo and redo across both trees: before every edit a snapshot of the system tree and of the
// user tree is pushed as a pair; undo and redo exchange a tree's contents with a stored snapshot,
// so the same entry then serves the opposite direction.
//
// A snapshot is kept as one record per variable (the variable with its elements and display
// states, as TETree::WriteSubtree writes it). Records never change once stored, so a snapshot
// shares every record its neighbours already hold. The records sit in runs of a few, and a run
// (or a whole snapshot) whose records all match a neighbour's is that neighbour's: a step costs
// the variables it changed and a few pointers, not two whole trees.
// Restoring joins the records into exactly the bytes TETree::SaveSnapshot would have written.
#pragma once

#include "core/ByteStream.h"
#include "edit/PushInterface.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace varnook {

class TETree;

// The variables of one tree in tree order, one record each, held in runs of kRun records.
class TTreeRecords {
public:
    static constexpr size_t kRun = 16;
    using TRecord = std::shared_ptr<const TBytes>;
    using TRun = std::vector<TRecord>;

    size_t size() const { return count_; }
    const TRecord& at(size_t index) const { return (*runs_.at(index / kRun)).at(index % kRun); }
    const std::vector<std::shared_ptr<const TRun>>& Runs() const { return runs_; }
    bool operator==(const TTreeRecords& other) const { return count_ == other.count_ && runs_ == other.runs_; }

private:
    friend class TUndoStack;
    std::vector<std::shared_ptr<const TRun>> runs_;
    size_t count_ = 0;
};

// One stored state of one tree.
struct UndoEntry {
    TETree* tree = nullptr; // not owned
    // Pre-order position of the focused node over all nodes; 0 when none was focused.
    uint32_t focusIndex = 0;
    // Never changed once stored, so entries with equal contents share it.
    std::shared_ptr<const TTreeRecords> snapshot;
};

class TUndoStack {
public:
    TUndoStack() = default;
    ~TUndoStack() { Clear(); }
    TUndoStack(const TUndoStack&) = delete;
    TUndoStack& operator=(const TUndoStack&) = delete;

    // Forgets every entry; position 0.
    void Clear();
    // PushTree of the system tree, then of the user tree.
    void Push(TETree& systemTree, TETree& userTree);
    // StepBack twice: the user tree, then the system tree of the last push.
    void Undo();
    // One step forward; the redo action calls it twice (system tree, then user tree).
    void Redo();
    // Number of entries behind the current state: even between user actions.
    int GetPos() const { return pos; }
    bool IsUndoable() const { return pos > 0; }
    bool IsRedoable() const { return pos < Count(); }

    // Stores the tree's current state at the position, dropping every entry from it on.
    void PushTree(TETree& tree);
    // One step back, if there is one.
    void StepBack();
    // Exchanges the entry at index with the current state of its tree: the tree gets the
    // stored nodes with their display states and the stored focus position.
    void SwapEntry(int index);

    int Count() const { return static_cast<int>(stack.size()); }
    const UndoEntry& Entry(int index) const { return stack.at(static_cast<size_t>(index)); }
    // Bytes of variable records held, each shared record counted once. Divided by Count() / 2
    // it is the record data one user step costs.
    size_t SnapshotBytes() const;
    // The bytes TETree::SaveSnapshot wrote for the state the entry holds.
    static TBytes JoinRecords(const TTreeRecords& records);

private:
    // The tree's current state, sharing the records (or the whole snapshot) of the entries of
    // the same tree near index and of also.
    std::shared_ptr<const TTreeRecords> Capture(TETree& tree, int near, const UndoEntry* also) const;

    std::vector<UndoEntry> stack;
    int pos = 0;
};

// IPushInterface for one stack and one pair of trees, as the main window wires them: the trees
// are made after the interface they are given, so they are set afterwards.
class TTreePairPusher final : public IPushInterface {
public:
    explicit TTreePairPusher(TUndoStack& stack) : stack_(stack) {}
    void SetTrees(TETree* systemTree, TETree* userTree)
    {
        system_ = systemTree;
        user_ = userTree;
    }
    void Push() override;
    void Undo() override { stack_.Undo(); }

private:
    TUndoStack& stack_;
    TETree* system_ = nullptr;
    TETree* user_ = nullptr;
};

} // namespace varnook
