#include "core/ETree.h"

#include "platform/Services.h"

namespace varnook {

bool TETree::FindText(std::u16string_view text, bool fromStart)
{
    // With nothing focused there is nothing to continue after: the search starts at the top.
    TNode* node = fromStart || !fFocused ? FirstVariable() : GetNextNode(fFocused);
    const platform::ITextServices& locale = platform::Text();
    const std::u16string wanted = locale.UpperCase(text);
    for (; node; node = GetNextNode(node)) {
        // A value is searched through its elements only, so that a match names one row.
        const std::u16string& tested = node->Level() == 0 ? GetVariableName(node) : GetElement(node);
        if (locale.UpperCase(tested).find(wanted) != std::u16string::npos) {
            ActivateNode(node);
            return true;
        }
    }
    return false;
}

} // namespace varnook
