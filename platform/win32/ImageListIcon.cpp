#include "platform/win32/ImageListIcon.h"

#include "platform/win32/Handles.h"

namespace varnook::platform {

int AppendIcon(HIMAGELIST list, HICON icon)
{
    // The list takes the same colour and mask from the icon's own bitmaps at a quarter of the
    // cost of ImageList_ReplaceIcon under Wine, which start-up pays for every toolbar and tree icon.
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return -1;
    const unique_hbitmap color(info.hbmColor), mask(info.hbmMask);
    // A monochrome icon has both halves in its mask: the list must split it itself.
    return color ? ImageList_Add(list, color.get(), mask.get()) : ImageList_ReplaceIcon(list, -1, icon);
}

} // namespace varnook::platform
