// What the executable carries: its version resource and its icons.
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include "platform/win32/Handles.h"
#include "platform/win32/IconList.h"
#include "platform/win32/ImageListIcon.h"
#include "res/resource.h"
#include "version.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace varnook::testing;
using varnook::platform::unique_hbitmap;
using varnook::platform::unique_hicon;

namespace {

// The layout of an icon group as the resource compiler writes it (GRPICONDIR and its entries).
#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width; // 0 stands for 256
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id; // of the RT_ICON resource that holds the image
};
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

struct IconName {
    LPCWSTR name;
    std::string label;
};

IconName Named(const wchar_t* name) { return {name, Narrow(name)}; }
IconName Numbered(WORD id, const char* label) { return {MAKEINTRESOURCEW(id), label}; }

std::vector<IconName> AllIcons()
{
    std::vector<IconName> icons;
    for (const wchar_t* name :
         {L"MAINICON", L"_ICO_SAVE", L"_ICO_UNDO", L"_ICO_REDO", L"_ICO_COPY", L"_ICO_PASTE", L"_ICO_DELETE",
          L"_ICO_ADD", L"_ICO_ADDVALUE", L"_ICO_EDIT", L"_ICO_EDITASPATH", L"_ICO_EDITASFILE", L"_ICO_CHANGETYPE",
          L"_ICO_MOVEUP", L"_ICO_MOVEDOWN", L"_ICO_OPTIONS", L"_ICO_SHOWINFORMATION", L"_ICO_CHECKUPDATES",
          L"_ICO_ABOUT", L"_ICO_SHOWREADONLY", L"_ICO_SHIELD"})
        icons.push_back(Named(name));
    for (int i = 0; i < IDI_TREE_COUNT; ++i)
        icons.push_back(Numbered(WORD(IDI_TREE_STRING + i), ("tree image " + std::to_string(i)).c_str()));
    for (int i = 0; i < IDI_STATUS_COUNT; ++i)
        icons.push_back(Numbered(WORD(IDI_STATUS_MODIFIED + i), ("status image " + std::to_string(i)).c_str()));
    icons.push_back(Numbered(IDI_PANEL_SYSTEM, "IDI_PANEL_SYSTEM"));
    icons.push_back(Numbered(IDI_PANEL_USER, "IDI_PANEL_USER"));
    icons.push_back(Numbered(IDI_PANEL_COLLAPSE, "IDI_PANEL_COLLAPSE"));
    icons.push_back(Numbered(IDI_PANEL_EXPAND, "IDI_PANEL_EXPAND"));
    icons.push_back(Numbered(IDI_TAB_INSPECTOR, "IDI_TAB_INSPECTOR"));
    icons.push_back(Numbered(IDI_TAB_LEGEND, "IDI_TAB_LEGEND"));
    return icons;
}

