// The new-variable dialog: a name, checked as it is typed, and the kind of the new variable.
#pragma once

#include "core/Registry.h"

#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace varnook {

class TETree;

class TfrmAddVar {
public:
    struct TInput {
        std::u16string name;
        TRegDataType kind = rdString; // rdExpandString chooses the expandable button
    };
    struct TOutput {
        std::u16string name; // as typed, blanks included
        TRegDataType kind = rdString;
    };

    // The error line for a name (translated), empty while the name is acceptable: not blank,
    // without "=" (Windows cannot hold such a variable), and no variable of the tree has it in
    // any letter case.
    static std::u16string NameError(std::u16string_view name, const TETree& tree);

#ifdef _WIN32
    // Shows the dialog over owner for a variable of tree; true only when closed with OK.
    static bool createAndShowModal(HWND owner, const TETree& tree, const TInput& input, TOutput& output);
#endif
};

} // namespace varnook
