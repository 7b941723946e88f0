#include "app/FormYesNo.h"

#include "app/MessageBoxWindow.h"
#include "res/resource.h"

namespace varnook {

TModalResult TfrmYesNo::createAndShowModal(std::u16string_view text)
{
    MessageBoxSpec spec;
    spec.templateId = IDD_MSG_YESNO;
    spec.icon = IDI_QUESTION;
    spec.text = text;
    spec.escResult = mrNo;
    spec.focusId = IDYES;
    return ShowMessageBox(spec);
}

} // namespace varnook
