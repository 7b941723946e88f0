// The index of appended catalogs must take any file tail: entries found lie inside the file and
// between the base and the table, and a tail the builder wrote is read back whole.
#include "core/FileLocator.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace varnook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file(reinterpret_cast<const char*>(data), size);
    auto reader = [&](const std::string& bytes) {
        return [&bytes](uint64_t offset, void* buffer, size_t length) {
            if (offset > bytes.size() || length > bytes.size() - offset)
                return false;
            std::memcpy(buffer, bytes.data() + offset, length);
            return true;
        };
    };
    for (const TEmbeddedEntry& entry : ReadAppendedTable(file.size(), reader(file)))
        if (entry.info.offset > file.size() || entry.info.size > file.size() - entry.info.offset)
            std::abort();

    // The same bytes as the content of a catalog in a well-formed tail.
    const std::string built = "program" + BuildAppendedTail({{"locale\\x\\LC_MESSAGES\\default.mo", file}, {"b", "B"}});
    const auto entries = ReadAppendedTable(built.size(), reader(built));
    if (entries.size() != 2 || built.compare(entries[0].info.offset, entries[0].info.size, file) != 0)
        std::abort();
    return 0;
}
