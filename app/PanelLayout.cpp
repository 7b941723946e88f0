#include "app/PanelLayout.h"

#include <algorithm>
#include <cmath>

namespace varnook {

TPanelLayout LayoutTreePanels(int clientWidth, int splitterWidth, double proportion)
{
    const int shared = std::max(0, clientWidth - splitterWidth);
    TPanelLayout layout;
    // nearbyint rounds a half to the even neighbour in the default rounding mode.
    layout.sysWidth = std::clamp(static_cast<int>(std::nearbyint(shared * proportion)), 0, shared);
    layout.splitterLeft = layout.sysWidth;
    layout.userLeft = layout.splitterLeft + splitterWidth;
    layout.userWidth = clientWidth - layout.sysWidth - splitterWidth;
    return layout;
}

TBox ClampToWorkArea(TBox window, TBox work)
{
    const int width = std::min(window.right - window.left, work.right - work.left);
    const int height = std::min(window.bottom - window.top, work.bottom - work.top);
    const int left = std::clamp(window.left, work.left, work.right - width);
    const int top = std::clamp(window.top, work.top, work.bottom - height);
    return {left, top, left + width, top + height};
}

double ProportionFor(int sysWidth, int clientWidth, int splitterWidth)
{
    const int shared = clientWidth - splitterWidth;
    return shared > 0 ? static_cast<double>(sysWidth) / shared : 0.5;
}

} // namespace varnook
