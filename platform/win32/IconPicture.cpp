#include "platform/win32/IconPicture.h"

#include "platform/win32/Handles.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace varnook::platform {

HBITMAP LoadIconPicture(HINSTANCE instance, int id, int width, int height)
{
    unique_hicon icon(
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, LR_DEFAULTCOLOR)));
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon.get(), &info))
        return nullptr;
    unique_hbitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(size_t(width) * height);
    HDC screen = GetDC(nullptr);
    const int rows = color ? GetDIBits(screen, color.get(), 0, UINT(height), pixels.data(), &bi, DIB_RGB_COLORS) : 0;
    ReleaseDC(nullptr, screen);
    if (rows != height)
        return nullptr;
    // The icon keeps straight alpha; AlphaBlend wants each colour already multiplied by it.
    for (uint32_t& p : pixels) {
        const uint32_t a = p >> 24;
        auto times = [a](uint32_t c) { return (c * a + 127) / 255; };
        p = a << 24 | times(p >> 16 & 0xFF) << 16 | times(p >> 8 & 0xFF) << 8 | times(p & 0xFF);
    }
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (picture)
        std::memcpy(bits, pixels.data(), pixels.size() * sizeof(pixels[0]));
    return picture;
}

} // namespace varnook::platform
