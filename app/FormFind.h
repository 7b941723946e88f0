// The find dialog: one text box for the text to look for.
#pragma once

#include <string>

namespace varnook {

class TfrmFind {
public:
    // Opens the dialog centred on the main window with text in the box. True when the user
    // confirmed a text that is not empty, which is then in text (as typed, not trimmed); false
    // on Cancel, Escape or closing, with text left as it was.
    static bool createAndShowModal(std::u16string& text);
};

} // namespace varnook
