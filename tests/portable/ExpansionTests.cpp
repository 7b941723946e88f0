// Reference expansion of a text against a fixed set of variables.
#include "core/Expansion.h"
#include "core/Strings.h"

#include <gtest/gtest.h>

#include <map>

using namespace varnook;

namespace {

TVariableLookup Vars(std::map<std::u16string, std::u16string> vars, int* calls = nullptr)
{
    return [vars = std::move(vars), calls](std::u16string_view name) -> std::optional<std::u16string> {
        if (calls)
            ++*calls;
        auto it = vars.find(std::u16string(name));
        if (it == vars.end())
            return std::nullopt;
        return it->second;
    };
}

} // namespace

TEST(ExpandText, ReferencesPairLeftToRightAndUnknownOnesStay)
{
    const auto vars = Vars({{u"A", u"%B"}, {u"BX", u"found"}, {u"TEMP", u"C:\\T"}, {u";", u"semi"}, {u"", u"empty"}});
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"no references", u"no references"},
        {u"%TEMP%\\x", u"C:\\T\\x"},
        {u"%NOSUCH%\\bin", u"%NOSUCH%\\bin"},
        {u"100%", u"100%"},
        {u"%A%X%", u"found"},       // %A% gives %B, which with X% forms %BX%
        {u"50%;%TEMP%", u"50semiTEMP%"}, // "%;%" is a reference named ";"
        {u"%%", u"empty"},
        {u"%TEMP", u"%TEMP"},
        {u"", u""},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(ToUtf8(text));
        EXPECT_EQ(ExpandText(text, vars), expected);
    }
}

TEST(ExpandText, ChainsAreFollowedAndLoopsReported)
{
    auto vars = Vars({{u"A", u"%B%"}, {u"B", u"%C%"}, {u"C", u"end"}, {u"LOOP", u"%LOOP%;x"},
                      {u"P", u"%Q%"}, {u"Q", u"%P%"}, {u"SELF", u"%SELF%"}});
    EXPECT_EQ(ExpandText(u"%A%", vars), u"end");
    EXPECT_THROW(ExpandText(u"%LOOP%", vars), ELoopDetected); // grows by ";x" every pass
    EXPECT_THROW(ExpandText(u"%P%", vars), ELoopDetected);    // P and Q take turns
    EXPECT_EQ(ExpandText(u"%SELF%", vars), u"%SELF%");        // expands to itself: unchanged, no loop

    // 99 changing passes and a 100th that changes nothing still resolve; one more link does not.
    std::map<std::u16string, std::u16string> chain;
    for (int i = 0; i < 100; ++i)
        chain[u"V" + FromUtf8(std::to_string(i))] = u"%V" + FromUtf8(std::to_string(i + 1)) + u"%";
    chain[u"V100"] = u"end";
    EXPECT_EQ(ExpandText(u"%V2%", Vars(chain)), u"end");
    EXPECT_THROW(ExpandText(u"%V1%", Vars(chain)), ELoopDetected);
}

TEST(ExpandText, SelfDoublingValueStopsEarly)
{
    int calls = 0;
    auto vars = Vars({{u"A", u"%A%%A%"}}, &calls);
    EXPECT_THROW(ExpandText(u"%A%", vars), ELoopDetected);
    EXPECT_EQ(calls, 1); // one lookup per name and call, however often the name occurs
}

// A ring of names, each holding a reference to the next, referenced thousands of times: the text
// keeps its length and never settles, a loop however it ends. The passes stop once they have
// scanned the work limit, long before the hundredth. A chain of 60 links on a text of a few
// thousand characters still resolves; on a text so long that its passes would scan more than the
// limit it is reported as a loop too.
TEST(ExpandText, ARingReferencedThousandsOfTimesEndsWithinTheWorkLimit)
{
    std::map<std::u16string, std::u16string> ring;
    auto name = [](int i) { return u"RING" + FromUtf8(std::to_string(i)); };
    for (int i = 0; i < 150; ++i)
        ring[name(i)] = u"%" + name((i + 1) % 150) + u"%";
    std::u16string rings;
    for (int j = 0; j < 6500; ++j)
        rings += (j ? u";%" : u"%") + name(j % 150) + u"%";
    EXPECT_THROW(ExpandText(rings, Vars(ring)), ELoopDetected);

    std::map<std::u16string, std::u16string> chain;
    for (int i = 0; i < 60; ++i)
        chain[name(i)] = u"%" + name(i + 1) + u"%";
    chain[name(60)] = u"end";
    std::u16string text, expected;
    for (int j = 0; j < 650; ++j) {
        text += (j ? u";%" : u"%") + name(j % 10) + u"%";
        expected += j ? u";end" : u"end";
    }
    ASSERT_LT(text.size() * 61, kExpansionWorkLimit);
    EXPECT_EQ(ExpandText(text, Vars(chain)), expected);
    while (text.size() * 61 <= kExpansionWorkLimit)
        text += text;
    EXPECT_THROW(ExpandText(text, Vars(chain)), ELoopDetected);
}

TEST(ExpandText, ALongFiniteExpansionIsNoLoop)
{
    // Far longer than any environment variable may be, and still short of the size limit.
    const std::u16string big(30000, u'x');
    std::u16string text;
    for (int i = 0; i < 8; ++i)
        text += u"%BIG%;";
    const std::u16string result = ExpandText(text, Vars({{u"BIG", big}}));
    EXPECT_EQ(result.size(), 8 * (big.size() + 1));
}
