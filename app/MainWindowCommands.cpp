// The main window's commands: menus, toolbar, context menus and keys, all built from the one
// action table, and what each action does.
#include "app/FormAbout.h"
#include "app/FormOptions.h"
#include "app/FormYesNo.h"
#include "app/InfoPanel.h"
#include "app/MainWindow.h"
#include "app/Skins.h"
#include "app/TreeView.h"
#include "core/Tools.h"
#include "core/Translate.h"
#include "platform/Clipboard.h"
#include "platform/win32/WinString.h"

#include <shellapi.h>

namespace varnook {

namespace {

constexpr wchar_t kDonationPath[] = L"/en/donation";

// Menu text: the caption (or the menu item's own wording), a tab and the main key.
std::wstring KeyName(const TShortcut& key)
{
    // The key names read as Windows writes them in the interface language.
    std::u16string text;
    if (key.ctrl)
        text += gettext(u"Ctrl+");
    if (key.shift)
        text += gettext(u"Shift+");
    if (key.alt)
        text += gettext(u"Alt+");
    switch (key.key) {
    case vk::kInsert: text += gettext(u"Ins"); break;
    case vk::kDelete: text += gettext(u"Del"); break;
    case vk::kUp: text += gettext(u"Up"); break;
    case vk::kDown: text += gettext(u"Down"); break;
    default:
        if (key.key >= vk::kF1 && key.key < vk::kF1 + 12)
            text += u"F" + FromUtf8(std::to_string(key.key - vk::kF1 + 1));
        else
            text += static_cast<char16_t>(key.key);
    }
    return platform::W(text);
}

std::wstring MenuText(const TAction& action)
{
    std::wstring text = platform::W(gettext(action.menuCaption.empty() ? action.caption : action.menuCaption));
    if (action.keys[0].key)
        text += L"\t" + KeyName(action.keys[0]);
    return text;
}

// Actions whose effect this window carries out today. The others are listed in their menus with
// their rules but stay unavailable until the operation or dialog they run exists.
bool IsWired(TActionId id)
{
    using A = TActionId;
    switch (id) {
    case A::actFileSave:
    case A::actFileBackup:
    case A::actFileRestartAsAdmin:
    case A::actFileExit:
    case A::actEditUndo:
    case A::actEditRedo:
    case A::actEditCopy:
    case A::actEditPaste:
    case A::actEditFind:
    case A::actEditFindNext:
    case A::actEditRefresh:
    case A::actEditDelete:
    case A::actEditAddVariable:
    case A::actEditAddValue:
    case A::actEditEditAsText:
    case A::actEditEditAsPath:
    case A::actEditEditAsFile:
    case A::actEditChangeType:
    case A::actEditCleanup:
    case A::actEditMoveUp:
    case A::actEditMoveDown:
    case A::actEditOpenFolder:
    case A::actEditLong2Short:
    case A::actEditShort2Long:
    case A::actEditInline:
    case A::actViewShowInformation:
    case A::actViewShowReadOnly:
    case A::actViewShowMain:
    case A::actViewShowInterface:
    case A::actViewShowUser:
    case A::actHelpDonate:
    case A::actFileOptions:
    case A::actHelpAbout:
    case A::actHelpCheckUpdates:
        return true;
    default:
        return false;
    }
}

UINT CommandOf(TActionId id)
{
    return TfrmMain::kCommandBase + static_cast<UINT>(id);
}

HMENU BuildMenu(std::span<const TActionId> items)
{
    HMENU menu = CreatePopupMenu();
    for (TActionId id : items) {
        if (id == kSeparator) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const TAction& action = Action(id);
        if (id == TActionId::actHelpDonate) {
            // Drawn by the window, in italics.
            AppendMenuW(menu, MF_OWNERDRAW, CommandOf(id), reinterpret_cast<LPCWSTR>(&action));
            continue;
        }
        AppendMenuW(menu, MF_STRING, CommandOf(id), MenuText(action).c_str());
    }
    return menu;
}

} // namespace

void TfrmMain::CreateMenus()
{
    menuBar_ = CreateMenu();
    HMENU view = BuildMenu(ViewMenu());
    AppendMenuW(view, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(ToolbarsMenu())),
                platform::W(gettext(u"Toolbars")));
    const std::pair<const char16_t*, HMENU> menus[] = {{N_(u"&File"), BuildMenu(FileMenu())},
                                                       {N_(u"&Edit"), BuildMenu(EditMenu())},
                                                       {N_(u"&View"), view},
                                                       {N_(u"&Help"), BuildMenu(HelpMenu())}};
    for (const auto& [title, menu] : menus)
        AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), platform::W(gettext(title)));
    SetMenu(Handle(), menuBar_);
    treeMenu_ = BuildMenu(TreeContextMenu());
}

