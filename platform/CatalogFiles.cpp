#include "platform/CatalogFiles.h"

namespace varnook::platform {

namespace {
ICatalogFiles* gCatalogFiles = nullptr;
}

ICatalogFiles& CatalogFiles() { return gCatalogFiles ? *gCatalogFiles : DefaultCatalogFiles(); }

ScopedCatalogFiles::ScopedCatalogFiles(ICatalogFiles& replacement) : previous_(gCatalogFiles)
{
    gCatalogFiles = &replacement;
}

ScopedCatalogFiles::~ScopedCatalogFiles() { gCatalogFiles = previous_; }

} // namespace varnook::platform
