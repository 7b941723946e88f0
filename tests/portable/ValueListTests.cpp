// Value lists: splitting, joining, cleaning, removing and the local-path test.
// In these tables Q stands for a double quote and _ for a blank, as in the examples users send.
#include "core/Tools.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>

using namespace varnook;

namespace {

std::u16string T(std::u16string s)
{
    for (auto& c : s) {
        if (c == u'Q')
            c = u'"';
        else if (c == u'_')
            c = u' ';
    }
    return s;
}

TElementList L(std::initializer_list<std::u16string> items)
{
    TElementList out;
    for (auto& i : items)
        out.push_back(T(i));
    return out;
}

struct SplitCase {
    std::u16string value;
    TElementList elements;
    std::u16string joined; // what JoinElements gives back
};

} // namespace

TEST(ValueList, SplitAndJoin)
{
    const SplitCase cases[] = {
        {u"", L({u""}), u""},
        {u"a;b", L({u"a", u"b"}), u"a;b"},
        {u"a;;b", L({u"a", u"", u"b"}), u"a;;b"},
        {u";a", L({u"", u"a"}), u";a"},
        {u"a;", L({u"a", u""}), u"a;"},
        {u";", L({u"", u""}), u";"},
        {u"a;b;", L({u"a", u"b", u""}), u"a;b;"},
        {u"_a_;_b_", L({u"_a_", u"_b_"}), u"_a_;_b_"},
        {u"QC:\\x;yQ;z", L({u"QC:\\x;yQ", u"z"}), u"QC:\\x;yQ;z"},
        {u"QabQcd;e", L({u"QabQcd", u"e"}), u"QabQcd;e"},
        {u"QC:\\Program_Files\\Vim\\vim.exeQ_-f", L({u"QC:\\Program_Files\\Vim\\vim.exeQ_-f"}),
         u"QC:\\Program_Files\\Vim\\vim.exeQ_-f"},
        {u"QC:\\a_bQ\\c;D:\\x", L({u"QC:\\a_bQ\\c", u"D:\\x"}), u"QC:\\a_bQ\\c;D:\\x"},
        {u"Qa;bQc;dQ;e", L({u"Qa;bQc", u"dQ", u"e"}), u"Qa;bQc;dQ;e"},
        {u"QQQQ!", L({u"QQQQ!"}), u"QQQQ!"},
        {u"aQb;cQ", L({u"aQb", u"cQ"}), u"aQb;cQ"},
        {u"Qabc", L({u"Qabc"}), u"Qabc"},
        {u"Qa;b", L({u"Qa;b"}), u"Qa;b"},
        {u"QQ;x", L({u"QQ", u"x"}), u"QQ;x"},
    };
    for (const auto& c : cases) {
        const auto value = T(c.value);
        SCOPED_TRACE(std::string(value.begin(), value.end()));
        EXPECT_EQ(SplitValue(value), c.elements);
        EXPECT_EQ(JoinElements(SplitValue(value)), T(c.joined));
    }
    EXPECT_EQ(JoinElements({}), u"");
    EXPECT_EQ(JoinElements({u"", u""}), u";");
}

TEST(ValueList, SplitKeepsSurrogatePairsAndNonAsciiIntact)
{
    const std::u16string value = u"C:\\\U0001F600;\u00C4\u00DF;\u6771\u4EAC";
    EXPECT_EQ(SplitValue(value), (TElementList{u"C:\\\U0001F600", u"\u00C4\u00DF", u"\u6771\u4EAC"}));
}

TEST(ValueList, CombiningMarksAfterSeparatorBeginTheNextElement)
{
    // A ';' followed by a mark is still a separator; the mark is kept, in the element after it.
    EXPECT_EQ(SplitValue(u"a;\u0301b"), (TElementList{u"a", u"\u0301b"}));
    EXPECT_EQ(SplitValue(u"a;\u0301"), (TElementList{u"a", u"\u0301"}));
    EXPECT_EQ(SplitValue(u"e\u0301;x"), (TElementList{u"e\u0301", u"x"}));
    EXPECT_EQ(SplitValue(u"\"\u0301a;b\";c"), (TElementList{u"\"\u0301a;b\"", u"c"}));
}

