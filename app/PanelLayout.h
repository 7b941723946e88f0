// How the two tree panels share the width between them: the split keeps its ratio.
#pragma once

namespace varnook {

struct TPanelLayout {
    int sysWidth = 0;
    int splitterLeft = 0;
    int userLeft = 0;
    int userWidth = 0;
};

// The system panel gets proportion of the width both panels share, rounded to the nearest
// pixel (a half to the even neighbour); the user panel the rest.
TPanelLayout LayoutTreePanels(int clientWidth, int splitterWidth, double proportion);
// The ratio after the user moved the splitter.
double ProportionFor(int sysWidth, int clientWidth, int splitterWidth);

} // namespace varnook
