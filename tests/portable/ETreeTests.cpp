// The variable tree model: order, batches, queries, building operations, focus and visibility,
// special variables, re-splitting and the snapshot records.
#include "core/ETree.h"
#include "core/Exclusions.h"
#include "core/Tools.h"
#include "edit/PushInterface.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace varnook;

namespace {

std::string U8(const std::u16string& s) { return ToUtf8(s); }

// The variable names in tree order, '|' between them.
std::string Names(const TETree& tree)
{
    std::string out;
    for (const TNode* v = tree.FirstVariable(); v; v = v->NextSibling())
        out += (out.empty() ? "" : "|") + U8(TETree::GetVariableName(v));
    return out;
}

std::vector<std::u16string> Elements(const TNode* variable)
{
    std::vector<std::u16string> out;
    for (const TNode* e = variable->FirstChild(); e; e = e->NextSibling())
        out.push_back(TETree::GetElement(e));
    return out;
}

// As the loader fills a tree: appended in store order inside one batch, values split.
void Load(TETree& tree, std::initializer_list<std::pair<std::u16string, std::u16string>> vars)
{
    tree.BeginUpdate();
    for (const auto& [name, value] : vars) {
        TNode* v = tree.AppendVariableNode(name, rdString, false);
        for (auto& e : SplitValue(value))
            tree.InsertElementNode(v, TAttachMode::LastChild, e);
    }
    tree.EndUpdate();
}

class FakeEnvironment : public platform::IProcessEnvironment {
public:
    std::map<std::u16string, std::u16string> vars;
    std::u16string GetVariable(std::u16string_view name) const override
    {
        auto it = vars.find(std::u16string(name));
        return it == vars.end() ? std::u16string() : it->second;
    }
};

class CountingPusher : public IPushInterface {
public:
    std::vector<std::string>* log = nullptr;
    int pushes = 0, undos = 0;
    void Push() override
    {
        ++pushes;
        if (log)
            log->push_back("push");
    }
    void Undo() override { ++undos; }
};

class RecordingObserver : public ITreeObserver {
public:
    std::vector<std::string>* log = nullptr;
    int treeChanged = 0, nodeChanged = 0, focusChanged = 0;
    void TreeChanged() override { ++treeChanged; }
    void NodeChanged(const TNode*) override { ++nodeChanged; }
    void FocusChanged() override { ++focusChanged; }
    void FinishEditing() override
    {
        if (log)
            log->push_back("finish");
    }
};

} // namespace

TEST(ETree, VariablesSortByFoldedNameAndEqualNamesKeepTheirOrder)
{
    const struct {
        std::vector<std::u16string> loaded;
        std::string order;
    } cases[] = {
        {{u"Path", u"TEMP", u"ComSpec"}, "ComSpec|Path|TEMP"},
        {{u"a_b", u"AB"}, "AB|a_b"},      // '_' follows the capitals
        {{u"ABC", u"A_B", u"ab"}, "ab|ABC|A_B"}, // a prefix comes first
        {{u"PATH", u"b", u"Path", u"path"}, "b|PATH|Path|path"},
        {{u"\u00C4", u"Z", u"a"}, "a|Z|\xC3\x84"}, // non-ASCII by code unit, after the letters
    };
    for (const auto& c : cases) {
        TETree tree;
        tree.BeginUpdate();
        for (const auto& name : c.loaded)
            tree.AppendVariableNode(name, rdString, false);
        EXPECT_EQ(Names(tree), [&] { std::string s; for (auto& n : c.loaded) s += (s.empty() ? "" : "|") + U8(n); return s; }())
            << "sorted before the batch ended";
        tree.EndUpdate();
        EXPECT_EQ(Names(tree), c.order);
    }
}

