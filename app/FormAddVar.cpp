#include "app/FormAddVar.h"

#include "app/Window.h"
#include "core/ETree.h"
#include "core/Translate.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include <commctrl.h>

#include <vector>

namespace varnook {

namespace {

constexpr COLORREF kErrorColor = RGB(255, 0, 0);

struct TState {
    const TETree* tree = nullptr;
    const TfrmAddVar::TInput* input = nullptr;
    TfrmAddVar::TOutput* output = nullptr;
    HWND tooltip = nullptr;
    std::u16string hints[2]; // the tooltip keeps pointers to its texts
};

std::u16string ItemText(HWND dlg, int id)
{
    HWND item = GetDlgItem(dlg, id);
    std::vector<wchar_t> buffer(GetWindowTextLengthW(item) + 1);
    const int n = GetWindowTextW(item, buffer.data(), static_cast<int>(buffer.size()));
    return platform::U16(buffer.data(), n);
}

void Translate(HWND dlg)
{
    SetWindowTextW(dlg, platform::W(gettext(u"New variable")));
    const std::pair<int, const char16_t*> texts[] = {
        {IDC_ADDVAR_LABEL, u"&Variable name:"}, {IDC_ADDVAR_GROUP, u" Variable type: "},
        {IDC_ADDVAR_STRING, u"&String"},         {IDC_ADDVAR_EXPSTRING, u"&Expandable string"},
        {IDOK, u"OK"},                           {IDCANCEL, u"Cancel"}};
    for (const auto& [id, text] : texts)
        SetDlgItemTextW(dlg, id, platform::W(gettext(text)));
}

void AddHint(TState& state, HWND dlg, int id, int slot, std::u16string_view text)
{
    state.hints[slot] = gettext(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dlg;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dlg, id));
    tool.lpszText = const_cast<wchar_t*>(platform::W(state.hints[slot]));
    SendMessageW(state.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CenterOver(HWND dlg, HWND owner)
{
    RECT box{}, over{};
    GetWindowRect(dlg, &box);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner ? owner : dlg, MONITOR_DEFAULTTOPRIMARY), &monitor);
    over = monitor.rcWork;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &over);
    const int width = box.right - box.left, height = box.bottom - box.top;
    int left = over.left + ((over.right - over.left) - width) / 2;
    int top = over.top + ((over.bottom - over.top) - height) / 2;
    left = std::max<int>(monitor.rcWork.left, std::min<int>(left, monitor.rcWork.right - width));
    top = std::max<int>(monitor.rcWork.top, std::min<int>(top, monitor.rcWork.bottom - height));
    SetWindowPos(dlg, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The error line and the OK button follow the name as it is typed.
void Check(HWND dlg, const TState& state)
{
    const std::u16string error = TfrmAddVar::NameError(ItemText(dlg, IDC_ADDVAR_NAME), *state.tree);
    SetDlgItemTextW(dlg, IDC_ADDVAR_ERROR, platform::W(error));
    EnableWindow(GetDlgItem(dlg, IDOK), error.empty());
}

void Init(HWND dlg, TState& state)
{
    Translate(dlg);
    state.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dlg, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    // Lines of a hint break at its CR LF only once the tip has a width to wrap in.
    SendMessageW(state.tooltip, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(400, WindowDpi(dlg)));
    AddHint(state, dlg, IDC_ADDVAR_STRING, 0, N_(u"A text string"));
    AddHint(state, dlg, IDC_ADDVAR_EXPSTRING, 1,
            N_(u"An expandable string registry value\r\nis a string that contains unexpanded\r\nreferences to "
               u"environment variables\r\n(for example, '%PATH%')"));
    SetDlgItemTextW(dlg, IDC_ADDVAR_NAME, platform::W(state.input->name));
    CheckRadioButton(dlg, IDC_ADDVAR_STRING, IDC_ADDVAR_EXPSTRING,
                     state.input->kind == rdExpandString ? IDC_ADDVAR_EXPSTRING : IDC_ADDVAR_STRING);
    SetDlgItemTextW(dlg, IDC_ADDVAR_ERROR, L"");
    EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
    CenterOver(dlg, GetWindow(dlg, GW_OWNER));
    SendMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, IDC_ADDVAR_NAME)), TRUE);
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<TState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    try {
        switch (message) {
        case WM_INITDIALOG:
            state = reinterpret_cast<TState*>(lParam);
            SetWindowLongPtrW(dlg, DWLP_USER, lParam);
            Init(dlg, *state);
            return FALSE; // the focus is set
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDC_ADDVAR_NAME:
                if (HIWORD(wParam) == EN_CHANGE)
                    Check(dlg, *state);
                return TRUE;
            case IDOK:
                // Enter presses the default button even while it is greyed: check again.
                if (!TfrmAddVar::NameError(ItemText(dlg, IDC_ADDVAR_NAME), *state->tree).empty())
                    return TRUE;
                state->output->name = ItemText(dlg, IDC_ADDVAR_NAME);
                state->output->kind =
                    IsDlgButtonChecked(dlg, IDC_ADDVAR_STRING) == BST_CHECKED ? rdString : rdExpandString;
                EndDialog(dlg, IDOK);
                return TRUE;
            case IDCANCEL:
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dlg, IDC_ADDVAR_ERROR)) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, kErrorColor);
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        case WM_DESTROY:
            if (state && state->tooltip)
                DestroyWindow(state->tooltip);
            break;
        }
    } catch (const std::exception& failure) {
        ReportUnhandledFailure(failure);
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

} // namespace

bool TfrmAddVar::createAndShowModal(HWND owner, const TETree& tree, const TInput& input, TOutput& output)
{
    TState state;
    state.tree = &tree;
    state.input = &input;
    state.output = &output;
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ADDVAR), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(&state));
    return result == IDOK;
}

} // namespace varnook
