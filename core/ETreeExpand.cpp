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

std::u16string TETree::ExpandOrLoopText(const std::u16string& text) const
{
    try {
        return ExpandReferences(text);
    } catch (const ELoopDetected&) {
        return gettext(u"Infinite loop detected");
    }
}

const std::u16string& TETree::ExpandedElement(const TNode* element, std::u16string& buffer) const
{
    const std::u16string& text = GetElement(element);
    // A text without a percent sign expands to itself; the passes need not run.
    if (GetVariableType(element->Parent()) != rdExpandString || text.find(u'%') == std::u16string::npos)
        return text;
    buffer = ExpandOrLoopText(text);
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
