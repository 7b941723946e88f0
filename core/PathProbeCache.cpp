#include "core/PathProbeCache.h"

#include <algorithm>
#include <iterator>

namespace varnook {

namespace {

// Characters a search takes as wildcards: '*' and '?', and the DOS forms '<', '>' and '"'.
bool HasWildcard(const std::u16string& item)
{
    return item.find_first_of(u"*?<>\"") != std::u16string::npos;
}

// Passes after which a path nobody asks for any more is forgotten.
constexpr uint64_t kForgetAfterPasses = 50;

} // namespace

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

void TPathProbeCache::BeginPass(Clock::time_point now)
{
    ++pass_;
    now_ = now;
    askedLastPass_ = askedInPass_;
    askedInPass_ = 0;
    probesInPass_ = 0;
    // A fifth of the paths per pass: at five passes a second every path that turned stale (one
    // second old) comes round again within the next second.
    budget_ = askedLastPass_ / 5 + 8;
    if (pass_ % kForgetAfterPasses == 0)
        std::erase_if(entries_, [this](const auto& e) { return e.second.lastUsed + kForgetAfterPasses < pass_; });
}

bool TPathProbeCache::IsWrong(platform::IFileSystem& fs, const std::u16string& item, TUrgency urgency)
{
    auto [it, added] = entries_.try_emplace(item);
    Entry& entry = it->second;
    if (entry.lastUsed != pass_) {
        entry.lastUsed = pass_;
        ++askedInPass_;
    }
    if (!added && entry.pass == pass_ && urgency != TUrgency::Now)
        return entry.wrong; // probed already in this pass
    const Clock::duration age = now_ - entry.probed;
    bool probe = added || urgency != TUrgency::Rotate || age >= kMaxAge;
    if (!probe && age >= kRefreshAge && budget_ > 0) {
        --budget_;
        probe = true;
    }
    if (probe) {
        entry.wrong = Probe(fs, item);
        entry.probed = now_;
        entry.pass = pass_;
        ++probesInPass_;
    }
    return entry.wrong;
}

} // namespace varnook
