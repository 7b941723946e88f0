// Moving nodes by drag and drop in the model: acceptance, landing places, the overwrite of a
// variable of the same name, and one undo step per drop over both trees.
#include "edit/DropRules.h"

#include "core/Exclusions.h"
#include "core/Strings.h"
#include "edit/UndoStack.h"

#include <gtest/gtest.h>

#include <string>

using namespace varnook;

namespace {

// name[elements] per variable, '!' after a read-only name, '*' after the focused node.
std::string Dump(const TETree& tree)
{
    std::string out;
    for (const TNode* v = tree.FirstVariable(); v; v = v->NextSibling()) {
        out += out.empty() ? "" : " ";
        out += ToUtf8(TETree::GetVariableName(v));
        out += TETree::GetVariableReadOnly(v) ? "!" : "";
        out += v == tree.FocusedNode() ? "*" : "";
        out += "[";
        for (const TNode* e = v->FirstChild(); e; e = e->NextSibling())
            out += (e == v->FirstChild() ? "" : ",") + ToUtf8(TETree::GetElement(e)) + (e == tree.FocusedNode() ? "*" : "");
        out += "]";
    }
    return out;
}

class DropTest : public ::testing::Test {
protected:
    DropTest() : pusher(stack), system(&pusher), user(&pusher)
    {
        pusher.SetTrees(&system, &user);
        system.AddVariable(u"Path", u"s1;s2", rdString, false);
        system.AddVariable(u"ComSpec", u"cmd", rdString, false);
        system.AddVariable(u"windir", u"C:\\W", rdString, true);
        user.AddVariable(u"PATH", u"u1;u2;u3", rdString, false);
        user.AddVariable(u"TEMP", u"t", rdString, false);
        user.AddVariable(u"USERNAME", u"me", rdString, true);
    }
    TNode* El(TETree& tree, std::u16string_view name, int index)
    {
        TNode* e = tree.FindVariable(name)->FirstChild();
        while (index-- > 0)
            e = e->NextSibling();
        return e;
    }
    // Both trees, then one undo gives both back and one redo both again.
    void ExpectOneStep(const std::string& sysBefore, const std::string& userBefore)
    {
        const std::string sysAfter = Dump(system), userAfter = Dump(user);
        EXPECT_EQ(stack.GetPos(), 2);
        stack.Undo();
        EXPECT_EQ(Dump(system), sysBefore);
        EXPECT_EQ(Dump(user), userBefore);
        stack.Redo();
        stack.Redo();
        EXPECT_EQ(Dump(system), sysAfter);
        EXPECT_EQ(Dump(user), userAfter);
    }

    TUndoStack stack;
    TTreePairPusher pusher;
    TETree system;
    TETree user;
};

} // namespace

TEST_F(DropTest, AcceptanceFollowsTheKindOfTheDraggedNodeAndTheRowUnderThePointer)
{
    TExclusions exclusions;
    exclusions.Add(u"TEMP", false, true);
    user.SetExclusions(&exclusions);

    user.ActivateNode(El(user, u"PATH", 0));
    EXPECT_TRUE(CanDrop(user, user, El(user, u"PATH", 2), true));
    EXPECT_TRUE(CanDrop(user, user, user.FindVariable(u"PATH"), true));
    EXPECT_TRUE(CanDrop(user, system, El(system, u"Path", 0), true));
    EXPECT_FALSE(CanDrop(user, user, El(user, u"PATH", 0), true)) << "onto itself";
    EXPECT_FALSE(CanDrop(user, user, nullptr, true)) << "no row";
    EXPECT_FALSE(CanDrop(user, user, user.FindVariable(u"TEMP"), true)) << "a variable not split";
    EXPECT_FALSE(CanDrop(user, user, user.FindVariable(u"USERNAME"), true)) << "read-only";
    EXPECT_FALSE(CanDrop(user, system, El(system, u"Path", 0), false)) << "target not editable";

    user.ActivateNode(user.FindVariable(u"PATH"));
    EXPECT_TRUE(CanDrop(user, system, nullptr, true));
    EXPECT_TRUE(CanDrop(user, system, system.FindVariable(u"windir"), true));
    EXPECT_FALSE(CanDrop(user, user, user.FindVariable(u"TEMP"), true)) << "own tree";
    EXPECT_FALSE(CanDrop(user, system, nullptr, false));

    EXPECT_TRUE(CanStartDrag(user, El(user, u"PATH", 1), true));
    EXPECT_FALSE(CanStartDrag(user, El(user, u"USERNAME", 0), true));
    EXPECT_FALSE(CanStartDrag(user, El(user, u"PATH", 1), false));
    user.SetExclusions(nullptr);
}

