#include "app/FormExclusionVar.h"

#include "app/DialogSupport.h"
#include "app/OptionsDialogModel.h"
#include "app/Window.h"
#include "core/Translate.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

namespace varnook {

bool TfrmExclusionVar::createAndShowModal(TExclusions& exclusions, std::u16string_view name,
                                          std::u16string* storedName)
{
    TfrmExclusionVar form(exclusions, name);
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_EXCLUSIONVAR),
                                           GetActiveWindow(), DialogProc, reinterpret_cast<LPARAM>(&form));
    if (result != IDOK)
        return false;
    if (storedName)
        *storedName = form.stored;
    return true;
}

void TfrmExclusionVar::FormCreate()
{
    TranslateDialogTexts(FHandle);
    CentreOverMainWindow(FHandle);
    SetDlgItemTextW(FHandle, IDC_EXCL_NAME, platform::W(initialName));
    // A name without an entry starts with both options unticked.
    CheckDlgButton(FHandle, IDC_EXCL_NOTSPLIT, !exclusions.isSplit(initialName) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(FHandle, IDC_EXCL_NOTCHECK, !exclusions.isCheck(initialName) ? BST_CHECKED : BST_UNCHECKED);
    FErrorIcon = LoadSmallIcon(IDI_OPT_ERROR, WindowDpi(FHandle));
    SendDlgItemMessageW(FHandle, IDC_EXCL_ERRORIMAGE, STM_SETICON, reinterpret_cast<WPARAM>(FErrorIcon.get()), 0);
    // OK stays unavailable until the user changes something; the message line starts empty.
    EnableWindow(GetDlgItem(FHandle, IDOK), FALSE);
    ShowWindow(GetDlgItem(FHandle, IDC_EXCL_ERRORIMAGE), SW_HIDE);
    FReady = true;
    HWND edit = GetDlgItem(FHandle, IDC_EXCL_NAME);
    SendMessageW(FHandle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

std::u16string TfrmExclusionVar::TypedName() const
{
    return WindowText(GetDlgItem(FHandle, IDC_EXCL_NAME));
}

void TfrmExclusionVar::Validate()
{
    const std::u16string message =
        ValidateExclusion(exclusions, initialName, TypedName(), IsDlgButtonChecked(FHandle, IDC_EXCL_NOTSPLIT) == BST_CHECKED,
                          IsDlgButtonChecked(FHandle, IDC_EXCL_NOTCHECK) == BST_CHECKED);
    SetDlgItemTextW(FHandle, IDC_EXCL_ERROR, platform::W(message.empty() ? std::u16string() : gettext(message)));
    ShowWindow(GetDlgItem(FHandle, IDC_EXCL_ERRORIMAGE), message.empty() ? SW_HIDE : SW_SHOW);
    HWND ok = GetDlgItem(FHandle, IDOK);
    const bool wasEnabled = IsWindowEnabled(ok);
    EnableWindow(ok, message.empty());
    // Enter presses OK only while OK can be pressed; the focus never rests on a disabled button.
    if (wasEnabled && !message.empty() && GetFocus() == ok)
        SendMessageW(FHandle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(FHandle, IDC_EXCL_NAME)), TRUE);
}

bool TfrmExclusionVar::Confirm()
{
    const bool notSplit = IsDlgButtonChecked(FHandle, IDC_EXCL_NOTSPLIT) == BST_CHECKED;
    const bool notCheck = IsDlgButtonChecked(FHandle, IDC_EXCL_NOTCHECK) == BST_CHECKED;
    const std::u16string typed = TypedName();
    if (!StoreExclusion(exclusions, initialName, typed, notSplit, notCheck)) {
        Validate(); // Enter while the input is refused: show why, keep the dialog open
        return false;
    }
    stored = std::u16string(TrimBlanks(typed));
    return true;
}

INT_PTR TfrmExclusionVar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_EXCL_NAME:
            if (HIWORD(wParam) == EN_CHANGE && FReady)
                Validate();
            return TRUE;
        case IDC_EXCL_NOTSPLIT:
        case IDC_EXCL_NOTCHECK:
            if (HIWORD(wParam) == BN_CLICKED && FReady)
                Validate();
            return TRUE;
        case IDOK:
            if (IsWindowEnabled(GetDlgItem(FHandle, IDOK)) && Confirm())
                EndDialog(FHandle, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(FHandle, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(FHandle, IDC_EXCL_ERROR)) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(255, 0, 0));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_DPICHANGED:
        FErrorIcon = LoadSmallIcon(IDI_OPT_ERROR, HIWORD(wParam));
        SendDlgItemMessageW(FHandle, IDC_EXCL_ERRORIMAGE, STM_SETICON, reinterpret_cast<WPARAM>(FErrorIcon.get()), 0);
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK TfrmExclusionVar::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* form = reinterpret_cast<TfrmExclusionVar*>(GetWindowLongPtrW(dialog, DWLP_USER));
    try {
        if (message == WM_INITDIALOG) {
            form = reinterpret_cast<TfrmExclusionVar*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            form->FHandle = dialog;
            form->FormCreate();
            return FALSE; // the focus is set
        }
        if (form)
            return form->OnMessage(message, wParam, lParam);
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
    } catch (...) {
        ReportUnhandledFailure();
    }
    return FALSE;
}

} // namespace varnook
