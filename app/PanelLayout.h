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

struct TBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TBox&) const = default;
};

// A window rectangle moved, and shrunk where it is larger, so that it lies wholly inside the
// work area of its monitor: the title bar and the status bar are never off the screen.
TBox ClampToWorkArea(TBox window, TBox work);

} // namespace varnook
