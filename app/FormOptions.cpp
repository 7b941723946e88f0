#include "app/FormOptions.h"

#include "app/DialogSupport.h"
#include "app/FormExclusionVar.h"
#include "app/FormOK.h"
#include "app/Options.h"
#include "app/OptionsDialogModel.h"
#include "app/Window.h"
#include "core/Translate.h"
#include "platform/win32/WinString.h"
#include "res/resource.h"

#include <algorithm>

namespace varnook {

namespace {

// Column widths at 96 DPI.
constexpr int kNameWidth = 181;
constexpr int kFlagWidth = 100;
constexpr int kMinNameWidth = 120;
constexpr int kTitlePadding = 16; // the header's margins either side of a title
constexpr int kTagImage = 0;
constexpr int kCheckImage = 1;

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

} // namespace

TfrmOptions::TfrmOptions(TOptions& o) : options(o), exclusion(std::make_unique<TExclusions>()) {}

TfrmOptions::~TfrmOptions()
{
    if (FImages)
        ImageList_Destroy(FImages);
}

bool TfrmOptions::createAndShowModal(TOptions& options)
{
    TfrmOptions form(options);
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_OPTIONS), GetActiveWindow(),
                                           DialogProc, reinterpret_cast<LPARAM>(&form));
    return result == IDOK;
}

