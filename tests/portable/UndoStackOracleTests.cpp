// The undo stack keeps per step only the variables that changed; it must restore exactly what
// whole-tree snapshots restore. A random sequence of every edit operation runs twice, once over
// the real stack and once over whole snapshots, and after every step both pairs of trees must
// hold the same bytes, the same focus and the same position.
#include "core/ETree.h"
#include "core/Exclusions.h"
#include "edit/DropRules.h"
#include "edit/InPlaceEdit.h"
#include "edit/UndoStack.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

using namespace varnook;

namespace {

// The history as it was kept before: every entry a whole serialized tree.
class TWholeSnapshotStack {
public:
    void Push(TETree& system, TETree& user)
    {
        PushTree(system);
        PushTree(user);
    }
    void Undo()
    {
        for (int i = 0; i < 2 && pos_ > 0; ++i)
            Swap(--pos_);
    }
    void Redo()
    {
        if (pos_ < static_cast<int>(entries_.size()))
            Swap(pos_++);
    }
    void Clear()
    {
        entries_.clear();
        pos_ = 0;
    }
    int GetPos() const { return pos_; }
    int Count() const { return static_cast<int>(entries_.size()); }

private:
    struct Entry {
        TETree* tree;
        uint32_t focusIndex;
        TBytes bytes;
    };
    static Entry Take(TETree& tree)
    {
        Entry e{&tree, tree.GetFocusIndex(), {}};
        tree.SaveSnapshot(e.bytes);
        return e;
    }
    void PushTree(TETree& tree)
    {
        Entry e = Take(tree);
        entries_.resize(static_cast<size_t>(pos_));
        entries_.push_back(std::move(e));
        ++pos_;
    }
    void Swap(int index)
    {
        Entry& stored = entries_[static_cast<size_t>(index)];
        Entry current = Take(*stored.tree);
        stored.tree->LoadSnapshot(stored.bytes);
        stored.tree->RestoreFocus(stored.focusIndex);
        stored = std::move(current);
    }

    std::vector<Entry> entries_;
    int pos_ = 0;
};

// Two trees, an exclusion list and one of the two histories, wired as the main window wires them.
struct World : IPushInterface {
    explicit World(bool whole) : whole(whole)
    {
        system.root = platform::kRootLocalMachine;
        user.root = platform::kRootCurrentUser;
        user.SetResolvingTree(&system);
        system.SetExclusions(&exclusions);
        user.SetExclusions(&exclusions);
        exclusions.Add(u"Whole", false, true);
        for (TETree* tree : {&system, &user}) {
            const bool isSystem = tree == &system;
            tree->AddVariable(u"Path", isSystem ? u"C:\\Windows;%Root%\\bin;C:\\Windows" : u"%Path%;D:\\u;;d:\\U",
                              rdExpandString, false);
            tree->AddVariable(u"Root", isSystem ? u"C:\\R" : u"D:\\R", rdString, false);
            tree->AddVariable(u"Whole", u"a;b;c", rdString, false);
            tree->AddVariable(u"Loop", u"%Loop%;x", rdExpandString, false);
            tree->AddVariable(isSystem ? u"SystemRoot" : u"USERNAME", u"special", rdString, true);
            // Enough variables that the history keeps a tree in several runs of records.
            for (char16_t c = u'a'; c <= u'z'; ++c)
                tree->AddVariable(std::u16string(u"F") + c, std::u16string(u"C:\\f\\") + c + u";x", rdString, false);
            tree->ActivateNode(nullptr);
        }
    }
    void Push() override { whole ? oracle.Push(system, user) : stack.Push(system, user); }
    void Undo() override { whole ? oracle.Undo() : stack.Undo(); }
    void RedoStep()
    {
        for (int i = 0; i < 2; ++i)
            whole ? oracle.Redo() : stack.Redo();
    }
    void ClearHistory() { whole ? oracle.Clear() : stack.Clear(); }
    int Pos() const { return whole ? oracle.GetPos() : stack.GetPos(); }
    int Count() const { return whole ? oracle.Count() : stack.Count(); }

