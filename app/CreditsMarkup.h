// The line markup of the scrolling thanks and the arithmetic of its scrolling, without a
// window: what a line draws, in which style, and where each line stands at a scroll position.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnook {

// One line with its codes taken out. "&&" is an "&"; "&b" bold (in place of the font's own
// style), "&i" italic, "&u" underlined (either letter case); "&c" red,green,blue then ";" (or the
// line's end) a colour; "&" and any other character are dropped together.
struct TCreditLine {
    std::u16string text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hasColor = false; // otherwise the font's own colour
    uint8_t red = 0, green = 0, blue = 0;

    bool operator==(const TCreditLine&) const = default;
};

// Never fails. A colour component above 255 counts as 255; a colour whose text is not three
// decimal numbers separated by "," leaves the line in the font's colour.
TCreditLine ParseCreditLine(std::u16string_view line);

// Where the lines of a scrolling pass stand.
class TCreditsScroll {
public:
    // Starts a pass with the text just below the bottom edge.
    void Restart(int lineCount, int lineHeight, int height);
    // One step of the timer: the text moves up one pixel, or, once the last line has left the
    // top, a new pass begins from the bottom edge and moves nothing. True when a pass ended.
    bool Tick();

    struct TPlacement {
        int index;
        int y;
        bool firstShown; // drawn for the first time in this pass
    };
    // The lines a paint draws, top down; marks each as shown.
    std::vector<TPlacement> Place();

    int TPos = 0;
    int LastShownIndex = -1;
    int lineCount = 0;
    int lineHeight = 1;
    int height = 0;
};

} // namespace varnook