void TfrmMain::CreateAccelerators()
{
    std::vector<ACCEL> table;
    for (const TAction& action : Actions()) {
        for (const TShortcut& key : action.keys) {
            if (!key.key)
                continue;
            ACCEL a{};
            a.fVirt = FVIRTKEY | (key.ctrl ? FCONTROL : 0) | (key.shift ? FSHIFT : 0) | (key.alt ? FALT : 0);
            a.key = key.key;
            a.cmd = static_cast<WORD>(CommandOf(action.id));
            table.push_back(a);
        }
    }
    accelerators_ = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

TActionFacts TfrmMain::GatherFacts() const
{
    TActionFacts f;
    f.isModified = IsModified();
    f.canWriteSystemScope = canWriteSystem_;
    f.isUndoable = undoStack_.IsUndoable();
    f.isRedoable = undoStack_.IsRedoable();
    f.searchStringEmpty = searchString.empty();
    f.mainToolbarVisible = ToolbarVisible(0);
    f.interfaceToolbarVisible = ToolbarVisible(1);
    f.userToolbarVisible = ToolbarVisible(2);
    f.clipboardHasText = platform::Clipboard().HasText();
    f.clipboardHasVariables = platform::Clipboard().HasVariable();
    if (!activeTree_)
        return f;
    const TTreeView* view = activeTree_ == sysTree_.get() ? sysView_.get() : userView_.get();
    f.activeTreeExists = true;
    f.treeHasFocus = GetFocus() == view->Control();
    f.treeIsEditing = view->IsEditing();
    f.treeEditable = !view->ReadOnlyLook();
    const TNode* node = activeTree_->FocusedNode();
    if (!node)
        return f;
    const TNode* variable = TETree::GetVariableNode(const_cast<TNode*>(node));
    f.hasFocusedNode = true;
    f.focusedIsVariable = node == variable;
    f.variableReadOnly = TETree::GetVariableReadOnly(variable);
    f.variableSplit = activeTree_->IsVariableSplit(variable);
    f.variableHasElements = variable->ChildCount() > 0;
    if (!f.focusedIsVariable) {
        f.elementIsFirst = !node->PrevSibling();
        f.elementIsLast = !node->NextSibling();
        f.elementValid = TETree::IsValid(node);
        f.elementIsPath = IsLocalPath(activeTree_->GetElementEx(node));
    }
    return f;
}

bool TfrmMain::IsActionEnabled(TActionId id) const
{
    return IsWired(id) && varnook::IsActionEnabled(id, GatherFacts());
}

bool TfrmMain::IsActionChecked(TActionId id) const
{
    switch (id) {
    case TActionId::actViewShowInformation: return options_->showInformation;
    case TActionId::actViewShowReadOnly: return options_->showReadonly;
    default: return IsToolbarActionChecked(id, GatherFacts());
    }
}

void TfrmMain::UpdateActions()
{
    if (!created_)
        return;
    const TActionFacts facts = GatherFacts();
    // The undo rule also refreshes the status bar.
    UpdateStatusBar();
    for (TActionId id : MainToolbar()) {
        if (id == kSeparator)
            continue;
        const UINT command = CommandOf(id);
        const bool enabled = IsWired(id) && varnook::IsActionEnabled(id, facts);
        if (static_cast<bool>(SendMessageW(tbMain_, TB_ISBUTTONENABLED, command, 0)) != enabled)
            SendMessageW(tbMain_, TB_ENABLEBUTTON, command, enabled);
        if (Action(id).autoCheck) {
            const bool checked = IsActionChecked(id);
            if (static_cast<bool>(SendMessageW(tbMain_, TB_ISBUTTONCHECKED, command, 0)) != checked)
                SendMessageW(tbMain_, TB_CHECKBUTTON, command, checked);
        }
    }
}

void TfrmMain::OnInitMenuPopup(HMENU menu)
{
    const TActionFacts facts = GatherFacts();
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT command = GetMenuItemID(menu, i);
        if (command < kCommandBase || command >= kCommandBase + static_cast<UINT>(TActionId::Count))
            continue;
        const auto id = static_cast<TActionId>(command - kCommandBase);
        const bool enabled = IsWired(id) && varnook::IsActionEnabled(id, facts);
        EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        const bool checkable = Action(id).autoCheck || id == TActionId::actViewShowMain ||
                               id == TActionId::actViewShowInterface || id == TActionId::actViewShowUser;
        if (checkable)
            CheckMenuItem(menu, command, MF_BYCOMMAND | (IsActionChecked(id) ? MF_CHECKED : MF_UNCHECKED));
    }
}

