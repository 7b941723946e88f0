// The variable tree of one scope, as a model: variables on the top level, the elements of each
// value below them, with focus, selection, expanded and visible flags. It knows no window; the
// tree control only mirrors it (ITreeObserver) and hands user gestures back as calls.
//
// Levels: the invisible root (level -1) holds the variable nodes (level 0, TVarData payloads);
// each variable holds its element nodes (level 1, TElemData payloads); elements hold nothing.
// Variables are kept sorted by name (ASCII letters folded, otherwise by code unit, stable);
// elements keep the order of the value.
//
// Other members of TETree live in their own files: loading and saving (ETreeStore.cpp),
// reference expansion (ETreeExpand.cpp: ExpandText with a lookup over FindVariable,
// GetVariableValue and the resolving tree), validation (ETreeVerify.cpp: path flags through
// UpdateWrongPath, errors, warnings and the facts the view draws from). FindVariable remembers
// its answers until names or order change, so names change only through SetVariableName, never
// through the payload directly.
#pragma once

#include "core/ByteStream.h"
#include "core/Expansion.h"
#include "core/NodeInfo.h"
#include "core/PathProbeCache.h"
#include "core/Presentation.h"
#include "core/Registry.h"
#include "core/StoreMerge.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace varnook {

class IPushInterface;
class TExclusions;
class TETree;

class TNode {
public:
    TNode(const TNode&) = delete;
    TNode& operator=(const TNode&) = delete;

    // The invisible root for a variable, the variable for an element, none for the root.
    TNode* Parent() const { return parent_; }
    TNode* FirstChild() const { return first_; }
    TNode* LastChild() const { return last_; }
    TNode* NextSibling() const { return next_; }
    TNode* PrevSibling() const { return prev_; }
    uint32_t ChildCount() const { return childCount_; }
    // -1 for the invisible root, 0 for a variable, 1 for an element.
    int Level() const { return !parent_ ? -1 : !parent_->parent_ ? 0 : 1; }

    // Cleared only for hidden read-only variables; elements are never hidden themselves.
    bool IsVisible() const { return visible_; }
    // Only a node with children can be expanded.
    bool IsExpanded() const { return expanded_; }

    TNodeData* Data() const { return data_.get(); }
    // The payload by level; none for a node of the other level.
    TVarData* VarData() const { return Level() == 0 ? static_cast<TVarData*>(data_.get()) : nullptr; }
    TElemData* ElemData() const { return Level() == 1 ? static_cast<TElemData*>(data_.get()) : nullptr; }

private:
    friend class TETree;
    TNode() = default;

    TNode* parent_ = nullptr;
    TNode* first_ = nullptr;
    TNode* last_ = nullptr;
    TNode* prev_ = nullptr;
    TNode* next_ = nullptr;
    uint32_t childCount_ = 0;
    bool visible_ = true;
    bool expanded_ = false;
    std::unique_ptr<TNodeData> data_;
};

// Where a node goes relative to an anchor node.
enum class TAttachMode { FirstChild, LastChild, Before, After };

// The tree control behind a model. The model calls it after it changed; the control never
// learns what changed in detail, so it may rebuild or repaint as it sees fit.
class ITreeObserver {
public:
    virtual ~ITreeObserver() = default;
    // Nodes were added, deleted or moved, or display states (expanded, visible) changed.
    // Node pointers the control kept may be gone.
    virtual void TreeChanged() = 0;
    // The row of one node needs repainting (its text, kind or path flag changed).
    virtual void NodeChanged(const TNode* node) = 0;
    // The focused or the selected node changed.
    virtual void FocusChanged() = 0;
    // Ends an in-place edit if one is open, accepting its text, and takes the keyboard focus.
    virtual void FinishEditing() = 0;
    // Opens the in-place editor on the node's row; false when no edit could start.
    virtual bool EditNode(TNode* node) { return false; }
    // An in-place edit is open.
    virtual bool IsEditing() const { return false; }
    // The nodes whose rows are on screen now. False when the view cannot tell; validation then
    // treats every node as shown.
    virtual bool NodesInView(std::vector<const TNode*>& nodes) { return false; }
};

