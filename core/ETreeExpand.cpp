// Reference expansion over the two trees: this tree first, then its resolving tree.
#include "core/ETree.h"

#include "core/Expansion.h"
#include "core/Translate.h"

namespace varnook {

std::u16string TETree::ExpandReferences(const std::u16string& text, int depth) const
{
    const TVariableLookup lookup = [this](std::u16string_view name) -> std::optional<std::u16string> {
        if (const TNode* v = FindVariable(name))
            return GetVariableValue(v);
        if (resolvingTree)
            if (const TNode* v = resolvingTree->FindVariable(name))
                return GetVariableValue(v);
        return std::nullopt;
    };
    return ExpandText(text, lookup, depth);
}

namespace {
// Remembered expansions beyond this many code units are forgotten all at once; a few ordinary
// environments' worth.
constexpr size_t kExpansionsLimit = size_t(1) << 23;
} // namespace

const std::optional<std::u16string>& TETree::RememberedExpansion(const std::u16string& text) const
{
    const uint64_t resolvingVersion = resolvingTree ? resolvingTree->fContentVersion : 0;
    if (fExpansionsVersion != fContentVersion || fExpansionsResolving != resolvingTree ||
        fExpansionsResolvingVersion != resolvingVersion || fExpansionsSize > kExpansionsLimit) {
        fExpansions.clear();
        fExpansionsSize = 0;
        fExpansionsVersion = fContentVersion;
        fExpansionsResolving = resolvingTree;
        fExpansionsResolvingVersion = resolvingVersion;
    }
    if (auto it = fExpansions.find(text); it != fExpansions.end())
        return it->second;
    std::optional<std::u16string> expanded;
    try {
        expanded = ExpandReferences(text);
    } catch (const ELoopDetected&) {
    }
    fExpansionsSize += text.size() + (expanded ? expanded->size() : 0);
    return fExpansions.emplace(text, std::move(expanded)).first->second;
}

std::u16string TETree::ExpandOrLoopText(const std::u16string& text) const
{
    const std::optional<std::u16string>& expanded = RememberedExpansion(text);
    // The loop text is translated at each use: the language may change in between.
    return expanded ? *expanded : gettext(u"Infinite loop detected");
}

const std::u16string& TETree::ExpandedElement(const TNode* element, std::u16string& buffer) const
{
    const std::u16string& text = GetElement(element);
    // A text without a percent sign expands to itself; the passes need not run.
    if (GetVariableType(element->Parent()) != rdExpandString || text.find(u'%') == std::u16string::npos)
        return text;
    if (const std::optional<std::u16string>& expanded = RememberedExpansion(text))
        return *expanded;
    buffer = gettext(u"Infinite loop detected");
    return buffer;
}

std::u16string TETree::GetElementEx(const TNode* element) const
{
    std::u16string buffer;
    const std::u16string& text = ExpandedElement(element, buffer);
    return &text == &buffer ? std::move(buffer) : text;
}

std::u16string TETree::GetVariableValueEx(const TNode* variable) const
{
    std::u16string value = GetVariableValue(variable);
    if (GetVariableType(variable) != rdExpandString || value.find(u'%') == std::u16string::npos)
        return value;
    return ExpandOrLoopText(value);
}

} // namespace varnook
