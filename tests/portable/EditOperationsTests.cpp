// The undoable edit operations over a pair of trees with a real undo stack: what each does to
// the tree and the focus, that it is exactly one undo step, and that a change of nothing is no
// step at all.
#include "core/ETree.h"
#include "core/Exclusions.h"
#include "core/Tools.h"
#include "edit/UndoStack.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnook;
using varnook::testing::ScratchFolder;

namespace {

// name[elements] per variable, '$' after an expandable name, '*' after the focused node.
std::string Dump(const TETree& tree)
{
    std::string out;
    for (const TNode* v = tree.FirstVariable(); v; v = v->NextSibling()) {
        out += out.empty() ? "" : " ";
        out += ToUtf8(TETree::GetVariableName(v));
        out += TETree::GetVariableType(v) == rdExpandString ? "$" : "";
        out += v == tree.FocusedNode() ? "*" : "";
        out += "[";
        for (const TNode* e = v->FirstChild(); e; e = e->NextSibling())
            out += (e == v->FirstChild() ? "" : ",") + ToUtf8(TETree::GetElement(e)) + (e == tree.FocusedNode() ? "*" : "");
        out += "]";
    }
    return out;
}

// Stands in for the tree control: records what the model asks of it.
class FakeView : public ITreeObserver {
public:
    std::vector<std::string> log;
    bool editing = false;
    bool canEdit = true;
    TNode* edited = nullptr;
    void TreeChanged() override {}
    void NodeChanged(const TNode*) override {}
    void FocusChanged() override {}
    void FinishEditing() override
    {
        log.push_back("finish");
        editing = false;
    }
    bool EditNode(TNode* node) override
    {
        if (!canEdit)
            return false;
        log.push_back("edit");
        editing = true;
        edited = node;
        return true;
    }
    bool IsEditing() const override { return editing; }
};

class LoggingPusher : public IPushInterface {
public:
    LoggingPusher(TTreePairPusher& inner, std::vector<std::string>& log) : inner_(inner), log_(log) {}
    void Push() override
    {
        log_.push_back("push");
        inner_.Push();
    }
    void Undo() override { inner_.Undo(); }

private:
    TTreePairPusher& inner_;
    std::vector<std::string>& log_;
};

class EditOperationsTest : public ::testing::Test {
protected:
    EditOperationsTest() : pusher(stack), logging(pusher, view.log), system(&logging), user(&logging)
    {
        pusher.SetTrees(&system, &user);
        user.SetObserver(&view);
        user.SetResolvingTree(&system);
    }

    void Fill(TETree& tree, std::initializer_list<std::pair<std::u16string, std::u16string>> vars,
              TRegDataType kind = rdString)
    {
        for (const auto& [name, value] : vars)
            tree.AddVariable(name, value, kind, false);
        tree.FullExpand();
    }
    TNode* Element(TETree& tree, std::u16string_view name, int index)
    {
        TNode* e = tree.FindVariable(name)->FirstChild();
        while (index-- > 0)
            e = e->NextSibling();
        return e;
    }
    int Pushes() const { return static_cast<int>(stack.GetPos() / 2); }
    void Undo() { stack.Undo(); }
    void Redo()
    {
        stack.Redo();
        stack.Redo();
    }
    // The operation is one step: undo gives the tree before it, redo the tree after it.
    void ExpectOneStep(const std::string& before, const std::string& after)
    {
        EXPECT_EQ(Dump(user), after);
        Undo();
        EXPECT_EQ(Dump(user), before) << "after undo";
        Redo();
        EXPECT_EQ(Dump(user), after) << "after redo";
    }

    FakeView view;
    TUndoStack stack;
    TTreePairPusher pusher;
    LoggingPusher logging;
    TETree system;
    TETree user;
};

} // namespace

