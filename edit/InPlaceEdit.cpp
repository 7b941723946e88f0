#include "edit/InPlaceEdit.h"

#include "core/ETree.h"
#include "core/Strings.h"
#include "core/Tools.h"
#include "core/Translate.h"
#include "platform/Services.h"

namespace varnook {

namespace {
bool IsBlank(std::u16string_view text)
{
    for (char16_t c : text)
        if (c > u' ')
            return false;
    return true;
}
} // namespace

std::u16string AcceptVariableName(TETree& tree, TNode* variable, const std::u16string& name)
{
    // The new-variable dialog trims before it tests for empty; so does this editor.
    if (IsBlank(name))
        return gettext(u"Variable name can't be empty");
    const std::u16string& old = TETree::GetVariableName(variable);
    if (name == old)
        return {};
    if (name.find(u'=') != std::u16string::npos)
        return gettext(u"Variable name can't contain '='");
    // A change of letter case alone renames the variable itself; any other clash is refused.
    const bool caseOnly = platform::Text().EqualIgnoreCase(name, old);
    if (!caseOnly) {
        const TNode* other = tree.FindVariable(name);
        if (other && other != variable)
            return FormatMessage1(gettext(u"Variable '%s' already exists"), name);
    }
    if (tree.IsOnEdited)
        tree.PushSnapshot();
    tree.SetVariableName(variable, name);
    tree.ReSplitVariable(variable);
    return {};
}

void AcceptElementText(TETree& tree, TNode* element, const std::u16string& text)
{
    if (tree.IsOnEdited)
        tree.PushSnapshot();
    TNode* variable = element->Parent();
    if (!tree.IsVariableSplit(variable) || text.find(u';') == std::u16string::npos) {
        tree.SetElementText(element, text);
        return;
    }
    const TElementList items = SplitValue(text);
    tree.BeginUpdate();
    tree.SetElementText(element, items.front());
    TNode* last = element;
    for (size_t i = 1; i < items.size(); ++i)
        last = tree.InsertElementNode(last, TAttachMode::After, items[i]);
    tree.EndUpdate();
}

void CancelInPlaceEdit(TETree& tree)
{
    if (!tree.IsOnEdited) {
        tree.IsOnEdited = true;
        tree.undo();
    }
    tree.IsOnEdited = true;
}

} // namespace varnook
