// Verdicts of the path probes, kept between verification passes. The pass runs five times a
// second over every element; most elements name the same few folders, and a probe of the file
// system is the costly part. So each distinct path is probed at most once per pass, paths shown
// on screen are probed every pass, and the others again on a rotating budget that still reaches
// each of them within two seconds.
//
// Given a folder watch, a verdict needs no probing while the folder it depends on is watched:
// the folder that holds the path, or for a missing path the nearest folder on its way that
// exists. A change there makes the verdicts that depend on it due, and they are probed again
// within two seconds, at the next pass for rows on screen.
#pragma once

#include "platform/FolderWatch.h"
#include "platform/Services.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace varnook {

class TPathProbeCache {
public:
    using Clock = std::chrono::steady_clock;

    TPathProbeCache();
    ~TPathProbeCache();
    TPathProbeCache(const TPathProbeCache&) = delete;
    TPathProbeCache& operator=(const TPathProbeCache&) = delete;

    // Keeps verdicts current through the watch's notifications (none: by probing alone).
    void SetWatch(std::unique_ptr<platform::IFolderWatch> watch);
    bool Watching() const { return watch_ != nullptr; }

    // Starts a pass at now. The pass's budget for stale paths grows with the number of paths the
    // previous pass asked for. Collects what the folder watch saw since the last pass.
    void BeginPass(Clock::time_point now);
    enum class TUrgency {
        Rotate, // off screen: probed again once stale, as the pass's budget allows
        InView, // on screen: probed once in every pass unless a watch covers it
        Now,    // just edited: probed at once
    };
    // The verdict for item: probed when it has none yet, or as its urgency says.
    bool IsWrong(platform::IFileSystem& fs, const std::u16string& item, TUrgency urgency);
    // Forgets every verdict (after a refresh, or when the file system says things changed).
    void Clear();
    // Between passes, with a folder watch: collects what the watch saw and probes the paths no
    // watch covers as a pass would (those on screen at the last pass every time, the others
    // when stale). True while no verdict is due or changed: a pass would then change nothing.
    bool Poll(platform::IFileSystem& fs, Clock::time_point now);

    size_t ProbesInPass() const { return probesInPass_; }
    size_t Size() const { return entries_.size(); }
    // Paths whose verdict a live watch keeps current.
    size_t Covered() const;
    // Paths a change made due and not yet probed again.
    size_t Due() const { return due_; }

    // A path not probed for this long is probed again as the budget allows.
    static constexpr Clock::duration kRefreshAge = std::chrono::milliseconds(1000);
    // Every path's verdict is at most this old, whatever the budget.
    static constexpr Clock::duration kMaxAge = std::chrono::milliseconds(2000);
    // A watched path is still probed now and then, in case a notification went astray.
    static constexpr Clock::duration kWatchedRefreshAge = std::chrono::seconds(30);
    // A folder that could not be watched is tried again after this long.
    static constexpr Clock::duration kWatchRetryAge = std::chrono::seconds(10);

private:
    enum class TWatchState { Pending, Armed, Failed };
    struct Folder {
        size_t users = 0;
        TWatchState state = TWatchState::Pending;
        Clock::time_point since;
    };
    struct Entry {
        bool wrong = false;
        bool due = false;
        bool inView = false; // on screen at the last pass
        Clock::time_point probed;
        Clock::time_point dueSince;
        uint64_t pass = 0;     // the pass that last probed it
        uint64_t lastUsed = 0; // the pass that last asked for it
        std::u16string folder; // the watched folder its verdict depends on; none when unwatched
        const Folder* watchedBy = nullptr; // the folder's entry in folders_
    };

    static bool Probe(platform::IFileSystem& fs, const std::u16string& item);
    bool CoveredByWatch(const Entry& entry) const;
    bool ShouldProbe(Entry& entry, bool added, TUrgency urgency);
    void TakeWatchEvents();
    void MarkDue(Entry& entry);
    // Watches the folder the entry's verdict depends on now.
    void Follow(platform::IFileSystem& fs, const std::u16string& item, Entry& entry);
    std::u16string WatchFolderFor(platform::IFileSystem& fs, const std::u16string& item, bool wrong);
    bool FolderExists(platform::IFileSystem& fs, const std::u16string& folder);
    const Folder* Acquire(const std::u16string& folder);
    void Release(const std::u16string& folder);

    std::unordered_map<std::u16string, Entry> entries_;
    std::unique_ptr<platform::IFolderWatch> watch_;
    std::unordered_map<std::u16string, Folder> folders_;
    // Folders on the way to missing paths, looked at in this pass.
    std::unordered_map<std::u16string, bool> existsInPass_;
    uint64_t pass_ = 0;
    Clock::time_point now_{};
    size_t budget_ = 0;
    size_t dueBudget_ = 0;
    size_t due_ = 0;
    size_t covered_ = 0; // entries whose folder's watch is armed
    size_t probesInPass_ = 0;
    size_t askedLastPass_ = 0;
    size_t askedInPass_ = 0;
};

} // namespace varnook
