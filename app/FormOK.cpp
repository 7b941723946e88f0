#include "app/FormOK.h"

#include "app/MessageBoxWindow.h"
#include "res/resource.h"

namespace varnook {

TModalResult TfrmOK::createAndShowModal(std::u16string_view text, TMsgDlgType kind)
{
    MessageBoxSpec spec;
    spec.templateId = IDD_MSG_OK;
    spec.text = text;
    spec.escResult = mrOk;
    spec.focusId = IDOK;
    switch (kind) {
    case mtWarning: spec.icon = IDI_EXCLAMATION; spec.caption = LoadResString(IDS_MSG_WARNING); break;
    case mtError: spec.icon = IDI_HAND; spec.caption = LoadResString(IDS_MSG_ERROR); break;
    case mtInformation: spec.icon = IDI_ASTERISK; spec.caption = LoadResString(IDS_MSG_INFORMATION); break;
    case mtConfirmation: spec.icon = IDI_QUESTION; spec.caption = LoadResString(IDS_MSG_CONFIRM); break;
    default: spec.caption = std::u16string(); break; // custom: no icon, no caption
    }
    return ShowMessageBox(spec);
}

} // namespace varnook
