// The undo stack over a pair of trees: positions, undo and redo, the lost redo branch, focus by
// position and the display states that come back with a snapshot.
#include "core/ETree.h"
#include "core/Exclusions.h"
#include "edit/UndoStack.h"

#include <gtest/gtest.h>

#include <string>

using namespace varnook;

namespace {

// Names and elements, with markers for the display states: + expanded, ~ hidden, * selected.
std::string Dump(const TETree& tree)
{
    std::string out;
    for (const TNode* v = tree.FirstVariable(); v; v = v->NextSibling()) {
        out += ToUtf8(TETree::GetVariableName(v));
        out += v->IsExpanded() ? "+" : "";
        out += v->IsVisible() ? "" : "~";
        out += v == tree.SelectedNode() ? "*" : "";
        out += "[";
        for (const TNode* e = v->FirstChild(); e; e = e->NextSibling())
            out += (e == v->FirstChild() ? "" : ",") + ToUtf8(TETree::GetElement(e)) + (e == tree.SelectedNode() ? "*" : "");
        out += "]";
    }
    return out;
}

class UndoStackTest : public ::testing::Test {
protected:
    UndoStackTest() : pusher(stack), system(&pusher), user(&pusher) { pusher.SetTrees(&system, &user); }

    void Fill(TETree& tree, std::initializer_list<std::pair<std::u16string, std::u16string>> vars)
    {
        for (const auto& [name, value] : vars)
            tree.AddVariable(name, value, rdString, false);
        tree.ActivateNode(nullptr);
    }
    // An edit as the edit operations make it: push first, then change.
    void Edit(TETree& tree, TNode* element, std::u16string text)
    {
        tree.ActivateNode(element);
        tree.SetElement(text);
    }
    void RedoStep()
    {
        stack.Redo();
        stack.Redo();
    }

    TUndoStack stack;
    TTreePairPusher pusher;
    TETree system;
    TETree user;
};

} // namespace

TEST_F(UndoStackTest, UndoAndRedoSwapBothTreesAndTheirDirection)
{
    Fill(system, {{u"Path", u"C:\\Windows"}});
    Fill(user, {{u"TEMP", u"C:\\T"}});
    EXPECT_FALSE(stack.IsUndoable());
    EXPECT_FALSE(stack.IsRedoable());

    Edit(user, user.FirstVariable()->FirstChild(), u"D:\\T");
    EXPECT_EQ(stack.GetPos(), 2);
    EXPECT_TRUE(stack.IsUndoable());
    EXPECT_FALSE(stack.IsRedoable());
    EXPECT_EQ(stack.Entry(0).tree, &system);
    EXPECT_EQ(stack.Entry(1).tree, &user);

    user.undo(); // through the tree, as a cancelled in-place edit does
    EXPECT_EQ(stack.GetPos(), 0);
    EXPECT_FALSE(stack.IsUndoable());
    EXPECT_TRUE(stack.IsRedoable());
    EXPECT_EQ(user.GetValueByName(u"TEMP"), u"C:\\T");
    EXPECT_EQ(system.GetValueByName(u"Path"), u"C:\\Windows");

    RedoStep();
    EXPECT_EQ(stack.GetPos(), 2);
    EXPECT_TRUE(stack.IsUndoable());
    EXPECT_FALSE(stack.IsRedoable());
    EXPECT_EQ(user.GetValueByName(u"TEMP"), u"D:\\T");

    // Nothing to redo, then nothing to undo: nothing happens.
    RedoStep();
    EXPECT_EQ(stack.GetPos(), 2);
    stack.Undo();
    stack.Undo();
    EXPECT_EQ(stack.GetPos(), 0);
    EXPECT_EQ(user.GetValueByName(u"TEMP"), u"C:\\T");
}

