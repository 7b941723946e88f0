#include "app/FormFind.h"

#include "app/MainWindow.h"
#include "core/Translate.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include <windows.h>

#include <vector>

namespace varnook {

namespace {

struct FindState {
    std::u16string text;
};

std::u16string ControlText(HWND control)
{
    std::vector<wchar_t> buffer(GetWindowTextLengthW(control) + 1);
    const int n = GetWindowTextW(control, buffer.data(), static_cast<int>(buffer.size()));
    return platform::U16(buffer.data(), n);
}

void Translate(HWND window)
{
    SetWindowTextW(window, platform::W(gettext(ControlText(window))));
}

void CentreOnOwner(HWND dlg)
{
    HWND owner = GetWindow(dlg, GW_OWNER);
    RECT over, box;
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &over)) {
        MONITORINFO info{sizeof(info)};
        GetMonitorInfoW(MonitorFromWindow(dlg, MONITOR_DEFAULTTOPRIMARY), &info);
        over = info.rcWork;
    }
    GetWindowRect(dlg, &box);
    const int width = box.right - box.left, height = box.bottom - box.top;
    SetWindowPos(dlg, nullptr, over.left + ((over.right - over.left) - width) / 2,
                 over.top + ((over.bottom - over.top) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK FindProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<FindState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    // No failure may cross into the dialog manager; the dialog then counts as cancelled.
    try {
        switch (message) {
        case WM_INITDIALOG: {
            state = reinterpret_cast<FindState*>(lParam);
            SetWindowLongPtrW(dlg, DWLP_USER, lParam);
            for (HWND w : {dlg, GetDlgItem(dlg, IDC_FIND_LABEL), GetDlgItem(dlg, IDOK), GetDlgItem(dlg, IDCANCEL)})
                Translate(w);
            HWND edit = GetDlgItem(dlg, IDC_FIND_TEXT);
            SetWindowTextW(edit, platform::W(state->text));
            EnableWindow(GetDlgItem(dlg, IDOK), !state->text.empty());
            CentreOnOwner(dlg);
            SendMessageW(edit, EM_SETSEL, 0, -1);
            SendMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
            return FALSE; // the focus is set
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDC_FIND_TEXT:
                if (HIWORD(wParam) == EN_CHANGE)
                    EnableWindow(GetDlgItem(dlg, IDOK), GetWindowTextLengthW(GetDlgItem(dlg, IDC_FIND_TEXT)) > 0);
                return TRUE;
            case IDOK: {
                // Enter reaches here even while OK is greyed; an empty text is no search.
                std::u16string text = ControlText(GetDlgItem(dlg, IDC_FIND_TEXT));
                if (text.empty())
                    return TRUE;
                state->text = std::move(text);
                EndDialog(dlg, IDOK);
                return TRUE;
            }
            case IDCANCEL:
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            break;
        case WM_CLOSE:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
    } catch (...) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

} // namespace

bool TfrmFind::createAndShowModal(std::u16string& text)
{
    FindState state{text};
    HWND owner = MainWindow() ? MainWindow()->Handle() : GetActiveWindow();
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FIND), owner, FindProc,
                                           reinterpret_cast<LPARAM>(&state));
    if (result != IDOK)
        return false;
    text = std::move(state.text);
    return true;
}

} // namespace varnook
