// The exclusion list: its case rule, its order by index, its failures and its change notification.
#include "core/Errors.h"
#include "core/Exclusions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnook;

TEST(Exclusions, AbsentNamesAreSplitAndChecked)
{
    TExclusions list;
    EXPECT_TRUE(list.isSplit(u"Path"));
    EXPECT_TRUE(list.isCheck(u""));
    EXPECT_FALSE(list.ContainsKey(u"Path"));
    EXPECT_EQ(list.Count(), 0);
}

TEST(Exclusions, NamesMatchWithAsciiLettersFoldedOnly)
{
    TExclusions list;
    list.Add(u"Path", false, true);
    EXPECT_FALSE(list.isSplit(u"PATH"));
    EXPECT_FALSE(list.isSplit(u"path"));
    EXPECT_TRUE(list.isCheck(u"path"));
    EXPECT_TRUE(list.ContainsKey(u"PATH"));
    EXPECT_FALSE(list.ContainsKey(u"Path2"));
    EXPECT_FALSE(list.ContainsKey(u"Pat"));

    // Accented letters are not folded: É and é are two keys.
    list.Add(u"\u00C9T\u00C9", false, false);
    list.Add(u"\u00E9t\u00E9", true, false);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_FALSE(list.isSplit(u"\u00C9t\u00C9"));
    EXPECT_TRUE(list.isSplit(u"\u00E9T\u00E9"));

    // The empty name is a key like any other and equals only itself.
    list.Add(u"", false, true);
    EXPECT_TRUE(list.ContainsKey(u""));
    EXPECT_FALSE(list.isSplit(u""));
    EXPECT_TRUE(list.isSplit(u" "));
}

TEST(Exclusions, ComparerHashAgreesWithEquality)
{
    const std::u16string pairs[][2] = {
        {u"Path", u"pATH"}, {u"a_b", u"A_B"}, {u"", u""}, {u"x\u00E9", u"X\u00E9"}, {u"PROGRAMFILES(X86)", u"ProgramFiles(x86)"}};
    for (const auto& p : pairs) {
        EXPECT_TRUE(TExclusionsComparer::Equals(p[0], p[1]));
        EXPECT_EQ(TExclusionsComparer::GetHashCode(p[0]), TExclusionsComparer::GetHashCode(p[1]));
    }
    EXPECT_FALSE(TExclusionsComparer::Equals(u"\u00C9", u"\u00E9"));
    EXPECT_FALSE(TExclusionsComparer::Equals(u"a", u"a "));
    // Folding must not map other characters onto letters: '@' + 32 is '`', not 'A'.
    EXPECT_FALSE(TExclusionsComparer::Equals(u"@", u"`"));
    EXPECT_FALSE(TExclusionsComparer::Equals(u"[", u"{"));
}

TEST(Exclusions, DuplicateIsRefusedAndChangesNothing)
{
    TExclusions list;
    int calls = 0;
    list.Add(u"Path", false, true);
    list.AddOnChange([&] { ++calls; });
    try {
        list.Add(u"PATH", true, false);
        FAIL() << "a duplicate was accepted";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), u"Duplicates not allowed");
    }
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(list.isSplit(u"path")); // the old entry is still there, not the refused one
    EXPECT_TRUE(list.isCheck(u"path"));
    EXPECT_EQ(calls, 0);
}

TEST(Exclusions, GetKeyOrdersByFoldedCodeUnits)
{
    TExclusions list;
    for (const char16_t* name : {u"b", u"A_B", u"c", u"ABC", u"A", u"a1"})
        list.Add(name, false, name[0] != u'c');
    // Letters fold to capitals, so '_' (0x5F) sorts after every letter and '1' before them.
    const std::vector<std::u16string> expected = {u"A", u"a1", u"ABC", u"A_B", u"b", u"c"};
    ASSERT_EQ(list.Count(), 6);
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.GetKey(i), expected[i]) << i;
        EXPECT_EQ(list.GetValue(i).isCheck(), expected[i] != u"c") << i;
    }

    // The order follows changes of the list.
    list.Remove(u"a1");
    list.Add(u"0", false, false);
    EXPECT_EQ(list.GetKey(0), u"0");
    EXPECT_EQ(list.GetKey(2), u"ABC");
}

TEST(Exclusions, EveryChangeNotifiesEveryCallbackInOrder)
{
    TExclusions list;
    std::vector<std::string> log;
    list.AddOnChange([&] { log.push_back("first:" + std::to_string(list.Count())); });
    list.AddOnChange([&] { log.push_back("second:" + std::to_string(list.Count())); });

    list.Add(u"A", false, true); // a callback already sees the new state
    EXPECT_EQ(log, (std::vector<std::string>{"first:1", "second:1"}));

    log.clear();
    list.Remove(u"nosuch");
    EXPECT_TRUE(log.empty());
    list.Remove(u"a");
    EXPECT_EQ(log, (std::vector<std::string>{"first:0", "second:0"}));

    TExclusions other;
    other.Add(u"x", false, true);
    other.Add(u"y", true, false);
    other.Add(u"z", false, false);
    log.clear();
    list.AddAll(other);
    EXPECT_EQ(log.size(), 6u); // once per copied entry, to each callback

    // Clear empties the map at once and then notifies once per former entry.
    log.clear();
    list.Clear();
    EXPECT_EQ(log, (std::vector<std::string>{"first:0", "second:0", "first:0", "second:0", "first:0", "second:0"}));
    log.clear();
    list.Clear();
    EXPECT_TRUE(log.empty());
}

TEST(Exclusions, AddAllCopiesEntries)
{
    TExclusions shared, copy;
    shared.Add(u"Path", false, true);
    shared.Add(u"TEMP", true, false);
    copy.AddAll(shared);
    ASSERT_EQ(copy.Count(), 2);

    // The dialog edits its copy; the shared list must not change with it.
    copy.GetValue(0).setSplit(true);
    copy.GetValue(0).setCheck(false);
    EXPECT_EQ(copy.GetKey(0), u"Path");
    EXPECT_FALSE(shared.isSplit(u"Path"));
    EXPECT_TRUE(shared.isCheck(u"Path"));

    // Confirming the dialog: the shared list is cleared and refilled from the copy.
    int calls = 0;
    shared.AddOnChange([&] { ++calls; });
    shared.Clear();
    shared.AddAll(copy);
    EXPECT_EQ(calls, 4);
    EXPECT_TRUE(shared.isSplit(u"PATH"));
    EXPECT_FALSE(shared.isCheck(u"PATH"));
    EXPECT_TRUE(shared.ContainsKey(u"temp"));
}