void TfrmMain::OnMeasureMenuItem(MEASUREITEMSTRUCT* item)
{
    const auto* action = reinterpret_cast<const TAction*>(item->itemData);
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, italicMenuFont_.get());
    const std::wstring text = MenuText(*action);
    RECT rc{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &rc, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    item->itemWidth = rc.right + ScaleForDpi(24, dpi_);
    item->itemHeight = std::max<UINT>(rc.bottom + ScaleForDpi(6, dpi_), GetSystemMetrics(SM_CYMENUSIZE));
}

void TfrmMain::OnDrawMenuItem(DRAWITEMSTRUCT* item)
{
    const auto* action = reinterpret_cast<const TAction*>(item->itemData);
    const bool selected = item->itemState & ODS_SELECTED;
    const bool grayed = item->itemState & (ODS_GRAYED | ODS_DISABLED);
    SetDCBrushColor(item->hDC, SkinMenuColor(selected));
    FillRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetBkMode(item->hDC, TRANSPARENT);
    SetTextColor(item->hDC, SkinMenuTextColor(selected, grayed));
    HGDIOBJ old = SelectObject(item->hDC, italicMenuFont_.get());
    RECT rc = item->rcItem;
    // Where the menu puts the text of its own items: after the room for a check mark.
    rc.left += GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi_) + ScaleForDpi(3, dpi_);
    const std::wstring text = MenuText(*action);
    DrawTextW(item->hDC, text.c_str(), -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS |
                                                    ((item->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0));
    SelectObject(item->hDC, old);
}