TEST_F(DropTest, ElementsLandFirstBelowAVariableRowLastOnItAndBesideAnElementRow)
{
    const struct {
        int over; // -1: the variable row
        bool below;
        std::string after;
    } cases[] = {
        {-1, true, "PATH[u3*,u1,u2]"},
        {-1, false, "PATH[u1,u2,u3*]"},
        {0, true, "PATH[u1,u3*,u2]"},
        {0, false, "PATH[u3*,u1,u2]"},
    };
    for (const auto& c : cases) {
        user.Clear();
        user.AddVariable(u"PATH", u"u1;u2;u3", rdString, false);
        user.ActivateNode(El(user, u"PATH", 2));
        TNode* over = c.over < 0 ? user.FindVariable(u"PATH") : El(user, u"PATH", c.over);
        ASSERT_TRUE(CanDrop(user, user, over, true));
        DropElement(user, user, over, c.below);
        EXPECT_EQ(Dump(user), c.after);
    }
}

TEST_F(DropTest, AnElementMovedToTheOtherTreeKeepsItsRecordAndIsOneStep)
{
    const std::string sysBefore = Dump(system);
    user.ActivateNode(El(user, u"PATH", 1));
    El(user, u"PATH", 1)->Data()->SetWrongPath(true);
    const std::string userBefore = Dump(user);
    TNode* moved = DropElement(user, system, El(system, u"Path", 0), true);
    EXPECT_EQ(Dump(system), "ComSpec[cmd] Path[s1,u2*,s2] windir![C:\\W]");
    EXPECT_EQ(Dump(user), "PATH[u1,u3*] TEMP[t] USERNAME![me]");
    EXPECT_TRUE(moved->Data()->GetWrongPath());
    ExpectOneStep(sysBefore, userBefore);
}

TEST_F(DropTest, AVariableMovesToTheOtherTreeAndOverwritesOnlyWritableNamesakes)
{
    // TEMP moves over: it takes its sorted place and leaves the user tree.
    user.ActivateNode(user.FindVariable(u"TEMP"));
    const std::string sysBefore = Dump(system), userBefore = Dump(user);
    DropVariable(user, system, false);
    EXPECT_EQ(Dump(system), "ComSpec[cmd] Path[s1,s2] TEMP*[t] windir![C:\\W]");
    EXPECT_EQ(Dump(user), "PATH[u1,u2,u3] USERNAME!*[me]");
    ExpectOneStep(sysBefore, userBefore);

    // PATH over Path, answered Yes: the old one goes, in another letter case too.
    stack.Clear();
    user.ActivateNode(user.FindVariable(u"PATH"));
    DropVariable(user, system, true);
    EXPECT_EQ(Dump(system), "ComSpec[cmd] PATH*[u1,u2,u3] TEMP[t] windir![C:\\W]");

    // A read-only namesake is never deleted.
    system.ActivateNode(system.FindVariable(u"ComSpec"));
    user.AddVariable(u"windir", u"mine", rdString, false);
    user.ActivateNode(user.FindVariable(u"windir"));
    DropVariable(user, system, true);
    EXPECT_EQ(Dump(system), "ComSpec[cmd] PATH[u1,u2,u3] TEMP[t] windir![C:\\W] windir*[mine]");
}