// Read-only variables taken from the program's own environment, in the order they are tried.
inline constexpr std::array<std::u16string_view, 12> SystemReadOnlyNames = {
    u"ALLUSERSPROFILE", u"CLIENTNAME",        u"CommonProgramFiles", u"CommonProgramFiles(x86)",
    u"COMPUTERNAME",    u"ProgramFiles",      u"ProgramFiles(x86)",  u"ProgramW6432",
    u"SystemDrive",     u"SystemRoot",        u"PUBLIC",             u"ProgramData"};
inline constexpr std::array<std::u16string_view, 9> UserReadOnlyNames = {
    u"APPDATA",      u"HOMEDRIVE",   u"HOMEPATH", u"LOGONSERVER", u"LOCALAPPDATA",
    u"SESSIONNAME",  u"USERDOMAIN",  u"USERNAME", u"USERPROFILE"};

// The string values of a scope's key, as a load reads them; safe on any thread, so that start-up
// can read both scopes while the window is being made.
TStoredScope ReadScope(RegHandle root, std::u16string_view key);

class TETree {
public:
    // An empty tree that pushes its undo snapshots through undoStack (may be none).
    explicit TETree(IPushInterface* undoStack = nullptr);
    ~TETree();
    TETree(const TETree&) = delete;
    TETree& operator=(const TETree&) = delete;

    // True only while an in-place edit of a variable row is being opened: the row text is then
    // the name alone.
    bool IsStartEditing = false;
    // False while the node being edited in place was just made by an add operation that has
    // already pushed its snapshot.
    bool IsOnEdited = true;
    // The store location the tree was loaded from and is saved to.
    RegHandle root = 0;
    std::u16string key;

    // ---- Structure
    TNode* RootNode() const { return fRoot; }
    TNode* FirstVariable() const { return fRoot->first_; }
    uint32_t VariableCount() const { return fRoot->childCount_; }
    // Every node but the invisible root.
    size_t NodeCount() const { return fNodeCount; }

    // ---- Queries; none changes the tree
    static bool IsVariable(const TNode* node) { return node && node->Level() == 0; }
    // The node itself for a variable, its parent for an element.
    static TNode* GetVariableNode(TNode* node);
    static const std::u16string& GetVariableName(const TNode* variable);
    static TRegDataType GetVariableType(const TNode* variable);
    static bool GetVariableReadOnly(const TNode* variable);
    static const std::u16string& GetElement(const TNode* element);
    // The element texts joined with ';'; the empty text for a variable without elements.
    static std::u16string GetVariableValue(const TNode* variable);
    // name=value for a variable (the name alone while IsStartEditing), the text for an element.
    std::u16string GetNodeAsText(const TNode* node) const;
    // The first variable whose name equals name in the user's locale, case ignored; none if none.
    TNode* FindVariable(std::u16string_view name) const;
    bool IsExist(std::u16string_view name) const { return FindVariable(name) != nullptr; }
    // The value of FindVariable(name); the empty text if there is no such variable.
    std::u16string GetValueByName(std::u16string_view name) const;
    // "%name%" of every variable, hidden ones too, in tree order, whose "%name%" starts with
    // prefix when ASCII letters are upper-cased; every variable for the empty prefix.
    std::vector<std::u16string> GetVariablesStartedWith(std::u16string_view prefix) const;
    // The next node in pre-order: first child, else next sibling, else the parent's next sibling.
    static TNode* GetNextNode(const TNode* node);
    // The first variable whose visible flag is set; none if all are hidden or there are none.
    TNode* GetFirstVisible() const;
    // False only for the machine scope.
    bool IsUserTree() const { return root != platform::kRootLocalMachine; }
    TETree* GetResolvingTree() const { return resolvingTree; }
    TExclusions* Exclusions() const { return exclusions; }
    IPushInterface* UndoStack() const { return undoStack; }
    // Whether the exclusion list lets the variable of node (or a variable of that name) be split.
    bool IsSplitName(std::u16string_view name) const;
    bool IsVariableSplit(const TNode* node) const;
    // Whether the node shows: it and its variable are visible.
    static bool IsDisplayed(const TNode* node);

