// The main window's edit actions: each hands its work to an operation of the active tree, after
// the questions and dialogs that belong to the action.
#include "app/FormAddVar.h"
#include "app/FormYesNo.h"
#include "app/MainWindow.h"
#include "app/TreeDragDrop.h"
#include "app/TreeView.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "edit/PathInsertion.h"
#include "platform/win32/ShellLauncher.h"
#include "platform/win32/WinString.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

namespace varnook {

namespace {

// The message with its two "%s" replaced in order; a "%s" inside the first argument stays.
std::u16string FormatMessage2(std::u16string_view message, std::u16string_view first, std::u16string_view second)
{
    std::u16string text(message);
    const size_t a = text.find(u"%s");
    if (a == std::u16string::npos)
        return text;
    text.replace(a, 2, first);
    const size_t b = text.find(u"%s", a + first.size());
    if (b != std::u16string::npos)
        text.replace(b, 2, second);
    return text;
}

} // namespace

TTreeView* TfrmMain::ActiveView() const
{
    if (!activeTree_)
        return nullptr;
    return activeTree_ == sysTree_.get() ? sysView_.get() : userView_.get();
}

void TfrmMain::FinishEditing()
{
    for (TTreeView* view : {sysView_.get(), userView_.get()})
        if (view && view->IsEditing())
            view->FinishEditing();
}

bool TfrmMain::RunEditAction(TActionId id)
{
    using A = TActionId;
    TETree* tree = activeTree_;
    if (!tree)
        return false;
    switch (id) {
    case A::actEditDelete: DeleteFocusedNode(); return true;
    case A::actEditAddVariable: AddVariable(); return true;
    case A::actEditAddValue: tree->UndoableAddEmptyElement(); return true;
    case A::actEditEditAsText: return tree->EditNode(tree->FocusedNode());
    case A::actEditEditAsPath: InsertPath(true); return true;
    case A::actEditEditAsFile: InsertPath(false); return true;
    case A::actEditChangeType: tree->UndoableChangeType(); return true;
    case A::actEditCleanup: tree->UndoableCleanupPaths(); return true;
    case A::actEditMoveUp: tree->UndoableMoveUp(); return true;
    case A::actEditMoveDown: tree->UndoableMoveDown(); return true;
    case A::actEditOpenFolder: OpenFolder(); return true;
    case A::actEditLong2Short: tree->UndoableLong2Short(); return true;
    case A::actEditShort2Long: tree->UndoableShort2Long(); return true;
    case A::actEditInline: tree->UndoableInline(); return true;
    default: return false;
    }
}

void TfrmMain::DeleteFocusedNode()
{
    TTreeView* view = ActiveView();
    // Del typed into the in-place editor deletes there: the selection, or the character after
    // the caret.
    if (HWND editor = view->EditorControl(); editor && GetFocus() == editor) {
        DWORD start = 0, end = 0;
        SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        if (start == end)
            SendMessageW(editor, EM_SETSEL, start, start + 1);
        SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
        return;
    }
    TETree* tree = activeTree_;
    TNode* node = tree->FocusedNode();
    if (!node)
        return;
    if (options_->onDeleteConfirmation) {
        const std::u16string question =
            TETree::IsVariable(node)
                ? FormatMessage1(gettext(u"Are you sure you want to delete variable '%s'?"), TETree::GetVariableName(node))
                : FormatMessage2(gettext(u"Are you sure you want to delete value '%s' from the variable '%s'?"),
                                 TETree::GetElement(node), TETree::GetVariableName(node->Parent()));
        if (TfrmYesNo::createAndShowModal(question) != mrYes)
            return;
        // The box ran a message loop: delete only what was asked about.
        if (tree != activeTree_ || tree->FocusedNode() != node)
            return;
    }
    tree->DeleteSelectedNodes();
}

void TfrmMain::AddVariable()
{
    FinishEditing();
    TETree* tree = activeTree_;
    if (!tree)
        return;
    TfrmAddVar::TInput input;
    TfrmAddVar::TOutput output;
    if (!TfrmAddVar::createAndShowModal(Handle(), *tree, input, output))
        return;
    SetFocus(ActiveView()->Control());
    tree->UndoableAddEmptyVariable(output.name, output.kind, false);
}

namespace {

bool PickDirectory(HWND owner, std::u16string& path)
{
    const std::u16string title = gettext(u"Select directory");
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = platform::W(title);
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    // The new dialog style needs COM on this thread; a failure leaves the older look.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
    bool picked = false;
    if (list) {
        std::vector<wchar_t> buffer(32768);
        picked = SHGetPathFromIDListEx(list, buffer.data(), static_cast<DWORD>(buffer.size()), GPFIDL_DEFAULT);
        if (picked)
            path = platform::U16(buffer.data());
        CoTaskMemFree(list);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return picked && !path.empty();
}

bool PickFile(HWND owner, std::u16string& path)
{
    std::vector<wchar_t> buffer(32768);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&ofn))
        return false;
    path = platform::U16(buffer.data());
    return !path.empty();
}

} // namespace

void TfrmMain::InsertPath(bool directory)
{
    TETree* tree = activeTree_;
    TTreeView* view = ActiveView();
    std::u16string path;
    if (!(directory ? PickDirectory(Handle(), path) : PickFile(Handle(), path)))
        return;
    // The dialog ran its own message loop; the element asked for must still be the one focused.
    if (tree != activeTree_ || !tree->FocusedNode() || TETree::IsVariable(tree->FocusedNode()))
        return;
    SetFocus(view->Control());
    tree->SetElement(ElementTextForPath(path, tree->IsVariableSplit(tree->FocusedNode())));
}

bool TfrmMain::KeyBelongsToEditor(const MSG& msg) const
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return false;
    const bool inEditor = (sysView_ && msg.hwnd == sysView_->EditorControl() && msg.hwnd) ||
                          (userView_ && msg.hwnd == userView_->EditorControl() && msg.hwnd);
    if (!inEditor)
        return false;
    const TShortcut pressed{static_cast<uint16_t>(msg.wParam), (GetKeyState(VK_CONTROL) & 0x8000) != 0,
                            (GetKeyState(VK_SHIFT) & 0x8000) != 0, (GetKeyState(VK_MENU) & 0x8000) != 0};
    for (const TAction& action : Actions())
        for (const TShortcut& key : action.keys)
            if (key.key && key == pressed)
                return !IsActionEnabled(action.id);
    return false;
}

void TfrmMain::BeginNodeDrag(TTreeView& view, TNode* node)
{
    if (dragDrop_)
        dragDrop_->BeginDrag(view, node);
}

void TfrmMain::OpenFolder()
{
    const TNode* node = activeTree_->FocusedNode();
    if (!node || TETree::IsVariable(node))
        return;
    const std::u16string parameters = ExplorerParameters(activeTree_->GetElementEx(node));
    platform::ShellLauncher().Open(Handle(), platform::WindowsProgramPath(L"explorer.exe"),
                                   std::wstring(platform::W(parameters)));
}

} // namespace varnook
