// Validation against real folders (drive C of the Wine prefix, or the native build's drives):
// which items are probed, the verdicts, the HOMEPATH rule, repainting, the silent error mode;
// then the errors, warnings, hint and row look built from the verdicts.
#include "core/ETree.h"
#include "core/Exclusions.h"
#include "core/Strings.h"
#include "platform/Services.h"
#include "support/ScratchFolder.h"

#include <chrono>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnook;
using varnook::testing::ScratchFolder;

namespace {

std::string U8(const std::u16string& s) { return ToUtf8(s); }

// The real file system, with every probe written down and the error mode watched.
class RecordingFileSystem : public platform::IFileSystem {
public:
    bool DirectoryExists(const std::u16string& path) override
    {
        Note(u"dir " + path);
        return inner.DirectoryExists(path);
    }
    platform::TPathProbe ProbePath(const std::u16string& path) override
    {
        Note(u"dir " + path);
        return inner.ProbePath(path);
    }
    bool SearchFinds(const std::u16string& pattern) override
    {
        Note(u"find " + pattern);
        return inner.SearchFinds(pattern);
    }
    uint32_t SetErrorMode(uint32_t mode) override
    {
        modes.push_back(mode);
        current = mode;
        return inner.SetErrorMode(mode);
    }
    void Note(std::u16string probe)
    {
        probes.push_back(U8(probe));
        silentAtEveryProbe = silentAtEveryProbe && current == 1;
    }

    platform::IFileSystem& inner = platform::DefaultFileSystem();
    std::vector<std::string> probes;
    std::vector<uint32_t> modes;
    uint32_t current = 0;
    bool silentAtEveryProbe = true;
};

class RepaintCounter : public ITreeObserver {
public:
    void TreeChanged() override {}
    void NodeChanged(const TNode*) override { ++repaints; }
    void FocusChanged() override {}
    void FinishEditing() override {}
    int repaints = 0;
};

std::vector<bool> ElementFlags(const TNode* variable)
{
    std::vector<bool> flags;
    for (const TNode* e = variable->FirstChild(); e; e = e->NextSibling())
        flags.push_back(!TETree::IsValid(e));
    return flags;
}

class VerifyTest : public ::testing::Test {
protected:
    VerifyTest()
    {
        tools = folder.Make(u"Tools", true);
        exe = folder.Make(u"Tools\\tool.exe", false);
        missing = folder.Path() + u"\\Missing";
        user.root = platform::kRootCurrentUser;
        user.SetExclusions(&exclusions);
        user.SetResolvingTree(&system);
        system.root = platform::kRootLocalMachine;
        system.SetExclusions(&exclusions);
    }

    ScratchFolder folder;
    std::u16string tools, exe, missing;
    TExclusions exclusions;
    TETree system, user;
    RecordingFileSystem fs;
    platform::ScopedOverride<platform::IFileSystem> useFs{fs};
};

} // namespace

TEST_F(VerifyTest, OnlyPathLikeItemsAreProbedAndMissingOnesMarked)
{
    const std::string any = "?"; // the platforms differ in what they answer: only the first probe counts
    const struct {
        std::u16string element;
        bool wrong;
        std::vector<std::string> probes;
    } cases[] = {
        {tools, false, {"dir " + U8(tools)}},
        {missing, true, {"dir " + U8(missing)}}, // not there: no search for the same name
        {exe, false, {"dir " + U8(exe), "find " + U8(exe)}},
        {tools + u"\\t??l.*", false, {"dir " + U8(tools) + "\\t??l.*", "find " + U8(tools) + "\\t??l.*"}},
        {tools + u"\\*.dll", true, {"dir " + U8(tools) + "\\*.dll", "find " + U8(tools) + "\\*.dll"}},
        {u"C:", false, {"dir C:"}},
        {u"Q:", true, {"dir Q:", any}},
        {u" " + tools, true, {"dir  " + U8(tools), any}}, // tested with the blank
        {u"\\\\server\\share\\x", false, {}},
        {u"C:Missing", false, {}},
        {u"Missing\\x", false, {}},
        {u".\\Missing", false, {}},
        {u"\"" + missing + u"\"", false, {}},
        {u"%NOSUCH%\\x", false, {}},
        {u"", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.element));
        TNode* v = user.AddVariable(u"V", c.element, rdString, false);
        fs.probes.clear();
        user.VerifyVariable(v);
        if (!c.probes.empty() && c.probes.back() == any) {
            ASSERT_FALSE(fs.probes.empty());
            EXPECT_EQ(fs.probes.front(), c.probes.front());
        } else {
            EXPECT_EQ(fs.probes, c.probes);
        }
        EXPECT_EQ(ElementFlags(v), std::vector<bool>{c.wrong});
        EXPECT_EQ(TETree::IsValid(v), !c.wrong);
        user.DeleteNode(v);
    }
    EXPECT_TRUE(fs.silentAtEveryProbe);
}

