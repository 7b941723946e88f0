// The one conversion at the Win32 boundary: char16_t and wchar_t are both UTF-16 code units there.
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 strings are UTF-16");

namespace varnook::platform {

inline const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline const wchar_t* W(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline std::u16string U16(const wchar_t* s) { return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string(); }
inline std::u16string U16(const wchar_t* s, size_t count) { return std::u16string(reinterpret_cast<const char16_t*>(s), count); }
inline std::u16string U16(std::wstring_view s) { return U16(s.data(), s.size()); }

} // namespace varnook::platform
