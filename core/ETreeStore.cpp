// Loading a tree from its scope key and saving it back: a save changes only what the user
// changed, measured against the store as it stood at the last load or save.
#include "core/ETree.h"

#include "core/Translate.h"
#include "platform/Services.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace varnook {

namespace {

// KEY_ALL_ACCESS | KEY_WOW64_64KEY: a 32-bit build on 64-bit Windows must write the 64-bit view.
constexpr uint32_t kKeyAllAccess64 = platform::kKeyAllAccess | 0x0100;
constexpr char16_t kKeyLocked[] = N_(u"Error writing to the registry, the registry key is locked by another process");
constexpr char16_t kFailedToSet[] = N_(u"Failed to set data for '%s'");
constexpr char16_t kOneNameForTheStore[] = N_(u"The registry takes '%s' for the name of another variable");

// The string values of the open key, in index order.
TStoredScope ReadStoredScope(RegistryAccess& reg)
{
    std::vector<TRegStringValue> values;
    reg.GetStringValues(values);
    TStoredScope scope;
    scope.reserve(values.size());
    for (auto& v : values)
        scope.push_back({std::move(v.name), v.kind, std::move(v.text)});
    return scope;
}

void WriteStored(RegistryAccess& reg, std::u16string_view name, const TStoredVariable& v)
{
    if (v.kind == rdString)
        reg.WriteString(name, v.value);
    else
        reg.WriteExpandString(name, v.value);
}

void RemoveStored(RegistryAccess& reg, std::u16string_view name)
{
    if (!reg.DeleteValue(name) && reg.ValueExists(name))
        throw ERegistryException(FormatMessage1(gettext(kFailedToSet), name));
}

// Which listed value a name stands for, as the store itself decides: the store compares names
// by its own upper-casing, which differs from the locale's comparison for hundreds of pairs.
class TStoreNames {
public:
    TStoreNames(RegistryAccess& reg, const TStoredScope& listed) : reg_(reg), listed_(listed) {}

    // Whether the store takes a and b for one name.
    bool Same(const std::u16string& a, const std::u16string& b)
    {
        if (a == b)
            return true;
        const Answer pa = Partner(a), pb = Partner(b);
        if (pa.present != pb.present)
            return false;
        if (pa.present && pa.known && pb.known)
            return pa.name == pb.name;
        // Neither is in the store now, or it cannot tell which value it found: the locale decides.
        return platform::Text().EqualIgnoreCase(a, b);
    }

    struct Answer {
        bool known = false;   // the store's answer is clear: absent, or the listed name
        bool present = false; // it holds a value under that name
        std::u16string name;  // the listed name of that value, when known
    };

    // The listed name the store finds for name.
    Answer Partner(const std::u16string& name)
    {
        if (auto it = cache_.find(name); it != cache_.end())
            return it->second;
        Answer answer = Ask(name);
        cache_.emplace(name, answer);
        return answer;
    }

private:
    Answer Ask(const std::u16string& name)
    {
        for (const auto& v : listed_)
            if (v.name == name)
                return {true, true, name};
        TRegDataInfo info;
        if (!reg_.GetDataInfo(name, info))
            return {true, false, {}};
        // Found under another spelling. The store upper-cases code unit by code unit, so that
        // spelling has the same length and differs only where both have a non-ASCII unit or an
        // ASCII letter in the other case. Several such: the one the locale folds alike, else the
        // one holding the very same data; otherwise the store's answer stays unknown.
        std::vector<const TStoredVariable*> candidates;
        for (const auto& v : listed_)
            if (MayFoldAlike(v.name, name))
                candidates.push_back(&v);
        auto narrow = [&](auto keep) {
            std::vector<const TStoredVariable*> kept;
            for (const auto* v : candidates)
                if (keep(*v))
                    kept.push_back(v);
            if (!kept.empty())
                candidates = std::move(kept);
        };
        if (candidates.size() > 1)
            narrow([&](const TStoredVariable& v) { return platform::Text().EqualIgnoreCase(v.name, name); });
        if (candidates.size() > 1) {
            try {
                const std::u16string value = reg_.ReadString(name);
                narrow([&](const TStoredVariable& v) { return v.kind == info.RegData && v.value == value; });
            } catch (const ERegistryException&) {
            }
        }
        if (candidates.size() != 1)
            return {false, true, {}};
        return {true, true, candidates.front()->name};
    }

    static bool MayFoldAlike(const std::u16string& a, const std::u16string& b)
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            const char16_t x = a[i], y = b[i];
            if (x == y || (x >= 0x80 && y >= 0x80))
                continue;
            auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
            if (upper(x) != upper(y))
                return false;
        }
        return true;
    }

    RegistryAccess& reg_;
    const TStoredScope& listed_;
    std::unordered_map<std::u16string, Answer> cache_;
};

// A name no value of the key has, for holding a value while its name changes letter case.
std::u16string FreeTemporaryName(RegistryAccess& reg, const std::u16string& name)
{
    for (int n = 1;; ++n) {
        std::u16string candidate = name + u" (Varnook " + FromUtf8(std::to_string(n)) + u")";
        if (!reg.ValueExists(candidate))
            return candidate;
    }
}

} // namespace

TStoredScope ReadScope(RegHandle root, std::u16string_view key)
{
    RegistryAccess reg(root);
    // A key that cannot be opened leaves no current key and lists no values.
    reg.OpenKeyReadOnly(key);
    return ReadStoredScope(reg);
}