TEST(ETree, BatchesSortAndNotifyOnceAtTheOutermostEnd)
{
    TETree tree;
    RecordingObserver view;
    tree.SetObserver(&view);

    tree.BeginUpdate();
    tree.BeginUpdate();
    tree.AppendVariableNode(u"B", rdString, false);
    tree.EndUpdate();
    tree.AppendVariableNode(u"A", rdString, false);
    EXPECT_EQ(Names(tree), "B|A");
    EXPECT_EQ(view.treeChanged, 0);
    tree.EndUpdate();
    EXPECT_EQ(Names(tree), "A|B");
    EXPECT_EQ(view.treeChanged, 1);

    // Outside a batch a new node takes its place at once.
    tree.AppendVariableNode(u"0", rdString, false);
    EXPECT_EQ(Names(tree), "0|A|B");
    EXPECT_EQ(view.treeChanged, 2);

    // A rename moves the variable to its place.
    tree.SetVariableName(tree.FirstVariable(), u"C");
    EXPECT_EQ(Names(tree), "A|B|C");

    // A batch without changes notifies nobody; an unbalanced end does no harm.
    tree.BeginUpdate();
    tree.EndUpdate();
    tree.EndUpdate();
    EXPECT_EQ(view.treeChanged, 3);
}

TEST(ETree, AddVariableSplitsFocusesAndSortsIntoPlace)
{
    TExclusions exclusions;
    exclusions.Add(u"Whole", false, true);
    TETree tree;
    tree.SetExclusions(&exclusions);
    Load(tree, {{u"A", u"1"}, {u"B", u"2"}});

    TNode* zz = tree.AddVariable(u"ZZ", u"x;y", rdExpandString, false);
    EXPECT_EQ(Names(tree), "A|B|ZZ");
    EXPECT_EQ(Elements(zz), (std::vector<std::u16string>{u"x", u"y"}));
    EXPECT_EQ(TETree::GetVariableType(zz), rdExpandString);
    EXPECT_EQ(tree.FocusedNode(), zz);
    EXPECT_EQ(tree.SelectedNode(), zz);

    // A prefix sorts first, so aa lands after A (never before it, as letter case might suggest).
    TNode* aa = tree.AddVariable(u"aa", u"", rdString, false);
    EXPECT_EQ(Names(tree), "A|aa|B|ZZ");
    EXPECT_EQ(Elements(aa), (std::vector<std::u16string>{u""}));
    EXPECT_EQ(TETree::GetVariableValue(aa), u"");
    EXPECT_EQ(tree.FocusedNode(), aa);

    // The exclusion list keeps a value whole, whatever the case of the name.
    TNode* whole = tree.AddVariable(u"WHOLE", u"a;b", rdString, false);
    EXPECT_EQ(Elements(whole), (std::vector<std::u16string>{u"a;b"}));

    // No check for an existing name: a second A stands after the first.
    TNode* a2 = tree.AddVariable(u"A", u"again", rdString, true);
    EXPECT_EQ(Names(tree), "A|A|aa|B|WHOLE|ZZ");
    EXPECT_EQ(tree.FirstVariable()->NextSibling(), a2);
    EXPECT_EQ(tree.NodeCount(), 6u + 7u);
}

TEST(ETree, ValuesAndNodeTexts)
{
    TETree tree;
    Load(tree, {{u"TEMP", u"C:\\T"}, {u"X", u"a;;b"}});
    TNode* temp = tree.FindVariable(u"TEMP");
    TNode* x = tree.FindVariable(u"X");
    EXPECT_EQ(TETree::GetVariableValue(x), u"a;;b");
    EXPECT_EQ(tree.GetNodeAsText(temp), u"TEMP=C:\\T");
    EXPECT_EQ(tree.GetNodeAsText(temp->FirstChild()), u"C:\\T");
    tree.IsStartEditing = true;
    EXPECT_EQ(tree.GetNodeAsText(temp), u"TEMP");
    EXPECT_EQ(tree.GetNodeAsText(temp->FirstChild()), u"C:\\T");
    tree.IsStartEditing = false;

    // A variable whose elements were all deleted has the empty value.
    tree.DeleteChildren(x);
    EXPECT_EQ(TETree::GetVariableValue(x), u"");
    EXPECT_EQ(tree.GetNodeAsText(x), u"X=");
    EXPECT_EQ(TETree::GetVariableNode(temp->FirstChild()), temp);
    EXPECT_EQ(TETree::GetVariableNode(temp), temp);
}

