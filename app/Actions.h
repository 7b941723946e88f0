// The commands of the main window as one table, and when each is available. The table drives
// the menus, the main toolbar, the context menus and the accelerators; the enable rules are
// pure functions of a snapshot of facts, so they are the same for menu, button and key.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace varnook {

enum class TActionId : uint8_t {
    actFileSave,
    actFileBackup,
    actFileOptions,
    actFileRestartAsAdmin,
    actFileExit,
    actEditUndo,
    actEditRedo,
    actEditCopy,
    actEditPaste,
    actEditDelete,
    actEditFind,
    actEditFindNext,
    actEditAddVariable,
    actEditAddValue,
    actEditEditAsText,
    actEditEditAsPath,
    actEditEditAsFile,
    actEditChangeType,
    actEditCleanup,
    actEditMoveUp,
    actEditMoveDown,
    actEditOpenFolder,
    actEditLong2Short,
    actEditShort2Long,
    actEditInline,
    actEditRefresh,
    actViewShowInformation,
    actViewShowReadOnly,
    actViewShowMain,
    actViewShowInterface,
    actViewShowUser,
    actHelpAbout,
    actHelpCheckUpdates,
    actHelpDonate,
    Count
};

enum class TActionCategory : uint8_t { File, Edit, View, Help };

// Virtual-key codes, as Windows numbers them.
namespace vk {
inline constexpr uint16_t kInsert = 0x2D, kDelete = 0x2E, kUp = 0x26, kDown = 0x28, kF1 = 0x70;
inline constexpr uint16_t kF2 = 0x71, kF3 = 0x72, kF5 = 0x74, kF6 = 0x75, kF7 = 0x76, kF8 = 0x77;
} // namespace vk

struct TShortcut {
    uint16_t key = 0; // virtual-key code; 0 for none
    bool ctrl = false, shift = false, alt = false;
    bool operator==(const TShortcut&) const = default;
};

struct TAction {
    TActionId id;
    std::string_view name;
    TActionCategory category;
    std::u16string_view caption;     // with '&' marking the access key
    std::u16string_view menuCaption; // where the menu item reads differently; empty otherwise
    std::u16string_view hint;        // may be empty: the caption serves as tooltip
    TShortcut keys[2];               // main key first; key 0 means none
    int icon;                        // index into the toolbar icon list; -1 for none
    bool autoCheck;
};

// Every action, in the order of TActionId.
std::span<const TAction> Actions();
const TAction& Action(TActionId id);
// The tooltip of a toolbar button: the hint, or the caption where there is no hint.
std::u16string_view ActionTooltip(const TAction& action);

// What the enable rules look at, gathered once per evaluation.
struct TActionFacts {
    bool isModified = false;
    bool canWriteSystemScope = true;
    bool isUndoable = false;
    bool isRedoable = false;
    bool searchStringEmpty = true;

    bool activeTreeExists = false;
    bool treeHasFocus = false;       // the tree control itself, not its in-place editor
    bool treeIsEditing = false;      // an in-place edit is under way in the active tree
    bool treeEditable = false;       // the tree allows in-place editing
    bool hasFocusedNode = false;
    bool focusedIsVariable = false;
    bool variableReadOnly = false;   // the focused node's variable
    bool variableSplit = true;       // not marked "do not split"
    bool variableHasElements = true;
    bool elementIsFirst = false;
    bool elementIsLast = false;
    bool elementValid = false;       // its path check passed
    bool elementIsPath = false;      // its expanded text is a local path

    bool clipboardHasVariables = false;
    bool clipboardHasText = false;

    bool mainToolbarVisible = true;
    bool interfaceToolbarVisible = true;
    bool userToolbarVisible = true;
};

// The queries the rules are built from.
bool IsTreeActive(const TActionFacts& f);
bool IsVariableWritable(const TActionFacts& f);
bool IsVariableSplit(const TActionFacts& f);

bool IsActionEnabled(TActionId id, const TActionFacts& f);
// The check mark of the toolbar toggles follows the toolbars; other marks are the actions' own.
bool IsToolbarActionChecked(TActionId id, const TActionFacts& f);

// Where actions appear. kSeparator stands for a rule.
inline constexpr TActionId kSeparator = TActionId::Count;
std::span<const TActionId> FileMenu();
std::span<const TActionId> EditMenu();
std::span<const TActionId> ViewMenu();      // the "Toolbars" submenu follows these
std::span<const TActionId> ToolbarsMenu();  // also the context menu of the toolbar area
std::span<const TActionId> HelpMenu();
std::span<const TActionId> MainToolbar();   // the "Donate" link label comes after these
std::span<const TActionId> TreeContextMenu();

} // namespace varnook
