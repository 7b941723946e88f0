// The box for information and errors.
#pragma once

#include "app/ModalResult.h"

#include <string_view>

namespace varnook {

// The kind of an information box selects its icon and its caption.
enum TMsgDlgType : int { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

class TfrmOK {
public:
    // Shows the text, already translated by the caller. Enter and Esc answer OK; closing the
    // box through its frame answers Cancel.
    static TModalResult createAndShowModal(std::u16string_view text, TMsgDlgType kind);
};

} // namespace varnook
