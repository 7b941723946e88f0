// Completion decisions of the element editor: which list a text and caret open, from where,
// which rows a fixture folder tree and a fixture variable set give, and what choosing a row
// makes of the text.
#include "edit/ContentAssist.h"

#include "core/Strings.h"
#include "platform/Services.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace varnook;
using T = TContentAssistType;

namespace {

std::string U8(std::u16string_view s) { return ToUtf8(s); }

// Folders by their path with a trailing '\' (letter case ignored), each with its entries in the
// order the file system would give them. "<cwd>" is the current folder.
class FixtureFolders : public platform::IFileSystem {
public:
    std::map<std::u16string, std::vector<platform::TDirEntry>> folders;
    std::vector<std::u16string> patterns; // what was listed, in order
    std::vector<std::u16string> networkDrives{u"N:"};

    bool DirectoryExists(const std::u16string&) override { return false; }
    bool SearchFinds(const std::u16string&) override { return false; }
    uint32_t SetErrorMode(uint32_t mode) override { return mode; }

    bool ListEntries(const std::u16string& pattern, const platform::TListLimits& limits,
                     std::vector<platform::TDirEntry>& entries) override
    {
        patterns.push_back(pattern);
        const size_t cut = pattern.find_last_of(u'\\');
        const std::u16string folder = cut == std::u16string::npos ? u"<cwd>" : AsciiUpper(pattern.substr(0, cut + 1));
        std::u16string stem = AsciiUpper(pattern.substr(cut == std::u16string::npos ? 0 : cut + 1));
        stem.pop_back(); // the '*'
        auto it = folders.find(folder);
        if (it == folders.end())
            return true;
        for (const auto& entry : it->second) {
            if (AsciiUpper(entry.name).rfind(stem, 0) != 0)
                continue;
            if (entries.size() >= limits.maxEntries)
                return false;
            entries.push_back(entry);
        }
        return true;
    }
    bool IsOnNetwork(const std::u16string& path) override
    {
        if (path.rfind(u"\\\\", 0) == 0)
            return true;
        return std::any_of(networkDrives.begin(), networkDrives.end(),
                           [&](const std::u16string& d) { return AsciiUpper(path).rfind(d, 0) == 0; });
    }
};

class FixtureVariables : public IVariablesGetter {
public:
    std::vector<std::u16string> own, resolved;
    static std::vector<std::u16string> Starting(const std::vector<std::u16string>& all, std::u16string_view prefix)
    {
        std::vector<std::u16string> out;
        for (const auto& v : all)
            if (AsciiUpper(v).rfind(AsciiUpper(prefix), 0) == 0)
                out.push_back(v);
        return out;
    }
    std::vector<std::u16string> GetVariablesStartedWith(std::u16string_view prefix) override
    {
        return Starting(own, prefix);
    }
    std::vector<std::u16string> GetResolvedVariablesStartedWith(std::u16string_view prefix) override
    {
        return Starting(resolved, prefix);
    }
};

class ContentAssistTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs.folders[u"C:\\"] = {{u"Windows", true}, {u"Program Files", true}, {u"pagefile.sys", false},
                               {u"Python312", true}, {u"a;b", true}};
        fs.folders[u"C:\\WINDOWS\\"] = {{u".", true},         {u"..", true},       {u"System32", true},
                                        {u"system.ini", false}, {u"explorer.exe", false}, {u"SysWOW64", true}};
        fs.folders[u"C:\\PROGRAM FILES\\"] = {{u".", true}, {u"..", true}, {u"Git", true}};
        fs.folders[u"N:\\"] = {{u"share", true}};
        fs.folders[u"<cwd>"] = {{u"readme.txt", false}, {u"run.cmd", false}, {u"src", true}};
        vars.own = {u"%Path%", u"%PATHEXT%", u"%TEMP%", u"%USERNAME%"};
        vars.resolved = {u"%ComSpec%", u"%PATH%", u"%SystemRoot%", u"%SystemDrive%", u"%username%"};
    }

    std::vector<std::string> Rows(T list, std::u16string_view prefix)
    {
        std::vector<std::string> out;
        for (const auto& row : FillAssistRows(list, prefix, &vars))
            out.push_back(U8(row.text) + (row.directory ? "\\" : ""));
        return out;
    }

    FixtureFolders fs;
    platform::ScopedOverride<platform::IFileSystem> useFs{fs};
    FixtureVariables vars;
};

using TextRows = std::vector<std::string>;

} // namespace

