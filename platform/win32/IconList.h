// Image lists of the program's icons, read from their PNG images in the resources.
#pragma once

#include "core/PngImage.h"

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <span>

namespace varnook::platform {

// The image of the icon resource name that is exactly size pixels square, decoded; nothing when
// the icon has no such PNG image.
std::optional<TBgraImage> ReadIconImage(HINSTANCE instance, const wchar_t* name, int size);

// A list of the icons named, in that order, each size pixels square. Icons with an image of
// that size go in as one strip; otherwise each is loaded and scaled by the system. Null when the
// list cannot be made.
HIMAGELIST LoadIconList(HINSTANCE instance, std::span<const wchar_t* const> names, int size);

} // namespace varnook::platform
