#include "core/PathProbeCache.h"

#include <algorithm>
#include <iterator>

namespace varnook {

namespace {

// Characters a search takes as wildcards: '*' and '?', and the DOS forms '<', '>' and '"'.
bool HasWildcard(std::u16string_view item)
{
    return item.find_first_of(u"*?<>\"") != std::u16string::npos;
}

// Passes after which a path nobody asks for any more is forgotten.
constexpr uint64_t kForgetAfterPasses = 50;

// The folder that holds the last name of path ("C:\A" for "C:\A\B" and "C:\A\B\", "C:\" for
// "C:\A"); none for a drive or a root.
std::u16string ParentFolder(std::u16string_view path)
{
    while (path.size() > 1 && path.back() == u'\\')
        path.remove_suffix(1);
    const size_t slash = path.find_last_of(u'\\');
    if (slash == std::u16string_view::npos || slash + 1 == path.size())
        return {};
    // The root keeps its backslash: "C:\" and "\" are folders, "C:" is not.
    const bool root = slash == 0 || (slash == 2 && path[1] == u':');
    return std::u16string(path.substr(0, root ? slash + 1 : slash));
}

} // namespace

TPathProbeCache::TPathProbeCache() = default;

TPathProbeCache::~TPathProbeCache() = default;

void TPathProbeCache::SetWatch(std::unique_ptr<platform::IFolderWatch> watch)
{
    Clear();
    watch_ = std::move(watch);
}

// A path-like item that is neither a directory nor found by a search. The caller keeps the error
// mode silent.
bool TPathProbeCache::Probe(platform::IFileSystem& fs, const std::u16string& item)
{
    switch (fs.ProbePath(item)) {
    case platform::TPathProbe::Directory:
        return false;
    case platform::TPathProbe::Missing:
        // Where the attributes say the name is not there, a search for that same name without
        // wildcards finds nothing either; the search costs many times the attribute query.
        if (!HasWildcard(item))
            return true;
        [[fallthrough]];
    default:
        return !fs.SearchFinds(item);
    }
}

void TPathProbeCache::Clear()
{
    if (watch_)
        for (const auto& folder : folders_)
            watch_->Unwatch(folder.first);
    folders_.clear();
    entries_.clear();
    due_ = 0;
    covered_ = 0;
}

bool TPathProbeCache::Poll(platform::IFileSystem& fs, Clock::time_point now)
{
    if (!watch_)
        return false;
    now_ = now;
    TakeWatchEvents();
    if (due_ > 0)
        return false;
    if (covered_ == entries_.size())
        return true;
    size_t budget = (entries_.size() - covered_) / 5 + 8;
    bool changed = false;
    for (auto& [item, entry] : entries_) {
        if (CoveredByWatch(entry))
            continue;
        const Clock::duration age = now_ - entry.probed;
        if (!entry.inView && age < kMaxAge && (age < kRefreshAge || budget == 0))
            continue;
        if (!entry.inView && age < kMaxAge)
            --budget;
        const bool wrong = Probe(fs, item);
        entry.probed = now_;
        changed = changed || wrong != entry.wrong;
        entry.wrong = wrong;
    }
    return !changed;
}

size_t TPathProbeCache::Covered() const
{
    return static_cast<size_t>(
        std::count_if(entries_.begin(), entries_.end(), [this](const auto& e) { return CoveredByWatch(e.second); }));
}

bool TPathProbeCache::CoveredByWatch(const Entry& entry) const
{
    return entry.watchedBy && entry.watchedBy->state == TWatchState::Armed;
}

void TPathProbeCache::BeginPass(Clock::time_point now)
{
    ++pass_;
    now_ = now;
    askedLastPass_ = askedInPass_;
    askedInPass_ = 0;
    probesInPass_ = 0;
    existsInPass_.clear();
    // A fifth of the paths per pass: at five passes a second every path that turned stale (one
    // second old) comes round again within the next second.
    budget_ = askedLastPass_ / 5 + 8;
    if (pass_ % kForgetAfterPasses == 0)
        std::erase_if(entries_, [this](auto& e) {
            if (e.second.lastUsed + kForgetAfterPasses >= pass_)
                return false;
            Release(e.second.folder);
            if (e.second.due)
                --due_;
            return true;
        });
    if (watch_)
        TakeWatchEvents();
    // Paths a change made due are all probed again within eight passes.
    dueBudget_ = due_ / 8 + 16;
}

void TPathProbeCache::MarkDue(Entry& entry)
{
    if (entry.due)
        return;
    entry.due = true;
    entry.dueSince = now_;
    ++due_;
}

void TPathProbeCache::TakeWatchEvents()
{
    const platform::IFolderWatch::TEvents events = watch_->Take();
    if (events.Empty())
        return;
    // A watch that is new may have missed a change made while the path was probed: its paths are
    // probed once more.
    std::vector<std::u16string> recheck;
    for (const auto& folder : events.armed) {
        auto it = folders_.find(folder);
        if (it == folders_.end() || it->second.state == TWatchState::Armed)
            continue;
        it->second.state = TWatchState::Armed;
        it->second.since = now_;
        covered_ += it->second.users;
        recheck.push_back(folder);
    }
    for (const auto& folder : events.failed) {
        auto it = folders_.find(folder);
        if (it == folders_.end())
            continue;
        if (it->second.state == TWatchState::Armed)
            covered_ -= it->second.users;
        it->second.state = TWatchState::Failed;
        it->second.since = now_;
    }
    // A folder below a changed one that was deleted reports the end of its own watch.
    recheck.insert(recheck.end(), events.changed.begin(), events.changed.end());
    if (recheck.empty())
        return;
    std::sort(recheck.begin(), recheck.end());
    for (auto& [item, entry] : entries_)
        if (!entry.folder.empty() && std::binary_search(recheck.begin(), recheck.end(), entry.folder))
            MarkDue(entry);
}

bool TPathProbeCache::ShouldProbe(Entry& entry, bool added, TUrgency urgency)
{
    if (added || urgency == TUrgency::Now)
        return true;
    const Clock::duration age = now_ - entry.probed;
    if (entry.due) {
        if (urgency == TUrgency::InView || now_ - entry.dueSince >= kMaxAge - kRefreshAge / 2)
            return true;
        if (dueBudget_ > 0) {
            --dueBudget_;
            return true;
        }
        return false;
    }
    if (CoveredByWatch(entry)) {
        if (age >= 2 * kWatchedRefreshAge)
            return true;
        if (age >= kWatchedRefreshAge && budget_ > 0) {
            --budget_;
            return true;
        }
        return false;
    }
    if (urgency != TUrgency::Rotate || age >= kMaxAge)
        return true;
    if (age >= kRefreshAge && budget_ > 0) {
        --budget_;
        return true;
    }
    return false;
}

bool TPathProbeCache::IsWrong(platform::IFileSystem& fs, const std::u16string& item, TUrgency urgency)
{
    auto [it, added] = entries_.try_emplace(item);
    Entry& entry = it->second;
    if (entry.lastUsed != pass_) {
        entry.lastUsed = pass_;
        ++askedInPass_;
    }
    if (urgency != TUrgency::Now)
        entry.inView = urgency == TUrgency::InView;
    if (!added && entry.pass == pass_ && urgency != TUrgency::Now)
        return entry.wrong; // probed already in this pass
    if (ShouldProbe(entry, added, urgency)) {
        entry.wrong = Probe(fs, item);
        entry.probed = now_;
        entry.pass = pass_;
        ++probesInPass_;
        if (entry.due) {
            entry.due = false;
            --due_;
        }
        if (watch_)
            Follow(fs, item, entry);
    } else if (watch_ && !entry.folder.empty()) {
        // A folder that could not be watched is tried again now and then.
        auto folder = folders_.find(entry.folder);
        if (folder != folders_.end() && folder->second.state == TWatchState::Failed &&
            now_ - folder->second.since >= kWatchRetryAge) {
            folder->second.state = TWatchState::Pending;
            folder->second.since = now_;
            watch_->Watch(entry.folder);
        }
    }
    return entry.wrong;
}

bool TPathProbeCache::FolderExists(platform::IFileSystem& fs, const std::u16string& folder)
{
    auto [it, added] = existsInPass_.try_emplace(folder, false);
    if (added) {
        it->second = fs.ProbePath(folder) == platform::TPathProbe::Directory;
        ++probesInPass_;
    }
    return it->second;
}

std::u16string TPathProbeCache::WatchFolderFor(platform::IFileSystem& fs, const std::u16string& item, bool wrong)
{
    std::u16string folder = ParentFolder(item);
    // A pattern may match in several folders; network folders are never probed at all.
    if (folder.empty() || HasWildcard(folder) || folder.starts_with(u"\\\\"))
        return {};
    if (!wrong)
        return folder; // the path is there, so is its folder
    // What is missing appears once the first missing folder on its way does.
    for (; !folder.empty(); folder = ParentFolder(folder))
        if (FolderExists(fs, folder))
            return folder;
    return {};
}

void TPathProbeCache::Follow(platform::IFileSystem& fs, const std::u16string& item, Entry& entry)
{
    std::u16string folder = WatchFolderFor(fs, item, entry.wrong);
    if (folder == entry.folder)
        return;
    Release(entry.folder);
    entry.folder = std::move(folder);
    entry.watchedBy = Acquire(entry.folder);
}

const TPathProbeCache::Folder* TPathProbeCache::Acquire(const std::u16string& folder)
{
    if (folder.empty())
        return nullptr;
    Folder& f = folders_[folder];
    if (f.users++ == 0) {
        f.state = TWatchState::Pending;
        f.since = now_;
        watch_->Watch(folder);
    } else if (f.state == TWatchState::Armed) {
        ++covered_;
    }
    return &f;
}

void TPathProbeCache::Release(const std::u16string& folder)
{
    if (folder.empty())
        return;
    auto it = folders_.find(folder);
    if (it == folders_.end())
        return;
    if (it->second.state == TWatchState::Armed)
        --covered_;
    if (--it->second.users > 0)
        return;
    watch_->Unwatch(folder);
    folders_.erase(it);
}

} // namespace varnook
