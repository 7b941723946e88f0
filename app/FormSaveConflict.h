// The question a save asks when the user and another program both changed the same variables.
#pragma once

#include <string>
#include <vector>

namespace varnook {

enum class TSaveConflictAnswer { KeepMine, KeepTheirs, Reload, Cancel };

class TfrmSaveConflict {
public:
    // Lists the variables; Esc and closing through the frame answer Cancel (nothing is saved).
    static TSaveConflictAnswer createAndShowModal(const std::vector<std::u16string>& names);
    // The message the box shows for these variables.
    static std::u16string Text(const std::vector<std::u16string>& names);
};

} // namespace varnook
