#include "app/Actions.h"

#include "core/Translate.h"

namespace varnook {

namespace {

using A = TActionId;
using C = TActionCategory;

constexpr TShortcut None{};
constexpr TShortcut Ctrl(uint16_t key) { return {key, true, false, false}; }
constexpr TShortcut CtrlShift(uint16_t key) { return {key, true, true, false}; }
constexpr TShortcut Shift(uint16_t key) { return {key, false, true, false}; }
constexpr TShortcut Alt(uint16_t key) { return {key, false, false, true}; }
constexpr TShortcut Key(uint16_t key) { return {key, false, false, false}; }

constexpr TAction kActions[] = {
    {A::actFileSave, "actFileSave", C::File, N_(u"Save"), u"", u"", {Ctrl('S'), None}, 0, false},
    {A::actFileBackup, "actFileBackup", C::File, N_(u"Backup..."), u"", u"", {None, None}, -1, false},
    {A::actFileOptions, "actFileOptions", C::File, N_(u"Options..."), u"", u"", {None, None}, 14, false},
    {A::actFileRestartAsAdmin, "actFileRestartAsAdmin", C::File, N_(u"Restart as administrator"), u"", u"", {None, None}, 19, false},
    {A::actFileExit, "actFileExit", C::File, N_(u"Exit"), N_(u"E&xit"), u"", {Ctrl('Q'), None}, -1, false},
    {A::actEditUndo, "actEditUndo", C::Edit, N_(u"Undo"), u"", u"", {Ctrl('Z'), None}, 1, false},
    {A::actEditRedo, "actEditRedo", C::Edit, N_(u"Redo"), u"", u"", {CtrlShift('Z'), None}, 2, false},
    {A::actEditCopy, "actEditCopy", C::Edit, N_(u"Copy"), u"", u"", {Ctrl('C'), Ctrl(vk::kInsert)}, 3, false},
    {A::actEditPaste, "actEditPaste", C::Edit, N_(u"Paste"), u"", u"", {Ctrl('V'), Shift(vk::kInsert)}, 4, false},
    {A::actEditDelete, "actEditDelete", C::Edit, N_(u"Delete"), u"", u"", {Key(vk::kDelete), None}, 5, false},
    {A::actEditFind, "actEditFind", C::Edit, N_(u"Find..."), u"", u"", {Ctrl('F'), None}, -1, false},
    {A::actEditFindNext, "actEditFindNext", C::Edit, N_(u"Find Next"), u"", u"", {Key(vk::kF3), None}, -1, false},
    {A::actEditAddVariable, "actEditAddVariable", C::Edit, N_(u"Add variable..."), u"", N_(u"Add new variable"), {Key(vk::kInsert), None}, 6, false},
    {A::actEditAddValue, "actEditAddValue", C::Edit, N_(u"Add value"), u"", N_(u"Add value to the current variable"), {Alt(vk::kInsert), None}, 7, false},
    {A::actEditEditAsText, "actEditEditAsText", C::Edit, N_(u"&Edit"), u"", u"", {Key(vk::kF2), None}, 8, false},
    {A::actEditEditAsPath, "actEditEditAsPath", C::Edit, N_(u"Insert directory path..."), u"", u"", {Key(vk::kF7), None}, 9, false},
    {A::actEditEditAsFile, "actEditEditAsFile", C::Edit, N_(u"Insert file path..."), u"", u"", {Key(vk::kF8), None}, 10, false},
    {A::actEditChangeType, "actEditChangeType", C::Edit, N_(u"Change variable type"), u"", u"", {Key(vk::kF6), None}, 11, false},
    {A::actEditCleanup, "actEditCleanup", C::Edit, N_(u"Cleanup paths"), u"", N_(u"Clean up paths (remove duplicates and empty elements)"), {None, None}, -1, false},
    {A::actEditMoveUp, "actEditMoveUp", C::Edit, N_(u"Move up"), u"", N_(u"Move value up"), {Ctrl(vk::kUp), None}, 12, false},
    {A::actEditMoveDown, "actEditMoveDown", C::Edit, N_(u"Move down"), u"", N_(u"Move value down"), {Ctrl(vk::kDown), None}, 13, false},
    {A::actEditOpenFolder, "actEditOpenFolder", C::Edit, N_(u"Open folder"), u"", u"", {None, None}, -1, false},
    {A::actEditLong2Short, "actEditLong2Short", C::Edit, N_(u"Convert long path to short"), u"", u"", {None, None}, -1, false},
    {A::actEditShort2Long, "actEditShort2Long", C::Edit, N_(u"Convert short path to long"), u"", u"", {None, None}, -1, false},
    {A::actEditInline, "actEditInline", C::Edit, N_(u"Inline substitutions"), u"", u"", {None, None}, -1, false},
    {A::actEditRefresh, "actEditRefresh", C::Edit, N_(u"Refresh"), u"", N_(u"Refresh variables and values"), {Key(vk::kF5), None}, -1, false},
    {A::actViewShowInformation, "actViewShowInformation", C::View, N_(u"Show/hide Information"), N_(u"Information"), u"", {None, None}, 15, true},
    {A::actViewShowReadOnly, "actViewShowReadOnly", C::View, N_(u"Show/hide read-only variables"), N_(u"Read-only variables"), u"", {Ctrl('H'), None}, 18, true},
    {A::actViewShowMain, "actViewShowMain", C::View, N_(u"Main"), u"", u"", {None, None}, -1, false},
    {A::actViewShowInterface, "actViewShowInterface", C::View, N_(u"Interface"), u"", u"", {None, None}, -1, false},
    {A::actViewShowUser, "actViewShowUser", C::View, N_(u"User"), u"", u"", {None, None}, -1, false},
    {A::actHelpAbout, "actHelpAbout", C::Help, N_(u"About..."), u"", u"", {Key(vk::kF1), None}, 17, false},
    {A::actHelpCheckUpdates, "actHelpCheckUpdates", C::Help, N_(u"Check for updates..."), u"", u"", {None, None}, 16, false},
    {A::actHelpDonate, "actHelpDonate", C::Help, N_(u"Donate..."), u"", u"", {None, None}, -1, false},
};
static_assert(std::size(kActions) == static_cast<size_t>(A::Count));

constexpr bool TableInOrder()
{
    for (size_t i = 0; i < std::size(kActions); ++i)
        if (static_cast<size_t>(kActions[i].id) != i)
            return false;
    return true;
}
static_assert(TableInOrder(), "the table is indexed by TActionId");

constexpr A S = kSeparator;
constexpr A kFileMenu[] = {A::actFileSave, A::actFileBackup, A::actFileOptions, S, A::actFileRestartAsAdmin, S, A::actFileExit};
constexpr A kEditMenu[] = {A::actEditUndo, A::actEditRedo, S, A::actEditCopy, A::actEditPaste, A::actEditDelete, S,
                           A::actEditFind, A::actEditFindNext, S, A::actEditAddVariable, A::actEditAddValue,
                           A::actEditEditAsText, A::actEditEditAsPath, A::actEditEditAsFile, A::actEditChangeType,
                           A::actEditCleanup, A::actEditMoveUp, A::actEditMoveDown, S, A::actEditOpenFolder, S,
                           A::actEditLong2Short, A::actEditShort2Long, A::actEditInline, S, A::actEditRefresh};
constexpr A kViewMenu[] = {A::actViewShowInformation, A::actViewShowReadOnly};
constexpr A kToolbarsMenu[] = {A::actViewShowMain, A::actViewShowInterface, A::actViewShowUser};
constexpr A kHelpMenu[] = {A::actHelpAbout, A::actHelpCheckUpdates, A::actHelpDonate};
constexpr A kMainToolbar[] = {A::actFileSave, S, A::actEditUndo, A::actEditRedo, S, A::actEditCopy, A::actEditPaste,
                              A::actEditDelete, S, A::actEditAddVariable, A::actEditAddValue, A::actEditEditAsText,
                              A::actEditEditAsPath, A::actEditEditAsFile, A::actEditChangeType, A::actEditMoveUp,
                              A::actEditMoveDown, S, A::actFileOptions, S, A::actViewShowInformation,
                              A::actViewShowReadOnly, S, A::actHelpCheckUpdates, A::actHelpAbout, S};
constexpr A kTreeContextMenu[] = {A::actEditCopy, A::actEditPaste, A::actEditDelete, S, A::actEditAddVariable,
                                  A::actEditAddValue, A::actEditEditAsText, A::actEditEditAsPath,
                                  A::actEditEditAsFile, A::actEditChangeType, A::actEditCleanup, A::actEditMoveUp,
                                  A::actEditMoveDown, S, A::actEditOpenFolder, S, A::actEditLong2Short,
                                  A::actEditShort2Long, A::actEditInline, S, A::actEditRefresh};

} // namespace

std::span<const TAction> Actions() { return kActions; }
const TAction& Action(TActionId id) { return kActions[static_cast<size_t>(id)]; }
std::u16string_view ActionTooltip(const TAction& action) { return action.hint.empty() ? action.caption : action.hint; }

std::span<const TActionId> FileMenu() { return kFileMenu; }
std::span<const TActionId> EditMenu() { return kEditMenu; }
std::span<const TActionId> ViewMenu() { return kViewMenu; }
std::span<const TActionId> ToolbarsMenu() { return kToolbarsMenu; }
std::span<const TActionId> HelpMenu() { return kHelpMenu; }
std::span<const TActionId> MainToolbar() { return kMainToolbar; }
std::span<const TActionId> TreeContextMenu() { return kTreeContextMenu; }

bool IsTreeActive(const TActionFacts& f)
{
    return f.activeTreeExists && (f.treeHasFocus || f.treeIsEditing);
}

bool IsVariableWritable(const TActionFacts& f)
{
    return f.activeTreeExists && f.hasFocusedNode && !f.variableReadOnly;
}

bool IsVariableSplit(const TActionFacts& f)
{
    return f.activeTreeExists && f.hasFocusedNode && f.variableSplit;
}

bool IsActionEnabled(TActionId id, const TActionFacts& f)
{
    const bool editable = IsTreeActive(f) && f.treeEditable;
    const bool writable = editable && IsVariableWritable(f);
    const bool onElement = f.hasFocusedNode && !f.focusedIsVariable;
    switch (id) {
    case A::actFileSave: return f.isModified;
    case A::actFileRestartAsAdmin: return !f.canWriteSystemScope;
    case A::actEditUndo: return f.isUndoable;
    case A::actEditRedo: return f.isRedoable;
    case A::actEditCopy: return f.activeTreeExists && f.treeHasFocus && f.hasFocusedNode;
    case A::actEditPaste:
        return editable && (f.clipboardHasVariables || (f.clipboardHasText && IsVariableWritable(f) && IsVariableSplit(f)));
    case A::actEditDelete: return writable;
    case A::actEditFindNext: return !f.searchStringEmpty;
    case A::actEditAddVariable: return editable;
    case A::actEditAddValue: return writable && (IsVariableSplit(f) || !f.variableHasElements);
    case A::actEditEditAsText: return writable && !f.treeIsEditing;
    case A::actEditEditAsPath:
    case A::actEditEditAsFile: return writable && onElement;
    case A::actEditChangeType: return writable;
    case A::actEditCleanup: return writable && f.hasFocusedNode && f.focusedIsVariable && IsVariableSplit(f);
    case A::actEditMoveUp: return writable && onElement && !f.elementIsFirst;
    case A::actEditMoveDown: return writable && onElement && !f.elementIsLast;
    case A::actEditOpenFolder: return IsTreeActive(f) && onElement && f.elementValid && f.elementIsPath;
    case A::actEditLong2Short:
    case A::actEditShort2Long:
    case A::actEditInline: return writable;
    default: return true; // Backup, Options, Exit, Find, Refresh, the View and Help actions
    }
}

bool IsToolbarActionChecked(TActionId id, const TActionFacts& f)
{
    switch (id) {
    case A::actViewShowMain: return f.mainToolbarVisible;
    case A::actViewShowInterface: return f.interfaceToolbarVisible;
    case A::actViewShowUser: return f.userToolbarVisible;
    default: return false;
    }
}

} // namespace varnook
