// A picture stored as a PNG icon image, which keeps the executable small, turned into what
// AlphaBlend draws: a 32-bit DIB section with premultiplied alpha.
#pragma once

#include <windows.h>

namespace varnook::platform {

// The icon resource id of instance at exactly width by height pixels; none when it cannot be read.
HBITMAP LoadIconPicture(HINSTANCE instance, int id, int width, int height);

} // namespace varnook::platform