TEST_F(UndoStackTest, AnEditAfterUndoDropsTheRedoBranch)
{
    Fill(user, {{u"A", u"1"}});
    TNode* element = user.FirstVariable()->FirstChild();
    Edit(user, element, u"2");
    Edit(user, user.FirstVariable()->FirstChild(), u"3");
    ASSERT_EQ(stack.Count(), 4);
    stack.Undo();
    EXPECT_EQ(user.GetValueByName(u"A"), u"2");
    EXPECT_TRUE(stack.IsRedoable());

    Edit(user, user.FirstVariable()->FirstChild(), u"branch");
    EXPECT_FALSE(stack.IsRedoable());
    EXPECT_EQ(stack.Count(), 4);
    RedoStep();
    EXPECT_EQ(user.GetValueByName(u"A"), u"branch");
    stack.Undo();
    stack.Undo();
    EXPECT_EQ(user.GetValueByName(u"A"), u"1");
}

TEST_F(UndoStackTest, EachUndoRestoresItsTreeWithTheFocusBeforeTheEdit)
{
    Fill(system, {{u"SysA", u"s1;s2"}, {u"SysB", u"s3"}});
    Fill(user, {{u"UsrA", u"u1"}, {u"UsrB", u"u2;u3"}});

    TNode* s2 = system.FirstVariable()->LastChild();
    Edit(system, s2, u"S2");
    TNode* u3 = user.FirstVariable()->NextSibling()->LastChild();
    Edit(user, u3, u"U3");
    // Later moves of the focus must not matter.
    system.ActivateNode(system.FirstVariable());
    user.ActivateNode(nullptr);

    stack.Undo();
    EXPECT_EQ(user.GetValueByName(u"UsrB"), u"u2;u3");
    EXPECT_EQ(system.GetValueByName(u"SysA"), u"s1;S2");
    ASSERT_NE(user.FocusedNode(), nullptr);
    EXPECT_EQ(user.GetNodeAsText(user.FocusedNode()), u"u3");
    EXPECT_EQ(user.SelectedNode(), user.FocusedNode());

    stack.Undo();
    EXPECT_EQ(system.GetValueByName(u"SysA"), u"s1;s2");
    ASSERT_NE(system.FocusedNode(), nullptr);
    EXPECT_EQ(system.GetNodeAsText(system.FocusedNode()), u"s2");

    // Redo brings back the focus each tree had when it was undone.
    RedoStep();
    EXPECT_EQ(system.GetValueByName(u"SysA"), u"s1;S2");
    EXPECT_EQ(system.GetNodeAsText(system.FocusedNode()), u"S2");
}

TEST_F(UndoStackTest, DisplayStatesComeBackAsTheyWereAtThePush)
{
    Fill(user, {{u"A", u"a1;a2"}, {u"B", u"b1"}, {u"C", u"c1"}});
    user.AddVariable(u"R", u"r", rdString, true);
    user.SetExpanded(user.FindVariable(u"A"), true);
    user.ShowReadOnly(false);
    user.ActivateNode(user.FindVariable(u"B"));
    const std::string before = Dump(user);
    EXPECT_EQ(before, "A+[a1,a2]B*[b1]C[c1]R~[r]");

    pusher.Push();
    // Later expanding, collapsing and showing must not leak into the restored state.
    user.SetExpanded(user.FindVariable(u"A"), false);
    user.FullExpand();
    user.ShowReadOnly(true);
    user.SetVariableValue(user.FindVariable(u"C"), u"changed;value");
    stack.Undo();
    EXPECT_EQ(Dump(user), before);
    EXPECT_EQ(user.FocusedNode(), user.FindVariable(u"B"));

    RedoStep();
    EXPECT_EQ(Dump(user), "A+[a1,a2]B+*[b1]C[changed,value]R+[r]");
}

