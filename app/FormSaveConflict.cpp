#include "app/FormSaveConflict.h"

#include "app/MessageBoxWindow.h"
#include "core/Translate.h"
#include "res/resource.h"

namespace varnook {

std::u16string TfrmSaveConflict::Text(const std::vector<std::u16string>& names)
{
    std::u16string list;
    constexpr size_t kShown = 8;
    for (size_t i = 0; i < names.size() && i < kShown; ++i)
        list += (i ? u", " : u"") + (u"'" + names[i] + u"'");
    if (names.size() > kShown)
        list += u", ...";
    return gettext(u"Another program changed these variables while you edited them:") + u"\r\n" + list + u"\r\n\r\n" +
           gettext(u"Keep your versions, keep the other program's, or reload all variables and drop your changes?");
}

TSaveConflictAnswer TfrmSaveConflict::createAndShowModal(const std::vector<std::u16string>& names)
{
    const std::u16string text = Text(names);
    TMessageBoxSetup setup;
    setup.templateId = IDD_MSG_SAVECONFLICT;
    setup.icon = IDI_EXCLAMATION;
    setup.text = text;
    setup.escResult = mrCancel;
    setup.focusId = IDCANCEL;
    switch (ShowMessageBox(setup)) {
    case mrYes: return TSaveConflictAnswer::KeepMine;
    case mrNo: return TSaveConflictAnswer::KeepTheirs;
    case mrOk: return TSaveConflictAnswer::Reload;
    default: return TSaveConflictAnswer::Cancel;
    }
}

} // namespace varnook