    // ---- Building and state operations
    // Appends a variable with the elements of value (split unless the exclusion list says not
    // to), focuses it and sorts it into place. Does not check for a variable of the same name.
    TNode* AddVariable(std::u16string_view name, const std::u16string& value, TRegDataType kind, bool readOnly);
    // Replaces the variable's elements by those of value; the variable ends collapsed. Focuses
    // nothing; a focus on one of the old elements moves to the variable.
    void SetVariableValue(TNode* variable, const std::u16string& value);
    // A new empty element as the first child of the focused variable, or after the focused
    // element; it becomes focused and selected. Requires a focused node.
    TNode* InsertEmptyElement();
    // As InsertEmptyElement, with text.
    TNode* InsertElement(std::u16string_view text);
    // Undoable: ends an in-place edit, pushes a snapshot and sets the focused element's text.
    // Requires a focused element.
    void SetElement(std::u16string_view text);
    // Divides the value again under the current exclusion flags; the expanded state survives.
    // Pushes no snapshot.
    void ReSplitVariable(TNode* variable);
    void ReSplitAllVariables();
    // For each name, in order, whose value in the process environment is not empty: AddVariable
    // as a read-only plain string. The last one added ends focused.
    void AddSpecialVariables(std::span<const std::u16string_view> names);
    // Focuses the node and makes it the only selected one; its variable is expanded so that it
    // can show. The root or none leaves nothing focused or selected.
    void ActivateNode(TNode* node);
    // Ends an open in-place edit, accepting its text.
    void FinishEditing();
    // Shows or hides the read-only variables; a focus that would be hidden moves to the first
    // visible variable.
    void ShowReadOnly(bool show);
    // Keeps the list (not owned) and re-splits the tree whenever it changes.
    void SetExclusions(TExclusions* list);
    void SetResolvingTree(TETree* tree) { resolvingTree = tree; }
    // IPushInterface::Undo: takes back the last pushed step.
    void undo();
    // IPushInterface::Push, when the tree has an undo stack.
    void PushSnapshot();

    // ---- Node-level building, for loading, the edit operations and drops. No focus changes
    // unless said, no snapshots pushed.
    // Removes every node.
    void Clear();
    TNode* AppendVariableNode(std::u16string name, TRegDataType kind, bool readOnly);
    // anchor is a variable (FirstChild, LastChild) or an element (Before, After).
    TNode* InsertElementNode(TNode* anchor, TAttachMode mode, std::u16string text);
    // Deletes the node with its children. A focus or selection inside moves to the parent
    // variable, or to nothing when a variable is deleted; a variable left without elements
    // ends collapsed.
    void DeleteNode(TNode* node);
    void DeleteChildren(TNode* node);
    // Moves an element within this tree (anchor as for InsertElementNode). Focus stays on it.
    void MoveNode(TNode* node, TNode* anchor, TAttachMode mode);
    // Renames through the tree, not through the payload, so that lookups and order follow; the
    // variable moves to its sorted place.
    void SetVariableName(TNode* variable, std::u16string name);
    void SetVariableType(TNode* variable, TRegDataType kind);
    void SetElementText(TNode* element, std::u16string text);

    // ---- Focus, selection, expansion
    TNode* FocusedNode() const { return fFocused; }
    TNode* SelectedNode() const { return fSelected; }
    // Collapsing a variable that holds the focus moves the focus and selection to it.
    void SetExpanded(TNode* node, bool expanded);
    // The node and all its descendants; the whole tree for none.
    void FullExpand(TNode* node = nullptr);
    void FullCollapse(TNode* node = nullptr);
    // Position in pre-order over all nodes, collapsed and hidden included, the first being 0.
    uint32_t GetNodeIndex(const TNode* node) const;
    // The focused node's position, 0 when none is focused.
    uint32_t GetFocusIndex() const;
    // Steps index times from the first node and focuses and selects the node reached; nothing
    // is focused when the tree has fewer nodes. Display states stay as they are.
    void RestoreFocus(uint32_t index);

    // ---- Batches: sorting and notifying wait for the end of the outermost one
    void BeginUpdate();
    void EndUpdate();
    // Sorts the variables by name now (after a name was edited).
    void Sort();

