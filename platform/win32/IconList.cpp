#include "platform/win32/IconList.h"

#include "platform/win32/Handles.h"
#include "platform/win32/ImageListIcon.h"

#include <cstring>
#include <vector>

namespace varnook::platform {

namespace {

#pragma pack(push, 2)
struct TGroupEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct TGroupHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

std::span<const uint8_t> ResourceBytes(HINSTANCE instance, const wchar_t* name, const wchar_t* type)
{
    HRSRC found = FindResourceW(instance, name, type);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return {};
    return {static_cast<const uint8_t*>(data), SizeofResource(instance, found)};
}

// One by one through the system: any size, scaled as the system scales icons.
HIMAGELIST LoadEachIcon(HINSTANCE instance, std::span<const wchar_t* const> names, int size)
{
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(names.size()), 4);
    if (!list)
        return nullptr;
    for (const wchar_t* name : names) {
        unique_hicon icon(static_cast<HICON>(LoadImageW(instance, name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        if (icon)
            AppendIcon(list, icon.get());
    }
    return list;
}

} // namespace

std::optional<TBgraImage> ReadIconImage(HINSTANCE instance, const wchar_t* name, int size)
{
    const auto group = ResourceBytes(instance, name, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
    if (group.size() < sizeof(TGroupHeader))
        return std::nullopt;
    TGroupHeader header;
    std::memcpy(&header, group.data(), sizeof(header));
    if (group.size() < sizeof(header) + size_t(header.count) * sizeof(TGroupEntry))
        return std::nullopt;
    for (WORD i = 0; i < header.count; ++i) {
        TGroupEntry entry;
        std::memcpy(&entry, group.data() + sizeof(header) + i * sizeof(TGroupEntry), sizeof(entry));
        const int width = entry.width ? entry.width : 256, height = entry.height ? entry.height : 256;
        if (width != size || height != size)
            continue;
        auto image = DecodePng(ResourceBytes(instance, MAKEINTRESOURCEW(entry.id), MAKEINTRESOURCEW(3) /* RT_ICON */));
        if (image && image->width == size && image->height == size)
            return image;
    }
    return std::nullopt;
}

HIMAGELIST LoadIconList(HINSTANCE instance, std::span<const wchar_t* const> names, int size)
{
    const int count = static_cast<int>(names.size());
    std::vector<TBgraImage> images;
    images.reserve(names.size());
    for (const wchar_t* name : names) {
        auto image = ReadIconImage(instance, name, size);
        if (!image)
            return LoadEachIcon(instance, names, size);
        images.push_back(std::move(*image));
    }
    if (images.empty())
        return ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 4);
    // Side by side, top row first: the list cuts the strip into its images.
    const int width = size * count;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    unique_hbitmap color(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color)
        return LoadEachIcon(instance, names, size);
    // The mask, as an icon's: set where the image is fully transparent; rows of whole words.
    const int maskStride = ((width + 15) / 16) * 2;
    std::vector<uint8_t> mask(size_t(maskStride) * size, 0);
    auto* pixels = static_cast<uint8_t*>(bits);
    for (int i = 0; i < count; ++i) {
        for (int y = 0; y < size; ++y) {
            const uint8_t* from = images[i].pixels.data() + size_t(y) * size * 4;
            std::memcpy(pixels + (size_t(y) * width + size_t(i) * size) * 4, from, size_t(size) * 4);
            for (int x = 0; x < size; ++x)
                if (from[x * 4 + 3] == 0) {
                    const int column = i * size + x;
                    mask[size_t(y) * maskStride + column / 8] |= static_cast<uint8_t>(0x80 >> (column % 8));
                }
        }
    }
    unique_hbitmap maskBitmap(CreateBitmap(width, size, 1, 1, mask.data()));
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, 4);
    if (!list || !maskBitmap || ImageList_Add(list, color.get(), maskBitmap.get()) != 0 ||
        ImageList_GetImageCount(list) != count) {
        if (list)
            ImageList_Destroy(list);
        return LoadEachIcon(instance, names, size);
    }
    return list;
}

} // namespace varnook::platform
