// The main window and changes other programs make to the store while it is open.
#include "app/MainWindow.h"
#include "app/StoreWatcher.h"
#include "core/Strings.h"
#include "core/Translate.h"
#include "platform/win32/WinString.h"

#include <set>
#include <string>

namespace varnook {

namespace {

// What the user sees of a tree, by names, so that it survives a reload.
struct TViewState {
    std::set<std::u16string> expanded;
    std::u16string focusedVariable;
    int focusedElement = -1; // -1: the variable itself
    bool hasFocus = false;
};

TViewState Capture(const TETree& tree)
{
    TViewState state;
    for (const TNode* v = tree.FirstVariable(); v; v = v->NextSibling())
        if (v->IsExpanded())
            state.expanded.insert(TETree::GetVariableName(v));
    if (TNode* focused = tree.FocusedNode()) {
        state.hasFocus = true;
        TNode* variable = TETree::GetVariableNode(focused);
        state.focusedVariable = TETree::GetVariableName(variable);
        if (focused != variable) {
            state.focusedElement = 0;
            for (const TNode* e = variable->FirstChild(); e && e != focused; e = e->NextSibling())
                ++state.focusedElement;
        }
    }
    return state;
}

void Restore(TETree& tree, const TViewState& state)
{
    for (TNode* v = tree.FirstVariable(); v; v = v->NextSibling())
        if (state.expanded.count(TETree::GetVariableName(v)))
            tree.SetExpanded(v, true);
    if (!state.hasFocus)
        return;
    TNode* variable = tree.FindVariable(state.focusedVariable);
    if (!variable)
        variable = tree.GetFirstVisible();
    TNode* node = variable;
    if (variable && state.focusedElement >= 0) {
        TNode* e = variable->FirstChild();
        for (int i = 0; e && i < state.focusedElement; ++i)
            e = e->NextSibling();
        // An element list that became shorter keeps the focus on its last element.
        node = e ? e : variable->LastChild() ? variable->LastChild() : variable;
    }
    tree.ActivateNode(node);
}

} // namespace

void TfrmMain::StartWatchingStore()
{
    storeWatcher_ = std::make_unique<TStoreWatcher>();
    // The keys the trees were loaded from, another user's hive included; their paths start with
    // a backslash, which would start them at the root.
    for (const TETree* tree : {sysTree_.get(), userTree_.get()}) {
        std::u16string_view key = tree->key;
        if (!key.empty() && key.front() == u'\\')
            key.remove_prefix(1);
        storeWatcher_->Watch(reinterpret_cast<HKEY>(tree->root), platform::W(std::u16string(key)));
    }
}

void TfrmMain::StopWatchingStore()
{
    // The watcher holds the keys open, and a profile hive with an open key cannot be unloaded.
    storeWatcher_.reset();
}

void TfrmMain::CheckOutsideChanges()
{
    if (!created_)
        return;
    if (!storeWatcher_)
        StartWatchingStore();
    // A reload pulls the nodes from under an open in-place editor or a dialog: it waits until
    // the user is done, with the notice showing meanwhile.
    wchar_t focusClass[16]{};
    GetClassNameW(GetFocus(), focusClass, 16);
    const bool busy = !IsWindowEnabled(Handle()) || lstrcmpiW(focusClass, L"Edit") == 0;
    const bool changed = storeWatcher_->Changed();
    if (!changed && (outsideNotice_.empty() || IsModified() || busy))
        return;
    // Our own saves change the keys too; measured against what each tree last loaded or saved,
    // they count nothing.
    const size_t count = sysTree_->CountOutsideChanges() + userTree_->CountOutsideChanges();
    if (count == 0) {
        ClearOutsideNotice();
        return;
    }
    if (!IsModified() && !busy) {
        ReloadKeepingView();
        return;
    }
    const std::u16string number = FromUtf8(std::to_string(count));
    outsideNotice_ = FormatMessage1(
        count == 1 ? gettext(u"Another program changed %s variable - Refresh (F5) loads it and drops your changes")
                   : gettext(u"Another program changed %s variables - Refresh (F5) loads them and drops your changes"),
        number);
    SetStatusLabel4(4, outsideNotice_);
}

void TfrmMain::ClearOutsideNotice()
{
    if (!outsideNotice_.empty() && statusLabel4eng == outsideNotice_)
        SetStatusLabel4(-1, u"");
    outsideNotice_.clear();
}

void TfrmMain::ReloadKeepingView()
{
    const TViewState sys = Capture(*sysTree_), user = Capture(*userTree_);
    ReloadFromStore();
    Restore(*sysTree_, sys);
    Restore(*userTree_, user);
}

} // namespace varnook
