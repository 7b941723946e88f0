// On Windows a Windows path is its own host path. Kept in a file of its own: only tests and
// benchmarks use it, and an object the program never references is not linked into it, so the
// executable does not carry the C++ library's file-system and locale code.
#include "platform/Services.h"
#include "platform/win32/WinString.h"

namespace varnook::platform {

std::filesystem::path HostPath(const std::u16string& windowsPath)
{
    return std::filesystem::path(std::wstring(W(windowsPath)));
}

} // namespace varnook::platform
