// One GNU gettext message catalog (.mo), read in place (or from its inflated copy, for the
// catalogs stored compressed in the executable).
#pragma once

#include "platform/CatalogFiles.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace varnook {

class TMoFile {
public:
    // Opens the catalog held by view. Raises "This file is not a valid GNU gettext mo file: "
    // + path when the magic number is wrong; returns null when the tables do not fit the bytes
    // (a damaged catalog counts as none).
    static std::unique_ptr<TMoFile> Open(std::unique_ptr<platform::IFileView> view, const std::u16string& path);

    // The translation of id (UTF-8, LF line breaks); false when the catalog has no entry.
    bool Lookup(std::string_view id, std::string_view& translation) const;
    // The translation of the empty identifier: the catalog's header.
    std::string_view Header() const;
    uint32_t Count() const { return count_; }

private:
    TMoFile(std::unique_ptr<platform::IFileView> view, bool swapped, uint32_t count, uint32_t ids, uint32_t strs);
    uint32_t Word(uint64_t offset) const;
    std::string_view Text(uint32_t table, uint32_t index) const;

    std::unique_ptr<platform::IFileView> view_;
    bool swapped_;
    uint32_t count_;
    uint32_t idTable_;
    uint32_t translationTable_;
};

// The catalogs appended to the executable are stored as zlib streams of their .mo bytes (a .mo
// begins with its magic number, never with a zlib header). When view holds a stream that
// inflates within limit, a view of the inflated bytes; otherwise view itself, which then opens
// as the damaged catalog it is.
constexpr size_t kMaxAppendedCatalog = 16 << 20;
std::unique_ptr<platform::IFileView> InflateAppendedCatalog(std::unique_ptr<platform::IFileView> view,
                                                            size_t limit = kMaxAppendedCatalog);

// The value of the header's Content-Type line contains "charset=UTF-8" (any letter case).
bool HeaderDeclaresUtf8(std::string_view header);

} // namespace varnook
