#include "core/Expansion.h"

#include <unordered_map>
#include <vector>

namespace varnook {

namespace {

// Names looked up without making a string of each reference first.
struct TNameHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view name) const { return std::hash<std::u16string_view>{}(name); }
};
using TKnownNames = std::unordered_map<std::u16string, std::optional<std::u16string>, TNameHash, std::equal_to<>>;

// One pass: every complete reference is replaced or kept as written; an unclosed '%' and what
// follows it stay as written. Lookups are remembered for the call, since a growing loop asks
// for the same few names again and again.
std::u16string ExpandOnce(const std::u16string& text, const TVariableLookup& lookup, TKnownNames& known)
{
    std::u16string result;
    result.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const size_t open = text.find(u'%', i);
        if (open == std::u16string::npos) {
            result.append(text, i, n - i);
            break;
        }
        result.append(text, i, open - i);
        const size_t close = text.find(u'%', open + 1);
        if (close == std::u16string::npos) {
            result.append(text, open, n - open);
            break;
        }
        const std::u16string_view name = std::u16string_view(text).substr(open + 1, close - open - 1);
        auto it = known.find(name);
        if (it == known.end())
            it = known.emplace(std::u16string(name), lookup(name)).first;
        if (it->second)
            result += *it->second;
        else
            result.append(text, open, close - open + 1);
        i = close + 1;
        if (result.size() > kExpansionSizeLimit)
            throw ELoopDetected();
    }
    return result;
}

} // namespace

std::u16string ExpandText(const std::u16string& text, const TVariableLookup& lookup, int depth)
{
    TKnownNames known;
    // The texts of earlier passes. Only a text of the same length can repeat one, so a text that
    // grows on every pass is never compared nor hashed: a doubling loop costs no more than
    // building its texts.
    std::vector<std::u16string> earlier;
    std::u16string current = text;
    size_t scanned = 0;
    for (;; ++depth) {
        scanned += current.size();
        if (depth >= kExpansionPassLimit || scanned > kExpansionWorkLimit)
            throw ELoopDetected();
        std::u16string next = ExpandOnce(current, lookup, known);
        if (next == current)
            return next;
        earlier.push_back(std::move(current));
        // A text met before means the passes cycle and would run into the limit anyway.
        for (const auto& e : earlier)
            if (e.size() == next.size() && e == next)
                throw ELoopDetected();
        current = std::move(next);
    }
}

} // namespace varnook
