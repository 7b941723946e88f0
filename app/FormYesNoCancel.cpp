#include "app/FormYesNoCancel.h"

#include "app/MessageBoxWindow.h"
#include "res/resource.h"

namespace varnook {

TModalResult TfrmYesNoCancel::createAndShowModal(std::u16string_view text)
{
    MessageBoxSpec spec;
    spec.templateId = IDD_MSG_YESNOCANCEL;
    spec.icon = IDI_EXCLAMATION;
    spec.text = text;
    spec.escResult = mrCancel;
    spec.focusId = IDYES;
    return ShowMessageBox(spec);
}

} // namespace varnook
