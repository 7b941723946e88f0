// What the translation layer needs of the file system and the locale: the executable's tail read
// in small pieces, catalogs mapped in place, and the user's language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace varnook::platform {

// Read-only bytes of part of a file, valid for the life of the object.
class IFileView {
public:
    virtual ~IFileView() = default;
    virtual const unsigned char* Data() const = 0;
    virtual size_t Size() const = 0;
};

// The user's language as the system names it.
struct TLocaleNames {
    std::u16string language; // ISO 639, e.g. "de"; empty when the system cannot say
    std::u16string country;  // ISO 3166, e.g. "DE"
    uint32_t threadLocale = 0;
};

class ICatalogFiles {
public:
    virtual ~ICatalogFiles() = default;
    // The size of a file opened for shared reading; false when it cannot be opened.
    virtual bool GetFileSize(const std::u16string& path, uint64_t& size) = 0;
    // Exactly length bytes at offset; false on any shortfall.
    virtual bool ReadAt(const std::u16string& path, uint64_t offset, void* buffer, size_t length) = 0;
    // A regular file is there.
    virtual bool FileExists(const std::u16string& path) = 0;
    // length bytes at offset, mapped or read in place; null when the range cannot be had.
    virtual std::unique_ptr<IFileView> MapRange(const std::u16string& path, uint64_t offset, uint64_t length) = 0;
    virtual TLocaleNames LocaleNames() = 0;
};

ICatalogFiles& CatalogFiles();
ICatalogFiles& DefaultCatalogFiles();

// Puts a test double in place of the service for the life of the guard.
class ScopedCatalogFiles {
public:
    explicit ScopedCatalogFiles(ICatalogFiles& replacement);
    ~ScopedCatalogFiles();
    ScopedCatalogFiles(const ScopedCatalogFiles&) = delete;
    ScopedCatalogFiles& operator=(const ScopedCatalogFiles&) = delete;

private:
    ICatalogFiles* previous_;
};

} // namespace varnook::platform