    // ---- Snapshots and transfers
    // The payload record of the node (variable or element record by level).
    void WriteNodePayload(const TNode* node, TByteWriter& out) const;
    // Gives the node a new payload read from in; its level decides the record.
    void ReadNodePayload(TNode* node, TByteReader& in) const;
    // The whole tree: every node with its display states and record. The focus is not in it.
    void SaveSnapshot(TBytes& out) const;
    // Replaces the whole tree by a snapshot, states included; nothing is focused afterwards.
    // Damaged data raises EVarnookError and leaves the tree as it was.
    void LoadSnapshot(const uint8_t* data, size_t size);
    void LoadSnapshot(const TBytes& bytes) { LoadSnapshot(bytes.data(), bytes.size()); }
    // One node with its children and states, for moving nodes between trees.
    void WriteSubtree(const TNode* node, TByteWriter& out) const;
    // Inserts what WriteSubtree wrote at the anchor; the record kind follows from the level
    // there. Returns the new node; raises on damaged data, leaving the tree unchanged.
    TNode* ReadSubtree(TByteReader& in, TNode* anchor, TAttachMode mode);

    // ---- Edit operations (edit/EditOperations.cpp). Each pushes exactly one snapshot through
    // the undo stack before it changes anything, so one call is one undo step. The callers'
    // enable rules guarantee the preconditions named.
    // A variable with one empty element, whose edit opens at once; IsOnEdited is false until
    // that edit ends. Returns the element.
    TNode* UndoableAddEmptyVariable(std::u16string_view name, TRegDataType kind, bool readOnly);
    // A variable with the elements of value; no variable of that name may exist. Focused.
    TNode* UndoableAddVariable(std::u16string_view name, const std::u16string& value, bool readOnly, TRegDataType kind);
    // Rebuilds the elements of the variable of that name from value; it ends collapsed and focused.
    TNode* UndoableReplaceVariable(std::u16string_view name, const std::u16string& value);
    // An empty element at the focus, whose edit opens at once (IsOnEdited false). Returns it.
    TNode* UndoableAddEmptyElement();
    // An element with the text at the focus; it becomes focused.
    TNode* UndoableAddElement(std::u16string_view text);
    // Deletes the focused node with its children and focuses its next visible sibling, else
    // its previous one, else its variable (nothing for a variable).
    void DeleteSelectedNodes();
    // The focused element swaps places with its previous / next sibling and stays focused.
    void UndoableMoveUp();
    void UndoableMoveDown();
    // The focused variable turns from plain into expandable string and back.
    void UndoableChangeType();
    // The focused variable without empty elements and later case-insensitive duplicates.
    void UndoableCleanupPaths();
    // Each element of the focused variable, or the focused element alone, replaced by the
    // function's text for it. Nothing happens (and nothing is pushed) when no text would change;
    // false then.
    bool UndoableDoSomething(const std::function<std::u16string(const TNode*)>& convert);
    // References replaced by their values; an element whose expansion loops keeps its text.
    bool UndoableInline();
    bool UndoableLong2Short();
    bool UndoableShort2Long();
    // Starts an in-place edit of the node through the control; false when none started.
    bool EditNode(TNode* node);
    // An in-place edit of this tree is open.
    bool IsEditing() const { return fObserver && fObserver->IsEditing(); }
    // ---- Find (ETreeFind.cpp)
    // The first node, from the first variable or else after the focused one, whose name (a
    // variable) or stored text (an element) contains text, both upper-cased in the user's
    // locale. Collapsed and hidden variables are searched too; no wrapping around. A match is
    // focused, selected and shown; false when none is left.
    bool FindText(std::u16string_view text, bool fromStart);

    // ---- Loading and saving (ETreeStore.cpp)
    // Rebuilds the tree from the string values of the key, split as the exclusion list says, and
    // keeps root and key for saving, and the values as loaded as the base of the next save.
    // A key that cannot be opened gives an empty tree. Focuses nothing.
    void LoadFromRegistry(RegHandle newRoot, std::u16string_view newKey);
    // The same from values ReadScope gave.
    void LoadFromStored(RegHandle newRoot, std::u16string_view newKey, TStoredScope stored);
    // The string values as the store held them at the last load or save, as far as this
    // tree's saves are concerned.
    const TStoredScope& StoredBase() const { return fStoredBase; }
    // The variables a save writes: every one that is not read-only.
    TStoredScope SavedVariables() const;
    // Reads the store again and pairs its string values with the base and the tree's variables,
    // names compared the way the store compares them. Raises EVarnookError when the key cannot
    // be opened for writing, or when the store takes two of the tree's names for one.
    std::vector<TMergeEntry> PlanSave() const;
    // Applies the user's changes in plan to the store, nothing else: variables the user did not
    // change keep their stored bytes, changes made outside stay; where both changed a variable,
    // keepOurs decides. Writes come first, then renames in letter case, then removals, so that
    // every variable always exists under its old or its new name. Raises EVarnookError when an
    // operation fails; the base then follows what was done.
    void ApplySave(const std::vector<TMergeEntry>& plan, bool keepOurs);
    void SaveToRegistry(bool keepOurs = true) { ApplySave(PlanSave(), keepOurs); }
    // The number of variables another program changed, added or removed since the last load or
    // save; reads only. 0 when the key cannot be read.
    size_t CountOutsideChanges() const;

