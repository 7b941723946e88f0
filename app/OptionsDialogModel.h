// What the options dialog and the exclusion editor decide, without their windows: the editor's
// check of its input, how an edited entry is stored, and how the dialog's choices reach the
// options when it is confirmed.
#pragma once

#include "core/Exclusions.h"

#include <string>
#include <string_view>

namespace varnook {

class TOptions;

// The text without the blanks and control characters around it.
std::u16string_view TrimBlanks(std::u16string_view text);

// The exclusion editor's verdict on its input, in English: "Variable name can't be empty",
// "This variable already exists", "At least one option must be selected", or empty when the
// entry may be stored. The name is checked as it will be stored: trimmed.
std::u16string ValidateExclusion(const TExclusions& list, std::u16string_view initialName, std::u16string_view text,
                                 bool notSplit, bool notCheck);

// Stores the editor's entry in place of initialName's (which may be empty or absent). Refuses
// (false, list unchanged) what ValidateExclusion refuses; the old entry goes only once the new
// one is in, so no entry is ever lost.
bool StoreExclusion(TExclusions& list, std::u16string_view initialName, std::u16string_view text, bool notSplit,
                    bool notCheck);

// Makes target hold exactly working's entries by changing only what differs: names working
// lacks are removed, new ones added, changed flags (or spellings) put in place. An unchanged
// entry is not touched, so the variables it keeps whole are never split and joined again.
void ApplyExclusions(TExclusions& target, const TExclusions& working);

// The four check boxes of the options dialog.
struct TOptionsChoices {
    bool onDeleteConfirmation = false;
    bool onExitConfirmation = false;
    bool checkForUpdates = false;
    bool isAnimation = false;
};

TOptionsChoices ReadOptionsChoices(const TOptions& options);

// The dialog's OK: the choices and the working list go into the options in memory, then the
// options are saved. Gives the save's failure message, empty when it worked; the choices stay
// applied either way, so a later save (the one at closing) writes them.
std::u16string ApplyOptionsChoices(TOptions& options, const TOptionsChoices& choices, const TExclusions& working);

} // namespace varnook
