#include "app/CreditsMarkup.h"

#include <algorithm>

namespace varnook {

namespace {

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// A colour component: blanks around decimal digits; large numbers count as 255.
bool ParseComponent(std::u16string_view text, uint8_t& value)
{
    while (!text.empty() && text.front() == u' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == u' ')
        text.remove_suffix(1);
    if (text.empty())
        return false;
    int n = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        n = std::min(n * 10 + (c - u'0'), 256);
    }
    value = static_cast<uint8_t>(std::min(n, 255));
    return true;
}

bool ParseColour(std::u16string_view code, TCreditLine& line)
{
    uint8_t parts[3]{};
    for (int i = 0; i < 3; ++i) {
        const size_t comma = i < 2 ? code.find(u',') : std::u16string_view::npos;
        if (i < 2 && comma == std::u16string_view::npos)
            return false;
        if (!ParseComponent(code.substr(0, comma), parts[i]))
            return false;
        code = comma == std::u16string_view::npos ? std::u16string_view() : code.substr(comma + 1);
    }
    line.hasColor = true;
    line.red = parts[0];
    line.green = parts[1];
    line.blue = parts[2];
    return true;
}

} // namespace

TCreditLine ParseCreditLine(std::u16string_view text)
{
    TCreditLine line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            line.text += text[i];
            continue;
        }
        if (i + 1 >= text.size())
            break; // an "&" at the end has no code: dropped
        const char16_t code = text[++i];
        switch (Lower(code)) {
        case u'&': line.text += u'&'; break;
        case u'b': line.bold = true; break;
        case u'i': line.italic = true; break;
        case u'u': line.underline = true; break;
        case u'c': {
            // The colour runs to its ";" or to the line's end, and no further.
            const size_t end = std::min(text.find(u';', i + 1), text.size());
            ParseColour(text.substr(i + 1, end - (i + 1)), line); // a malformed one is ignored
            i = end; // past the ";" (the loop steps once more)
            break;
        }
        default: break; // an unknown code: both characters go
        }
    }
    return line;
}

void TCreditsScroll::Restart(int count, int h, int controlHeight)
{
    lineCount = count;
    lineHeight = std::max(h, 1);
    height = controlHeight;
    TPos = lineHeight + height;
    LastShownIndex = -1;
}

bool TCreditsScroll::Tick()
{
    if (TPos < -(lineCount * lineHeight)) {
        TPos = height;
        LastShownIndex = -1;
        return true;
    }
    --TPos;
    return false;
}

std::vector<TCreditsScroll::TPlacement> TCreditsScroll::Place()
{
    std::vector<TPlacement> placed;
    for (int i = 0; i < lineCount; ++i) {
        const int y = TPos + i * lineHeight;
        // Only what shows: a line below the bottom edge is not drawn, nor announced, yet.
        if (y + lineHeight > 0 && y < height) {
            const bool first = i > LastShownIndex;
            if (first)
                LastShownIndex = i;
            placed.push_back({i, y, first});
        }
        if (y + lineHeight >= height)
            break; // the next line would start below the bottom edge
    }
    return placed;
}

} // namespace varnook