// The search is skipped only where the attributes said "not there" and no wildcard could make
// the search find more; every other answer leaves the verdict to the search.
TEST(ETreeVerify, TheSearchDecidesUnlessTheAttributesSaidNothingIsThere)
{
    class FakeFileSystem : public platform::IFileSystem {
    public:
        bool DirectoryExists(const std::u16string&) override { return probe == platform::TPathProbe::Directory; }
        platform::TPathProbe ProbePath(const std::u16string&) override { return probe; }
        bool SearchFinds(const std::u16string&) override { return ++searches, finds; }
        uint32_t SetErrorMode(uint32_t) override { return 0; }
        platform::TPathProbe probe{};
        bool finds = false;
        int searches = 0;
    } fs;
    platform::ScopedOverride<platform::IFileSystem> use(fs);
    using P = platform::TPathProbe;
    const struct {
        P probe;
        std::u16string item;
        bool finds;
        bool wrong;
        int searches;
    } cases[] = {
        {P::Directory, u"C:\\d", false, false, 0},
        {P::NotDirectory, u"C:\\f.exe", true, false, 1},
        {P::NotDirectory, u"C:\\f.exe", false, true, 1}, // the folder cannot be listed
        {P::Missing, u"C:\\gone", true, true, 0},
        {P::Missing, u"C:\\d\\*.exe", true, false, 1},
        {P::Missing, u"C:\\d\\f?.exe", false, true, 1},
        {P::Unknown, u"C:\\pagefile.sys", true, false, 1}, // in use: only a search sees it
        {P::Unknown, u"C:\\locked", false, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.item));
        TETree tree;
        TNode* v = tree.AddVariable(u"V", c.item, rdString, false);
        fs.probe = c.probe;
        fs.finds = c.finds;
        fs.searches = 0;
        tree.Verify();
        EXPECT_EQ(TETree::IsValid(v), !c.wrong);
        EXPECT_EQ(fs.searches, c.searches);
    }
}

TEST_F(VerifyTest, ExpandableElementsAreTestedAfterExpansionAndSplitAgain)
{
    exclusions.Add(u"WHOLE", false, true);
    exclusions.Add(u"NOCHECK", true, false);
    system.AddVariable(u"BENCH", folder.Path(), rdString, false);
    user.AddVariable(u"PAIR_BAD", tools + u";" + missing, rdString, false);
    user.AddVariable(u"PAIR_GOOD", tools + u";x", rdString, false);
    user.AddVariable(u"MISSING2", missing + u"1;" + missing + u"2", rdString, false);

    const struct {
        std::u16string name;
        TRegDataType kind;
        std::u16string value;
        std::vector<bool> flags;
        size_t probes; // stops at the first wrong item
    } cases[] = {
        {u"X1", rdExpandString, u"%BENCH%\\Tools;%bench%\\Missing", {false, true}, 2},
        {u"X2", rdString, u"%BENCH%\\Missing", {false}, 0}, // plain: starts with '%', not a path
        {u"X3", rdExpandString, u"%PAIR_BAD%", {true}, 2},
        {u"X4", rdExpandString, u"%PAIR_GOOD%", {false}, 1},
        {u"WHOLE", rdExpandString, u"%PAIR_GOOD%", {true}, 1}, // one item, ';' and all
        {u"X5", rdExpandString, u"%MISSING2%", {true}, 1},
        {u"NOCHECK", rdExpandString, u"%PAIR_BAD%;Q:\\x", {false, false}, 0},
        {u"LOOP", rdExpandString, u"%LOOP%\\x", {false}, 0}, // "Infinite loop detected"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.name));
        TNode* v = user.AddVariable(c.name, c.value, c.kind, false);
        fs.probes.clear();
        user.VerifyVariable(v);
        EXPECT_EQ(ElementFlags(v), c.flags);
        bool any = false;
        for (bool f : c.flags)
            any = any || f;
        EXPECT_EQ(TETree::IsValid(v), !any);
        EXPECT_EQ(fs.probes.size(), c.probes);
        user.DeleteNode(v);
    }
}