    // ---- Reference expansion (ETreeExpand.cpp)
    // Replaces %NAME% references by values from this tree, then from the resolving tree, pass
    // after pass. Raises ELoopDetected for a loop; depth counts passes already made.
    std::u16string ExpandReferences(const std::u16string& text, int depth = 0) const;
    // The element's text, expanded when its variable is expandable; "Infinite loop detected"
    // (translated) for a loop.
    std::u16string GetElementEx(const TNode* element) const;
    // GetVariableValue, expanded when the variable is expandable; the loop text for a loop.
    std::u16string GetVariableValueEx(const TNode* variable) const;

    // ---- Validation (ETreeVerify.cpp)
    // VerifyVariable for every variable, hidden ones too, under one silent error mode.
    void Verify();
    // One tick's share of the same work: the rows in view, then the other variables from where
    // the last call stopped until budget is spent. A change between calls makes the walk go
    // round once more.
    void VerifyWithin(std::chrono::steady_clock::duration budget);
    // Recomputes the path flags of the variable and its elements from the file system.
    void VerifyVariable(TNode* variable);
    // Lets the passes rely on the watch's change notifications instead of probing paths again
    // and again (none: probing alone).
    void WatchFolders(std::unique_ptr<platform::IFolderWatch> watch) { fProbeCache.SetWatch(std::move(watch)); }
    // Sets the node's path flag and repaints its row when the flag changed.
    void UpdateWrongPath(TNode* node, bool flag);
    // The cached verdict: no path error at the last pass.
    static bool IsValid(const TNode* node) { return node && node->Data() && !node->Data()->GetWrongPath(); }
    // Translated messages: the path error, then for a variable the length error.
    std::vector<std::u16string> GetNodeErrors(const TNode* node) const;
    // Translated messages: for a variable on the exclusion list, that it is there.
    std::vector<std::u16string> GetNodeWarnings(const TNode* node) const;
    // The icon index of the node's variable (kImageString, kImageExpandString, kImageReadOnly).
    static int GetImage(const TNode* node);
    // Length of GetVariableValue without building it.
    static size_t GetVariableValueLength(const TNode* variable);
    // What the row's look depends on (see Presentation.h).
    TRowFacts GetRowFacts(const TNode* node) const;
    // The hover hint of the row; empty for none.
    std::u16string GetHint(const TNode* node) const;

    // ---- The control
    void SetObserver(ITreeObserver* observer) { fObserver = observer; }
    // Repaints the node's row (after its payload changed).
    void InvalidateNode(const TNode* node);

private:
    // Sorting and notifying wait until the outermost batch ends, also when an exception leaves it.
    class TBatch {
    public:
        explicit TBatch(TETree& tree) : tree_(tree) { tree_.BeginUpdate(); }
        ~TBatch() { tree_.EndUpdate(); }
        TBatch(const TBatch&) = delete;
        TBatch& operator=(const TBatch&) = delete;

    private:
        TETree& tree_;
    };

