#include "app/TipText.h"

#include <gtest/gtest.h>

using namespace varnook;

namespace {
std::u16string WithoutBreaks(std::u16string text)
{
    std::erase(text, u'\r');
    std::erase(text, u'\n');
    return text;
}
} // namespace

TEST(TipText, LongValuesBreakAfterSeparatorsAndLoseNothing)
{
    struct Case {
        const char* what;
        std::u16string text;
        size_t width;
        std::u16string expected;
    } cases[] = {
        {"short stays", u"C:\\bin", 10, u"C:\\bin"},
        {"after a semicolon", u"C:\\aa;D:\\bb;E:\\cc", 8, u"C:\\aa;\r\nD:\\bb;\r\nE:\\cc"},
        {"after a backslash", u"C:\\Program\\Files", 12, u"C:\\Program\\\r\nFiles"},
        {"no separator: cut hard", u"abcdefghij", 4, u"abcd\r\nefgh\r\nij"},
        {"a separator too early is not used", u"a;bcdefghij", 6, u"a;bcde\r\nfghij"},
        {"own line breaks stay", u"one\r\ntwo", 10, u"one\r\ntwo"},
        {"empty", u"", 5, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WrapForTip(c.text, c.width), c.expected) << c.what;

    // 2,367 characters of folders: every line fits, and joined they are the value again.
    std::u16string value;
    for (int i = 0; value.size() < 2367; ++i)
        value += u"C:\\Program Files\\Vendor Tools " + std::u16string(1, char16_t(u'0' + i % 10)) + u"\\bin;";
    value.resize(2367);
    const std::u16string wrapped = WrapForTip(value, 100);
    EXPECT_EQ(WithoutBreaks(wrapped), value);
    size_t start = 0, lines = 0;
    while (start < wrapped.size()) {
        size_t end = wrapped.find(u"\r\n", start);
        if (end == std::u16string::npos)
            end = wrapped.size();
        EXPECT_LE(end - start, 100u);
        ++lines;
        start = end + 2;
    }
    EXPECT_LE(lines, 2367u / 50 + 1);
}