TEST(ETree, FindVariableIgnoresCaseAndFollowsEveryChange)
{
    TETree tree;
    Load(tree, {{u"Path", u"p"}, {u"PATHEXT", u".COM"}, {u"TEMP", u"t"}});
    EXPECT_EQ(tree.FindVariable(u"path"), tree.FirstVariable());
    EXPECT_TRUE(tree.IsExist(u"pathext"));
    EXPECT_FALSE(tree.IsExist(u"Nosuch"));
    EXPECT_EQ(tree.GetValueByName(u"temp"), u"t");
    EXPECT_EQ(tree.GetValueByName(u"nosuch"), u"");

    // Answers already given must not outlive the change that makes them wrong.
    EXPECT_EQ(tree.FindVariable(u"NEW"), nullptr);
    TNode* added = tree.AddVariable(u"New", u"n", rdString, false);
    EXPECT_EQ(tree.FindVariable(u"NEW"), added);
    tree.SetVariableName(added, u"Renamed");
    EXPECT_EQ(tree.FindVariable(u"NEW"), nullptr);
    EXPECT_EQ(tree.GetValueByName(u"renamed"), u"n");
    tree.DeleteNode(added);
    EXPECT_EQ(tree.FindVariable(u"renamed"), nullptr);
    // Values are never remembered: a changed element shows at once.
    tree.SetElementText(tree.FindVariable(u"TEMP")->FirstChild(), u"t2");
    EXPECT_EQ(tree.GetValueByName(u"TEMP"), u"t2");

    // With two variables of one name, the first in tree order is found, also after a re-sort.
    TNode* second = tree.AddVariable(u"TEMP", u"special", rdString, true);
    EXPECT_NE(tree.FindVariable(u"temp"), second);
    tree.SetVariableName(tree.FindVariable(u"temp"), u"ZTEMP");
    EXPECT_EQ(tree.FindVariable(u"temp"), second);
}

TEST(ETree, VariablesStartedWithFoldsAsciiLettersOnly)
{
    TETree tree;
    Load(tree, {{u"Path", u""}, {u"PATHEXT", u""}, {u"TEMP", u""}});
    tree.ShowReadOnly(false);
    EXPECT_EQ(tree.GetVariablesStartedWith(u"%pa"), (std::vector<std::u16string>{u"%Path%", u"%PATHEXT%"}));
    EXPECT_EQ(tree.GetVariablesStartedWith(u"%PATH%"), (std::vector<std::u16string>{u"%Path%"}));
    EXPECT_EQ(tree.GetVariablesStartedWith(u"").size(), 3u);
    EXPECT_TRUE(tree.GetVariablesStartedWith(u"pa").empty()); // the text starts with '%'

    // Hidden variables are offered too.
    tree.AddVariable(u"USERNAME", u"ann", rdString, true);
    tree.ShowReadOnly(false);
    EXPECT_EQ(tree.GetVariablesStartedWith(u"%user"), (std::vector<std::u16string>{u"%USERNAME%"}));
}

TEST(ETree, PreOrderWalkAndIndexes)
{
    TETree tree;
    Load(tree, {{u"A", u"a1;a2"}, {u"B", u""}, {u"C", u"c1"}});
    std::vector<std::u16string> walk;
    for (TNode* n = tree.FirstVariable(); n; n = TETree::GetNextNode(n))
        walk.push_back(tree.GetNodeAsText(n));
    EXPECT_EQ(walk, (std::vector<std::u16string>{u"A=a1;a2", u"a1", u"a2", u"B=", u"", u"C=c1", u"c1"}));

    TNode* a2 = tree.FirstVariable()->LastChild();
    EXPECT_EQ(TETree::GetNextNode(a2), tree.FindVariable(u"B"));
    EXPECT_EQ(TETree::GetNextNode(tree.FindVariable(u"C")->LastChild()), nullptr);

    EXPECT_EQ(tree.GetFocusIndex(), 0u);
    tree.ActivateNode(tree.FindVariable(u"C")->FirstChild());
    EXPECT_EQ(tree.GetFocusIndex(), 6u);
    tree.RestoreFocus(2);
    EXPECT_EQ(tree.FocusedNode(), a2);
    EXPECT_EQ(tree.SelectedNode(), a2);
    tree.RestoreFocus(7); // beyond the last node
    EXPECT_EQ(tree.FocusedNode(), nullptr);
}

