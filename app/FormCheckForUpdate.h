// The update dialog: the own and the published version, the history, a link to the site, and
// the download of the installer, which starts only once it is verified.
#pragma once

#include "app/ModalResult.h"
#include "core/UpdateCheck.h"
#include "platform/win32/Handles.h"
#include "platform/win32/InstallerFile.h"
#include "platform/win32/Internet.h"

#include <windows.h>

#include <memory>
#include <string>

namespace varnook {

// The update server: the build's address, or the environment variable VARNOOK_UPDATE_URL.
std::string UpdateServerAddress();

class TfrmCheckForUpdate {
public:
    // The dialog for a verified offer: both versions, the history, and the download.
    static TModalResult createAndShowModal(const std::u16string& current, const TUpdateOffer& offer);
    // The dialog as a message: the own version and the message where the latest version goes;
    // nothing to download.
    static TModalResult createAndShowModal(const std::u16string& current, const std::u16string& message);

    // The dialog's result when Close or Esc ended it.
    static constexpr TModalResult mrAbort = static_cast<TModalResult>(3);
    // The chunks of the download arrive by this message.
    static constexpr UINT kDownloadMessage = WM_APP + 3015;

    std::u16string lblCurrent;
    std::u16string lblLatest;
    std::u16string memoHistory;
    uint32_t size = 0;

private:
    TfrmCheckForUpdate() = default;
    TModalResult ShowModal();
    static INT_PTR CALLBACK DialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void btnDownloadClick();
    void DownloadFile();
    void OnDownloadData(unsigned serial);
    void DownloadFinished();
    void DownloadFailed();
    void Finish(TModalResult result);
    void SetProgress(uint32_t position);
    void OpenSite();

    HWND dlg_ = nullptr;
    bool canDownload_ = false;
    TUpdateOffer offer_;
    platform::unique_hfont boldFont_;
    platform::unique_hfont linkFont_;
    platform::unique_hicon icon_;
    HWND tooltip_ = nullptr;
    std::unique_ptr<platform::TAsyncGet> download_;
    std::unique_ptr<platform::TInstallerFile> file_;
    unsigned serial_ = 0;
    uint64_t received_ = 0;
};

} // namespace varnook
