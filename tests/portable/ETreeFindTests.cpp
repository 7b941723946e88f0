// Find over the variable tree: names and stored element texts, collapsed and hidden variables
// included, case folded by the locale, from the top or after the focus, without wrapping.
#include "core/ETree.h"
#include "core/Strings.h"
#include "core/Tools.h"

#include <gtest/gtest.h>

#include <string>

using namespace varnook;

namespace {

// "Name" for a variable, "Name/i" for its element i; empty for none.
std::string Label(const TNode* node)
{
    if (!node)
        return {};
    if (node->Level() == 0)
        return ToUtf8(TETree::GetVariableName(node));
    int i = 0;
    for (const TNode* e = node->Parent()->FirstChild(); e != node; e = e->NextSibling())
        ++i;
    return ToUtf8(TETree::GetVariableName(node->Parent())) + "/" + std::to_string(i);
}

TNode* Node(const TETree& tree, const std::string& label)
{
    for (TNode* n = tree.FirstVariable(); n; n = TETree::GetNextNode(n))
        if (Label(n) == label)
            return n;
    return nullptr;
}

class FindText : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::pair<std::u16string, std::u16string> vars[] = {{u"Path", u"C:\\Windows;D:\\päth\\BIN;%SystemRoot%"},
                                                                  {u"TEMP", u"C:\\Temp"},
                                                                  {u"ärger", u"Ölfeld"},
                                                                  {u"Zeta", u"pathology"}};
        tree.BeginUpdate();
        for (const auto& [name, value] : vars) {
            TNode* v = tree.AppendVariableNode(name, rdString, false);
            for (auto& e : SplitValue(value))
                tree.InsertElementNode(v, TAttachMode::LastChild, e);
        }
        tree.EndUpdate();
        tree.AddVariable(u"Secret", u"hidden;PATHWAY", rdString, true);
        tree.ShowReadOnly(false);
    }
    TETree tree;
};

} // namespace

TEST_F(FindText, TableOfSearches)
{
    ASSERT_EQ(Label(tree.FirstVariable()), "Path");
    ASSERT_FALSE(Node(tree, "Secret")->IsVisible());
    struct Case {
        const char* what;
        const char* focus; // "" for none
        std::u16string text;
        bool fromStart;
        const char* found; // "" when nothing is found
    };
    const Case cases[] = {
        {"a variable's name, letter case ignored", "Zeta/0", u"path", true, "Path"},
        {"after the focus: past elements that do not contain it, into a hidden variable", "Path", u"path", false,
         "Secret/1"},
        {"then an element further down", "Secret/1", u"path", false, "Zeta/0"},
        {"no wrapping around to the top", "Zeta/0", u"path", false, ""},
        {"letters beyond ASCII folded by the locale", "", u"PÄTH\\bin", true, "Path/1"},
        {"a name beyond ASCII", "TEMP", u"ÄRGER", false, "ärger"},
        {"an element beyond ASCII", "Path", u"ölf", true, "ärger/0"},
        {"references are searched as written", "", u"%systemroot", true, "Path/2"},
        {"a value is not searched as a whole", "", u"Windows;D:", true, ""},
        {"nothing focused: find next starts at the top", "", u"temp", false, "TEMP"},
        {"the focused node itself is passed over", "TEMP", u"temp", false, "TEMP/0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tree.FullCollapse();
        tree.ActivateNode(*c.focus ? Node(tree, c.focus) : nullptr);
        ASSERT_EQ(Label(tree.FocusedNode()), c.focus);
        const TNode* before = tree.FocusedNode();
        const bool found = tree.FindText(c.text, c.fromStart);
        EXPECT_EQ(found, *c.found != 0);
        if (!found) {
            EXPECT_EQ(tree.FocusedNode(), before) << "the focus stays where it was";
            continue;
        }
        EXPECT_EQ(Label(tree.FocusedNode()), c.found);
        EXPECT_EQ(tree.SelectedNode(), tree.FocusedNode());
        if (tree.FocusedNode()->Level() == 1) {
            EXPECT_TRUE(tree.FocusedNode()->Parent()->IsExpanded()) << "a collapsed variable opens";
        }
    }
}

TEST_F(FindText, AnEmptyTreeFindsNothing)
{
    TETree empty;
    EXPECT_FALSE(empty.FindText(u"x", true));
    EXPECT_FALSE(empty.FindText(u"x", false));
    EXPECT_EQ(empty.FocusedNode(), nullptr);
}
