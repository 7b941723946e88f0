// Reference expansion over the two trees: which tree answers, which kinds expand, loops.
#include "core/ETree.h"
#include "core/Strings.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace varnook;

namespace {

// The user tree resolves against the system tree, as the main window links them.
class ExpandTest : public ::testing::Test {
protected:
    ExpandTest()
    {
        system.root = platform::kRootLocalMachine;
        system.AddVariable(u"SystemRoot", u"C:\\Windows", rdString, false);
        system.AddVariable(u"Path", u"%SystemRoot%\\system32;%SystemRoot%", rdExpandString, false);
        user.root = platform::kRootCurrentUser;
        user.SetResolvingTree(&system);
        user.AddVariable(u"TEMP", u"%USERPROFILE%\\AppData\\Local\\Temp", rdExpandString, false);
        user.AddVariable(u"USERPROFILE", u"C:\\Users\\ann", rdString, true);
    }

    TETree system, user;
};

std::string U8(const std::u16string& s) { return ToUtf8(s); }

} // namespace

TEST_F(ExpandTest, ValuesAndElementsResolveInTheirOwnTreeThenTheSystemTree)
{
    user.AddVariable(u"X", u"%systemroot%", rdExpandString, false);
    user.AddVariable(u"KEEP", u"%NOSUCH%\\bin;100%;%%", rdExpandString, false);
    user.AddVariable(u"PLAIN", u"%TEMP%", rdString, false);
    user.AddVariable(u"A", u"%B%", rdExpandString, false);
    user.AddVariable(u"B", u"%C%", rdString, false); // plain, yet what it gives is expanded further
    user.AddVariable(u"C", u"end", rdString, false);
    system.AddVariable(u"SYS", u"%USERPROFILE%", rdExpandString, false);

    const struct {
        TETree* tree;
        std::u16string name;
        std::u16string value;
        std::vector<std::u16string> elements;
    } cases[] = {
        {&user, u"TEMP", u"C:\\Users\\ann\\AppData\\Local\\Temp", {u"C:\\Users\\ann\\AppData\\Local\\Temp"}},
        {&system, u"Path", u"C:\\Windows\\system32;C:\\Windows", {u"C:\\Windows\\system32", u"C:\\Windows"}},
        {&user, u"X", u"C:\\Windows", {u"C:\\Windows"}},       // case ignored, found in the system tree
        {&system, u"SYS", u"%USERPROFILE%", {u"%USERPROFILE%"}}, // the system tree resolves nowhere else
        {&user, u"KEEP", u"%NOSUCH%\\bin;100%;%%", {u"%NOSUCH%\\bin", u"100%", u"%%"}},
        {&user, u"PLAIN", u"%TEMP%", {u"%TEMP%"}},
        {&user, u"A", u"end", {u"end"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.name));
        const TNode* v = c.tree->FindVariable(c.name);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(c.tree->GetVariableValueEx(v), c.value);
        std::vector<std::u16string> elements;
        for (const TNode* e = v->FirstChild(); e; e = e->NextSibling())
            elements.push_back(c.tree->GetElementEx(e));
        EXPECT_EQ(elements, c.elements);
    }

    // A user variable of the same name wins over the system one.
    user.AddVariable(u"SystemRoot", u"D:\\W", rdString, false);
    EXPECT_EQ(user.GetVariableValueEx(user.FindVariable(u"X")), u"D:\\W");
    EXPECT_EQ(system.GetVariableValueEx(system.FindVariable(u"Path")), u"C:\\Windows\\system32;C:\\Windows");
}

TEST_F(ExpandTest, LoopsGiveTheLoopTextAndNeverBlowUp)
{
    const TNode* loop = user.AddVariable(u"LOOP", u"%LOOP%;x", rdExpandString, false);
    EXPECT_EQ(user.GetVariableValueEx(loop), u"Infinite loop detected");
    EXPECT_EQ(user.GetElementEx(loop->FirstChild()), u"Infinite loop detected");
    EXPECT_EQ(user.GetElementEx(loop->LastChild()), u"x");
    EXPECT_THROW(user.ExpandReferences(u"%LOOP%"), ELoopDetected);

    // Doubling itself, the text would need 2^100 code units by the last pass.
    const TNode* bomb = user.AddVariable(u"A", u"%A%%A%", rdExpandString, false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(user.GetVariableValueEx(bomb), u"Infinite loop detected");
    EXPECT_EQ(user.GetElementEx(bomb->FirstChild()), u"Infinite loop detected");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    // A cycle through both trees.
    system.AddVariable(u"P", u"%Q%", rdExpandString, false);
    const TNode* q = user.AddVariable(u"Q", u"%P%", rdExpandString, false);
    EXPECT_EQ(user.GetVariableValueEx(q), u"Infinite loop detected");
}
