// The text of a hover hint that shows a long value whole: broken into lines a tooltip can show.
// Portable: no windows.h.
#pragma once

#include <string>
#include <string_view>

namespace varnook {

// Breaks text into lines of at most width characters, each line ending after a ';', a '\' or a
// blank where one lies in the line's second half, else cut hard. Line breaks already in the text
// stay; nothing is dropped: the lines joined give the text back.
std::u16string WrapForTip(std::u16string_view text, size_t width);

} // namespace varnook
