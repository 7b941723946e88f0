// The exclusion list: variables whose value is kept whole ("Do not split") or whose elements are
// not tested as paths ("Do not validate"). One list is shared by the whole program; the trees
// register a change callback on it and re-split their variables whenever it changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varnook {

// One entry. The flags are stored in the positive sense: true is the normal behaviour.
class TExclusion {
public:
    TExclusion(bool split, bool check) : fSplit(split), fCheck(check) {}
    TExclusion(const TExclusion& other) = default;
    TExclusion& operator=(const TExclusion& other) = default;

    bool isSplit() const { return fSplit; }
    bool isCheck() const { return fCheck; }
    void setSplit(bool split) { fSplit = split; }
    void setCheck(bool check) { fCheck = check; }

private:
    bool fSplit;
    bool fCheck;
};

// Key equality and hash of the list: ASCII letters folded, every other code unit exact.
struct TExclusionsComparer {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const { return Equals(a, b); }
    size_t operator()(std::u16string_view name) const { return GetHashCode(name); }

    static bool Equals(std::u16string_view a, std::u16string_view b);
    // Bob Jenkins' one-at-a-time hash of the upper-cased code units, initial value 0.
    static uint32_t GetHashCode(std::u16string_view name);
};

class TExclusions {
public:
    using TOnChange = std::function<void()>;

    TExclusions() = default;
    ~TExclusions() = default;
    // A list is never copied behind anyone's back: entries are copied with AddAll.
    TExclusions(const TExclusions&) = delete;
    TExclusions& operator=(const TExclusions&) = delete;

    // Inserts a new entry; raises EListError "Duplicates not allowed" if the name is present,
    // leaving the list unchanged and notifying nobody. Notifies once on success.
    void Add(std::u16string_view name, bool split, bool check);
    // Add of a copy of each of other's entries; notifies once per entry.
    void AddAll(const TExclusions& other);
    // Removes the entry of name; notifies once if it was present, not at all otherwise.
    void Remove(std::u16string_view name);
    // Empties the list first, then releases the former entries one by one, notifying after each.
    void Clear();
    // Gives name these flags and this spelling, adding the entry when absent. Notifies once when
    // anything changed and not at all otherwise, and never lets the name pass through a state
    // without its entry: a change of flags re-splits a kept-whole value at most once.
    void Put(std::u16string_view name, bool split, bool check);

    bool ContainsKey(std::u16string_view name) const;
    // The entry's flag; true for a name without an entry.
    bool isSplit(std::u16string_view name) const;
    bool isCheck(std::u16string_view name) const;
    int Count() const { return static_cast<int>(dic.size()); }
    // The index-th name in ascending order (ASCII letters folded, otherwise by code unit).
    // Requires 0 <= index < Count(). Stable only while the list is unchanged.
    const std::u16string& GetKey(int index) const;
    // The entry of GetKey(index); the list keeps ownership.
    TExclusion& GetValue(int index) const;

    // Appends a callback run after every single change. There is no removal: a consumer that may
    // die before the list makes its callback check that it is still alive.
    void AddOnChange(TOnChange callback);

private:
    using TMap = std::unordered_map<std::u16string, std::unique_ptr<TExclusion>, TExclusionsComparer, TExclusionsComparer>;

    void NotifyChange();
    const std::vector<const TMap::value_type*>& SortedEntries() const;

    TMap dic;
    std::vector<TOnChange> onChangeHandlers;
    // GetKey's order, rebuilt on the first call after a change.
    mutable std::vector<const TMap::value_type*> fSorted;
    mutable bool fSortedValid = false;
};

} // namespace varnook