TEST(ETree, InsertedElementsGoAtTheFocusAndTakeIt)
{
    TETree tree;
    Load(tree, {{u"A", u"a1;a2"}, {u"B", u"b1"}});
    TNode* a = tree.FirstVariable();
    ASSERT_FALSE(a->IsExpanded());

    tree.ActivateNode(a);
    TNode* first = tree.InsertEmptyElement();
    EXPECT_EQ(Elements(a), (std::vector<std::u16string>{u"", u"a1", u"a2"}));
    EXPECT_EQ(tree.FocusedNode(), first);
    EXPECT_EQ(tree.SelectedNode(), first);
    EXPECT_TRUE(a->IsExpanded()) << "the focused new element must be able to show";

    tree.ActivateNode(first->NextSibling());
    TNode* middle = tree.InsertElement(u"mid");
    EXPECT_EQ(Elements(a), (std::vector<std::u16string>{u"", u"a1", u"mid", u"a2"}));
    EXPECT_EQ(tree.FocusedNode(), middle);

    tree.ActivateNode(nullptr);
    EXPECT_EQ(tree.InsertEmptyElement(), nullptr);
    EXPECT_EQ(tree.NodeCount(), 7u);
}

TEST(ETree, SetElementEndsTheEditPushesOnceThenSetsTheText)
{
    std::vector<std::string> log;
    CountingPusher pusher;
    pusher.log = &log;
    RecordingObserver view;
    view.log = &log;
    TETree tree(&pusher);
    tree.SetObserver(&view);
    Load(tree, {{u"A", u"old"}});
    TNode* element = tree.FirstVariable()->FirstChild();
    tree.ActivateNode(element);
    const int repaints = view.nodeChanged;

    tree.SetElement(u"C:\\new");
    EXPECT_EQ(log, (std::vector<std::string>{"finish", "push"}));
    EXPECT_EQ(TETree::GetElement(element), u"C:\\new");
    EXPECT_GT(view.nodeChanged, repaints);

    // On a variable there is no element to set: nothing is pushed.
    tree.ActivateNode(tree.FirstVariable());
    tree.SetElement(u"x");
    EXPECT_EQ(pusher.pushes, 1);
    tree.undo();
    EXPECT_EQ(pusher.undos, 1);
}

TEST(ETree, SpecialVariablesComeFromTheProcessEnvironment)
{
    FakeEnvironment env;
    env.vars = {{u"USERNAME", u"ann"}, {u"APPDATA", u"C:\\Users\\ann\\AppData\\Roaming"}, {u"HOMEDRIVE", u""},
                {u"USERPROFILE", u"C:\\Users\\ann"}};
    platform::ScopedOverride<platform::IProcessEnvironment> use(env);

    TETree tree;
    Load(tree, {{u"USERNAME", u"stored"}, {u"TEMP", u"t"}});
    tree.AddSpecialVariables(UserReadOnlyNames);

    // HOMEDRIVE is empty and is not added; the stored USERNAME stays beside the special one.
    EXPECT_EQ(Names(tree), "APPDATA|TEMP|USERNAME|USERNAME|USERPROFILE");
    TNode* stored = tree.FindVariable(u"username");
    TNode* special = stored->NextSibling();
    EXPECT_FALSE(TETree::GetVariableReadOnly(stored));
    EXPECT_TRUE(TETree::GetVariableReadOnly(special));
    EXPECT_EQ(TETree::GetVariableValue(special), u"ann");
    EXPECT_EQ(TETree::GetVariableType(special), rdString);
    // The last name tried with a value is the one focused.
    EXPECT_EQ(tree.FocusedNode(), tree.FindVariable(u"USERPROFILE"));

    // The lists hold exactly the names tried, in order.
    EXPECT_EQ(SystemReadOnlyNames.front(), u"ALLUSERSPROFILE");
    EXPECT_EQ(SystemReadOnlyNames.back(), u"ProgramData");
    EXPECT_EQ(UserReadOnlyNames[2], u"HOMEPATH");
}

