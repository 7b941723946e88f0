#include "platform/CatalogFiles.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinString.h"

#include <windows.h>

namespace varnook::platform {

namespace {

struct UnmapView { void operator()(const void* p) const { ::UnmapViewOfFile(p); } };
using unique_view = UniqueHandle<const void*, UnmapView>;

unique_handle OpenShared(const std::u16string& path)
{
    HANDLE file = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return unique_handle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// A view starts on the system's allocation granularity; the catalog's bytes start inside it.
class MappedView final : public IFileView {
public:
    MappedView(unique_handle mapping, unique_view view, size_t skip, size_t size)
        : mapping_(std::move(mapping)), view_(std::move(view)), skip_(skip), size_(size)
    {
    }
    const unsigned char* Data() const override { return static_cast<const unsigned char*>(view_.get()) + skip_; }
    size_t Size() const override { return size_; }

private:
    unique_handle mapping_;
    unique_view view_;
    size_t skip_;
    size_t size_;
};

class Win32CatalogFiles final : public ICatalogFiles {
public:
    bool GetFileSize(const std::u16string& path, uint64_t& size) override
    {
        unique_handle file = OpenShared(path);
        LARGE_INTEGER length;
        if (!file || !GetFileSizeEx(file.get(), &length))
            return false;
        size = static_cast<uint64_t>(length.QuadPart);
        return true;
    }

    bool ReadAt(const std::u16string& path, uint64_t offset, void* buffer, size_t length) override
    {
        unique_handle file = OpenShared(path);
        if (!file)
            return false;
        auto* out = static_cast<unsigned char*>(buffer);
        while (length > 0) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            DWORD got = 0;
            const DWORD want = length > 0x10000000 ? 0x10000000 : static_cast<DWORD>(length);
            if (!ReadFile(file.get(), out, want, &got, &at) || got == 0)
                return false;
            out += got;
            offset += got;
            length -= got;
        }
        return true;
    }

    bool FileExists(const std::u16string& path) override
    {
        const DWORD attributes = GetFileAttributesW(W(path));
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    std::unique_ptr<IFileView> MapRange(const std::u16string& path, uint64_t offset, uint64_t length) override
    {
        uint64_t size = 0;
        if (length == 0 || !GetFileSize(path, size) || offset > size || length > size - offset || length > SIZE_MAX)
            return nullptr;
        unique_handle file = OpenShared(path);
        if (!file)
            return nullptr;
        unique_handle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping)
            return nullptr;
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const uint64_t start = offset - offset % info.dwAllocationGranularity;
        const size_t skip = static_cast<size_t>(offset - start);
        unique_view view(MapViewOfFile(mapping.get(), FILE_MAP_READ, static_cast<DWORD>(start >> 32),
                                       static_cast<DWORD>(start), static_cast<SIZE_T>(skip + length)));
        if (!view)
            return nullptr;
        return std::make_unique<MappedView>(std::move(mapping), std::move(view), skip, static_cast<size_t>(length));
    }

    TLocaleNames LocaleNames() override
    {
        TLocaleNames names;
        wchar_t buffer[16];
        if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, buffer, 16) > 1)
            names.language = U16(buffer);
        if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME, buffer, 16) > 1)
            names.country = U16(buffer);
        names.threadLocale = GetThreadLocale();
        return names;
    }
};

} // namespace

ICatalogFiles& DefaultCatalogFiles()
{
    static Win32CatalogFiles files;
    return files;
}

} // namespace varnook::platform
