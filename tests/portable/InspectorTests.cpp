// The inspector model (what reaches the grid and when), the rows built for a focused node, and
// the short and long path forms against real folders (drive C of the Wine prefix, or the
// native build's drives).
#include "app/Inspector.h"
#include "core/ETree.h"
#include "core/Exclusions.h"
#include "core/Presentation.h"
#include "core/Strings.h"
#include "core/Tools.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnook;
using varnook::testing::ScratchFolder;

namespace {

class CountingGrid : public IInspectorGrid {
public:
    void SetRowCount(int32_t r) override { rows = r; }
    void Repaint() override { ++repaints; }
    int32_t rows = -1;
    int repaints = 0;
};

struct TRow {
    std::u16string caption, value;
    int32_t image;
    friend bool operator==(const TRow&, const TRow&) = default;
    friend void PrintTo(const TRow& r, std::ostream* os)
    {
        *os << "{" << ToUtf8(r.caption) << " | " << ToUtf8(r.value) << " | " << r.image << "}";
    }
};
using TRows = std::vector<TRow>;

TRows Rows(const TInspector& inspector)
{
    TRows rows;
    for (int32_t r = 0; r < inspector.RowCount(); ++r)
        rows.push_back({inspector.Cells(r, 0), inspector.Cells(r, 1), inspector.Image(r)});
    return rows;
}

TRows Fill(const TETree& tree, const TNode* node)
{
    TInspector inspector(nullptr);
    FillInspector(inspector, tree, node);
    return Rows(inspector);
}

void Tick(TInspector& inspector, const TRows& rows)
{
    inspector.BeginUpdate();
    for (const TRow& r : rows)
        inspector.Add(r.caption, r.value, r.image);
    inspector.EndUpdate();
}

} // namespace

TEST(Inspector, GridIsTouchedOnlyWhenACaptionValueOrImageChangesOrRowsGo)
{
    CountingGrid grid;
    TInspector inspector(&grid);
    const TRows first{{u"Variable name", u"PATH", -1}, {u"Type", u"String", 0}, {u"Error(s)", u"a", 3},
                      {u"", u"b", 3}, {u"", u"c", 3}};
    Tick(inspector, first);
    EXPECT_EQ(grid.repaints, 1);
    EXPECT_EQ(grid.rows, 5);
    EXPECT_EQ(Rows(inspector), first);

    Tick(inspector, first); // a steady state costs nothing
    EXPECT_EQ(grid.repaints, 1);

    // Same texts, another image (a variable's Type row, then its element's): the new one shows.
    Tick(inspector, {{u"Variable name", u"PATH", -1}, {u"Type", u"String", -1}, {u"Error(s)", u"a", 3},
                     {u"", u"b", 3}, {u"", u"c", 3}});
    EXPECT_EQ(grid.repaints, 2);
    EXPECT_EQ(inspector.Image(1), -1);
    Tick(inspector, first);
    EXPECT_EQ(grid.repaints, 3);
    EXPECT_EQ(inspector.Image(1), 0);

    // A changed value takes the new image; the surplus error rows go.
    const TRows second{{u"Variable name", u"PATH", -1}, {u"Type", u"Expandable string", 1}, {u"Error(s)", u"a", 3}};
    Tick(inspector, second);
    EXPECT_EQ(grid.repaints, 4);
    EXPECT_EQ(grid.rows, 3);
    EXPECT_EQ(Rows(inspector), second);

    // Only dropping a row is a change too.
    Tick(inspector, TRows(second.begin(), second.begin() + 2));
    EXPECT_EQ(grid.repaints, 5);
    EXPECT_EQ(grid.rows, 2);

    // Outside the rows: empty texts and no image.
    EXPECT_EQ(inspector.Cells(2, 0), u"");
    EXPECT_EQ(inspector.Cells(0, 2), u"");
    EXPECT_EQ(inspector.Cells(-1, 0), u"");
    EXPECT_EQ(inspector.Image(2), -1);
    EXPECT_EQ(inspector.Image(-1), -1);
}

