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
