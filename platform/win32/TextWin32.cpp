#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <windows.h>

namespace varnook::platform {

namespace {

class Win32Text final : public ITextServices {
public:
    size_t NextChar(const std::u16string& text, size_t pos) const override
    {
        const wchar_t* base = W(text);
        size_t next = static_cast<size_t>(CharNextW(base + pos) - base);
        // CharNextW does not move at a NUL; an embedded one is a character like any other here.
        if (next <= pos)
            next = pos + 1;
        return next < text.size() ? next : text.size();
    }

    bool EqualIgnoreCase(std::u16string_view a, std::u16string_view b) const override
    {
        if (a.empty() || b.empty())
            return a.empty() && b.empty();
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, reinterpret_cast<const wchar_t*>(a.data()),
                              static_cast<int>(a.size()), reinterpret_cast<const wchar_t*>(b.data()),
                              static_cast<int>(b.size())) == CSTR_EQUAL;
    }

    std::u16string UpperCase(std::u16string_view text) const override
    {
        std::u16string upper(text);
        if (upper.empty())
            return upper;
        // LCMAP_UPPERCASE maps code unit for code unit, so the length stays.
        const int done = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, reinterpret_cast<const wchar_t*>(text.data()),
                                      static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(upper.data()),
                                      static_cast<int>(upper.size()));
        return done == static_cast<int>(text.size()) ? upper : std::u16string(text);
    }
};

} // namespace

ITextServices& DefaultText()
{
    static Win32Text text;
    return text;
}

} // namespace varnook::platform
