#include "app/FormYesNoCancel.h"

#include "app/MessageBoxWindow.h"
#include "res/resource.h"

namespace varnook {

TModalResult TfrmYesNoCancel::createAndShowModal(std::u16string_view text)
{
    TMessageBoxSetup setup;
    setup.templateId = IDD_MSG_YESNOCANCEL;
    setup.icon = IDI_EXCLAMATION;
    setup.text = text;
    setup.escResult = mrCancel;
    setup.focusId = IDYES;
    return ShowMessageBox(setup);
}

} // namespace varnook