    static TNode* NewNode(std::unique_ptr<TNodeData> data);
    static void FreeNode(TNode* node);
    static void FreeChain(TNode* first);
    // Parent and level a node attached at anchor would get; raises for an impossible place.
    TNode* ParentFor(TNode* anchor, TAttachMode mode, int level) const;
    void Link(TNode* node, TNode* anchor, TAttachMode mode);
    void Unlink(TNode* node);
    void CountNodes(const TNode* node, int delta);
    void FillElements(TNode* variable, const std::u16string& value, std::u16string_view name);
    TNode* InsertElementAtFocus(std::u16string text);
    void MoveFocusOutOf(TNode* node, TNode* fallback);
    void SetFocus(TNode* node);
    bool SortVariables();
    void StructureChanged();
    void StatesChanged();
    void FocusMoved();
    TNode* ReadDetached(TByteReader& in, int level, TNode*& selected) const;
    void InvalidateLookups();
    // Names, values, kinds or order changed: remembered expansions are stale.
    void ContentChanged() const { ++fContentVersion; }
    // The element's text when it needs no expansion, else its expansion (remembered, or kept in
    // buffer for a loop).
    const std::u16string& ExpandedElement(const TNode* element, std::u16string& buffer) const;
    std::u16string ExpandOrLoopText(const std::u16string& text) const;
    // The expansion of text from depth 0, remembered until either tree changes; none for a loop.
    const std::optional<std::u16string>& RememberedExpansion(const std::u16string& text) const;
    // A digest of everything the path flags are computed from, bar the file system.
    uint64_t VerificationInputs() const;
    // Verify over every variable, under the caller's silent error mode.
    void FullPass(TPathProbeCache::Clock::time_point now);
    // Verify's shortcut: true, after checking what no watch covers, when a pass would change nothing.
    bool NothingToVerify(TPathProbeCache::Clock::time_point now);
    // Changes with every edit of this tree or the resolving tree; cheaper than VerificationInputs.
    uint64_t WalkVersion() const;
    // The variables shown in the view, when it knows.
    bool VariablesInView(std::unordered_set<const TNode*>& inView) const;
    // VerifyVariable inside an error mode the caller has made silent, probing as urgency says.
    void VerifySilently(TNode* variable, std::u16string& buffer, TPathProbeCache::TUrgency urgency);

    TNode* fRoot;
    size_t fNodeCount = 0;
    TNode* fFocused = nullptr;
    TNode* fSelected = nullptr;
    int fUpdateCount = 0;
    bool fStructureDirty = false;
    bool fStatesDirty = false;
    bool fFocusDirty = false;
    ITreeObserver* fObserver = nullptr;
    TExclusions* exclusions = nullptr;
    IPushInterface* undoStack;
    TETree* resolvingTree = nullptr;
    // Lets the exclusion list's callback know whether this tree still exists.
    std::shared_ptr<TETree*> fAlive;
    // FindVariable's answers since the last change of names or order. Expansion and validation
    // look the same few names up many times per pass, and the locale's comparison is costly.
    mutable std::unordered_map<std::u16string, TNode*> fFindCache;
    // Path verdicts kept between verification passes.
    TPathProbeCache fProbeCache;
    // Counts every change of names, values, kinds and order. Expansions are remembered for the
    // versions of this tree and of the resolving tree they were made from: validation, the
    // inspector and the view ask for the same expansions many times between two edits, and a
    // value full of references (a ring of names that never settles) costs a hundred passes.
    mutable uint64_t fContentVersion = 0;
    mutable std::unordered_map<std::u16string, std::optional<std::u16string>> fExpansions;
    mutable size_t fExpansionsSize = 0; // code units held, texts and results
    mutable uint64_t fExpansionsVersion = ~uint64_t(0);
    mutable uint64_t fExpansionsResolvingVersion = ~uint64_t(0);
    mutable const TETree* fExpansionsResolving = nullptr;
    // Changes of the exclusion list, which flags are computed from as well.
    uint64_t fExclusionsChanges = 0;
    // VerificationInputs hashes every text of the tree; the window asks five times a second, so
    // the hash is kept for the versions it was made from.
    struct TInputsKey {
        uint64_t content = ~uint64_t(0), exclusions = 0, resolvingContent = 0, resolvingExclusions = 0;
        const TETree* resolving = nullptr;
        bool operator==(const TInputsKey&) const = default;
    };
    TInputsKey InputsKey() const;
    mutable TInputsKey fInputsKey;
    mutable uint64_t fInputsHash = 0;
    // What the last full pass verified, and when it ran.
    uint64_t fVerifiedInputs = 0;
    TPathProbeCache::Clock::time_point fLastFullPass{};
    static constexpr TPathProbeCache::Clock::duration kFullPassAnyway = std::chrono::seconds(5);
    // VerifyWithin's walk: under way, the next variable's position, the contents' version at the
    // end of the last share, and whether the walk must go round again.
    bool fWalking = false;
    size_t fWalkNext = 0;
    uint64_t fWalkVersion = 0;
    bool fWalkAgain = false;
    TStoredScope fStoredBase;
};

} // namespace varnook