// varnook.exe loaded for its resources only, as the shell reads it.
class ExecutableResources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module_ = LoadLibraryExW(VarnookExe().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite()
    {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr); }

    static const BYTE* Resource(LPCWSTR name, LPCWSTR type, DWORD* size = nullptr)
    {
        HRSRC found = FindResourceW(module_, name, type);
        if (!found)
            return nullptr;
        if (size)
            *size = SizeofResource(module_, found);
        return static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    }

    static std::vector<GroupIconEntry> GroupEntries(LPCWSTR name)
    {
        DWORD size = 0;
        const BYTE* data = Resource(name, RT_GROUP_ICON, &size);
        if (!data || size < sizeof(GroupIconHeader))
            return {};
        const auto* header = reinterpret_cast<const GroupIconHeader*>(data);
        const auto* first = reinterpret_cast<const GroupIconEntry*>(data + sizeof(GroupIconHeader));
        if (sizeof(GroupIconHeader) + header->count * sizeof(GroupIconEntry) > size)
            return {};
        return {first, first + header->count};
    }

    // The 32-bit image of that size in the group: top-down rows of blue, green, red, alpha.
    static std::vector<BYTE> Pixels(LPCWSTR name, int size)
    {
        for (const GroupIconEntry& entry : GroupEntries(name)) {
            if (entry.width != size || entry.bitCount != 32)
                continue;
            DWORD length = 0;
            const BYTE* data = Resource(MAKEINTRESOURCEW(entry.id), RT_ICON, &length);
            static const BYTE kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
            if (data && length >= sizeof kPngSignature && std::equal(kPngSignature, kPngSignature + 8, data))
                return DecodedPixels(data, length, size);
            const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(data);
            const size_t rowBytes = size_t(size) * 4;
            if (!data || length < sizeof(BITMAPINFOHEADER) || info->biBitCount != 32 ||
                length < info->biSize + rowBytes * size)
                return {};
            std::vector<BYTE> pixels(rowBytes * size);
            const BYTE* bottomUp = data + info->biSize;
            for (int y = 0; y < size; ++y)
                std::copy_n(bottomUp + rowBytes * (size - 1 - y), rowBytes, pixels.data() + rowBytes * y);
            return pixels;
        }
        return {};
    }

    // A PNG image, decoded by the system's own icon loader: the colour bitmap it makes carries
    // the image's alpha. Rows top-down, BGRA, as the bitmap images are read.
    static std::vector<BYTE> DecodedPixels(const BYTE* data, DWORD length, int size)
    {
        unique_hicon icon(CreateIconFromResourceEx(const_cast<BYTE*>(data), length, TRUE, 0x00030000, size, size,
                                                   LR_DEFAULTCOLOR));
        ICONINFO info{};
        if (!icon || !GetIconInfo(icon.get(), &info))
            return {};
        unique_hbitmap color(info.hbmColor), mask(info.hbmMask);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<BYTE> pixels(size_t(size) * size * 4);
        HDC screen = GetDC(nullptr);
        const int rows = GetDIBits(screen, color.get(), 0, UINT(size), pixels.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        return rows == size ? pixels : std::vector<BYTE>{};
    }

    // An image of the list drawn on a coloured ground, as a row or a button draws it.
    static std::vector<BYTE> Drawn(HIMAGELIST list, int index, UINT style, int size)
    {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        unique_hbitmap target(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        HGDIOBJ old = SelectObject(dc, target.get());
        std::fill_n(static_cast<DWORD*>(bits), size * size, DWORD(0x00336699));
        ImageList_Draw(list, index, dc, 0, 0, style);
        GdiFlush();
        std::vector<BYTE> pixels(static_cast<BYTE*>(bits), static_cast<BYTE*>(bits) + size * size * 4);
        SelectObject(dc, old);
        DeleteDC(dc);
        return pixels;
    }

    static inline HMODULE module_ = nullptr;
};

} // namespace

