// Change notifications for folders. A watched folder tells when a name directly inside it was
// created, deleted or renamed, so that the verdicts of paths there need no probing to stay
// current. The waiting is done by worker threads; the caller collects what happened.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace varnook::platform {

class IFolderWatch {
public:
    virtual ~IFolderWatch() = default;

    // Starts watching the names inside folder. The answer comes later through Take: armed once
    // the watch is in place, failed when the folder cannot be watched.
    virtual void Watch(const std::u16string& folder) = 0;
    virtual void Unwatch(const std::u16string& folder) = 0;

    struct TEvents {
        std::vector<std::u16string> armed;
        std::vector<std::u16string> failed;
        // A folder whose watch ends (the folder was deleted) is reported here and as failed.
        std::vector<std::u16string> changed;
        bool Empty() const { return armed.empty() && failed.empty() && changed.empty(); }
    };
    // What happened since the last call; cheap when nothing did.
    virtual TEvents Take() = 0;
};

// Notifications of the system the program runs on; none where there are none to have.
std::unique_ptr<IFolderWatch> MakeFolderWatch();

} // namespace varnook::platform
