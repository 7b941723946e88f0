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

    bool ListEntries(const std::u16string& pattern, const TListLimits& limits, std::vector<TDirEntry>& entries) override
    {
        // The thread's own mode: a listing must not change what the rest of the program set.
        DWORD oldMode = 0;
        SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode);
        const ULONGLONG start = GetTickCount64();
        WIN32_FIND_DATAW data;
        // Basic information skips the short names, and large fetches take fewer round trips.
        HANDLE search = FindFirstFileExW(W(pattern), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH);
        bool complete = true;
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM)
                    continue;
                if (entries.size() >= limits.maxEntries || GetTickCount64() - start > limits.maxMilliseconds) {
                    complete = false;
                    break;
                }
                entries.push_back({U16(data.cFileName), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
            } while (FindNextFileW(search, &data));
            FindClose(search);
        }
        SetThreadErrorMode(oldMode, nullptr);
        return complete;
    }

    bool IsOnNetwork(const std::u16string& path) override
    {
        std::wstring full(MAX_PATH, L'\0');
        const std::wstring relative = path.empty() ? L"." : std::wstring(W(path));
        DWORD length = GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length >= full.size()) {
            full.resize(length);
            length = GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        }
        if (length == 0 || length >= full.size())
            return true; // no answer: better not to list
        full.resize(length);
        // \\?\C:\ and \\.\C:\ name a drive; any other \\ path is a share.
        if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0)
            full.erase(0, 4);
        if (full.size() < 2 || full[1] != L':')
            return true;
        const wchar_t root[] = {full[0], L':', L'\\', L'\0'};
        return GetDriveTypeW(root) == DRIVE_REMOTE;
    }
};

} // namespace

IFileSystem& DefaultFileSystem()
{
    static Win32FileSystem fileSystem;
    return fileSystem;
}

} // namespace varnook::platform
