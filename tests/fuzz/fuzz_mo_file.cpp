// A catalog from disk may be damaged or hostile: opening and looking up any text must stay
// inside its bytes (the sanitizers watch), and a found translation lies inside the catalog.
#include "core/MoFile.h"

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
    try {
        catalog = TMoFile::Open(std::make_unique<Bytes>(std::string(reinterpret_cast<const char*>(data), size)), u"f.mo");
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