    bool whole;
    TUndoStack stack;
    TWholeSnapshotStack oracle;
    TExclusions exclusions;
    TETree system{this};
    TETree user{this};
};

TNode* NodeAt(const TETree& tree, uint32_t index)
{
    TNode* n = tree.FirstVariable();
    for (uint32_t i = 0; i < index && n; ++i)
        n = TETree::GetNextNode(n);
    return n;
}

bool Writable(const TNode* node) { return node && !TETree::GetVariableReadOnly(TETree::GetVariableNode(const_cast<TNode*>(node))); }

// One random operation, with every random choice drawn before it is applied to either world.
struct Step {
    int op;
    bool onUser;
    uint32_t a, b, c;
};

// Applies the step to the world; what it does depends only on the world's state, which both
// worlds share as long as the histories agree.
void Apply(World& w, const Step& s, std::string& name)
{
    TETree& tree = s.onUser ? w.user : w.system;
    TETree& other = s.onUser ? w.system : w.user;
    TNode* focus = tree.FocusedNode();
    const uint32_t nodes = static_cast<uint32_t>(tree.NodeCount());
    auto pick = [&](uint32_t r) { return nodes ? NodeAt(tree, r % nodes) : nullptr; };
    auto var = [&](uint32_t r) -> TNode* {
        TNode* v = tree.FirstVariable();
        for (uint32_t k = tree.VariableCount() ? r % tree.VariableCount() : 0; v && k > 0; --k)
            v = v->NextSibling();
        return v;
    };
    const std::u16string text = u"C:\\t" + std::u16string(1, static_cast<char16_t>(u'a' + s.b % 26)) +
                                (s.c % 3 == 0 ? u";E:\\x" : u"");
    const bool element = focus && focus->Level() == 1;
    switch (s.op) {
    // ---- Changes that push nothing: focus, display states, flags, exclusions
    case 0: tree.ActivateNode(s.a % 7 == 0 ? nullptr : pick(s.a)); break;
    case 1: tree.SetExpanded(var(s.a), s.b % 2); break;
    case 2: s.b % 2 ? tree.FullExpand() : tree.FullCollapse(); break;
    case 3: tree.ShowReadOnly(s.b % 2); break;
    case 4:
        if (TNode* n = pick(s.a))
            tree.UpdateWrongPath(n, s.b % 2);
        break;
    case 5: w.exclusions.Put(u"Path", s.b % 2 == 0, s.c % 2 == 0); break;
    // ---- Undoable edits
    case 6:
        if (element && Writable(focus))
            tree.SetElement(text);
        break;
    case 7:
        name = "N" + std::to_string(s.a % 50);
        if (!tree.IsExist(std::u16string(name.begin(), name.end())))
            tree.UndoableAddVariable(std::u16string(name.begin(), name.end()), text, false, s.b % 2 ? rdExpandString : rdString);
        break;
    case 8: {
        // The new variable's editor opens at once; the user then cancels it or types a value.
        name = "E" + std::to_string(s.a % 50);
        const std::u16string n(name.begin(), name.end());
        if (tree.IsExist(n))
            break;
        TNode* added = tree.UndoableAddEmptyVariable(n, rdString, false);
        tree.IsOnEdited = false;
        if (s.b % 2)
            CancelInPlaceEdit(tree);
        else
            AcceptElementText(tree, added, text);
        tree.IsOnEdited = true;
        break;
    }
    case 9:
        // A paste over an existing variable: its value and its kind in one step.
        if (TNode* v = var(s.a); v && Writable(v))
            if (TNode* replaced = tree.UndoableReplaceVariable(TETree::GetVariableName(v), text))
                tree.SetVariableType(replaced, s.b % 2 ? rdExpandString : rdString);
        break;
    case 10:
        if (Writable(focus)) {
            if (s.b % 2) {
                tree.UndoableAddElement(text);
            } else if (TNode* added = tree.UndoableAddEmptyElement()) {
                tree.IsOnEdited = false;
                if (s.c % 2)
                    CancelInPlaceEdit(tree);
                else
                    AcceptElementText(tree, added, text);
                tree.IsOnEdited = true;
            }
        }
        break;
    case 11:
        if (Writable(focus))
            tree.DeleteSelectedNodes();
        break;
    case 12:
        if (element && Writable(focus))
            s.b % 2 ? tree.UndoableMoveUp() : tree.UndoableMoveDown();
        break;
    case 13:
        if (Writable(focus))
            tree.UndoableChangeType();
        break;
    case 14:
        if (TETree::IsVariable(focus) && Writable(focus))
            tree.UndoableCleanupPaths();
        break;
    case 15:
        if (Writable(focus))
            s.b % 2 ? tree.UndoableInline() : tree.UndoableDoSomething([](const TNode* e) {
                std::u16string t = TETree::GetElement(e);
                for (char16_t& c : t)
                    c = c < 128 ? static_cast<char16_t>(std::toupper(c)) : c;
                return t;
            });
        break;
    case 16:
        if (TETree::IsVariable(focus) && Writable(focus)) {
            const std::u16string& old = TETree::GetVariableName(focus);
            const std::u16string renamed = s.b % 2 ? u"R" + std::u16string(1, static_cast<char16_t>(u'a' + s.c % 26))
                                                   : std::u16string(old.rbegin(), old.rend());
            AcceptVariableName(tree, focus, renamed);
        }
        break;
    case 17:
        if (element && Writable(focus))
            AcceptElementText(tree, focus, text);
        break;
    case 18: {
        // A drag of the focused element onto a row of this tree or of the other one.
        TETree& target = s.c % 2 ? other : tree;
        const uint32_t targetNodes = static_cast<uint32_t>(target.NodeCount());
        TNode* over = targetNodes ? NodeAt(target, s.a % targetNodes) : nullptr;
        if (element && CanStartDrag(tree, focus, true) && over && CanDrop(tree, target, over, true))
            DropElement(tree, target, over, s.b % 2);
        break;
    }
    case 19:
        if (TETree::IsVariable(focus) && CanStartDrag(tree, focus, true) && CanDrop(tree, other, nullptr, true))
            DropVariable(tree, other, s.b % 2);
        break;
    // ---- The history itself
    case 20:
    case 21: w.Undo(); break;
    case 22: w.RedoStep(); break;
    case 23:
        if (s.a % 20 == 0)
            w.ClearHistory();
        break;
    }
}

constexpr int kOperations = 24;

void ExpectSameState(World& real, World& whole, const std::string& where)
{
    ASSERT_EQ(real.Pos(), whole.Pos()) << where;
    ASSERT_EQ(real.Count(), whole.Count()) << where;
    for (int t = 0; t < 2; ++t) {
        TETree& a = t ? real.user : real.system;
        TETree& b = t ? whole.user : whole.system;
        TBytes ab, bb;
        a.SaveSnapshot(ab);
        b.SaveSnapshot(bb);
        ASSERT_EQ(ab, bb) << where << (t ? " user tree" : " system tree");
        ASSERT_EQ(a.FocusedNode() == nullptr, b.FocusedNode() == nullptr) << where;
        ASSERT_EQ(a.GetFocusIndex(), b.GetFocusIndex()) << where;
        ASSERT_EQ(a.SelectedNode() == nullptr, b.SelectedNode() == nullptr) << where;
        ASSERT_EQ(a.GetNodeIndex(a.SelectedNode()), b.GetNodeIndex(b.SelectedNode())) << where;
    }
}

} // namespace

