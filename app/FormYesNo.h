// The box for yes/no confirmations.
#pragma once

#include "app/ModalResult.h"

#include <string_view>

namespace varnook {

class TfrmYesNo {
public:
    // Yes or No; Esc answers No, closing through the frame Cancel (callers that test for Yes
    // take it as No).
    static TModalResult createAndShowModal(std::u16string_view text);
};

} // namespace varnook
