// What accepting or cancelling an in-place edit does to the tree and its undo history.
#include "edit/InPlaceEdit.h"

#include "core/ETree.h"
#include "core/Exclusions.h"
#include "core/Strings.h"
#include "core/Tools.h"
#include "edit/UndoStack.h"

#include <gtest/gtest.h>

using namespace varnook;

namespace {

std::string U8(const std::u16string& s) { return ToUtf8(s); }

class InPlaceEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pusher.SetTrees(&system, &user);
        user.SetExclusions(&exclusions);
        system.SetExclusions(&exclusions);
        Add(u"Path", u"C:\\a;C:\\b");
        Add(u"TEMP", u"C:\\T");
        Add(u"NOSPLIT", u"x;y");
    }
    TNode* Add(std::u16string name, std::u16string value)
    {
        TNode* v = user.AddVariable(name, value, rdString, false);
        return v;
    }
    std::string Names() const
    {
        std::string out;
        for (const TNode* v = user.FirstVariable(); v; v = v->NextSibling())
            out += (out.empty() ? "" : "|") + U8(TETree::GetVariableName(v));
        return out;
    }
    std::string Elements(const TNode* variable) const
    {
        std::string out;
        for (const TNode* e = variable->FirstChild(); e; e = e->NextSibling())
            out += (e == variable->FirstChild() ? "" : "|") + U8(TETree::GetElement(e));
        return out;
    }

    TUndoStack stack;
    TTreePairPusher pusher{stack};
    TExclusions exclusions;
    TETree system{&pusher};
    TETree user{&pusher};
};

} // namespace

TEST_F(InPlaceEditTest, NamesAreRefusedOrAcceptedAsOneStep)
{
    TNode* temp = user.FindVariable(u"TEMP");
    user.ActivateNode(temp);
    struct Case {
        std::u16string name;
        std::u16string refusal; // empty: accepted (or unchanged)
        std::string names;
        int pos;
    } cases[] = {
        {u"", u"Variable name can't be empty", "NOSPLIT|Path|TEMP", 0},
        {u"   ", u"Variable name can't be empty", "NOSPLIT|Path|TEMP", 0},
        {u"TEMP", u"", "NOSPLIT|Path|TEMP", 0},                     // unchanged: no step
        {u"A=B", u"Variable name can't contain '='", "NOSPLIT|Path|TEMP", 0},
        {u"path", u"Variable 'path' already exists", "NOSPLIT|Path|TEMP", 0},
        {u"Temp", u"", "NOSPLIT|Path|Temp", 2},                     // letter case alone: renamed
        {u"AAA", u"", "AAA|NOSPLIT|Path", 4},                       // moves to its sorted place
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AcceptVariableName(user, temp, c.name), c.refusal) << U8(c.name);
        EXPECT_EQ(Names(), c.names) << U8(c.name);
        EXPECT_EQ(stack.GetPos(), c.pos) << U8(c.name);
    }
    EXPECT_EQ(user.FocusedNode(), temp) << "the renamed variable stays focused";
    stack.Undo();
    EXPECT_EQ(Names(), "NOSPLIT|Path|Temp");
}

TEST_F(InPlaceEditTest, RenameSplitsTheValueAgainAndKeepsTheVariableExpanded)
{
    TNode* v = user.FindVariable(u"NOSPLIT");
    user.SetExpanded(v, true);
    exclusions.Add(u"JOINED", false, true);
    EXPECT_EQ(Elements(v), "x|y");
    EXPECT_EQ(AcceptVariableName(user, v, u"JOINED"), u"");
    EXPECT_EQ(Elements(v), "x;y");
    EXPECT_EQ(AcceptVariableName(user, v, u"SPLIT_AGAIN"), u"");
    EXPECT_EQ(Elements(v), "x|y");
    EXPECT_TRUE(v->IsExpanded());
}

TEST_F(InPlaceEditTest, ElementTextSplitsOnlyInASplitVariable)
{
    TNode* path = user.FindVariable(u"Path");
    AcceptElementText(user, path->FirstChild(), u"C:\\x;C:\\y");
    EXPECT_EQ(Elements(path), "C:\\x|C:\\y|C:\\b");
    EXPECT_EQ(stack.GetPos(), 2); // one step
    // A quoted path with ';' stays one element.
    AcceptElementText(user, path->LastChild(), u"\"C:\\a;b\"");
    EXPECT_EQ(Elements(path), "C:\\x|C:\\y|\"C:\\a;b\"");
    stack.Undo();
    stack.Undo();
    EXPECT_EQ(Elements(user.FindVariable(u"Path")), "C:\\a|C:\\b");

    exclusions.Add(u"NOSPLIT", false, true);
    TNode* joined = user.FindVariable(u"NOSPLIT");
    AcceptElementText(user, joined->FirstChild(), u"p;q");
    EXPECT_EQ(Elements(joined), "p;q");
}

TEST_F(InPlaceEditTest, LongTextsAreKeptWhole)
{
    TNode* temp = user.FindVariable(u"TEMP");
    const std::u16string longText(40000, u'x');
    AcceptElementText(user, temp->FirstChild(), longText);
    EXPECT_EQ(TETree::GetElement(temp->FirstChild()).size(), 40000u);
    EXPECT_EQ(TETree::GetVariableValueLength(temp), 40000u);
}

TEST_F(InPlaceEditTest, EditsOfANewNodePushNothingAndCancelTakesTheNodeBack)
{
    TNode* temp = user.FindVariable(u"TEMP");
    // As the add operation does: push, add, then the edit with IsOnEdited false.
    user.ActivateNode(temp->FirstChild());
    user.PushSnapshot();
    TNode* added = user.InsertEmptyElement();
    user.IsOnEdited = false;
    CancelInPlaceEdit(user);
    EXPECT_TRUE(user.IsOnEdited);
    EXPECT_EQ(Elements(user.FindVariable(u"TEMP")), "C:\\T");
    EXPECT_EQ(stack.GetPos(), 0);

    // Cancelling an edit of an existing node undoes nothing.
    user.PushSnapshot();
    user.SetVariableValue(user.FindVariable(u"TEMP"), u"C:\\T;new");
    CancelInPlaceEdit(user);
    EXPECT_EQ(Elements(user.FindVariable(u"TEMP")), "C:\\T|new");

    // Accepting the first edit of a new element adds no second step.
    const int before = stack.GetPos();
    user.ActivateNode(user.FindVariable(u"TEMP")->FirstChild());
    user.PushSnapshot();
    added = user.InsertEmptyElement();
    user.IsOnEdited = false;
    AcceptElementText(user, added, u"C:\\typed");
    user.IsOnEdited = true;
    EXPECT_EQ(stack.GetPos(), before + 2);
    EXPECT_EQ(Elements(user.FindVariable(u"TEMP")), "C:\\T|C:\\typed|new");
}