TEST(UndoStackOracle, EveryOperationUndoesAndRedoesExactlyAsWholeSnapshotsDo)
{
    for (uint32_t seed : {1u, 2u, 3u, 4u}) {
        World real(false), whole(true);
        std::mt19937 rng(seed);
        int edits = 0;
        for (int i = 0; i < 600; ++i) {
            // Undo and redo come often enough to walk far back into the history and out again.
            const Step s{static_cast<int>(rng() % kOperations), rng() % 2 == 0, static_cast<uint32_t>(rng()),
                         static_cast<uint32_t>(rng()), static_cast<uint32_t>(rng())};
            const int before = real.Count();
            std::string ignored;
            Apply(real, s, ignored);
            Apply(whole, s, ignored);
            edits += real.Count() > before;
            ExpectSameState(real, whole, "seed " + std::to_string(seed) + " step " + std::to_string(i) + " op " + std::to_string(s.op));
            if (::testing::Test::HasFatalFailure())
                return;
        }
        EXPECT_GT(edits, 100) << "the sequence made too few undo steps to mean anything";
        // Everything back to the first state and forward again to the last one.
        for (int k = 0; k < 2; ++k) {
            while (real.Pos() > 0) {
                real.Undo();
                whole.Undo();
                ExpectSameState(real, whole, "undoing all, seed " + std::to_string(seed));
            }
            while (real.Pos() < real.Count()) {
                real.RedoStep();
                whole.RedoStep();
                ExpectSameState(real, whole, "redoing all, seed " + std::to_string(seed));
            }
        }
    }
}

TEST(UndoStackOracle, AStepKeepsOnlyTheVariablesItChanged)
{
    TUndoStack stack;
    TTreePairPusher pusher(stack);
    TETree system(&pusher), user(&pusher);
    pusher.SetTrees(&system, &user);
    for (int i = 0; i < 100; ++i) {
        const std::u16string n = u"V" + std::u16string(1, static_cast<char16_t>(u'A' + i / 26)) +
                                 std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
        system.AddVariable(n, u"C:\\system\\folder;C:\\another\\folder;C:\\third", rdString, false);
        user.AddVariable(n, u"C:\\user\\folder;C:\\another\\folder", rdString, false);
    }
    TBytes systemBytes, userBytes;
    system.SaveSnapshot(systemBytes);
    user.SaveSnapshot(userBytes);

    // Fifty edits alternating between the trees, each on another variable.
    for (int i = 0; i < 50; ++i) {
        TETree& tree = i % 2 ? user : system;
        TNode* v = tree.FirstVariable();
        for (int k = (i * 37) % 100; k > 0; --k)
            v = v->NextSibling();
        tree.ActivateNode(v->FirstChild());
        tree.SetElement(u"C:\\edited");
    }
    // Each step changes at most the edited variable and the one the focus left, before and
    // after: far less than one whole tree per step.
    const size_t whole = systemBytes.size() + userBytes.size();
    EXPECT_LT(stack.SnapshotBytes(), whole + 50 * 4 * (whole / 200));
    // A variable no edit touched is one record for the whole history.
    const TNode* untouched = system.FirstVariable()->NextSibling();
    ASSERT_EQ(TETree::GetVariableName(untouched), u"VAb");
    for (int i = 2; i < stack.Count(); i += 2)
        EXPECT_EQ(stack.Entry(i).snapshot->at(1), stack.Entry(0).snapshot->at(1)) << i;
}
