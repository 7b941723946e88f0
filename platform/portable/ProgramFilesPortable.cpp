// The native build's stand-in for the program's own folder: drive C of the native drives.
#include "platform/Services.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <unistd.h>

namespace varnook::platform {

namespace {

class PortableProgramFiles final : public IProgramFiles {
public:
    std::u16string ExecutablePath() override { return u"C:\\Program Files\\Varnook\\varnook.exe"; }

    FileState GetFileState(const std::u16string& path) override
    {
        struct stat st;
        if (stat(HostPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return {};
        return {true, (st.st_mode & S_IWUSR) == 0};
    }

    bool MoveReplacing(const std::u16string& source, const std::u16string& target) override
    {
        const std::string from = HostPath(source).string();
        const int fd = open(from.c_str(), O_WRONLY);
        if (fd < 0)
            return false;
        const bool synced = fsync(fd) == 0;
        close(fd);
        return synced && std::rename(from.c_str(), HostPath(target).c_str()) == 0;
    }

    bool RemoveFile(const std::u16string& path) override { return std::remove(HostPath(path).c_str()) == 0; }

    bool CopyReplacing(const std::u16string& source, const std::u16string& target) override
    {
        std::error_code failed;
        std::filesystem::copy_file(HostPath(source), HostPath(target), std::filesystem::copy_options::overwrite_existing,
                                   failed);
        return !failed;
    }
};

} // namespace

IProgramFiles& DefaultProgramFiles()
{
    static PortableProgramFiles files;
    return files;
}

} // namespace varnook::platform