TEST_F(EditOperationsTest, DeleteFocusesTheNextVisibleSiblingElseThePreviousElseTheParent)
{
    const struct {
        const char* what;
        int element; // -1: the variable B itself
        std::string after;
    } cases[] = {
        {"middle element", 1, "A[1] B[x,z*] C[2]"},
        {"last element", 2, "A[1] B[x,y*] C[2]"},
        {"variable", -1, "A[1] C*[2]"},
    };
    for (const auto& c : cases) {
        TETree& tree = user;
        tree.Clear();
        stack.Clear();
        Fill(tree, {{u"A", u"1"}, {u"B", u"x;y;z"}, {u"C", u"2"}});
        tree.ActivateNode(c.element < 0 ? tree.FindVariable(u"B") : Element(tree, u"B", c.element));
        const std::string before = Dump(tree);
        tree.DeleteSelectedNodes();
        EXPECT_EQ(Pushes(), 1) << c.what;
        ExpectOneStep(before, c.after);
    }
}

TEST_F(EditOperationsTest, DeletingTheLastElementOrTheLastVariableLeavesTheParentOrNothingFocused)
{
    Fill(user, {{u"A", u"only"}});
    user.ActivateNode(Element(user, u"A", 0));
    user.DeleteSelectedNodes();
    EXPECT_EQ(Dump(user), "A*[]");
    EXPECT_EQ(TETree::GetVariableValue(user.FindVariable(u"A")), u"");

    user.DeleteSelectedNodes();
    EXPECT_EQ(Dump(user), "");
    EXPECT_EQ(user.FocusedNode(), nullptr);
    Undo();
    EXPECT_EQ(Dump(user), "A*[]");
}

TEST_F(EditOperationsTest, DeleteSkipsHiddenVariablesWhenChoosingTheNextFocus)
{
    Fill(user, {{u"A", u"1"}, {u"B", u"2"}});
    user.AddVariable(u"C", u"3", rdString, true);
    user.ShowReadOnly(false);
    user.ActivateNode(user.FindVariable(u"B"));
    user.DeleteSelectedNodes();
    EXPECT_EQ(user.FocusedNode(), user.FindVariable(u"A"));
}

TEST_F(EditOperationsTest, MoveUpAndDownSwapNeighboursAndDoNothingAtTheEnds)
{
    Fill(user, {{u"P", u"a;b;c"}});
    user.ActivateNode(Element(user, u"P", 1));
    user.UndoableMoveUp();
    ExpectOneStep("P[a,b*,c]", "P[b*,a,c]");
    user.UndoableMoveUp(); // first already
    EXPECT_EQ(Pushes(), 1);

    user.ActivateNode(Element(user, u"P", 1));
    user.UndoableMoveDown();
    ExpectOneStep("P[b,a*,c]", "P[b,c,a*]");
    user.UndoableMoveDown(); // last already
    EXPECT_EQ(Pushes(), 2);
}

TEST_F(EditOperationsTest, ChangeTypeTwiceGivesTheKindBackOneStepAtATime)
{
    Fill(user, {{u"T", u"x"}});
    user.ActivateNode(Element(user, u"T", 0));
    user.UndoableChangeType();
    user.UndoableChangeType();
    EXPECT_EQ(Dump(user), "T[x*]");
    Undo();
    EXPECT_EQ(Dump(user), "T$[x*]");
    Undo();
    EXPECT_EQ(Dump(user), "T[x*]");
}

TEST_F(EditOperationsTest, CleanupRemovesEmptyElementsAndCaseDifferentDuplicates)
{
    Fill(user, {{u"Path", u"C:\\A;;c:\\a;D:\\b;C:\\A"}});
    user.ActivateNode(user.FindVariable(u"Path"));
    user.UndoableCleanupPaths();
    EXPECT_FALSE(user.FindVariable(u"Path")->IsExpanded());
    ExpectOneStep("Path*[C:\\A,,c:\\a,D:\\b,C:\\A]", "Path*[C:\\A,D:\\b]");
}