void TETree::LoadFromRegistry(RegHandle newRoot, std::u16string_view newKey)
{
    LoadFromStored(newRoot, newKey, ReadScope(newRoot, newKey));
}

void TETree::LoadFromStored(RegHandle newRoot, std::u16string_view newKey, TStoredScope stored)
{
    TBatch batch(*this);
    Clear();
    root = newRoot;
    key = std::u16string(newKey);
    fStoredBase = std::move(stored);
    for (const auto& v : fStoredBase) {
        TNode* variable = AppendVariableNode(v.name, v.kind, false);
        FillElements(variable, v.value, v.name);
    }
}

TStoredScope TETree::SavedVariables() const
{
    TStoredScope scope;
    for (const TNode* v = FirstVariable(); v; v = v->NextSibling())
        if (!GetVariableReadOnly(v))
            scope.push_back({GetVariableName(v), GetVariableType(v), GetVariableValue(v)});
    return scope;
}

std::vector<TMergeEntry> TETree::PlanSave() const
{
    RegistryAccess reg(root, platform::ProcessEnvironment().IsWow64() ? kKeyAllAccess64 : platform::kKeyAllAccess);
    if (!reg.OpenKey(key, false))
        throw ERegistryException(gettext(kKeyLocked));
    const TStoredScope theirs = ReadStoredScope(reg);
    TStoreNames names(reg, theirs);
    auto plan = MatchScopes(fStoredBase, SavedVariables(), theirs,
                            [&](const std::u16string& a, const std::u16string& b) { return names.Same(a, b); });
    // Two of the tree's variables the store holds as one would overwrite each other.
    for (const auto& e : plan) {
        if (!e.ours || e.theirs)
            continue;
        if (names.Partner(e.ours->name).present)
            throw ERegistryException(FormatMessage1(gettext(kOneNameForTheStore), e.ours->name));
    }
    return plan;
}

size_t TETree::CountOutsideChanges() const
{
    RegistryAccess reg(root);
    if (!reg.OpenKeyReadOnly(key))
        return 0;
    const TStoredScope theirs = ReadStoredScope(reg);
    TStoreNames names(reg, theirs);
    return varnook::CountOutsideChanges(MatchScopes(
        fStoredBase, SavedVariables(), theirs, [&](const std::u16string& a, const std::u16string& b) { return names.Same(a, b); }));
}

void TETree::ApplySave(const std::vector<TMergeEntry>& plan, bool keepOurs)
{
    RegistryAccess reg(root, platform::ProcessEnvironment().IsWow64() ? kKeyAllAccess64 : platform::kKeyAllAccess);
    if (!reg.OpenKey(key, false))
        throw ERegistryException(gettext(kKeyLocked));

    // What the store holds of each entry as far as this tree is concerned: the tree's side where
    // nothing is to be done (a change from outside stays outside the base, so it stays counted
    // and is never undone by a later save), the old base until its operation succeeds.
    std::vector<std::optional<TStoredVariable>> base(plan.size());
    std::vector<TStoredVariable> leftovers; // held values under temporary names
    enum { kWrite, kRename, kRemove };
    std::vector<std::pair<int, size_t>> work;
    for (size_t i = 0; i < plan.size(); ++i) {
        const TMergeEntry& e = plan[i];
        const auto& target = MergedSide(e, keepOurs);
        if (target == e.theirs) {
            base[i] = e.ours;
            continue;
        }
        base[i] = e.base;
        if (!target)
            work.emplace_back(kRemove, i);
        else if (e.theirs && e.theirs->name != target->name)
            work.emplace_back(kRename, i);
        else
            work.emplace_back(kWrite, i);
    }
    std::stable_sort(work.begin(), work.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    auto keepBase = [&] {
        TStoredScope kept;
        for (auto& b : base)
            if (b)
                kept.push_back(*b);
        kept.insert(kept.end(), leftovers.begin(), leftovers.end());
        fStoredBase = std::move(kept);
    };
    try {
        for (const auto& [kind, i] : work) {
            const TMergeEntry& e = plan[i];
            const auto& target = MergedSide(e, keepOurs);
            if (kind == kWrite) {
                WriteStored(reg, target->name, *target);
            } else if (kind == kRemove) {
                RemoveStored(reg, e.theirs->name);
            } else {
                // The store keeps the spelling of a name it holds, so a new spelling needs the
                // old name removed first; the value waits under a temporary name meanwhile.
                const std::u16string& oldName = e.theirs->name;
                const std::u16string held = FreeTemporaryName(reg, oldName);
                WriteStored(reg, held, *target);
                leftovers.push_back({held, target->kind, target->value});
                try {
                    RemoveStored(reg, oldName);
                } catch (const ERegistryException&) {
                    try {
                        RemoveStored(reg, held);
                        leftovers.pop_back();
                    } catch (const ERegistryException&) {
                    }
                    throw;
                }
                base[i].reset();
                try {
                    WriteStored(reg, target->name, *target);
                } catch (const ERegistryException&) {
                    try {
                        WriteStored(reg, oldName, *target);
                        base[i] = TStoredVariable{oldName, target->kind, target->value};
                        RemoveStored(reg, held);
                        leftovers.pop_back();
                    } catch (const ERegistryException&) {
                        // The temporary name still holds the value; the next save removes it.
                    }
                    throw;
                }
                base[i] = target;
                RemoveStored(reg, held);
                leftovers.pop_back();
                continue;
            }
            base[i] = e.ours;
        }
    } catch (...) {
        keepBase();
        throw;
    }
    keepBase();
}

} // namespace varnook
