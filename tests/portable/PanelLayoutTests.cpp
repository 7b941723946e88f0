#include "app/PanelLayout.h"

#include <gtest/gtest.h>

using namespace varnook;

TEST(PanelLayout, KeepsTheRatioAndRoundsHalvesToEven)
{
    // 631 wide with a 4-pixel splitter: 627 shared, half of it is 313.5, which goes to 314.
    TPanelLayout l = LayoutTreePanels(631, 4, 0.5);
    EXPECT_EQ(l.sysWidth, 314);
    EXPECT_EQ(l.splitterLeft, 314);
    EXPECT_EQ(l.userLeft, 318);
    EXPECT_EQ(l.userWidth, 313);
    EXPECT_EQ(LayoutTreePanels(629, 4, 0.5).sysWidth, 312); // 312.5 goes down to the even 312

    const double p = ProportionFor(200, 804, 4);
    EXPECT_DOUBLE_EQ(p, 0.25);
    for (int width : {380, 804, 1604, 3204}) {
        l = LayoutTreePanels(width, 4, p);
        EXPECT_NEAR(double(l.sysWidth) / (width - 4), 0.25, 1.0 / (width - 4));
        EXPECT_EQ(l.sysWidth + 4 + l.userWidth, width);
    }
    l = LayoutTreePanels(2, 4, 0.5); // narrower than the splitter: nothing negative
    EXPECT_EQ(l.sysWidth, 0);
}

TEST(PanelLayout, WindowsAreClampedToTheWorkArea)
{
    const TBox work{0, 0, 1280, 860}; // 1280 x 900 with a 40-pixel taskbar below
    struct Case {
        const char* what;
        TBox window, expected;
    } cases[] = {
        {"inside stays", {100, 100, 740, 740}, {100, 100, 740, 740}},
        // The design size at 144 DPI is taller than the work area: it starts at the top, whole.
        {"too tall, centred above the top", {157, -40, 1123, 902}, {157, 0, 1123, 860}},
        {"off to the right and below", {1200, 800, 1840, 1400}, {640, 260, 1280, 860}},
        {"a monitor that is gone, left of this one", {-1900, 50, -1260, 650}, {0, 50, 640, 650}},
        {"larger than the work area both ways", {-10, -10, 3000, 2000}, {0, 0, 1280, 860}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClampToWorkArea(c.window, work), c.expected) << c.what;
    // A work area that does not begin at the origin (a second monitor, a taskbar on the left).
    EXPECT_EQ(ClampToWorkArea({0, 0, 640, 600}, {1380, 0, 2560, 1024}), (TBox{1380, 0, 2020, 600}));
}
