// The markup of the scrolling thanks and where its lines stand while they scroll.
#include "app/CreditsMarkup.h"

#include <gtest/gtest.h>

using namespace varnook;

TEST(CreditsMarkup, LinesAsATable)
{
    struct Case {
        const char16_t* line;
        TCreditLine expected;
    };
    auto plain = [](const char16_t* t) { TCreditLine l; l.text = t; return l; };
    auto styled = [](const char16_t* t, bool b, bool i, bool u) { TCreditLine l; l.text = t; l.bold = b; l.italic = i; l.underline = u; return l; };
    auto coloured = [](const char16_t* t, uint8_t r, uint8_t g, uint8_t b) {
        TCreditLine l;
        l.text = t;
        l.hasColor = true;
        l.red = r;
        l.green = g;
        l.blue = b;
        return l;
    };
    const Case cases[] = {
        {u"Plain line", plain(u"Plain line")},
        {u"", plain(u"")},
        {u"&b&uTitle", styled(u"Title", true, false, true)},
        {u"&BTi&Itle&U", styled(u"Title", true, true, true)},
        {u"&&&&", plain(u"&&")},
        {u"Tom && Jerry", plain(u"Tom & Jerry")},
        {u"&c0,255,255;Cyan", coloured(u"Cyan", 0, 255, 255)},
        {u"Yellow &C255,255,0;line", coloured(u"Yellow line", 255, 255, 0)},
        {u"&c1,2,3", coloured(u"", 1, 2, 3)},           // ended by the line's end
        {u"&xRest", plain(u"Rest")},                      // unknown code: both characters go
        {u"end &", plain(u"end ")},                       // an "&" without a code
        {u"&c", plain(u"")},                              // a colour with nothing
        // Malformed colours: the code runs to its ";" and no further; the colour is ignored
        // or its components are clamped.
        {u"&c300,999999999999,256;Clamped", coloured(u"Clamped", 255, 255, 255)},
        {u"&c 10 , 20 ,30;Blanks", coloured(u"Blanks", 10, 20, 30)},
        {u"&cred,0,0;Named", plain(u"Named")},
        {u"&c-1,0,0;Negative", plain(u"Negative")},
        {u"&c1,2;Two", plain(u"Two")},
        {u"&c1,2,3,4;Four", plain(u"Four")},
        {u"&c,,;Empty", plain(u"Empty")},
        {u"&c1,2,x", plain(u"")},
        {u"&c9,9,9;&cbad;Kept", coloured(u"Kept", 9, 9, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line, c.line + std::char_traits<char16_t>::length(c.line)));
        EXPECT_EQ(ParseCreditLine(c.line), c.expected);
    }
}

TEST(CreditsScroll, StartsBelowTheBottomAndAnnouncesEachLineOncePerPass)
{
    TCreditsScroll scroll;
    scroll.Restart(3, 10, 25);
    EXPECT_EQ(scroll.TPos, 35);
    EXPECT_TRUE(scroll.Place().size() <= 1u);

    std::vector<int> announced;
    int passes = 0;
    for (int tick = 0; tick < 200 && passes < 2; ++tick) {
        if (scroll.Tick())
            ++passes;
        for (const auto& p : scroll.Place()) {
            EXPECT_GT(p.y + 10, 0);
            EXPECT_LT(p.y, 25) << "a line below the bottom edge is not drawn";
            if (p.firstShown)
                announced.push_back(p.index);
        }
    }
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(announced, (std::vector<int>{0, 1, 2, 0, 1, 2}));
}

TEST(CreditsScroll, ANewPassBeginsOnceTheFirstLineIsMoreThanAllLinesAboveTheTop)
{
    const int h = 13, height = 100;
    TCreditsScroll scroll;
    scroll.Restart(50, h, height);
    scroll.TPos = -(50 * h); // not yet more than 50 lines above
    EXPECT_FALSE(scroll.Tick());
    EXPECT_EQ(scroll.TPos, -(50 * h) - 1);
    scroll.LastShownIndex = 49;
    EXPECT_TRUE(scroll.Tick()); // this tick starts the new pass and moves nothing
    EXPECT_EQ(scroll.TPos, height);
    EXPECT_EQ(scroll.LastShownIndex, -1);
    EXPECT_FALSE(scroll.Tick());
    EXPECT_EQ(scroll.TPos, height - 1);
}
