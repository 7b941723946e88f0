// When each command of the main window is available, from plain facts about the window.
#include "app/Actions.h"
#include "core/Strings.h"

#include <gtest/gtest.h>

#include <set>

using namespace varnook;
using A = TActionId;

namespace {

// A writable variable of an editable tree, the tree focused.
TActionFacts OnVariable()
{
    TActionFacts f;
    f.activeTreeExists = f.treeHasFocus = f.treeEditable = f.hasFocusedNode = f.focusedIsVariable = true;
    return f;
}

// The middle element of a writable, split variable whose path check passed.
TActionFacts OnElement()
{
    TActionFacts f = OnVariable();
    f.focusedIsVariable = false;
    f.elementValid = f.elementIsPath = true;
    return f;
}

std::set<A> Enabled(const TActionFacts& f)
{
    std::set<A> on;
    for (const auto& a : Actions())
        if (IsActionEnabled(a.id, f))
            on.insert(a.id);
    return on;
}

const std::set<A> kAlways = {A::actFileBackup, A::actFileOptions, A::actFileExit, A::actEditFind, A::actEditRefresh,
                             A::actViewShowInformation, A::actViewShowReadOnly, A::actViewShowMain,
                             A::actViewShowInterface, A::actViewShowUser, A::actHelpAbout,
                             A::actHelpCheckUpdates, A::actHelpDonate};

std::set<A> With(std::initializer_list<A> more)
{
    std::set<A> s = kAlways;
    s.insert(more);
    return s;
}

} // namespace

TEST(ActionRules, WhatEachSituationAllows)
{
    struct Case {
        const char* situation;
        TActionFacts facts;
        std::set<A> enabled;
    };
    TActionFacts readOnlyTree = OnElement(); // the system tree without write access
    readOnlyTree.treeEditable = false;
    readOnlyTree.canWriteSystemScope = false;
    readOnlyTree.searchStringEmpty = false;
    readOnlyTree.clipboardHasVariables = true;

    TActionFacts special = OnVariable(); // a special read-only variable
    special.variableReadOnly = true;
    special.clipboardHasVariables = special.clipboardHasText = true;

    TActionFacts whole = OnVariable(); // a do-not-split variable
    whole.variableSplit = false;
    whole.clipboardHasText = true;
    TActionFacts wholeEmpty = whole;
    wholeEmpty.variableHasElements = false;
    TActionFacts wholeWithCopy = whole;
    wholeWithCopy.clipboardHasVariables = true;

    TActionFacts first = OnElement();
    first.elementIsFirst = true;
    TActionFacts last = OnElement();
    last.elementIsLast = true;
    TActionFacts wrongPath = OnElement();
    wrongPath.elementValid = false;

    TActionFacts focusElsewhere = OnElement(); // e.g. in the language selector
    focusElsewhere.treeHasFocus = false;
    focusElsewhere.isModified = focusElsewhere.isUndoable = true;

    TActionFacts editing = OnElement(); // the in-place editor has the focus
    editing.treeHasFocus = false;
    editing.treeIsEditing = true;

    const A editOnElement[] = {A::actEditDelete, A::actEditAddVariable, A::actEditAddValue, A::actEditEditAsText,
                               A::actEditEditAsPath, A::actEditEditAsFile, A::actEditChangeType,
                               A::actEditMoveUp, A::actEditMoveDown, A::actEditLong2Short, A::actEditShort2Long,
                               A::actEditInline};
    auto onElementSet = With({A::actEditCopy, A::actEditOpenFolder});
    onElementSet.insert(std::begin(editOnElement), std::end(editOnElement));

    const Case cases[] = {
        {"nothing yet", TActionFacts{}, kAlways},
        {"element in a writable tree", OnElement(), onElementSet},
        {"variable in a writable tree", OnVariable(),
         With({A::actEditCopy, A::actEditDelete, A::actEditAddVariable, A::actEditAddValue, A::actEditEditAsText,
               A::actEditChangeType, A::actEditCleanup, A::actEditLong2Short, A::actEditShort2Long, A::actEditInline})},
        {"system tree without write access", readOnlyTree,
         With({A::actEditCopy, A::actEditOpenFolder, A::actEditFindNext, A::actFileRestartAsAdmin})},
        {"special read-only variable", special, With({A::actEditCopy, A::actEditAddVariable, A::actEditPaste})},
        {"do-not-split variable with its element", whole,
         With({A::actEditCopy, A::actEditDelete, A::actEditAddVariable, A::actEditEditAsText, A::actEditChangeType,
               A::actEditLong2Short, A::actEditShort2Long, A::actEditInline})},
        {"do-not-split variable without elements", wholeEmpty,
         With({A::actEditCopy, A::actEditDelete, A::actEditAddVariable, A::actEditAddValue, A::actEditEditAsText,
               A::actEditChangeType, A::actEditLong2Short, A::actEditShort2Long, A::actEditInline})},
        {"focus outside the trees", focusElsewhere, With({A::actFileSave, A::actEditUndo})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        EXPECT_EQ(Enabled(c.facts), c.enabled);
    }

    EXPECT_FALSE(IsActionEnabled(A::actEditMoveUp, first));
    EXPECT_TRUE(IsActionEnabled(A::actEditMoveDown, first));
    EXPECT_TRUE(IsActionEnabled(A::actEditMoveUp, last));
    EXPECT_FALSE(IsActionEnabled(A::actEditMoveDown, last));
    EXPECT_FALSE(IsActionEnabled(A::actEditOpenFolder, wrongPath));
    EXPECT_TRUE(IsActionEnabled(A::actEditPaste, wholeWithCopy)); // a copied variable still pastes
    EXPECT_FALSE(IsActionEnabled(A::actEditPaste, whole));        // plain text does not split into it

    // The in-place editor keeps the tree "active" but takes Copy and a second Edit away.
    EXPECT_FALSE(IsActionEnabled(A::actEditCopy, editing));
    EXPECT_FALSE(IsActionEnabled(A::actEditEditAsText, editing));
    EXPECT_TRUE(IsActionEnabled(A::actEditDelete, editing));
}

TEST(ActionTable, KeysIconsAndPlacement)
{
    std::set<std::pair<uint16_t, int>> keys;
    for (const auto& a : Actions()) {
        for (const auto& k : a.keys) {
            if (!k.key)
                continue;
            const int mods = k.ctrl | k.shift << 1 | k.alt << 2;
            EXPECT_TRUE(keys.insert({k.key, mods}).second) << a.name << " shares a key";
        }
    }
    EXPECT_EQ(Action(A::actEditRedo).keys[0], (TShortcut{'Z', true, true, false}));
    EXPECT_EQ(Action(A::actEditPaste).keys[1], (TShortcut{vk::kInsert, false, true, false}));
    EXPECT_EQ(ActionTooltip(Action(A::actEditMoveUp)), u"Move value up");
    EXPECT_EQ(ActionTooltip(Action(A::actFileSave)), u"Save");

    // Every toolbar button has an icon, and the twenty icons are each used exactly once
    // (icon 19, the shield, by the restart action outside the toolbar).
    std::set<int> icons;
    for (const auto& a : Actions()) {
        if (a.icon >= 0) {
            EXPECT_TRUE(icons.insert(a.icon).second) << a.name;
        }
    }
    EXPECT_EQ(icons.size(), 20u);
    for (A id : MainToolbar()) {
        if (id != kSeparator) {
            EXPECT_GE(Action(id).icon, 0) << Action(id).name;
        }
    }
    EXPECT_EQ(EditMenu().size(), 27u);
    EXPECT_EQ(TreeContextMenu().size(), 21u);
}
