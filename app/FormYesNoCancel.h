// The box for yes/no/cancel questions about unsaved changes.
#pragma once

#include "app/ModalResult.h"

#include <string_view>

namespace varnook {

class TfrmYesNoCancel {
public:
    // Yes, No or Cancel; Esc and closing through the frame answer Cancel.
    static TModalResult createAndShowModal(std::u16string_view text);
};

} // namespace varnook
