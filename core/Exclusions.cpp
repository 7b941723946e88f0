#include "core/Exclusions.h"

#include "core/Errors.h"
#include "core/Strings.h"
#include "core/Translate.h"

#include <algorithm>

namespace varnook {

namespace {
char16_t FoldAscii(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}
} // namespace

bool TExclusionsComparer::Equals(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

uint32_t TExclusionsComparer::GetHashCode(std::u16string_view name)
{
    uint32_t hash = 0;
    for (char16_t c : name) {
        const char16_t folded = FoldAscii(c);
        for (uint32_t byte : {static_cast<uint32_t>(folded & 0xFF), static_cast<uint32_t>(folded >> 8)}) {
            hash += byte;
            hash += hash << 10;
            hash ^= hash >> 6;
        }
    }
    hash += hash << 3;
    hash ^= hash >> 11;
    hash += hash << 15;
    return hash;
}

void TExclusions::Add(std::u16string_view name, bool split, bool check)
{
    if (dic.find(name) != dic.end())
        throw EListError(gettext(u"Duplicates not allowed"));
    dic.emplace(std::u16string(name), std::make_unique<TExclusion>(split, check));
    NotifyChange();
}

void TExclusions::AddAll(const TExclusions& other)
{
    // Copies first: a callback may change other while the entries are added.
    std::vector<std::pair<std::u16string, TExclusion>> copies;
    copies.reserve(other.dic.size());
    for (const auto& [name, entry] : other.dic)
        copies.emplace_back(name, *entry);
    for (const auto& [name, entry] : copies)
        Add(name, entry.isSplit(), entry.isCheck());
}

void TExclusions::Remove(std::u16string_view name)
{
    auto it = dic.find(name);
    if (it == dic.end())
        return;
    dic.erase(it);
    NotifyChange();
}

void TExclusions::Clear()
{
    TMap former;
    former.swap(dic);
    fSortedValid = false;
    while (!former.empty()) {
        former.erase(former.begin());
        NotifyChange();
    }
}

void TExclusions::Put(std::u16string_view name, bool split, bool check)
{
    auto it = dic.find(name);
    if (it == dic.end()) {
        Add(name, split, check);
        return;
    }
    if (it->first == name && it->second->isSplit() == split && it->second->isCheck() == check)
        return;
    if (it->first != name) {
        // Another spelling of the same name: the key is replaced, the entry stays listed.
        dic.erase(it);
        it = dic.emplace(std::u16string(name), std::make_unique<TExclusion>(split, check)).first;
    }
    it->second->setSplit(split);
    it->second->setCheck(check);
    NotifyChange();
}

bool TExclusions::ContainsKey(std::u16string_view name) const
{
    return dic.find(name) != dic.end();
}

bool TExclusions::isSplit(std::u16string_view name) const
{
    auto it = dic.find(name);
    return it == dic.end() || it->second->isSplit();
}

bool TExclusions::isCheck(std::u16string_view name) const
{
    auto it = dic.find(name);
    return it == dic.end() || it->second->isCheck();
}

const std::u16string& TExclusions::GetKey(int index) const
{
    return SortedEntries().at(static_cast<size_t>(index))->first;
}

TExclusion& TExclusions::GetValue(int index) const
{
    return *SortedEntries().at(static_cast<size_t>(index))->second;
}

void TExclusions::AddOnChange(TOnChange callback)
{
    onChangeHandlers.push_back(std::move(callback));
}

void TExclusions::NotifyChange()
{
    fSortedValid = false;
    // By index and up to the count at the start: a callback may register another one.
    const size_t count = onChangeHandlers.size();
    for (size_t i = 0; i < count; ++i)
        if (onChangeHandlers[i])
            onChangeHandlers[i]();
}

const std::vector<const TExclusions::TMap::value_type*>& TExclusions::SortedEntries() const
{
    if (!fSortedValid) {
        fSorted.clear();
        fSorted.reserve(dic.size());
        for (const auto& entry : dic)
            fSorted.push_back(&entry);
        // Names equal under the comparison cannot both be keys, so the order is total.
        std::sort(fSorted.begin(), fSorted.end(),
                  [](const auto* a, const auto* b) { return CompareTextAscii(a->first, b->first) < 0; });
        fSortedValid = true;
    }
    return fSorted;
}

} // namespace varnook