TEST(ETree, ShowReadOnlyHidesSpecialVariablesAndMovesAHiddenFocus)
{
    TETree tree;
    Load(tree, {{u"B", u"b"}, {u"D", u"d"}});
    TNode* special = tree.AddVariable(u"A", u"a1;a2", rdString, true);
    tree.AddVariable(u"C", u"c", rdString, true);
    tree.ActivateNode(special);

    tree.ShowReadOnly(false);
    EXPECT_FALSE(special->IsVisible());
    EXPECT_FALSE(TETree::IsDisplayed(special->FirstChild()));
    EXPECT_EQ(tree.GetFirstVisible(), tree.FindVariable(u"B"));
    EXPECT_EQ(tree.FocusedNode(), tree.FindVariable(u"B"));
    EXPECT_EQ(tree.SelectedNode(), tree.FindVariable(u"B"));
    // Hidden nodes stay in the tree for every query.
    EXPECT_EQ(tree.FindVariable(u"a"), special);

    // An element of a special variable counts as hidden with its variable.
    tree.ShowReadOnly(true);
    tree.ActivateNode(special->LastChild());
    tree.ShowReadOnly(false);
    EXPECT_EQ(tree.FocusedNode(), tree.FindVariable(u"B"));

    // A visible focus stays where it is.
    tree.ActivateNode(tree.FindVariable(u"D")->FirstChild());
    tree.ShowReadOnly(true);
    tree.ShowReadOnly(false);
    EXPECT_EQ(tree.FocusedNode(), tree.FindVariable(u"D")->FirstChild());

    // With only special variables, nothing visible can take the focus: it stays.
    TETree specials;
    TNode* only = specials.AddVariable(u"X", u"x", rdString, true);
    specials.ShowReadOnly(false);
    EXPECT_EQ(specials.GetFirstVisible(), nullptr);
    EXPECT_EQ(specials.FocusedNode(), only);

    // Showing with no focus focuses the first variable.
    TETree unfocused;
    Load(unfocused, {{u"Q", u"q"}});
    unfocused.ShowReadOnly(true);
    EXPECT_EQ(unfocused.FocusedNode(), unfocused.FirstVariable());
}

TEST(ETree, DeletingAndCollapsingMoveTheFocusToTheVariable)
{
    TETree tree;
    Load(tree, {{u"A", u"a1;a2"}, {u"B", u"b1"}});
    TNode* a = tree.FirstVariable();
    TNode* b = a->NextSibling();

    tree.ActivateNode(a->LastChild());
    tree.DeleteNode(a->LastChild());
    EXPECT_EQ(tree.FocusedNode(), a);
    EXPECT_TRUE(a->IsExpanded());
    tree.DeleteNode(a->FirstChild());
    EXPECT_EQ(a->ChildCount(), 0u);
    EXPECT_FALSE(a->IsExpanded()) << "a variable without elements cannot stay expanded";

    tree.ActivateNode(b->FirstChild());
    tree.SetExpanded(b, false);
    EXPECT_EQ(tree.FocusedNode(), b);
    EXPECT_EQ(tree.SelectedNode(), b);
    tree.SetExpanded(a, true); // nothing to show
    EXPECT_FALSE(a->IsExpanded());

    // Deleting a variable that holds the focus leaves nothing focused.
    tree.ActivateNode(b->FirstChild());
    tree.DeleteNode(b);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    EXPECT_EQ(tree.SelectedNode(), nullptr);
    EXPECT_EQ(tree.NodeCount(), 1u);
    EXPECT_EQ(tree.FindVariable(u"B"), nullptr);
}

