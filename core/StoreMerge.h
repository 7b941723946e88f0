// Three-way view of one scope at save: the string values as they stood at the last load or
// save (base), as the tree holds them now (ours) and as the store holds them now (theirs).
// A save applies only the user's changes to the store's current state, so that variables the
// user did not touch keep their stored bytes and changes made by other programs survive.
#pragma once

#include "core/Registry.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varnook {

struct TStoredVariable {
    std::u16string name;
    TRegDataType kind = rdString;
    std::u16string value;
    friend bool operator==(const TStoredVariable&, const TStoredVariable&) = default;
};
using TStoredScope = std::vector<TStoredVariable>;

// One variable seen three ways; a side that does not hold it is empty.
struct TMergeEntry {
    std::optional<TStoredVariable> base, ours, theirs;

    bool OursChanged() const { return ours != base; }
    bool TheirsChanged() const { return theirs != base; }
    // Both sides changed it, and not to the same thing.
    bool Conflict() const { return OursChanged() && TheirsChanged() && ours != theirs; }
};

// Whether two names are one value name for the store.
using TSameName = std::function<bool(const std::u16string&, const std::u16string&)>;

// Pairs the three sides' variables: equal names first, then names the store takes for one.
// Every variable of every side lands in exactly one entry.
std::vector<TMergeEntry> MatchScopes(const TStoredScope& base, const TStoredScope& ours, const TStoredScope& theirs,
                                     const TSameName& sameName);

// What the store should hold for the entry: theirs unless the user changed it; on a conflict,
// ours when keepOurs, else theirs.
const std::optional<TStoredVariable>& MergedSide(const TMergeEntry& entry, bool keepOurs);

// The number of variables another program changed, added or removed since base.
size_t CountOutsideChanges(const std::vector<TMergeEntry>& entries);

} // namespace varnook