TEST(Inspector, AddAllCaptionsOnlyTheFirstRowAndAddsNothingForAnEmptyList)
{
    CountingGrid grid;
    TInspector inspector(&grid);
    inspector.BeginUpdate();
    inspector.AddAll(u"Error(s)", {}, 3);
    inspector.AddAll(u"Error(s)", {u"x", u"y"}, 3);
    inspector.AddAll(u"Warning(s)", {u"z"}, 4);
    inspector.EndUpdate();
    EXPECT_EQ(Rows(inspector), (TRows{{u"Error(s)", u"x", 3}, {u"", u"y", 3}, {u"Warning(s)", u"z", 4}}));
}

TEST(FillInspector, VariableRowsByKindThenErrorsAndWarnings)
{
    TExclusions exclusions;
    exclusions.Add(u"NOCHECK", true, false);
    TETree tree;
    tree.SetExclusions(&exclusions);
    TNode* over = tree.AddVariable(u"OVER", std::u16string(2048, u'a'), rdString, false);
    tree.UpdateWrongPath(over, true);
    tree.AddVariable(u"BASE", u"C:\\base", rdString, false);
    TNode* expandable = tree.AddVariable(u"EXP", u"%BASE%\\bin;x", rdExpandString, false);
    TNode* excluded = tree.AddVariable(u"NOCHECK", u"v", rdExpandString, false);
    TNode* special = tree.AddVariable(u"SystemRoot", u"%SystemRoot%", rdString, true);

    const std::u16string a2048(2048, u'a');
    EXPECT_EQ(Fill(tree, over), (TRows{{u"Variable name", u"OVER", -1},
                                       {u"Type", u"String", kImageString},
                                       {u"Value", a2048, -1},
                                       {u"Error(s)", u"Variable contains invalid path or you have no access to it", 3},
                                       {u"", u"Value exceeds length limit of 2047 characters", 3}}));
    EXPECT_EQ(Fill(tree, expandable), (TRows{{u"Variable name", u"EXP", -1},
                                             {u"Type", u"Expandable string", kImageExpandString},
                                             {u"Value", u"%BASE%\\bin;x", -1},
                                             {u"Expanded value", u"C:\\base\\bin;x", -1}}));
    EXPECT_EQ(Fill(tree, excluded), (TRows{{u"Variable name", u"NOCHECK", -1},
                                           {u"Type", u"Expandable string", kImageExpandString},
                                           {u"Value", u"v", -1},
                                           {u"Expanded value", u"v", -1},
                                           {u"Warning(s)", u"Variable is in the exclude list", 4}}));
    // A special variable is a plain string: no expanded value, even of a reference.
    EXPECT_EQ(Fill(tree, special), (TRows{{u"Variable name", u"SystemRoot", -1},
                                          {u"Type", u"Read-only string", kImageReadOnly},
                                          {u"Value", u"%SystemRoot%", -1}}));
}

TEST(FillInspector, ElementRowsWithPathFormsFromTheStoredText)
{
    ScratchFolder root;
    const std::u16string folder = root.Make(u"Long Folder Name", true);
    std::u16string typedLower = folder; // the drive letter stays as typed in both forms
    for (size_t i = 2; i < typedLower.size(); ++i)
        if (typedLower[i] >= u'A' && typedLower[i] <= u'Z')
            typedLower[i] += 32;

    TETree tree;
    tree.AddVariable(u"DIR", folder, rdString, false);
    TNode* v = tree.AddVariable(u"V", u"%DIR%;" + typedLower + u";C:\\no\\such\\folder", rdExpandString, false);
    TNode* reference = v->FirstChild();
    TNode* lower = reference->NextSibling();
    TNode* missing = lower->NextSibling();
    tree.UpdateWrongPath(missing, true);

    // A reference fails the path test: no path forms, although it expands to one.
    EXPECT_EQ(Fill(tree, reference), (TRows{{u"Variable name", u"V", -1},
                                            {u"Type", u"Expandable string", -1},
                                            {u"Value", u"%DIR%", -1},
                                            {u"Expanded value", folder, -1}}));

    // Typed in another letter case: the long form shows the stored names.
    const TRows rows = Fill(tree, lower);
    ASSERT_GE(rows.size(), 5u);
    EXPECT_EQ(rows[2], (TRow{u"Value", typedLower, -1}));
    EXPECT_EQ(rows.back(), (TRow{u"Long path", folder, -1}));
    const std::u16string shortForm = ToShortPath(typedLower);
    EXPECT_EQ(rows.size(), shortForm == typedLower ? 5u : 6u);
    if (shortForm != typedLower) {
        EXPECT_EQ(rows[4], (TRow{u"Short path", shortForm, -1}));
    }

    // A missing path keeps its text in both forms; its error follows the fixed rows.
    EXPECT_EQ(Fill(tree, missing), (TRows{{u"Variable name", u"V", -1},
                                          {u"Type", u"Expandable string", -1},
                                          {u"Value", u"C:\\no\\such\\folder", -1},
                                          {u"Expanded value", u"C:\\no\\such\\folder", -1},
                                          {u"Error(s)", u"Invalid path or you have no access to it", 3}}));
}