TEST(ETree, MoveNodeReordersElementsOnly)
{
    TETree tree;
    Load(tree, {{u"A", u"1;2;3"}, {u"B", u"x"}});
    TNode* a = tree.FirstVariable();
    TNode* b = a->NextSibling();
    TNode* three = a->LastChild();
    tree.ActivateNode(three);
    tree.MoveNode(three, a->FirstChild(), TAttachMode::Before);
    EXPECT_EQ(Elements(a), (std::vector<std::u16string>{u"3", u"1", u"2"}));
    EXPECT_EQ(tree.FocusedNode(), three);
    tree.MoveNode(three, b, TAttachMode::FirstChild);
    EXPECT_EQ(Elements(b), (std::vector<std::u16string>{u"3", u"x"}));
    EXPECT_EQ(TETree::GetVariableNode(three), b);
    EXPECT_EQ(tree.NodeCount(), 6u);

    // An element cannot become a variable, nor a variable an element.
    EXPECT_THROW(tree.MoveNode(three, b, TAttachMode::After), std::invalid_argument);
    EXPECT_THROW(tree.InsertElementNode(b->FirstChild(), TAttachMode::LastChild, u"x"), std::invalid_argument);
}

TEST(ETree, SetVariableValueRebuildsElementsCollapsedWithFreshFlags)
{
    TETree tree;
    Load(tree, {{u"A", u"a1;a2"}});
    TNode* a = tree.FirstVariable();
    a->FirstChild()->Data()->SetWrongPath(true);
    tree.ActivateNode(a->FirstChild());
    ASSERT_TRUE(a->IsExpanded());

    tree.SetVariableValue(a, u"x;y;z");
    EXPECT_EQ(Elements(a), (std::vector<std::u16string>{u"x", u"y", u"z"}));
    EXPECT_FALSE(a->IsExpanded());
    EXPECT_FALSE(a->FirstChild()->Data()->GetWrongPath());
    EXPECT_EQ(tree.FocusedNode(), a) << "the focused element is gone";
}

TEST(ETree, ExclusionChangesReSplitTheTreeKeepingValueAndExpansion)
{
    TExclusions exclusions;
    CountingPusher pusher;
    TETree tree(&pusher);
    tree.SetExclusions(&exclusions);
    Load(tree, {{u"Path", u"C:\\A;C:\\B"}, {u"LIB", u"l1;l2"}});
    TNode* path = tree.FindVariable(u"Path");
    TNode* lib = tree.FindVariable(u"LIB");
    tree.SetExpanded(path, true);
    path->FirstChild()->Data()->SetWrongPath(true);

    exclusions.Add(u"PATH", false, true);
    EXPECT_EQ(Elements(path), (std::vector<std::u16string>{u"C:\\A;C:\\B"}));
    EXPECT_TRUE(path->IsExpanded());
    EXPECT_FALSE(lib->IsExpanded());
    EXPECT_EQ(Elements(lib), (std::vector<std::u16string>{u"l1", u"l2"}));
    EXPECT_FALSE(path->FirstChild()->Data()->GetWrongPath());

    exclusions.Remove(u"path");
    EXPECT_EQ(Elements(path), (std::vector<std::u16string>{u"C:\\A", u"C:\\B"}));
    EXPECT_EQ(TETree::GetVariableValue(path), u"C:\\A;C:\\B");
    EXPECT_EQ(pusher.pushes, 0) << "a change of the list is not an edit";

    // Only the division changes: a quoted element with ';' stays whole either way.
    tree.SetVariableValue(lib, u"\"a;b\";c");
    exclusions.Add(u"lib", false, false);
    exclusions.Remove(u"lib");
    EXPECT_EQ(Elements(lib), (std::vector<std::u16string>{u"\"a;b\"", u"c"}));
}

TEST(ETree, ExclusionListMayOutliveItsTrees)
{
    TExclusions exclusions;
    {
        TETree tree;
        tree.SetExclusions(&exclusions);
        Load(tree, {{u"A", u"1;2"}});
    }
    exclusions.Add(u"A", false, true); // the dead tree's callback must do nothing
    TETree other;
    other.SetExclusions(&exclusions);
    Load(other, {{u"A", u"1;2"}});
    TExclusions second;
    other.SetExclusions(&second);
    exclusions.Clear(); // no longer this tree's list: no re-split under the old list
    EXPECT_EQ(other.FirstVariable()->ChildCount(), 2u);
}