TEST_F(UndoStackTest, RestoredElementsAreNotSplitAgain)
{
    TExclusions exclusions;
    user.SetExclusions(&exclusions);
    Fill(user, {{u"Path", u"a;b"}});
    user.FirstVariable()->FirstChild()->Data()->SetWrongPath(true);
    pusher.Push();
    exclusions.Add(u"Path", false, true);
    ASSERT_EQ(user.FirstVariable()->ChildCount(), 1u);
    stack.Undo();
    EXPECT_EQ(Dump(user), "Path*[a,b]");
    EXPECT_TRUE(user.FirstVariable()->FirstChild()->Data()->GetWrongPath());
}

TEST_F(UndoStackTest, ATreeWithoutFocusComesBackWithItsFirstNodeFocused)
{
    Fill(user, {{u"A", u"1"}, {u"B", u"2"}});
    ASSERT_EQ(user.FocusedNode(), nullptr);
    pusher.Push();
    user.ActivateNode(user.FindVariable(u"B")->FirstChild());
    stack.Undo();
    EXPECT_EQ(user.FocusedNode(), user.FirstVariable());
    EXPECT_EQ(user.SelectedNode(), user.FirstVariable());

    // An empty tree has no node to focus.
    TETree empty;
    stack.Clear();
    stack.PushTree(empty);
    empty.AddVariable(u"X", u"x", rdString, false);
    stack.StepBack();
    EXPECT_EQ(empty.NodeCount(), 0u);
    EXPECT_EQ(empty.FocusedNode(), nullptr);
}

TEST_F(UndoStackTest, ClearForgetsEverything)
{
    Fill(user, {{u"A", u"1"}});
    Edit(user, user.FirstVariable()->FirstChild(), u"2");
    Edit(user, user.FirstVariable()->FirstChild(), u"3");
    stack.Undo();
    stack.Clear();
    EXPECT_FALSE(stack.IsUndoable());
    EXPECT_FALSE(stack.IsRedoable());
    EXPECT_EQ(stack.GetPos(), 0);
    EXPECT_EQ(stack.SnapshotBytes(), 0u);
    EXPECT_EQ(user.GetValueByName(u"A"), u"2");
}

TEST_F(UndoStackTest, AnUntouchedTreeSharesItsSnapshotAndStillRestoresExactly)
{
    Fill(system, {{u"Path", u"C:\\Windows;C:\\Windows\\System32"}, {u"OS", u"Windows_NT"}});
    Fill(user, {{u"A", u"0"}});
    TBytes systemBytes;
    system.SaveSnapshot(systemBytes);

    for (int i = 1; i <= 10; ++i)
        Edit(user, user.FirstVariable()->FirstChild(), std::u16string(1, static_cast<char16_t>(u'0' + i % 10)));
    // Ten pushes of an unchanged system tree keep its bytes once.
    TBytes userBytes;
    user.SaveSnapshot(userBytes);
    EXPECT_EQ(stack.Count(), 20);
    EXPECT_LE(stack.SnapshotBytes(), systemBytes.size() + 10 * userBytes.size());
    EXPECT_EQ(stack.Entry(0).snapshot, stack.Entry(18).snapshot);

    // Walking the whole history back and forth gives every state again.
    for (int i = 9; i >= 0; --i) {
        stack.Undo();
        EXPECT_EQ(user.GetValueByName(u"A"), std::u16string(1, static_cast<char16_t>(u'0' + i)));
        EXPECT_EQ(system.GetValueByName(u"Path"), u"C:\\Windows;C:\\Windows\\System32");
    }
    system.SetVariableValue(system.FindVariable(u"OS"), u"changed after the undos");
    for (int i = 1; i <= 10; ++i) {
        RedoStep();
        EXPECT_EQ(user.GetValueByName(u"A"), std::u16string(1, static_cast<char16_t>(u'0' + i % 10)));
    }
    EXPECT_EQ(system.GetValueByName(u"OS"), u"Windows_NT");
    // The change made outside the history went into the entry the first redo swapped.
    for (int i = 0; i < 10; ++i)
        stack.Undo();
    EXPECT_EQ(system.GetValueByName(u"OS"), u"changed after the undos");
    EXPECT_EQ(user.GetValueByName(u"A"), u"0");
}