TEST(ContentAssistDecision, ListAndStartFollowTheCaretAndThePercentSigns)
{
    struct Case {
        std::u16string text;
        size_t caret;
        bool expandable, explicitRequest;
        TAssistRequest want;
    } cases[] = {
        // Plain strings complete a path from the start, explicit or not, '%' or not.
        {u"C:\\win", 6, false, false, {true, T::Path, 1}},
        {u"%Sys", 4, false, false, {true, T::Path, 1}},
        {u"", 0, false, true, {true, T::Path, 1}},
        // Expandable: no '%' before the caret is a path.
        {u"C:\\win", 6, true, false, {true, T::Path, 1}},
        {u"C:\\x%A%", 4, true, false, {true, T::Path, 1}}, // the '%' after the caret do not count
        // An odd count: the reference begun at the last '%'.
        {u"%Sys", 4, true, false, {true, T::Variable, 1}},
        {u"%", 1, true, false, {true, T::Variable, 1}},
        {u"%A%\\bin;%P", 10, true, false, {true, T::Variable, 9}},
        {u"%A%x%B", 5, true, true, {true, T::Variable, 5}},
        // An even count: nothing, unless asked, then every reference at the caret.
        {u"%SystemRoot%", 12, true, false, {}},
        {u"%SystemRoot%\\Sys", 16, true, false, {}},
        {u"%SystemRoot%\\", 13, true, true, {true, T::Variable, 14}},
        {u"%A%", 1, true, false, {true, T::Variable, 1}}, // caret right after the first '%'
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideContentAssist(c.text, c.caret, c.expandable, c.explicitRequest), c.want)
            << U8(c.text) << " caret " << c.caret;
}

TEST(ContentAssistDecision, PrefixRunsFromTheStartToTheCaret)
{
    std::u16string prefix;
    EXPECT_TRUE(AssistPrefix(u"%PAx", 1, 3, prefix));
    EXPECT_EQ(prefix, u"%PA");
    EXPECT_TRUE(AssistPrefix(u"ab%", 4, 3, prefix)); // start at the caret: empty prefix
    EXPECT_EQ(prefix, u"");
    EXPECT_FALSE(AssistPrefix(u"ab%cd", 3, 1, prefix)); // the caret moved before the start
    EXPECT_FALSE(AssistPrefix(u"abc", -1, 3, prefix));
}

TEST_F(ContentAssistTest, PathRowsComeFromTheFolderPartAndTheNameTyped)
{
    // Drive root, sorted with letter case ignored; system files are the service's to leave out.
    EXPECT_EQ(Rows(T::Path, u"C:\\"), (TextRows{"C:\\a;b\\", "C:\\pagefile.sys", "C:\\Program Files\\", "C:\\Python312\\",
                                            "C:\\Windows\\"}));
    EXPECT_EQ(Rows(T::Path, u"C:\\p"), (TextRows{"C:\\pagefile.sys", "C:\\Program Files\\", "C:\\Python312\\"}));
    // "." and ".." are dropped; the rows keep the folder part as typed.
    EXPECT_EQ(Rows(T::Path, u"c:\\windows\\"),
              (TextRows{"c:\\windows\\explorer.exe", "c:\\windows\\system.ini", "c:\\windows\\System32\\",
                    "c:\\windows\\SysWOW64\\"}));
    EXPECT_EQ(Rows(T::Path, u"C:\\Windows\\sys"),
              (TextRows{"C:\\Windows\\system.ini", "C:\\Windows\\System32\\", "C:\\Windows\\SysWOW64\\"}));
    // Forward slashes are read and offered as backslashes.
    EXPECT_EQ(Rows(T::Path, u"C:/Program Files/"), (TextRows{"C:\\Program Files\\Git\\"}));
    // A bare drive lists its root.
    EXPECT_EQ(Rows(T::Path, u"C:").size(), 5u);
    EXPECT_EQ(fs.patterns.back(), u"C:\\*");
    // No folder part: the current folder, bare names.
    EXPECT_EQ(Rows(T::Path, u"r"), (TextRows{"readme.txt", "run.cmd"}));
    EXPECT_EQ(Rows(T::Path, u""), (TextRows{"readme.txt", "run.cmd", "src\\"}));
    // A path begun with a double quote is listed inside it.
    EXPECT_EQ(Rows(T::Path, u"\"C:\\Py"), (TextRows{"C:\\Python312\\"}));
    EXPECT_TRUE(Rows(T::Path, u"C:\\nothing\\").empty());
}

TEST_F(ContentAssistTest, NetworkFoldersAreNeverListed)
{
    fs.patterns.clear();
    EXPECT_TRUE(Rows(T::Path, u"\\\\server\\share\\").empty());
    EXPECT_TRUE(Rows(T::Path, u"//server/share/x").empty());
    EXPECT_TRUE(Rows(T::Path, u"\\\\server").empty());
    EXPECT_TRUE(Rows(T::Path, u"N:\\").empty()); // a drive letter mapped to a share
    EXPECT_TRUE(fs.patterns.empty()) << "the service was asked to list " << U8(fs.patterns.front());
    // A path from the current drive's root is local and is listed.
    Rows(T::Path, u"\\Win");
    EXPECT_EQ(fs.patterns.size(), 1u);
}