void TfrmMain::ShowTreeContextMenu(HWND tree, POINT screen)
{
    OnInitMenuPopup(treeMenu_);
    TrackPopupMenu(treeMenu_, TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
}

void TfrmMain::ShowToolbarsMenu(POINT screen)
{
    HMENU menu = BuildMenu(ToolbarsMenu());
    OnInitMenuPopup(menu);
    if (screen.x == -1 && screen.y == -1)
        GetCursorPos(&screen);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
    DestroyMenu(menu);
}

bool TfrmMain::ExecuteAction(TActionId id)
{
    if (!created_ || !IsActionEnabled(id))
        return false;
    // No command runs under an open editor: it ends first, its text accepted, and the command
    // then runs only if it still may.
    // Paste is the exception: with the editor focused, the clipboard's text goes into it.
    HWND focus = GetFocus();
    const bool pasteIntoEditor = id == TActionId::actEditPaste && focus &&
                                 (sysView_->EditorControl() == focus || userView_->EditorControl() == focus);
    if (!pasteIntoEditor && (sysView_->IsEditing() || userView_->IsEditing())) {
        FinishEditing();
        if (!IsActionEnabled(id))
            return false;
    }
    RunActionEffect(id);
    UpdateActions();
    return true;
}

void TfrmMain::RunActionEffect(TActionId id)
{
    using A = TActionId;
    switch (id) {
    case A::actFileSave:
        Save();
        break;
    case A::actFileBackup:
        Backup();
        break;
    case A::actFileRestartAsAdmin:
        RestartAsAdmin();
        break;
    case A::actFileExit:
        Close();
        break;
    case A::actEditUndo:
        // An open edit ends first: its text is accepted, then taken back with the rest.
        FinishEditing();
        undoStack_.Undo();
        break;
    case A::actEditRedo:
        FinishEditing();
        undoStack_.Redo();
        undoStack_.Redo();
        break;
    case A::actEditCopy:
        CopyToClipboard();
        break;
    case A::actEditPaste:
        PasteFromClipboard();
        break;
    case A::actEditFind:
        Find();
        break;
    case A::actEditFindNext:
        FindInActiveTree(false);
        break;
    case A::actEditRefresh:
        RefreshFromStore();
        break;
    case A::actViewShowInformation:
        ToggleInformation();
        break;
    case A::actViewShowReadOnly:
        ToggleReadOnlyVariables();
        break;
    case A::actViewShowMain:
        SetToolbarVisible(0, !ToolbarVisible(0));
        break;
    case A::actViewShowInterface:
        SetToolbarVisible(1, !ToolbarVisible(1));
        break;
    case A::actViewShowUser:
        SetToolbarVisible(2, !ToolbarVisible(2));
        break;
    case A::actHelpDonate:
        OpenDonationPage();
        break;
    case A::actFileOptions:
        TfrmOptions::createAndShowModal(*options_);
        ApplyAnimationOption();
        break;
    case A::actHelpAbout:
        TfrmAbout::createAndShowModal();
        break;
    case A::actHelpCheckUpdates:
        isAutoUpdate = false;
        CheckForUpdates();
        break;
    default:
        // The other commands arrive with the dialogs they run.
        RunEditAction(id);
        break;
    }
}

void TfrmMain::ToggleInformation()
{
    options_->showInformation = !options_->showInformation;
    SetInformationVisible(options_->showInformation);
}

void TfrmMain::ToggleReadOnlyVariables()
{
    options_->showReadonly = !options_->showReadonly;
    sysTree_->ShowReadOnly(options_->showReadonly);
    userTree_->ShowReadOnly(options_->showReadonly);
}

void TfrmMain::RefreshFromStore()
{
    FinishEditing();
    if (IsModified() &&
        TfrmYesNo::createAndShowModal(gettext(u"All changes will be lost after refreshing\r\nAre you sure?")) == mrNo)
        return;
    ReloadFromStore();
}

void TfrmMain::OpenDonationPage()
{
    const std::wstring address = std::wstring(L"" VARNOOK_PRODUCT_SITE) + kDonationPath;
    ShellExecuteW(Handle(), L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool TfrmMain::OnNotify(NMHDR* header, LRESULT& result)
{
    // The main toolbar made its hint window (on Windows as it is made, under Wine when first
    // needed): the window's other tools join it, in the current look.
    if (header->code == NM_TOOLTIPSCREATED && rebar_ && GetParent(header->hwndFrom) == rebar_) {
        const HWND tooltip = reinterpret_cast<NMTOOLTIPSCREATED*>(header)->hwndToolTips;
        ShareTooltip(Handle(), tooltip);
        SkinNewHint(tooltip);
        result = 0;
        return true;
    }
    if (header->hwndFrom == rebar_) {
        if (header->code == RBN_HEIGHTCHANGE) {
            LayoutChildren();
            result = 0;
            return true;
        }
        if (header->code == NM_RCLICK) {
            ShowToolbarsMenu({-1, -1});
            result = 1;
            return true;
        }
        if (header->code == RBN_ENDDRAG) {
            RememberToolbarRows();
            result = 0;
            return true;
        }
        if (header->code == RBN_CHEVRONPUSHED) {
            ShowChevronMenu(*reinterpret_cast<NMREBARCHEVRON*>(header));
            result = 0;
            return true;
        }
    }
    if (header->hwndFrom == tbMain_ && header->code == NM_CUSTOMDRAW) {
        // The "Donate" button looks like the link it is: bold, underlined, blue.
        auto* draw = reinterpret_cast<NMTBCUSTOMDRAW*>(header);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
            return true;
        }
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
            draw->nmcd.dwItemSpec == CommandOf(TActionId::actHelpDonate)) {
            // Drawn here in full: toolbars differ in how much of a custom colour they honour.
            HDC dc = draw->nmcd.hdc;
            HGDIOBJ old = SelectObject(dc, linkFont_.get());
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, SkinLinkColor());
            const std::u16string text = gettext(u"Donate");
            RECT rc = draw->nmcd.rc;
            DrawTextW(dc, platform::W(text), static_cast<int>(text.size()), &rc,
                      DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
            SelectObject(dc, old);
            result = CDRF_SKIPDEFAULT;
            return true;
        }
        result = CDRF_DODEFAULT;
        return true;
    }
    if (header->code == TTN_GETDISPINFOW) {
        // Toolbar tooltips carry the hint, or the caption where there is none.
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        const UINT command = static_cast<UINT>(header->idFrom);
        if (command >= kCommandBase && command < kCommandBase + static_cast<UINT>(TActionId::Count)) {
            static std::u16string tip;
            tip = gettext(ActionTooltip(Action(static_cast<TActionId>(command - kCommandBase))));
            info->lpszText = const_cast<wchar_t*>(platform::W(tip));
            result = 0;
            return true;
        }
    }
    return false;
}

} // namespace varnook
