#include "core/ETree.h"

#include "core/Exclusions.h"
#include "core/Strings.h"
#include "core/Tools.h"
#include "edit/PushInterface.h"
#include "platform/Services.h"

#include <algorithm>
#include <stdexcept>

namespace varnook {

namespace {

constexpr uint8_t kStateExpanded = 1;
constexpr uint8_t kStateHidden = 2;
constexpr uint8_t kStateSelected = 4;
// Distinct names looked up between two changes stay far below this; it only bounds odd input.
constexpr size_t kFindCacheLimit = 4096;

bool IsChildMode(TAttachMode mode) { return mode == TAttachMode::FirstChild || mode == TAttachMode::LastChild; }

bool NameLess(const TNode* a, const TNode* b)
{
    return CompareTextAscii(a->VarData()->GetVariableName(), b->VarData()->GetVariableName()) < 0;
}

} // namespace

TETree::TETree(IPushInterface* undoStack) : fRoot(new TNode), undoStack(undoStack), fAlive(std::make_shared<TETree*>(this)) {}

TETree::~TETree()
{
    FreeChain(fRoot->first_);
    delete fRoot;
}

// ---- Nodes

TNode* TETree::NewNode(std::unique_ptr<TNodeData> data)
{
    TNode* node = new TNode;
    node->data_ = std::move(data);
    return node;
}

void TETree::FreeNode(TNode* node)
{
    FreeChain(node->first_);
    delete node;
}

void TETree::FreeChain(TNode* first)
{
    // Siblings one after the other: a value may have thousands of elements.
    while (first) {
        TNode* next = first->next_;
        FreeNode(first);
        first = next;
    }
}

TNode* TETree::ParentFor(TNode* anchor, TAttachMode mode, int level) const
{
    if (!anchor)
        anchor = fRoot;
    if (level < 0 || level > 1)
        throw std::invalid_argument("a node of this level cannot go there");
    const bool child = IsChildMode(mode);
    if (anchor->Level() != (child ? level - 1 : level) || (!child && anchor == fRoot))
        throw std::invalid_argument("a node of this level cannot go there");
    return child ? anchor : anchor->parent_;
}

void TETree::Link(TNode* node, TNode* anchor, TAttachMode mode)
{
    TNode* parent = IsChildMode(mode) ? (anchor ? anchor : fRoot) : anchor->parent_;
    TNode* before = nullptr; // the sibling node goes in front of; none for the end
    switch (mode) {
    case TAttachMode::FirstChild: before = parent->first_; break;
    case TAttachMode::LastChild: before = nullptr; break;
    case TAttachMode::Before: before = anchor; break;
    case TAttachMode::After: before = anchor->next_; break;
    }
    node->parent_ = parent;
    node->next_ = before;
    node->prev_ = before ? before->prev_ : parent->last_;
    (node->prev_ ? node->prev_->next_ : parent->first_) = node;
    (before ? before->prev_ : parent->last_) = node;
    ++parent->childCount_;
    CountNodes(node, +1);
    ContentChanged();
    if (parent == fRoot)
        InvalidateLookups();
}

void TETree::Unlink(TNode* node)
{
    TNode* parent = node->parent_;
    (node->prev_ ? node->prev_->next_ : parent->first_) = node->next_;
    (node->next_ ? node->next_->prev_ : parent->last_) = node->prev_;
    --parent->childCount_;
    CountNodes(node, -1);
    ContentChanged();
    node->parent_ = node->prev_ = node->next_ = nullptr;
    if (parent == fRoot)
        InvalidateLookups();
}

void TETree::CountNodes(const TNode* node, int delta)
{
    // Two levels: a subtree is a node and its direct children.
    const size_t size = 1 + node->childCount_;
    fNodeCount = delta > 0 ? fNodeCount + size : fNodeCount - size;
}

void TETree::InvalidateLookups()
{
    ContentChanged();
    if (!fFindCache.empty())
        fFindCache.clear();
}

// ---- Queries

TNode* TETree::GetVariableNode(TNode* node)
{
    if (!node)
        return nullptr;
    return node->Level() == 1 ? node->parent_ : node;
}

const std::u16string& TETree::GetVariableName(const TNode* variable) { return variable->VarData()->GetVariableName(); }

TRegDataType TETree::GetVariableType(const TNode* variable) { return variable->VarData()->GetDataType(); }

bool TETree::GetVariableReadOnly(const TNode* variable) { return variable->VarData()->GetReadOnly(); }

const std::u16string& TETree::GetElement(const TNode* element) { return element->ElemData()->GetElement(); }

std::u16string TETree::GetVariableValue(const TNode* variable)
{
    size_t length = variable->childCount_ ? variable->childCount_ - 1 : 0;
    for (const TNode* e = variable->first_; e; e = e->next_)
        length += e->ElemData()->GetElement().size();
    std::u16string value;
    value.reserve(length);
    for (const TNode* e = variable->first_; e; e = e->next_) {
        if (e != variable->first_)
            value += u';';
        value += e->ElemData()->GetElement();
    }
    return value;
}

std::u16string TETree::GetNodeAsText(const TNode* node) const
{
    switch (node ? node->Level() : -1) {
    case 0:
        return IsStartEditing ? GetVariableName(node) : GetVariableName(node) + u"=" + GetVariableValue(node);
    case 1:
        return GetElement(node);
    default:
        return {};
    }
}

TNode* TETree::FindVariable(std::u16string_view name) const
{
    const std::u16string key(name);
    if (auto it = fFindCache.find(key); it != fFindCache.end())
        return it->second;
    TNode* found = nullptr;
    const platform::ITextServices& text = platform::Text();
    for (TNode* v = fRoot->first_; v; v = v->next_) {
        if (text.EqualIgnoreCase(v->VarData()->GetVariableName(), name)) {
            found = v;
            break;
        }
    }
    if (fFindCache.size() >= kFindCacheLimit)
        fFindCache.clear();
    fFindCache.emplace(key, found);
    return found;
}

std::u16string TETree::GetValueByName(std::u16string_view name) const
{
    const TNode* v = FindVariable(name);
    return v ? GetVariableValue(v) : std::u16string();
}

std::vector<std::u16string> TETree::GetVariablesStartedWith(std::u16string_view prefix) const
{
    const std::u16string upperPrefix = AsciiUpper(prefix);
    std::vector<std::u16string> result;
    for (const TNode* v = fRoot->first_; v; v = v->next_) {
        std::u16string text = u"%" + v->VarData()->GetVariableName() + u"%";
        if (AsciiUpper(text).starts_with(upperPrefix))
            result.push_back(std::move(text));
    }
    return result;
}

TNode* TETree::GetNextNode(const TNode* node)
{
    if (!node)
        return nullptr;
    if (node->first_)
        return node->first_;
    for (; node; node = node->parent_)
        if (node->next_)
            return node->next_;
    return nullptr;
}

TNode* TETree::GetFirstVisible() const
{
    for (TNode* v = fRoot->first_; v; v = v->next_)
        if (v->visible_)
            return v;
    return nullptr;
}

bool TETree::IsSplitName(std::u16string_view name) const { return !exclusions || exclusions->isSplit(name); }

bool TETree::IsVariableSplit(const TNode* node) const
{
    const TNode* v = node && node->Level() == 1 ? node->parent_ : node;
    return !v || v->Level() != 0 || IsSplitName(v->VarData()->GetVariableName());
}

bool TETree::IsDisplayed(const TNode* node)
{
    for (; node && node->Level() >= 0; node = node->parent_)
        if (!node->visible_)
            return false;
    return node != nullptr;
}

// ---- Building and state operations

void TETree::FillElements(TNode* variable, const std::u16string& value, std::u16string_view name)
{
    if (!IsSplitName(name)) {
        Link(NewNode(std::make_unique<TElemData>(value)), variable, TAttachMode::LastChild);
        return;
    }
    for (auto& element : SplitValue(value))
        Link(NewNode(std::make_unique<TElemData>(std::move(element))), variable, TAttachMode::LastChild);
}

TNode* TETree::AddVariable(std::u16string_view name, const std::u16string& value, TRegDataType kind, bool readOnly)
{
    TBatch batch(*this);
    TNode* variable = AppendVariableNode(std::u16string(name), kind, readOnly);
    FillElements(variable, value, name);
    ActivateNode(variable);
    return variable;
}

void TETree::SetVariableValue(TNode* variable, const std::u16string& value)
{
    TBatch batch(*this);
    DeleteChildren(variable);
    FillElements(variable, value, variable->VarData()->GetVariableName());
    variable->expanded_ = false;
    StatesChanged();
}

TNode* TETree::InsertElementAtFocus(std::u16string text)
{
    if (!fFocused)
        return nullptr;
    TBatch batch(*this);
    TNode* element = fFocused->Level() == 0 ? InsertElementNode(fFocused, TAttachMode::FirstChild, std::move(text))
                                            : InsertElementNode(fFocused, TAttachMode::After, std::move(text));
    ActivateNode(element);
    return element;
}

TNode* TETree::InsertEmptyElement() { return InsertElementAtFocus(std::u16string()); }

TNode* TETree::InsertElement(std::u16string_view text)
{
    TNode* element = InsertElementAtFocus(std::u16string(text));
    if (element)
        ActivateNode(element);
    return element;
}

void TETree::SetElement(std::u16string_view text)
{
    FinishEditing();
    // Accepting the edit may have moved the focus; the text goes to the element focused now.
    if (!fFocused || fFocused->Level() != 1)
        return;
    PushSnapshot();
    SetElementText(fFocused, std::u16string(text));
}

void TETree::ReSplitVariable(TNode* variable)
{
    const bool wasExpanded = variable->expanded_;
    TBatch batch(*this);
    SetVariableValue(variable, GetVariableValue(variable));
    if (wasExpanded)
        FullExpand(variable);
}

void TETree::ReSplitAllVariables()
{
    TBatch batch(*this);
    for (TNode* v = fRoot->first_; v; v = v->next_)
        ReSplitVariable(v);
}

void TETree::AddSpecialVariables(std::span<const std::u16string_view> names)
{
    TBatch batch(*this);
    const platform::IProcessEnvironment& environment = platform::ProcessEnvironment();
    for (std::u16string_view name : names) {
        std::u16string value = environment.GetVariable(name);
        if (!value.empty())
            AddVariable(name, value, rdString, true);
    }
}

void TETree::ActivateNode(TNode* node)
{
    if (node == fRoot)
        node = nullptr;
    // The control cannot show a focused row inside a collapsed variable.
    if (node && node->Level() == 1 && !node->parent_->expanded_) {
        node->parent_->expanded_ = true;
        StatesChanged();
    }
    SetFocus(node);
}

void TETree::SetFocus(TNode* node)
{
    if (fFocused == node && fSelected == node)
        return;
    fFocused = node;
    fSelected = node;
    FocusMoved();
}

void TETree::FinishEditing()
{
    if (fObserver)
        fObserver->FinishEditing();
}

void TETree::ShowReadOnly(bool show)
{
    bool changed = false;
    for (TNode* v = fRoot->first_; v; v = v->next_) {
        const bool visible = show || !v->VarData()->GetReadOnly();
        changed |= v->visible_ != visible;
        v->visible_ = visible;
    }
    if (changed)
        StatesChanged();
    // An element of a hidden variable is hidden with it, though its own flag stays set.
    if (!fFocused || !IsDisplayed(fFocused))
        if (TNode* first = GetFirstVisible())
            ActivateNode(first);
}

void TETree::SetExclusions(TExclusions* list)
{
    exclusions = list;
    ++fExclusionsChanges;
    if (!list)
        return;
    // The list cannot forget a callback; this one does nothing once the tree is gone or has
    // been given another list.
    list->AddOnChange([alive = std::weak_ptr<TETree*>(fAlive), list] {
        if (auto tree = alive.lock(); tree && (*tree)->exclusions == list) {
            ++(*tree)->fExclusionsChanges;
            (*tree)->ReSplitAllVariables();
        }
    });
}

void TETree::undo()
{
    if (undoStack)
        undoStack->Undo();
}

void TETree::PushSnapshot()
{
    if (undoStack)
        undoStack->Push();
}

// ---- Node-level building

void TETree::Clear()
{
    FreeChain(fRoot->first_);
    fRoot->first_ = fRoot->last_ = nullptr;
    fRoot->childCount_ = 0;
    fNodeCount = 0;
    InvalidateLookups();
    fFocused = fSelected = nullptr;
    FocusMoved();
    StructureChanged();
}

TNode* TETree::AppendVariableNode(std::u16string name, TRegDataType kind, bool readOnly)
{
    TNode* variable = NewNode(std::make_unique<TVarData>(std::move(name), kind, readOnly));
    Link(variable, fRoot, TAttachMode::LastChild);
    StructureChanged();
    return variable;
}

TNode* TETree::InsertElementNode(TNode* anchor, TAttachMode mode, std::u16string text)
{
    ParentFor(anchor, mode, 1);
    TNode* element = NewNode(std::make_unique<TElemData>(std::move(text)));
    Link(element, anchor, mode);
    StructureChanged();
    return element;
}

void TETree::MoveFocusOutOf(TNode* node, TNode* fallback)
{
    auto inside = [node](const TNode* n) {
        for (; n; n = n->parent_)
            if (n == node)
                return true;
        return false;
    };
    if (inside(fFocused))
        SetFocus(fallback);
    else if (inside(fSelected)) {
        fSelected = nullptr;
        FocusMoved();
    }
}

void TETree::DeleteNode(TNode* node)
{
    if (!node || node == fRoot)
        return;
    TNode* parent = node->parent_;
    MoveFocusOutOf(node, parent == fRoot ? nullptr : parent);
    Unlink(node);
    FreeNode(node);
    if (parent != fRoot && parent->childCount_ == 0 && parent->expanded_) {
        parent->expanded_ = false;
        StatesChanged();
    }
    StructureChanged();
}

void TETree::DeleteChildren(TNode* node)
{
    if (!node || !node->first_)
        return;
    TBatch batch(*this);
    while (node->first_)
        DeleteNode(node->first_);
}

void TETree::MoveNode(TNode* node, TNode* anchor, TAttachMode mode)
{
    if (!node || node->Level() != 1 || anchor == node)
        return;
    ParentFor(anchor, mode, 1);
    TNode* oldParent = node->parent_;
    Unlink(node);
    Link(node, anchor, mode);
    if (oldParent->childCount_ == 0 && oldParent->expanded_) {
        oldParent->expanded_ = false;
        StatesChanged();
    }
    StructureChanged();
}

void TETree::SetVariableName(TNode* variable, std::u16string name)
{
    variable->VarData()->SetVariableName(std::move(name));
    InvalidateLookups();
    InvalidateNode(variable);
    StructureChanged();
}

void TETree::SetVariableType(TNode* variable, TRegDataType kind)
{
    variable->VarData()->SetDataType(kind);
    ContentChanged();
    InvalidateNode(variable);
    for (const TNode* e = variable->first_; e; e = e->next_)
        InvalidateNode(e);
}

void TETree::SetElementText(TNode* element, std::u16string text)
{
    element->ElemData()->SetElement(std::move(text));
    ContentChanged();
    InvalidateNode(element);
}

// ---- Focus, selection, expansion

void TETree::SetExpanded(TNode* node, bool expanded)
{
    if (!node || node == fRoot || node->expanded_ == expanded || (expanded && !node->first_))
        return;
    node->expanded_ = expanded;
    StatesChanged();
    // As the tree control does: a focus hidden by the collapse moves to the collapsed node.
    if (!expanded && fFocused && fFocused->parent_ == node)
        SetFocus(node);
}

void TETree::FullExpand(TNode* node)
{
    TBatch batch(*this);
    TNode* first = node ? node : fRoot->first_;
    for (TNode* n = first; n; n = node ? nullptr : n->next_) {
        SetExpanded(n, true);
        for (TNode* c = n->first_; c; c = c->next_)
            SetExpanded(c, true);
    }
}

void TETree::FullCollapse(TNode* node)
{
    TBatch batch(*this);
    TNode* first = node ? node : fRoot->first_;
    for (TNode* n = first; n; n = node ? nullptr : n->next_)
        SetExpanded(n, false);
}

uint32_t TETree::GetNodeIndex(const TNode* node) const
{
    uint32_t index = 0;
    for (const TNode* n = fRoot->first_; n; n = GetNextNode(n), ++index)
        if (n == node)
            return index;
    return 0;
}

uint32_t TETree::GetFocusIndex() const { return fFocused ? GetNodeIndex(fFocused) : 0; }

void TETree::RestoreFocus(uint32_t index)
{
    TNode* n = fRoot->first_;
    for (uint32_t i = 0; i < index && n; ++i)
        n = GetNextNode(n);
    if (n) {
        SetFocus(n);
    } else if (fFocused) {
        fFocused = nullptr;
        FocusMoved();
    }
}

// ---- Batches and sorting

void TETree::BeginUpdate() { ++fUpdateCount; }

void TETree::EndUpdate()
{
    if (fUpdateCount == 0 || --fUpdateCount > 0)
        return;
    if (fStructureDirty)
        SortVariables();
    const bool tree = fStructureDirty || fStatesDirty;
    const bool focus = fFocusDirty;
    fStructureDirty = fStatesDirty = fFocusDirty = false;
    if (fObserver && tree)
        fObserver->TreeChanged();
    if (fObserver && focus)
        fObserver->FocusChanged();
}

void TETree::Sort()
{
    if (fUpdateCount > 0)
        fStructureDirty = true;
    else if (SortVariables() && fObserver)
        fObserver->TreeChanged();
}

bool TETree::SortVariables()
{
    // Elements keep the order of the value, so only the variable level is ever reordered.
    std::vector<TNode*> nodes;
    nodes.reserve(fRoot->childCount_);
    for (TNode* v = fRoot->first_; v; v = v->next_)
        nodes.push_back(v);
    if (std::is_sorted(nodes.begin(), nodes.end(), NameLess))
        return false;
    std::stable_sort(nodes.begin(), nodes.end(), NameLess);
    TNode* prev = nullptr;
    for (TNode* n : nodes) {
        n->prev_ = prev;
        (prev ? prev->next_ : fRoot->first_) = n;
        prev = n;
    }
    prev->next_ = nullptr;
    fRoot->last_ = prev;
    InvalidateLookups();
    return true;
}

void TETree::StructureChanged()
{
    BeginUpdate();
    fStructureDirty = true;
    EndUpdate();
}

void TETree::StatesChanged()
{
    BeginUpdate();
    fStatesDirty = true;
    EndUpdate();
}

void TETree::FocusMoved()
{
    BeginUpdate();
    fFocusDirty = true;
    EndUpdate();
}

void TETree::InvalidateNode(const TNode* node)
{
    if (fUpdateCount > 0)
        fStatesDirty = true;
    else if (fObserver && node)
        fObserver->NodeChanged(node);
}

// ---- Snapshots and transfers

void TETree::WriteNodePayload(const TNode* node, TByteWriter& out) const
{
    if (node->Level() == 0)
        WriteVarRecord(*node->VarData(), out);
    else if (node->Level() == 1)
        WriteElemRecord(*node->ElemData(), out);
}

void TETree::ReadNodePayload(TNode* node, TByteReader& in) const
{
    if (node->Level() == 0) {
        node->data_ = ReadVarRecord(in);
        fFindCache.clear();
    } else if (node->Level() == 1) {
        node->data_ = ReadElemRecord(in);
    }
    ++fContentVersion;
}

// Layout of a node: a state byte (expanded, hidden, selected), for a variable the count of its
// elements, then its payload record, then the elements. Elements never have children, so they
// carry no count.
void TETree::WriteSubtree(const TNode* node, TByteWriter& out) const
{
    const int level = node->Level();
    out.WriteByte(static_cast<uint8_t>((node->expanded_ ? kStateExpanded : 0) | (node->visible_ ? 0 : kStateHidden) |
                                       (node == fSelected ? kStateSelected : 0)));
    if (level == 0)
        out.WriteVarUInt(node->childCount_);
    WriteNodePayload(node, out);
    if (level == 0)
        for (const TNode* e = node->first_; e; e = e->next_)
            WriteSubtree(e, out);
}

TNode* TETree::ReadDetached(TByteReader& in, int level, TNode*& selected) const
{
    const uint8_t state = in.ReadByte();
    if (state & ~(kStateExpanded | kStateHidden | kStateSelected))
        TByteReader::Damaged();
    const uint32_t count = level == 0 ? in.ReadVarUInt() : 0;
    std::unique_ptr<TNode, void (*)(TNode*)> node(new TNode, &TETree::FreeNode);
    if (level == 0)
        node->data_ = ReadVarRecord(in);
    else
        node->data_ = ReadElemRecord(in);
    node->visible_ = !(state & kStateHidden);
    if (state & kStateSelected)
        selected = node.get();
    for (uint32_t i = 0; i < count; ++i) {
        TNode* child = ReadDetached(in, level + 1, selected);
        child->parent_ = node.get();
        child->prev_ = node->last_;
        (node->last_ ? node->last_->next_ : node->first_) = child;
        node->last_ = child;
        ++node->childCount_;
    }
    node->expanded_ = (state & kStateExpanded) && count > 0;
    return node.release();
}

void TETree::SaveSnapshot(TBytes& out) const
{
    // Roughly the final size, so that a large tree is not copied while it grows.
    out.reserve(out.size() + 16 * fNodeCount);
    TByteWriter writer(out);
    writer.WriteVarUInt(fRoot->childCount_);
    for (const TNode* v = fRoot->first_; v; v = v->next_)
        WriteSubtree(v, writer);
}

void TETree::LoadSnapshot(const uint8_t* data, size_t size)
{
    TByteReader in(data, size);
    TNode* selected = nullptr;
    // Everything is read into a detached chain first: damaged data must leave the tree alone.
    TNode holder;
    try {
        const uint32_t count = in.ReadVarUInt();
        for (uint32_t i = 0; i < count; ++i) {
            TNode* v = ReadDetached(in, 0, selected);
            v->prev_ = holder.last_;
            (holder.last_ ? holder.last_->next_ : holder.first_) = v;
            holder.last_ = v;
            ++holder.childCount_;
        }
        if (!in.AtEnd())
            TByteReader::Damaged();
    } catch (...) {
        FreeChain(holder.first_);
        throw;
    }

    TBatch batch(*this);
    Clear();
    fRoot->first_ = holder.first_;
    fRoot->last_ = holder.last_;
    fRoot->childCount_ = holder.childCount_;
    for (TNode* v = fRoot->first_; v; v = v->next_) {
        v->parent_ = fRoot;
        fNodeCount += 1 + v->childCount_;
    }
    holder.first_ = holder.last_ = nullptr;
    fSelected = selected;
    fFocused = nullptr;
    InvalidateLookups();
    FocusMoved();
    StructureChanged();
}

TNode* TETree::ReadSubtree(TByteReader& in, TNode* anchor, TAttachMode mode)
{
    if (!anchor && !IsChildMode(mode))
        throw std::invalid_argument("a node of this level cannot go there");
    const int level = IsChildMode(mode) ? (anchor ? anchor->Level() : -1) + 1 : anchor->Level();
    ParentFor(anchor, mode, level);
    TNode* selected = nullptr;
    TNode* node = ReadDetached(in, level, selected);
    Link(node, anchor, mode);
    StructureChanged();
    return node;
}

} // namespace varnook