TEST_F(VerifyTest, HomePathIsJoinedToHomeDriveOnlyInTheUserTreeAndOnlyByItsExactName)
{
    const std::u16string noDrive = folder.Path().substr(2); // \varnook-tests\f...
    user.AddVariable(u"HOMEDRIVE", u"C:", rdString, true);
    TNode* home = user.AddVariable(u"HOMEPATH", noDrive + u"\\Tools", rdString, true);
    TNode* other = user.AddVariable(u"HomePath", u"Users\\nobody", rdString, false);
    TNode* systemHome = system.AddVariable(u"HOMEPATH", u"Users\\nobody", rdString, false);
    home->FirstChild()->Data()->SetWrongPath(true); // element flags are not this rule's business

    fs.probes.clear();
    user.Verify();
    system.Verify();
    EXPECT_TRUE(TETree::IsValid(home));
    EXPECT_FALSE(TETree::IsValid(home->FirstChild()));
    // HOMEDRIVE is a bare drive, tested as such; HOMEPATH only joined to it.
    EXPECT_EQ(fs.probes, (std::vector<std::string>{"dir C:", "dir C:" + U8(noDrive) + "\\Tools"}));
    EXPECT_TRUE(TETree::IsValid(other));      // relative: never tested
    EXPECT_TRUE(TETree::IsValid(systemHome)); // the same in the system tree

    user.SetVariableValue(home, u"Users\\nobody");
    user.Verify();
    EXPECT_FALSE(TETree::IsValid(home)); // C:Users\nobody does not exist
}

TEST_F(VerifyTest, APassRepaintsOnlyChangedRowsAndKeepsTheErrorModeBalanced)
{
    RepaintCounter view;
    user.SetObserver(&view);
    TNode* v = user.AddVariable(u"V", tools + u";" + missing + u";" + exe, rdString, false);
    user.AddVariable(u"W", tools, rdString, false);

    fs.modes.clear();
    user.Verify();
    EXPECT_EQ(view.repaints, 2); // the missing element and its variable
    EXPECT_EQ(ElementFlags(v), (std::vector<bool>{false, true, false}));
    user.Verify();
    EXPECT_EQ(view.repaints, 2); // a steady state repaints nothing
    ASSERT_EQ(fs.modes.size() % 2, 0u);
    for (size_t i = 0; i < fs.modes.size(); i += 2)
        EXPECT_EQ(fs.modes[i], 1u);
    EXPECT_NE(fs.current, 1u); // restored
    EXPECT_TRUE(fs.silentAtEveryProbe);

    // The missing folder appears: the flags clear on the next pass.
    folder.Make(u"Missing", true);
    user.Verify();
    EXPECT_EQ(view.repaints, 4);
    EXPECT_TRUE(TETree::IsValid(v));
}

// A view that shows the given variables only.
class ShowingView : public RepaintCounter {
public:
    bool NodesInView(std::vector<const TNode*>& nodes) override
    {
        nodes = shown;
        return true;
    }
    std::vector<const TNode*> shown;
};

TEST_F(VerifyTest, ASharedPassVerifiesRowsInViewAtOnceAndWalksTheRestAcrossShares)
{
    ShowingView view;
    user.SetObserver(&view);
    TNode* a = user.AddVariable(u"A", missing, rdString, false);
    TNode* b = user.AddVariable(u"B", missing, rdString, false);
    TNode* c = user.AddVariable(u"C", missing, rdString, false);
    view.shown = {c->FirstChild()};
    auto flags = [&] { return std::vector<bool>{TETree::IsValid(a), TETree::IsValid(b), TETree::IsValid(c)}; };

    // No time at all: the rows in view and one more variable per share.
    user.VerifyWithin(std::chrono::steady_clock::duration::zero());
    EXPECT_EQ(flags(), (std::vector<bool>{false, true, false}));
    user.VerifyWithin(std::chrono::steady_clock::duration::zero());
    EXPECT_EQ(flags(), (std::vector<bool>{false, false, false}));

    // A walked variable edited before the walk ends: the walk goes round once more.
    user.SetVariableValue(a, tools);
    user.VerifyWithin(std::chrono::steady_clock::duration::zero()); // reaches C, the end
    EXPECT_FALSE(TETree::IsValid(a));
    user.VerifyWithin(std::chrono::steady_clock::duration::zero());
    EXPECT_TRUE(TETree::IsValid(a));

    // Enough time: the whole walk in one share, as Verify does.
    user.SetVariableValue(b, tools);
    user.SetVariableValue(a, missing);
    user.VerifyWithin(std::chrono::seconds(10));
    EXPECT_EQ(flags(), (std::vector<bool>{false, true, false}));
}

