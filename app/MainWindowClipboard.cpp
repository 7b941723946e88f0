// The main window's copy, paste, find and find next.
#include "app/FormFind.h"
#include "app/FormOK.h"
#include "app/FormYesNo.h"
#include "app/MainWindow.h"
#include "app/TreeView.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "edit/ClipboardRecord.h"
#include "platform/Clipboard.h"

namespace varnook {

namespace {

// A clipboard that stays busy or a block that cannot be had is said, never passed over: the
// user would otherwise paste whatever the clipboard held before.
void ReportClipboardFailure(platform::TClipboardStatus status)
{
    switch (status) {
    case platform::TClipboardStatus::Done:
        return;
    case platform::TClipboardStatus::Busy:
        TfrmOK::createAndShowModal(gettext(u"The clipboard is in use by another program.\r\nPlease try again."),
                                   mtWarning);
        return;
    case platform::TClipboardStatus::NoMemory:
        TfrmOK::createAndShowModal(gettext(u"There is not enough memory for the clipboard."), mtError);
        return;
    }
}

} // namespace

HWND TfrmMain::InPlaceEditor() const
{
    HWND focus = GetFocus();
    for (const TTreeView* view : {sysView_.get(), userView_.get()})
        if (focus && view && view->EditorControl() == focus)
            return focus;
    return nullptr;
}

void TfrmMain::CopyToClipboard()
{
    TTreeView* view = ActiveView();
    const TNode* node = activeTree_ ? activeTree_->FocusedNode() : nullptr;
    if (!view || !node)
        return;
    std::optional<TBytes> record;
    if (TETree::IsVariable(node))
        record = WriteVariableRecord(
            {TETree::GetVariableName(node), TETree::GetVariableValue(node), TETree::GetVariableType(node)});
    ReportClipboardFailure(
        platform::Clipboard().Put(view->Control(), activeTree_->GetNodeAsText(node), record ? &*record : nullptr));
}

void TfrmMain::PasteFromClipboard()
{
    if (HWND editor = InPlaceEditor()) {
        SendMessageW(editor, WM_PASTE, 0, 0);
        return;
    }
    TETree* tree = activeTree_;
    if (!tree)
        return;
    platform::TClipboardContent content;
    if (const auto status = platform::Clipboard().Get(Handle(), content); status != platform::TClipboardStatus::Done) {
        ReportClipboardFailure(status);
        return;
    }
    // A record that does not read back whole (damaged, or written by something else under the
    // same name) is passed over for the text that came with it.
    if (content.record) {
        if (auto record = ReadVariableRecord(content.record->data(), content.record->size())) {
            PasteVariable(*tree, *record);
            return;
        }
    }
    const TActionFacts facts = GatherFacts();
    if (!IsVariableWritable(facts) || !IsVariableSplit(facts)) {
        // The action was offered for a variable on the clipboard, which turned out not to be one.
        TfrmOK::createAndShowModal(
            gettext(u"The clipboard holds no variable, and its text cannot be added to the selected variable."),
            mtWarning);
        return;
    }
    tree->UndoableAddElement(content.text);
}

void TfrmMain::PasteVariable(TETree& tree, const TVariableRecord& record)
{
    if (TNode* existing = tree.FindVariable(record.name)) {
        // A special variable is never saved: replacing it would lose the paste without a word.
        if (TETree::GetVariableReadOnly(existing)) {
            TfrmOK::createAndShowModal(
                FormatMessage1(gettext(u"Variable '%s' is a special read-only variable and cannot be replaced"),
                               record.name),
                mtWarning);
            return;
        }
        if (TfrmYesNo::createAndShowModal(FormatMessage1(
                gettext(u"Variable '%s' already exists\r\nDo you want to overwrite it?"), record.name)) != mrYes)
            return;
        // The pasted variable comes whole: an expandable value stays expandable. Part of the
        // same step, so one undo takes back both.
        if (TNode* replaced = tree.UndoableReplaceVariable(record.name, record.value))
            tree.SetVariableType(replaced, record.kind);
        return;
    }
    tree.UndoableAddVariable(record.name, record.value, false, record.kind);
}

void TfrmMain::Find()
{
    std::u16string text = searchString;
    if (!TfrmFind::createAndShowModal(text))
        return;
    searchString = std::move(text);
    FindInActiveTree(true);
}

bool TfrmMain::FindInActiveTree(bool fromStart)
{
    if (!activeTree_)
        return false;
    if (activeTree_->FindText(searchString, fromStart))
        return true;
    TfrmOK::createAndShowModal(FormatMessage1(gettext(u"Search string '%s' not found"), searchString), mtInformation);
    return false;
}

} // namespace varnook
