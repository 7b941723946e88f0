// What the executable carries: its version resource and its icon.
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include "version.h"

#include <vector>

using namespace varnook::testing;

TEST(Executable, CarriesVersionAndIcon)
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

    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
    FreeLibrary(module);
}
