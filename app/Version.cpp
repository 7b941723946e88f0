#include "app/Version.h"

#include "core/Strings.h"

#include <windows.h>

#include <vector>

namespace varnook {

namespace {
struct TVersion {
    bool loaded = false;
    unsigned numbers[4] = {0, 0, 0, 0};
} gVersion;

std::u16string Number(int index)
{
    LoadVersionInfo();
    return FromUtf8(std::to_string(gVersion.numbers[index]));
}
} // namespace

void LoadVersionInfo()
{
    if (gVersion.loaded)
        return;
    gVersion.loaded = true;
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    if (!length || length == ARRAYSIZE(path))
        return;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (!size)
        return;
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!GetFileVersionInfoW(path, 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) || !info)
        return;
    gVersion.numbers[0] = HIWORD(info->dwFileVersionMS);
    gVersion.numbers[1] = LOWORD(info->dwFileVersionMS);
    gVersion.numbers[2] = HIWORD(info->dwFileVersionLS);
    gVersion.numbers[3] = LOWORD(info->dwFileVersionLS);
}

std::u16string GetVersionMajor() { return Number(0); }
std::u16string GetVersionMinor() { return Number(1); }
std::u16string GetVersionRelease() { return Number(2); }
std::u16string GetVersionBuild() { return Number(3); }

std::u16string GetVersionText()
{
    return GetVersionMajor() + u"." + GetVersionMinor() + u"." + GetVersionRelease() + u"." + GetVersionBuild();
}

} // namespace varnook