TEST(ETree, PayloadRecordsAreByteExact)
{
    TETree tree;
    TNode* path = tree.AppendVariableNode(u"Path", rdExpandString, false);
    path->Data()->SetWrongPath(true);
    TNode* element = tree.InsertElementNode(path, TAttachMode::LastChild, u"C:\\");
    TNode* special = tree.AppendVariableNode(u"", rdString, true);

    TBytes bytes;
    TByteWriter out(bytes);
    tree.WriteNodePayload(path, out);
    EXPECT_EQ(bytes, (TBytes{0x02, 0x04, 0x00, 0x00, 0x00, 'P', 0, 'a', 0, 't', 0, 'h', 0, 0x01, 0x00}));

    bytes.clear();
    tree.WriteNodePayload(element, out);
    tree.WriteNodePayload(special, out);
    EXPECT_EQ(bytes, (TBytes{0x03, 0, 0, 0, 'C', 0, ':', 0, '\\', 0, 0x00, /* special: */ 0x01, 0, 0, 0, 0, 0x00, 0x01}));

    // Read back into a node of the same level, and a code unit above 0xFF little-endian.
    tree.SetElementText(element, u"\u20AC");
    bytes.clear();
    tree.WriteNodePayload(element, out);
    EXPECT_EQ(bytes, (TBytes{0x01, 0, 0, 0, 0xAC, 0x20, 0x00}));
    bytes[bytes.size() - 1] = 1;
    TByteReader in(bytes);
    tree.ReadNodePayload(element, in);
    EXPECT_EQ(TETree::GetElement(element), u"\u20AC");
    EXPECT_TRUE(element->Data()->GetWrongPath());

    // A kind other than the two string kinds is damage, not a variable.
    const TBytes badKind = {0x03, 0, 0, 0, 0, 0x00, 0x00};
    TByteReader bad(badKind);
    EXPECT_THROW(tree.ReadNodePayload(path, bad), EVarnookError);
    EXPECT_EQ(TETree::GetVariableName(path), u"Path");
}

TEST(ETree, SnapshotRestoresNodesOrderPayloadsAndStates)
{
    TETree tree;
    Load(tree, {{u"A", u"a1;;a3"}, {u"B", u"C:\\b"}, {u"C", u"c"}});
    TNode* special = tree.AddVariable(u"S", u"s", rdString, true);
    TNode* b = tree.FindVariable(u"B");
    tree.SetVariableType(b, rdExpandString);
    b->FirstChild()->Data()->SetWrongPath(true);
    b->Data()->SetWrongPath(true);
    tree.SetExpanded(tree.FirstVariable(), true);
    tree.ActivateNode(b->FirstChild()); // expands B
    tree.ShowReadOnly(false);
    ASSERT_FALSE(special->IsVisible());

    TBytes snapshot;
    tree.SaveSnapshot(snapshot);

    TETree copy;
    RecordingObserver view;
    copy.SetObserver(&view);
    copy.AddVariable(u"Old", u"gone", rdString, false);
    copy.LoadSnapshot(snapshot);
    EXPECT_GT(view.treeChanged, 0);

    EXPECT_EQ(Names(copy), "A|B|C|S");
    EXPECT_EQ(copy.NodeCount(), tree.NodeCount());
    EXPECT_EQ(copy.FindVariable(u"Old"), nullptr);
    TNode* a2 = copy.FirstVariable();
    TNode* b2 = a2->NextSibling();
    TNode* s2 = copy.FindVariable(u"S");
    EXPECT_EQ(Elements(a2), (std::vector<std::u16string>{u"a1", u"", u"a3"}));
    EXPECT_EQ(TETree::GetVariableType(b2), rdExpandString);
    EXPECT_TRUE(b2->Data()->GetWrongPath());
    EXPECT_TRUE(b2->FirstChild()->Data()->GetWrongPath());
    EXPECT_FALSE(a2->FirstChild()->Data()->GetWrongPath());
    EXPECT_TRUE(a2->IsExpanded());
    EXPECT_TRUE(b2->IsExpanded());
    EXPECT_FALSE(b2->NextSibling()->IsExpanded());
    EXPECT_FALSE(s2->IsVisible());
    EXPECT_TRUE(TETree::GetVariableReadOnly(s2));
    EXPECT_EQ(copy.SelectedNode(), b2->FirstChild());
    EXPECT_EQ(copy.FocusedNode(), nullptr) << "the focus is restored by index, not from the snapshot";

    // Written again, the copy gives the same bytes.
    TBytes again;
    copy.SaveSnapshot(again);
    EXPECT_EQ(again, snapshot);

    // An empty tree round-trips to an empty tree.
    TETree empty;
    TBytes none;
    empty.SaveSnapshot(none);
    copy.LoadSnapshot(none);
    EXPECT_EQ(copy.NodeCount(), 0u);
    EXPECT_EQ(copy.SelectedNode(), nullptr);
}