TEST(ETreePresentation, ErrorsWarningsAndHintOfARow)
{
    TExclusions exclusions;
    exclusions.Add(u"NOCHECK", true, false);
    TETree tree;
    tree.SetExclusions(&exclusions);
    // 2047 code units with the separator: allowed; one more is not.
    TNode* fits = tree.AddVariable(u"FITS", std::u16string(1000, u'a') + u";" + std::u16string(1046, u'b'), rdString, false);
    TNode* over = tree.AddVariable(u"OVER", std::u16string(2048, u'a'), rdString, false);
    TNode* excluded = tree.AddVariable(u"NOCHECK", std::u16string(2048, u'a'), rdString, false);
    TNode* wrong = tree.AddVariable(u"WRONG", u"C:\\x;C:\\y", rdString, false);
    tree.UpdateWrongPath(wrong, true);
    tree.UpdateWrongPath(wrong->LastChild(), true);
    tree.UpdateWrongPath(over, true);

    const std::u16string invalid = u"Invalid path or you have no access to it";
    const std::u16string varInvalid = u"Variable contains invalid path or you have no access to it";
    const std::u16string tooLong = u"Value exceeds length limit of 2047 characters";
    const std::u16string inList = u"Variable is in the exclude list";
    using L = std::vector<std::u16string>;
    EXPECT_EQ(TETree::GetVariableValueLength(fits), 2047u);
    EXPECT_EQ(tree.GetNodeErrors(fits), L{});
    EXPECT_EQ(tree.GetNodeErrors(over), (L{varInvalid, tooLong}));
    EXPECT_EQ(tree.GetNodeErrors(over->FirstChild()), L{}); // elements never get the length error
    EXPECT_EQ(tree.GetNodeErrors(wrong->LastChild()), L{invalid});
    EXPECT_EQ(tree.GetNodeWarnings(excluded), L{inList});
    EXPECT_EQ(tree.GetNodeWarnings(excluded->FirstChild()), L{});

    EXPECT_EQ(tree.GetHint(fits), u"");
    EXPECT_EQ(tree.GetHint(wrong->LastChild()), u"Error(s):\r\n- " + invalid);
    EXPECT_EQ(tree.GetHint(over), u"Error(s):\r\n- " + varInvalid + u"\r\n- " + tooLong);
    EXPECT_EQ(tree.GetHint(excluded), u"Error(s):\r\n- " + tooLong + u"\r\n\r\nWarning(s):\r\n- " + inList);
    exclusions.Add(u"FITS", false, true);
    EXPECT_EQ(tree.GetHint(tree.FindVariable(u"FITS")), u"\r\n\r\nWarning(s):\r\n- " + inList);
}

TEST(ETreePresentation, IconsOverlaysAndTextStyle)
{
    TExclusions exclusions;
    exclusions.Add(u"EXCL", true, false);
    TETree tree;
    tree.SetExclusions(&exclusions);
    TNode* plain = tree.AddVariable(u"PLAIN", u"a", rdString, false);
    TNode* expand = tree.AddVariable(u"EXP", u"a", rdExpandString, false);
    TNode* special = tree.AddVariable(u"SPECIAL", u"a", rdExpandString, true);
    TNode* excl = tree.AddVariable(u"EXCL", std::u16string(2048, u'a'), rdString, false);
    EXPECT_EQ(TETree::GetImage(plain), kImageString);
    EXPECT_EQ(TETree::GetImage(expand->FirstChild()), kImageExpandString);
    EXPECT_EQ(TETree::GetImage(special), kImageReadOnly);
    EXPECT_EQ(RowIcon(tree.GetRowFacts(expand)), kImageExpandString);
    EXPECT_EQ(RowIcon(tree.GetRowFacts(expand->FirstChild())), kImageNone);

    auto overlays = [&](const TNode* node) {
        const TOverlays o = RowOverlays(tree.GetRowFacts(node));
        return std::vector<int>(o.images.begin(), o.images.begin() + o.count);
    };
    EXPECT_EQ(overlays(plain), std::vector<int>{});
    EXPECT_EQ(overlays(excl), (std::vector<int>{kImageErrorOverlay, kImageExcludedOverlay})); // length error only
    tree.UpdateWrongPath(plain, true);
    tree.UpdateWrongPath(expand->FirstChild(), true);
    EXPECT_EQ(overlays(plain), std::vector<int>{kImageErrorOverlay});
    EXPECT_EQ(overlays(expand->FirstChild()), std::vector<int>{}); // overlays are for variable rows

    const TRowStyle normal{}, bold{true, std::nullopt}, red{true, kWrongPathColor}, grey{false, kReadOnlyColor};
    const struct {
        const TNode* node;
        bool selected;
        TRowStyle style;
    } styles[] = {
        {plain, false, red}, {plain, true, bold},
        {expand, false, normal}, {expand->FirstChild(), false, red}, // each row by its own flag
        {special, false, grey}, {special->FirstChild(), false, grey}, {special, true, normal},
        {excl, false, normal}, // neither the length error nor the exclusion colours a row
    };
    for (const auto& s : styles)
        EXPECT_EQ(RowStyle(tree.GetRowFacts(s.node), s.selected), s.style) << U8(tree.GetNodeAsText(s.node));
    tree.UpdateWrongPath(special, true);
    EXPECT_EQ(RowStyle(tree.GetRowFacts(special), false), red); // an error outranks the grey

    EXPECT_EQ(OverlayPosition(10, 40, 19, 3, 20, 16), (TPoint{32, 42}));
    EXPECT_EQ(OverlayPosition(0, 0, 19, 0, 21, 16), (TPoint{19, 2}));
}
