// Small text helpers shared by every layer.
#pragma once

#include <string>
#include <string_view>

namespace varnook {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// The message with its first "%s" replaced by the argument.
std::u16string FormatMessage1(std::u16string_view message, std::u16string_view argument);

// ASCII letters a to z turned into capitals; every other code unit unchanged.
std::u16string AsciiUpper(std::u16string_view text);

// Ordinal comparison by UTF-16 code unit with the ASCII letters a to z taken as A to Z;
// a prefix comes first. Negative, zero or positive like strcmp.
int CompareTextAscii(std::u16string_view a, std::u16string_view b);

} // namespace varnook