TEST_F(ExecutableResources, CarriesVersionAndManifest)
{
    const std::wstring exe = VarnookExe();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &len));
    EXPECT_EQ(HIWORD(info->dwFileVersionMS), 0);
    EXPECT_EQ(LOWORD(info->dwFileVersionMS), 1);
    EXPECT_EQ(HIWORD(info->dwFileVersionLS), 0);
    EXPECT_EQ(LOWORD(info->dwFileVersionLS), VARNOOK_VERSION_BUILD);

    EXPECT_NE(FindResourceW(module_, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
}

// Every icon the windows load has a full-colour image drawn for 16 and for 32 pixels, so that
// neither size is a scaled copy of the other, and loads at both sizes.
TEST_F(ExecutableResources, EveryIconHas16And32PixelImagesWithAlpha)
{
    for (const IconName& icon : AllIcons()) {
        SCOPED_TRACE(icon.label);
        bool has16 = false, has32 = false;
        for (const GroupIconEntry& entry : GroupEntries(icon.name)) {
            has16 |= entry.width == 16 && entry.height == 16 && entry.bitCount == 32;
            has32 |= entry.width == 32 && entry.height == 32 && entry.bitCount == 32;
        }
        EXPECT_TRUE(has16);
        EXPECT_TRUE(has32);

        for (int size : {16, 32}) {
            unique_hicon loaded(static_cast<HICON>(
                LoadImageW(module_, icon.name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
            ASSERT_TRUE(loaded) << size;
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(loaded.get(), &info));
            unique_hbitmap color(info.hbmColor), mask(info.hbmMask);
            BITMAP bitmap{};
            ASSERT_TRUE(GetObjectW(color.get(), sizeof bitmap, &bitmap));
            EXPECT_EQ(bitmap.bmWidth, size);
            EXPECT_EQ(bitmap.bmHeight, size);
        }
    }
}

// The toolbars, trees and tabs fill their image lists through AppendIcon: what the lists draw is
// what ImageList_ReplaceIcon gives, half-transparent edges and the greyed toolbar icons included.
TEST_F(ExecutableResources, IconsAppendedByTheirBitmapsDrawAsReplacedIcons)
{
    std::vector<IconName> icons = AllIcons();
    for (int i = 0; i < 20; ++i)
        icons.push_back(Numbered(WORD(IDI_TOOLBAR_DISABLED_FIRST + i), ("disabled " + std::to_string(i)).c_str()));
    for (int size : {16, 24}) {
        HIMAGELIST replaced = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 8);
        HIMAGELIST appended = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 8);
        for (const IconName& icon : icons) {
            unique_hicon loaded(static_cast<HICON>(LoadImageW(module_, icon.name, IMAGE_ICON, size, size, 0)));
            ASSERT_TRUE(loaded) << icon.label;
            ASSERT_EQ(varnook::platform::AppendIcon(appended, loaded.get()), ImageList_ReplaceIcon(replaced, -1, loaded.get()))
                << icon.label;
        }
        for (size_t i = 0; i < icons.size(); ++i)
            for (UINT style : {UINT(ILD_NORMAL), UINT(ILD_TRANSPARENT), UINT(ILD_BLEND50)})
                EXPECT_EQ(Drawn(appended, int(i), style, size), Drawn(replaced, int(i), style, size))
                    << icons[i].label << " at " << size << ", style " << style;
        ImageList_Destroy(replaced);
        ImageList_Destroy(appended);
    }
}

// The program decodes the icons' PNG images itself and fills each list from one strip: the
// pixels are the system's own decoding, and the lists draw as lists filled icon by icon do, also
// at a size the icons have no image of (24 pixels), where the system scales them.
TEST_F(ExecutableResources, IconListsFromStripsDrawAsIconsLoadedOneByOne)
{
    std::vector<IconName> icons = AllIcons();
    for (int i = 0; i < 20; ++i)
        icons.push_back(Numbered(WORD(IDI_TOOLBAR_DISABLED_FIRST + i), ("disabled " + std::to_string(i)).c_str()));
    std::vector<const wchar_t*> names;
    for (const IconName& icon : icons)
        names.push_back(icon.name);
    for (int size : {16, 32}) {
        for (const IconName& icon : icons) {
            const auto image = varnook::platform::ReadIconImage(module_, icon.name, size);
            ASSERT_TRUE(image.has_value()) << icon.label << " at " << size;
            EXPECT_EQ(image->pixels, Pixels(icon.name, size)) << icon.label << " at " << size;
        }
    }
    for (int size : {16, 24, 32}) {
        HIMAGELIST strip = varnook::platform::LoadIconList(module_, names, size);
        ASSERT_NE(strip, nullptr);
        ASSERT_EQ(ImageList_GetImageCount(strip), int(icons.size()));
        HIMAGELIST each = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 8);
        for (const IconName& icon : icons) {
            unique_hicon loaded(static_cast<HICON>(LoadImageW(module_, icon.name, IMAGE_ICON, size, size, 0)));
            ImageList_ReplaceIcon(each, -1, loaded.get());
        }
        for (size_t i = 0; i < icons.size(); ++i)
            for (UINT style : {UINT(ILD_NORMAL), UINT(ILD_TRANSPARENT), UINT(ILD_BLEND50), UINT(ILD_MASK)})
                EXPECT_EQ(Drawn(strip, int(i), style, size), Drawn(each, int(i), style, size))
                    << icons[i].label << " at " << size << ", style " << style;
        ImageList_Destroy(strip);
        ImageList_Destroy(each);
    }
}

