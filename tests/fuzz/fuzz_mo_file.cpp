// A catalog from disk may be damaged or hostile: opening and looking up any text must stay
// inside its bytes (the sanitizers watch), and a found translation lies inside the catalog. The
// bytes are taken as an appended entry, so a zlib stream is inflated (within a limit) first.
#include "core/MoFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

using namespace varnook;

namespace {
class Bytes final : public platform::IFileView {
public:
    explicit Bytes(std::string bytes) : bytes_(std::move(bytes)) {}
    const unsigned char* Data() const override { return reinterpret_cast<const unsigned char*>(bytes_.data()); }
    size_t Size() const override { return bytes_.size(); }

private:
    std::string bytes_;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<TMoFile> catalog;
    constexpr size_t kLimit = 256 * 1024;
    auto bytes = std::make_unique<Bytes>(std::string(reinterpret_cast<const char*>(data), size));
    auto view = InflateAppendedCatalog(std::move(bytes), kLimit);
    if (!view || view->Size() > std::max(size, kLimit))
        std::abort();
    try {
        catalog = TMoFile::Open(std::move(view), u"f.mo");
    } catch (const std::runtime_error&) {
        return 0;
    }
    if (!catalog)
        return 0;
    HeaderDeclaresUtf8(catalog->Header());
    for (const char* id : {"", "Save", "&File", "\xff\xfe", "zzzzzzzz"}) {
        std::string_view translation;
        catalog->Lookup(id, translation);
    }
    return 0;
}
