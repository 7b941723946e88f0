#include "app/FormCheckForUpdate.h"

#include "app/Elevation.h"
#include "app/FormOK.h"
#include "app/Skins.h"
#include "app/MainWindow.h"
#include "app/Window.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "platform/AdminServices.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include "UpdateSettings.h"

#include <commctrl.h>
#include <shellapi.h>

#include <climits>
#include <vector>

namespace varnook {

using platform::W;

namespace {

constexpr wchar_t kHistoryPath[] = L"/en/history";

std::u16string ControlText(HWND hwnd)
{
    std::vector<wchar_t> buffer(GetWindowTextLengthW(hwnd) + 1);
    const int n = GetWindowTextW(hwnd, buffer.data(), static_cast<int>(buffer.size()));
    return platform::U16(buffer.data(), n);
}

// The history comes with LF line ends; the edit control breaks lines at CR LF only.
std::u16string WithCrLf(const std::u16string& text)
{
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\n' && (out.empty() || out.back() != u'\r'))
            out += u'\r';
        out += c;
    }
    return out;
}

// Progress bars draw no text: the percentage is painted over the bar after it paints.
LRESULT CALLBACK ProgressWithPercent(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, ProgressWithPercent, 1);
    if (message != WM_PAINT)
        return DefSubclassProc(hwnd, message, wParam, lParam);
    const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
    PBRANGE range{};
    SendMessageW(hwnd, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    const auto position = static_cast<long long>(SendMessageW(hwnd, PBM_GETPOS, 0, 0));
    const long long span = static_cast<long long>(range.iHigh) - range.iLow;
    const long long percent = span > 0 ? (position - range.iLow) * 100 / span : 0;
    const std::wstring text = std::to_wstring(percent) + L"%";
    HDC dc = GetDC(hwnd);
    RECT rc;
    GetClientRect(hwnd, &rc);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(GetParent(hwnd), WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    DrawTextW(dc, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return result;
}

} // namespace

std::string UpdateServerAddress()
{
    // Tests and organisations with a mirror of their own point the program elsewhere.
    wchar_t value[2048];
    const DWORD length = GetEnvironmentVariableW(L"VARNOOK_UPDATE_URL", value, ARRAYSIZE(value));
    if (length > 0 && length < ARRAYSIZE(value))
        return ToUtf8(platform::U16(value, length));
    return VARNOOK_UPDATE_SERVER;
}

TModalResult TfrmCheckForUpdate::createAndShowModal(const std::u16string& current, const TUpdateOffer& offer)
{
    TfrmCheckForUpdate form;
    form.lblCurrent = current;
    form.lblLatest = FromUtf8(offer.version);
    form.memoHistory = FromUtf8(offer.history);
    form.size = offer.size;
    form.offer_ = offer;
    form.canDownload_ = true;
    return form.ShowModal();
}

TModalResult TfrmCheckForUpdate::createAndShowModal(const std::u16string& current, const std::u16string& message)
{
    TfrmCheckForUpdate form;
    form.lblCurrent = current;
    form.lblLatest = message;
    return form.ShowModal();
}

TModalResult TfrmCheckForUpdate::ShowModal()
{
    HWND owner = MainWindow() ? MainWindow()->Handle() : GetActiveWindow();
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CHECKFORUPDATE), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    return result > 0 ? static_cast<TModalResult>(result) : mrCancel;
}

INT_PTR CALLBACK TfrmCheckForUpdate::DialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TfrmCheckForUpdate*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<TfrmCheckForUpdate*>(lParam);
        SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        self->dlg_ = dlg;
    }
    if (!self)
        return FALSE;
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
    } catch (...) {
        ReportUnhandledFailure();
    }
    return FALSE;
}

