#include "app/TipText.h"

namespace varnook {

std::u16string WrapForTip(std::u16string_view text, size_t width)
{
    if (width == 0)
        return std::u16string(text);
    std::u16string result;
    result.reserve(text.size() + text.size() / width * 2 + 2);
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        const size_t newline = text.find_first_of(u"\r\n", lineStart);
        const size_t lineEnd = newline == std::u16string_view::npos ? text.size() : newline;
        if (lineEnd - lineStart <= width) {
            // Fits as it is, with its own line break.
            const size_t next = lineEnd < text.size() && text[lineEnd] == u'\r' && lineEnd + 1 < text.size() &&
                                        text[lineEnd + 1] == u'\n'
                                    ? lineEnd + 2
                                    : lineEnd + (lineEnd < text.size() ? 1 : 0);
            result.append(text.substr(lineStart, next - lineStart));
            lineStart = next;
            continue;
        }
        size_t cut = lineStart + width;
        for (size_t i = lineStart + width; i > lineStart + width / 2; --i) {
            const char16_t c = text[i - 1];
            if (c == u';' || c == u'\\' || c == u' ') {
                cut = i;
                break;
            }
        }
        result.append(text.substr(lineStart, cut - lineStart));
        result.append(u"\r\n");
        lineStart = cut;
    }
    return result;
}

} // namespace varnook
