#include "platform/Services.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinString.h"

#include <windows.h>

#include <vector>

namespace varnook::platform {

namespace {

class Win32ProgramFiles final : public IProgramFiles {
public:
    std::u16string ExecutablePath() override
    {
        std::vector<wchar_t> buffer(MAX_PATH);
        for (;;) {
            DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (n == 0)
                return {};
            if (n < buffer.size())
                return U16(buffer.data(), n);
            buffer.resize(buffer.size() * 2);
        }
    }

    FileState GetFileState(const std::u16string& path) override
    {
        const DWORD attributes = GetFileAttributesW(W(path));
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return {};
        return {true, (attributes & FILE_ATTRIBUTE_READONLY) != 0};
    }

    bool MoveReplacing(const std::u16string& source, const std::u16string& target) override
    {
        // The content must be on the disk before the name points at it, or a crash could leave
        // an empty file where the old one was.
        {
            HANDLE file = CreateFileW(W(source), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                return false;
            unique_handle owner(file);
            if (!FlushFileBuffers(file))
                return false;
        }
        return MoveFileExW(W(source), W(target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    bool RemoveFile(const std::u16string& path) override { return DeleteFileW(W(path)) != 0; }

    bool CopyReplacing(const std::u16string& source, const std::u16string& target) override
    {
        return CopyFileW(W(source), W(target), FALSE) != 0;
    }
};

} // namespace

IProgramFiles& DefaultProgramFiles()
{
    static Win32ProgramFiles files;
    return files;
}

} // namespace varnook::platform
