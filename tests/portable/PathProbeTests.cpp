// Path probes against real folders: drive C of the Wine prefix, or the native build's drives.
#include "core/Tools.h"
#include "platform/Services.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>

using namespace varnook;
using varnook::testing::ScratchFolder;

namespace {

class CountingErrorModes : public platform::IFileSystem {
public:
    bool DirectoryExists(const std::u16string&) override { return depthSeen = depth, false; }
    bool SearchFinds(const std::u16string&) override { return depthSeen = depth, false; }
    uint32_t SetErrorMode(uint32_t mode) override
    {
        modes.push_back(mode);
        depth += mode == 1 ? 1 : -1;
        return mode == 1 ? 0x8000 : 1;
    }
    std::vector<uint32_t> modes;
    int depth = 0, depthSeen = -1;
};

} // namespace

TEST(PathProbes, DirectoriesFilesAndWildcards)
{
    ScratchFolder root;
    const auto dir = root.Make(u"Tools", true);
    const auto file = root.Make(u"Tools\\tool.exe", false);
    EXPECT_TRUE(DirectoryExists(dir));
    EXPECT_TRUE(DirectoryExists(dir + u"\\"));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_TRUE(PathExists(file));
    EXPECT_TRUE(PathExists(dir));
    EXPECT_TRUE(PathExists(dir + u"\\*.exe"));
    EXPECT_TRUE(PathExists(dir + u"\\t??l.exe"));
    EXPECT_FALSE(PathExists(dir + u"\\*.dll"));
    EXPECT_FALSE(PathExists(root.Path() + u"\\Missing"));
    EXPECT_FALSE(DirectoryExists(root.Path() + u"\\Missing"));
    EXPECT_TRUE(DirectoryExists(u"C:\\"));
}

// The file search takes * and ? as wildcards in the last component only, and brackets never.
TEST(PathProbes, WildcardsOnlyInTheLastComponent)
{
    ScratchFolder root;
    const auto dir = root.Make(u"Tools", true);
    root.Make(u"Tools\\tool.exe", false);
    const auto bracketed = root.Make(u"a[1].txt", false);
    EXPECT_TRUE(PathExists(dir + u"\\to*"));
    EXPECT_FALSE(PathExists(root.Path() + u"\\T*ls\\tool.exe"));
    EXPECT_FALSE(PathExists(root.Path() + u"\\Too?s\\tool.exe"));
    EXPECT_FALSE(PathExists(root.Path() + u"\\*\\tool.exe"));
    EXPECT_TRUE(PathExists(bracketed));
    EXPECT_FALSE(PathExists(root.Path() + u"\\a[0-9].txt"));
    EXPECT_FALSE(PathExists(dir + u"\\t[o]ol.exe"));
}

TEST(PathProbes, ErrorModeIsSilentDuringEveryProbeAndRestoredAfter)
{
    CountingErrorModes fs;
    platform::ScopedOverride<platform::IFileSystem> use(fs);
    PushErrorMode();
    EXPECT_FALSE(PathExists(u"C:\\x"));
    EXPECT_EQ(fs.depthSeen, 2); // nested inside the outer push
    PopErrorMode();
    EXPECT_FALSE(DirectoryExists(u"C:\\x"));
    EXPECT_EQ(fs.depthSeen, 1);
    EXPECT_EQ(fs.modes, (std::vector<uint32_t>{1, 1, 0x8000, 0x8000, 1, 0x8000}));
}
