#include "app/FormOK.h"

#include "app/MessageBoxWindow.h"
#include "res/resource.h"

namespace varnook {

TModalResult TfrmOK::createAndShowModal(std::u16string_view text, TMsgDlgType kind)
{
    TMessageBoxSetup setup;
    setup.templateId = IDD_MSG_OK;
    setup.text = text;
    setup.escResult = mrOk;
    setup.focusId = IDOK;
    switch (kind) {
    case mtWarning: setup.icon = IDI_EXCLAMATION; setup.caption = LoadResString(IDS_MSG_WARNING); break;
    case mtError: setup.icon = IDI_HAND; setup.caption = LoadResString(IDS_MSG_ERROR); break;
    case mtInformation: setup.icon = IDI_ASTERISK; setup.caption = LoadResString(IDS_MSG_INFORMATION); break;
    case mtConfirmation: setup.icon = IDI_QUESTION; setup.caption = LoadResString(IDS_MSG_CONFIRM); break;
    default: setup.caption = std::u16string(); break; // custom: no icon, no caption
    }
    return ShowMessageBox(setup);
}

} // namespace varnook
