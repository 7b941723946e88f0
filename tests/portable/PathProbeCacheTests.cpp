// The verification pass keeps its path verdicts between passes: a distinct path is probed once
// per pass, rows on screen every pass, and the rest on a budget that still reaches every path
// within two seconds.
#include "core/ETree.h"
#include "core/Exclusions.h"
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

// A folder watch whose notifications the test hands out.
class FakeWatch : public platform::IFolderWatch {
public:
    explicit FakeWatch(std::set<std::u16string>& watched) : watched_(watched) {}
    void Watch(const std::u16string& folder) override
    {
        watched_.insert(folder);
        ++watchCalls[folder];
    }
    void Unwatch(const std::u16string& folder) override { watched_.erase(folder); }
    TEvents Take() override
    {
        TEvents taken;
        std::swap(taken, events);
        return taken;
    }
    // Every folder asked for is armed, except those that cannot be watched.
    void ArmAll(const std::set<std::u16string>& unwatchable = {})
    {
        for (const auto& f : watched_)
            (unwatchable.count(f) ? events.failed : events.armed).push_back(f);
    }

    TEvents events;
    std::map<std::u16string, int> watchCalls;

private:
    std::set<std::u16string>& watched_;
};

TEST(PathProbeCache, WatchedFoldersSpareTheProbesUntilTheyChange)
{
    CountingFileSystem fs;
    fs.folders = {u"C:\\", u"C:\\Tools", u"C:\\Tools\\Bin", u"C:\\Data"};
    std::set<std::u16string> watched;
    auto owned = std::make_unique<FakeWatch>(watched);
    FakeWatch& watch = *owned;
    TPathProbeCache cache;
    cache.SetWatch(std::move(owned));
    auto t = TPathProbeCache::Clock::time_point{} + 10s;
    auto pass = [&](Urgency urgency) {
        cache.BeginPass(t += 200ms);
        return std::vector<bool>{cache.IsWrong(fs, u"C:\\Tools\\Bin", urgency),
                                 cache.IsWrong(fs, u"C:\\Tools\\New\\Deep", urgency),
                                 cache.IsWrong(fs, u"C:\\Data\\*.txt", urgency)};
    };
    EXPECT_EQ(pass(Urgency::InView), (std::vector<bool>{false, true, true}));
    // The folder that holds a path, or the first folder on the way to a missing one, that exists.
    EXPECT_EQ(watched, (std::set<std::u16string>{u"C:\\Tools", u"C:\\Data"}));

    // Once armed, each path is probed once more (a change may have come before the watch), and
    // then not at all while nothing changes, on screen or not.
    watch.ArmAll();
    pass(Urgency::InView);
    const int probed = fs.total;
    for (int i = 0; i < 50; ++i)
        pass(i % 2 ? Urgency::InView : Urgency::Rotate);
    EXPECT_EQ(fs.total, probed);
    EXPECT_EQ(cache.Covered(), 3u);
    EXPECT_TRUE(cache.Poll(fs, t)) << "every verdict kept by a watch: a pass would probe nothing";

    // A folder is created on the way: rows on screen show it at the next pass.
    fs.folders.insert(u"C:\\Tools\\New");
    fs.folders.insert(u"C:\\Tools\\New\\Deep");
    watch.events.changed = {u"C:\\Tools"};
    EXPECT_FALSE(cache.Poll(fs, t));
    EXPECT_EQ(pass(Urgency::InView), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(watched.count(u"C:\\Tools\\New"), 1u) << "the path now depends on its own folder";

    // Off screen, a change shows within two seconds.
    fs.folders.erase(u"C:\\Tools\\Bin");
    watch.events.changed = {u"C:\\Tools"};
    bool seen = false;
    for (auto start = t; !seen && t - start <= TPathProbeCache::kMaxAge;)
        seen = pass(Urgency::Rotate)[0];
    EXPECT_TRUE(seen);

    cache.Clear();
    EXPECT_TRUE(watched.empty());
}

TEST(PathProbeCache, AWatchedTreeWalksItsVariablesOnlyWhenSomethingChanged)
{
    CountingFileSystem fs;
    platform::ScopedOverride<platform::IFileSystem> useFs(fs);
    fs.folders = {u"C:\\", u"C:\\A", u"C:\\B"};
    std::set<std::u16string> watched;
    auto owned = std::make_unique<FakeWatch>(watched);
    FakeWatch& watch = *owned;
    TETree tree;
    tree.WatchFolders(std::move(owned));
    TNode* v = tree.AddVariable(u"V", u"C:\\A;C:\\Gone", rdString, false);
    tree.Verify();
    watch.ArmAll();
    tree.Verify(); // the paths once more, now that their folder is watched
    EXPECT_FALSE(TETree::IsValid(v));
    const int probed = fs.total;
    for (int i = 0; i < 10; ++i)
        tree.Verify();
    EXPECT_EQ(fs.total, probed);

    // An edit, a folder made outside, and nodes made anew from a snapshot each bring a pass.
    tree.SetElementText(v->LastChild(), u"C:\\B");
    tree.Verify();
    EXPECT_TRUE(TETree::IsValid(v));
    EXPECT_GT(fs.total, probed);

    TBytes withError;
    tree.SetElementText(v->LastChild(), u"C:\\Gone");
    tree.Verify();
    ASSERT_FALSE(TETree::IsValid(v));
    tree.SaveSnapshot(withError);
    fs.folders.insert(u"C:\\Gone");
    watch.events.changed = {u"C:\\"};
    tree.Verify();
    EXPECT_TRUE(TETree::IsValid(tree.FirstVariable()));
    tree.LoadSnapshot(withError); // flags as they were: stale
    tree.Verify();
    EXPECT_TRUE(TETree::IsValid(tree.FirstVariable()));

    // So does an exclusion that only turns validation off or on, splitting the value as before.
    fs.folders.erase(u"C:\\Gone");
    watch.events.changed = {u"C:\\"};
    tree.Verify();
    ASSERT_FALSE(TETree::IsValid(tree.FirstVariable()));
    TExclusions exclusions;
    tree.SetExclusions(&exclusions);
    exclusions.Put(u"V", true, false);
    tree.Verify();
    EXPECT_TRUE(TETree::IsValid(tree.FirstVariable())) << "not validated";
    exclusions.Put(u"V", true, true);
    tree.Verify();
    EXPECT_FALSE(TETree::IsValid(tree.FirstVariable()));
    tree.SetExclusions(nullptr);
}

TEST(PathProbeCache, FoldersThatCannotBeWatchedAreProbedAsWithoutAWatch)
{
    CountingFileSystem fs;
    fs.folders = {u"C:\\Shown"};
    std::set<std::u16string> watched;
    auto owned = std::make_unique<FakeWatch>(watched);
    FakeWatch& watch = *owned;
    TPathProbeCache cache;
    cache.SetWatch(std::move(owned));
    auto t = TPathProbeCache::Clock::time_point{} + 10s;
    cache.BeginPass(t);
    cache.IsWrong(fs, u"C:\\Shown", Urgency::InView);
    cache.IsWrong(fs, u"\\\\server\\share\\x", Urgency::InView); // never watched, as never probed
    EXPECT_EQ(watched, (std::set<std::u16string>{u"C:\\"}));
    watch.ArmAll({u"C:\\"});
    for (int i = 1; i <= 3; ++i) {
        cache.BeginPass(t += 200ms);
        cache.IsWrong(fs, u"C:\\Shown", Urgency::InView);
        EXPECT_EQ(fs.probes[u"C:\\Shown"], 1 + i);
    }
    EXPECT_EQ(cache.Covered(), 0u);
    // Tried again after a while.
    cache.BeginPass(t += TPathProbeCache::kWatchRetryAge);
    cache.IsWrong(fs, u"C:\\Shown", Urgency::Rotate);
    cache.BeginPass(t += 200ms);
    cache.IsWrong(fs, u"C:\\Shown", Urgency::Rotate);
    EXPECT_EQ(watch.watchCalls[u"C:\\"], 2);
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
