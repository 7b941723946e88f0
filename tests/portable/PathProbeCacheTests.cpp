// The verification pass keeps its path verdicts between passes: a distinct path is probed once
// per pass, rows on screen every pass, and the rest on a budget that still reaches every path
// within two seconds.
#include "core/ETree.h"
#include "core/PathProbeCache.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

using namespace varnook;
using namespace std::chrono_literals;
using Urgency = TPathProbeCache::TUrgency;

namespace {

// Folders that exist are the ones in the set; every probe is counted per path.
class CountingFileSystem : public platform::IFileSystem {
public:
    bool DirectoryExists(const std::u16string& path) override { return ProbePath(path) == platform::TPathProbe::Directory; }
    platform::TPathProbe ProbePath(const std::u16string& path) override
    {
        ++probes[path];
        ++total;
        return folders.count(path) ? platform::TPathProbe::Directory : platform::TPathProbe::Missing;
    }
    bool SearchFinds(const std::u16string& pattern) override { return folders.count(pattern) > 0; }
    uint32_t SetErrorMode(uint32_t mode) override { return mode; }

    std::set<std::u16string> folders;
    std::map<std::u16string, int> probes;
    int total = 0;
};

TEST(PathProbeCache, OnScreenEveryPassOffScreenWhenStaleAndJustEditedAtOnce)
{
    CountingFileSystem fs;
    fs.folders = {u"C:\\A"};
    TPathProbeCache cache;
    auto t = TPathProbeCache::Clock::time_point{} + 10s;
    cache.BeginPass(t);
    EXPECT_FALSE(cache.IsWrong(fs, u"C:\\A", Urgency::Rotate));
    EXPECT_TRUE(cache.IsWrong(fs, u"C:\\B", Urgency::Rotate));
    EXPECT_FALSE(cache.IsWrong(fs, u"C:\\A", Urgency::InView)); // once per pass, whatever asks
    EXPECT_EQ(fs.total, 2);

    fs.folders = {u"C:\\B"}; // changed outside
    cache.BeginPass(t += 200ms);
    EXPECT_FALSE(cache.IsWrong(fs, u"C:\\A", Urgency::Rotate)); // not stale yet: the old verdict
    EXPECT_FALSE(cache.IsWrong(fs, u"C:\\B", Urgency::InView)); // on screen: probed again
    EXPECT_EQ(fs.total, 3);
    EXPECT_TRUE(cache.IsWrong(fs, u"C:\\A", Urgency::Now)); // just edited: probed at once
    EXPECT_EQ(fs.total, 4);

    fs.folders = {};
    cache.BeginPass(t += TPathProbeCache::kRefreshAge);
    EXPECT_TRUE(cache.IsWrong(fs, u"C:\\B", Urgency::Rotate)); // stale and within the budget
    cache.Clear();
    cache.BeginPass(t += 200ms);
    EXPECT_TRUE(cache.IsWrong(fs, u"C:\\A", Urgency::Rotate)); // forgotten: probed
    EXPECT_EQ(fs.total, 6);
}

TEST(PathProbeCache, EveryPathIsReachedWithinTwoSecondsWithoutProbingAllInOnePass)
{
    CountingFileSystem fs;
    TPathProbeCache cache;
    std::vector<std::u16string> paths;
    for (int i = 0; i < 2000; ++i)
        paths.push_back(u"C:\\P" + std::u16string(1, char16_t(u'A' + i % 26)) + char16_t(u'0' + i / 26 % 10) +
                        char16_t(u'a' + i / 260));
    std::map<std::u16string, TPathProbeCache::Clock::time_point> lastProbe;
    auto t = TPathProbeCache::Clock::time_point{} + 10s;
    size_t worstPass = 0;
    for (int pass = 0; pass < 60; ++pass, t += 200ms) { // twelve seconds at five passes a second
        cache.BeginPass(t);
        for (const auto& p : paths) {
            const int before = fs.probes[p];
            cache.IsWrong(fs, p, Urgency::Rotate);
            if (fs.probes[p] != before)
                lastProbe[p] = t;
            EXPECT_LE(t - lastProbe[p], TPathProbeCache::kMaxAge) << pass;
        }
        if (pass > 10)
            worstPass = std::max(worstPass, cache.ProbesInPass());
    }
    EXPECT_EQ(cache.Size(), 2000u);
    // In the steady state a pass probes a share of the paths, never all of them at once.
    EXPECT_LE(worstPass, 2000u / 4);
}

// A view that says which variables are on screen.
class View : public ITreeObserver {
public:
    void TreeChanged() override {}
    void NodeChanged(const TNode*) override {}
    void FocusChanged() override {}
    void FinishEditing() override {}
    bool NodesInView(std::vector<const TNode*>& nodes) override
    {
        nodes = shown;
        return true;
    }
    std::vector<const TNode*> shown;
};

TEST(PathProbeCache, TheTreeProbesRowsOnScreenInEveryPass)
{
    CountingFileSystem fs;
    platform::ScopedOverride<platform::IFileSystem> useFs(fs);
    fs.folders = {u"C:\\Shown", u"C:\\Hidden"};
    TETree tree;
    View view;
    tree.SetObserver(&view);
    TNode* shown = tree.AddVariable(u"SHOWN", u"C:\\Shown;C:\\Shown", rdString, false);
    TNode* hidden = tree.AddVariable(u"HIDDEN", u"C:\\Hidden", rdString, false);
    view.shown = {shown->FirstChild()}; // an element row counts for its variable
    tree.Verify();
    EXPECT_EQ(fs.probes[u"C:\\Shown"], 1); // two elements, one probe
    EXPECT_TRUE(TETree::IsValid(shown) && TETree::IsValid(hidden));

    fs.folders = {};
    tree.Verify();
    EXPECT_FALSE(TETree::IsValid(shown));  // at the next pass
    EXPECT_TRUE(TETree::IsValid(hidden));  // within two seconds, as the budget allows
    EXPECT_EQ(fs.probes[u"C:\\Hidden"], 1);
    tree.VerifyVariable(hidden); // after an edit: at once
    EXPECT_FALSE(TETree::IsValid(hidden));
    tree.SetObserver(nullptr);
}

} // namespace
