// What the path commands put into an element and hand to the file manager. Pure text rules over
// the file-system probes; the dialogs and the shell call live with the main window.
#pragma once

#include <string>

namespace varnook {

// The text an element gets for a path picked in a dialog: in a split variable a path holding
// ';' is wrapped in double quotes, which the splitter keeps together, so it stays one element
// after saving and loading.
std::u16string ElementTextForPath(const std::u16string& path, bool variableSplit);

// The parameters for the file manager that show the place a path names: an existing directory
// is opened, an existing file is shown selected in its folder, anything else opens the text's
// directory part (everything before its last separator). Paths are quoted, so that commas and
// blanks in names cannot split them.
std::u16string ExplorerParameters(const std::u16string& path);

} // namespace varnook
