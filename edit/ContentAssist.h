// What the completion popup of the element editor offers, decided from the editor's text and
// caret alone: which list, from where the completed part starts, which rows, and what choosing
// a row makes of the text. No windows here; the popup (ContentAssistPopup.h) only shows it.
//
// Positions follow the editor: the caret is a 0-based offset, the completion start a 1-based
// position (the first character is 1), -1 for none.
#pragma once

#include "platform/Services.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnook {

enum class TContentAssistType { Path, Variable, Hints };

// Where the references offered in the Variable list come from.
class IVariablesGetter {
public:
    virtual ~IVariablesGetter() = default;
    // "%NAME%" of the editor's own tree, as TETree::GetVariablesStartedWith gives them.
    virtual std::vector<std::u16string> GetVariablesStartedWith(std::u16string_view prefix) = 0;
    // The same of the tree's resolving tree; none when it has none.
    virtual std::vector<std::u16string> GetResolvedVariablesStartedWith(std::u16string_view prefix) = 0;
};

// What UpdateContentAssist does for a text and caret.
struct TAssistRequest {
    bool open = false; // false: hide the popup
    TContentAssistType list = TContentAssistType::Path;
    int position = -1; // 1-based start of the completed part
    bool operator==(const TAssistRequest&) const = default;
};

// Plain strings always complete a path from the start. In an expandable string the '%' before
// the caret decide: none, a path; an odd count, the reference begun at the last one; an even
// count, nothing unless asked explicitly (Ctrl+Space), then every reference at the caret.
TAssistRequest DecideContentAssist(std::u16string_view text, size_t caret, bool expandable, bool explicitRequest);

// The text completed so far: from position up to the caret. False when the caret lies before
// position (the popup then hides).
bool AssistPrefix(std::u16string_view text, int position, size_t caret, std::u16string& prefix);

struct TAssistRow {
    std::u16string text;
    bool directory = false; // Path rows: an existing directory, for its icon
    bool operator==(const TAssistRow&) const = default;
};

// One keystroke's listing stops after this many entries or this long, so that typing in a
// folder of tens of thousands of entries never waits on the listing.
inline constexpr platform::TListLimits kPathListLimits{5000, 150};

// The paths that begin with text: '/' read as '\', the folder part (up to the last '\' or ':',
// with a '\' added) listed for entries matching the rest followed by '*', each row the folder
// part plus the entry's name; a leading "." and ".." dropped. A text without folder part lists
// the current folder as bare names. Folders on a network share or a drive mapped to one are
// never listed: completion must not wait on a server. complete (when given) is false when the
// listing stopped at its limits.
std::vector<TAssistRow> PathCompletions(std::u16string_view text, const platform::TListLimits& limits = kPathListLimits,
                                        bool* complete = nullptr);

// The two rows of the Hints list: the key name, a blank and the translated command.
std::vector<std::u16string> HintRows();

// The rows of a list for prefix, in the order the popup shows them (sorted, letter case
// ignored). Variable: the editor's own tree first, then what the resolving tree adds under
// other names.
std::vector<TAssistRow> FillAssistRows(TContentAssistType list, std::u16string_view prefix, IVariablesGetter* getter,
                                       const platform::TListLimits& limits = kPathListLimits);

struct TInsertion {
    std::u16string text;
    size_t caret = 0; // just after the inserted row
    bool operator==(const TInsertion&) const = default;
};

// Replaces the text from position (1-based) up to end (0-based, the end of the selection or the
// caret) by row. A path row holding ';' in a split variable is put in double quotes, so that
// it stays one element; so is a path the user began with a double quote.
TInsertion InsertCompletion(std::u16string_view text, int position, size_t end, std::u16string_view row,
                            TContentAssistType list, bool splitVariable);

} // namespace varnook