TEST(ETree, DamagedSnapshotLeavesTheTreeAsItWas)
{
    TETree source;
    Load(source, {{u"A", u"a1;a2"}, {u"B", u"b"}});
    TBytes snapshot;
    source.SaveSnapshot(snapshot);

    TETree tree;
    Load(tree, {{u"Keep", u"k1;k2"}});
    tree.ActivateNode(tree.FirstVariable()->LastChild());
    for (size_t cut = 0; cut < snapshot.size(); ++cut) {
        EXPECT_THROW(tree.LoadSnapshot(snapshot.data(), cut), EVarnookError) << cut;
    }
    TBytes longer = snapshot;
    longer.push_back(0);
    EXPECT_THROW(tree.LoadSnapshot(longer), EVarnookError);
    TBytes hugeCount = {0xFF, 0xFF, 0xFF, 0xFF, 0x0F};
    EXPECT_THROW(tree.LoadSnapshot(hugeCount), EVarnookError);

    EXPECT_EQ(Names(tree), "Keep");
    EXPECT_EQ(Elements(tree.FirstVariable()), (std::vector<std::u16string>{u"k1", u"k2"}));
    EXPECT_EQ(tree.FocusedNode(), tree.FirstVariable()->LastChild());
}

TEST(ETree, SubtreesMoveBetweenTreesWithTheirRecords)
{
    TETree system, user;
    Load(system, {{u"Path", u"C:\\A;C:\\B"}, {u"Z", u"z"}});
    Load(user, {{u"TEMP", u"t"}});
    TNode* path = system.FirstVariable();
    path->LastChild()->Data()->SetWrongPath(true);
    system.SetExpanded(path, true);

    // A variable dropped on the other tree: written there, removed here.
    TBytes transfer;
    TByteWriter out(transfer);
    system.WriteSubtree(path, out);
    TByteReader in(transfer);
    TNode* moved = user.ReadSubtree(in, nullptr, TAttachMode::LastChild);
    system.DeleteNode(path);
    EXPECT_EQ(Names(user), "Path|TEMP");
    EXPECT_EQ(Elements(moved), (std::vector<std::u16string>{u"C:\\A", u"C:\\B"}));
    EXPECT_TRUE(moved->IsExpanded());
    EXPECT_TRUE(moved->LastChild()->Data()->GetWrongPath());
    EXPECT_EQ(user.FindVariable(u"PATH"), moved);
    EXPECT_EQ(Names(system), "Z");
    EXPECT_EQ(user.NodeCount(), 5u);

    // An element dropped directly before another element.
    transfer.clear();
    system.WriteSubtree(system.FirstVariable()->FirstChild(), out);
    TByteReader elementIn(transfer);
    TNode* element = user.ReadSubtree(elementIn, moved->LastChild(), TAttachMode::Before);
    EXPECT_EQ(Elements(moved), (std::vector<std::u16string>{u"C:\\A", u"z", u"C:\\B"}));
    EXPECT_EQ(element->Level(), 1);
}
