// The native build watches no folders: path verdicts are kept current by probing alone.
#include "platform/FolderWatch.h"

namespace varnook::platform {

std::unique_ptr<IFolderWatch> MakeFolderWatch()
{
    return nullptr;
}

} // namespace varnook::platform