TEST_F(EditOperationsTest, InlineReplacesReferencesOfExpandableVariablesOnly)
{
    system.AddVariable(u"Root", u"C:\\Win", rdString, false);
    Fill(user, {{u"Plain", u"%Root%\\a"}});
    Fill(user, {{u"Exp", u"%Root%\\b;%Loop%;keep"}, {u"Loop", u"%Loop%x"}}, rdExpandString);

    // A plain variable keeps its references: nothing changes and nothing counts as an edit.
    user.ActivateNode(Element(user, u"Plain", 0));
    EXPECT_FALSE(user.UndoableInline());
    EXPECT_EQ(Pushes(), 0);

    // An element whose expansion loops keeps its text, never the loop message.
    user.ActivateNode(user.FindVariable(u"Exp"));
    EXPECT_TRUE(user.UndoableInline());
    EXPECT_EQ(Pushes(), 1);
    EXPECT_EQ(Dump(user), "Exp$*[C:\\Win\\b,%Loop%,keep] Loop$[%Loop%x] Plain[%Root%\\a]");
    Undo();
    EXPECT_EQ(TETree::GetElement(Element(user, u"Exp", 0)), u"%Root%\\b");

    user.ActivateNode(Element(user, u"Loop", 0));
    EXPECT_FALSE(user.UndoableInline());
    EXPECT_EQ(Pushes(), 0);
}

TEST_F(EditOperationsTest, PathConversionsChangeOnlyExistingPathsAndNothingIsNoStep)
{
    ScratchFolder root;
    const std::u16string folder = root.Make(u"Long Folder Name", true);
    std::u16string typed = folder;
    for (auto& c : typed)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    const std::u16string missing = root.Path() + u"\\Missing Name\\x";
    Fill(user, {{u"P", missing + u";" + typed}});

    user.ActivateNode(Element(user, u"P", 0));
    EXPECT_FALSE(user.UndoableShort2Long()) << "a missing path alone";
    EXPECT_FALSE(user.UndoableLong2Short());
    EXPECT_EQ(Pushes(), 0);

    user.ActivateNode(user.FindVariable(u"P"));
    EXPECT_TRUE(user.UndoableShort2Long());
    EXPECT_EQ(TETree::GetElement(Element(user, u"P", 0)), missing);
    EXPECT_EQ(TETree::GetElement(Element(user, u"P", 1)), folder);
    EXPECT_EQ(Pushes(), 1);
    EXPECT_FALSE(user.UndoableShort2Long()) << "already long";

    const bool converted = user.UndoableLong2Short();
    EXPECT_EQ(TETree::GetElement(Element(user, u"P", 0)), missing);
    EXPECT_EQ(TETree::GetElement(Element(user, u"P", 1)), ToShortPath(folder));
    EXPECT_EQ(Pushes(), converted ? 2 : 1) << "a step only where the system has short names";
}

TEST_F(EditOperationsTest, TextConversionsDoNotSplitTheirResult)
{
    Fill(user, {{u"Parts", u"a;b"}}, rdExpandString);
    Fill(user, {{u"Exp", u"%Parts%"}}, rdExpandString);
    user.ActivateNode(Element(user, u"Exp", 0));
    EXPECT_TRUE(user.UndoableInline());
    EXPECT_EQ(Dump(user), "Exp$[a;b*] Parts$[a,b]");
}

TEST_F(EditOperationsTest, AddVariableAndAddElementAreOneStepEach)
{
    Fill(user, {{u"B", u"1"}});
    user.UndoableAddVariable(u"A", u"x;y", false, rdExpandString);
    ExpectOneStep("B*[1]", "A$*[x,y] B[1]");

    user.ActivateNode(user.FindVariable(u"B"));
    user.UndoableAddElement(u"first");
    ExpectOneStep("A$[x,y] B*[1]", "A$[x,y] B[first*,1]");
    user.UndoableAddElement(u"second");
    EXPECT_EQ(Dump(user), "A$[x,y] B[first,second*,1]");
    EXPECT_EQ(Pushes(), 3);
}

TEST_F(EditOperationsTest, ReplaceVariableRebuildsItsElementsCollapsedAndFocused)
{
    Fill(user, {{u"A", u"1"}, {u"Path", u"old"}});
    user.ActivateNode(Element(user, u"A", 0));
    EXPECT_EQ(user.UndoableReplaceVariable(u"PATH", u"n1;n2"), user.FindVariable(u"Path"));
    EXPECT_FALSE(user.FindVariable(u"Path")->IsExpanded());
    ExpectOneStep("A[1*] Path[old]", "A[1] Path*[n1,n2]");
}

