// The update check of the main window: the request runs on a worker, its answer comes back as
// a message and is read here, on the window's thread.
#include "app/FormCheckForUpdate.h"
#include "app/MainWindow.h"
#include "app/Version.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "core/UpdateCheck.h"
#include "core/UpdateReply.h"
#include "platform/Crypto.h"
#include "platform/win32/Internet.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include "UpdateSettings.h"

namespace varnook {

namespace {

// The untranslated text of a resource string: the status label keeps the English text and
// translates it itself, so that it can follow a change of language.
std::u16string EnglishResString(UINT id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? platform::U16(text, static_cast<size_t>(length)) : std::u16string();
}

uint32_t BuildNumber()
{
    const std::string text = ToUtf8(GetVersionBuild());
    return text.empty() ? 0 : static_cast<uint32_t>(std::stoul(text));
}

} // namespace

void TfrmMain::CheckForUpdates()
{
    isUpdateErrorShown = false;
    const std::string url = UpdateRequestUrl(UpdateServerAddress(), BuildNumber(), options_->id);
    // A new check drops the unfinished load of the previous one.
    if (!XMLDoc)
        XMLDoc = std::make_unique<platform::TAsyncGet>();
    XMLDoc->Drop();
    xmlBody_.clear();
    SetStatusLabel4(5, EnglishResString(IDS_UPD_CHECKING));
    xmlSerial_ = 0;
    // Plain HTTP is refused before anything is sent, except to the machine itself.
    if (IsAllowedUpdateUrl(url))
        xmlSerial_ = XMLDoc->Start(platform::W(FromUtf8(url)), kMaxUpdateReplyLength, Handle(), kUpdateDocumentMessage);
    if (!xmlSerial_)
        UpdateCheckFailed();
}

void TfrmMain::UpdateCheckFailed()
{
    const std::u16string message = EnglishResString(IDS_UPD_FAILED);
    SetStatusLabel4(7, message);
    // The check on demand shows its error once; the automatic one only in the status bar.
    if (!isAutoUpdate && !isUpdateErrorShown) {
        isUpdateErrorShown = true;
        TfrmCheckForUpdate::createAndShowModal(GetVersionText(), gettext(message));
    }
}

void TfrmMain::XMLDocAsyncLoad(unsigned serial)
{
    if (!XMLDoc || serial != xmlSerial_)
        return;
    const platform::TGetState state = XMLDoc->Take(serial, xmlBody_);
    if (state == platform::TGetState::Running)
        return; // not complete yet
    xmlSerial_ = 0;
    const std::string body = std::move(xmlBody_);
    xmlBody_.clear();
    const std::u16string own = GetVersionText();
    const std::optional<TUpdateReply> reply =
        state == platform::TGetState::Done ? ParseUpdateReply(body) : std::nullopt;
    if (!reply)
        return UpdateCheckFailed();
    if (!IsOtherVersion(ToUtf8(own), reply->version)) {
        const std::u16string message = EnglishResString(IDS_UPD_LATEST);
        SetStatusLabel4(6, message);
        if (!isAutoUpdate)
            TfrmCheckForUpdate::createAndShowModal(own, gettext(message));
        return;
    }
    // Only an offer signed by the release key is an offer; anything else retrieved nothing.
    static const std::optional<TP256PublicKey> releaseKey = ParseReleaseKey(VARNOOK_UPDATE_PUBLIC_KEY);
    TUpdateOffer offer;
    if (!releaseKey || VerifyUpdateOffer(*reply, *releaseKey, platform::VerifyP256Sha256, offer) != TOfferVerdict::Offered)
        return UpdateCheckFailed();
    SetStatusLabel4(-1, u"");
    TfrmCheckForUpdate::createAndShowModal(own, offer);
}

bool TfrmMain::QueryClose()
{
    return FormCloseQuery();
}

void TfrmMain::EndForInstaller()
{
    installerStarted_ = true;
    PostQuitMessage(0);
}

} // namespace varnook
