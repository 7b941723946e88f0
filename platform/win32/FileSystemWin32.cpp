#include "platform/Services.h"
#include "platform/win32/WinString.h"

#include <windows.h>

namespace varnook::platform {

namespace {

class Win32FileSystem final : public IFileSystem {
public:
    bool DirectoryExists(const std::u16string& path) override
    {
        const DWORD attributes = GetFileAttributesW(W(path));
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    TPathProbe ProbePath(const std::u16string& path) override
    {
        const DWORD attributes = GetFileAttributesW(W(path));
        if (attributes != INVALID_FILE_ATTRIBUTES)
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? TPathProbe::Directory : TPathProbe::NotDirectory;
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TPathProbe::Missing : TPathProbe::Unknown;
    }

    bool SearchFinds(const std::u16string& pattern) override
    {
        WIN32_FIND_DATAW data;
        HANDLE search = FindFirstFileW(W(pattern), &data);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        FindClose(search);
        return true;
    }

    uint32_t SetErrorMode(uint32_t mode) override { return ::SetErrorMode(mode); }

    std::u16string ShortPathName(const std::u16string& path) override
    {
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = GetShortPathNameW(W(path), buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0)
                return {};
            if (length < buffer.size()) {
                buffer.resize(length);
                return U16(buffer);
            }
            buffer.resize(length); // too small: length is the size needed, terminator included
        }
    }

    bool FindFirstName(const std::u16string& pattern, std::u16string& name) override
    {
        WIN32_FIND_DATAW data;
        HANDLE search = FindFirstFileW(W(pattern), &data);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        FindClose(search);
        name = U16(data.cFileName);
        return true;
    }
};

} // namespace

IFileSystem& DefaultFileSystem()
{
    static Win32FileSystem fileSystem;
    return fileSystem;
}

} // namespace varnook::platform
