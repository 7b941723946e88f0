// Expansions are remembered between passes: after any change to either tree every element must
// expand exactly as a fresh expansion over the trees as they are now, and validation must follow.
#include "core/ETree.h"
#include "core/Expansion.h"
#include "core/Strings.h"
#include "edit/UndoStack.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace varnook;

namespace {

class ExpansionMemoTest : public ::testing::Test {
protected:
    ExpansionMemoTest() : pusher(stack), system(&pusher), user(&pusher)
    {
        pusher.SetTrees(&system, &user);
        system.root = platform::kRootLocalMachine;
        user.root = platform::kRootCurrentUser;
        user.SetResolvingTree(&system);
        system.AddVariable(u"Root", u"C:\\R", rdString, false);
        system.AddVariable(u"Tools", u"%Root%\\tools;%Other%", rdExpandString, false);
        system.AddVariable(u"Other", u"D:\\o", rdString, false);
        user.AddVariable(u"Path", u"%Tools%\\bin;%Root%;%Loop%", rdExpandString, false);
        user.AddVariable(u"Loop", u"%Loop%;x", rdExpandString, false);
        user.AddVariable(u"Plain", u"%Root%", rdString, false);
    }

    // What each element of both trees expands to now, asked through the remembering path.
    std::string Expanded()
    {
        std::string out;
        for (TETree* tree : {&system, &user})
            for (const TNode* v = tree->FirstVariable(); v; v = v->NextSibling())
                for (const TNode* e = v->FirstChild(); e; e = e->NextSibling())
                    out += ToUtf8(tree->GetElementEx(e)) + "|";
        return out;
    }
    // The same, expanded afresh by copies of the trees that have never expanded anything.
    std::string Fresh()
    {
        TETree s, u;
        TBytes bytes;
        system.SaveSnapshot(bytes);
        s.LoadSnapshot(bytes);
        bytes.clear();
        user.SaveSnapshot(bytes);
        u.LoadSnapshot(bytes);
        s.root = system.root;
        u.root = user.root;
        if (user.GetResolvingTree())
            u.SetResolvingTree(&s);
        std::string out;
        for (TETree* tree : {&s, &u})
            for (const TNode* v = tree->FirstVariable(); v; v = v->NextSibling())
                for (const TNode* e = v->FirstChild(); e; e = e->NextSibling())
                    out += ToUtf8(tree->GetElementEx(e)) + "|";
        return out;
    }

    TNode* Element(TETree& tree, std::u16string_view name, int index)
    {
        TNode* e = tree.FindVariable(name)->FirstChild();
        while (index-- > 0)
            e = e->NextSibling();
        return e;
    }

    TUndoStack stack;
    TTreePairPusher pusher;
    TETree system, user;
};

} // namespace

TEST_F(ExpansionMemoTest, EveryChangeToEitherTreeIsSeenByTheNextExpansion)
{
    const struct {
        const char* what;
        std::function<void()> change;
    } cases[] = {
        {"a referenced element's text", [&] { system.SetElementText(Element(system, u"Root", 0), u"E:\\new"); }},
        {"an element of the resolving tree added", [&] {
             system.InsertElementNode(system.FindVariable(u"Other"), TAttachMode::LastChild, u"more");
         }},
        {"a kind changed", [&] { user.SetVariableType(user.FindVariable(u"Plain"), rdExpandString); }},
        {"an element deleted", [&] { system.DeleteNode(Element(system, u"Tools", 1)); }},
        {"a referenced variable renamed", [&] { system.SetVariableName(system.FindVariable(u"Root"), u"Renamed"); }},
        {"a variable of the own tree shadowing the other tree's", [&] {
             user.AddVariable(u"ROOT", u"F:\\mine", rdString, false);
         }},
        {"a variable deleted", [&] { user.DeleteNode(user.FindVariable(u"ROOT")); }},
        {"a value replaced", [&] { system.SetVariableValue(system.FindVariable(u"Tools"), u"%Root%\\x;%Root%\\y"); }},
        {"an edit through the undo stack", [&] {
             user.ActivateNode(Element(user, u"Path", 1));
             user.SetElement(u"%Tools%");
         }},
        {"its undo", [&] { stack.Undo(); }},
        {"its redo", [&] {
             stack.Redo();
             stack.Redo();
         }},
        {"the loop broken", [&] { user.SetElementText(Element(user, u"Loop", 0), u"end"); }},
        {"the resolving tree unlinked", [&] { user.SetResolvingTree(nullptr); }},
        {"and linked again", [&] { user.SetResolvingTree(&system); }},
        {"the whole tree reloaded from a snapshot", [&] {
             TETree other;
             other.AddVariable(u"Root", u"G:\\reloaded", rdString, false);
             TBytes bytes;
             other.SaveSnapshot(bytes);
             system.LoadSnapshot(bytes);
         }},
    };
    EXPECT_EQ(Expanded(), Fresh());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Expanded(); // everything remembered before the change
        const std::string before = Fresh();
        c.change();
        const std::string after = Fresh();
        EXPECT_EQ(Expanded(), after);
        EXPECT_NE(before, after) << "the case changes no expansion, so it shows nothing";
    }
}

TEST_F(ExpansionMemoTest, InlineUsesTheCurrentValuesAndKeepsALoopAsWritten)
{
    EXPECT_EQ(user.GetElementEx(Element(user, u"Path", 0)), u"C:\\R\\tools;D:\\o\\bin");
    system.SetElementText(Element(system, u"Other", 0), u"Z:\\z");
    user.ActivateNode(user.FindVariable(u"Path"));
    ASSERT_TRUE(user.UndoableInline());
    EXPECT_EQ(user.GetValueByName(u"Path"), u"C:\\R\\tools;Z:\\z\\bin;C:\\R;%Loop%");
}
