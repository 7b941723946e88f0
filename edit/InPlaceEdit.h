// What the tree does with the text of an in-place edit when the edit ends: a new name for a
// variable row, a new text for an element row, or nothing on cancel. No windows here; the
// editor control (InPlaceEditor.h) calls these and shows the refusals.
#pragma once

#include <string>

namespace varnook {

class TETree;
class TNode;

// Accepts a changed name for the variable. Returns the translated message of a refusal (the
// caller shows it as an error; nothing changed, nothing pushed), or the empty text. A name of
// blanks only, one holding '=' (Windows cannot store it) and one another variable has are
// refused; the same name changes nothing; otherwise one undo step (none while IsOnEdited is
// false) renames it, divides the value again under the new name's exclusion flags and sorts it
// into place, keeping it expanded as it was.
std::u16string AcceptVariableName(TETree& tree, TNode* variable, const std::u16string& name);

// Accepts a changed element text: one undo step (none while IsOnEdited is false); in a split
// variable a text holding ';' becomes this element and new ones after it. Nothing is cut: a
// value longer than the store allows is left for validation to report.
void AcceptElementText(TETree& tree, TNode* element, const std::u16string& text);

// The edit ended without a change: after an add operation (IsOnEdited false) the node it made is
// taken back with its undo step. IsOnEdited is true afterwards.
void CancelInPlaceEdit(TETree& tree);

} // namespace varnook
