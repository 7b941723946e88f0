#include "app/Elevation.h"

#include "app/FormOK.h"
#include "app/FormYesNoCancel.h"
#include "app/MainWindow.h"
#include "core/Translate.h"
#include "platform/AdminServices.h"
#include "platform/Services.h"
#include "platform/win32/WinString.h"

namespace varnook {

namespace {

constexpr char16_t kChangesLost[] = N_(u"All changes will be lost after switching user\r\nDo you want to save the changes?");
constexpr char16_t kStartFailed[] = N_(u"Can not restart as administrator:");

} // namespace

std::u16string SystemErrorText(long error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0,
                                        nullptr);
    std::u16string message = length ? platform::U16(text, length) : std::u16string();
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' || message.back() == u' '))
        message.pop_back();
    if (message.empty())
        message = gettext(u"Error") + u" " + FromUtf8(std::to_string(error));
    return message;
}


long RunElevated(const std::u16string& programFile, HWND owner)
{
    return platform::Elevation().RunElevated(programFile, reinterpret_cast<uintptr_t>(owner));
}

void TfrmMain::RestartAsAdmin()
{
    if (IsModified()) {
        switch (TfrmYesNoCancel::createAndShowModal(gettext(kChangesLost))) {
        case mrYes:
            if (!Save())
                return; // the failure is reported; nothing starts and nothing ends
            break;
        case mrNo:
            break;
        default:
            return;
        }
    }
    const long result = RunElevated(platform::ProgramFiles().ExecutablePath(), Handle());
    // Until the new instance runs, this one keeps its trees and edits: a declined prompt needs
    // no word, any other failure does.
    if (result == platform::kErrorCancelled)
        return;
    if (result != 0) {
        TfrmOK::createAndShowModal(gettext(kStartFailed) + u"\r\n" + SystemErrorText(result), mtError);
        return;
    }
    // The new instance runs: this one ends at once, without the closing questions and without
    // saving the options, which the new instance has read already.
    DestroyWindow(Handle());
}

} // namespace varnook