void TfrmOptions::FormCreate()
{
    TranslateDialogTexts(FHandle);
    const TOptionsChoices choices = ReadOptionsChoices(options);
    CheckDlgButton(FHandle, IDC_OPT_ONDELETE, choices.onDeleteConfirmation ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(FHandle, IDC_OPT_ONEXIT, choices.onExitConfirmation ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(FHandle, IDC_OPT_CHECKUPDATES, choices.checkForUpdates ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(FHandle, IDC_OPT_ANIMATION, choices.isAnimation ? BST_CHECKED : BST_UNCHECKED);
    exclusion->AddAll(options.GetExclusions());

    FList = GetDlgItem(FHandle, IDC_OPT_LIST);
    ListView_SetExtendedListViewStyle(FList, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    const char16_t* titles[] = {N_(u"Variable name"), N_(u"Do not split"), N_(u"Do not validate")};
    for (int i = 0; i < 3; ++i) {
        const std::u16string title = gettext(titles[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_CENTER;
        column.cx = i == 0 ? kNameWidth : kFlagWidth;
        column.pszText = const_cast<wchar_t*>(platform::W(title));
        ListView_InsertColumn(FList, i, &column);
    }
    ApplyDpi(WindowDpi(FHandle));
    FillList({});
    UpdateButtons();
    CentreOverMainWindow(FHandle);
}

void TfrmOptions::ApplyDpi(UINT dpi)
{
    // A translated flag title wider than its column widens it, and the name column gives way as far
    // as it can: a cut title hides what the column means.
    int giveWay = 0;
    for (int i = 1; i <= 2; ++i) {
        wchar_t title[128]{};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = title;
        column.cchTextMax = 128;
        ListView_GetColumn(FList, i, &column);
        const int width = std::max(ScaleForDpi(kFlagWidth, dpi),
                                   ListView_GetStringWidth(FList, title) + ScaleForDpi(kTitlePadding, dpi));
        giveWay += width - ScaleForDpi(kFlagWidth, dpi);
        ListView_SetColumnWidth(FList, i, width);
    }
    ListView_SetColumnWidth(FList, 0, std::max(ScaleForDpi(kMinNameWidth, dpi), ScaleForDpi(kNameWidth, dpi) - giveWay));
    const int size = ScaleForDpi(16, dpi);
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 2, 0);
    for (int id : {IDI_TREE_STRING, IDI_OPT_CHECK}) {
        platform::unique_hicon icon = LoadSmallIcon(id, dpi);
        ImageList_AddIcon(images, icon.get());
    }
    ListView_SetImageList(FList, images, LVSIL_SMALL);
    if (FImages)
        ImageList_Destroy(FImages);
    FImages = images;
}

void TfrmOptions::FillList(const std::u16string& select)
{
    SendMessageW(FList, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(FList);
    int selectRow = -1;
    for (int i = 0; i < exclusion->Count(); ++i) {
        const std::u16string& name = exclusion->GetKey(i);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.iImage = kTagImage;
        item.pszText = const_cast<wchar_t*>(platform::W(name));
        ListView_InsertItem(FList, &item);
        if (!select.empty() && TExclusionsComparer::Equals(name, select))
            selectRow = i;
    }
    SendMessageW(FList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FList, nullptr, TRUE);
    if (selectRow >= 0)
        FocusRow(selectRow);
}

int TfrmOptions::FocusedRow() const
{
    return ListView_GetNextItem(FList, -1, LVNI_FOCUSED);
}

void TfrmOptions::FocusRow(int row)
{
    ListView_SetItemState(FList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row < 0)
        return;
    ListView_SetItemState(FList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(FList, row, FALSE);
}

void TfrmOptions::UpdateButtons()
{
    const bool focused = FocusedRow() >= 0;
    for (int id : {IDC_OPT_DELETE, IDC_OPT_EDIT}) {
        HWND button = GetDlgItem(FHandle, id);
        if (!focused && GetFocus() == button)
            SendMessageW(FHandle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(FList), TRUE);
        EnableWindow(button, focused);
    }
}

void TfrmOptions::AddEntry()
{
    std::u16string name;
    if (TfrmExclusionVar::createAndShowModal(*exclusion, u"", &name))
        FillList(name);
    UpdateButtons();
}

void TfrmOptions::EditEntry()
{
    const int row = FocusedRow();
    if (row < 0 || row >= exclusion->Count())
        return;
    const std::u16string current = exclusion->GetKey(row);
    std::u16string name;
    FillList(TfrmExclusionVar::createAndShowModal(*exclusion, current, &name) ? name : current);
    UpdateButtons();
}

void TfrmOptions::DeleteEntry()
{
    const int row = FocusedRow();
    if (row < 0 || row >= exclusion->Count())
        return;
    exclusion->Remove(exclusion->GetKey(row));
    ListView_DeleteItem(FList, row);
    const int count = ListView_GetItemCount(FList);
    FocusRow(row < count ? row : count - 1);
    SendMessageW(FHandle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(FList), TRUE);
    UpdateButtons();
}

void TfrmOptions::Confirm()
{
    TOptionsChoices choices;
    choices.onDeleteConfirmation = Checked(FHandle, IDC_OPT_ONDELETE);
    choices.onExitConfirmation = Checked(FHandle, IDC_OPT_ONEXIT);
    choices.checkForUpdates = Checked(FHandle, IDC_OPT_CHECKUPDATES);
    choices.isAnimation = Checked(FHandle, IDC_OPT_ANIMATION);
    const std::u16string failure = ApplyOptionsChoices(options, choices, *exclusion);
    // The choices are in effect; only the store is behind. The save at closing tries again.
    if (!failure.empty())
        TfrmOK::createAndShowModal(gettext(u"Error saving configuration:") + u"\r\n" + failure, mtError);
    if (const std::u16string notice = options.TakeNotice(); !notice.empty())
        TfrmOK::createAndShowModal(notice, mtInformation);
}

bool TfrmOptions::OnListNotify(NMHDR* header, LRESULT& result)
{
    switch (header->code) {
    case LVN_ITEMCHANGED:
        UpdateButtons();
        return true;
    case NM_DBLCLK:
        if (reinterpret_cast<NMITEMACTIVATE*>(header)->iItem >= 0)
            EditEntry();
        return true;
    case LVN_KEYDOWN: {
        // The list's own keys: Ins adds, F2 edits, Del deletes.
        const WORD key = reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey;
        if (key == VK_INSERT)
            AddEntry();
        else if (key == VK_F2)
            EditEntry();
        else if (key == VK_DELETE)
            DeleteEntry();
        return true;
    }
    case NM_CUSTOMDRAW: {
        // The check marks stand in the middle of their columns, which a list draws only for text.
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
        switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            result = CDRF_NOTIFYITEMDRAW;
            return true;
        case CDDS_ITEMPREPAINT:
            result = CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT;
            return true;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            result = CDRF_DODEFAULT;
            return true;
        case CDDS_ITEMPOSTPAINT: {
            const int row = static_cast<int>(draw->nmcd.dwItemSpec);
            if (row < 0 || row >= exclusion->Count())
                return true;
            const TExclusion& entry = exclusion->GetValue(row);
            int cx = 0, cy = 0;
            ImageList_GetIconSize(FImages, &cx, &cy);
            for (int column : {1, 2}) {
                const bool set = column == 1 ? !entry.isSplit() : !entry.isCheck();
                if (!set)
                    continue;
                RECT cell{};
                ListView_GetSubItemRect(FList, row, column, LVIR_BOUNDS, &cell);
                ImageList_Draw(FImages, kCheckImage, draw->nmcd.hdc, (cell.left + cell.right - cx) / 2,
                               (cell.top + cell.bottom - cy) / 2, ILD_TRANSPARENT);
            }
            result = CDRF_DODEFAULT;
            return true;
        }
        }
        result = CDRF_DODEFAULT;
        return true;
    }
    }
    return false;
}

INT_PTR TfrmOptions::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_OPT_ADD: AddEntry(); return TRUE;
        case IDC_OPT_EDIT: EditEntry(); return TRUE;
        case IDC_OPT_DELETE: DeleteEntry(); return TRUE;
        case IDOK:
            Confirm();
            EndDialog(FHandle, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(FHandle, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        if (header->hwndFrom == FList && OnListNotify(header, result)) {
            SetWindowLongPtrW(FHandle, DWLP_MSGRESULT, result);
            return TRUE;
        }
        break;
    }
    case WM_DPICHANGED:
        ApplyDpi(HIWORD(wParam));
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK TfrmOptions::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* form = reinterpret_cast<TfrmOptions*>(GetWindowLongPtrW(dialog, DWLP_USER));
    try {
        if (message == WM_INITDIALOG) {
            form = reinterpret_cast<TfrmOptions*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            form->FHandle = dialog;
            form->FormCreate();
            return TRUE; // the first check box takes the focus
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