void TfrmCheckForUpdate::OnInitDialog()
{
    // Every text of the template is English and shown translated.
    SetWindowTextW(dlg_, W(gettext(ControlText(dlg_))));
    for (HWND child = GetWindow(dlg_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (const std::u16string text = ControlText(child); !text.empty())
            SetWindowTextW(child, W(gettext(text)));
    SetDlgItemTextW(dlg_, IDC_UPD_CURRENT, W(lblCurrent));
    SetDlgItemTextW(dlg_, IDC_UPD_LATEST, W(lblLatest));
    SetDlgItemTextW(dlg_, IDC_UPD_HISTORY, W(WithCrLf(memoHistory)));

    const UINT dpi = WindowDpi(dlg_);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dlg_, WM_GETFONT, 0, 0)), sizeof(font), &font);
    font.lfWeight = FW_BOLD;
    boldFont_.reset(CreateFontIndirectW(&font));
    SendDlgItemMessageW(dlg_, IDC_UPD_CURRENT, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
    SendDlgItemMessageW(dlg_, IDC_UPD_LATEST, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), FALSE);
    font.lfUnderline = TRUE;
    linkFont_.reset(CreateFontIndirectW(&font));
    HWND link = GetDlgItem(dlg_, IDC_UPD_URL);
    SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.get()), FALSE);
    SetWindowTextW(link, L"" VARNOOK_PRODUCT_SITE);

    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, dlg_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    const std::u16string hint = gettext(u"Go to the site");
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dlg_;
    tool.uId = reinterpret_cast<UINT_PTR>(link);
    tool.lpszText = const_cast<wchar_t*>(W(hint));
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));

    const int iconSize = ScaleForDpi(16, dpi);
    icon_.reset(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), L"_ICO_CHECKUPDATES", IMAGE_ICON, iconSize, iconSize, 0)));
    SendDlgItemMessageW(dlg_, IDC_UPD_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);

    HWND progress = GetDlgItem(dlg_, IDC_UPD_PROGRESS);
    SetWindowSubclass(progress, ProgressWithPercent, 1, 0);
    SendMessageW(progress, PBM_SETRANGE32, 0, 100);
    SendMessageW(progress, PBM_SETPOS, 0, 0);
    EnableWindow(GetDlgItem(dlg_, IDC_UPD_DOWNLOAD), canDownload_);

    // Centred on the owner.
    RECT owner{}, self{};
    HWND ownerWindow = GetWindow(dlg_, GW_OWNER);
    if (!ownerWindow || !GetWindowRect(ownerWindow, &owner))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &owner, 0);
    GetWindowRect(dlg_, &self);
    const int width = self.right - self.left, height = self.bottom - self.top;
    SetWindowPos(dlg_, nullptr, owner.left + (owner.right - owner.left - width) / 2,
                 owner.top + (owner.bottom - owner.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR TfrmCheckForUpdate::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        if (canDownload_) {
            SetFocus(GetDlgItem(dlg_, IDC_UPD_DOWNLOAD));
            return FALSE;
        }
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && IsWindowEnabled(GetDlgItem(dlg_, IDC_UPD_DOWNLOAD)))
            PostMessageW(dlg_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg_, IDC_UPD_DOWNLOAD)), TRUE);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_UPD_DOWNLOAD:
            if (HIWORD(wParam) == BN_CLICKED)
                btnDownloadClick();
            return TRUE;
        case IDCANCEL:
            // Close, Esc and the frame's close box: a running download stops, silently.
            Finish(mrAbort);
            return TRUE;
        case IDC_UPD_URL:
            if (HIWORD(wParam) == STN_CLICKED)
                OpenSite();
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dlg_, IDC_UPD_URL)) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, SkinLinkColor());
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == GetDlgItem(dlg_, IDC_UPD_URL)) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            SetWindowLongPtrW(dlg_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case kDownloadMessage:
        OnDownloadData(static_cast<unsigned>(wParam));
        return TRUE;
    case WM_DESTROY:
        // Whatever ends the dialog (also the end of its owner) stops the download and removes
        // a file that was not started.
        download_.reset();
        file_.reset();
        break;
    }
    return FALSE;
}

void TfrmCheckForUpdate::btnDownloadClick()
{
    DownloadFile();
}

