// Icons added to an image list through their bitmaps.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace varnook::platform {

// Appends the icon to the list, as ImageList_ReplaceIcon(list, -1, icon) does, and returns its
// index (-1 on failure). The icon stays the caller's.
int AppendIcon(HIMAGELIST list, HICON icon);

} // namespace varnook::platform
