// The help window of the command-line mode ("-?" or "/?").
#pragma once

namespace varnook {

class TfrmCmdHelp {
public:
    // Creates the window, shows it modally and releases it. Closing it by any means ends the
    // process with exit code 0, so the call does not come back.
    [[noreturn]] static void createAndShowModal();
};

} // namespace varnook