void TfrmCheckForUpdate::SetProgress(uint32_t position)
{
    // The bar counts in int: very large sizes are counted in larger units.
    int shift = 0;
    while ((static_cast<uint64_t>(size) >> shift) > INT_MAX)
        ++shift;
    HWND progress = GetDlgItem(dlg_, IDC_UPD_PROGRESS);
    SendMessageW(progress, PBM_SETRANGE32, 0, static_cast<LPARAM>(size >> shift));
    SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(position >> shift), 0);
    InvalidateRect(progress, nullptr, TRUE);
    UpdateWindow(progress);
}

void TfrmCheckForUpdate::DownloadFile()
{
    EnableWindow(GetDlgItem(dlg_, IDC_UPD_DOWNLOAD), FALSE);
    EnableWindow(GetDlgItem(dlg_, IDC_UPD_PROGRESS), TRUE);
    received_ = 0;
    SetProgress(0);
    const std::string url = UpdateDownloadUrl(UpdateServerAddress());
    file_ = std::make_unique<platform::TInstallerFile>();
    download_ = std::make_unique<platform::TAsyncGet>();
    if (!IsAllowedUpdateUrl(url) || !file_->Create(L"Varnook_setup.exe") ||
        !(serial_ = download_->Start(W(FromUtf8(url)), size, dlg_, kDownloadMessage)))
        DownloadFailed();
}

void TfrmCheckForUpdate::OnDownloadData(unsigned serial)
{
    if (!download_ || serial != serial_)
        return;
    std::string chunk;
    const platform::TGetState state = download_->Take(serial, chunk);
    if (!chunk.empty()) {
        if (!file_ || !file_->Write(chunk.data(), chunk.size()))
            return DownloadFailed();
        received_ += chunk.size();
        SetProgress(static_cast<uint32_t>(std::min<uint64_t>(received_, size)));
    }
    if (state == platform::TGetState::Done)
        DownloadFinished();
    else if (state == platform::TGetState::Failed)
        DownloadFailed();
}

void TfrmCheckForUpdate::DownloadFinished()
{
    download_.reset();
    uint64_t length = 0;
    TSha256Digest sha256{};
    // Only the file whose length and SHA-256 are the signed ones may run; it stays locked from
    // here until it has been started.
    if (!file_ || !file_->Seal(length, sha256) || !IsOfferedInstaller(offer_, length, sha256))
        return DownloadFailed();
    TfrmMain* main = MainWindow();
    if (!main || !main->QueryClose()) {
        // The user keeps the program: the installer does not start and its file goes.
        Finish(mrCancel);
        return;
    }
    // Started the same way as the restart as administrator: through the shell's elevation verb.
    const long error = RunElevated(platform::U16(file_->Path()), dlg_);
    if (error == 0) {
        file_->Keep();
        file_.reset();
        Finish(mrOk);
        main->EndForInstaller();
        return;
    }
    file_.reset();
    if (error == platform::kErrorCancelled)
        TfrmOK::createAndShowModal(
            gettext(u"The installer was not started: the request for administrator rights was declined.\r\n"
                    u"Varnook stays open."),
            mtWarning);
    else
        TfrmOK::createAndShowModal(gettext(u"The installer could not be started.") + u"\r\n" + SystemErrorText(error),
                                   mtError);
    Finish(mrCancel);
}

void TfrmCheckForUpdate::DownloadFailed()
{
    download_.reset();
    file_.reset();
    TfrmOK::createAndShowModal(gettext(u"Error downloading new version"), mtError);
    if (!dlg_)
        return;
    received_ = 0;
    SetProgress(0);
    EnableWindow(GetDlgItem(dlg_, IDC_UPD_DOWNLOAD), TRUE);
}

void TfrmCheckForUpdate::Finish(TModalResult result)
{
    download_.reset();
    file_.reset();
    EndDialog(dlg_, result);
}

void TfrmCheckForUpdate::OpenSite()
{
    const std::wstring address = std::wstring(L"" VARNOOK_PRODUCT_SITE) + kHistoryPath;
    ShellExecuteW(dlg_, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace varnook