// Joining the split elements gives back every text, whatever quotes, separators, blanks,
// combining marks, surrogate halves and NULs it holds and wherever they stand.
TEST(ValueList, JoinOfSplitGivesEveryTextBack)
{
    const char16_t alphabet[] = {u'"', u';', u' ', u'a', u'\\', u'\u0301', u'\u20DD', u'\xD83D', u'\xDE00', u'\0'};
    uint32_t seed = 15;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 20000; ++round) {
        std::u16string text(next() % 13, u'a');
        for (auto& c : text)
            c = alphabet[(next() >> 8) % std::size(alphabet)];
        const auto elements = SplitValue(text);
        ASSERT_FALSE(elements.empty());
        ASSERT_EQ(JoinElements(elements), text) << "round " << round;
    }
    // Every text of up to five characters over the separator, the quote and one letter.
    for (int length = 0; length <= 5; ++length) {
        int count = 1;
        for (int i = 0; i < length; ++i)
            count *= 3;
        for (int n = 0; n < count; ++n) {
            std::u16string text;
            for (int i = 0, k = n; i < length; ++i, k /= 3)
                text += u";\"x"[k % 3];
            ASSERT_EQ(JoinElements(SplitValue(text)), text);
        }
    }
}

TEST(ValueList, Cleanup)
{
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"C:\\A;;c:\\a;C:\\B;C:\\A;", u"C:\\A;C:\\B"},
        {u"_x_;x", u"_x_;x"},
        {u";;;", u""},
        {u"", u""},
        {u"C:\\Tools;c:\\TOOLS", u"C:\\Tools"},
        {u"C:\\Tools;C:\\Tools\\", u"C:\\Tools;C:\\Tools\\"},
        {u"QC:\\ToolsQ;C:\\Tools", u"QC:\\ToolsQ;C:\\Tools"},
        {u"_;_", u"_"},
        {u"b;a;B;A", u"b;a"},
        {u"\u00C4rger;\u00E4RGER", u"\u00C4rger"},
        {u"\u0414\u043E\u043C;\u0434\u043E\u043C", u"\u0414\u043E\u043C"},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(std::string(value.begin(), value.end()));
        EXPECT_EQ(CleanupValue(T(value)), T(expected));
    }
}

TEST(ValueList, RemoveElement)
{
    struct Case {
        std::u16string value, element, expected;
    };
    const Case cases[] = {
        {u"C:\\A;C:\\B;C:\\A", u"C:\\A", u"C:\\B"},
        {u"C:\\A;C:\\B;C:\\A", u"c:\\a", u"C:\\A;C:\\B;C:\\A"},
        {u";a;;b;", u"b", u"a;;"},
        {u"a;b", u"x", u"a;b"},
        {u";;a", u"x", u"a"},
        {u"a;;b;", u"", u"a;b"},
        {u"x;y;X;x", u"x", u"y;X"},
        {u"x", u"x", u""},
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.value.begin(), c.value.end()));
        EXPECT_EQ(RemoveElement(c.value, c.element), c.expected);
    }
}

TEST(ValueList, InsertAndAppendAreBareConcatenations)
{
    EXPECT_EQ(InsertValue(u"x", u""), u"x;");
    EXPECT_EQ(AppendValue(u"", u"x"), u";x");
    EXPECT_EQ(InsertValue(u"x", u"a;b"), u"x;a;b");
    EXPECT_EQ(AppendValue(u"a;b", u""), u"a;b;");
}

TEST(ValueList, IsLocalPath)
{
    for (auto yes : {u"C:\\", u"c:\\temp", u"__D:\\x__", u"D:", u"\\Windows", u"z:\\", u"\t\nC:\\x\r"})
        EXPECT_TRUE(IsLocalPath(T(yes))) << std::string(T(yes).begin(), T(yes).end());
    for (auto no : {u"\\\\server\\share", u"C:temp", u"Windows", u"%TEMP%", u"\\", u"", u"__", u"%SystemRoot%\\System32",
                    u"\u00C4:\\x", u"1:\\x", u"C:/x", u"CD:"})
        EXPECT_FALSE(IsLocalPath(T(no))) << std::string(T(no).begin(), T(no).end());
}