TEST_F(EditOperationsTest, AddEmptyVariableOpensItsElementAndCancellingTakesItBack)
{
    Fill(user, {{u"B", u"1"}});
    TNode* element = user.UndoableAddEmptyVariable(u"New", rdExpandString, false);
    EXPECT_EQ(Dump(user), "B[1] New$[*]");
    EXPECT_EQ(view.edited, element);
    EXPECT_FALSE(user.IsOnEdited);
    EXPECT_EQ(Pushes(), 1);

    // What the editor does on Escape for a node an add operation made.
    user.undo();
    user.IsOnEdited = true;
    EXPECT_EQ(Dump(user), "B*[1]");
    EXPECT_EQ(Pushes(), 0);
}

TEST_F(EditOperationsTest, AddEmptyElementGoesFirstUnderAVariableAndAfterAnElement)
{
    Fill(user, {{u"P", u"a;b"}});
    user.ActivateNode(user.FindVariable(u"P"));
    user.UndoableAddEmptyElement();
    EXPECT_EQ(Dump(user), "P[*,a,b]");
    EXPECT_FALSE(user.IsOnEdited);
    user.undo();
    user.IsOnEdited = true;

    user.ActivateNode(Element(user, u"P", 0));
    user.UndoableAddEmptyElement();
    EXPECT_EQ(Dump(user), "P[a,*,b]");
    EXPECT_EQ(Pushes(), 1);
}

TEST_F(EditOperationsTest, WithoutAnEditorTheAddedNodeIsAnOrdinaryStep)
{
    view.canEdit = false;
    Fill(user, {{u"P", u"a"}});
    user.ActivateNode(user.FindVariable(u"P"));
    user.UndoableAddEmptyElement();
    EXPECT_TRUE(user.IsOnEdited) << "no edit is open that would end it";
    user.UndoableAddEmptyVariable(u"Q", rdString, false);
    EXPECT_TRUE(user.IsOnEdited);
}

TEST_F(EditOperationsTest, EveryOperationEndsAnOpenEditBeforeItPushes)
{
    using Op = std::function<void()>;
    const std::vector<std::pair<const char*, Op>> ops = {
        {"delete", [&] { user.DeleteSelectedNodes(); }},
        {"move up", [&] { user.UndoableMoveUp(); }},
        {"move down", [&] { user.UndoableMoveDown(); }},
        {"change type", [&] { user.UndoableChangeType(); }},
        {"add element", [&] { user.UndoableAddElement(u"x"); }},
        {"do something", [&] { user.UndoableDoSomething([](const TNode*) { return std::u16string(u"new"); }); }},
        {"add variable", [&] { user.UndoableAddVariable(u"Z", u"z", false, rdString); }},
        {"replace variable", [&] { user.UndoableReplaceVariable(u"P", u"r;s"); }},
    };
    for (const auto& [what, op] : ops) {
        user.Clear();
        Fill(user, {{u"P", u"a;b;c"}});
        user.ActivateNode(Element(user, u"P", 1));
        view.editing = true;
        view.log.clear();
        op();
        ASSERT_GE(view.log.size(), 2u) << what;
        EXPECT_EQ(view.log[0], "finish") << what;
        EXPECT_EQ(view.log[1], "push") << what;
    }
    user.ActivateNode(user.FindVariable(u"P"));
    view.log.clear();
    user.UndoableCleanupPaths();
    EXPECT_EQ(view.log, (std::vector<std::string>{"finish", "push"}));
}

TEST_F(EditOperationsTest, DoSomethingOnAnElementChangesThatElementAlone)
{
    Fill(user, {{u"P", u"a;b"}});
    user.ActivateNode(Element(user, u"P", 1));
    EXPECT_TRUE(user.UndoableDoSomething([](const TNode* e) { return TETree::GetElement(e) + u"!"; }));
    ExpectOneStep("P[a,b*]", "P[a,b!*]");
}