TEST_F(ContentAssistTest, ListingStopsAtItsLimits)
{
    std::vector<platform::TDirEntry> many;
    for (int i = 0; i < 100; ++i)
        many.push_back({u"f" + FromUtf8(std::to_string(i)), false});
    fs.folders[u"C:\\BIG\\"] = many;
    bool complete = true;
    EXPECT_EQ(PathCompletions(u"C:\\big\\", {10, 1000}, &complete).size(), 10u);
    EXPECT_FALSE(complete);
    EXPECT_EQ(PathCompletions(u"C:\\big\\f1", {100, 1000}, &complete).size(), 11u); // f1, f10..f19
    EXPECT_TRUE(complete);
}

TEST_F(ContentAssistTest, VariableRowsJoinBothTreesWithoutRepeatingAName)
{
    EXPECT_EQ(Rows(T::Variable, u"%pa"), (TextRows{"%Path%", "%PATHEXT%"}));
    EXPECT_EQ(Rows(T::Variable, u"%Sys"), (TextRows{"%SystemDrive%", "%SystemRoot%"}));
    EXPECT_EQ(Rows(T::Variable, u"%"), (TextRows{"%ComSpec%", "%Path%", "%PATHEXT%", "%SystemDrive%", "%SystemRoot%",
                                             "%TEMP%", "%USERNAME%"}));
    EXPECT_EQ(Rows(T::Variable, u""), Rows(T::Variable, u"%"));
    EXPECT_TRUE(Rows(T::Variable, u"%zz").empty());
    EXPECT_TRUE(FillAssistRows(T::Variable, u"%", nullptr).empty());
}

TEST_F(ContentAssistTest, HintsAreTheTwoPathCommandsWithTheirKeys)
{
    EXPECT_EQ(Rows(T::Hints, u"whatever"), (TextRows{"F7 Insert directory path...", "F8 Insert file path..."}));
}

TEST(ContentAssistInsertion, ChosenRowReplacesTheCompletedPart)
{
    struct Case {
        std::u16string text;
        int position;
        size_t end;
        std::u16string row;
        T list;
        bool split;
        TInsertion want;
    } cases[] = {
        // A path row replaces everything typed so far.
        {u"c:/win", 1, 6, u"c:\\windows\\", T::Path, true, {u"c:\\windows\\", 11}},
        // A reference row replaces the '%' and the letters after it; what follows stays.
        {u"%PA", 1, 3, u"%PATH%", T::Variable, true, {u"%PATH%", 6}},
        {u"x;%PA\\bin", 3, 5, u"%PATH%", T::Variable, true, {u"x;%PATH%\\bin", 8}},
        {u"%A%\\", 5, 4, u"%TEMP%", T::Variable, true, {u"%A%\\%TEMP%", 10}},
        // The selection's end counts, not only the caret.
        {u"C:\\Prog", 1, 7, u"C:\\Program Files", T::Path, false, {u"C:\\Program Files", 16}},
        // A path with ';' stays one element of a split variable: quoted, the caret inside.
        {u"C:\\a", 1, 4, u"C:\\a;b", T::Path, true, {u"\"C:\\a;b\"", 7}},
        {u"C:\\a", 1, 4, u"C:\\a;b", T::Path, false, {u"C:\\a;b", 6}},
        // A path begun with a quote keeps it, and a closing quote already typed is not doubled.
        {u"\"C:\\Py", 1, 6, u"C:\\Python312", T::Path, true, {u"\"C:\\Python312\"", 13}},
        {u"\"C:\\a\"", 1, 5, u"C:\\a;b", T::Path, true, {u"\"C:\\a;b\"", 7}},
        // References are never quoted.
        {u"%A", 1, 2, u"%A;B%", T::Variable, true, {u"%A;B%", 5}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InsertCompletion(c.text, c.position, c.end, c.row, c.list, c.split), c.want) << U8(c.text);
}

TEST(ContentAssistFolders, RealFolderListsItsEntriesWithoutDots)
{
    varnook::testing::ScratchFolder root;
    root.Make(u"Tools", true);
    root.Make(u"tool.exe", false);
    root.Make(u"todo.txt", false);
    root.Make(u"other", false);
    std::vector<std::string> rows;
    for (const auto& row : FillAssistRows(T::Path, root.Path() + u"\\to", nullptr))
        rows.push_back(U8(row.text.substr(root.Path().size())) + (row.directory ? "\\" : ""));
    EXPECT_EQ(rows, (std::vector<std::string>{"\\todo.txt", "\\tool.exe", "\\Tools\\"}));
    const auto all = PathCompletions(root.Path() + u"\\");
    EXPECT_EQ(all.size(), 4u);
    for (const auto& row : all)
        EXPECT_NE(row.text.back(), u'.') << U8(row.text);
}