TEST(PathForms, LongFormFollowsTheStoredNamesUpToTheFirstMissingComponent)
{
    ScratchFolder root;
    const std::u16string base = root.Path();
    root.Make(u"Long Folder Name\\Inner", true);
    root.Make(u"Long Folder Name\\Inner\\Tool.exe", false);
    const std::u16string full = base + u"\\Long Folder Name\\Inner";

    struct TCase {
        std::u16string text, expected;
    } cases[] = {
        {base + u"\\long folder name\\INNER", full},
        {base + u"\\long folder name\\INNER\\", full + u"\\"},
        {base + u"\\long folder name\\inner\\tool.EXE", full + u"\\Tool.exe"},
        {base + u"\\LONG FOLDER NAME\\missing\\inner", base + u"\\Long Folder Name\\missing\\inner"},
        {base + u"\\long folder name\\\\inner", base + u"\\Long Folder Name\\\\inner"},
        // A wildcard names no one entry: it and what follows stay as typed.
        {base + u"\\long*\\inner", base + u"\\long*\\inner"},
        {base + u"\\long folder name\\inn?r", base + u"\\Long Folder Name\\inn?r"},
        // The system resolves . and .. before searching; they are kept, not replaced by the
        // name of the folder they stand for.
        {base + u"\\long folder name\\.\\inner", base + u"\\Long Folder Name\\.\\Inner"},
        {base + u"\\long folder name\\inner\\..\\INNER", full + u"\\..\\Inner"},
        {base + u"\\Missing", base + u"\\Missing"},
        {u"c:\\NoSuchFolderHere\\x", u"c:\\NoSuchFolderHere\\x"},
        {u"C:", u"C:"},
        {u"", u""},
        {u"\\\\server\\share", u"\\\\server\\share"},
        {u"%REF%\\x", u"%REF%\\x"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ToUtf8(ToLongPath(c.text)), ToUtf8(c.expected)) << ToUtf8(c.text);
}

TEST(PathForms, ShortFormIsTheSystemsOrTheTextItself)
{
    ScratchFolder root;
    const std::u16string folder = root.Make(u"Long Folder Name", true);
    EXPECT_EQ(ToShortPath(root.Path() + u"\\Missing Folder Name"), root.Path() + u"\\Missing Folder Name");
    EXPECT_EQ(ToShortPath(u""), u"");
    const std::u16string shortForm = ToShortPath(folder);
#ifdef _WIN32
    // Wine, as Windows, makes 8.3 names for long ones.
    EXPECT_NE(shortForm, folder);
    EXPECT_EQ(shortForm.find(u"Long Folder Name"), std::u16string::npos) << ToUtf8(shortForm);
#else
    EXPECT_EQ(shortForm, folder); // no short names here
#endif
    EXPECT_EQ(ToLongPath(shortForm), folder);
    EXPECT_EQ(ToShortPath(shortForm), shortForm);
}
