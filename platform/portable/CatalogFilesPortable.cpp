// The native build reads catalogs into memory; Windows paths map to host paths as everywhere.
#include "platform/CatalogFiles.h"
#include "platform/Services.h"

#include <fstream>
#include <vector>

namespace varnook::platform {

namespace {

class BufferView final : public IFileView {
public:
    explicit BufferView(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
    const unsigned char* Data() const override { return bytes_.data(); }
    size_t Size() const override { return bytes_.size(); }

private:
    std::vector<unsigned char> bytes_;
};

class PortableCatalogFiles final : public ICatalogFiles {
public:
    bool GetFileSize(const std::u16string& path, uint64_t& size) override
    {
        std::error_code error;
        const auto host = HostPath(path);
        if (!std::filesystem::is_regular_file(host, error))
            return false;
        size = std::filesystem::file_size(host, error);
        return !error;
    }

    bool ReadAt(const std::u16string& path, uint64_t offset, void* buffer, size_t length) override
    {
        std::ifstream in(HostPath(path), std::ios::binary);
        if (!in)
            return false;
        in.seekg(static_cast<std::streamoff>(offset));
        in.read(static_cast<char*>(buffer), static_cast<std::streamsize>(length));
        return in.gcount() == static_cast<std::streamsize>(length);
    }

    bool FileExists(const std::u16string& path) override
    {
        std::error_code error;
        return std::filesystem::is_regular_file(HostPath(path), error);
    }

    std::unique_ptr<IFileView> MapRange(const std::u16string& path, uint64_t offset, uint64_t length) override
    {
        uint64_t size = 0;
        if (length == 0 || !GetFileSize(path, size) || offset > size || length > size - offset)
            return nullptr;
        std::vector<unsigned char> bytes(length);
        if (!ReadAt(path, offset, bytes.data(), bytes.size()))
            return nullptr;
        return std::make_unique<BufferView>(std::move(bytes));
    }

    TLocaleNames LocaleNames() override { return {}; }
};

} // namespace

ICatalogFiles& DefaultCatalogFiles()
{
    static PortableCatalogFiles files;
    return files;
}

} // namespace varnook::platform
