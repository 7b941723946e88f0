// Stand-ins for CharNextW, CompareStringW and LCMapStringW: step by code point and keep the
// combining marks (category Mn) that follow with their character; compare after simple
// lower-case mapping, upper-case by its reverse.
#include "platform/Services.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace varnook::platform {

namespace {

struct CodeRange {
    char32_t first, last;
};
struct CaseMapping {
    char32_t from, to;
};
#include "platform/portable/UnicodeTables.inc"

bool IsCombiningMark(char32_t cp)
{
    auto it = std::upper_bound(std::begin(kCombiningMarks), std::end(kCombiningMarks), cp,
                               [](char32_t c, const CodeRange& r) { return c < r.first; });
    return it != std::begin(kCombiningMarks) && cp <= std::prev(it)->last;
}

char32_t ToLower(char32_t cp)
{
    auto it = std::lower_bound(std::begin(kLowerCase), std::end(kLowerCase), cp,
                               [](const CaseMapping& m, char32_t c) { return m.from < c; });
    return it != std::end(kLowerCase) && it->from == cp ? it->to : cp;
}

// The reverse of the lower-case table; where two capitals share a small letter (K and the
// Kelvin sign), the first in code order is taken.
char32_t ToUpper(char32_t cp)
{
    static const std::vector<CaseMapping> upper = [] {
        std::vector<CaseMapping> list;
        for (const CaseMapping& m : kLowerCase)
            list.push_back({m.to, m.from});
        std::stable_sort(list.begin(), list.end(), [](const CaseMapping& a, const CaseMapping& b) {
            return a.from != b.from ? a.from < b.from : a.to < b.to;
        });
        return list;
    }();
    auto it = std::lower_bound(upper.begin(), upper.end(), cp,
                               [](const CaseMapping& m, char32_t c) { return m.from < c; });
    return it != upper.end() && it->from == cp ? it->to : cp;
}

// Decodes the code point at pos; a lone surrogate stands for itself.
char32_t Decode(std::u16string_view s, size_t pos, size_t& next)
{
    char16_t c = s[pos];
    if (c >= 0xD800 && c <= 0xDBFF && pos + 1 < s.size() && s[pos + 1] >= 0xDC00 && s[pos + 1] <= 0xDFFF) {
        next = pos + 2;
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(s[pos + 1]) - 0xDC00);
    }
    next = pos + 1;
    return c;
}

class PortableText final : public ITextServices {
public:
    size_t NextChar(const std::u16string& text, size_t pos) const override
    {
        if (pos >= text.size())
            return text.size();
        size_t next = 0;
        Decode(text, pos, next);
        while (next < text.size()) {
            size_t after = 0;
            if (!IsCombiningMark(Decode(text, next, after)))
                break;
            next = after;
        }
        return next;
    }

    bool EqualIgnoreCase(std::u16string_view a, std::u16string_view b) const override
    {
        size_t i = 0, j = 0;
        while (i < a.size() && j < b.size()) {
            size_t ni = 0, nj = 0;
            if (ToLower(Decode(a, i, ni)) != ToLower(Decode(b, j, nj)))
                return false;
            i = ni;
            j = nj;
        }
        return i == a.size() && j == b.size();
    }

    std::u16string UpperCase(std::u16string_view text) const override
    {
        std::u16string upper;
        upper.reserve(text.size());
        for (size_t i = 0; i < text.size();) {
            size_t next = 0;
            const char32_t cp = Decode(text, i, next);
            const char32_t up = ToUpper(cp);
            // Like the system's mapping, a capital that needs another number of code units is
            // not taken: the length stays.
            if ((up >= 0x10000) != (cp >= 0x10000) || (up >= 0xD800 && up <= 0xDFFF)) {
                upper.append(text.substr(i, next - i));
            } else if (up >= 0x10000) {
                upper.push_back(static_cast<char16_t>(0xD800 + ((up - 0x10000) >> 10)));
                upper.push_back(static_cast<char16_t>(0xDC00 + ((up - 0x10000) & 0x3FF)));
            } else {
                upper.push_back(static_cast<char16_t>(up));
            }
            i = next;
        }
        return upper;
    }
};

} // namespace

ITextServices& DefaultText()
{
    static PortableText text;
    return text;
}

} // namespace varnook::platform
