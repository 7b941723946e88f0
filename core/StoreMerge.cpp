#include "core/StoreMerge.h"

namespace varnook {

namespace {

// Index of the first unused variable of side whose name is name (exactly, or else by sameName).
std::optional<size_t> FindPartner(const TStoredScope& side, const std::vector<bool>& used, const std::u16string& name,
                                  const TSameName& sameName)
{
    for (size_t i = 0; i < side.size(); ++i)
        if (!used[i] && side[i].name == name)
            return i;
    for (size_t i = 0; i < side.size(); ++i)
        if (!used[i] && sameName(side[i].name, name))
            return i;
    return std::nullopt;
}

} // namespace

std::vector<TMergeEntry> MatchScopes(const TStoredScope& base, const TStoredScope& ours, const TStoredScope& theirs,
                                     const TSameName& sameName)
{
    std::vector<TMergeEntry> entries;
    std::vector<bool> oursUsed(ours.size()), theirsUsed(theirs.size());
    // Exact names pair before any folded ones, so that a variable renamed in letter case on
    // one side never takes another variable's partner.
    auto take = [&](const TStoredScope& side, std::vector<bool>& used, const std::u16string& name,
                    std::optional<TStoredVariable>& slot) {
        if (auto i = FindPartner(side, used, name, sameName)) {
            used[*i] = true;
            slot = side[*i];
        }
    };
    for (const auto& b : base) {
        TMergeEntry e;
        e.base = b;
        take(ours, oursUsed, b.name, e.ours);
        take(theirs, theirsUsed, b.name, e.theirs);
        entries.push_back(std::move(e));
    }
    for (size_t i = 0; i < ours.size(); ++i) {
        if (oursUsed[i])
            continue;
        oursUsed[i] = true;
        TMergeEntry e;
        e.ours = ours[i];
        take(theirs, theirsUsed, ours[i].name, e.theirs);
        entries.push_back(std::move(e));
    }
    for (size_t i = 0; i < theirs.size(); ++i) {
        if (theirsUsed[i])
            continue;
        TMergeEntry e;
        e.theirs = theirs[i];
        entries.push_back(std::move(e));
    }
    return entries;
}

const std::optional<TStoredVariable>& MergedSide(const TMergeEntry& entry, bool keepOurs)
{
    if (!entry.OursChanged())
        return entry.theirs;
    if (!entry.TheirsChanged())
        return entry.ours;
    return keepOurs ? entry.ours : entry.theirs;
}

size_t CountOutsideChanges(const std::vector<TMergeEntry>& entries)
{
    size_t count = 0;
    for (const auto& e : entries)
        if (e.TheirsChanged())
            ++count;
    return count;
}

} // namespace varnook