// The about box and the command-line help draw the logo from these, at exactly these sizes:
// a PNG image each, whose edge pixels are partly transparent and whose body is opaque.
TEST_F(ExecutableResources, LogosAreCompressedAndLoadAtTheirSizesWithAlpha)
{
    const struct {
        int id, width, height;
    } logos[] = {{IDI_LOGO, 64, 128}, {IDI_LOGO_2X, 128, 256}};
    for (const auto& logo : logos) {
        SCOPED_TRACE(logo.width);
        const std::vector<GroupIconEntry> entries = GroupEntries(MAKEINTRESOURCEW(logo.id));
        ASSERT_EQ(entries.size(), 1u);
        DWORD length = 0;
        const BYTE* data = Resource(MAKEINTRESOURCEW(entries[0].id), RT_ICON, &length);
        ASSERT_TRUE(data && length > 8);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(data) + 1, 3), "PNG");
        EXPECT_LT(length, DWORD(logo.width * logo.height * 4 / 4)); // a quarter of the raw pixels at most

        unique_hicon icon(static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(logo.id), IMAGE_ICON, logo.width,
                                                        logo.height, LR_DEFAULTCOLOR)));
        ICONINFO info{};
        ASSERT_TRUE(icon && GetIconInfo(icon.get(), &info));
        unique_hbitmap color(info.hbmColor), mask(info.hbmMask);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), logo.width, -logo.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<BYTE> pixels(size_t(logo.width) * logo.height * 4);
        HDC screen = GetDC(nullptr);
        ASSERT_EQ(GetDIBits(screen, color.get(), 0, UINT(logo.height), pixels.data(), &bi, DIB_RGB_COLORS),
                  logo.height);
        ReleaseDC(nullptr, screen);
        size_t opaque = 0, partial = 0;
        for (size_t i = 3; i < pixels.size(); i += 4) {
            opaque += pixels[i] == 255;
            partial += pixels[i] > 0 && pixels[i] < 255;
        }
        EXPECT_GT(opaque, pixels.size() / 4 / 4);
        EXPECT_GT(partial, 0u);
    }
}

// The shell shows the first icon group of the file; named groups sort before numbered ones and
// among themselves by name, so a group named before "MAINICON" would take its place.
TEST_F(ExecutableResources, MainIconIsTheFileIconAndComesInTheShellSizes)
{
    std::vector<std::wstring> groups;
    EnumResourceNamesW(
        module_, RT_GROUP_ICON,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            if (!IS_INTRESOURCE(name))
                reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(name);
            return FALSE; // the first group is all that matters
        },
        reinterpret_cast<LONG_PTR>(&groups));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(Narrow(groups[0]), "MAINICON");

    std::vector<int> widths;
    for (const GroupIconEntry& entry : GroupEntries(L"MAINICON"))
        widths.push_back(entry.width ? entry.width : 256);
    for (int size : {16, 24, 32, 48, 256})
        EXPECT_NE(std::find(widths.begin(), widths.end(), size), widths.end()) << size;
}

// The overlays are drawn over a variable's tag: outside their corner mark they must be fully
// transparent, and since both can be drawn at once, the excluded mark, drawn last, may cover no
// more of the error mark than the seam between them.
TEST_F(ExecutableResources, TreeOverlaysLeaveTheTagAndEachOtherVisible)
{
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        const std::vector<BYTE> error = Pixels(MAKEINTRESOURCEW(IDI_TREE_ERROR), size);
        const std::vector<BYTE> excluded = Pixels(MAKEINTRESOURCEW(IDI_TREE_EXCLUDED), size);
        ASSERT_EQ(error.size(), size_t(size * size * 4));
        ASSERT_EQ(excluded.size(), error.size());

        auto at = [size](const std::vector<BYTE>& pixels, int x, int y) { return &pixels[(y * size + x) * 4]; };
        auto opaque = [](const BYTE* p) { return p[3] == 255; };
        auto coloured = [](const BYTE* p) { return p[3] == 255 && !(p[0] == 255 && p[1] == 255 && p[2] == 255); };
        int errorMark = 0, excludedMark = 0, errorCovered = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                errorMark += coloured(at(error, x, y));
                excludedMark += coloured(at(excluded, x, y));
                errorCovered += coloured(at(error, x, y)) && opaque(at(excluded, x, y));
                if (x < size * 3 / 8) { // the tag's point and hole
                    EXPECT_EQ(at(error, x, y)[3], 0) << x << "," << y;
                    EXPECT_EQ(at(excluded, x, y)[3], 0) << x << "," << y;
                }
            }
        }
        EXPECT_GT(errorMark, size * size / 8);
        EXPECT_GT(excludedMark, size * size / 8);
        EXPECT_LE(errorCovered, size);
    }
}
