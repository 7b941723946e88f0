#include "app/FormYesNo.h"

#include "app/MessageBoxWindow.h"
#include "res/resource.h"

namespace varnook {

TModalResult TfrmYesNo::createAndShowModal(std::u16string_view text)
{
    TMessageBoxSetup setup;
    setup.templateId = IDD_MSG_YESNO;
    setup.icon = IDI_QUESTION;
    setup.text = text;
    setup.escResult = mrNo;
    setup.focusId = IDYES;
    return ShowMessageBox(setup);
}

} // namespace varnook
