#include "platform/win32/ImageListIcon.h"

namespace varnook::platform {

int AppendIcon(HIMAGELIST list, HICON icon)
{
    // The list takes the same colour and mask from the icon's own bitmaps at a quarter of the
    // cost of ImageList_ReplaceIcon under Wine, which start-up pays for every toolbar and tree icon.
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return -1;
    int index = -1;
    if (info.hbmColor)
        index = ImageList_Add(list, info.hbmColor, info.hbmMask);
    else
        index = ImageList_ReplaceIcon(list, -1, icon); // a monochrome icon: both halves in one mask
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return index;
}

} // namespace varnook::platform
